#pragma once
// The kit's container: a panel with an outer and an inner frame and a band between them, a classic, XP or
// gradient interior, an optional grid, a word-wrapped caption placed both ways, transparency, and the
// enable memory (disabling the panel disables its children and remembers which were enabled; enabling it
// brings back exactly those). The group box is a panel with a caption on its frame.
#include "kit/KitCommon.h"
#include "kit/KitGrafx.h"
#include "ui/Controls.h"

#include <cstdint>
#include <vector>

enum TAlignmentVertical { avTop, avCenter, avBottom };
enum TKitGridStyle { gsDots, gsDottedLines, gsSolidLines };

class TKitCustomPanel : public ui::TCustomControl, public IKitTransparent, public IKitFrameControlled {
public:
    explicit TKitCustomPanel(ui::TComponent* owner);

    TFrameStyleEx BorderOuter() const { return frame_.BorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx v);
    TFrameStyleEx BorderInner() const { return frame_.BorderInner; }
    virtual void SetBorderInner(TFrameStyleEx v);
    // The band between the outer and the inner frame; negative widths count as 0.
    int BorderWidth() const { return frame_.BorderWidth; }
    void SetBorderWidth(int v);
    TSides BorderSides() const { return frame_.BorderSides; }
    virtual void SetBorderSides(TSides v);
    TColor BorderColor() const { return frame_.BorderColor; }
    virtual void SetBorderColor(TColor v);
    TColor BorderHighlight() const { return frame_.BorderHighlight; }
    virtual void SetBorderHighlight(TColor v);
    TColor BorderShadow() const { return frame_.BorderShadow; }
    virtual void SetBorderShadow(TColor v);
    TColor FlatColor() const { return frame_.FlatColor; }
    virtual void SetFlatColor(TColor v);
    int FlatColorAdjustment() const { return frame_.FlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int v);
    // Width of the status and popup frames; at least 1.
    int BevelWidth() const { return frame_.BevelWidth; }
    void SetBevelWidth(int v);

    ui::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(ui::TAlignment v);
    TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical v);
    int TextMargin() const { return textMargin_; }
    virtual void SetTextMargin(int v);
    int TextMarginVertical() const { return textMarginVertical_; }
    virtual void SetTextMarginVertical(int v);
    bool WordWrap() const { return wordWrap_; }
    virtual void SetWordWrap(bool v);

    TKitVisualStyle VisualStyle() const { return visualStyle_; }
    virtual void SetVisualStyle(TKitVisualStyle v);
    TKitGradientColorStyle GradientColorStyle() const { return gradientColorStyle_; }
    virtual void SetGradientColorStyle(TKitGradientColorStyle v);
    TColor GradientColorStart() const { return gradientColorStart_; }
    virtual void SetGradientColorStart(TColor v);
    TColor GradientColorStop() const { return gradientColorStop_; }
    virtual void SetGradientColorStop(TColor v);
    TGradientDirection GradientDirection() const { return gradientDirection_; }
    virtual void SetGradientDirection(TGradientDirection v);

    bool ShowGrid() const { return showGrid_; }
    virtual void SetShowGrid(bool v);
    TKitGridStyle GridStyle() const { return gridStyle_; }
    virtual void SetGridStyle(TKitGridStyle v);
    TColor GridColor() const { return gridColor_; }
    virtual void SetGridColor(TColor v);
    std::uint16_t GridXSize() const { return gridXSize_; }
    virtual void SetGridXSize(std::uint16_t v);
    std::uint16_t GridYSize() const { return gridYSize_; }
    virtual void SetGridYSize(std::uint16_t v);

    bool PaintClientArea() const { return paintClientArea_; }
    virtual void SetPaintClientArea(bool v);
    bool Transparent() const override { return transparent_; }
    virtual void SetTransparent(bool v);
    bool FullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool v) { fullRepaint_ = v; }

    TKitFrameController* FrameController() const { return frameController_.Get(); }
    virtual void SetFrameController(TKitFrameController* v) { frameController_.Set(v); }
    TKitFrameControllerNotifications FrameControllerNotifications() const override { return notifications_; }
    void SetFrameControllerNotifications(TKitFrameControllerNotifications v) { notifications_ = v; }

    // The obsolete stored properties of older forms: "FrameSides" and "ThemeAware" are dropped,
    // "UseGradients" True selects the gradient interior. False for any other name or a value of the
    // wrong kind.
    virtual bool ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value);

    // Moves the sides that carry the frame in by the widths of the outer and inner styles (and first by
    // the band when includeBorderWidth).
    virtual void AdjustRectForFrame(ui::TRect& rect, bool includeBorderWidth) const;
    virtual ui::TRect GetControlRect() const { return ui::Rect(0, 0, Width(), Height()); }
    virtual ui::TPoint FrameRepaintMargin() const { return {1, 1}; }
    virtual void GetGradientColors(TColor& start, TColor& stop) const;
    virtual void GetFrameColors(TColor& color, int& adjustment) const;

    // The children share what lies inside the frame.
    ui::TRect AlignRect() const override;
    // A bottom-aligned panel keeps its bottom edge when its height changes, a right-aligned one its
    // right edge when its width changes.
    void SetBounds(int left, int top, int width, int height) override;

protected:
    // Everything is painted into an off-screen bitmap first and copied in one piece; OnPaint follows.
    void Paint(ui::Canvas& canvas) override;
    // The panel's own look on the off-screen bitmap (the group box paints its own).
    virtual void PaintPanel(ui::Canvas& canvas);
    // What lies under the panel: its parent's look when transparent, else its colour.
    void EraseBackground(ui::Canvas& canvas);
    virtual void DrawCaption(ui::Canvas& canvas, ui::TRect rect);
    virtual void DrawGrid(ui::Canvas& canvas, const ui::TRect& rect);

    void EnabledChanged() override;
    void ControlsChanged() override;
    void TextChanged() override { Invalidate(); }
    void FontUpdated() override { Invalidate(); }
    void Resized() override;

    // Stores a changed value and repaints; what else follows is the caller's.
    template <class T> bool Store(T& field, T value);

private:
    struct EnabledState {
        ui::TControl* control;
        bool enabled;
    };

    TInnerOuterBorders frame_{.BorderOuter = fsRaised};
    ui::TAlignment alignment_ = ui::taCenter;
    TAlignmentVertical alignmentVertical_ = avCenter;
    int textMargin_ = 0;
    int textMarginVertical_ = 0;
    bool wordWrap_ = true;
    TKitVisualStyle visualStyle_ = vsWinXP;
    TKitGradientColorStyle gradientColorStyle_ = gcsSystem;
    TColor gradientColorStart_ = clWhite;
    TColor gradientColorStop_ = clBtnFace;
    TGradientDirection gradientDirection_ = gdHorizontalEnd;
    bool showGrid_ = false;
    TKitGridStyle gridStyle_ = gsDots;
    TColor gridColor_ = clBtnShadow;
    std::uint16_t gridXSize_ = 8;
    std::uint16_t gridYSize_ = 8;
    bool paintClientArea_ = true;
    bool transparent_ = false;
    bool fullRepaint_ = true;
    TKitFrameControllerLink frameController_{*this};
    TKitFrameControllerNotifications notifications_ = AllFrameControllerNotifications();
    // The children's own enabled states, taken when the panel was last disabled.
    std::vector<EnabledState> enabledStates_;
};

class TKitPanel : public TKitCustomPanel {
public:
    using TKitCustomPanel::TKitCustomPanel;
};

enum TKitGroupBoxStyle { gsStandard, gsCustom, gsTopLine, gsFlat, gsBanner, gsUnderline };

class TKitCustomGroupBox : public TKitCustomPanel {
public:
    explicit TKitCustomGroupBox(ui::TComponent* owner);

    TKitGroupBoxStyle GroupStyle() const { return groupStyle_; }
    virtual void SetGroupStyle(TKitGroupBoxStyle v);

    // Below the caption and inside the frame of the style.
    ui::TRect AlignRect() const override;
    // Where the caption stands on the box (empty without a caption, or for gsCustom).
    ui::TRect CaptionRect() const;
    // The caption's accelerator focuses the first control inside the box.
    bool DialogChar(char32_t ch) override;

protected:
    void PaintPanel(ui::Canvas& canvas) override;
    void FontUpdated() override;
    void TextChanged() override;

private:
    void DrawFrame(ui::Canvas& canvas, const ui::TRect& captionRect);
    void DrawGroupCaption(ui::Canvas& canvas, ui::TRect captionRect);
    int TextHeight(std::string_view sample) const;

    TKitGroupBoxStyle groupStyle_ = gsFlat;
};

class TKitGroupBox : public TKitCustomGroupBox {
public:
    using TKitCustomGroupBox::TKitCustomGroupBox;
};
