#pragma once
// What the kit's tests share: a fresh application with a shown form and a person at it, the kit's
// controls made on that form, the repaints they ask for, and pictures of what they paint.
#include "kit/KitBorder.h"
#include "kit/KitButton.h"
#include "kit/KitDlgBtn.h"
#include "kit/KitLabel.h"
#include "kit/KitPanel.h"
#include "kit/KitPrgres.h"
#include "kit/KitRadChk.h"
#include "kit/KitSplit.h"
#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Pictures side by side (or one below the other), 4 pixels apart on grey.
inline ui::Bitmap Side(const std::vector<ui::Bitmap>& pictures, bool stacked = false)
{
    int along = 0, across = 0;
    for (const ui::Bitmap& p : pictures) {
        along += (stacked ? p.height() : p.width()) + 4;
        across = std::max(across, stacked ? p.width() : p.height());
    }
    ui::Canvas c(stacked ? across : along, stacked ? along : across, clGray);
    int at = 0;
    for (const ui::Bitmap& p : pictures) {
        c.draw(stacked ? 0 : at, stacked ? at : 0, p);
        at += (stacked ? p.height() : p.width()) + 4;
    }
    return c.bitmap();
}
inline ui::Bitmap Stack(const std::vector<ui::Bitmap>& pictures) { return Side(pictures, true); }

struct KitStage : ui::ModelObserver {
    KitStage()
    {
        app.SetObserver(this);
        form->SetBounds(0, 0, 400, 300);
        form->SetColor(clBtnFace);
        form->Show();
    }
    ~KitStage() override { app.SetObserver(nullptr); }

    void ControlChanged(ui::TControl& control, ui::ModelChange what) override
    {
        if (what == ui::ModelChange::Paint) ++paints[&control];
    }

    // A control of the form (or of `parent`) at (0, 0) with the size given.
    template <class T>
    T* Make(int width, int height, ui::TWinControl* parent = nullptr, std::string name = "")
    {
        T* control = ui::Create<T>(form, std::move(name), parent != nullptr ? parent : form);
        control->SetBounds(0, 0, width, height);
        return control;
    }

    // What the control paints on magenta, with its shown children painted over it where they stand.
    ui::Bitmap Picture(ui::TControl& control)
    {
        ui::Canvas canvas(control.Width(), control.Height(), clFuchsia);
        if (auto* custom = dynamic_cast<ui::TCustomControl*>(&control)) custom->PaintTo(canvas);
        else if (auto* graphic = dynamic_cast<ui::TGraphicControl*>(&control)) graphic->PaintTo(canvas);
        if (auto* holder = dynamic_cast<ui::TWinControl*>(&control))
            for (int i = 0; i < holder->ControlCount(); ++i)
                if (ui::TControl& child = *holder->Controls(i); child.Visible() && child.Width() > 0 && child.Height() > 0)
                    canvas.draw(child.Left(), child.Top(), Picture(child));
        return canvas.bitmap();
    }

    // Pictures of one control taken after each step, side by side.
    template <class... Step>
    ui::Bitmap Film(ui::TControl& control, Step&&... steps)
    {
        std::vector<ui::Bitmap> shots{Picture(control)};
        ((steps(), shots.push_back(Picture(control))), ...);
        return Side(shots);
    }

    // The main window's two splitters as its form sets them: the outer one stacks the page area over the
    // log, the inner one puts the page tree beside the pages.
    std::pair<TKitSplitter*, TKitSplitter*> MainWindowSplitters(int width, int height, int outerPosition, int innerPosition)
    {
        form->SetBounds(0, 0, width, height);
        auto* outer = Make<TKitSplitter>(width, height, nullptr, "KitSplitter1");
        outer->SetOrientation(orVertical);
        outer->SetHotSpotVisible(true);
        outer->SetHotSpotDirection(hsdMax);
        outer->SetSplitterStyle(ssGroove);
        outer->SetSplitterWidth(5);
        outer->SetFixedPane(fpLowerRight);
        outer->ChangePosition(outerPosition);
        auto* inner = Make<TKitSplitter>(0, 0, outer->Pane1(), "kitCntSpl");
        inner->SetBorderWidth(3);
        inner->SetBorderInner(fsGroove);
        inner->SetBorderSides(sdTop);
        inner->SetHotSpotVisible(true);
        inner->SetSplitterStyle(ssGroove);
        inner->SetSplitterWidth(6);
        inner->SetAlign(ui::alClient);
        inner->ChangePosition(innerPosition);
        return {outer, inner};
    }

    void Press(ui::TControl& c, int x, int y) { user.MouseDown(c, ui::mbLeft, {}, x, y); }
    void Release(ui::TControl& c, int x, int y) { user.MouseUp(c, ui::mbLeft, {}, x, y); }
    void Click(ui::TControl& c, int x, int y)
    {
        Press(c, x, y);
        Release(c, x, y);
    }

    ui::ApplicationScope scope;
    ui::Application& app = scope.App();
    ui::Driver user{app};
    ui::TForm* form = app.CreateForm<ui::TForm>("Form1");
    std::map<const ui::TControl*, int> paints;  // repaint requests per control
};

class KitTest : public ::testing::Test, public KitStage {};
