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

#include <atomic>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "GuiTestSupport.h"
#include "app/Sorvel7QX3.h"
#include "app/UpdateListFormUnit.h"
#include "app/fAbout.h"
#include "app/fCommon.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/FormAppMainController.h"
#include "app/fGPRS.h"
#include "app/fHistory.h"
#include "app/fMain.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "gui/Convert.h"
#include "kit/KitPrgres.h"
#include "kit/KitSplit.h"
#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/TempFolder.h"
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

// The control and everything on it, when visible.
void CheckControl(const ui::TControl& c, QWidget& window, int top, std::vector<std::string>& problems)
{
    if (!c.Visible()) return;
    if (const auto* container = ui::As<ui::TWinControl>(&c))
        for (int i = 0; i < container->ControlCount(); ++i) CheckControl(*container->Controls(i), window, top, problems);
    const auto* toolButton = ui::As<ui::TToolButton>(&c);
    if (toolButton != nullptr && (toolButton->Style() == ui::tbsSeparator || toolButton->Style() == ui::tbsDivider))
        return;
    // A tool button shows its caption, or a picture with its hint as the tool tip.
    const bool tool = toolButton != nullptr || ui::Is<ui::TSpeedButton>(&c);
    const QRect expected = InWindow(c, top);
    if (c.Parent() == nullptr || expected.isEmpty()) return;
    // The first point not under the scroll bars of a page that scrolls.
    QWidget* hit = nullptr;
    const std::vector<QPoint> points = SeenPoints(c, QRect(QPoint(0, 0), window.size()), top);
    const auto point = std::find_if(points.begin(), points.end(), [&](const QPoint& at) {
        return qobject_cast<QScrollBar*>(hit = window.childAt(at)) == nullptr;
    });
    if (point == points.end()) return;
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

// Every visible control of the form has a widget on screen at its place, showing its caption; the
// window's picture is saved as sorvel7qx3-<name>.png.
void ExpectEveryControlOnScreen(const ui::TForm& form, const std::string& name)
{
    QWidget* window = screen::Window(gui::ToQt(form.Caption()));
    ASSERT_NE(window, nullptr) << name << ": no window titled " << form.Caption();
    const auto* bar = window->findChild<QMenuBar*>();
    const int top = bar != nullptr && bar->isVisible() ? bar->height() : 0;
    std::vector<std::string> problems;
    CheckControl(form, *window, top, problems);
    EXPECT_TRUE(problems.empty()) << name << ":\n  " << testing::PrintToString(problems);
    EXPECT_TRUE(screen::Shot(window, name)) << name << " looks blank";
}

// ------------------------------------------------------------------ a person at the screen

// Steps done one after the other, each once what it waits for is on screen and the previous step's
// action has returned. A step's action runs on its own turn of the event loop; a modal window it opens
// runs its loop inside it, and the steps that answer that window (inside) go on while it runs. A step
// that waits too long fails the session, and every window is answered so that the program's loop ends.
class Person {
public:
    Person() { QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); }); }

    void When(std::string what, std::function<bool()> ready, std::function<void()> act, bool inside = false)
    {
        steps_.push_back({std::move(what), std::move(ready), std::move(act), inside});
    }
    void Inside(std::string what, std::function<bool()> ready, std::function<void()> act)
    {
        When(std::move(what), std::move(ready), std::move(act), true);
    }
    void Do(std::string what, std::function<void()> act) { When(std::move(what), [] { return true; }, std::move(act)); }
    // The modal window titled `title` with every control of `form` on screen (its picture saved as `name`)
    // and `look` done on it, answered with its button `press`; once it has gone, `then`.
    template <class Form>
    void Answer(const QString& title, Form* const& form, const std::string& name, const char* press,
                std::function<void()> then, std::function<void(QWidget&)> look = [](QWidget&) {})
    {
        Inside(name, [title] { return screen::Window(title) != nullptr; }, [title, &form, name, press, look] {
            ExpectEveryControlOnScreen(*form, name);
            look(*screen::Window(title));
            ASSERT_TRUE(screen::Click(screen::Find(screen::Window(title), press))) << name << ": " << press;
        });
        When(name + " gone", [title] { return screen::Window(title) == nullptr; }, std::move(then));
    }
    void Start()
    {
        since_.start();
        timer_.start(10);
    }
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
        if ((step.inside || next_ == 0 || steps_[next_ - 1].returned) && step.ready()) {
            const std::size_t index = next_++;
            since_.restart();
            QTimer::singleShot(0, &timer_, [this, index] {
                steps_[index].act();
                steps_[index].returned = true;
            });
        } else if (since_.elapsed() > kStepLimitMs) {
            std::string seen;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); w->isVisible())
                    seen += "[" + w->windowTitle().toStdString() + (box ? ": " + box->text().toStdString() : "") + "] ";
            failures.push_back("waited in vain: " + step.what + "; on screen: " + seen);
            next_ = steps_.size();
            GiveUp();
        }
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
    for (QAction* top : bar->actions())
        if (top->text().remove(QLatin1Char('&')) == menu && screen::Click(bar, bar->actionGeometry(top).center())) {
            QCoreApplication::processEvents();
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : popup != nullptr ? popup->actions() : QList<QAction*>())
                if (action->text().section(QLatin1Char('\t'), 0, 0) == item && action->isEnabled())
                    return void(screen::Click(popup, popup->actionGeometry(action).center()));
        }
    ADD_FAILURE() << "no enabled menu item " << menu.toStdString() << " -> " << item.toStdString();
}

// Opens the combo box's list with a click on its arrow and clicks the first item that ends with the text.
void Choose(QComboBox* combo, const QString& ending)
{
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(screen::OpenList(combo)) << "the arrow";
    QAbstractItemView* list = combo->view();
    // Every item is shown whole: the list is as wide as its widest.
    for (int row = 0; row < list->model()->rowCount(); ++row)
        EXPECT_LE(list->fontMetrics().horizontalAdvance(list->model()->index(row, 0).data().toString()),
                  list->viewport()->width())
            << list->model()->index(row, 0).data().toString().toStdString();
    ASSERT_TRUE(screen::ClickItem(combo, ending)) << "no item ending with " << ending.toStdString();
}

// The page tree (pages) or the log of the main window.
QTreeWidget* Tree(bool pages)
{
    for (auto* tree : Main()->findChildren<QTreeWidget*>())
        if (screen::OnScreen(*tree) && pages == (tree->topLevelItemCount() > 0 && tree->topLevelItem(0)->text(0) == "Общие настройки"))
            return tree;
    return nullptr;
}

// Clicks the page the function picks in the page tree; false when there is no such page.
bool ChoosePage(const std::function<QTreeWidgetItem*(QTreeWidget&)>& pick)
{
    QTreeWidget* tree = Tree(true);
    QTreeWidgetItem* item = tree != nullptr ? pick(*tree) : nullptr;
    const bool clicked = item != nullptr && screen::Click(tree->viewport(), tree->visualItemRect(item).center());
    QCoreApplication::processEvents();
    return clicked;
}

using screen::Box;

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
    screen::Retype(screen::RightOf<QLineEdit>(dialog, "Имя файла:"), QString::fromStdString(path.string()));
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
    // More than the history grid shows at once: some rows of the page are never drawn.
    p.historyRecords = 40;
    return p;
}

// The real clock, which a person may move on: past the device writing its flash after an upload.
struct MovableClock final : platform::Clock {
    std::uint64_t NowMs() const override { return platform::SystemClock().NowMs() + ahead; }
    bool Pause(std::uint32_t ms, const ReadyProbe& ready = {}) override { return platform::SystemClock().Pause(ms, ready); }
    std::atomic<std::uint64_t> ahead{0};
};

class RealWindowProgram : public ::testing::Test {
protected:
    RealWindowProgram()
    {
        fs::create_directories(folder.path / "ports");
        fs::copy_file(fs::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder.path / "Messages.txt");
        // The access code shows the firmware update from a file and the status bar's progress bar.
        folder.Write("current.ini", "[Update]\r\nUpdatePanelVersion=" + std::string(TFormMain::AccessCode) + "\r\n");
        ::setenv(platform::kProgramFolderVariable, folder.path.c_str(), 1);
        fs::create_symlink(pty.SlavePath(), folder.path / "ports" / kPortLink);
        device.SetValue("o", kObject);
    }
    ~RealWindowProgram() override { ::unsetenv(platform::kProgramFolderVariable); }

    QApplication& qt = guitest::QtApp();
    testsupport::TempFolder folder;
    sim::Pty pty;
    sim::Communicator device{Profile(), platform::SystemClock(), std::time(nullptr)};
    sim::Line line{pty, device};
    MovableClock clock;
    ui::Application app{clock};
    gui::FrontEnd front{app};
    Person person;
};

TEST_F(RealWindowProgram, ConnectReadEveryPageExportTheHistoryDisconnectAndClose)
{
    Person& p = person;
    QWidget* dialog = nullptr;
    QSize full;
    p.When("the main window", [] { return Main() != nullptr; }, [&] {
        // Made for a larger screen, it fits the laptop's: the status bar and the log's end are on it.
        EXPECT_TRUE(Main()->screen()->availableGeometry().contains(Main()->frameGeometry()))
            << Main()->frameGeometry().height() << " high";
        ExpectEveryControlOnScreen(*FormMain, "main");
        // Pictures of the icon theme, in colour: the grey look of a disabled one stands apart.
        for (const char* hint : {"Подключиться", "Прочитать все настройки", "Записать настройки с данной страницы"}) {
            auto* tool = qobject_cast<QToolButton*>(Tool(hint));
            ASSERT_NE(tool, nullptr) << hint;
            EXPECT_EQ(tool->iconSize(), QSize(24, 24)) << hint;
            EXPECT_TRUE(Coloured(tool->icon().pixmap(tool->iconSize()).toImage())) << hint;
        }
        for (const char* action : {"Синхронизировать", "Включить оба выхода", "Отключить оба выхода", "Перезагрузить панель"})
            EXPECT_TRUE(Tool(action) != nullptr && !Enabled(action)) << action << " before any connection";
        // Over the log's bar the hot spot lights up and shows the hand, but only there: the log shows its
        // own arrow. A drag keeps the bar's cursor wherever the pointer goes until the button goes up.
        QWindow* window = Main()->windowHandle();
        const ui::TRect hs = FormMain->KitSplitter1->HotSpotRect();
        const QPoint spot = front.Windows().Widget(*FormMain->KitSplitter1)->mapTo(Main(), QPoint(hs.Left + 2, hs.Top + 1));
        const QPoint bar = spot - QPoint(40, 0), log = Tree(false)->mapTo(Main(), Tree(false)->rect().center());
        const auto lit = [spot] { return Main()->grab().toImage().pixel(spot) == qRgb(255, 255, 255); };
        QTest::mouseMove(window, log);
        QTest::mouseMove(window, spot);
        EXPECT_TRUE(lit() && window->cursor().shape() == Qt::PointingHandCursor) << "over the hot spot";
        QTest::mouseMove(window, log);
        EXPECT_TRUE(!lit() && window->cursor().shape() == Qt::ArrowCursor) << "the log has the hot spot's light or cursor";
        QTest::mousePress(window, Qt::LeftButton, {}, bar);
        QTest::mouseMove(window, log);
        EXPECT_EQ(window->cursor().shape(), Qt::SplitVCursor) << "the drag lost the bar's cursor";
        QTest::mouseMove(window, bar);
        QTest::mouseRelease(window, Qt::LeftButton, {}, bar);
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    // The key typed, Tab to "Автопоиск" and Enter: Enter presses OK, the default button, and the search
    // never starts.
    const auto typeKeyAndEnter = [](QWidget* dialog, const char* key) {
        screen::Retype(screen::RightOf<QLineEdit>(dialog, "Мастер-ключ:"), key);
        screen::Key(dialog, Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(screen::ShownText(*QApplication::focusWidget()), "Автопоиск");
        screen::Key(dialog, Qt::Key_Return);
    };
    const auto connect = [&](const std::string& what, const char* key = kMasterKey) {
        p.Inside(what, [&] { return (dialog = screen::Window("Подключение к панели")) != nullptr; }, [&, key] {
            auto* ports = screen::RightOf<QComboBox>(dialog, "Com-порт:");
            Choose(ports, kPortLink);
            ASSERT_NE(ports->lineEdit(), nullptr);
            EXPECT_EQ(ports->lineEdit()->cursorPosition(), 0) << "the chosen port's name is shown from its start";
            ASSERT_TRUE(screen::Click(screen::Find(dialog, "Кабель программирования")));
            typeKeyAndEnter(dialog, key);
        });
    };
    // Cancel first, then the real connect.
    p.Answer("Подключение к панели", FormConnect, "connect", "Cancel", [] {
        EXPECT_TRUE(Enabled("Подключиться"));
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    // A wrong key first: a box says so, and the dialog comes again with the port and the line kept.
    connect("the connect dialog again", "0000");
    p.Inside("the refused key's box", [] { return Box("Неверный мастер-ключ") != nullptr; }, [] {
        ASSERT_TRUE(screen::Click(screen::Find(Box("Неверный мастер-ключ"), "OK")));
    });
    p.Inside("the connect dialog once more", [&] { return (dialog = screen::Window("Подключение к панели")) != nullptr; }, [&] {
        EXPECT_TRUE(screen::RightOf<QComboBox>(dialog, "Com-порт:")->currentText().endsWith(kPortLink));
        typeKeyAndEnter(dialog, kMasterKey);
    });
    p.When("connected", [] { return Enabled("Отключиться") && !Enabled("Подключиться"); }, [&] {
        EXPECT_TRUE(device.LoggedIn()) << "the typed master key opened the device";
        ASSERT_TRUE(screen::Click(Tool("Прочитать все настройки")));
    });
    // Esc on the progress window stops the read; the status bar says so. The second read goes through.
    p.Inside("the progress window", [] { return screen::Window("Прогресс") != nullptr; }, [] {
        screen::Key(screen::Window("Прогресс"), Qt::Key_Escape);
    });
    p.When("the read stopped", [] { return Enabled("Прочитать все настройки"); }, [] {
        EXPECT_TRUE(FormMain->StatusText(TFormMain::PanelOutcome).starts_with("Чтение прервано: прочитан"))
            << FormMain->StatusText(TFormMain::PanelOutcome);
        ASSERT_TRUE(screen::Click(Tool("Прочитать все настройки")));
    });
    p.When("everything read", [] { return Enabled("Прочитать все настройки"); }, [] {
        EXPECT_EQ(FormMain->StatusText(TFormMain::PanelOutcome), "Прочитано 8 страниц, ошибок нет");
    });

    // Every page, chosen in the page tree once everything is read.
    for (int page = 0; page < 9; ++page)
        p.Do("page " + std::to_string(page), [&, page] {
            if (!ChoosePage([page](QTreeWidget& tree) { return tree.topLevelItem(page); })) return;
            ExpectEveryControlOnScreen(*FormMain, "page-" + std::to_string(page + 1));
            EXPECT_TRUE(page != 0 || screen::Find(Main(), kObject) != nullptr) << "the object number read";
        });
    const auto choosePage = [](const QString& title) {
        EXPECT_TRUE(ChoosePage([&](QTreeWidget& tree) { return tree.findItems(title, Qt::MatchExactly).value(0); }))
            << title.toStdString();
    };
    // Typed as a person types, with the main window around the field: the blank and the capital letter
    // reach the text, the port field's filter keeps digits only.
    p.Do("typing into the GPRS page", [&] {
        choosePage("Настройка GPRS");
        screen::Retype(screen::RightOf<QLineEdit>(Main(), "Порт сервера"), "A5Z");
        screen::Retype(screen::RightOf<QLineEdit>(Main(), "Имя пользователя GPRS"), "Ab c");
        EXPECT_EQ(formGPRS->etSIM1Port->Text(), "5");
        EXPECT_EQ(formGPRS->SimEdit(1, "Login")->Text(), "Ab c");
    });
    const fs::path sheet = folder.path / "history.xls";
    p.Do("the history page", [&] {
        choosePage("История");
        ASSERT_TRUE(screen::Click(Tool("Прочитать настройки с данной страницы")));
    });
    p.When("the history read", [] { return Enabled("Прочитать настройки с данной страницы"); }, [] {
        ASSERT_TRUE(screen::Click(screen::Find(Main(), "Экспорт в Excel истории, прочитанной за данный сеанс связи")));
    });
    p.Inside("the save dialog", [] { return FileDialog() != nullptr; }, [&] {
        EXPECT_TRUE(screen::Shot(FileDialog(), "save-dialog"));
        EXPECT_EQ(FileDialog()->nameFilters(), QStringList{"Microsoft Excel(*.xls)"});
        AnswerFileDialog(sheet, "Сохранить");
    });
    p.When("the session exported", [&] { return fs::exists(sheet) && FileDialog() == nullptr; }, [] {
        ASSERT_TRUE(screen::Click(screen::Find(Main(), "Экспорт в Excel открытой страницы истории")));
    });
    p.Inside("the save dialog again", [] { return FileDialog() != nullptr; }, [&] { AnswerFileDialog(folder.path / "page.xls", "Сохранить"); });

    // As small as the window goes: the model's least size, where the page area scrolls.
    p.When("the page exported", [&] { return fs::exists(folder.path / "page.xls") && FileDialog() == nullptr; }, [&] {
        choosePage("Шлейфы");
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
            if (screen::OnScreen(*bar) && bar->orientation() == Qt::Vertical && bar->parentWidget()->parentWidget()->inherits("QScrollArea"))
                scroll = bar;
        ASSERT_NE(scroll, nullptr) << "the page area does not scroll";
        // A wheel turned over a value of the page scrolls the page and leaves the value as it was.
        QComboBox* value = screen::RightOf<QComboBox>(Main(), "Шлейф разомкнут");
        ASSERT_NE(value, nullptr);
        const std::string shown = value->currentText().toStdString();
        screen::Wheel(Main(), value->mapTo(Main(), value->visibleRegion().boundingRect().center()));
        EXPECT_EQ(value->currentText().toStdString(), shown);
        EXPECT_GT(scroll->value(), 0) << "the page did not scroll";
        Main()->resize(full);
        ASSERT_TRUE(screen::Click(Tool("Отключиться")));
    });
    // Another device: an Altonika panel, whose common page numbers objects by the kit's radio buttons.
    p.When("disconnected", [] { return Enabled("Подключиться"); }, [&] {
        EXPECT_EQ(line.Requests().back(), "+reset") << "the disconnect command resets the device first";
        device.SetValue("typepan", "00");
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    connect("the connect dialog for the Altonika panel");
    p.When("the Altonika panel connected", [] { return Enabled("Отключиться"); }, [] {
        ExpectEveryControlOnScreen(*FormMain, "page-1-altonika");
        QWidget* first = screen::Find(Main(), "НО Альтоники записывать в НО  7QX3");
        ASSERT_TRUE(screen::Click(first));
        const QImage box = first->parentWidget()->grab().toImage();
        EXPECT_EQ(box.pixel(1, box.height() / 2), qRgb(255, 255, 255)) << "the light line of an etched frame";
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Left, Qt::Key_Up}) screen::Key(Main(), key);
        EXPECT_TRUE(FormCommon->KitRadioButton3->Checked()) << "down, back up, and up round the group";
        // Tab from the object number reaches each radio group once, at its checked button, and the master
        // key after them; Shift+Tab comes back into the kit's group, and so does Alt with its letter.
        const auto focused = [] { return FormMain->ActiveControl() != nullptr ? FormMain->ActiveControl()->Name() : ""; };
        // The window a person types into is the active one (offscreen windows are not activated by themselves).
        Main()->activateWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(screen::Click(screen::RightOf<QLineEdit>(Main(), "Номер объекта")));
        std::vector<std::string> stops;
        for (int i = 0; i < 20 && focused() != "MKEdit"; ++i) {
            screen::Key(Main(), Qt::Key_Tab);
            stops.push_back(focused());
        }
        const auto stopsAt = [&](const char* name) { return std::count(stops.begin(), stops.end(), name); };
        EXPECT_EQ(std::vector<long>({stopsAt("rbSlowCID1"), stopsAt("rbSlowCID2"), stopsAt("KitRadioButton1"),
                                     stopsAt("KitRadioButton3"), stopsAt("MKEdit")}),
                  std::vector<long>({1, 0, 0, 1, 1}))
            << testing::PrintToString(stops);
        EXPECT_TRUE(Main()->testAttribute(Qt::WA_KeyboardFocusChange)) << "the focus is drawn where Tab took it";
        screen::Key(Main(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), "KitRadioButton3");
        ASSERT_TRUE(screen::Click(screen::RightOf<QLineEdit>(Main(), "Номер объекта")));
        ASSERT_EQ(focused(), "etO");
        QTest::sendKeyEvent(QTest::Click, Main()->focusWidget(), Qt::Key(0x041D), QString::fromUtf8("н"), Qt::AltModifier);
        EXPECT_EQ(focused(), "KitRadioButton3") << "Alt+Н does what the group's caption promises";
        // The arrows move through a standard group too, checking as they go.
        screen::Key(Main(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focused(), "rbSlowCID1");
        screen::Key(Main(), Qt::Key_Down);
        EXPECT_EQ(focused() + (FormCommon->rbSlowCID2->Checked() ? " checked" : ""), "rbSlowCID2 checked");
        screen::Key(Main(), Qt::Key_Up);
        EXPECT_TRUE(FormCommon->rbSlowCID1->Checked());
        Menu("Панель", "Обновление версии прошивки из файла");
    });
    // A firmware file picked with the mouse and taken with Enter (which opens no second picker).
    const auto update = [] { return screen::Window("Обновление версии прошивки"); };
    p.Inside("the firmware window", [&] { return update() != nullptr; }, [&] {
        ExpectEveryControlOnScreen(*formUpdateInsertion, "firmware-file");
        EXPECT_EQ(screen::Find(update(), "Help"), nullptr) << "a help button with no help to give";
        ASSERT_TRUE(screen::Click(screen::Find(update(), "...")));
    });
    const std::string hex = folder.Write("new.hex", ":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n");
    p.Inside("the open dialog", [] { return FileDialog() != nullptr; }, [&] {
        EXPECT_EQ(FileDialog()->nameFilters(), QStringList{"HEX FILES (*.hex)"}) << "the mask shown once";
        AnswerFileDialog(hex, "Открыть");
    });
    p.Inside("the file read", [&] { return FileDialog() == nullptr && !formUpdateInsertion->etPath->Text().empty(); }, [&] {
        EXPECT_TRUE(screen::Shot(update(), "firmware-file-read"));
        screen::Key(update(), Qt::Key_Return);
    });
    p.Inside("the flash written", [] { return FormMain->KitProgressBar1->PartsComplete() > 3; }, [&] { clock.ahead += 15'000; });
    // The upload ends with the bar full and the word why the link closes.
    p.When("the device restarted", [] {
        return Enabled("Подключиться") && !Tree(false)->findItems("Прошивка обновлена. Панель перезапускается", Qt::MatchStartsWith).empty();
    }, [] {
        EXPECT_EQ(FormMain->KitProgressBar1->PartsComplete(), FormMain->KitProgressBar1->TotalParts());
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    // A new connection starts with an empty bar.
    connect("the connect dialog after the upload");
    p.When("connected after the upload", [] { return Enabled("Отключиться"); }, [] {
        EXPECT_EQ(FormMain->KitProgressBar1->PartsComplete(), 0u);
        Menu("Помощь", "О программе");
    });
    // Esc closes the About window.
    p.Inside("about", [] { return screen::Window("О программе") != nullptr; }, [] {
        ExpectEveryControlOnScreen(*FormAbout, "about");
        const QRgb banner = screen::Window("О программе")->grab().toImage().pixel(2, 2);
        EXPECT_GT(qBlue(banner), qRed(banner) + 40) << "the blue banner across the top";
        screen::Key(screen::Window("О программе"), Qt::Key_Escape);
    });
    p.When("about gone", [] { return screen::Window("О программе") == nullptr; }, [] { Menu("Файл", "Выход"); });

    const int exitCode = RunProgram([&] {
        p.Start();
        return front.Run();
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(p.failures.empty()) << testing::PrintToString(p.failures);
    EXPECT_TRUE(p.Finished());
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_GT(fs::file_size(sheet), 0u);
    EXPECT_EQ(folder.Read("page.xls"), folder.Read("history.xls")) << "the page exports what the session's one page does";
    EXPECT_NE(folder.Read("current.ini").find(std::string("=") + kObject), std::string::npos)
        << "the pages are saved on close";
    EXPECT_NE(folder.Read("current.ini").find("Maximized=0"), std::string::npos) << "and the window's place";
}

// The window opens where it stood at the last close, as large, and maximised if it was; restored, it goes
// back to that place; moved and maximised again, the next close keeps the new place.
TEST_F(RealWindowProgram, TheMainWindowOpensWhereItClosedAndMaximisedIfItWas)
{
    folder.Write("current.ini", "[formMain]\r\nLeft=60\r\nTop=40\r\nWidth=900\r\nHeight=560\r\nMaximized=1\r\n");
    Person& p = person;
    p.When("the main window", [] { return Main() != nullptr; }, [] {
        EXPECT_TRUE(Main()->isMaximized());
        Main()->showNormal();
    });
    p.When("restored", [] { return !Main()->isMaximized(); }, [] {
        EXPECT_EQ(Main()->pos(), QPoint(60, 40));
        EXPECT_EQ(Main()->size(), QSize(900, 560 + Main()->findChild<QMenuBar*>()->height()));
        Main()->move(100, 80);
        Main()->showMaximized();
    });
    p.When("maximised again", [] { return Main()->isMaximized(); }, [] { Menu("Файл", "Выход"); });
    EXPECT_EQ(RunProgram([&] {
                  p.Start();
                  return front.Run();
              }),
              0);
    EXPECT_TRUE(p.failures.empty()) << testing::PrintToString(p.failures);
    for (const char* key : {"Left=100", "Top=80", "Width=900", "Height=560", "Maximized=1"})
        EXPECT_NE(folder.Read("current.ini").find(key), std::string::npos) << key << " in " << folder.Read("current.ini");
}


// The history page on screen.
QWidget* HistoryPage(gui::FrontEnd& front) { return front.Windows().Widget(*FormHistory); }

bool Pressable(QWidget* page, const char* caption)
{
    QWidget* button = screen::Find(page, caption);
    return button != nullptr && button->isEnabled();
}

// The history page's device buttons as a person sees them: '1' for each that can be pressed.
std::string HistoryButtons(QWidget* page)
{
    std::string flags;
    for (const char* caption : {"<< Назад", "Вперед >>", "Очистить", "Экспорт в Excel открытой страницы истории",
                                "Экспорт в Excel истории, прочитанной за данный сеанс связи", "Start", "Finish"})
        flags += Pressable(page, caption) ? "1" : "0";
    return flags;
}

TEST_F(RealWindowProgram, TheHistoryPageKeepsItsButtonsOutOfOperationsMarksWhatItCouldNotReadDownloadsAndEmpties)
{
    // The service controls of the text download are shown.
    folder.Write("current.ini", "[FormHistory]\r\nHistoryInFile=1\r\n");
    Person& p = person;
    const auto buttons = [this] { return HistoryButtons(HistoryPage(front)); };
    const auto showHistory = [] {
        EXPECT_TRUE(ChoosePage([](QTreeWidget& tree) { return tree.findItems("История", Qt::MatchExactly).value(0); }));
    };
    // A refused record costs its attempts' whole time-outs, which the cable worker waits out without
    // window events: the clock is moved on past them from beside the program.
    std::atomic<bool> hurrying{false}, done{false};
    std::thread hurry([&] {
        while (!done) {
            const std::vector<std::string> requests = line.Requests();
            if (hurrying && !requests.empty() && (requests.back() == "+read0014" || requests.back() == "+read001E"))
                clock.ahead += 1000;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    p.When("the main window", [] { return Main() != nullptr; }, [&] {
        showHistory();
        EXPECT_EQ(buttons(), "0000000") << "nothing to act on before a connection";
        ASSERT_TRUE(screen::Click(Tool("Подключиться")));
    });
    p.Inside("the connect dialog", [] { return screen::Window("Подключение к панели") != nullptr; }, [] {
        QWidget* dialog = screen::Window("Подключение к панели");
        Choose(screen::RightOf<QComboBox>(dialog, "Com-порт:"), kPortLink);
        screen::Retype(screen::RightOf<QLineEdit>(dialog, "Мастер-ключ:"), kMasterKey);
        ASSERT_TRUE(screen::Click(screen::Find(dialog, "OK")));
    });
    p.When("connected", [] { return Enabled("Отключиться"); }, [&] {
        showHistory();
        EXPECT_EQ(buttons(), "1111110");
        ASSERT_TRUE(screen::Click(Tool("Прочитать все настройки")));
    });
    // Read-all reaches the history page: nothing on it can be pressed meanwhile, so no box can open
    // beneath the progress window.
    p.Inside("the history page read within read-all", [] {
        return FormProgress != nullptr && FormMain->FormsController->CurrentPage == FormHistory;
    }, [&] {
        EXPECT_EQ(buttons(), "0000000");
        EXPECT_TRUE(screen::Shot(Main(), "history-during-read-all"));
    });
    const std::string file = (folder.path / "История.txt").string();
    p.When("read-all done", [] { return Enabled("Прочитать все настройки"); }, [&] {
        EXPECT_EQ(buttons(), "1111110");
        ExpectEveryControlOnScreen(*FormMain, "history");
        // The delivery columns, scrolled to: the marks read on every row's colour.
        ui::TStringGrid& grid = *FormHistory->StringGrid1;
        grid.SetLeftCol(grid.MaxLeftCol());
        front.Windows().Flush();
        QCoreApplication::processEvents();
        EXPECT_TRUE(screen::Shot(front.Windows().Widget(grid), "history-marks"));
        grid.SetLeftCol(0);
        ASSERT_TRUE(screen::Click(screen::Find(HistoryPage(front), "Start")));
    });
    // The download shows its progress; only "Finish" can be pressed, and "<< Назад" leaves the page be.
    p.Inside("the download under way", [] { return FormProgress != nullptr && FormProgress->Visible(); }, [&] {
        EXPECT_EQ(buttons(), "0000001");
        const std::string newest = FormHistory->StringGrid1->Cells(0, 1);
        screen::Click(screen::Find(HistoryPage(front), "<< Назад"));
        EXPECT_EQ(FormHistory->StringGrid1->Cells(0, 1), newest);
        EXPECT_TRUE(FormHistory->StateText().starts_with("Выгрузка истории в файл: записано записей "));
        EXPECT_NE(screen::Find(Main(), gui::ToQt(FormHistory->StateText())), nullptr) << "the note on screen";
        EXPECT_TRUE(screen::Shot(Main(), "history-download"));
    });
    p.Inside("the download's end", [] { return Box("История выгружена") != nullptr; }, [file] {
        QMessageBox* box = Box("История выгружена");
        EXPECT_EQ(box->text().toStdString(), "История выгружена: в файл \"" + file + "\" записано записей: 40 (с 39 по 0).");
        EXPECT_TRUE(screen::Shot(box, "history-download-done"));
        ASSERT_TRUE(screen::Click(screen::Find(box, "OK")));
    });
    // Two records the device refuses: the page marks them, the error window counts them.
    p.When("the download done", [&] { return Box("История выгружена") == nullptr && Pressable(HistoryPage(front), "Start"); }, [&] {
        EXPECT_EQ(std::ranges::count(testsupport::ReadFile(folder.path / "История.txt"), '\n'), 80);
        for (const char* record : {"+read0014", "+read001E"}) line.AddFault(record, {sim::FaultKind::Nok}, 3);
        hurrying = true;
        ASSERT_TRUE(screen::Click(Tool("Прочитать настройки с данной страницы")));
    });
    p.Inside("the error window", [] { return screen::Window("Ошибки") != nullptr; }, [] {
        QWidget* errors = screen::Window("Ошибки");
        EXPECT_NE(screen::Find(errors, "2"), nullptr) << "two records counted";
        EXPECT_TRUE(screen::Shot(errors, "history-unread-errors"));
        errors->close();
    });
    p.When("the page with its unread records", [] { return screen::Window("Ошибки") == nullptr && Enabled("Прочитать все настройки"); }, [&] {
        hurrying = false;
        int marked = 0;
        for (int row = 1; row <= 32; ++row) marked += FormHistory->StringGrid1->Cells(5, row) == "Ошибка чтения записи" ? 1 : 0;
        EXPECT_EQ(marked, 2);
        EXPECT_TRUE(screen::Shot(Main(), "history-unread"));
        ASSERT_TRUE(screen::Click(screen::Find(HistoryPage(front), "Очистить")));
    });
    for (const char* question : {"Вы уверены", "Её невозможно", "Точно?"})
        p.Inside(question, [question] { return Box(question) != nullptr; }, [question] {
            ASSERT_TRUE(screen::Click(screen::Find(Box(question), "Да")));
        });
    // An erased history: no rows, and the page says the history is empty, also when read again.
    p.When("erased", [] { return FormHistory->StateText() == "История пуста" && Enabled("Прочитать все настройки"); }, [] {
        ASSERT_TRUE(screen::Click(Tool("Прочитать настройки с данной страницы")));
    });
    p.When("the empty history read", [this] {
        const std::vector<std::string> requests = line.Requests();
        return Enabled("Прочитать все настройки") && requests.back() == "+read5FF3";
    }, [] {
        EXPECT_NE(screen::Find(Main(), "История пуста"), nullptr);
        EXPECT_EQ(FormHistory->StringGrid1->Cells(0, 1), "");
        EXPECT_TRUE(screen::Shot(Main(), "history-empty"));
        ASSERT_TRUE(screen::Click(Tool("Отключиться")));
    });
    p.When("disconnected", [] { return Enabled("Подключиться"); }, [&] {
        EXPECT_EQ(buttons(), "0000000") << "a download that cannot run is not offered";
        Menu("Файл", "Выход");
    });

    const int exitCode = RunProgram([&] {
        p.Start();
        return front.Run();
    });
    done = true;
    hurry.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(p.failures.empty()) << testing::PrintToString(p.failures);
    EXPECT_TRUE(p.Finished());
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

// The error window shows the longest lines whole, within the screen, and Esc or Enter closes it.
TEST_F(RealWindowDialogs, TheErrorWindowShowsEachLineWholeAndClosesOnEscOrEnter)
{
    const QString lost = QString::fromUtf8("Связь с устройством потеряна. Не прочитаны страницы: \"Общие настройки\", "
                                           "\"Системные события и автотесты\", \"Каналы связи\", \"Шлейфы\"");
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        auto* errors = ui::Create<TFormErrors>(&scope.App(), "FormErrors");
        errors->ShowList({"Неверный мастер-ключ", lost.toStdString()});
        QTimer answer;
        answer.setSingleShot(true);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* window = screen::Window("Ошибки");
            ASSERT_NE(window, nullptr);
            auto* list = window->findChild<QTreeWidget*>();
            ASSERT_NE(list, nullptr);
            EXPECT_GE(list->columnWidth(0), list->fontMetrics().horizontalAdvance(lost));
            EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << "no line needs scrolling sideways";
            EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
            EXPECT_TRUE(screen::Shot(window, "errors-long"));
            screen::Key(window, key);
        });
        answer.start(0);
        // A key that closes nothing leaves the window to this.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [errors] { errors->SetModalResult(ui::mrAbort); });
        giveUp.start(5000);
        EXPECT_NE(errors->ShowModal(), ui::mrAbort) << "key " << key;
        ui::Free(errors);
    }
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
    QElapsedTimer waited;
    waited.start();
    while (ticks == 0 && waited.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(ticks, 1);
    ui::Free(timer);
}

}  // namespace
