#pragma once
// The bar at the bottom of a dialog with its OK, Cancel and Help buttons, laid out flush right (or stacked
// when the bar stands at a side) and standing for the buttons' captions, widths, modal results, states and
// colours.
#include "kit/KitButton.h"
#include "kit/KitPanel.h"

#include <functional>
#include <string>

class TKitDialogButtons : public TKitCustomPanel {
public:
    // Buttons by index: 1 OK, 2 Cancel, 3 Help.
    enum { btnOk = 1, btnCancel = 2, btnHelp = 3 };

    explicit TKitDialogButtons(ui::TComponent* owner);

    TKitBitBtn* Button(int index) const;
    TKitBitBtn* ButtonOk() const { return Button(btnOk); }
    TKitBitBtn* ButtonCancel() const { return Button(btnCancel); }
    TKitBitBtn* ButtonHelp() const { return Button(btnHelp); }

    const std::string& ButtonCaption(int index) const { return Button(index)->Caption(); }
    virtual void SetButtonCaption(int index, std::string v);
    int ButtonWidth(int index) const;
    virtual void SetButtonWidth(int index, int v);
    ui::TModalResult ButtonModalResult(int index) const { return Button(index)->ModalResult(); }
    virtual void SetButtonModalResult(int index, ui::TModalResult v);
    bool ButtonEnabled(int index) const { return Button(index)->Enabled(); }
    virtual void SetButtonEnabled(int index, bool v);
    bool ShowButton(int index) const { return Button(index)->Visible(); }
    virtual void SetShowButton(int index, bool v);

    // The named properties of the bar, over the indexed ones.
    const std::string& CaptionOk() const { return ButtonCaption(btnOk); }
    void SetCaptionOk(std::string v) { SetButtonCaption(btnOk, std::move(v)); }
    const std::string& CaptionCancel() const { return ButtonCaption(btnCancel); }
    void SetCaptionCancel(std::string v) { SetButtonCaption(btnCancel, std::move(v)); }
    const std::string& CaptionHelp() const { return ButtonCaption(btnHelp); }
    void SetCaptionHelp(std::string v) { SetButtonCaption(btnHelp, std::move(v)); }
    int WidthOk() const { return ButtonWidth(btnOk); }
    void SetWidthOk(int v) { SetButtonWidth(btnOk, v); }
    int WidthCancel() const { return ButtonWidth(btnCancel); }
    void SetWidthCancel(int v) { SetButtonWidth(btnCancel, v); }
    int WidthHelp() const { return ButtonWidth(btnHelp); }
    void SetWidthHelp(int v) { SetButtonWidth(btnHelp, v); }
    ui::TModalResult ModalResultOk() const { return ButtonModalResult(btnOk); }
    void SetModalResultOk(ui::TModalResult v) { SetButtonModalResult(btnOk, v); }
    ui::TModalResult ModalResultCancel() const { return ButtonModalResult(btnCancel); }
    void SetModalResultCancel(ui::TModalResult v) { SetButtonModalResult(btnCancel, v); }
    ui::TModalResult ModalResultHelp() const { return ButtonModalResult(btnHelp); }
    void SetModalResultHelp(ui::TModalResult v) { SetButtonModalResult(btnHelp, v); }
    bool EnableOk() const { return ButtonEnabled(btnOk); }
    void SetEnableOk(bool v) { SetButtonEnabled(btnOk, v); }
    bool EnableCancel() const { return ButtonEnabled(btnCancel); }
    void SetEnableCancel(bool v) { SetButtonEnabled(btnCancel, v); }
    bool EnableHelp() const { return ButtonEnabled(btnHelp); }
    void SetEnableHelp(bool v) { SetButtonEnabled(btnHelp, v); }
    bool ShowOKButton() const { return ShowButton(btnOk); }
    void SetShowOKButton(bool v) { SetShowButton(btnOk, v); }
    bool ShowCancelButton() const { return ShowButton(btnCancel); }
    void SetShowCancelButton(bool v) { SetShowButton(btnCancel, v); }
    bool ShowHelpButton() const { return ShowButton(btnHelp); }
    void SetShowHelpButton(bool v) { SetShowButton(btnHelp, v); }

    bool OKDefault() const { return ButtonOk()->Default(); }
    virtual void SetOKDefault(bool v) { ButtonOk()->SetDefault(v); }
    bool CancelCancel() const { return ButtonCancel()->Cancel(); }
    virtual void SetCancelCancel(bool v) { ButtonCancel()->SetCancel(v); }

    // Read from the OK button, written to all three.
    TColor ButtonColor() const { return ButtonOk()->Color(); }
    virtual void SetButtonColor(TColor v);
    TColor ButtonFrameColor() const { return ButtonOk()->FrameColor(); }
    virtual void SetButtonFrameColor(TColor v);
    bool HotTrack() const { return ButtonOk()->HotTrack(); }
    virtual void SetHotTrack(bool v);
    TColor HighlightColor() const { return ButtonOk()->HighlightColor(); }
    virtual void SetHighlightColor(TColor v);
    TColor HotTrackColor() const { return ButtonOk()->HotTrackColor(); }
    virtual void SetHotTrackColor(TColor v);
    TKitHotTrackColorType HotTrackColorType() const { return ButtonOk()->HotTrackColorType(); }
    virtual void SetHotTrackColorType(TKitHotTrackColorType v);

    bool ShowDivider() const { return showDivider_; }
    virtual void SetShowDivider(bool v);
    bool ShowGlyphs() const { return showGlyphs_; }
    virtual void SetShowGlyphs(bool v);

    int ButtonHeight() const { return buttonHeight_; }

    // The form's scaling by m/d: the bar, the button height and the widths follow, and the buttons are
    // laid out again.
    virtual void ChangeScale(int m, int d);
    // The obsolete stored property "FrameFlat" sets HotTrack; false for any other name or kind.
    bool ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value) override;

    std::function<void(ui::TObject* Sender)> OnClickOk;
    std::function<void(ui::TObject* Sender)> OnClickCancel;
    std::function<void(ui::TObject* Sender)> OnClickHelp;

protected:
    virtual void CreateButtons();
    virtual void AdjustBarSize();
    virtual void ArrangeButtons();
    virtual void DoClickOk() { ui::Fire(OnClickOk, this); }
    virtual void DoClickCancel() { ui::Fire(OnClickCancel, this); }
    virtual void DoClickHelp() { ui::Fire(OnClickHelp, this); }

    void PaintPanel(ui::Canvas& canvas) override;
    void Resized() override;
    void AlignChanged() override;

private:
    bool Stacked() const;
    int& WidthField(int index);

    int buttonHeight_ = 25;
    int defaultWidth_ = 75;
    int widthOk_ = 75;
    int widthCancel_ = 75;
    int widthHelp_ = 75;
    bool showDivider_ = false;
    bool showGlyphs_ = false;
    bool arranging_ = false;
    TKitBitBtn* ok_ = nullptr;
    TKitBitBtn* cancel_ = nullptr;
    TKitBitBtn* help_ = nullptr;
};
