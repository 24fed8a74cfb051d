#include "ui/Layout.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"
#include "ui/Canvas.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

// The caption's width as the canvas draws it in the control's font: what the real window shows.
int DrawnWidth(const TControl& c)
{
    Canvas probe(0, 0);
    probe.font = CanvasFontOf(c.Font());
    TRect r{0, 0, 0, 0};
    probe.drawText(r, c.Caption(), tfCalcRect);
    return r.Width();
}

class LayoutTest : public testsupport::UiTest {
protected:
    template <class T = TLabel>
    T* Make(TWinControl* parent, const std::string& name, const std::string& caption = "")
    {
        auto* control = Create<T>(form, name, parent);
        if (!caption.empty()) control->SetCaption(caption);
        return control;
    }
};

TEST_F(LayoutTest, LabelledRowsInAGroupBoxFitTheirCaptionsDoNotOverlapAndTheBoxGrowsToHoldThem)
{
    auto* box = Make<TGroupBox>(form, "GroupBox3");
    box->SetBounds(0, 0, 50, 20);
    auto* label = Make(box, "l1", "Номер телефона GPRS");
    auto* phone = Make<TEdit>(box, "etSIM1Phone");
    auto* addr = Make<TEdit>(box, "etSIM1ADDR");
    auto* radio = Make<TRadioButton>(box, "radio", "НО Альтоники записывать в номер раздела  7QX3");
    radio->SetWidth(60);  // narrower than its caption, as a page may set it
    auto* button = Make<TButton>(box, "button", "Перезагрузить панель с новыми настройками");
    Layout::Rows(*box, {{label, phone}, {Make(box, "l2", "Точка доступа GPRS"), addr}, {Make(box, "l3", "Заметки"), Make<TMemo>(box, "memo")},
                        {nullptr, radio}, {nullptr, button}});
    EXPECT_FALSE(Layout::HasOverlap(*box));
    EXPECT_EQ(phone->Left(), addr->Left());
    EXPECT_GT(addr->Top(), phone->Top());
    EXPECT_GE(phone->Top(), box->AlignRect().Top);  // below the caption
    EXPECT_LE(DrawnWidth(*label), phone->Left() - label->Left()) << "the label ends before its edit";
    EXPECT_LE(DrawnWidth(*radio), radio->Width() - TButtonControl::GlyphRoom);
    EXPECT_LE(DrawnWidth(*button), button->Width() - TButtonControl::ButtonPadding);
    for (int i = 0; i < box->ControlCount(); ++i) {
        const TRect r = box->Controls(i)->BoundsRect();
        EXPECT_TRUE(r.Right <= box->Width() && r.Bottom <= box->Height()) << box->Controls(i)->Name();
    }
}

TEST_F(LayoutTest, GroupBoxesInColumnsDoNotOverlapAndTheOverlapCheckIgnoresHiddenControls)
{
    std::vector<TControl*> left;
    std::vector<TControl*> right;
    for (int i = 0; i < 3; ++i) {
        left.push_back(Make<TGroupBox>(form, "L" + std::to_string(i)));
        left.back()->SetHeight(60 + 10 * i);
        right.push_back(Make<TGroupBox>(form, "R" + std::to_string(i)));
        right.back()->SetWidth(100 + 50 * i);
    }
    form->SetBounds(0, 0, 10, 10);
    Layout::Columns(*form, {left, right});
    EXPECT_FALSE(Layout::HasOverlap(*form));
    EXPECT_EQ(right[0]->Width(), 200);  // a column is as wide as its widest box
    EXPECT_GE(form->Width(), right[0]->Left() + 200);
    EXPECT_GE(form->Height(), left[2]->Top() + left[2]->Height());
    auto* box = Make<TGroupBox>(form, "box");
    Make<TEdit>(box, "a")->SetBounds(0, 0, 50, 20);
    auto* b = Make<TEdit>(box, "b");
    b->SetBounds(40, 10, 50, 20);
    EXPECT_TRUE(Layout::HasOverlap(*box));
    b->Hide();
    EXPECT_FALSE(Layout::HasOverlap(*box));
}

TEST_F(LayoutTest, HiddenControlsLeaveNoGapAndShownOnesGetTheirPlaceBack)
{
    auto* box = Make<TGroupBox>(form, "GroupBox6");
    auto* label = Make(box, "lbARazd", "Номер раздела");
    auto* section = Make<TComboBox>(box, "cbARazd");
    auto* last = Make<TCheckBox>(box, "cbAltsect");
    auto* below = Make<TGroupBox>(form, "KitGroupBox1");
    Layout::Rows(*box, {{nullptr, Make<TCheckBox>(box, "cbIARazd")}, {label, section}, {nullptr, last}});
    Layout::Columns(*form, {{box, below}});
    const int lastTop = last->Top();
    const int belowTop = below->Top();

    label->Hide();
    section->Hide();
    EXPECT_EQ(last->Top(), section->Top());
    EXPECT_LT(below->Top(), belowTop) << "the box took the height of what it still shows";
    box->Hide();
    EXPECT_EQ(below->Top(), box->Top());
    box->Show();
    label->Show();
    section->Show();
    EXPECT_EQ(std::pair(last->Top(), below->Top()), std::pair(lastTop, belowTop));
}

}  // namespace
