#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStyle>
#include <QTreeView>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <string>

#include "GuiTestSupport.h"
#include "gui/QtServices.h"
#include "ui/Dialogs.h"
#include "ui/Clipboard.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

namespace {

using guitest::GuiTest;

// Answers the next dialog of type T with `answer` once it shows (and is ready).
template <class T>
void WhenShown(std::function<void(T&)> answer, std::function<bool(T&)> ready = {})
{
    auto* timer = new QTimer(QApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, ready] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (T* dialog = qobject_cast<T*>(w); dialog != nullptr && dialog->isVisible() && (!ready || ready(*dialog))) {
                timer->stop();
                timer->deleteLater();
                return answer(*dialog);
            }
    });
    timer->start(1);
}

// The file dialog's list in detail view; it fills in the background.
QTreeView& FileList(QFileDialog& dialog) { return *dialog.findChild<QTreeView*>(); }

class QtServicesTest : public GuiTest {};

// A box shown modally with the title and icon of its kind, answered with a button (by its Russian text)
// or closed without one.
struct BoxCase {
    const char* name;
    std::function<int()> show;
    const char* press;  // nullptr: the box is closed with Esc or its close box
    int answer;
    const char* title;
    QMessageBox::Icon icon;
};

class MessageBoxTest : public GuiTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxTest, ShowsModallyWithItsTitleAndIconAndAnswersWhatThePersonDid)
{
    scope.App().SetTitle("Sorvel7QX3");
    const BoxCase& c = GetParam();
    bool shown = false;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        shown = true;
        EXPECT_EQ(box.windowTitle(), QString(c.title));
        EXPECT_EQ(box.icon(), c.icon);
        EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
        // Wide enough for a title bar's icon and three buttons beside the whole title.
        EXPECT_GE(box.width(), QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle()) +
                                   4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight));
        for (QAbstractButton* button : box.buttons())
            if (c.press != nullptr && button->text() == c.press) return button->click();
        EXPECT_EQ(c.press, nullptr) << "no button " << c.press;
        box.reject();
    });
    EXPECT_EQ(c.show(), c.answer);
    EXPECT_TRUE(shown);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Boxes, MessageBoxTest, ::testing::Values(
    BoxCase{"ConfirmationAnsweredNo",
            [] { return ui::MessageDlg("Точно?", ui::mtConfirmation, {ui::mbYes, ui::mbNo}); },
            "Нет", ui::mrNo, "Подтверждение", QMessageBox::Question},
    BoxCase{"ClosedWithACancelButtonIsCancel",
            [] { return ui::MessageDlg("?", ui::mtWarning, {ui::mbYes, ui::mbNo, ui::mbCancel}); },
            nullptr, ui::mrCancel, "Предупреждение", QMessageBox::Warning},
    BoxCase{"ClosedWithoutACancelButtonIsNo",
            [] { return ui::MessageDlg("?", ui::mtWarning, {ui::mbYes, ui::mbNo}); },
            nullptr, ui::mrNo, "Предупреждение", QMessageBox::Warning},
    BoxCase{"ProgramBoxWithoutCaptionHasNoTitle",
            [] { return ui::App().MessageBox("Обновлние не требуется.", "", ui::MB_OK | ui::MB_ICONINFORMATION); },
            nullptr, ui::IDOK, " ", QMessageBox::Information}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });
// clang-format on

// A box opened while a window that stays on top is shown (an operation's progress window) stays on top
// too: it never opens beneath that window.
TEST_F(QtServicesTest, ABoxNeverOpensBeneathAWindowThatStaysOnTop)
{
    for (const bool onTop : {false, true}) {
        auto* progress = scope.App().CreateForm<ui::TForm>("Progress");
        progress->SetFormStyle(ui::fsStayOnTop);
        if (onTop) progress->Show();
        front.Windows().Flush();
        bool above = !onTop;
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            above = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            box.accept();
        });
        ui::MessageDlg("Точно?", ui::mtConfirmation, {ui::mbYes, ui::mbNo});
        EXPECT_EQ(above, onTop);
        ui::Free(progress);
    }
}

// Choosing a file the real-window suite does; here what it does not look at.
TEST_F(QtServicesTest, FileDialogsListFilesInRussianAndCancelGivesNothing)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "gui-services-test";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "old.txt") << "abc";

    ui::FileDialogRequest request;
    request.filter = "Text Files|*.txt";
    request.initialDir = folder.string();
    EXPECT_EQ(gui::QtServices::NameFilters("Text Files|*.txt|Все|*.xls;*.csv|Без маски"),
              QString("Text Files (*.txt);;Все (*.xls *.csv)"));
    // A description that names its mask already keeps it once.
    EXPECT_EQ(gui::QtServices::NameFilters("HEX FILES (*.hex)|*.hex|Microsoft Excel(*.xls)|*.xls"),
              QString("HEX FILES (*.hex);;Microsoft Excel(*.xls)"));

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

TEST_F(QtServicesTest, TheClipboardIsTheSystemOne)
{
    ui::Clipboard().SetAsText("356938035643809");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("356938035643809"));
    QGuiApplication::clipboard()->setText("Привет");
    EXPECT_EQ(ui::Clipboard().AsText(), "Привет");
}

TEST_F(QtServicesTest, AnExceptionFromAClickReachesTheErrorBoxTheModelsTimersRunWhileItIsOpen)
{
    auto* form = scope.App().CreateForm<ui::TForm>("Plain");
    auto* panel = ui::Create<ui::TPanel>(form, "Panel", form);
    panel->SetBounds(0, 0, 50, 50);
    panel->OnClick = [](ui::TObject*) { throw std::runtime_error("сбой"); };
    auto* timer = ui::Create<ui::TTimer>(form, "Tick");
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](ui::TObject*) { ++ticks; };
    form->Show();
    QString text;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        scope.Clock().Advance(25);
        QTimer::singleShot(20, &box, [&box] { box.accept(); });
    });
    QTest::mouseClick(front.Windows().Widget(*panel), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(text.contains("сбой"));
    EXPECT_GE(ticks, 1);
    EXPECT_TRUE(form->Visible());
}

}  // namespace
