#pragma once
// The error list shown after a device operation: how many parameter groups failed, and which.
#include <string>
#include <vector>

#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

// Each line is shown whole (the window widens for the longest, within the screen); Esc and Enter close
// the window.
class TFormErrors : public ui::TForm {
public:
    static constexpr int DesignedClientWidth = 426;

    explicit TFormErrors(ui::TComponent* owner);

    ui::TLabel* Label1;
    ui::TPanel* pErrCount;
    ui::TListView* lErrors;

    // The count in pErrCount and one row per line of lErrors, in order.
    void ShowList(const std::vector<std::string>& Lines);

private:
    void FitToLines(const std::vector<std::string>& Lines);
};

// The error window made at start-up (owned by the application).
extern TFormErrors* FormErrors;
