// Panels and group boxes: the enable memory, the far edge an aligned panel keeps, the room left to the
// children inside the frame and below the caption, and the repaints a look change asks for. Their looks
// are held by KitPicturesTest.
#include "KitStage.h"

#include "ui/ExtCtrls.h"

#include <map>

using ui::TRect;

namespace {

// Counts the repaint requests each control made.
class PaintCounter : public ui::ModelObserver {
public:
    void ControlChanged(ui::TControl& control, ui::ModelChange what) override
    {
        if (what == ui::ModelChange::Paint) ++requests[&control];
    }
    std::map<const ui::TControl*, int> requests;
};

class KitPanelTest : public KitTest {
protected:
    std::vector<bool> Enabled(const std::vector<ui::TControl*>& controls) const
    {
        std::vector<bool> states;
        for (const ui::TControl* c : controls) states.push_back(c->Enabled());
        return states;
    }

    TKitPanel* panel = Make<TKitPanel>(100, 60);
};

using Flags = std::vector<bool>;

}  // namespace

// --- enable memory ---

TEST_F(KitPanelTest, EnablingBringsBackExactlyTheChildrenThatWereEnabled)
{
    auto* a = Make<ui::TCustomControl>(5, 5, panel);
    auto* b = Make<ui::TCustomControl>(5, 5, panel);
    auto* freed = Make<ui::TCustomControl>(5, 5, panel);
    auto* inner = Make<TKitPanel>(20, 20, panel);
    auto* x = Make<ui::TCustomControl>(5, 5, inner);
    auto* y = Make<ui::TCustomControl>(5, 5, inner);
    b->SetEnabled(false);
    y->SetEnabled(false);
    panel->SetEnabled(false);
    EXPECT_EQ(Enabled({a, b, inner, x, y}), (Flags{false, false, false, false, false}));
    ui::Free(freed);
    auto* newcomer = Make<ui::TCustomControl>(5, 5, panel);  // came while disabled: comes back enabled
    newcomer->SetEnabled(false);
    panel->SetEnabled(true);
    EXPECT_EQ(Enabled({a, b, inner, x, y, newcomer}), (Flags{true, false, true, true, false, true}));
    a->SetEnabled(false);
    panel->SetEnabled(true);  // enabling an enabled panel changes nothing
    EXPECT_FALSE(a->Enabled());
}

TEST_F(KitPanelTest, AChildThatLeftAndCameBackIsANewcomer)
{
    auto* b = Make<ui::TCustomControl>(5, 5, panel);
    b->SetEnabled(false);
    panel->SetEnabled(false);
    auto* other = Make<ui::TPanel>(10, 10);
    b->SetParent(other);
    b->SetParent(panel);
    panel->SetEnabled(true);
    EXPECT_TRUE(b->Enabled());
}

// --- bounds and the children's room ---

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
    panel->SetAlign(ui::alBottom);  // inside a parent the alignment itself keeps the edge
    panel->SetHeight(49);
    EXPECT_EQ(panel->Top(), form->ClientHeight() - 49);
}

TEST_F(KitPanelTest, ChildrenShareWhatLiesInsideTheFrame)
{
    auto* child = Make<ui::TCustomControl>(5, 5, panel);
    child->SetAlign(ui::alClient);
    const std::vector<std::pair<std::function<void()>, TRect>> steps = {
        {[] {}, {2, 2, 98, 58}},  // fsRaised: two lines
        {[&] { panel->SetBorderWidth(3); panel->SetBorderInner(fsFlat); }, {6, 6, 94, 54}},
        {[&] { panel->SetBorderSides(sdLeft | sdTop); panel->SetBorderOuter(fsStatus); panel->SetBevelWidth(4); }, {8, 8, 97, 57}},
        {[&] { panel->SetBevelWidth(1); panel->SetBorderInner(fsFlatRounded); }, {6, 6, 97, 57}},
        {[&] { panel->SetBorderOuter(fsButtonUp); panel->SetBorderSides(sdRight); }, {3, 3, 93, 57}},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].first();
        EXPECT_EQ(child->BoundsRect(), steps[i].second) << "step " << i;
    }
}

TEST_F(KitPanelTest, GroupBoxChildrenStartBelowTheCaption)
{
    auto* box = Make<TKitGroupBox>(200, 105);
    ui::Canvas probe(0, 0);
    probe.font = CanvasFont(box->Font());
    const int h = probe.textHeight("Yy");
    auto* child = Make<ui::TCustomControl>(5, 5, box);
    child->SetAlign(ui::alClient);
    const std::vector<std::pair<std::function<void()>, TRect>> steps = {
        {[] {}, {1, h + 1, 199, 104}},  // gsFlat: the caption's height, then 1 for the flat frame
        {[&] { box->SetGroupStyle(gsStandard); }, {2, h + 2, 198, 103}},
        {[&] { box->SetBorderWidth(10); }, {12, 10 + h / 2 - 1 + 2, 188, 93}},  // half the caption lies within the band
        {[&] { box->SetBorderWidth(0); box->SetGroupStyle(gsTopLine); }, {0, h, 200, 105}},
        {[&] { box->SetGroupStyle(gsBanner); }, {0, h + 8, 200, 105}},
        {[&] { box->SetGroupStyle(gsUnderline); }, {0, h + 4, 200, 105}},
        {[&] { box->SetGroupStyle(gsCustom); }, {2, 2, 198, 103}},
        {[&] { box->SetCaption("Номер"); }, {2, h + 2, 198, 103}},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].first();
        EXPECT_EQ(child->BoundsRect(), steps[i].second) << "step " << i;
    }
    box->SetGroupStyle(gsFlat);
    box->Font().SetHeight(box->Font().Height() * 2);  // a bigger font moves the children down
    EXPECT_GT(child->Top(), 2 * h - 2);
    box->SetCaption("&Номер объекта");  // measured without its accelerator mark
    probe.font = CanvasFont(box->Font());
    const ui::TSize caption = probe.textExtent("Номер объекта");
    EXPECT_EQ(box->CaptionRect(), ui::Bounds(8, 0, caption.cx, caption.cy));
}

// --- painting requests and stored properties ---

TEST_F(KitPanelTest, LookChangesRepaintTheTransparentChildrenAndOnPaintFollows)
{
    PaintCounter observer;
    app.SetObserver(&observer);
    auto* glass = Make<TKitPanel>(10, 10, panel);
    glass->SetTransparent(true);
    auto* solid = Make<TKitPanel>(10, 10, panel);
    auto* picture = Make<ui::TImage>(10, 10, panel);
    picture->SetTransparent(true);
    observer.requests.clear();
    panel->SetGradientColorStart(clRed);
    panel->SetGradientColorStart(clRed);  // no change, no repaint
    panel->SetGradientDirection(gdVerticalBox);
    EXPECT_EQ((std::vector{observer.requests[glass], observer.requests[picture], observer.requests[solid], observer.requests[panel]}),
              (std::vector{2, 2, 0, 2}));
    observer.requests.clear();
    panel->SetTransparent(true);  // every child
    EXPECT_EQ(observer.requests[solid], 1);
    app.SetObserver(nullptr);

    panel->OnPaint = [&](ui::TObject* sender) {
        ASSERT_EQ(sender, panel);
        panel->PaintCanvas()->setPixel(10, 10, clRed);
    };
    ui::Canvas c(100, 60);
    panel->PaintTo(c);
    EXPECT_EQ(c.pixel(10, 10), clRed);
}

TEST_F(KitPanelTest, ObsoleteStoredPropertiesAndTheFrameControllerLink)
{
    EXPECT_TRUE(panel->ReadObsoleteProperty("FrameSides", std::vector<std::string>{"sdLeft"}));
    EXPECT_TRUE(panel->ReadObsoleteProperty("ThemeAware", false));
    EXPECT_TRUE(panel->ReadObsoleteProperty("UseGradients", true));
    EXPECT_EQ(panel->VisualStyle(), vsGradient);
    EXPECT_FALSE(panel->ReadObsoleteProperty("UseGradients", 1LL));
    EXPECT_FALSE(panel->ReadObsoleteProperty("Locked", true));

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
    auto* another = Make<TKitPanel>(10, 10);
    another->SetFrameController(second);
    ui::Free(second);
    EXPECT_EQ(another->FrameController(), nullptr);
}
