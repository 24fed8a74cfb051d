#pragma once
// The kit's push buttons. TKitCustomButton tracks the mouse and the focus and draws the caption in one of
// four text styles; TKitButton adds default and cancel buttons, the modal result, group buttons that stay
// down, and the classic and hot-track looks; TKitBitBtn adds a glyph (a bitmap strip or an image of an
// image list) beside the caption and the standard kinds (OK, Cancel, Help ...).
#include "kit/KitCommon.h"
#include "kit/KitGrafx.h"
#include "kit/KitPanel.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/StdCtrls.h"

#include <optional>
#include <string>
#include <string_view>

namespace ui {
class TImageList;
}  // namespace ui

enum TKitHotTrackColorType { htctComplement, htctActual };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TKitButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using ui::TBitBtnKind;

// Windows' MulDiv: value * m / d rounded to the nearest integer (halves away from zero).
int MulDiv(int value, int m, int d);
// No right-to-left reading exists here.
constexpr bool UseRightToLeftAlignment() { return false; }
// The accelerator character of a caption ("&Help" -> 'h', lower-cased); nothing without one.
std::optional<char32_t> AcceleratorOf(std::string_view caption);
// True when ch (any letter case) is the caption's accelerator.
bool IsAccel(char32_t ch, std::string_view caption);

class TKitCustomButton : public ui::TCustomControl, public IKitTransparent {
public:
    explicit TKitCustomButton(ui::TComponent* owner);

    TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical v);
    bool HotTrack() const { return hotTrack_; }
    virtual void SetHotTrack(bool v);
    TColor HotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(TColor v);
    TKitHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
    void SetHotTrackColorType(TKitHotTrackColorType v);
    TColor HighlightColor() const { return highlightColor_; }
    virtual void SetHighlightColor(TColor v);
    bool LightTextStyle() const { return lightTextStyle_; }
    virtual void SetLightTextStyle(bool v);
    TTextStyle TextStyle() const { return textStyle_; }
    virtual void SetTextStyle(TTextStyle v);
    TColor TextHighlightColor() const { return textHighlightColor_; }
    virtual void SetTextHighlightColor(TColor v);
    TColor TextShadowColor() const { return textShadowColor_; }
    virtual void SetTextShadowColor(TColor v);
    int TextShadowDepth() const { return textShadowDepth_; }
    virtual void SetTextShadowDepth(int v);
    bool ThemeAware() const { return themeAware_; }
    virtual void SetThemeAware(bool v);
    bool Transparent() const override { return transparent_; }
    virtual void SetTransparent(bool v);

    bool MouseOver() const { return mouseOver_; }
    bool Pressed() const { return pressed_; }
    bool MouseTracking() const { return mouseTracking_; }

    // Sets the hot-track colour fields without a repaint (the dialog bar sets all three buttons so).
    void StoreHotTrackColor(TColor v) { hotTrackColor_ = v; }
    void StoreHotTrackColorType(TKitHotTrackColorType v) { hotTrackColorType_ = v; }

    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void DoEnter() override;
    void DoExit() override;

protected:
    // What lies under a transparent control (only called when Transparent).
    virtual void PaintBackground(ui::Canvas& canvas);
    virtual void RepaintDisplay() {}
    virtual void RepaintFocusChange() { Invalidate(); }
    virtual ui::TRect GetHotTrackRect() const { return ClientRect(); }
    virtual void DrawCaption(ui::Canvas& canvas, ui::TRect rect, unsigned flags);
    // The click action: a left press released inside, or the space bar released.
    virtual void ChangeState() = 0;
    // The control's own background: the parent's look when transparent, else its colour.
    void EraseBackground(ui::Canvas& canvas);
    // The hot-track colours (light, dark) for the colour and its type.
    void HotColors(TColor& light, TColor& dark) const;

    void EnabledChanged() override;
    void TextChanged() override { Invalidate(); }
    void FontUpdated() override { Invalidate(); }

    void SetPressed(bool v) { pressed_ = v; }
    // Stores a changed value and repaints.
    template <class T> bool Store(T& field, T value)
    {
        if (field == value) return false;
        field = value;
        Invalidate();
        return true;
    }

private:
    TAlignmentVertical alignmentVertical_ = avCenter;
    TColor hotTrackColor_ = 0x149BF0;
    TKitHotTrackColorType hotTrackColorType_ = htctActual;
    TColor highlightColor_ = clHighlight;
    bool lightTextStyle_ = false;
    TTextStyle textStyle_ = tsNormal;
    TColor textHighlightColor_ = clBtnHighlight;
    TColor textShadowColor_ = clBtnShadow;
    int textShadowDepth_ = 2;
    bool mouseTracking_ = false;
    bool hotTrack_ = false;
    bool mouseOver_ = false;
    bool pressed_ = false;
    bool transparent_ = false;
    bool themeAware_ = true;
};

class TKitButton : public TKitCustomButton {
public:
    explicit TKitButton(ui::TComponent* owner);

    ui::TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(ui::TAlignment v);
    bool Default() const { return default_; }
    virtual void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    // Whether this button acts as the default one now (Enter clicks it).
    bool Active() const { return active_; }
    ui::TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(ui::TModalResult v) { modalResult_ = v; }
    bool AllowAllUp() const { return allowAllUp_; }
    virtual void SetAllowAllUp(bool v);
    bool Down() const { return down_; }
    virtual void SetDown(bool v);
    int GroupIndex() const { return groupIndex_; }
    virtual void SetGroupIndex(int v);
    bool ShowDownPattern() const { return showDownPattern_; }
    virtual void SetShowDownPattern(bool v);
    bool ShowFocusRect() const { return showFocusRect_; }
    virtual void SetShowFocusRect(bool v);
    bool DropDownOnEnter() const { return dropDownOnEnter_; }
    void SetDropDownOnEnter(bool v) { dropDownOnEnter_ = v; }
    TColor FrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor v);
    TKitButtonState State() const { return state_; }
    bool InClick() const { return inClick_; }

    // Hot-track also makes the button transparent, so that its rounded corners show the parent.
    void SetHotTrack(bool v) override;
    // The obsolete stored property "FrameFlat" sets HotTrack; false for any other name or kind.
    virtual bool ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value);

    // Sets the parent form's modal result to ModalResult, then OnClick.
    void Click() override;
    void KeyDown(std::uint16_t& key, ui::TShiftState shift) override;
    void KeyUp(std::uint16_t& key, ui::TShiftState shift) override;
    void DoExit() override;
    bool DialogKey(std::uint16_t key, ui::TShiftState shift) override;
    bool DialogChar(char32_t ch) override;
    void FocusAnnounced(ui::TWinControl* focused) override;

protected:
    virtual void GetCaptionRect(ui::TRect& rect) const;
    virtual void DrawButtonContent(ui::Canvas& canvas);
    virtual void CreateDownPattern(ui::Brush& brush) const;
    void Paint(ui::Canvas& canvas) override;
    void PaintBackground(ui::Canvas& canvas) override;
    void RepaintDisplay() override { Invalidate(); }
    void ChangeState() override;

    // Shown pressed: a plain button while pressed, a group button also while down.
    bool ShowsPressed() const;

private:
    void PaintHotTrack(ui::Canvas& canvas, ui::TRect r);
    void PaintClassic(ui::Canvas& canvas, ui::TRect r);
    // Tells the other buttons of the group (on the same parent) that this one went down.
    void NotifyGroup();
    void GroupNotified(int groupIndex, TKitButton& sender);

    ui::TAlignment alignment_ = ui::taCenter;
    bool inClick_ = false;
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    ui::TModalResult modalResult_ = ui::mrNone;
    bool spaceDown_ = false;
    bool allowAllUp_ = false;
    bool down_ = false;
    int groupIndex_ = 0;
    bool showDownPattern_ = true;
    bool showFocusRect_ = true;
    bool dropDownOnEnter_ = true;
    TColor frameColor_ = cl3DDkShadow;
    TKitButtonState state_ = bsUp;
};

class TKitBitBtn : public TKitButton {
public:
    explicit TKitBitBtn(ui::TComponent* owner);

    const ui::Bitmap& Glyph() const { return glyph_; }
    // Copies the bitmap; a strip whose width is a multiple of its height sets NumGlyphs (1 when the
    // count lies outside 1..4).
    virtual void SetGlyph(const ui::Bitmap& glyph);
    // A standard kind stays only while Default, Cancel, ModalResult and the glyph are still the kind's.
    TBitBtnKind Kind() const;
    virtual void SetKind(TBitBtnKind v);
    TButtonLayout Layout() const { return layout_; }
    virtual void SetLayout(TButtonLayout v);
    // -1 centres glyph and caption together; values below -1 are ignored.
    int Margin() const { return margin_; }
    virtual void SetMargin(int v);
    int NumGlyphs() const { return numGlyphs_; }
    virtual void SetNumGlyphs(int v);
    int Spacing() const { return spacing_; }
    virtual void SetSpacing(int v);
    bool ModifiedGlyph() const { return modifiedGlyph_; }
    int ImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int v);
    int DisabledIndex() const { return disabledIndex_; }
    virtual void SetDisabledIndex(int v);
    ui::TImageList* Images() const;
    virtual void SetImages(ui::TImageList* v);

    // The form's scaling by m/d: Margin and Spacing follow.
    virtual void ChangeScale(int m, int d);

    virtual ui::TSize GetGlyphSize() const;
    virtual void GetGlyphRect(ui::TRect& rect) const;

protected:
    void GetCaptionRect(ui::TRect& rect) const override;
    void DrawButtonContent(ui::Canvas& canvas) override;
    virtual void DrawImageListGlyph(ui::Canvas& canvas, const ui::TRect& rect);
    virtual void DrawBitmapGlyph(ui::Canvas& canvas, const ui::TRect& rect);

private:
    bool ImageListInUse() const;
    bool HasGlyph() const;
    void GlyphChanged();
    int CaptionHeight(const ui::TRect& rect) const;

    ui::Bitmap glyph_;
    mutable TBitBtnKind kind_ = ui::bkCustom;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = 2;
    int numGlyphs_ = 1;
    int spacing_ = 4;
    bool modifiedGlyph_ = false;
    int imageIndex_ = -1;
    int disabledIndex_ = -1;
    ui::TImageList* images_ = nullptr;
    std::weak_ptr<void> imagesAlive_;
};

// The standard caption and modal result of a kind.
const std::string& BitBtnCaption(TBitBtnKind kind);
ui::TModalResult BitBtnModalResult(TBitBtnKind kind);
// The kind's bitmap: 32 x 16, the normal and the disabled image; empty for bkCustom. Kept in one cache
// per kind (callers copy it).
const ui::Bitmap& GetBitBtnGlyph(TBitBtnKind kind);
// The kit's bitmap resources by name ("RZCOMMON_OK" ...); nothing for an unknown name.
std::optional<ui::Bitmap> KitBitmapResource(std::string_view name);
