#pragma once
// Buttons that show a small state glyph beside their caption, and the kit's radio button. A radio
// button's group is every kit radio button of the same parent: checking one unchecks the others, only
// the checked one is a tab stop, and the arrow keys move the focus through the group, checking the
// button they reach. Checking fires OnClick (from code too); unchecking never does.
//
// The kit's radio button is none of the platform's radio buttons: the page routines that store radio
// buttons in ini files and take their defaults from hints do not treat it.
#include "kit/KitButton.h"
#include "kit/KitCommon.h"

#include <cstdint>

class TKitCustomGlyphButton : public TKitCustomButton, public IKitFramingNotification {
public:
    explicit TKitCustomGlyphButton(ui::TComponent* owner);

    ui::TAlignment Alignment() const { return alignment_; }
    // taLeftJustify or taRightJustify (the caption's side of the glyph); taCenter is taken as the latter.
    virtual void SetAlignment(ui::TAlignment v);
    TColor FrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor v);
    int NumGlyphs() const { return numGlyphs_; }
    const ui::Bitmap& CustomGlyphs() const { return customGlyphs_; }
    // Copies the strip; an empty strip turns UseCustomGlyphs off, any other turns it on.
    virtual void SetCustomGlyphs(const ui::Bitmap& v);
    bool UseCustomGlyphs() const { return useCustomGlyphs_; }
    virtual void SetUseCustomGlyphs(bool v);
    TColor TransparentColor() const { return transparentColor_; }
    virtual void SetTransparentColor(TColor v);
    TColor WinMaskColor() const { return winMaskColor_; }
    virtual void SetWinMaskColor(TColor v);
    TColor FillColor() const { return fillColor_; }
    virtual void SetFillColor(TColor v);
    TColor FocusColor() const { return focusColor_; }
    virtual void SetFocusColor(TColor v);
    TColor DisabledColor() const { return disabledColor_; }
    virtual void SetDisabledColor(TColor v);
    bool ReadOnly() const { return readOnly_; }
    virtual void SetReadOnly(bool v);
    bool ReadOnlyColorOnFocus() const { return readOnlyColorOnFocus_; }
    void SetReadOnlyColorOnFocus(bool v) { Store(readOnlyColorOnFocus_, v); }
    TColor ReadOnlyColor() const { return readOnlyColor_; }
    virtual void SetReadOnlyColor(TColor v);
    int GlyphWidth() const { return glyphWidth_; }
    int GlyphHeight() const { return glyphHeight_; }
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool v) { tabOnEnter_ = v; }
    TKitHotTrackStyle HotTrackStyle() const { return hotTrackStyle_; }
    void SetHotTrackStyle(TKitHotTrackStyle v) { Store(hotTrackStyle_, v); }
    TKitFrameController* FrameController() const { return frameController_.Get(); }
    virtual void SetFrameController(TKitFrameController* v);
    TKitFrameControllerNotifications FrameControllerNotifications() const { return notifications_; }
    void SetFrameControllerNotifications(TKitFrameControllerNotifications v) { notifications_ = v; }
    // While set, SetChecked fires no click (the action link sets it).
    bool SuppressClick() const { return suppressClick_; }
    void SetSuppressClick(bool v) { suppressClick_ = v; }
    bool MouseDownInProgress() const { return mouseDownInProgress_; }

    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    std::string InputValue() const override { return GetChecked() ? "1" : "0"; }

    // Where the glyph stands in the control.
    ui::TPoint GlyphPosition() const;
    // The obsolete stored property "Flat" sets HotTrack; false for any other name or kind.
    virtual bool ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value);

    void SetTransparent(bool v) override;
    void UpdateFromFrameController() override { UpdateFrameControllerSettings(); }
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void KeyPress(char32_t& key) override;

protected:
    virtual void UpdateFrameControllerSettings();
    virtual void DrawGlyphImage(ui::Canvas& glyph) = 0;
    virtual void SmoothGlyphEdge(ui::Canvas&) {}
    virtual void DrawGlyph(ui::Canvas& canvas);
    // Image `index` of a strip of images `width` wide.
    virtual ui::Bitmap ExtractGlyph(int index, int height, int width, const ui::Bitmap& source) const;

    void Paint(ui::Canvas& canvas) override;
    void PaintBackground(ui::Canvas& canvas) override;
    void RepaintDisplay() override { Invalidate(); }
    void RepaintFocusChange() override { Invalidate(); }
    ui::TRect GetHotTrackRect() const override;
    void EnabledChanged() override;
    void Resized() override;
    void SetNumGlyphs(int v);

private:
    void UpdateGlyphSize();
    bool GlyphAtRight() const { return UseRightToLeftAlignment() == (alignment_ == ui::taRightJustify); }

    ui::TAlignment alignment_ = ui::taRightJustify;
    TColor frameColor_ = clBtnShadow;
    int numGlyphs_ = 2;
    ui::Bitmap customGlyphs_;
    bool useCustomGlyphs_ = false;
    TColor transparentColor_ = 0x008080;
    TColor winMaskColor_ = 0x00FF00;
    TColor fillColor_ = clWindow;
    TColor focusColor_ = clWindow;
    TColor disabledColor_ = clBtnFace;
    bool readOnly_ = false;
    bool readOnlyColorOnFocus_ = false;
    TColor readOnlyColor_ = clInfoBk;
    int glyphWidth_ = 13;
    int glyphHeight_ = 13;
    bool tabOnEnter_ = false;
    TKitHotTrackStyle hotTrackStyle_ = htsInterior;
    TKitFrameControllerLink frameController_{*this};
    TKitFrameControllerNotifications notifications_ = AllFrameControllerNotifications();
    bool suppressClick_ = false;
    ui::Bitmap backgroundBitmap_;
    bool backgroundStale_ = true;
    bool mouseDownInProgress_ = false;
};

class TKitRadioButton : public TKitCustomGlyphButton {
public:
    explicit TKitRadioButton(ui::TComponent* owner);

    bool Checked() const { return checked_; }
    bool GetChecked() const override { return checked_; }
    // Checking unchecks the other kit radio buttons of the parent and then clicks (unless SuppressClick).
    void SetChecked(bool v) override;
    // Applies to every kit radio button of the same parent.
    void SetReadOnly(bool v) override;

    void DoEnter() override;
    bool DialogKey(std::uint16_t key, ui::TShiftState shift) override;
    bool DialogChar(char32_t ch) override;

protected:
    void ChangeState() override;
    void DrawGlyphImage(ui::Canvas& glyph) override;
    void SmoothGlyphEdge(ui::Canvas& glyph) override;

private:
    void UncheckSiblings();

    bool checked_ = false;
};
