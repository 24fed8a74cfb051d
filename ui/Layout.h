#pragma once
// Places controls where a window gives no coordinates: labelled rows inside a group box or panel,
// plain stacks, and group boxes in columns. Containers grow to hold what is placed in them, never
// shrink, and nothing placed overlaps.
//
//   ui::Layout::Rows(*GroupBox3, {{Label1, etSIM1Phone}, {Label2, etSIM1ADDR}, {nullptr, CheckBox1}});
//   ui::Layout::Columns(*page, {{GroupBox3, GroupBox2}, {GroupBox4, GroupBox6}});
#include <vector>

#include "ui/Controls.h"

namespace ui::Layout {

struct Metrics {
    int margin = 8;    // from the container's inner edge
    int spacing = 6;   // between rows, and between columns
    int labelGap = 8;  // between a label and its control
};

struct Row {
    TControl* label = nullptr;    // nullptr: the control starts at the left edge
    TControl* control = nullptr;  // nullptr: the label stands alone
};

// Rows top to bottom: labels in a left column as wide as the widest label, controls beside them, each
// row as high as its taller part. Controls keep their sizes.
void Rows(TWinControl& container, const std::vector<Row>& rows, const Metrics& metrics = {});
// Controls top to bottom at the left edge, keeping their sizes.
void Stack(TWinControl& container, const std::vector<TControl*>& controls, const Metrics& metrics = {});
// Columns side by side, each column's controls top to bottom and as wide as the widest of them.
void Columns(TWinControl& parent, const std::vector<std::vector<TControl*>>& columns, const Metrics& metrics = {});
// True when two visible children of the container share a pixel (for checks and tests).
bool HasOverlap(const TWinControl& container);

}  // namespace ui::Layout
