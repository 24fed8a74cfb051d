// Turned labels: where the turned caption lies and how far it reaches. The About window's web link: it
// opens its target without waiting for the desktop, turns visited once the desktop reports the page open,
// and offers the desktop's choice of programs for a web page it could not open. Labels' looks are held
// by KitPicturesTest.
#include "KitStage.h"

#include "tests/support/PictureFacts.h"

#include <cmath>
#include <functional>
#include <thread>
#include <tuple>

using ui::TRect;

namespace {

// Records what the label asks the desktop to open; never starts anything. It answers at once, or keeps
// the report for the test to give later; a chooser is offered when the desktop is said to have one.
class FakeOpener : public platform::DesktopOpener {
public:
    void Open(const std::string& target, platform::OpenReport report) override
    {
        opened.push_back(target);
        if (later) pending.push_back(std::move(report));
        else report(succeed);
    }
    void OpenWith(const std::string& target, platform::OpenReport report) override
    {
        choosers.push_back(target);
        report(hasChooser);
    }

    bool succeed = true;
    bool later = false;
    bool hasChooser = true;
    std::vector<platform::OpenReport> pending;
    std::vector<std::string> opened;
    std::vector<std::string> choosers;
};

// A 120 x 120 label turned by an angle, and the stretch of the label its caption's ink must cover, along
// the text (for an angle that is not a quarter turn, the ink's centre).
struct TurnedLabel {
    const char* name;
    int angle;
    ui::TAlignment alignment;
    // From and to along the text's axis (x for 0 and 180, y for 90 and 270), given the text's width.
    std::function<std::pair<int, int>(int width)> along;
    friend void PrintTo(const TurnedLabel& c, std::ostream* out) { *out << c.name; }
};

class KitTurnedLabelTest : public KitTest, public ::testing::WithParamInterface<TurnedLabel> {};

class KitLabelTest : public KitTest {
protected:
    KitLabelTest() { link->SetOpener(&opener); }

    TKitURLLabel* link = Make<TKitURLLabel>(0, 0);
    FakeOpener opener;
};

}  // namespace

TEST_F(KitLabelTest, LinkOpensItsTrimmedTargetAndTurnsVisitedOrOffersTheOpenWithChooser)
{
    int clicks = 0;
    link->OnClick = [&](ui::TObject*) { ++clicks; };
    link->SetCaption("  www.sorvel.ru ");
    user.Click(*link);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(link->Visited());
    link->SetURL(" http://example.org/a b ");
    user.Click(*link);
    link->SetURL("   ");
    link->SetCaption("");
    user.Click(*link);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"www.sorvel.ru", "http://example.org/a b"}));
    EXPECT_EQ(clicks, 3);
    // A page the desktop could not open offers the chooser of a program for web pages.
    link->SetVisited(false);
    opener.succeed = false;
    for (const char* target : {"C:/docs/help.Htm", "help.html", "www.site.htm/page"}) {
        link->SetURL(target);
        user.Click(*link);
    }
    EXPECT_FALSE(link->Visited());
    EXPECT_EQ(opener.choosers, std::vector<std::string>{"C:/docs/help.Htm"});
    EXPECT_TRUE(scope.Services().Boxes().empty()) << "the chooser was offered: nothing to say";
}

TEST_F(KitLabelTest, ADesktopWithoutAChooserIsNamedInAMessage)
{
    opener.succeed = false;
    opener.hasChooser = false;
    opener.later = true;
    link->SetURL("http://example.org/manual.htm");
    user.Click(*link);
    std::thread([&] { opener.pending.at(0)(false); }).join();  // the opener reports from its own thread
    EXPECT_TRUE(scope.Services().Boxes().empty());
    user.Pump();
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].type, ui::mtWarning);
    EXPECT_NE(scope.Services().Boxes()[0].text.find("\"http://example.org/manual.htm\""), std::string::npos) << scope.Services().Boxes()[0].text;
    EXPECT_FALSE(link->Visited());
}

TEST_F(KitLabelTest, LinkTurnsVisitedWhenTheOpenerReportsSuccessLater)
{
    opener.later = true;
    link->SetCaption("www.sorvel.ru");
    user.Click(*link);
    EXPECT_FALSE(link->Visited()) << "the window does not wait for the opener";
    std::thread([&] { opener.pending.at(0)(true); }).join();
    EXPECT_FALSE(link->Visited());
    user.Pump();
    EXPECT_TRUE(link->Visited());
}

TEST_P(KitTurnedLabelTest, TheCaptionLiesAlongItsEdgeAndCrossesTheCentre)
{
    const TurnedLabel& c = GetParam();
    auto* label = Make<TKitLabel>(120, 120);
    label->SetAutoSize(false);
    label->SetAlignment(c.alignment);
    label->SetCaption("Поворот");
    label->SetRotation(roFlat);
    label->SetAngle(c.angle);
    ui::Canvas probe(0, 0);
    probe.font = CanvasFont(label->Font());
    const int width = probe.textWidth("Поворот");
    const TRect ink = testsupport::InkBox(Picture(*label), {0, 0, 120, 120}, clBtnFace);
    if (c.angle % 90 != 0) {
        EXPECT_NEAR((ink.Left + ink.Right) / 2, 60, 2) << testsupport::RectText(ink);
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2, 60, 2) << testsupport::RectText(ink);
        EXPECT_NEAR(ink.Width(), ink.Height(), 3) << "half way between level and upright";
        return;
    }
    const bool upright = c.angle == 90 || c.angle == 270;
    const auto [from, to] = c.along(width);
    const int inkFrom = upright ? ink.Top : ink.Left, inkTo = upright ? ink.Bottom : ink.Right;
    const int across = upright ? (ink.Left + ink.Right) / 2 : (ink.Top + ink.Bottom) / 2;
    EXPECT_NEAR(inkFrom, from, 2) << "along the text " << testsupport::RectText(ink);
    EXPECT_NEAR(inkTo, to, 2) << "along the text " << testsupport::RectText(ink);
    EXPECT_NEAR(across, 60, 3) << "across the text " << testsupport::RectText(ink);
}

INSTANTIATE_TEST_SUITE_P(
    Kit, KitTurnedLabelTest,
    ::testing::Values(TurnedLabel{"LevelFromTheLeft", 0, ui::taLeftJustify, [](int w) { return std::pair(0, w); }},
                      TurnedLabel{"LevelCentred", 0, ui::taCenter, [](int w) { return std::pair(60 - w / 2, 60 - w / 2 + w); }},
                      TurnedLabel{"HalfUpAboutTheCentre", 45, ui::taLeftJustify, {}},
                      TurnedLabel{"UpFromTheBottom", 90, ui::taLeftJustify, [](int w) { return std::pair(120 - w, 120); }},
                      TurnedLabel{"UpCentred", 90, ui::taCenter, [](int w) { return std::pair(120 - (120 - w) / 2 - w, 120 - (120 - w) / 2); }},
                      TurnedLabel{"UpToTheTop", 90, ui::taRightJustify, [](int w) { return std::pair(0, w); }},
                      TurnedLabel{"UpsideDownFromTheRight", 180, ui::taLeftJustify, [](int w) { return std::pair(120 - w, 120); }},
                      TurnedLabel{"UpsideDownToTheLeft", 180, ui::taRightJustify, [](int w) { return std::pair(0, w); }},
                      TurnedLabel{"DownFromTheTop", 270, ui::taLeftJustify, [](int w) { return std::pair(0, w); }},
                      TurnedLabel{"DownToTheBottom", 270, ui::taRightJustify, [](int w) { return std::pair(120 - w, 120); }}),
    [](const ::testing::TestParamInfo<TurnedLabel>& info) { return info.param.name; });

TEST_F(KitTest, ATurnedLabelSizesItselfToTheTurnedTextAndABitmapFontTurnsToVerdana)
{
    auto* label = Make<TKitLabel>(0, 0);
    label->SetCaption("Поворот");
    label->SetAutoSize(true);
    const ui::TSize level{label->Width(), label->Height()};
    label->SetAngle(90);
    EXPECT_EQ((ui::TSize{label->Width(), label->Height()}), (ui::TSize{level.cy, level.cx}));
    label->SetAngle(-315);
    const int diagonal = static_cast<int>(std::lround((level.cx + level.cy) * std::sqrt(0.5)));
    EXPECT_EQ(std::tuple(label->Angle(), label->Width(), label->Height()), std::tuple(45, diagonal, diagonal));
    if (!ui::SubstituteFontsInstalled()) GTEST_SKIP() << "MS Sans Serif is not installed";
    label->Font().SetName("MS Sans Serif");
    EXPECT_EQ(label->Angle(), 0) << "a bitmap font cannot turn";
    label->Font().SetName("MS Sans Serif");
    label->SetAngle(90);
    EXPECT_EQ(std::pair(label->Font().Name(), label->Angle()), std::pair(std::string("Verdana"), 90));
}
