// What a person sees at the main window's default size: every control of every page inside the page
// area, and every caption, item and title whole in the font it is drawn in; the same for the dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/fAbout.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fErrors.h"
#include "app/fIn.h"
#include "app/fLoad.h"
#include "app/fProgress.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "app/fWaiting.h"
#include "app/UpdateListFormUnit.h"
#include "kit/KitRadChk.h"
#include "kit/KitSplit.h"
#include "tests/app/ProgramFixture.h"
#include "tests/support/Pictures.h"
#include "ui/ComCtrls.h"
#include "ui/Grids.h"
#include "ui/Layout.h"

namespace {

using namespace programtest;

// A status panel's text starts this far in.
constexpr int kPanelChrome = 8;

int TextWidth(const std::string& text, const ui::TFont& font) { return ui::TextExtent(text, font).cx; }

// The room a control gives its caption; -1 for one that shows no caption of its own.
int CaptionRoom(const ui::TControl& c)
{
    if (const auto* label = ui::As<ui::TLabel>(&c)) return label->WordWrap() ? -1 : c.Width();
    if (const auto* kit = ui::As<TKitRadioButton>(&c)) return c.Width() - kit->GlyphWidth() - 6;
    if (ui::Is<ui::TCheckBox>(&c) || ui::Is<ui::TRadioButton>(&c)) return c.Width() - ui::TButtonControl::GlyphRoom;
    if (ui::Is<ui::TButton>(&c)) return c.Width() - ui::TButtonControl::ButtonPadding;
    if (ui::Is<ui::TGroupBox>(&c)) return c.Width() - 2 * ui::TGroupBox::CaptionInset;
    return -1;
}

class Checker {
public:
    explicit Checker(std::string where) : where_(std::move(where)) {}

    // Every shown control of `root` inside `area` (given in root's coordinates), and whole.
    void Walk(const ui::TWinControl& root, const ui::TRect& area) { WalkIn(root, area, 0, 0); }

    void StatusBar(const ui::TStatusBar& bar)
    {
        for (int i = 0; i + 1 < bar.Panels().Count(); ++i) {
            const ui::TStatusPanel& p = *bar.Panels()[i];
            EXPECT_LE(TextWidth(p.Text(), bar.Font()) + kPanelChrome, p.Width()) << where_ << ": panel " << i << " \"" << p.Text() << "\"";
        }
    }

private:
    void WalkIn(const ui::TWinControl& parent, const ui::TRect& area, int dx, int dy)
    {
        ExpectNoOverlap(parent);
        for (int i = 0; i < parent.ControlCount(); ++i) {
            const ui::TControl& c = *parent.Controls(i);
            if (!c.Visible()) continue;
            const ui::TRect r = c.BoundsRect().Offset(dx, dy);
            const std::string name = where_ + ": " + c.Name();
            const ui::TRect inner = parent.ClientRect();
            const bool inside = r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
            const bool uncut = c.Left() >= 0 && c.Top() >= 0 && c.Left() + c.Width() <= inner.Right &&
                               c.Top() + c.Height() <= inner.Bottom;
            EXPECT_TRUE(inside && uncut) << name << " at " << r.Left << "," << r.Top << "-" << r.Right << "," << r.Bottom
                                         << " outside " << area.Right << "x" << area.Bottom << " or cut by " << parent.Name();
            Whole(c, name);
            if (!inside || !uncut) continue;
            if (const auto* w = ui::As<ui::TWinControl>(&c)) {
                const ui::TRect client = w->ClientRect();
                const ui::TRect shown = ui::IntersectRect(area, client.Offset(r.Left, r.Top));
                WalkIn(*w, shown, r.Left, r.Top);
            }
        }
    }

    // The boxes the masks page lays over its grid's cells have no name: only those may overlap.
    void ExpectNoOverlap(const ui::TWinControl& parent)
    {
        for (int i = 0; i < parent.ControlCount(); ++i)
            for (int j = i + 1; j < parent.ControlCount(); ++j) {
                const ui::TControl& a = *parent.Controls(i);
                const ui::TControl& b = *parent.Controls(j);
                if (a.Visible() && b.Visible() && !a.Name().empty() && !b.Name().empty()) {
                    EXPECT_FALSE(a.BoundsRect().Intersects(b.BoundsRect())) << where_ << ": " << a.Name() << " on " << b.Name();
                }
            }
    }

    void Whole(const ui::TControl& c, const std::string& name)
    {
        if (const int room = CaptionRoom(c); room >= 0 && !c.Caption().empty()) {
            EXPECT_LE(TextWidth(c.Caption(), c.Font()), room) << name << " \"" << c.Caption() << "\"";
        }
        if (const auto* label = ui::As<ui::TLabel>(&c); label != nullptr && label->WordWrap()) {
            EXPECT_LE(ui::TextExtent(c.Caption(), c.Font(), c.Width()).cy, c.Height()) << name;
        }
        if (const auto* combo = ui::As<ui::TCustomCombo>(&c)) {
            std::vector<std::string> items;
            for (int k = 0; k < combo->Items().Count(); ++k) items.push_back(combo->Items()[k]);
            EXPECT_LE(ui::Layout::ComboFitWidth(*combo, items), c.Width()) << name << " (items)";
        }
        if (const auto* grid = ui::As<ui::TStringGrid>(&c)) {
            for (int row = 0; row < grid->FixedRows(); ++row)
                for (int col = 0; col < grid->ColCount(); ++col) {
                    EXPECT_LE(TextWidth(grid->Cells(col, row), c.Font()) + 4, grid->ColWidths(col))
                        << name << " \"" << grid->Cells(col, row) << "\"";
                }
        }
    }

    std::string where_;
};

using DialogMaker = std::function<ui::TForm*(ui::TComponent*)>;

// The main window with every page, disconnected or connected to a device, or one dialog as it is made.
struct Screen {
    const char* name;
    int build = 0;  // 0: not connected
    sim::PanelKind panel = sim::PanelKind::Altonika;
    const char* ini = "";
    DialogMaker dialog = nullptr;
};

template <class T>
Screen DialogScreen(const char* name)
{
    return {name, 0, sim::PanelKind::Altonika, "", [name](ui::TComponent* owner) { return ui::Create<T>(owner, name); }};
}

class EveryScreenFits : public ProgramFixture, public ::testing::WithParamInterface<Screen> {};

TEST_P(EveryScreenFits, AtTheDefaultSize)
{
    if (!ui::SubstituteFontsInstalled()) GTEST_SKIP() << "the layouts are made for the Tahoma and MS Sans Serif metrics";
    const Screen& s = GetParam();
    if (s.dialog) {
        ui::TForm& form = *s.dialog(&scope.App());
        return Checker(s.name).Walk(form, form.ClientRect());
    }
    std::filesystem::copy_file(std::filesystem::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt", folder / "Messages.txt");
    WriteIni(s.ini);
    Start();
    if (s.build != 0) {
        ASSERT_TRUE(ConnectByCable(s.build, s.panel));
    }
    ui::TPanel& pane = *main->PagesPane;
    const auto pages = controller->Pages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        controller->SelectPage(static_cast<int>(i));
        if (pages[i]->Visible()) Checker(std::string(s.name) + "/" + pages[i]->Caption()).Walk(pane, pane.ClientRect());
    }
    Checker window(std::string(s.name) + "/main window");
    window.StatusBar(*main->StatusBar1);
    for (ui::TWinControl* bar : {static_cast<ui::TWinControl*>(main->ToolBar1), static_cast<ui::TWinControl*>(main->Panel1)})
        window.Walk(*bar, bar->ClientRect());
}

const std::vector<Screen> kScreens{
    Screen{"start-up"},
    Screen{"service controls", 0, sim::PanelKind::Altonika, "[FormHistory]\nHistoryInFile=1\n[FormNSPoint]\nnspoint=1\n"},
    Screen{"Altonika 5.047", 47}, Screen{"Altonika 5.060", 60}, Screen{"Altonika 5.120", 120},
    Screen{"Bolid 5.080", 80, sim::PanelKind::Bolid}, Screen{"Bolid 5.120", 120, sim::PanelKind::Bolid},
    Screen{"Paradox 5.120", 120, sim::PanelKind::Paradox},
    DialogScreen<TFormConnect>("FormConnect"), DialogScreen<TFormDial>("FormDial"),
    DialogScreen<TFormProgress>("FormProgress"), DialogScreen<TFormErrors>("FormErrors"),
    DialogScreen<TFormLoad>("FormLoad"), DialogScreen<TFormWaiting>("FormWaiting"), DialogScreen<TFormAbout>("FormAbout"),
    DialogScreen<TformUpdateIns>("formUpdateIns"), DialogScreen<TformUpdateInsertion>("formUpdateInsertion"),
    DialogScreen<TUpdateListForm>("UpdateListForm")};

std::string NameOf(const Screen& s)
{
    std::string name = s.name;
    std::erase_if(name, [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); });
    return name;
}

INSTANTIATE_TEST_SUITE_P(Screens, EveryScreenFits, ::testing::ValuesIn(kScreens),
                         [](const auto& info) { return NameOf(info.param); });

// Every shown control of the window as a one-pixel frame: a control moved or resized by a pixel, or shown
// where it was hidden, changes the picture.
void DrawFrames(ui::Canvas& canvas, const ui::TWinControl& parent, int dx, int dy)
{
    for (int i = 0; i < parent.ControlCount(); ++i) {
        const ui::TControl& c = *parent.Controls(i);
        if (!c.Visible()) continue;
        canvas.frameRect(c.BoundsRect().Offset(dx, dy));
        if (const auto* w = ui::As<ui::TWinControl>(&c)) DrawFrames(canvas, *w, dx + c.Left(), dy + c.Top());
    }
}

TEST(WindowPictures, EveryWindowsControlsSitWhereTheyWereStored)
{
    if (!ui::SubstituteFontsInstalled()) GTEST_SKIP() << "the layouts are made for the Tahoma and MS Sans Serif metrics";
    const char* regenerate = "SORVEL_UPDATE_PICTURES=1 build/test/tests/test_app --gtest_filter='WindowPictures.*'";
    testsupport::PictureBook book(SORVEL_SOURCE_DIR "/tests/app/data/WindowPictures.txt", "app", regenerate);
    ui::ApplicationScope scope;
    // The main window's own frame too: tree, page area, log pane, bars (no pages without a controller).
    std::vector<Screen> windows{DialogScreen<TFormMain>("FormMain")};
    std::copy_if(kScreens.begin(), kScreens.end(), std::back_inserter(windows), [](const Screen& s) { return s.dialog != nullptr; });
    for (const Screen& s : windows) {
        ui::TForm& form = *s.dialog(&scope.App());
        ui::Canvas canvas(form.ClientWidth(), form.ClientHeight());
        canvas.brush = ui::Brush::Solid(clBlack);
        DrawFrames(canvas, form, 0, 0);
        book.Check("windows", NameOf(s), canvas.bitmap());
        ui::Free(&form);
    }
    book.Close();
}

class ResizingTheMainWindow : public ProgramFixture {
protected:
    struct Split {
        int pagesWidth, pagesHeight, logHeight, tree, log;
        friend bool operator==(const Split&, const Split&) = default;
    };
    Split Now() const
    {
        return {main->PagesPane->Width(), main->PagesPane->Height(), main->LogPane->Height(), main->kitCntSpl->Position(),
                main->KitSplitter1->Position()};
    }
    void Resize(int width, int height) { main->SetBounds(main->Left(), main->Top(), width, height); }
};

TEST_F(ResizingTheMainWindow, GivesThePagesTheRoomKeepsTheLogAndComesBackToTheSameSplit)
{
    Start();
    const int width = main->Width();
    const int height = main->Height();
    const Split before = Now();
    EXPECT_EQ(before.logHeight, TFormMain::LogPaneHeight);

    Resize(1920, 1040);  // maximised
    EXPECT_EQ(Now().logHeight, before.logHeight);
    EXPECT_EQ(Now().pagesHeight, before.pagesHeight + 1040 - height);
    EXPECT_EQ(Now().pagesWidth, before.pagesWidth + 1920 - width);
    Resize(width, height);
    EXPECT_EQ(Now(), before);

    // As small as the window goes (the real-window suite holds the least size and the page area's scrolling).
    Resize(100, 100);
    for (int i = 0; i < main->ToolBar1->ControlCount(); ++i)
        EXPECT_LE(main->ToolBar1->Controls(i)->BoundsRect().Right, main->ToolBar1->ClientWidth()) << i;
    EXPECT_EQ(Now().logHeight, before.logHeight);
    EXPECT_GE(Now().pagesHeight, TFormMain::MinPageAreaHeight);
    Resize(width, height);
    EXPECT_EQ(Now(), before);
}

}  // namespace
