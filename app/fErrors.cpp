#include "app/fErrors.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/Layout.h"

TFormErrors* FormErrors = nullptr;

namespace {

// What a row of the list takes beside its text: the cell's margins and the grid line.
constexpr int kCellRoom = 16;
// The list's vertical scroll bar, and what the window system's frame takes around the window.
constexpr int kScrollBarRoom = 20;
constexpr int kFrameRoom = 16;

}  // namespace

TFormErrors::TFormErrors(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("Ошибки");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({ui::biSystemMenu});
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(DesignedClientWidth);
    SetClientHeight(193);

    Label1 = ui::Create<ui::TLabel>(this, "Label1", this);
    Label1->SetCaption("Количество ошибок");
    pErrCount = ui::Create<ui::TPanel>(this, "pErrCount", this);
    pErrCount->SetBevelOuter(ui::bvLowered);
    pErrCount->SetCaption("");
    pErrCount->SetBounds(0, 0, 60, 21);
    lErrors = ui::Create<ui::TListView>(this, "lErrors", this);
    lErrors->SetViewStyle(ui::vsReport);
    lErrors->AddColumn("", 500);
    lErrors->SetShowColumnHeaders(false);
    lErrors->SetGridLines(true);
    lErrors->SetRowSelect(true);
    lErrors->SetColumnClick(false);
    lErrors->SetReadOnly(true);

    const ui::Layout::Metrics metrics;
    lErrors->SetBounds(0, 0, ClientWidth() - 2 * metrics.margin, 150);
    ui::Layout::Rows(*this, {{Label1, pErrCount}, {nullptr, lErrors}}, metrics);

    // Nothing to answer here: Esc and Enter close the window as its close box does.
    SetKeyPreview(true);
    OnKeyDown = [this](ui::TObject*, std::uint16_t& Key, ui::TShiftState) {
        if (Key != ui::VK_ESCAPE && Key != ui::VK_RETURN) return;
        Key = 0;
        Close();
    };
}

void TFormErrors::ShowList(const std::vector<std::string>& Lines)
{
    pErrCount->SetCaption(std::to_string(Lines.size()));
    FitToLines(Lines);
    lErrors->ClearItems();
    for (const std::string& line : Lines) lErrors->AddItem(line);
}

// Each line whole: the column as wide as the longest line and the window wide enough for it, as far as
// the desktop's work area allows; a longer line wraps in its row.
void TFormErrors::FitToLines(const std::vector<std::string>& Lines)
{
    int longest = 0;
    for (const std::string& line : Lines) longest = std::max(longest, ui::TextExtent(line, lErrors->Font()).cx + kCellRoom);
    const int margins = Width() - lErrors->Width();
    int width = std::max(DesignedClientWidth, longest + kScrollBarRoom + margins);
    if (const ui::TRect area = ui::App().Screen().WorkAreaRect(); !area.IsEmpty())
        width = std::min(width, std::max(DesignedClientWidth, area.Width() - kFrameRoom));
    SetClientWidth(width);
    lErrors->SetWidth(width - margins);
    lErrors->Column(0).Width = lErrors->Width() - kScrollBarRoom;
}
