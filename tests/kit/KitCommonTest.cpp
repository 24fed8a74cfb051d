// The kit's shared arithmetic and its non-visual parts: colours, captions, version tests, the blinking
// list, the frame controller and the obsolete properties of older forms. How frames, gradients and
// glyphs look is held by KitPicturesTest.
#include "KitStage.h"

#include <array>
#include <map>

using ui::Rgb;

TEST(KitNumbers, RoundingScalingAndAccelerators)
{
    for (const auto& [value, rounded] : std::vector<std::pair<long double, long long>>{
             {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {-0.5L, 0}, {12.5L, 12}, {37.5L, 38}})
        EXPECT_EQ(Round(value), rounded) << static_cast<double>(value);
    for (const auto& [value, m, d, result] : std::vector<std::array<int, 4>>{
             {25, 120, 96, 31}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {5, 7, 0, -1}})
        EXPECT_EQ(MulDiv(value, m, d), result) << value << "*" << m << "/" << d;
    for (const auto& [caption, plain] : std::vector<std::pair<std::string, std::string>>{
             {"Save && &Exit", "Save & Exit"}, {"Trailing&", "Trailing&"}, {"Ш&ё", "Шё"}, {"&&", "&"}, {"", ""}})
        EXPECT_EQ(RemoveAccelChar(caption), plain) << caption;
    EXPECT_TRUE(IsAccel(U'\u043D', "&Номер"));
    EXPECT_TRUE(IsAccel(U'H', "&help"));
    EXPECT_FALSE(IsAccel(U'a', "A&&B"));
    EXPECT_FALSE(IsAccel(U'x', "x&"));
}

TEST(KitColors, HueSaturationLightnessArithmetic)
{
    std::uint8_t h = 0, s = 0, l = 0;
    ColorToHSL(clRed, h, s, l);
    EXPECT_EQ((std::array{h, s, l}), (std::array<std::uint8_t, 3>{0, 240, 120}));
    ColorToHSL(clBtnFace, h, s, l);  // system colours are resolved first
    EXPECT_EQ(l, Round(240 * (212 + 200) / 510.0L));
    EXPECT_EQ(ColorHue(clLime), 80);
    const std::vector<std::pair<TColor, TColor>> results = {
        {HSLToColor(0, 240, 120), clRed},
        {HSLToColor(77, 0, 120), Rgb(128, 128, 128)},  // grey of the lightness, hue ignored
        {HSLToColor(240, 240, 120), Rgb(255, 6, 0)},   // just past the last sextant: the red sector
        {HSLToColor(100, 200, 250), clWhite},
        {LighterColor(clBtnShadow, 30), Rgb(159, 159, 159)},
        {LighterColor(clGray, 256), clGray},  // only the low byte of the amount counts
        {AdjustColor(clBtnShadow, 30), LighterColor(clBtnShadow, 30)},
        {AdjustColor(clBtnShadow, -30), DarkerColor(clBtnShadow, 30)},
        {AdjustColor(clBtnFace, 0), clBtnFace},  // untouched: still the system colour
        {BlendColors(clRed, clBlue, 255), clRed},
        {BlendColors(clWhite, clBlack, 128), Rgb(128, 128, 128)},
        {BlendColors(clBlack, clBtnFace, 40), Rgb(179, 175, 169)},
        {ComplementColor(clRed, 120), HSLToColor(120, 240, 120)},
        {ComplementColor(clBlue, 60), HSLToColor(40, 240, 60)},
    };
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i].first, results[i].second) << "case " << i;
    for (const TColor c : {clRed, clNavy, clBtnFace, TColor{0x123456}, clBlack}) {
        EXPECT_EQ(LighterColor(c, 255), clWhite) << std::hex << c;
        EXPECT_EQ(DarkerColor(c, 255), clBlack) << std::hex << c;
    }
    EXPECT_TRUE(SimilarColors(clSilver, clWhite));  // both hue 0, lightness 181 and 240
    EXPECT_FALSE(SimilarColors(clGray, clSilver));  // lightness 120 and 181
    EXPECT_FALSE(SimilarColors(clRed, clLime));
}

TEST(KitColors, SchemesFallBackWithoutThemes)
{
    EXPECT_EQ(XPColorSchemeFromName("MetAlLic"), 2);
    EXPECT_EQ(XPColorSchemeFromName("homestead"), 1);
    EXPECT_EQ(XPColorSchemeFromName("Blue"), 0);
    EXPECT_EQ(GetXPColorScheme(), 0);
    for (const TKitGradientColorStyle style : {gcsSystem, gcsMSOffice, gcsCustom}) {
        TColor a = 0, b = 0, c = 0;
        GetXPGroupBoxColors(style, a, b, c);
        EXPECT_EQ((std::array{a, b, c}), (std::array{DarkerColor(clBtnFace, 20), TColor{clWindow}, DarkerColor(clBtnFace, 40)}));
        GetXPGroupBarColors(style, a, b);
        EXPECT_EQ((std::array{a, b}), (std::array{BlendColors(clBlack, clBtnFace, 40), BlendColors(clBlack, clBtnFace, 80)}));
    }
    EXPECT_EQ(GetXPThemeColor(6), clBtnFace);
}

TEST(KitVersions, MajorAndMinorAreComparedEachOnItsOwn)
{
    const TSystemVersion vista{true, 6, 0};
    EXPECT_FALSE(RunningAtLeast(wvXP, vista));  // minor 0 is below 1
    EXPECT_TRUE(RunningAtLeast(wvVista, vista));
    EXPECT_TRUE(RunningUnder(wv95, {false, 4, 0}));
    EXPECT_FALSE(RunningUnder(wvNT, {true, 5, 0}));
    EXPECT_TRUE(RunningUnder(wvNT, {true, 4, 0}));
    EXPECT_TRUE(RunningAtLeast(wvME, {false, 4, 90}));
    EXPECT_FALSE(RunningAtLeast(42, vista));
    EXPECT_FALSE(RunningUnder(-1, vista));
    EXPECT_TRUE(RunningAtLeast(wvVista));  // this platform counts as a current system
}

TEST(KitFonts, CanvasFontOfAControlFont)
{
    ui::TFont font;
    font.SetHeight(-13);
    font.SetStyle({ui::fsBold, ui::fsUnderline});
    font.SetColor(clMaroon);
    const ui::FontDesc desc = CanvasFont(font);
    EXPECT_EQ(desc, (ui::FontDesc{.name = "Tahoma", .height = 13, .bold = true, .underline = true, .color = clMaroon}));
    font.SetHeight(16);  // a cell height
    EXPECT_EQ(CanvasFont(font).height, 12);
}

// --- blinking controls list ---

namespace {

// A label that registers with the blinking list while it exists, as the kit's labels do.
class BlinkingLabel : public ui::TCustomControl, public IKitBlinking {
public:
    explicit BlinkingLabel(ui::TComponent* owner) : ui::TCustomControl(owner) { AcquireBlinkingControlsList().Add(this); }
    ~BlinkingLabel() override
    {
        if (TKitBlinkingControlsList* list = BlinkingControlsList()) {
            list->Remove(this);
            ReleaseBlinkingControlsList();
        }
    }
    int CMBlink() override { return answer; }
    void CMBlinkState(bool on) override
    {
        states.push_back(on ? 1 : 0);
        if (onState) onState();
    }

    int answer = 1;
    std::vector<int> states;
    std::function<void()> onState;
};

class KitBlinking : public KitTest {
protected:
    BlinkingLabel* Label(int answer = 1)
    {
        auto* label = ui::Create<BlinkingLabel>(form, "");
        label->answer = answer;
        return label;
    }
};

}  // namespace

TEST_F(KitBlinking, FirstTickHalfASecondAfterTheListWasMadeThenAlternating)
{
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    auto* a = Label();
    ASSERT_NE(BlinkingControlsList(), nullptr);
    EXPECT_TRUE(BlinkingControlsList()->BlinkState());
    user.Advance(300);
    auto* b = Label();  // joins without restarting the timer
    auto* no = Label(0);
    auto* two = Label(2);
    BlinkingControlsList()->Add(a);  // twice: kept once
    EXPECT_EQ(BlinkingControlsList()->Count(), 4);
    user.Advance(199);
    EXPECT_TRUE(a->states.empty());
    user.Advance(1);
    EXPECT_EQ(a->states, (std::vector<int>{0}));
    user.Advance(1000);
    EXPECT_EQ(a->states, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(b->states, a->states);
    EXPECT_TRUE(no->states.empty());  // only a control answering 1 blinks
    EXPECT_TRUE(two->states.empty());
    // Ticks come from the pump only, and once when it is behind.
    scope.Clock().Advance(2000);
    EXPECT_EQ(a->states.size(), 3u);
    user.Pump();
    EXPECT_EQ(a->states.size(), 4u);
}

TEST_F(KitBlinking, TheLastLabelFreesTheListEvenFromInsideATick)
{
    auto* a = Label();
    auto* b = Label();
    auto* c = Label();
    a->onState = [&] { ui::Free(b); };
    user.Advance(500);
    EXPECT_EQ(c->states, (std::vector<int>{0}));
    EXPECT_EQ(BlinkingControlsList()->Count(), 2);
    ReleaseBlinkingControlsList();  // still holds two
    ASSERT_NE(BlinkingControlsList(), nullptr);
    a->onState = [&] {
        ui::Free(c);
        ui::Free(a);
    };
    user.Advance(500);
    EXPECT_EQ(BlinkingControlsList(), nullptr);
    user.Advance(100);
    auto* d = Label();  // a new list starts on, its first tick half a second on
    EXPECT_TRUE(BlinkingControlsList()->BlinkState());
    user.Advance(499);
    EXPECT_TRUE(d->states.empty());
    user.Advance(1);
    EXPECT_EQ(d->states, (std::vector<int>{0}));
}

// --- frame controller ---

namespace {

// A control with some of the controller's settings as its own properties; it records what it took.
class FramedControl : public ui::TCustomControl, public IKitFrameControlled {
public:
    using ui::TCustomControl::TCustomControl;
    TKitFrameControllerNotifications FrameControllerNotifications() const override { return accepted; }
    bool ApplyFrameControllerSetting(TKitFrameControllerProperty p, const TKitFrameController& c) override
    {
        taken.push_back(p);
        if (p == fcpFrameStyle) frameStyle = c.FrameStyle();
        return p != fcpColor && p != fcpParentColor;
    }

    TKitFrameControllerNotifications accepted = AllFrameControllerNotifications();
    std::vector<TKitFrameControllerProperty> taken;
    TFrameStyle frameStyle = fsNone;
};

class SelfUpdating : public ui::TCustomControl, public IKitFramingNotification {
public:
    using ui::TCustomControl::TCustomControl;
    void UpdateFromFrameController() override { ++updates; }
    int updates = 0;
};

class KitFrameController : public KitTest {
protected:
    TKitFrameController* controller = ui::Create<TKitFrameController>(form, "FC");
};

}  // namespace

TEST_F(KitFrameController, ControlsTakeTheAcceptedSettingsInOrder)
{
    auto* plain = Make<ui::TCustomControl>(10, 10);
    controller->AddControl(plain);
    controller->AddControl(plain);
    EXPECT_EQ(controller->ControlCount(), 1);
    controller->SetColor(clYellow);
    EXPECT_EQ(plain->Color(), clYellow);  // a plain control takes the colour
    controller->RemoveControl(plain);
    controller->SetColor(clRed);
    EXPECT_EQ(plain->Color(), clYellow);
    controller->UpdateControl(nullptr, fcpAll);

    auto* c = ui::Create<FramedControl>(form, "C");
    controller->AddControl(c);
    const std::vector<TKitFrameControllerProperty> all = {
        fcpParentColor,   fcpColor,           fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus,
        fcpFocusColor,    fcpFlatButtonColor, fcpFlatButtons,   fcpFrameColor,    fcpFrameHotColor,
        fcpFrameHotTrack, fcpFrameHotStyle,   fcpFrameSides,    fcpFrameStyle,    fcpFrameVisible,
        fcpFramingPreference};
    EXPECT_EQ(c->taken, all);
    EXPECT_EQ(c->Color(), clRed);  // taken as the plain property
    c->taken.clear();
    c->accepted = {fcpFrameStyle};
    controller->SetFrameColor(clRed);  // not accepted
    controller->SetFrameStyle(fsBump);
    EXPECT_EQ(c->taken, (std::vector<TKitFrameControllerProperty>{fcpFrameStyle}));
    EXPECT_EQ(c->frameStyle, fsBump);
    // While the controller follows its parent's colour, Color is not handed out.
    c->accepted = AllFrameControllerNotifications();
    controller->SetParentColor(true);
    c->taken.clear();
    controller->UpdateControl(c, fcpAll);
    EXPECT_EQ(std::count(c->taken.begin(), c->taken.end(), fcpColor), 0);
    EXPECT_EQ(c->taken.size(), all.size() - 1);
}

TEST_F(KitFrameController, SelfUpdatingControlsAndHeldUpdates)
{
    auto* s = ui::Create<SelfUpdating>(form, "S");
    s->SetColor(clLime);
    controller->AddControl(s);
    controller->SetFrameStyle(fsGroove);
    EXPECT_EQ(s->updates, 2);
    EXPECT_EQ(s->Color(), clLime);  // nothing written into it
    controller->BeginUpdate();
    controller->SetFrameColor(clRed);
    controller->SetFrameStyle(fsBump);
    EXPECT_EQ(s->updates, 2);
    controller->EndUpdate();
    EXPECT_EQ(s->updates, 3);
    auto* other = ui::Create<TKitFrameController>(form, "Other");
    other->SetFrameStyle(fsLowered);
    controller->Assign(*other);
    EXPECT_EQ(s->updates, 4);
    EXPECT_EQ(controller->FrameStyle(), fsLowered);
    EXPECT_EQ(controller->FrameColor(), clBtnShadow);
}

TEST_F(KitFrameController, SettersMoveTheirCompanions)
{
    controller->SetParentColor(true);
    controller->SetColor(clAqua);  // the focus colour equalled the old colour: it moves along
    EXPECT_EQ(controller->FocusColor(), clAqua);
    EXPECT_FALSE(controller->ParentColor());
    controller->SetFocusColor(clRed);
    controller->SetColor(clBlue);
    EXPECT_EQ(controller->FocusColor(), clRed);
    controller->SetFrameSides(sdLeft);
    controller->SetFrameHotTrack(true);
    EXPECT_TRUE(controller->FrameVisible());
    EXPECT_EQ(controller->FrameSides(), sdAllSides);
}

TEST_F(KitFrameController, ObsoleteStoredPropertiesAreMappedOrDropped)
{
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFlat", true));
    EXPECT_TRUE(controller->FrameHotTrack());
    EXPECT_EQ(controller->FrameStyle(), fsStatus);
    EXPECT_EQ(controller->FrameHotStyle(), fsLowered);
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{"fsBump"}));
    EXPECT_EQ(controller->FrameHotStyle(), fsBump);
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{"fsFlatRounded"}));
    EXPECT_EQ(controller->FrameHotStyle(), fsBump);  // not a style the property may hold
    EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFlatStyle", TKitIdent{"fsFlat"}));
    EXPECT_FALSE(controller->ReadObsoleteProperty("FrameFlat", TKitIdent{"True"}));
    EXPECT_FALSE(controller->ReadObsoleteProperty("Ctl3D", true));
    EXPECT_EQ(TKitOldPropReader::ReadOldBoolean(TKitStoredValue{7LL}), std::nullopt);
    EXPECT_EQ(FrameStyleFromName("FSGROOVE"), fsGroove);
    EXPECT_EQ(FrameStyleFromName("fsWavy"), std::nullopt);

    auto* reg = ui::Create<TKitRegIniFile>(form, "Reg");
    reg->Refreshed();
    reg->SetPath("Software\\Sorvel");
    EXPECT_TRUE(reg->RefreshNeeded());
    controller->SetRegIniFile(reg);
    ui::Free(reg);
    EXPECT_EQ(controller->RegIniFile(), nullptr);
}

// --- parent background ---

namespace {

class PaintRequests : public ui::ModelObserver {
public:
    void ControlChanged(ui::TControl& control, ui::ModelChange what) override
    {
        if (what == ui::ModelChange::Paint) ++count[&control];
    }
    std::map<const ui::TControl*, int> count;
};

}  // namespace

TEST_F(KitTest, ParentBackgroundRepaintsTheParentOnlyFromOutsideAPaint)
{
    PaintRequests requests;
    app.SetObserver(&requests);
    auto* holder = Make<ui::TWinControl>(50, 50);  // paints nothing of its own
    holder->SetColor(clTeal);
    auto* glass = Make<TKitPanel>(20, 20, holder);
    glass->SetBounds(40, 40, 20, 20);
    glass->SetBorderOuter(fsNone);
    glass->SetTransparent(true);
    requests.count.clear();
    ui::Canvas c(20, 20, clYellow);
    DrawParentBackground(*glass, c, true);
    EXPECT_EQ(c.pixel(9, 9), clTeal);
    EXPECT_EQ(c.pixel(10, 10), clYellow);  // outside the parent
    EXPECT_EQ(requests.count[holder], 1);
    glass->PaintTo(c);
    EXPECT_EQ(requests.count[holder], 1);  // never from inside the child's paint

    auto* solid = Make<TKitPanel>(10, 10, glass);
    auto* seeThrough = Make<TKitPanel>(10, 10, glass);
    seeThrough->SetTransparent(true);
    requests.count.clear();
    InvalidateTransparentChildren(*glass);
    EXPECT_EQ(requests.count[seeThrough], 1);
    EXPECT_EQ(requests.count[solid], 0);
    app.SetObserver(nullptr);
}
