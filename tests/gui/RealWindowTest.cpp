// The program in real windows as a person meets it: the whole program started through its own entry in
// this process (offscreen, the system clock) against the simulated communicator on a pseudo-terminal
// in the program's ports folder, used only through what is on screen: widgets found by the text they
// show or where they are, clicks and keys sent through the window system. Every window's controls are
// checked to be on screen with their captions, and a picture of every page and dialog is written into
// the build folder (sorvel7qx3-*.png) for a person to look at.
#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QToolButton>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "app/Sorvel7QX3.h"
#include "app/UpdateListFormUnit.h"
#include "app/fAbout.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "gui/Convert.h"
#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"

namespace {

namespace screen = guitest::screen;
namespace fs = std::filesystem;

// Everything a step waits for comes within this much real time, or the step has failed.
constexpr qint64 kStepLimitMs = 20'000;

// ------------------------------------------------------------------ every control on screen

QString Plain(std::string_view caption) { return gui::ToQt(caption).remove(QLatin1Char('&')); }

// Where the model places the control in its window: its bounds summed up to the top form, the client
// area starting below the menu bar.
QRect InWindow(const ui::TControl& c, int top)
{
    QPoint at(c.Left(), c.Top() + top);
    for (const ui::TControl* p = c.Parent(); p != nullptr && p->Parent() != nullptr; p = p->Parent())
        at += QPoint(p->Left(), p->Top());
    return QRect(at, QSize(c.Width(), c.Height()));
}

// The text the control must show; nothing for controls whose text is no caption (lists, grids, forms).
std::optional<QString> Caption(const ui::TControl& c)
{
    if (ui::Is<ui::TForm>(&c) || ui::Is<ui::TMemo>(&c) || ui::Is<ui::TStringGrid>(&c)) return std::nullopt;
    if (const auto* edit = ui::As<ui::TMaskEdit>(&c); edit != nullptr && !edit->EditMask().empty()) return std::nullopt;
    if (ui::Is<ui::TCustomEdit>(&c)) return gui::ToQt(c.Text());
    const bool captioned = ui::Is<ui::TButtonControl>(&c) || ui::Is<ui::TCustomControl>(&c) ||
                           ui::Is<ui::TGraphicControl>(&c);
    if (!captioned || c.Caption().empty()) return std::nullopt;
    return Plain(c.Caption());
}

// Points of the control that a person sees: inside every parent, under none of its children and none
// of the controls stacked above it or its parents.
std::vector<QPoint> SeenPoints(const ui::TControl& c, const QRect& window, int top)
{
    QRect seen = InWindow(c, top) & window;
    std::vector<QRect> covers;
    if (const auto* container = ui::As<ui::TWinControl>(&c))
        for (int i = 0; i < container->ControlCount(); ++i)
            if (container->Controls(i)->Visible()) covers.push_back(InWindow(*container->Controls(i), top));
    for (const ui::TControl* a = &c; a->Parent() != nullptr; a = a->Parent()) {
        if (a != &c && a->Parent()->Parent() != nullptr) seen &= InWindow(*a, top);
        const ui::TWinControl& parent = *a->Parent();
        bool above = false;
        for (int i = 0; i < parent.ControlCount(); ++i) {
            const ui::TControl* sibling = parent.Controls(i);
            if (above && sibling->Visible()) covers.push_back(InWindow(*sibling, top));
            above = above || sibling == a;
        }
    }
    std::vector<QPoint> points;
    const int step = std::max(2, std::min(seen.width(), seen.height()) / 6);
    for (int y = seen.top() + 1; y < seen.bottom(); y += step)
        for (int x = seen.left() + 1; x < seen.right(); x += step)
            if (std::none_of(covers.begin(), covers.end(), [&](const QRect& r) { return r.contains(x, y); }))
                points.emplace_back(x, y);
    return points;
}

void CheckControl(const ui::TControl& c, QWidget& window, int top, std::vector<std::string>& problems)
{
    const auto* toolButton = ui::As<ui::TToolButton>(&c);
    if (toolButton != nullptr && (toolButton->Style() == ui::tbsSeparator || toolButton->Style() == ui::tbsDivider))
        return;
    // A tool button shows its caption, or a picture with its hint as the tool tip.
    const bool tool = toolButton != nullptr || ui::Is<ui::TSpeedButton>(&c);
    const QRect expected = InWindow(c, top);
    if (expected.isEmpty()) return;
    // The first point not under the scroll bars of a page that scrolls.
    std::optional<QPoint> point;
    QWidget* hit = nullptr;
    for (const QPoint& at : SeenPoints(c, QRect(QPoint(0, 0), window.size()), top)) {
        hit = window.childAt(at);
        if (qobject_cast<QScrollBar*>(hit) == nullptr) {
            point = at;
            break;
        }
    }
    if (!point) return;
    QWidget* shown = hit;
    while (shown != nullptr && QRect(shown->mapTo(&window, QPoint(0, 0)), shown->size()) != expected)
        shown = shown->parentWidget() == &window ? nullptr : shown->parentWidget();
    if (shown == nullptr) {
        problems.push_back(c.Name() + ": at " + std::to_string(point->x()) + "," + std::to_string(point->y()) +
                           " the screen shows a " + (hit != nullptr ? hit->metaObject()->className() : "bare window"));
        return;
    }
    const QString text = screen::ShownText(*shown);
    const bool toolShows = tool && (text == Plain(c.Caption()) || text == Plain(c.Hint()));
    if (const auto caption = Caption(c); caption && !toolShows && text != *caption)
        problems.push_back(c.Name() + " shows \"" + text.toStdString() + "\" for \"" + caption->toStdString() + "\"");
}

void CheckAll(const ui::TControl& c, QWidget& window, int top, std::vector<std::string>& problems)
{
    if (!c.Visible()) return;
    if (c.Parent() != nullptr) CheckControl(c, window, top, problems);
    if (const auto* container = ui::As<ui::TWinControl>(&c))
        for (int i = 0; i < container->ControlCount(); ++i) CheckAll(*container->Controls(i), window, top, problems);
}

// Every visible control of the form has a widget on screen at its place, showing its caption; the
// window's picture is saved as sorvel7qx3-<name>.png.
void ExpectEveryControlOnScreen(const ui::TForm& form, const std::string& name)
{
    QWidget* window = screen::Window(gui::ToQt(form.Caption()));
    ASSERT_NE(window, nullptr) << name << ": no window titled " << form.Caption();
    const auto* bar = window->findChild<QMenuBar*>();
    const int top = bar != nullptr && bar->isVisible() ? bar->height() : 0;
    std::vector<std::string> problems;
    CheckAll(form, *window, top, problems);
    EXPECT_TRUE(problems.empty()) << name << ":\n  " << testing::PrintToString(problems);
    EXPECT_TRUE(screen::Shot(window, name)) << name << " looks blank";
}

// ------------------------------------------------------------------ a person at the screen

// Steps done one after the other, each once what it waits for is on screen and the previous step's
// action has returned. A step's action runs on its own turn of the event loop; a modal window it opens
// runs its loop inside it, and the steps that answer that window (Inside) go on while it runs. A step
// that waits too long fails the session, and every window is answered so that the program's loop ends.
class Person {
public:
    Person()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }

    void When(std::string what, std::function<bool()> ready, std::function<void()> act, bool inside = false)
    {
        steps_.push_back({std::move(what), std::move(ready), std::move(act), inside});
    }
    void Inside(std::string what, std::function<bool()> ready, std::function<void()> act)
    {
        When(std::move(what), std::move(ready), std::move(act), true);
    }
    void Do(std::string what, std::function<void()> act) { When(std::move(what), [] { return true; }, std::move(act)); }
    void Start() { since_.start(); timer_.start(); }
    bool Finished() const { return next_ == steps_.size(); }

    std::vector<std::string> failures;

private:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
        bool inside;
        bool returned = false;
    };

    void Tick()
    {
        if (Finished()) return timer_.stop();
        Step& step = steps_[next_];
        const bool previousReturned = next_ == 0 || steps_[next_ - 1].returned;
        if ((step.inside || previousReturned) && step.ready()) {
            const std::size_t index = next_++;
            since_.restart();
            QTimer::singleShot(0, &timer_, [this, index] {
                steps_[index].act();
                steps_[index].returned = true;
            });
        } else if (since_.elapsed() > kStepLimitMs) {
            failures.push_back("waited in vain: " + step.what + "; on screen: " + OnScreen());
            next_ = steps_.size();
            GiveUp();
        }
    }

    static std::string OnScreen()
    {
        std::string seen;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (w->isVisible())
                seen += "[" + w->windowTitle().toStdString() + (box ? ": " + box->text().toStdString() : "") + "] ";
        }
        return seen;
    }

    // Answers what is open from the top down, as a person would, until the main window can close.
    static void GiveUp()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible()) {
                dialog->reject();
                return QTimer::singleShot(50, GiveUp);
            }
        if (ui::TForm* modal = ui::App().ModalForm()) {
            modal->SetModalResult(ui::mrCancel);
            return QTimer::singleShot(50, GiveUp);
        }
        if (FormMain != nullptr) FormMain->Close();
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer since_;
};

QWidget* Main() { return screen::Window("Программа настройки"); }

// The menu command "menu" -> "item" of the main window, clicked as a person clicks it.
void Menu(const QString& menu, const QString& item)
{
    auto* bar = Main()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    for (QAction* top : bar->actions())
        if (top->text().remove(QLatin1Char('&')) == menu) {
            ASSERT_TRUE(screen::Click(bar, bar->actionGeometry(top).center()));
            QCoreApplication::processEvents();
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(popup, nullptr) << menu.toStdString();
            for (QAction* action : popup->actions())
                if (action->text().section(QLatin1Char('\t'), 0, 0) == item) {
                    ASSERT_TRUE(action->isEnabled()) << item.toStdString() << " is disabled";
                    ASSERT_TRUE(screen::Click(popup, popup->actionGeometry(action).center())) << item.toStdString();
                    return;
                }
            FAIL() << "no item " << item.toStdString();
        }
    FAIL() << "no menu " << menu.toStdString();
}

// Opens the combo box's list with a click on its arrow and clicks the first item that ends with the text.
void Choose(QComboBox* combo, const QString& ending)
{
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(screen::Click(combo, QPoint(combo->width() - 8, combo->height() / 2))) << "the arrow";
    QCoreApplication::processEvents();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(list->isVisible()) << "the list did not open";
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        if (index.data().toString().endsWith(ending)) {
            const QPoint at = list->viewport()->mapTo(list->window(), list->visualRect(index).center());
            QTest::mousePress(list->window()->windowHandle(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(list->window()->windowHandle(), Qt::LeftButton, {}, at);
            return;
        }
    }
    FAIL() << "no item ending with " << ending.toStdString();
}

QFileDialog* FileDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog != nullptr && dialog->isVisible()) return dialog;
    return nullptr;
}

// Types the path into the file dialog's name field and presses Enter; the dialog's buttons are Russian.
void AnswerFileDialog(const fs::path& path, const char* accept)
{
    QFileDialog* dialog = FileDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(screen::Find(dialog, accept), nullptr) << "no \"" << accept << "\" on the file dialog";
    EXPECT_NE(screen::Find(dialog, "Отмена"), nullptr);
    auto* name = screen::RightOf<QLineEdit>(dialog, "Имя файла:");
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(screen::Click(name));
    screen::Key(dialog, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(name, QString::fromStdString(path.string()));
    screen::Key(dialog, Qt::Key_Return);
}

// Whether the picture has a pixel of strong colour.
bool Coloured(const QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (const QRgb pixel = picture.pixel(x, y); qAlpha(pixel) > 128 && QColor(pixel).hsvSaturation() > 100)
                return true;
    return false;
}

// A tool button of the main window by its tool tip.
QWidget* Tool(const char* hint) { return screen::Find(Main(), hint); }
bool Enabled(const char* hint)
{
    QWidget* w = Tool(hint);
    return w != nullptr && w->isEnabled();
}

// ------------------------------------------------------------------ the program against the simulator

constexpr const char* kObject = "1A2B";
constexpr const char* kMasterKey = "7319";
constexpr const char* kPortLink = "sim-real";

sim::DeviceProfile Profile()
{
    sim::DeviceProfile p;
    p.version = "REV 11.005.121";
    // A Bolid panel: the program shows all its pages.
    p.panel = sim::PanelKind::Bolid;
    p.masterKey = kMasterKey;
    p.historyRecords = 20;
    return p;
}

class RealWindowProgram : public ::testing::Test {
protected:
    RealWindowProgram()
    {
        folder = fs::temp_directory_path() / ("gui-real-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "ports");
        fs::copy_file(fs::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt");
        // The access code shows the firmware update from a file and the status bar's progress bar.
        std::ofstream(folder / "current.ini") << "[Update]\r\nUpdatePanelVersion=" << TFormMain::AccessCode << "\r\n";
        std::ofstream(folder / "firmware.hex") << ":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n";
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
        fs::create_symlink(pty.SlavePath(), folder / "ports" / kPortLink);
        device.SetValue("o", kObject);
    }
    ~RealWindowProgram() override
    {
        ::unsetenv(platform::kProgramFolderVariable);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    int Run()
    {
        return RunProgram([this] {
            person.Start();
            return front.Run();
        });
    }

    QApplication& qt = guitest::QtApp();
    fs::path folder;
    sim::Pty pty;
    sim::Communicator device{Profile(), platform::SystemClock(), std::time(nullptr)};
    sim::Line line{pty, device};
    ui::Application app{platform::SystemClock()};
    gui::FrontEnd front{app};
    Person person;
};

TEST_F(RealWindowProgram, ConnectReadEveryPageExportTheHistoryDisconnectAndClose)
{
    Person& p = person;
    QWidget* dialog = nullptr;
    QSize full;
    p.When("the main window", [] { return Main() != nullptr; }, [] {
        ExpectEveryControlOnScreen(*FormMain, "main");
        // Pictures of the icon theme, in colour: the grey look of a disabled one stands apart.
        for (const char* hint : {"Подключиться", "Прочитать все настройки", "Записать настройки с данной страницы"}) {
            auto* tool = qobject_cast<QToolButton*>(Tool(hint));
            ASSERT_NE(tool, nullptr) << hint;
            EXPECT_EQ(tool->iconSize(), QSize(24, 24)) << hint;
            EXPECT_TRUE(Coloured(tool->icon().pixmap(tool->iconSize()).toImage())) << hint;
        }
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    // Cancel first, then the real connect.
    p.Inside("the connect dialog", [&] { return (dialog = screen::Window("Подключение к панели")) != nullptr; }, [&] {
        ExpectEveryControlOnScreen(*FormConnect, "connect");
        ASSERT_TRUE(screen::Click(screen::Find(dialog, "Cancel")));
    });
    p.When("the connect dialog gone", [] { return FormConnect == nullptr; }, [] {
        EXPECT_TRUE(Enabled("Подключиться"));
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    p.Inside("the connect dialog again", [&] { return (dialog = screen::Window("Подключение к панели")) != nullptr; },
           [&] {
               Choose(screen::RightOf<QComboBox>(dialog, "Com-порт:"), kPortLink);
               ASSERT_TRUE(screen::Click(screen::Find(dialog, "Кабель программирования")));
               auto* key = screen::RightOf<QLineEdit>(dialog, "Мастер-ключ:");
               ASSERT_TRUE(screen::Click(key));
               screen::Key(dialog, Qt::Key_A, Qt::ControlModifier);
               QTest::keyClicks(key, kMasterKey);
               ASSERT_TRUE(screen::Click(screen::Find(dialog, "OK")));
           });
    p.When("connected", [] { return Enabled("Отключиться") && !Enabled("Подключиться"); }, [&] {
        EXPECT_TRUE(device.LoggedIn()) << "the typed master key opened the device";
        ASSERT_TRUE(screen::Click(Tool("Прочитать все настройки")));
    });

    // Every page, chosen in the page tree once everything is read.
    const auto pageTree = [] {
        for (auto* tree : Main()->findChildren<QTreeWidget*>())
            if (screen::OnScreen(*tree) && tree->topLevelItemCount() > 0 &&
                tree->topLevelItem(0)->text(0) == "Общие настройки")
                return tree;
        return static_cast<QTreeWidget*>(nullptr);
    };
    for (int page = 0; page < 9; ++page)
        p.Do("page " + std::to_string(page), [&, page] {
            QTreeWidget* tree = pageTree();
            ASSERT_NE(tree, nullptr);
            if (page >= tree->topLevelItemCount()) return;
            QTreeWidgetItem* item = tree->topLevelItem(page);
            ASSERT_TRUE(screen::Click(tree->viewport(), tree->visualItemRect(item).center()));
            QCoreApplication::processEvents();
            ExpectEveryControlOnScreen(*FormMain, "page-" + std::to_string(page + 1));
            if (page == 0) {
                EXPECT_NE(screen::Find(Main(), kObject), nullptr) << "the object number read";
            }
        });
    const auto choosePage = [pageTree](const QString& title) {
        QTreeWidget* tree = pageTree();
        ASSERT_NE(tree, nullptr);
        const QList<QTreeWidgetItem*> items = tree->findItems(title, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty()) << title.toStdString();
        ASSERT_TRUE(screen::Click(tree->viewport(), tree->visualItemRect(items.front()).center()));
    };
    const fs::path sheet = folder / "history.xls";
    p.Do("the history page", [&] {
        choosePage("История");
        ASSERT_TRUE(screen::Click(Tool("Прочитать настройки с данной страницы")));
    });
    p.When("the history read", [] { return Enabled("Прочитать настройки с данной страницы"); }, [] {
        ASSERT_TRUE(screen::Click(screen::Find(Main(), "Экспорт в Excel истории, прочитанной за данный сеанс связи")));
    });
    p.Inside("the save dialog", [] { return FileDialog() != nullptr; }, [&] {
        EXPECT_TRUE(screen::Shot(FileDialog(), "save-dialog"));
        AnswerFileDialog(sheet, "Сохранить");
    });

    // As small as the window goes: the model's least size, where the page area scrolls.
    p.When("the history exported", [&] { return fs::exists(sheet) && FileDialog() == nullptr; }, [&] {
        choosePage("Общие настройки");
        full = Main()->size();
        Main()->resize(100, 100);
        QCoreApplication::processEvents();
        const ui::TSizeConstraints& least = FormMain->Constraints();
        EXPECT_EQ(Main()->width(), least.MinWidth());
        EXPECT_EQ(Main()->height(), least.MinHeight() + Main()->findChild<QMenuBar*>()->height());
        EXPECT_EQ(FormMain->Height(), least.MinHeight());
        EXPECT_TRUE(screen::Shot(Main(), "main-small"));
        QScrollBar* scroll = nullptr;
        for (auto* bar : Main()->findChildren<QScrollBar*>())
            if (screen::OnScreen(*bar) && bar->parentWidget()->parentWidget()->inherits("QScrollArea")) scroll = bar;
        EXPECT_NE(scroll, nullptr) << "the page area does not scroll";
        Main()->resize(full);
        Menu("Панель", "Обновление версии прошивки из файла");
    });
    p.Inside("the firmware file window", [&] { return (dialog = screen::Window("Обновление версии прошивки")); }, [&] {
        ExpectEveryControlOnScreen(*formUpdateInsertion, "firmware-file");
        ASSERT_TRUE(screen::Click(screen::Find(dialog, "Cancel")));
    });
    p.When("the firmware file window closed", [] { return !screen::Window("Обновление версии прошивки"); }, [] {
        ASSERT_TRUE(screen::Click(Tool("Отключиться")));
    });
    p.When("disconnected", [] { return Enabled("Подключиться"); }, [] { Menu("Помощь", "О программе"); });
    p.Inside("the about window", [&] { return (dialog = screen::Window("О программе")) != nullptr; }, [&] {
        ExpectEveryControlOnScreen(*FormAbout, "about");
        const QRgb banner = dialog->grab().toImage().pixel(2, 2);
        EXPECT_GT(qBlue(banner), qRed(banner) + 40) << "the blue banner across the top";
        ASSERT_TRUE(screen::Click(screen::Find(dialog, "OK")));
    });
    p.When("the about window closed", [] { return screen::Window("О программе") == nullptr; },
           [] { Menu("Файл", "Выход"); });

    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(p.failures.empty()) << testing::PrintToString(p.failures);
    EXPECT_TRUE(p.Finished());
    EXPECT_EQ(FormMain, nullptr);
    const std::vector<std::string> requests = line.Requests();
    EXPECT_EQ(requests.back(), "+reset") << "the disconnect command resets the device first";
    EXPECT_GT(fs::file_size(sheet), 0u);
    std::ifstream ini(folder / "current.ini", std::ios::binary);
    const std::string saved{std::istreambuf_iterator<char>(ini), {}};
    EXPECT_NE(saved.find(std::string("=") + kObject), std::string::npos) << "the pages are saved on close";
}

// ------------------------------------------------------------------ the program's other windows

class RealWindowDialogs : public guitest::GuiTest {};

TEST_F(RealWindowDialogs, EveryControlOfEveryOtherWindowIsOnScreenWithItsCaption)
{
    const std::vector<std::pair<std::string, std::function<ui::TForm*()>>> windows{
        {"dial", [this] { return ui::Create<TFormDial>(&scope.App(), "FormDial"); }},
        {"errors", [this] {
             auto* errors = ui::Create<TFormErrors>(&scope.App(), "FormErrors");
             errors->ShowList({"Ошибка при чтении параметра \"Номер объекта\""});
             return errors;
         }},
        {"progress", [this] { return ui::Create<TFormProgress>(&scope.App(), "FormProgress"); }},
        {"update", [this] { return ui::Create<TformUpdateIns>(&scope.App(), "formUpdateIns"); }},
        {"images", [this] { return ui::Create<TUpdateListForm>(&scope.App(), "UpdateListForm"); }},
    };
    for (const auto& [name, make] : windows) {
        ui::TForm* form = make();
        form->Show();
        front.Windows().Flush();
        QCoreApplication::processEvents();
        ExpectEveryControlOnScreen(*form, name);
        ui::Free(form);
    }
}

// The faces the windows name are the free files with their metrics where fonts-wine is installed.
TEST_F(RealWindowDialogs, TahomaAndMsSansSerifAreTheirOwnFaces)
{
    if (!fs::exists("/usr/share/wine/fonts/tahoma.ttf")) GTEST_SKIP() << "fonts-wine is not installed";
    for (const char* family : {"Tahoma", "MS Sans Serif"}) {
        ui::TFont font;
        font.SetName(family);
        EXPECT_EQ(QFontInfo(gui::ToQFont(font)).family(), family);
    }
}

TEST_F(RealWindowDialogs, AFirmwareFilePickedWithTheMouseIsTakenWithEnter)
{
    const fs::path hex = fs::temp_directory_path() / ("gui-real-" + std::to_string(::getpid()) + ".hex");
    std::ofstream(hex) << ":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n";
    auto* window = ui::Create<TformUpdateInsertion>(&scope.App(), "formUpdateInsertion");
    Person p;
    std::optional<ui::TModalResult> result;
    int picks = 0;
    bool picked = false;
    const auto shown = [] { return screen::Window("Обновление версии прошивки"); };
    p.Do("the window", [&] { result = window->ShowModal(); });
    p.Inside("the window shown", shown, [&] {
        ASSERT_TRUE(screen::Click(screen::Find(shown(), "...")));
        picked = true;
    });
    p.Inside("the open dialog", [] { return FileDialog() != nullptr; }, [&] {
        ++picks;
        AnswerFileDialog(hex, "Открыть");
    });
    p.When("the file read", [&] { return picked; }, [&] {
        EXPECT_TRUE(screen::Shot(shown(), "firmware-file-read"));
        screen::Key(shown(), Qt::Key_Return);
    });
    p.Inside("the window closed", [&] { return result || FileDialog() != nullptr; }, [&] {
        if (FileDialog() == nullptr) return;
        ++picks;
        FileDialog()->reject();
    });
    p.Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.Finished() && result; }, kStepLimitMs));
    EXPECT_TRUE(p.failures.empty()) << testing::PrintToString(p.failures);
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(picks, 1) << "Enter opened the file picker again";
    EXPECT_EQ(window->etPath->Text(), hex.string());
    ui::Free(window);
    fs::remove(hex);
}

TEST_F(RealWindowDialogs, TheIdleFrontEndSleepsUntilATimerIsDueOrACallIsPosted)
{
    const unsigned long before = front.Pump().Rounds();
    QTest::qWait(100);
    EXPECT_LE(front.Pump().Rounds() - before, 1u) << "the pump woke with nothing to do";

    // A timer started while Qt's loop sleeps fires when due on the clock.
    auto* timer = ui::Create<ui::TTimer>(&scope.App(), "Timer");
    int ticks = 0;
    timer->SetInterval(30);
    timer->OnTimer = [&](ui::TObject*) { ++ticks; };
    QTest::qWait(5);
    scope.Clock().Advance(30);
    EXPECT_TRUE(guitest::SpinUntil([&] { return ticks == 1; }));
    ui::Free(timer);
}

}  // namespace
