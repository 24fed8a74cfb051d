#include "kit/KitPanel.h"

#include "ui/Application.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <map>

using ui::Canvas;
using ui::ResolveColor;
using ui::TRect;

namespace {

const TColor kFace = ResolveColor(clBtnFace);

// Counts the repaint requests each control made.
class PaintCounter : public ui::ModelObserver {
public:
    void ControlChanged(ui::TControl& control, ui::ModelChange what) override
    {
        if (what == ui::ModelChange::Paint) ++requests[&control];
    }
    std::map<const ui::TControl*, int> requests;
};

class KitPanelTest : public ::testing::Test {
protected:
    KitPanelTest() { scope.App().SetObserver(&observer); }
    ~KitPanelTest() override { scope.App().SetObserver(nullptr); }

    Canvas Painted(ui::TCustomControl& control)
    {
        Canvas c(control.Width(), control.Height(), clFuchsia);
        control.PaintTo(c);
        return c;
    }

    ui::ApplicationScope scope;
    PaintCounter observer;
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "F");
    TKitPanel* panel = ui::Create<TKitPanel>(form, "P", form);
};

bool Near(TColor a, TColor b)
{
    const auto close = [](unsigned x, unsigned y) { return (x > y ? x - y : y - x) <= 8; };
    return close(ui::RedOf(a), ui::RedOf(b)) && close(ui::GreenOf(a), ui::GreenOf(b)) &&
           close(ui::BlueOf(a), ui::BlueOf(b));
}

// A TFont height whose canvas font measures `wanted` pixels per line.
int FontHeightMeasuring(int wanted)
{
    for (int h = -4; h >= -40; --h) {
        ui::TFont font;
        font.SetHeight(h);
        Canvas probe(0, 0);
        probe.font = CanvasFont(font);
        if (probe.textHeight("Yy") == wanted) return h;
    }
    return 0;
}

}  // namespace

// --- enable memory ---

TEST_F(KitPanelTest, DisablingRemembersWhichChildrenWereEnabled)
{
    auto* a = ui::Create<ui::TCustomControl>(form, "A", panel);
    auto* b = ui::Create<ui::TCustomControl>(form, "B", panel);
    b->SetEnabled(false);
    panel->SetEnabled(false);
    EXPECT_FALSE(a->Enabled());
    panel->SetEnabled(true);
    EXPECT_TRUE(a->Enabled());
    EXPECT_FALSE(b->Enabled());

    // Enabling an enabled panel changes nothing.
    a->SetEnabled(false);
    panel->SetEnabled(true);
    EXPECT_FALSE(a->Enabled());
}

TEST_F(KitPanelTest, ChildrenThatCameWhileDisabledComeBackEnabled)
{
    auto* b = ui::Create<ui::TCustomControl>(form, "B", panel);
    b->SetEnabled(false);
    panel->SetEnabled(false);
    auto* c = ui::Create<ui::TCustomControl>(form, "C", panel);
    c->SetEnabled(false);  // as the disabled panel would show it
    // B leaves the panel and comes back while it is disabled: it is a newcomer now, not the B that was
    // disabled before.
    auto* other = ui::Create<ui::TPanel>(form, "Other", form);
    b->SetParent(other);
    b->SetParent(panel);
    panel->SetEnabled(true);
    EXPECT_TRUE(c->Enabled());
    EXPECT_TRUE(b->Enabled());
}

TEST_F(KitPanelTest, AChildFreedWhileDisabledIsForgotten)
{
    auto* a = ui::Create<ui::TCustomControl>(form, "A", panel);
    auto* b = ui::Create<ui::TCustomControl>(form, "B", panel);
    auto* c = ui::Create<ui::TCustomControl>(form, "C", panel);
    c->SetEnabled(false);
    panel->SetEnabled(false);
    ui::Free(b);
    panel->SetEnabled(true);
    EXPECT_TRUE(a->Enabled());
    EXPECT_FALSE(c->Enabled());
}

TEST_F(KitPanelTest, NestedPanelsKeepTheirOwnMemory)
{
    auto* inner = ui::Create<TKitPanel>(form, "Inner", panel);
    auto* x = ui::Create<ui::TCustomControl>(form, "X", inner);
    auto* y = ui::Create<ui::TCustomControl>(form, "Y", inner);
    y->SetEnabled(false);
    panel->SetEnabled(false);
    EXPECT_FALSE(x->Enabled());
    panel->SetEnabled(true);
    EXPECT_TRUE(x->Enabled());
    EXPECT_FALSE(y->Enabled());
}

// --- bounds and children's area ---

TEST_F(KitPanelTest, BottomAndRightAlignedPanelsKeepTheirFarEdge)
{
    auto loose = ui::MakeUnowned<TKitPanel>("Loose");
    loose->SetBounds(10, 100, 200, 39);
    loose->SetAlign(ui::alBottom);
    loose->SetHeight(49);
    EXPECT_EQ(loose->BoundsRect(), (TRect{10, 90, 210, 139}));
    loose->SetAlign(ui::alRight);
    loose->SetWidth(180);
    EXPECT_EQ(loose->BoundsRect(), (TRect{30, 90, 210, 139}));

    // Inside a parent the alignment itself keeps the edge.
    form->SetBounds(0, 0, 300, 200);
    panel->SetAlign(ui::alBottom);
    panel->SetHeight(49);
    EXPECT_EQ(panel->Top(), 200 - 49);
}

TEST_F(KitPanelTest, ChildrenShareWhatLiesInsideTheFrame)
{
    panel->SetBounds(0, 0, 100, 60);
    auto* child = ui::Create<ui::TCustomControl>(form, "Child", panel);
    child->SetAlign(ui::alClient);
    EXPECT_EQ(child->BoundsRect(), (TRect{2, 2, 98, 58}));  // fsRaised: two lines
    panel->SetBorderWidth(3);
    panel->SetBorderInner(fsFlat);
    EXPECT_EQ(child->BoundsRect(), (TRect{6, 6, 94, 54}));
    panel->SetBorderSides(sdLeft | sdTop);
    panel->SetBorderOuter(fsStatus);
    panel->SetBevelWidth(4);
    EXPECT_EQ(child->BoundsRect(), (TRect{8, 8, 97, 57}));
}

// --- painting ---

TEST_F(KitPanelTest, RaisedFrameAndFilledInterior)
{
    panel->SetBounds(0, 0, 40, 20);
    panel->SetColor(clYellow);
    const Canvas c = Painted(*panel);
    EXPECT_EQ(c.pixel(0, 0), ResolveColor(cl3DLight));
    EXPECT_EQ(c.pixel(38, 18), ResolveColor(clBtnShadow));
    EXPECT_EQ(c.pixel(2, 2), clYellow);
}

TEST_F(KitPanelTest, FlatBoldMarkWithAGradientBox)
{
    // The colour marks of the reporting-ways page.
    panel->SetBounds(0, 0, 8, 9);
    panel->SetBorderOuter(fsFlatBold);
    panel->SetBorderShadow(clGrayText);
    panel->SetVisualStyle(vsGradient);
    panel->SetGradientColorStyle(gcsCustom);
    panel->SetGradientColorStart(clRed);
    panel->SetGradientColorStop(clBlue);
    panel->SetGradientDirection(gdHorizontalBox);
    const Canvas c = Painted(*panel);
    const TColor frame = AdjustColor(clBtnShadow, 30);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(c.pixel(x, 8), frame) << x;
    EXPECT_EQ(c.pixel(1, 1), frame);
    // The interior (4 x 5) is too small for box bands: all start colour.
    for (int y = 2; y < 7; ++y)
        for (int x = 2; x < 6; ++x) EXPECT_EQ(c.pixel(x, y), clRed) << x << "," << y;
}

TEST_F(KitPanelTest, GridDotsAndLines)
{
    panel->SetBounds(0, 0, 40, 30);
    panel->SetBorderOuter(fsNone);
    panel->SetShowGrid(true);
    panel->SetGridColor(clRed);
    panel->SetGridXSize(10);
    panel->SetGridYSize(10);
    Canvas c = Painted(*panel);
    int dots = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) dots += c.pixel(x, y) == clRed ? 1 : 0;
    EXPECT_EQ(dots, 4 * 3);
    EXPECT_EQ(c.pixel(39, 29), clRed);

    panel->SetGridStyle(gsSolidLines);
    c = Painted(*panel);
    for (int y = 0; y < 30; ++y) EXPECT_EQ(c.pixel(19, y), clRed) << y;
    EXPECT_EQ(c.pixel(18, 18), kFace);

    panel->SetGridStyle(gsDottedLines);
    c = Painted(*panel);
    EXPECT_EQ(c.pixel(19, 1), clRed);
    EXPECT_EQ(c.pixel(19, 2), kFace);

    panel->SetGridXSize(0);  // no vertical lines, no crash
    c = Painted(*panel);
    EXPECT_EQ(c.pixel(19, 2), kFace);
}

TEST_F(KitPanelTest, CaptionPlacedBothWaysAndGreyWhenDisabled)
{
    panel->SetBounds(0, 0, 120, 60);
    panel->SetBorderOuter(fsNone);
    panel->SetCaption("Ok");
    panel->Font().SetColor(clBlack);
    const auto ink = [&](TColor colour) {
        const Canvas c = Painted(*panel);
        TRect r{1000, 1000, -1, -1};
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                if (c.pixel(x, y) != kFace && (colour == clNone || c.pixel(x, y) == colour))
                    r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
        return r;
    };
    const TRect centred = ink(clNone);
    EXPECT_NEAR((centred.Left + centred.Right) / 2, 60, 2);
    EXPECT_NEAR((centred.Top + centred.Bottom) / 2, 30, 3);

    panel->SetAlignment(ui::taLeftJustify);
    panel->SetAlignmentVertical(avTop);
    panel->SetTextMargin(5);
    panel->SetTextMarginVertical(4);
    const TRect topLeft = ink(clNone);
    EXPECT_NEAR(topLeft.Left, 6, 1);
    EXPECT_NEAR(topLeft.Top, 6, 2);

    panel->SetAlignmentVertical(avBottom);
    EXPECT_GT(ink(clNone).Top, 30);

    panel->SetEnabled(false);
    EXPECT_EQ(ink(clBlack).Right, -1);
    EXPECT_GT(ink(ResolveColor(clGrayText)).Right, 0);
}

TEST_F(KitPanelTest, OnPaintFollowsThePanelsOwnPainting)
{
    panel->SetBounds(0, 0, 20, 20);
    panel->OnPaint = [&](ui::TObject* sender) {
        ASSERT_EQ(sender, panel);
        ASSERT_NE(panel->PaintCanvas(), nullptr);
        panel->PaintCanvas()->setPixel(10, 10, clRed);
    };
    EXPECT_EQ(Painted(*panel).pixel(10, 10), clRed);
}

// --- transparency ---

TEST_F(KitPanelTest, ATransparentPanelShowsItsParentWithoutInvalidatingIt)
{
    panel->SetBounds(0, 0, 100, 60);
    panel->SetBorderOuter(fsNone);
    panel->SetVisualStyle(vsGradient);
    panel->SetGradientColorStyle(gcsCustom);
    panel->SetGradientColorStart(clRed);
    panel->SetGradientColorStop(clBlue);
    panel->SetGradientDirection(gdVerticalEnd);
    auto* glass = ui::Create<TKitPanel>(form, "Glass", panel);
    glass->SetBounds(30, 10, 40, 30);
    glass->SetBorderOuter(fsNone);
    glass->SetTransparent(true);

    const Canvas parent = Painted(*panel);
    observer.requests.clear();
    const Canvas child = Painted(*glass);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(child.pixel(x, y), parent.pixel(30 + x, 10 + y)) << x << "," << y;
    EXPECT_EQ(observer.requests[panel], 0);
    EXPECT_EQ(observer.requests[glass], 0);

    // Partly outside its parent: what lies inside still matches.
    glass->SetBounds(80, 50, 40, 30);
    const Canvas outside = Painted(*glass);
    EXPECT_EQ(outside.pixel(19, 9), parent.pixel(99, 59));
}

TEST_F(KitPanelTest, GradientChangesRepaintTransparentChildrenOnly)
{
    auto* glass = ui::Create<TKitPanel>(form, "Glass", panel);
    glass->SetTransparent(true);
    auto* solid = ui::Create<TKitPanel>(form, "Solid", panel);
    auto* picture = ui::Create<ui::TImage>(form, "Picture", panel);
    picture->SetTransparent(true);
    observer.requests.clear();
    panel->SetGradientColorStart(clRed);
    panel->SetGradientColorStart(clRed);  // no change, no repaint
    panel->SetGradientDirection(gdVerticalBox);
    EXPECT_EQ(observer.requests[glass], 2);
    EXPECT_EQ(observer.requests[picture], 2);
    EXPECT_EQ(observer.requests[solid], 0);
    EXPECT_EQ(observer.requests[panel], 2);

    observer.requests.clear();
    panel->SetTransparent(true);  // every child
    EXPECT_EQ(observer.requests[solid], 1);
}

TEST_F(KitPanelTest, ObsoleteStoredProperties)
{
    EXPECT_TRUE(panel->ReadObsoleteProperty("FrameSides", std::vector<std::string>{"sdLeft"}));
    EXPECT_TRUE(panel->ReadObsoleteProperty("ThemeAware", false));
    EXPECT_TRUE(panel->ReadObsoleteProperty("UseGradients", true));
    EXPECT_EQ(panel->VisualStyle(), vsGradient);
    EXPECT_FALSE(panel->ReadObsoleteProperty("UseGradients", 1LL));
    EXPECT_FALSE(panel->ReadObsoleteProperty("Locked", true));
}

TEST_F(KitPanelTest, FrameControllerLinkLastsAsLongAsBoth)
{
    auto* controller = ui::Create<TKitFrameController>(form, "FC");
    controller->SetColor(clAqua);
    panel->SetFrameController(controller);
    EXPECT_EQ(panel->Color(), clAqua);
    auto* second = ui::Create<TKitFrameController>(form, "FC2");
    panel->SetFrameController(second);
    EXPECT_EQ(controller->ControlCount(), 0);
    panel->SetFrameController(controller);
    ui::Free(panel);
    EXPECT_EQ(controller->ControlCount(), 0);

    auto* another = ui::Create<TKitPanel>(form, "Another", form);
    another->SetFrameController(second);
    ui::Free(second);
    EXPECT_EQ(another->FrameController(), nullptr);
}

// --- group box ---

TEST_F(KitPanelTest, GroupBoxClientAreaFollowsTheCaptionHeight)
{
    const int fontHeight = FontHeightMeasuring(13);
    ASSERT_NE(fontHeight, 0);
    auto* box = ui::Create<TKitGroupBox>(form, "Box", form);
    box->Font().SetHeight(fontHeight);
    box->SetBounds(0, 0, 200, 105);
    auto* child = ui::Create<ui::TCustomControl>(form, "Child", box);
    child->SetAlign(ui::alClient);
    EXPECT_EQ(child->BoundsRect(), (TRect{1, 14, 199, 104}));  // 13, then 1 for the flat frame

    box->SetGroupStyle(gsStandard);
    EXPECT_EQ(child->BoundsRect(), (TRect{2, 15, 198, 103}));
    box->SetBorderWidth(10);  // half the caption (5) is below the band: the band already makes room
    EXPECT_EQ(child->BoundsRect(), (TRect{12, 10 + 5 + 2, 188, 93}));
    box->SetBorderWidth(0);
    box->SetGroupStyle(gsTopLine);
    EXPECT_EQ(child->BoundsRect(), (TRect{0, 13, 200, 105}));
    box->SetGroupStyle(gsBanner);
    EXPECT_EQ(child->Top(), 21);
    box->SetGroupStyle(gsCustom);
    EXPECT_EQ(child->BoundsRect(), (TRect{2, 2, 198, 103}));
    box->SetCaption("Номер");
    EXPECT_EQ(child->BoundsRect(), (TRect{2, 15, 198, 103}));

    // A bigger font moves the children down.
    box->SetGroupStyle(gsFlat);
    box->Font().SetHeight(fontHeight * 2);
    EXPECT_GT(child->Top(), 20);
}

TEST_F(KitPanelTest, GroupBoxCaptionMeasuresWithoutTheAccelMarkButShowsIt)
{
    auto* box = ui::Create<TKitGroupBox>(form, "Box", form);
    box->SetBounds(0, 0, 200, 60);
    box->SetGroupStyle(gsStandard);
    box->Font().SetColor(clBlack);
    box->SetCaption("&Номер объекта");
    Canvas probe(0, 0);
    probe.font = CanvasFont(box->Font());
    const ui::TSize ext = probe.textExtent("Номер объекта");
    EXPECT_EQ(box->CaptionRect(), (TRect{8, 0, 8 + ext.cx, ext.cy}));

    const Canvas marked = Painted(*box);
    box->SetCaption("Номер объекта");
    const Canvas plain = Painted(*box);
    // The two differ only by the underline under the first letter.
    const int firstLetter = probe.textWidth("Н");
    int differing = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if (marked.pixel(x, y) != plain.pixel(x, y)) {
                ++differing;
                EXPECT_GE(x, 8);
                EXPECT_LT(x, 8 + firstLetter + 1);
                EXPECT_EQ(marked.pixel(x, y), clBlack);
            }
    EXPECT_GT(differing, 0);
}

TEST_F(KitPanelTest, GroupBoxFramesByStyle)
{
    auto* box = ui::Create<TKitGroupBox>(form, "Box", form);
    box->SetBounds(0, 0, 120, 50);
    box->SetCaption("Файл");
    Canvas probe(0, 0);
    probe.font = CanvasFont(box->Font());
    const int top = probe.textHeight("Pp") / 2 - 1;
    const TColor flat = AdjustColor(clBtnShadow, 30);
    const TRect caption = box->CaptionRect();

    // gsFlat: corners cut, the caption standing on the top line.
    Canvas c = Painted(*box);
    EXPECT_EQ(c.pixel(0, top), kFace);
    EXPECT_EQ(c.pixel(1, top + 1), flat);
    EXPECT_NE(c.pixel(caption.Left + 1, top), flat);
    EXPECT_EQ(c.pixel(caption.Right + 1, top), flat);
    EXPECT_EQ(c.pixel(118, 48), flat);

    // gsStandard without an outer style: an etched groove.
    box->SetGroupStyle(gsStandard);
    c = Painted(*box);
    EXPECT_EQ(c.pixel(0, top + 5), ResolveColor(clBtnShadow));
    EXPECT_EQ(c.pixel(1, top + 5), ResolveColor(clBtnHighlight));
    box->SetBorderOuter(fsFlat);
    c = Painted(*box);
    EXPECT_EQ(c.pixel(0, top + 5), flat);
    EXPECT_EQ(c.pixel(1, top + 5), kFace);

    // gsTopLine: only the top, from 2 in.
    box->SetBorderOuter(fsFlat);
    box->SetGroupStyle(gsTopLine);
    c = Painted(*box);
    EXPECT_EQ(c.pixel(117, top), flat);
    EXPECT_EQ(c.pixel(118, top), kFace);
    EXPECT_EQ(c.pixel(0, top + 5), kFace);

    // gsBanner: a gradient bar under the caption, framed with cut corners.
    box->SetGroupStyle(gsBanner);
    c = Painted(*box);
    const TRect banner = box->CaptionRect();
    EXPECT_EQ(banner, (TRect{0, 0, 120, probe.textHeight("Файл") + 6}));
    TColor a = 0, b = 0, frame = 0;
    GetXPGroupBoxColors(gcsSystem, a, b, frame);
    EXPECT_EQ(c.pixel(0, 0), kFace);
    EXPECT_EQ(c.pixel(1, 0), ResolveColor(frame));
    // From the start colour at the top to the stop colour at the bottom (bands stepped in whole channels).
    EXPECT_TRUE(Near(c.pixel(115, 1), ResolveColor(b)));
    EXPECT_TRUE(Near(c.pixel(115, banner.Bottom - 2), ResolveColor(a)));

    // gsUnderline: a line just below the caption's rectangle.
    box->SetGroupStyle(gsUnderline);
    c = Painted(*box);
    EXPECT_EQ(c.pixel(100, box->CaptionRect().Bottom), flat);
    EXPECT_EQ(c.pixel(100, box->CaptionRect().Bottom - 1), kFace);
}

TEST_F(KitPanelTest, PicturesOfPanelsAndGroupBoxes)
{
    Canvas sheet(420, 250, clBtnFace);
    const auto place = [&](ui::TCustomControl& control, int x, int y) {
        Canvas c(control.Width(), control.Height());
        control.PaintTo(c);
        sheet.draw(x, y, c.bitmap());
    };
    panel->SetBounds(0, 0, 180, 39);
    panel->SetCaption("Панель");
    place(*panel, 10, 10);

    auto* gradient = ui::Create<TKitPanel>(form, "G", form);
    gradient->SetBounds(0, 0, 180, 60);
    gradient->SetVisualStyle(vsGradient);
    gradient->SetBorderOuter(fsFlatRounded);
    gradient->SetShowGrid(true);
    gradient->SetGridStyle(gsDottedLines);
    gradient->SetCaption("Градиент, сетка");
    place(*gradient, 10, 60);

    int x = 210, y = 10;
    for (const TKitGroupBoxStyle style : {gsStandard, gsTopLine, gsFlat, gsBanner, gsUnderline, gsCustom}) {
        auto* box = ui::Create<TKitGroupBox>(form, "", form);
        box->SetBounds(0, 0, 95, 70);
        box->SetGroupStyle(style);
        box->SetCaption("&Номер");
        place(*box, x, y);
        x += 105;
        if (x > 400) {
            x = 210;
            y += 80;
        }
    }
    testsupport::SavePicture(sheet.bitmap(), "kit_panels");
    SUCCEED();
}
