#include "app/fErrors.h"

#include "ui/Layout.h"

TFormErrors* FormErrors = nullptr;

TFormErrors::TFormErrors(ui::TComponent* owner) : ui::TForm(owner)
{
    SetCaption("Ошибки");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons({ui::biSystemMenu});
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(426);
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
}

void TFormErrors::ShowList(const std::vector<std::string>& Lines)
{
    pErrCount->SetCaption(std::to_string(Lines.size()));
    lErrors->ClearItems();
    for (const std::string& line : Lines) lErrors->AddItem(line);
}
