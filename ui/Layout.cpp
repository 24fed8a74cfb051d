#include "ui/Layout.h"

#include <algorithm>

namespace ui::Layout {

namespace {

// What the container's frame takes beyond the area its children share (a group box's caption).
struct Insets {
    int left, top, right, bottom;
};

Insets InsetsOf(const TWinControl& c)
{
    const TRect client = c.ClientRect();
    const TRect inner = c.AlignRect();
    return {inner.Left - client.Left, inner.Top - client.Top, client.Right - inner.Right, client.Bottom - inner.Bottom};
}

void Grow(TWinControl& container, int usedRight, int usedBottom, const Metrics& m)
{
    const Insets in = InsetsOf(container);
    const int width = std::max({container.Width(), usedRight + m.margin + in.right, container.CaptionFitWidth()});
    const int height = std::max(container.Height(), usedBottom + m.margin + in.bottom);
    container.SetBounds(container.Left(), container.Top(), width, height);
}

// A control's width, widened to show its caption whole.
int FittedWidth(const TControl& c) { return std::max(c.Width(), c.CaptionFitWidth()); }

}  // namespace

void Rows(TWinControl& container, const std::vector<Row>& rows, const Metrics& m)
{
    const Insets in = InsetsOf(container);
    const int left = in.left + m.margin;
    int labelWidth = 0;
    for (const Row& row : rows)
        if (row.label != nullptr && row.control != nullptr) labelWidth = std::max(labelWidth, FittedWidth(*row.label));
    const int controlLeft = labelWidth > 0 ? left + labelWidth + m.labelGap : left;
    int y = in.top + m.margin;
    int right = left;
    for (const Row& row : rows) {
        const int labelHeight = row.label ? row.label->Height() : 0;
        const int controlHeight = row.control ? row.control->Height() : 0;
        const int height = std::max(labelHeight, controlHeight);
        if (row.label != nullptr) {
            if (row.label->Parent() != &container) row.label->SetParent(&container);
            row.label->SetBounds(left, y + (height - labelHeight) / 2, FittedWidth(*row.label), labelHeight);
            right = std::max(right, left + row.label->Width());
        }
        if (row.control != nullptr) {
            if (row.control->Parent() != &container) row.control->SetParent(&container);
            const int x = row.label != nullptr ? controlLeft : left;
            row.control->SetBounds(x, y + (height - controlHeight) / 2, FittedWidth(*row.control), controlHeight);
            right = std::max(right, x + row.control->Width());
        }
        y += height + m.spacing;
    }
    Grow(container, right, rows.empty() ? y : y - m.spacing, m);
}

void Stack(TWinControl& container, const std::vector<TControl*>& controls, const Metrics& m)
{
    std::vector<Row> rows;
    for (TControl* c : controls) rows.push_back(Row{nullptr, c});
    Rows(container, rows, m);
}

void Columns(TWinControl& parent, const std::vector<std::vector<TControl*>>& columns, const Metrics& m)
{
    const Insets in = InsetsOf(parent);
    int x = in.left + m.margin;
    int bottom = in.top + m.margin;
    for (const auto& column : columns) {
        int width = 0;
        for (const TControl* c : column) width = std::max(width, c->Width());
        int y = in.top + m.margin;
        for (TControl* c : column) {
            if (c->Parent() != &parent) c->SetParent(&parent);
            c->SetBounds(x, y, width, c->Height());
            y += c->Height() + m.spacing;
        }
        if (!column.empty()) bottom = std::max(bottom, y - m.spacing);
        x += width + m.spacing;
    }
    Grow(parent, columns.empty() ? x : x - m.spacing, bottom, m);
}

bool HasOverlap(const TWinControl& container)
{
    for (int i = 0; i < container.ControlCount(); ++i) {
        const TControl* a = container.Controls(i);
        if (!a->Visible()) continue;
        for (int j = i + 1; j < container.ControlCount(); ++j) {
            const TControl* b = container.Controls(j);
            if (b->Visible() && a->BoundsRect().Intersects(b->BoundsRect())) return true;
        }
    }
    return false;
}

}  // namespace ui::Layout
