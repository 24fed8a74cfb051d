#include "ui/Layout.h"

#include <algorithm>
#include <map>
#include <memory>

#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

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

// A control an arrangement places, for as long as it lives.
struct Member {
    TControl* control = nullptr;
    std::weak_ptr<void> alive;

    bool Live() const { return control != nullptr && !alive.expired(); }
    bool Shown() const { return Live() && control->Visible(); }
};

Member Hold(TControl* c) { return c != nullptr ? Member{c, c->Liveness()} : Member{}; }

// What an arrangement keeps between its runs.
struct State {
    std::vector<Member> members;
    std::function<void()> place;
    std::vector<int> last;  // what the last run depended on
    int naturalWidth = 0;   // the container's width for what it holds, before a parent widened it
};

// The arrangement of each arranged container, for as long as it lasts.
std::map<const TWinControl*, std::weak_ptr<State>>& Arranged()
{
    static std::map<const TWinControl*, std::weak_ptr<State>> arranged;
    return arranged;
}

std::shared_ptr<State> StateOf(const TControl& c)
{
    const auto* container = As<TWinControl>(&c);
    if (container == nullptr) return nullptr;
    const auto it = Arranged().find(container);
    return it != Arranged().end() ? it->second.lock() : nullptr;
}

// The width a control asks for: an arranged container what it holds (a column that made it wider may
// give it back), any other control its width, widened to show its caption whole.
int FittedWidth(const TControl& c)
{
    if (const auto state = StateOf(c); state != nullptr && state->naturalWidth > 0) return state->naturalWidth;
    return std::max(c.Width(), c.CaptionFitWidth());
}

void Place(TWinControl& container, TControl& c, int left, int top, int width, int height)
{
    if (c.Parent() != &container) c.SetParent(&container);
    c.SetBounds(left, top, width, height);
}

// The container's size for what it holds (see the header).
void Fit(TWinControl& container, int usedRight, int usedBottom, const Metrics& m)
{
    const Insets in = InsetsOf(container);
    const int wanted = usedBottom + m.margin + in.bottom;
    const int natural = std::max(usedRight + m.margin + in.right, container.CaptionFitWidth());
    if (const auto state = StateOf(container)) state->naturalWidth = natural;
    const TAlign align = container.Align();
    if (align == alTop || align == alBottom) {
        container.SetHeight(wanted);
        return;
    }
    if (align == alClient) {
        // Never smaller than what it holds: a parent that has less room scrolls it.
        container.Constraints().SetMinWidth(natural);
        container.Constraints().SetMinHeight(wanted);
        return;
    }
    if (align != alNone) return;
    const int width = std::max(container.Width(), natural);
    const int height = Is<TForm>(&container) ? std::max(container.Height(), wanted) : wanted;
    container.SetBounds(container.Left(), container.Top(), width, height);
}

// What an arrangement's placing depends on: the children's visibility, bounds and captions, and the
// container's size.
std::vector<int> Snapshot(const TWinControl& container, const std::vector<Member>& members)
{
    std::vector<int> now{container.Width(), container.Height(), container.CaptionFitWidth()};
    for (const Member& m : members) {
        if (!m.Live()) {
            now.push_back(-1);
            continue;
        }
        const TControl& c = *m.control;
        now.insert(now.end(), {c.Visible() ? 1 : 0, c.Left(), c.Top(), c.Width(), c.Height(), c.CaptionFitWidth()});
    }
    return now;
}

// Runs `place` as the container's arrangement, skipping the runs where nothing it depends on changed:
// a grid that shows and hides the boxes over its cells must not re-place the whole page each time.
void Arrange(TWinControl& container, std::vector<Member> members, std::function<void()> place)
{
    auto state = std::make_shared<State>(State{std::move(members), std::move(place), {}, 0});
    std::erase_if(Arranged(), [](const auto& entry) { return entry.second.expired(); });
    Arranged()[&container] = state;
    container.SetArrangement([&container, state] {
        if (Snapshot(container, state->members) == state->last) return;
        // A frame's insets are only whole once it has room: a container that grew is placed again.
        const int width = container.Width();
        const int height = container.Height();
        state->place();
        if (container.Width() != width || container.Height() != height) state->place();
        state->last = Snapshot(container, state->members);
    });
}

struct HeldRow {
    Member label;
    Member control;
    Member beside;
};

void PlaceRows(TWinControl& container, const std::vector<HeldRow>& rows, const Metrics& m)
{
    const Insets in = InsetsOf(container);
    const int left = in.left + m.margin;
    int labelWidth = 0;
    for (const HeldRow& row : rows)
        if (row.label.Shown() && row.control.Shown()) labelWidth = std::max(labelWidth, FittedWidth(*row.label.control));
    const int controlLeft = labelWidth > 0 ? left + labelWidth + m.labelGap : left;
    const int top = in.top + m.margin + m.lead;
    int y = top;
    int right = left;
    for (const HeldRow& row : rows) {
        TControl* label = row.label.Shown() ? row.label.control : nullptr;
        TControl* control = row.control.Shown() ? row.control.control : nullptr;
        TControl* beside = row.beside.Shown() ? row.beside.control : nullptr;
        if (label == nullptr && control == nullptr && beside == nullptr) continue;
        int height = 0;
        for (const TControl* part : {label, control, beside})
            if (part != nullptr) height = std::max(height, part->Height());
        // Each part centred on the row.
        const auto put = [&](TControl& part, int x) {
            Place(container, part, x, y + (height - part.Height()) / 2, FittedWidth(part), part.Height());
            right = std::max(right, x + part.Width());
            return x + part.Width();
        };
        int x = left;
        if (label != nullptr) x = put(*label, left) + m.labelGap;
        if (control != nullptr) x = put(*control, label != nullptr ? controlLeft : left) + m.labelGap;
        if (beside != nullptr) put(*beside, x);
        y += height + m.spacing;
    }
    Fit(container, right, y > top ? y - m.spacing : y, m);
}

// reserved: with Metrics::reserveHidden, the widest each column has been, which it keeps.
void PlaceColumns(TWinControl& parent, const std::vector<std::vector<Member>>& columns, const Metrics& m,
                  std::vector<int>& reserved)
{
    const Insets in = InsetsOf(parent);
    int x = in.left + m.margin;
    int right = x;
    int bottom = in.top + m.margin + m.lead;
    reserved.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        int width = 0;
        bool shown = false;
        for (const Member& c : column) {
            shown = shown || c.Shown();
            if (c.Shown() || (m.reserveHidden && c.Live())) width = std::max(width, FittedWidth(*c.control));
        }
        if (m.reserveHidden) width = reserved[i] = std::max(reserved[i], width);
        if (width == 0 || (!shown && !m.reserveHidden)) continue;
        int y = in.top + m.margin + m.lead;
        for (const Member& c : column) {
            if (!c.Shown()) continue;
            Place(parent, *c.control, x, y, width, c.control->Height());
            y += c.control->Height() + m.spacing;
        }
        bottom = std::max(bottom, y - m.spacing);
        right = x + width;
        x += width + m.spacing;
    }
    Fit(parent, right, bottom, m);
}

void PlaceLines(TWinControl& parent, const std::vector<std::vector<Member>>& lines, const Metrics& m)
{
    const Insets in = InsetsOf(parent);
    const int left = in.left + m.margin;
    int y = in.top + m.margin + m.lead;
    int right = left;
    int bottom = y;
    for (const auto& line : lines) {
        int x = left;
        int height = 0;
        for (const Member& c : line) {
            if (!c.Shown()) continue;
            Place(parent, *c.control, x, y, FittedWidth(*c.control), c.control->Height());
            x += c.control->Width() + m.spacing;
            right = std::max(right, x - m.spacing);
            height = std::max(height, c.control->Height());
        }
        if (height == 0) continue;
        bottom = y + height;
        y = bottom + m.spacing;
    }
    Fit(parent, right, bottom, m);
}

void PlaceFlow(TWinControl& container, const std::vector<Member>& controls, const Metrics& m)
{
    const Insets in = InsetsOf(container);
    const int left = in.left + m.margin;
    const int limit = container.ClientWidth() - in.right - m.margin;
    int x = left;
    int y = in.top + m.margin + m.lead;
    int lineHeight = 0;
    int right = left;
    for (const Member& held : controls) {
        if (!held.Shown()) continue;
        TControl& c = *held.control;
        const int width = FittedWidth(c);
        if (x > left && x + width > limit) {
            x = left;
            y += lineHeight + m.spacing;
            lineHeight = 0;
        }
        Place(container, c, x, y, width, c.Height());
        x += width + m.spacing;
        right = std::max(right, c.Left() + c.Width());
        lineHeight = std::max(lineHeight, c.Height());
    }
    Fit(container, right, y + lineHeight, m);
}

}  // namespace

void Rows(TWinControl& container, const std::vector<Row>& rows, const Metrics& m)
{
    std::vector<HeldRow> held;
    std::vector<Member> members;
    for (const Row& row : rows) {
        held.push_back({Hold(row.label), Hold(row.control), Hold(row.beside)});
        for (TControl* c : {row.label, row.control, row.beside})
            if (c != nullptr) members.push_back(Hold(c));
    }
    Arrange(container, std::move(members), [&container, held, m] { PlaceRows(container, held, m); });
}

void Stack(TWinControl& container, const std::vector<TControl*>& controls, const Metrics& m)
{
    std::vector<Row> rows;
    for (TControl* c : controls) rows.push_back(Row{nullptr, c});
    Rows(container, rows, m);
}

namespace {

// Controls in groups (columns or lines): each held in its group, and all of them in one list.
struct HeldGroups {
    std::vector<std::vector<Member>> groups;
    std::vector<Member> all;
};

HeldGroups HoldGroups(const std::vector<std::vector<TControl*>>& groups)
{
    HeldGroups held;
    for (const auto& group : groups) {
        held.groups.emplace_back();
        for (TControl* c : group) {
            held.groups.back().push_back(Hold(c));
            held.all.push_back(Hold(c));
        }
    }
    return held;
}

}  // namespace

void Columns(TWinControl& parent, const std::vector<std::vector<TControl*>>& columns, const Metrics& m)
{
    HeldGroups held = HoldGroups(columns);
    Arrange(parent, std::move(held.all), [&parent, groups = std::move(held.groups), m, reserved = std::vector<int>()]() mutable {
        PlaceColumns(parent, groups, m, reserved);
    });
}

void Lines(TWinControl& parent, const std::vector<std::vector<TControl*>>& lines, const Metrics& m)
{
    HeldGroups held = HoldGroups(lines);
    Arrange(parent, std::move(held.all), [&parent, groups = std::move(held.groups), m] { PlaceLines(parent, groups, m); });
}

void Flow(TWinControl& container, const std::vector<TControl*>& controls, const Metrics& m)
{
    std::vector<Member> held;
    for (TControl* c : controls) held.push_back(Hold(c));
    Arrange(container, held, [&container, held, m] { PlaceFlow(container, held, m); });
}

int ComboFitWidth(const TCustomCombo& combo, const std::vector<std::string>& texts)
{
    const auto* pictured = As<TComboBoxEx>(&combo);
    const int chrome = ComboChrome + (pictured != nullptr && pictured->Images() != nullptr ? ComboPicture : 0);
    int widest = 0;
    for (const std::string& text : texts) widest = std::max(widest, TextExtent(text, combo.Font()).cx);
    return widest + chrome;
}

TRect UsedRect(const TWinControl& container)
{
    TRect used{};
    for (int i = 0; i < container.ControlCount(); ++i) {
        const TControl* c = container.Controls(i);
        if (!c->Visible()) continue;
        const TRect r = c->BoundsRect();
        used = used.IsEmpty() ? r
                              : TRect{std::min(used.Left, r.Left), std::min(used.Top, r.Top), std::max(used.Right, r.Right),
                                      std::max(used.Bottom, r.Bottom)};
    }
    return used;
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
