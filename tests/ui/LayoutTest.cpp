#include "ui/Layout.h"

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
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

class LayoutTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    TForm* page = Create<TForm>(&scope.App(), "formGPRS");

    TLabel* Label(TWinControl* parent, const std::string& name, const std::string& caption)
    {
        auto* label = Create<TLabel>(page, name, parent);
        label->SetCaption(caption);
        return label;
    }
};

TEST_F(LayoutTest, LabelledRowsInAGroupBoxDoNotOverlapAndTheBoxGrowsToHoldThem)
{
    auto* box = Create<TGroupBox>(page, "GroupBox3", page);
    box->SetBounds(0, 0, 50, 20);
    auto* phone = Create<TEdit>(page, "etSIM1Phone", box);
    auto* addr = Create<TEdit>(page, "etSIM1ADDR", box);
    auto* wide = Create<TMemo>(page, "memo", box);
    auto* flag = Create<TCheckBox>(page, "CheckBox1", box);
    Layout::Rows(*box, {{Label(box, "l1", "Номер телефона GPRS"), phone},
                        {Label(box, "l2", "Точка доступа GPRS"), addr},
                        {Label(box, "l3", "Заметки"), wide},
                        {nullptr, flag}});
    EXPECT_FALSE(Layout::HasOverlap(*box));
    EXPECT_EQ(phone->Left(), addr->Left());
    EXPECT_GT(addr->Top(), phone->Top());
    EXPECT_GE(phone->Top(), box->AlignRect().Top);  // below the caption
    for (int i = 0; i < box->ControlCount(); ++i) {
        const TRect r = box->Controls(i)->BoundsRect();
        EXPECT_LE(r.Right, box->Width());
        EXPECT_LE(r.Bottom, box->Height());
    }
}

TEST_F(LayoutTest, GroupBoxesInColumnsDoNotOverlap)
{
    std::vector<TControl*> left;
    std::vector<TControl*> right;
    for (int i = 0; i < 3; ++i) {
        auto* box = Create<TGroupBox>(page, "L" + std::to_string(i), page);
        box->SetHeight(60 + 10 * i);
        left.push_back(box);
        auto* other = Create<TGroupBox>(page, "R" + std::to_string(i), page);
        other->SetWidth(100 + 50 * i);
        right.push_back(other);
    }
    page->SetBounds(0, 0, 10, 10);
    Layout::Columns(*page, {left, right});
    EXPECT_FALSE(Layout::HasOverlap(*page));
    EXPECT_EQ(right[0]->Width(), 200);  // a column is as wide as its widest box
    EXPECT_GE(page->Width(), right[0]->Left() + 200);
    EXPECT_GE(page->Height(), left[2]->Top() + left[2]->Height());
}

TEST_F(LayoutTest, HiddenControlsLeaveNoGapAndShownOnesGetTheirPlaceBack)
{
    auto* box = Create<TGroupBox>(page, "GroupBox6", page);
    auto* first = Create<TCheckBox>(page, "cbIARazd", box);
    auto* label = Label(box, "lbARazd", "Номер раздела");
    auto* section = Create<TComboBox>(page, "cbARazd", box);
    auto* last = Create<TCheckBox>(page, "cbAltsect", box);
    auto* below = Create<TGroupBox>(page, "KitGroupBox1", page);
    Layout::Rows(*box, {{nullptr, first}, {label, section}, {nullptr, last}});
    Layout::Columns(*page, {{box, below}});
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
    EXPECT_EQ(last->Top(), lastTop);
    EXPECT_EQ(below->Top(), belowTop);
}

TEST_F(LayoutTest, OverlapCheckSeesOverlapsAndIgnoresHiddenControls)
{
    auto* a = Create<TEdit>(page, "a", page);
    auto* b = Create<TEdit>(page, "b", page);
    a->SetBounds(0, 0, 50, 20);
    b->SetBounds(40, 10, 50, 20);
    EXPECT_TRUE(Layout::HasOverlap(*page));
    b->Hide();
    EXPECT_FALSE(Layout::HasOverlap(*page));
}

TEST_F(LayoutTest, CaptionsAreMeasuredInTheFontTheyAreDrawnIn)
{
    // Wide and narrow letters of the same count differ, as they do on the screen.
    auto* wide = Label(page, "wide", "ШШШШШШШШ");
    auto* narrow = Label(page, "narrow", "iiiiiiii");
    EXPECT_EQ(wide->Width(), DrawnWidth(*wide));
    EXPECT_EQ(narrow->Width(), DrawnWidth(*narrow));
    EXPECT_GT(wide->Width(), 3 * narrow->Width());

    // Bigger and bolder type takes more room; an accelerator's "&" none; each line its own.
    auto* plain = Label(page, "plain", "Номер объекта");
    auto* accel = Label(page, "accel", "&Номер объекта");
    EXPECT_EQ(accel->Width(), plain->Width());
    auto* bold = Label(page, "bold", "Номер объекта");
    bold->Font().SetStyle({fsBold});
    EXPECT_GT(bold->Width(), plain->Width());
    auto* big = Label(page, "big", "Номер объекта");
    big->Font().SetSize(14);
    EXPECT_GT(big->Width(), bold->Width());
    EXPECT_GT(big->Height(), plain->Height());
    auto* lines = Label(page, "lines", "Сигнал\r\nНомер объекта");
    EXPECT_EQ(lines->Width(), plain->Width());
    EXPECT_EQ(lines->Height(), 2 * plain->Height());
    EXPECT_EQ(TextHeightEstimate(plain->Font()), plain->Height());
}

TEST_F(LayoutTest, CheckBoxesAndRadioButtonsWidenToShowTheirCaptionBesideTheGlyph)
{
    auto* check = Create<TCheckBox>(page, "check", page);
    const int before = check->Width();
    check->SetCaption("ok");
    EXPECT_EQ(check->Width(), before) << "a short caption leaves the size alone";
    check->SetCaption("Изменять номера объектов Альтоники на номер");
    EXPECT_GE(check->Width() - TButtonControl::GlyphRoom, DrawnWidth(*check));
    check->SetCaption("ok");
    EXPECT_GE(check->Width() - TButtonControl::GlyphRoom, DrawnWidth(*check) + 100) << "never narrows by itself";

    auto* radio = Create<TRadioButton>(page, "radio", page);
    radio->SetCaption("Стандартный Contact ID и тоновый набор");
    EXPECT_GE(radio->Width() - TButtonControl::GlyphRoom, DrawnWidth(*radio));
    radio->Font().SetStyle({fsBold});
    EXPECT_GE(radio->Width() - TButtonControl::GlyphRoom, DrawnWidth(*radio)) << "a bolder font widens it again";
}

TEST_F(LayoutTest, LaidOutCaptionsFitTheirControls)
{
    auto* box = Create<TGroupBox>(page, "box", page);
    auto* button = Create<TButton>(page, "button", box);
    button->SetCaption("Перезагрузить панель с новыми настройками");
    auto* radio = Create<TRadioButton>(page, "radio", box);
    radio->SetCaption("НО Альтоники записывать в номер раздела  7QX3");
    radio->SetWidth(60);  // narrower than its caption, as a page may set it
    auto* label = Label(box, "label", "Номер объекта");
    auto* edit = Create<TEdit>(page, "edit", box);
    Layout::Rows(*box, {{label, edit}, {nullptr, radio}, {nullptr, button}});

    EXPECT_LE(DrawnWidth(*label), label->Width());
    EXPECT_LE(DrawnWidth(*label), edit->Left() - label->Left()) << "the label ends before its edit";
    EXPECT_LE(DrawnWidth(*radio), radio->Width() - TButtonControl::GlyphRoom);
    EXPECT_LE(DrawnWidth(*button), button->Width() - TButtonControl::ButtonPadding);
    EXPECT_FALSE(Layout::HasOverlap(*box));
    for (const TControl* c : {static_cast<const TControl*>(label), static_cast<const TControl*>(radio),
                              static_cast<const TControl*>(button)})
        EXPECT_LE(c->Left() + c->Width(), box->Width()) << c->Name();
}

}  // namespace
