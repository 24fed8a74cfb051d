#pragma once
// Places controls where a window gives no coordinates: labelled rows inside a group box or panel,
// plain stacks, group boxes in columns, and buttons in a wrapping line. Nothing placed overlaps.
//
// Each call becomes the container's arrangement: it is placed now and again whenever one of its
// children is shown, hidden or resized, so that hidden controls leave no gap. A container that is not
// aligned takes the height of what it holds and grows wide enough for it (a window keeps at least the
// size it was given); one aligned to fill its parent keeps the size that gives it, but never less than
// what it holds (its Constraints), so that a smaller parent scrolls it; a panel aligned to the top or
// bottom takes the height of its lines.
//
//   ui::Layout::Rows(*GroupBox3, {{Label1, etSIM1Phone}, {Label2, etSIM1ADDR}, {nullptr, CheckBox1}});
//   ui::Layout::Columns(*page, {{GroupBox3, GroupBox2}, {GroupBox4, GroupBox6}});
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace ui {
class TCustomCombo;
}

namespace ui::Layout {

struct Metrics {
    int margin = 8;    // from the container's inner edge
    int spacing = 6;   // between rows, and between columns
    int labelGap = 8;  // between a label and its control
    int lead = 0;      // more room above the first row (rows that stand between a neighbour's rows)
    // Columns: each is as wide as the widest of its controls, hidden ones too, and never narrows again,
    // so that a control shown or hidden later (by a connected device) moves no column beside it.
    bool reserveHidden = false;
};

struct Row {
    TControl* label = nullptr;    // nullptr: the control starts at the left edge
    TControl* control = nullptr;  // nullptr: the label stands alone
    TControl* beside = nullptr;   // a second control right of the first (a unit, a second field)
};

// Rows top to bottom: labels in a left column as wide as the widest shown label, controls beside them,
// each row as high as its taller part. Controls keep their heights and are widened to show their
// captions whole. A row whose parts are all hidden takes no room.
void Rows(TWinControl& container, const std::vector<Row>& rows, const Metrics& metrics = {});
// Controls top to bottom at the left edge.
void Stack(TWinControl& container, const std::vector<TControl*>& controls, const Metrics& metrics = {});
// Columns side by side, each column's shown controls top to bottom and as wide as the widest of them.
void Columns(TWinControl& parent, const std::vector<std::vector<TControl*>>& columns, const Metrics& metrics = {});
// Lines top to bottom, each line's shown controls left to right; a line is as high as its tallest.
void Lines(TWinControl& parent, const std::vector<std::vector<TControl*>>& lines, const Metrics& metrics = {});
// Left to right, a new line where the next control would cross the container's right edge.
void Flow(TWinControl& container, const std::vector<TControl*>& controls, const Metrics& metrics = {});

// What a combo box's frame and drop-down arrow take beside its text, and the picture of an item of a
// combo box with pictures.
constexpr int ComboChrome = 28;
constexpr int ComboPicture = 20;
// The width the combo box needs to show each of the texts whole in its font.
int ComboFitWidth(const TCustomCombo& combo, const std::vector<std::string>& texts);

// The union of the container's shown children's bounds (empty when none is shown): what a view that
// scrolls the container must be able to reach.
TRect UsedRect(const TWinControl& container);
// True when two visible children of the container share a pixel (for checks and tests).
bool HasOverlap(const TWinControl& container);

}  // namespace ui::Layout
