#include "kit/KitDlgBtn.h"

#include "platform/Text.h"
#include "ui/Component.h"

#include <algorithm>
#include <stdexcept>

TKitDialogButtons::TKitDialogButtons(ui::TComponent* owner) : TKitCustomPanel(owner)
{
    SetBorderOuter(fsNone);
    SetHeight(36);
    SetAlign(ui::alBottom);
    CreateButtons();
}

TKitBitBtn* TKitDialogButtons::Button(int index) const
{
    switch (index) {
    case btnOk: return ok_;
    case btnCancel: return cancel_;
    case btnHelp: return help_;
    default: throw std::out_of_range("dialog button index " + std::to_string(index));
    }
}

int& TKitDialogButtons::WidthField(int index)
{
    switch (index) {
    case btnOk: return widthOk_;
    case btnCancel: return widthCancel_;
    case btnHelp: return widthHelp_;
    default: throw std::out_of_range("dialog button index " + std::to_string(index));
    }
}

int TKitDialogButtons::ButtonWidth(int index) const { return const_cast<TKitDialogButtons*>(this)->WidthField(index); }

void TKitDialogButtons::CreateButtons()
{
    widthOk_ = widthCancel_ = widthHelp_ = defaultWidth_;
    const auto make = [this](const char* name, int width, ui::TModalResult result, TBitBtnKind kind,
                             void (TKitDialogButtons::*handler)()) {
        auto* button = ui::Create<TKitBitBtn>(this, name, this);
        button->SetBounds(0, 0, width, buttonHeight_);
        button->SetModalResult(result);
        button->SetCaption(BitBtnCaption(kind));
        button->OnClick = [this, handler](ui::TObject*) { (this->*handler)(); };
        return button;
    };
    ok_ = make("ButtonOk", widthOk_, ui::mrOk, ui::bkOK, &TKitDialogButtons::DoClickOk);
    ok_->SetDefault(true);
    cancel_ = make("ButtonCancel", widthCancel_, ui::mrCancel, ui::bkCancel, &TKitDialogButtons::DoClickCancel);
    cancel_->SetCancel(true);
    help_ = make("ButtonHelp", widthHelp_, ui::mrNone, ui::bkHelp, &TKitDialogButtons::DoClickHelp);
    help_->SetVisible(false);
    AdjustBarSize();
    ArrangeButtons();
}

bool TKitDialogButtons::Stacked() const { return Align() == ui::alLeft || Align() == ui::alRight; }

void TKitDialogButtons::AdjustBarSize()
{
    if (ok_ == nullptr || cancel_ == nullptr || help_ == nullptr) return;
    if (Stacked()) {
        int widest = 0;
        for (int i = btnOk; i <= btnHelp; ++i)
            if (Button(i)->Visible()) widest = std::max(widest, ButtonWidth(i));
        SetWidth(widest + 12);
    } else if (Align() == ui::alTop || Align() == ui::alBottom) {
        SetHeight(buttonHeight_ + 11);
    }
}

void TKitDialogButtons::ArrangeButtons()
{
    if (ok_ == nullptr || cancel_ == nullptr || help_ == nullptr || arranging_) return;
    arranging_ = true;
    const bool shown[4] = {false, ok_->Visible(), cancel_->Visible(), help_->Visible()};
    ui::TRect bounds[4];
    if (Stacked()) {
        const int visible = int(shown[1]) + int(shown[2]) + int(shown[3]);
        bounds[1] = ui::Bounds(6, 8, widthOk_, buttonHeight_);
        bounds[2] = ui::Bounds(6, shown[1] ? buttonHeight_ + 16 : 8, widthCancel_, buttonHeight_);
        bounds[3] = ui::Bounds(6, (visible - 1) * (buttonHeight_ + 8) + 8, widthHelp_, buttonHeight_);
    } else {
        // Room taken by the visible buttons from index i to the right edge, gaps and margin included.
        const auto room = [&](int from) {
            int sum = 0;
            for (int i = from; i <= btnHelp; ++i)
                if (shown[i]) sum += ButtonWidth(i) + 8;
            return sum;
        };
        if (UseRightToLeftAlignment()) {
            bounds[1] = ui::Bounds(room(1) - widthOk_, 6, widthOk_, buttonHeight_);
            bounds[2] = ui::Bounds(room(2) - widthCancel_, 6, widthCancel_, buttonHeight_);
            bounds[3] = ui::Bounds(8, 6, widthHelp_, buttonHeight_);
        } else {
            bounds[1] = ui::Bounds(Width() - room(1), 6, widthOk_, buttonHeight_);
            bounds[2] = ui::Bounds(Width() - room(2), 6, widthCancel_, buttonHeight_);
            bounds[3] = ui::Bounds(Width() - (widthHelp_ + 8), 6, widthHelp_, buttonHeight_);
        }
    }
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->SetBoundsRect(shown[i] ? bounds[i] : ui::TRect{});
    arranging_ = false;
}

void TKitDialogButtons::SetButtonCaption(int index, std::string v) { Button(index)->SetCaption(std::move(v)); }
void TKitDialogButtons::SetButtonModalResult(int index, ui::TModalResult v) { Button(index)->SetModalResult(v); }
void TKitDialogButtons::SetButtonEnabled(int index, bool v) { Button(index)->SetEnabled(v); }

void TKitDialogButtons::SetButtonWidth(int index, int v)
{
    WidthField(index) = v;
    AdjustBarSize();
    ArrangeButtons();
    Invalidate();
}

void TKitDialogButtons::SetShowButton(int index, bool v)
{
    Button(index)->SetVisible(v);
    // With no Cancel button to press, Esc acts on OK.
    if (index == btnCancel) ok_->SetCancel(!v);
    AdjustBarSize();
    ArrangeButtons();
}

void TKitDialogButtons::SetButtonColor(TColor v)
{
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->SetColor(v);
}

void TKitDialogButtons::SetButtonFrameColor(TColor v)
{
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->SetFrameColor(v);
}

void TKitDialogButtons::SetHotTrack(bool v)
{
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->SetHotTrack(v);
}

void TKitDialogButtons::SetHighlightColor(TColor v)
{
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->SetHighlightColor(v);
}

void TKitDialogButtons::SetHotTrackColor(TColor v)
{
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->StoreHotTrackColor(v);
}

void TKitDialogButtons::SetHotTrackColorType(TKitHotTrackColorType v)
{
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->StoreHotTrackColorType(v);
}

void TKitDialogButtons::SetShowDivider(bool v)
{
    showDivider_ = v;
    Invalidate();
}

void TKitDialogButtons::SetShowGlyphs(bool v)
{
    if (v == showGlyphs_) return;
    showGlyphs_ = v;
    static constexpr TBitBtnKind kinds[] = {ui::bkCustom, ui::bkOK, ui::bkCancel, ui::bkHelp};
    for (int i = btnOk; i <= btnHelp; ++i) Button(i)->SetGlyph(v ? GetBitBtnGlyph(kinds[i]) : ui::Bitmap());
    Invalidate();
}

void TKitDialogButtons::ChangeScale(int m, int d)
{
    if (m == d || d == 0) return;
    buttonHeight_ = MulDiv(buttonHeight_, m, d);
    defaultWidth_ = MulDiv(defaultWidth_, m, d);
    for (int i = btnOk; i <= btnHelp; ++i) {
        WidthField(i) = MulDiv(ButtonWidth(i), m, d);
        Button(i)->ChangeScale(m, d);
    }
    arranging_ = true;
    SetBounds(MulDiv(Left(), m, d), MulDiv(Top(), m, d), MulDiv(Width(), m, d), MulDiv(Height(), m, d));
    arranging_ = false;
    ArrangeButtons();
}

bool TKitDialogButtons::ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value)
{
    if (platform::AsciiUpper(name) != "FRAMEFLAT") return TKitCustomPanel::ReadObsoleteProperty(name, value);
    const std::optional<bool> flat = TKitOldPropReader::ReadOldBoolean(value);
    if (!flat) return false;
    SetHotTrack(*flat);
    return true;
}

void TKitDialogButtons::Resized()
{
    TKitCustomPanel::Resized();
    ArrangeButtons();
}

void TKitDialogButtons::AlignChanged()
{
    AdjustBarSize();
    ArrangeButtons();
    Invalidate();
}

void TKitDialogButtons::PaintPanel(ui::Canvas& canvas)
{
    TKitCustomPanel::PaintPanel(canvas);
    if (!showDivider_) return;
    TSides side = sdTop;
    switch (Align()) {
    case ui::alTop: side = sdBottom; break;
    case ui::alLeft: side = sdRight; break;
    case ui::alRight: side = sdLeft; break;
    default: side = sdTop; break;
    }
    DrawBorderSides(canvas, ClientRect(), fsGroove, side);
}
