// The kit's shared arithmetic and its non-visual parts: colours, captions, version tests, the blinking
// list, the frame controller and the parent's background. How frames, gradients and glyphs look is held
// by KitPicturesTest.
#include "KitStage.h"

#include <array>

using ui::Rgb;

TEST(KitNumbers, RoundingScalingAcceleratorsAndVersions)
{
    for (const auto& [value, rounded] : std::vector<std::pair<long double, long long>>{{0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {37.5L, 38}})
        EXPECT_EQ(Round(value), rounded) << static_cast<double>(value);
    for (const auto& [value, m, d, result] : std::vector<std::array<int, 4>>{{25, 120, 96, 31}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {5, 7, 0, -1}})
        EXPECT_EQ(MulDiv(value, m, d), result) << value << "*" << m << "/" << d;
    for (const auto& [caption, plain] : std::vector<std::pair<std::string, std::string>>{
             {"Save && &Exit", "Save & Exit"}, {"Trailing&", "Trailing&"}, {"Ш&ё", "Шё"}, {"&&", "&"}, {"", ""}})
        EXPECT_EQ(RemoveAccelChar(caption), plain) << caption;
    EXPECT_TRUE(IsAccel(U'\u043D', "&Номер") && IsAccel(U'H', "&help"));
    EXPECT_FALSE(IsAccel(U'a', "A&&B") || IsAccel(U'x', "x&"));
    const TSystemVersion vista{true, 6, 0};
    EXPECT_FALSE(RunningAtLeast(wvXP, vista));  // minor 0 is below 1: each number is compared on its own
    EXPECT_TRUE(RunningAtLeast(wvVista, vista) && RunningAtLeast(wvME, {false, 4, 90}) && RunningAtLeast(wvVista));
    EXPECT_TRUE(RunningUnder(wv95, {false, 4, 0}) && RunningUnder(wvNT, {true, 4, 0}));
    EXPECT_FALSE(RunningUnder(wvNT, {true, 5, 0}) || RunningAtLeast(42, vista) || RunningUnder(-1, vista));
}

TEST(KitColors, HueSaturationLightnessArithmeticAndSchemes)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(clRed, h, s, l);
    EXPECT_EQ((std::array{h, s, l}), (std::array<std::uint8_t, 3>{0, 240, 120}));
    ColorToHSL(clBtnFace, h, s, l);  // system colours are resolved first
    EXPECT_EQ(l, Round(240 * (212 + 200) / 510.0L));
    const std::vector<std::pair<TColor, TColor>> results = {
        {ColorHue(clLime), 80},
        {HSLToColor(0, 240, 120), clRed},
        {HSLToColor(77, 0, 120), Rgb(128, 128, 128)},  // grey of the lightness, hue ignored
        {HSLToColor(240, 240, 120), Rgb(255, 6, 0)},   // just past the last sextant: the red sector
        {HSLToColor(100, 200, 250), clWhite},
        {LighterColor(clBtnShadow, 30), Rgb(159, 159, 159)},
        {LighterColor(clGray, 256), clGray},  // only the low byte of the amount counts
        {AdjustColor(clBtnShadow, -30), DarkerColor(clBtnShadow, 30)},
        {AdjustColor(clBtnFace, 0), clBtnFace},  // untouched: still the system colour
        {BlendColors(clWhite, clBlack, 128), Rgb(128, 128, 128)},
        {BlendColors(clBlack, clBtnFace, 40), Rgb(179, 175, 169)},
        {ComplementColor(clBlue, 60), HSLToColor(40, 240, 60)},
        {ComplementColor(clAqua, 120), HSLToColor(0, 240, 120)},  // hue 120 turns back to 0
    };
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i].first, results[i].second) << "case " << i;
    for (const TColor c : {clRed, clNavy, clBtnFace, TColor{0x123456}}) EXPECT_EQ(std::pair(LighterColor(c, 255), DarkerColor(c, 255)), std::pair(TColor{clWhite}, TColor{clBlack}));
    EXPECT_TRUE(SimilarColors(clSilver, clWhite));  // both hue 0, lightness 181 and 240
    EXPECT_FALSE(SimilarColors(clGray, clSilver) || SimilarColors(clRed, clLime));
    EXPECT_EQ((std::array{XPColorSchemeFromName("MetAlLic"), XPColorSchemeFromName("homestead"), XPColorSchemeFromName("Blue"), GetXPColorScheme()}),
              (std::array{2, 1, 0, 0}));
    EXPECT_EQ(GetXPThemeColor(6), clBtnFace);
}

TEST(KitFonts, CanvasFontOfAControlFont)
{
    ui::TFont font;
    font.SetHeight(-13);
    font.SetStyle({ui::fsBold, ui::fsUnderline});
    font.SetColor(clMaroon);
    EXPECT_EQ(CanvasFont(font), (ui::FontDesc{.name = "Tahoma", .height = 13, .bold = true, .underline = true, .color = clMaroon}));
    font.SetHeight(16);  // a cell height
    EXPECT_EQ(CanvasFont(font).height, 12);
}

// --- blinking controls list and frame controller ---

namespace {

// A label that can run something of the test's when its blink phase changes.
class Blinker : public TKitLabel {
public:
    using TKitLabel::TKitLabel;
    std::function<void()> onPhase;
    std::vector<bool> phases;

protected:
    void SetBlinkPhase(bool on) override
    {
        TKitLabel::SetBlinkPhase(on);
        phases.push_back(on);
        if (onPhase) onPhase();
    }
};

using Phases = std::vector<bool>;

}  // namespace

TEST_F(KitTest, BlinkingLabelsAlternateOnOneTimerThatTheLastLabelFrees)
{
    const auto label = [this](bool blinking) {
        auto* l = Make<Blinker>(10, 10);
        l->SetBlinking(blinking);
        return l;
    };
    auto* a = label(true);
    user.Advance(300);
    auto* b = label(true);  // joins without restarting the timer
    auto* still = label(false);
    BlinkingControlsList()->Add(a);  // twice: kept once
    EXPECT_EQ(BlinkingControlsList()->Count(), 3);
    user.Advance(199);
    EXPECT_TRUE(a->phases.empty());
    user.Advance(1001);
    EXPECT_EQ(std::tuple(a->phases, b->phases, still->phases), std::tuple(Phases{false, true, false}, a->phases, Phases{}));
    scope.Clock().Advance(2000);  // ticks come from the pump only, and once when it is behind
    user.Pump();
    EXPECT_EQ(a->phases.size(), 4u);
    // Labels freed from inside a tick, the last of them with the list under the tick.
    a->onPhase = [&] { ui::Free(b); };
    user.Advance(500);
    EXPECT_EQ(BlinkingControlsList()->Count(), 2);
    a->onPhase = [&] {
        ui::Free(still);
        ui::Free(a);
    };
    user.Advance(500);
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    auto* c = label(true);  // a new list starts on, its first tick half a second on
    user.Advance(499);
    EXPECT_TRUE(c->phases.empty() && BlinkingControlsList()->BlinkState());
    user.Advance(1);
    EXPECT_EQ(c->phases, Phases{false});
}

TEST_F(KitTest, AFrameControllerPushesItsSettingsUnlessHeld)
{
    auto* controller = ui::Create<TKitFrameController>(form, "FC");
    auto* plain = Make<ui::TCustomControl>(10, 10);
    auto* label = Make<TKitLabel>(10, 10);
    controller->AddControl(plain);
    controller->AddControl(plain);
    label->SetFrameController(controller);
    controller->SetColor(clYellow);
    EXPECT_EQ(std::tuple(controller->ControlCount(), plain->Color(), label->Color()), std::tuple(2, TColor{clYellow}, TColor{clYellow}));
    controller->BeginUpdate();
    controller->SetFrameStyle(fsBump);
    EXPECT_EQ(label->BorderOuter(), fsFlat);  // the controller's style when it was linked
    controller->EndUpdate();
    EXPECT_EQ(label->BorderOuter(), fsBump);
    controller->RemoveControl(plain);
    auto* other = ui::Create<TKitFrameController>(form, "Other");
    other->SetFrameStyle(fsLowered);
    other->SetColor(clRed);
    controller->Assign(*other);
    EXPECT_EQ(std::tuple(plain->Color(), label->Color(), label->BorderOuter()), std::tuple(TColor{clYellow}, TColor{clRed}, fsLowered));
    controller->SetFrameSides(sdLeft);
    controller->SetFrameHotTrack(true);  // hot tracking shows the frame, on every side
    EXPECT_EQ(std::pair(controller->FrameVisible(), controller->FrameSides()), std::pair(true, sdAllSides));
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFlat", true));
    EXPECT_EQ(std::pair(controller->FrameStyle(), controller->FrameHotStyle()), std::pair(fsStatus, fsLowered));
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{"fsBump"}));
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{"fsFlatRounded"}));  // not a style it may hold
    EXPECT_EQ(controller->FrameHotStyle(), fsBump);
    EXPECT_FALSE(controller->ReadObsoleteProperty("FrameFlat", TKitIdent{"True"}) || controller->ReadObsoleteProperty("Ctl3D", true));
}

// --- parent background ---

TEST_F(KitTest, ParentBackgroundRepaintsTheParentOnlyFromOutsideAPaint)
{
    auto* holder = Make<ui::TWinControl>(50, 50);  // paints nothing of its own
    holder->SetColor(clTeal);
    auto* glass = Make<TKitPanel>(20, 20, holder);
    glass->SetBounds(40, 40, 20, 20);
    glass->SetBorderOuter(fsNone);
    glass->SetTransparent(true);
    auto* solid = Make<TKitPanel>(10, 10, glass);
    auto* seeThrough = Make<TKitPanel>(10, 10, glass);
    seeThrough->SetTransparent(true);
    paints.clear();
    ui::Canvas c(20, 20, clYellow);
    DrawParentBackground(*glass, c, true);
    EXPECT_EQ(std::pair(c.pixel(9, 9), c.pixel(10, 10)), std::pair(TColor{clTeal}, TColor{clYellow}));  // outside the parent: untouched
    glass->PaintTo(c);
    InvalidateTransparentChildren(*glass);
    EXPECT_EQ((std::array{paints[holder], paints[seeThrough], paints[solid]}), (std::array{1, 1, 0}));
}
