#include "gui/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>
#include <QStyle>
#include <QTreeView>

#include <array>
#include <utility>
#include <vector>

#include "gui/Convert.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

namespace gui {

namespace {

struct ButtonText {
    ui::TMsgDlgBtn button;
    const char* text;
    QMessageBox::ButtonRole role;
};

// In the order the model lists its buttons.
constexpr std::array kButtons{
    ButtonText{ui::mbYes, "Да", QMessageBox::YesRole},
    ButtonText{ui::mbNo, "Нет", QMessageBox::NoRole},
    ButtonText{ui::mbOK, "OK", QMessageBox::AcceptRole},
    ButtonText{ui::mbCancel, "Отмена", QMessageBox::RejectRole},
    ButtonText{ui::mbAbort, "Прервать", QMessageBox::RejectRole},
    ButtonText{ui::mbRetry, "Повтор", QMessageBox::AcceptRole},
    ButtonText{ui::mbIgnore, "Пропустить", QMessageBox::AcceptRole},
    ButtonText{ui::mbAll, "Все", QMessageBox::YesRole},
    ButtonText{ui::mbNoToAll, "Нет для всех", QMessageBox::NoRole},
    ButtonText{ui::mbYesToAll, "Да для всех", QMessageBox::YesRole},
    ButtonText{ui::mbHelp, "Справка", QMessageBox::HelpRole},
    ButtonText{ui::mbClose, "Закрыть", QMessageBox::RejectRole},
};

QMessageBox::Icon IconOf(ui::TMsgDlgType type)
{
    switch (type) {
    case ui::mtWarning: return QMessageBox::Warning;
    case ui::mtError: return QMessageBox::Critical;
    case ui::mtInformation: return QMessageBox::Information;
    case ui::mtConfirmation: return QMessageBox::Question;
    case ui::mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

// The button a closed box answers with: Cancel, else No, else the only button there is.
ui::TMsgDlgBtn EscapeButton(ui::TMsgDlgButtons buttons)
{
    for (ui::TMsgDlgBtn b : {ui::mbCancel, ui::mbNo, ui::mbClose, ui::mbAbort, ui::mbOK})
        if (buttons.Contains(b)) return b;
    return ui::mbCancel;
}

// The kinds of the file list in Russian, which Qt's own translation leaves out.
class RussianFileTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override
    {
        if (info.isRoot()) return QStringLiteral("Диск");
        if (info.isDir()) return QStringLiteral("Папка");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл ") + suffix.toUpper();
    }
};

QString Bytes(qint64 count)
{
    const qint64 tens = count % 100;
    const bool few = count % 10 >= 2 && count % 10 <= 4 && (tens < 12 || tens > 14);
    return QStringLiteral("%1 %2").arg(count).arg(few ? QStringLiteral("байта") : QStringLiteral("байт"));
}

// Sizes and dates of the file list in Russian: Qt's file model writes them in the system's locale,
// which Qt reads from the environment and which a bare system leaves at C, whatever the default locale.
class RussianFileDetails : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || files == nullptr) return QIdentityProxyModel::data(index, role);
        const QModelIndex file = mapToSource(index);
        // The model's columns: name, size, type, date of change.
        if (index.column() == 1 && !files->isDir(file)) {
            const qint64 size = files->size(file);
            return size < 1024 ? Bytes(size) : QLocale().formattedDataSize(size, 2, QLocale::DataSizeTraditionalFormat);
        }
        if (index.column() == 3) return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
        return QIdentityProxyModel::data(index, role);
    }
};

// Qt makes a box only a little wider than its title: the window manager's title bar, which puts an
// icon and three buttons beside the title, then cuts a short box's title ("Подт...ение"). The box is
// made wide enough for them all.
void KeepTitleWhole(QMessageBox& box)
{
    const int title = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle());
    const int button = box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(title + 5 * button, 0, QSizePolicy::Minimum), grid->rowCount(), 0, 1, grid->columnCount());
}

// A dialog opened while a window that stays on top is shown (an operation's progress window) stays on
// top as well, so that it never opens beneath that window.
void AboveWindowsOnTop(QDialog& dialog)
{
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != &dialog && w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
}

int DefaultButtonIndex(unsigned flags)
{
    if (flags & ui::MB_DEFBUTTON3) return 2;
    if (flags & ui::MB_DEFBUTTON2) return 1;
    return 0;
}

}  // namespace

int QtServices::Run(QDialog& dialog)
{
    dialog.setWindowModality(Qt::ApplicationModal);
    AboveWindowsOnTop(dialog);
    bool finished = false;
    int result = 0;
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&](int code) {
        finished = true;
        result = code;
    });
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    while (!finished && !app_.Terminated()) {
        app_.ProcessMessages();
        if (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    if (!finished) dialog.reject();
    return result;
}

std::string QtServices::BoxTitle(const ui::MessageBoxRequest& request) const
{
    if (!request.caption.empty()) return request.caption;
    // A box asked for with an empty caption has no title; Qt would put the program's name into an
    // empty one, a blank stays blank.
    return request.api == ui::MessageBoxRequest::Api::MessageBox ? std::string(" ") : app_.Title();
}

ui::TModalResult QtServices::ShowMessageBox(const ui::MessageBoxRequest& request)
{
    QMessageBox box;
    box.setWindowTitle(ToQt(BoxTitle(request)));
    box.setText(ToQt(request.text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconOf(request.type));
    std::vector<std::pair<QAbstractButton*, ui::TMsgDlgBtn>> buttons;
    for (const ButtonText& b : kButtons)
        if (request.buttons.Contains(b.button))
            buttons.emplace_back(box.addButton(QString::fromUtf8(b.text), b.role), b.button);
    if (buttons.empty()) buttons.emplace_back(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole), ui::mbOK);
    const std::size_t preferred = static_cast<std::size_t>(DefaultButtonIndex(request.flags));
    box.setDefaultButton(static_cast<QPushButton*>(buttons[preferred < buttons.size() ? preferred : 0].first));
    const ui::TMsgDlgBtn escape = EscapeButton(request.buttons);
    for (const auto& [widget, button] : buttons)
        if (button == escape) box.setEscapeButton(widget);
    KeepTitleWhole(box);

    Run(box);
    for (const auto& [widget, button] : buttons)
        if (box.clickedButton() == widget) return ui::ButtonResult(button);
    return ui::ButtonResult(escape);
}

QString QtServices::NameFilters(const std::string& filter)
{
    const QStringList parts = ToQt(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString masks = parts[i + 1];
        masks.replace(QLatin1Char(';'), QLatin1Char(' '));
        masks = masks.trimmed();
        // A description that names its masks already ("HEX FILES (*.hex)") shows them once.
        const QString named = QStringLiteral("(%1)").arg(masks);
        filters << (parts[i].trimmed().endsWith(named) ? parts[i].trimmed() : QStringLiteral("%1 %2").arg(parts[i], named));
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtServices::ShowFileDialog(const ui::FileDialogRequest& request)
{
    RussianFileTypes types;
    QFileDialog dialog;
    // The platform's own dialog would run its own loop, out of the model's pump.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&types);
    dialog.setProxyModel(new RussianFileDetails(&dialog));
    // Qt sizes the type and date columns for its own shorter English texts; the names take what is left.
    if (auto* list = dialog.findChild<QTreeView*>()) {
        for (const auto& [column, widest] : {std::pair{2, "Файл XLSX"}, std::pair{3, "00.00.0000 00:00"}})
            list->header()->resizeSection(column, list->fontMetrics().horizontalAdvance(QString::fromUtf8(widest)) + 24);
        list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog.setWindowTitle(ToQt(!request.title.empty() ? request.title : request.save ? "Сохранить как" : "Открыть"));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!request.save && request.options.Contains(ui::ofFileMustExist) ? QFileDialog::ExistingFile
                                                                                     : QFileDialog::AnyFile);
    if (request.save && !request.options.Contains(ui::ofOverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.defaultExt.empty()) dialog.setDefaultSuffix(ToQt(request.defaultExt));
    const QString filters = NameFilters(request.filter);
    if (!filters.isEmpty()) {
        const QStringList list = filters.split(QStringLiteral(";;"));
        dialog.setNameFilters(list);
        const qsizetype index = request.filterIndex - 1;
        if (index >= 0 && index < list.size()) dialog.selectNameFilter(list[index]);
    }
    if (!request.initialDir.empty()) dialog.setDirectory(ToQt(request.initialDir));
    if (!request.fileName.empty()) dialog.selectFile(ToQt(request.fileName));

    if (Run(dialog) != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return FromQt(chosen.front());
}

std::string QtServices::Text() { return FromQt(QGuiApplication::clipboard()->text()); }

void QtServices::SetText(const std::string& text) { QGuiApplication::clipboard()->setText(ToQt(text)); }

}  // namespace gui
