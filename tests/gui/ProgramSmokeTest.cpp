// The whole program, started through its own entry in this process with the Qt front end under the
// offscreen platform and the system clock, against the simulated communicator on a pseudo-terminal
// in the program's ports folder. The test acts only through the Qt widgets, as a user would: connect
// through the real dialog, read every page, look at the window, disconnect and close.
#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "app/Sorvel7QX3.h"
#include "app/fCommon.h"
#include "app/fConnect.h"
#include "app/fGPRS.h"
#include "app/fMain.h"
#include "gui/Convert.h"
#include "gui/FrontEnd.h"
#include "kit/KitPrgres.h"
#include "kit/KitSplit.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "ui/Application.h"

namespace {

// Everything a step waits for comes within this much real time, or the step has failed.
constexpr qint64 kStepLimitMs = 20'000;

// A device nobody would mistake for the program's defaults.
constexpr const char* kObject = "1A2B";
constexpr const char* kMasterKey = "7319";
constexpr const char* kVersion = "REV 11.005.121";
constexpr const char* kApn = "smoke.apn.test";
// Signal 21 of 31, 3 errors of 7.
constexpr const char* kSignal = "1503";
constexpr const char* kPortLink = "sim-smoke";

sim::DeviceProfile SmokeProfile()
{
    sim::DeviceProfile p;
    p.version = kVersion;
    p.panel = sim::PanelKind::Altonika;
    p.masterKey = kMasterKey;
    p.historyRecords = 20;
    return p;
}

// Runs Qt's events (and through the pump the model's) until the condition holds or the limit passed.
bool PumpUntil(const std::function<bool()>& done, qint64 limitMs = kStepLimitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QWidget* VisibleModalWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowModality() != Qt::NonModal) return w;
    return nullptr;
}

// Whether the text, drawn in the font and ink on the paper, appears pixel for pixel in the area of the
// image: what a reader of the window would see there.
bool ShowsText(const QImage& shot, const QRect& area, const QString& text, const QFont& font, QColor ink, QColor paper)
{
    const QFontMetrics metrics(font);
    QImage sample(metrics.horizontalAdvance(text) + 4, metrics.height() + 4, QImage::Format_RGB32);
    sample.fill(paper);
    {
        QPainter painter(&sample);
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QPoint(2, 2 + metrics.ascent()), text);
    }
    QRect inked;
    for (int y = 0; y < sample.height(); ++y)
        for (int x = 0; x < sample.width(); ++x)
            if (sample.pixel(x, y) != paper.rgb()) inked |= QRect(x, y, 1, 1);
    if (inked.isEmpty()) return false;
    const QImage glyphs = sample.copy(inked);
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    const QRect within = area.intersected(image.rect());
    const auto matchesAt = [&](int left, int top) {
        for (int y = 0; y < glyphs.height(); ++y)
            for (int x = 0; x < glyphs.width(); ++x)
                if (image.pixel(left + x, top + y) != glyphs.pixel(x, y)) return false;
        return true;
    };
    for (int top = within.top(); top + glyphs.height() <= within.bottom() + 1; ++top)
        for (int left = within.left(); left + glyphs.width() <= within.right() + 1; ++left)
            if (matchesAt(left, top)) return true;
    return false;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ProgramSmokeTest : public ::testing::Test {
protected:
    ProgramSmokeTest()
    {
        folder = std::filesystem::temp_directory_path() / ("gui-smoke-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "ports");
        std::filesystem::copy_file(std::filesystem::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt",
                                   folder / "Messages.txt");
        // The access code shows the status bar's progress bar, so that the picture holds it too.
        std::ofstream(folder / "current.ini") << "[Update]\r\nUpdatePanelVersion=" << TFormMain::AccessCode << "\r\n";
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
        std::filesystem::create_symlink(pty.SlavePath(), folder / "ports" / kPortLink);
        device.SetValue("o", kObject);
        device.SetValue("GAPN0", kApn);
        device.SetValue("U", kSignal);
        // At once: at line pace the cable worker ends the APN's reply at the "ok" inside "smoke".
        line.SetLineSpeed(0);
        watcher.setInterval(10);
        QObject::connect(&watcher, &QTimer::timeout, [this] { AnswerModalWindows(); });
        watcher.start();
    }
    ~ProgramSmokeTest() override
    {
        watcher.stop();
        ::unsetenv(platform::kProgramFolderVariable);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    QWidget* WidgetOf(const ui::TControl& control) { return front.Windows().Widget(control); }
    template <class T>
    T* WidgetAs(const ui::TControl& control)
    {
        return dynamic_cast<T*>(WidgetOf(control));
    }

    // Answers the windows the program shows modally while a step runs: the connect dialog as the user
    // fills it in, every message box with its affirmative button (its text is kept). Past the time limit
    // any modal window is closed, so that a step that hangs ends and fails.
    void AnswerModalWindows()
    {
        QWidget* modal = VisibleModalWindow();
        if (modal == nullptr) {
            modalSince.invalidate();
            return;
        }
        if (!modalSince.isValid()) modalSince.start();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.push_back(box->text().toStdString());
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            if (yes == nullptr) yes = box->button(QMessageBox::Ok);
            if (yes != nullptr) yes->click();
            else box->reject();
            return;
        }
        auto* dialog = ui::As<TFormConnect>(front.Windows().Control(modal));
        if (dialog != nullptr && !connectAnswered) {
            connectAnswered = true;
            FillConnectDialog(*dialog);
            return;
        }
        if (modalSince.elapsed() > kStepLimitMs) {
            stuck.push_back(modal->windowTitle().toStdString());
            if (ui::TForm* form = ui::As<ui::TForm>(front.Windows().Control(modal))) form->SetModalResult(ui::mrCancel);
        }
    }

    // The simulated port picked from the list, the cable ticked, the master key typed, then "OK".
    void FillConnectDialog(TFormConnect& dialog)
    {
        auto* ports = WidgetAs<QComboBox>(*dialog.ComPorts);
        ASSERT_NE(ports, nullptr);
        shownPorts = ports->count();
        const int index = ports->findText(QString(kPortLink), Qt::MatchEndsWith);
        ASSERT_GE(index, 0) << "the simulated port is not offered";
        ports->setCurrentIndex(index);
        Q_EMIT ports->activated(index);

        auto* cable = WidgetAs<QRadioButton>(*dialog.rb1);
        ASSERT_NE(cable, nullptr);
        cable->click();

        auto* key = WidgetAs<QLineEdit>(*dialog.MKEdit);
        ASSERT_NE(key, nullptr);
        key->setFocus();
        key->selectAll();
        guitest::Type(key, kMasterKey);

        QWidget* ok = WidgetOf(*dialog.KitDialogButtons1->ButtonOk());
        ASSERT_NE(ok, nullptr);
        ASSERT_TRUE(ok->isVisible());
        guitest::ClickAt(ok, ok->rect().center());
    }

    bool Connected() const { return FormMain != nullptr && !FormMain->tbConnect->Enabled(); }

    // The user's session inside the program's event loop; whatever happens, the window closes at the
    // end so that the loop ends.
    void Session()
    {
        UserSession();
        if (FormMain != nullptr && !ui::App().Terminated()) WidgetOf(*FormMain)->close();
        if (!ui::App().Terminated()) QCoreApplication::exit(1);
    }

    void UserSession()
    {
        TFormMain& main = *FormMain;
        QWidget* window = WidgetOf(main);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(PumpUntil([window] { return window->isVisible(); }));

        // Connect: "Подключиться", the dialog answered from inside its modal loop.
        auto* connect = WidgetAs<QToolButton>(*main.tbConnect);
        ASSERT_NE(connect, nullptr);
        connect->click();
        ASSERT_TRUE(PumpUntil([this] { return Connected(); })) << "no connection; boxes: " << boxes.size();
        EXPECT_FALSE(connect->isEnabled());
        EXPECT_TRUE(connectAnswered);
        EXPECT_GE(shownPorts, 1);
        EXPECT_EQ(FormConnect, nullptr);
        EXPECT_EQ(device.Requests().at(0), "CABLE CONNECT");
        EXPECT_TRUE(device.LoggedIn()) << "the typed master key opened the device";
        EXPECT_EQ(main.StatusText(TFormMain::PanelVersion), kVersion);

        // Read every page.
        auto* readAll = WidgetAs<QToolButton>(*main.tbReadAll);
        ASSERT_NE(readAll, nullptr);
        ASSERT_TRUE(PumpUntil([readAll] { return readAll->isEnabled(); }));
        readAll->click();
        ASSERT_TRUE(PumpUntil([&] { return readAll->isEnabled() && FormCommon->etO->Text() == kObject; }));
        EXPECT_TRUE(boxes.empty()) << boxes.front();

        // The common page in front, chosen in the page tree.
        auto* tree = WidgetAs<QTreeWidget>(*main.tv1);
        ASSERT_NE(tree, nullptr);
        tree->setCurrentItem(tree->topLevelItem(0));
        QWidget* common = WidgetOf(*FormCommon);
        ASSERT_TRUE(PumpUntil([common] { return common->isVisible(); }));
        front.Windows().Flush();
        QCoreApplication::processEvents();

        Look(main);

        // Disconnect and close.
        auto* disconnect = WidgetAs<QToolButton>(*main.tbDisconnect);
        ASSERT_NE(disconnect, nullptr);
        disconnect->click();
        ASSERT_TRUE(PumpUntil([this] { return FormMain->tbConnect->Enabled(); }));
        EXPECT_EQ(line.Requests().back(), "+reset") << "the disconnect command resets the device first";
        window->close();
        EXPECT_TRUE(ui::App().Terminated());
    }

    // The screenshot, and what it must show.
    void Look(TFormMain& main)
    {
        QWidget* window = WidgetOf(main);
        const QImage shot = window->grab().toImage();
        png = std::filesystem::current_path() / "sorvel7qx3-smoke.png";
        EXPECT_TRUE(shot.save(QString::fromStdString(png.string())));

        auto* object = WidgetAs<QLineEdit>(*FormCommon->etO);
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(object->isVisible());
        EXPECT_EQ(object->text(), QString(kObject));
        EXPECT_EQ(WidgetAs<QLineEdit>(*FormCommon->etSignal)->text(), QString("21"));
        EXPECT_EQ(WidgetAs<QLineEdit>(*FormCommon->etError)->text(), QString("3"));
        EXPECT_EQ(WidgetAs<QLineEdit>(*formGPRS->etSIM1ADDR)->text(), QString(kApn)) << "a page not in front";
        EXPECT_EQ(FormCommon->PSignal->PartsComplete(), 21u);

        // The kit's bars are painted surfaces that show their Paint bitmaps.
        for (const ui::TControl* bar : {static_cast<ui::TControl*>(FormCommon->PSignal),
                                        static_cast<ui::TControl*>(FormCommon->PEr),
                                        static_cast<ui::TControl*>(main.KitProgressBar1)}) {
            QWidget* w = WidgetOf(*bar);
            ASSERT_NE(w, nullptr) << bar->Name();
            EXPECT_TRUE(w->isVisible()) << bar->Name();
            EXPECT_EQ(w->size(), QSize(bar->Width(), bar->Height())) << bar->Name();
        }

        // The splitters stand between tree, pages and log, each bar with its hot spot's grip drawn.
        EXPECT_EQ(WidgetOf(*FormCommon)->parentWidget(), WidgetOf(*main.PagesPane));
        for (const TKitSplitter* splitter : {main.KitSplitter1, main.kitCntSpl}) {
            QWidget* w = WidgetOf(*splitter);
            ASSERT_NE(w, nullptr) << splitter->Name();
            EXPECT_TRUE(w->isVisible()) << splitter->Name();
            EXPECT_EQ(w->size(), QSize(splitter->Width(), splitter->Height())) << splitter->Name();
            const ui::TRect spot = splitter->HotSpotRect();
            const QImage grip = w->grab(QRect(spot.Left, spot.Top, spot.Width(), spot.Height())).toImage();
            std::set<QRgb> colours;
            for (int y = 0; y < grip.height(); ++y)
                for (int x = 0; x < grip.width(); ++x) colours.insert(grip.pixel(x, y));
            EXPECT_GE(colours.size(), 3u) << splitter->Name() << ": no grip on the bar in " << png;
        }

        // The status bar's widget shows the version the device reported, in the bar's own font.
        const ui::TStatusBar& bar = *main.StatusBar1;
        QWidget* status = WidgetOf(bar);
        ASSERT_NE(status, nullptr);
        const QImage strip = status->grab().toImage();
        const ui::TRect panel = bar.PanelRect(TFormMain::PanelVersion);
        const QRect area(panel.Left, panel.Top, panel.Width(), panel.Height());
        const QFont font = gui::ToQFont(bar.Font());
        const QColor ink = gui::ToQColor(bar.Font().Color());
        const QColor paper = gui::ToQColor(bar.Color());
        EXPECT_TRUE(ShowsText(strip, area, kVersion, font, ink, paper)) << "version panel in " << png;
        EXPECT_FALSE(ShowsText(strip, area, "REV 11.005.120", font, ink, paper)) << "the check tells texts apart";
    }

    QApplication& qt = guitest::QtApp();
    std::filesystem::path folder;
    sim::Pty pty;
    sim::Communicator device{SmokeProfile(), platform::SystemClock(), std::time(nullptr)};
    sim::Line line{pty, device};
    // The program's own application: the system clock, as the program runs.
    ui::Application app{platform::SystemClock()};
    gui::FrontEnd front{app};
    QTimer watcher;
    QElapsedTimer modalSince;
    bool connectAnswered = false;
    int shownPorts = 0;
    std::vector<std::string> boxes;
    std::vector<std::string> stuck;
    std::filesystem::path png;
};

TEST_F(ProgramSmokeTest, ConnectsReadsEveryPageShowsTheValuesAndSavesThemOnClose)
{
    const int code = RunProgram([this] {
        QTimer::singleShot(0, [this] { Session(); });
        return front.Run();
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(stuck.empty()) << "a window nobody answered: " << stuck.front();
    EXPECT_EQ(FormMain, nullptr);

    const std::string ini = ReadFile(folder / "current.ini");
    EXPECT_NE(ini.find(std::string("=") + kObject), std::string::npos) << ini;
    EXPECT_NE(ini.find(kApn), std::string::npos);
    EXPECT_NE(ini.find("UpdatePanelVersion=wuzlam"), std::string::npos) << "the program's own settings stay";
}

}  // namespace
