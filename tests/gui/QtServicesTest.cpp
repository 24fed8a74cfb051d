#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "GuiTestSupport.h"
#include "gui/Convert.h"
#include "ui/Dialogs.h"
#include "ui/Clipboard.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

namespace {

using guitest::GuiTest;

template <class T>
T* Shown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(w); found != nullptr && found->isVisible()) return found;
    return nullptr;
}

// Answers the next dialog of type T with `answer` once it shows (and is ready).
template <class T>
void WhenShown(std::function<void(T&)> answer, std::function<bool(T&)> ready = {})
{
    auto* timer = new QTimer(QApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, ready] {
        if (T* dialog = Shown<T>(); dialog != nullptr && (!ready || ready(*dialog))) {
            timer->stop();
            timer->deleteLater();
            answer(*dialog);
        }
    });
    timer->start(1);
}

// The file dialog's list in detail view; it fills in the background.
QTreeView& FileList(QFileDialog& dialog) { return *dialog.findChild<QTreeView*>(); }

QAbstractButton* ButtonTitled(QMessageBox& box, const QString& text)
{
    for (QAbstractButton* b : box.buttons())
        if (b->text() == text) return b;
    return nullptr;
}

class QtServicesTest : public GuiTest {};

TEST_F(QtServicesTest, AMessageBoxIsShownModallyAndAnsweredWithTheButtonPressed)
{
    scope.App().SetTitle("Sorvel7QX3");
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool modal = false;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        title = box.windowTitle();
        icon = box.icon();
        modal = box.windowModality() == Qt::ApplicationModal;
        ButtonTitled(box, "Нет")->click();
    });
    const ui::TModalResult answer = ui::MessageDlg("Записать?", ui::mtConfirmation, {ui::mbYes, ui::mbNo});
    EXPECT_EQ(answer, ui::mrNo);
    EXPECT_EQ(title, QString("Подтверждение"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(modal);

    WhenShown<QMessageBox>([&](QMessageBox& box) {
        title = box.windowTitle();
        box.reject();
    });
    EXPECT_EQ(scope.App().MessageBox("Обновлние не требуется.", "", ui::MB_OK | ui::MB_ICONINFORMATION), ui::IDOK);
    EXPECT_EQ(title, QString(" "));  // asked for without a title: none, not the program's name
}

TEST_F(QtServicesTest, ClosingABoxWithoutAButtonAnswersCancelOrNo)
{
    WhenShown<QMessageBox>([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(ui::MessageDlg("?", ui::mtWarning, {ui::mbYes, ui::mbNo, ui::mbCancel}), ui::mrCancel);
    WhenShown<QMessageBox>([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(ui::MessageDlg("?", ui::mtWarning, {ui::mbYes, ui::mbNo}), ui::mrNo);
}

TEST_F(QtServicesTest, TheModelsTimersRunWhileABoxIsOpen)
{
    auto* timer = ui::Create<ui::TTimer>(&scope.App(), "Tick");
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](ui::TObject*) { ++ticks; };
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        scope.Clock().Advance(25);
        QTimer::singleShot(20, &box, [&box] { box.accept(); });
    });
    ui::ShowMessage("Ждём");
    EXPECT_GE(ticks, 1);
    ui::Free(timer);
}

TEST_F(QtServicesTest, FileDialogsReturnTheChosenFileOrNothing)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "gui-services-test";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "old.txt") << "abc";

    ui::FileDialogRequest request;
    request.save = true;
    request.filter = "Text Files|*.txt";
    request.defaultExt = "txt";
    request.initialDir = folder.string();
    request.options = {ui::ofOverwritePrompt};
    QString filters;
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        filters = dialog.nameFilters().join(";;");
        dialog.selectFile(gui::ToQt((folder / "new.txt").string()));
        static_cast<QDialog&>(dialog).accept();
    });
    const std::optional<std::string> chosen = front.Services().ShowFileDialog(request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(std::filesystem::path(*chosen), folder / "new.txt");
    EXPECT_EQ(filters, QString("Text Files (*.txt)"));

    // The list's name, size and date of a file, in Russian whatever the system's locale.
    QStringList details;
    WhenShown<QFileDialog>(
        [&details](QFileDialog& dialog) {
            const QModelIndex file = FileList(dialog).model()->index(0, 0, FileList(dialog).rootIndex());
            for (const int column : {0, 1, 3}) details << file.siblingAtColumn(column).data().toString();
            dialog.reject();
        },
        [](QFileDialog& dialog) { return FileList(dialog).model()->rowCount(FileList(dialog).rootIndex()) > 0; });
    EXPECT_FALSE(front.Services().ShowFileDialog(request).has_value());
    ASSERT_EQ(details.size(), 3);
    EXPECT_EQ(details[0].toStdString(), "old.txt");
    EXPECT_EQ(details[1].toStdString(), "3 байта");
    EXPECT_TRUE(QRegularExpression(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d$)").match(details[2]).hasMatch())
        << details[2].toStdString();
    std::filesystem::remove_all(folder);
}

TEST_F(QtServicesTest, FilterTextsBecomeQtNameFilters)
{
    EXPECT_EQ(gui::QtServices::NameFilters("Text Files|*.txt|Все|*.xls;*.csv"),
              QString("Text Files (*.txt);;Все (*.xls *.csv)"));
    EXPECT_EQ(gui::QtServices::NameFilters("Без маски"), QString());
}

TEST_F(QtServicesTest, TheClipboardIsTheSystemOne)
{
    ui::Clipboard().SetAsText("356938035643809");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("356938035643809"));
    QGuiApplication::clipboard()->setText("Привет");
    EXPECT_EQ(ui::Clipboard().AsText(), "Привет");
}

TEST_F(QtServicesTest, AnExceptionFromAClickReachesTheErrorBoxAndTheProgramGoesOn)
{
    auto* form = scope.App().CreateForm<ui::TForm>("Plain");
    auto* panel = ui::Create<ui::TPanel>(form, "Panel", form);
    panel->SetBounds(0, 0, 50, 50);
    panel->OnClick = [](ui::TObject*) { throw std::runtime_error("сбой"); };
    form->Show();
    QString text;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        box.accept();
    });
    guitest::ClickAt(front.Windows().Widget(*panel), QPoint(10, 10));
    EXPECT_TRUE(text.contains("сбой"));
    EXPECT_TRUE(form->Visible());
}

}  // namespace
