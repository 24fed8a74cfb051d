#pragma once
// A frame-only control (outer style, band, inner style on chosen sides) and, built on it, a dot-matrix
// LED panel: every character a cell of 6 x 7 square dots drawn from a 5 x 7 character generator, with
// optional scrolling of the text through the panel on a timer.
#include "kit/KitCommon.h"
#include "ui/Controls.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui {
class TTimer;
}  // namespace ui

class TKitBorder : public ui::TGraphicControl, public IKitFramingNotification {
public:
    explicit TKitBorder(ui::TComponent* owner);

    int BevelWidth() const { return frame_.BevelWidth; }
    // At least 1.
    virtual void SetBevelWidth(int v);
    int BorderWidth() const { return frame_.BorderWidth; }
    // At least 0.
    virtual void SetBorderWidth(int v);
    TColor BorderColor() const { return frame_.BorderColor; }
    virtual void SetBorderColor(TColor v);
    TColor BorderHighlight() const { return frame_.BorderHighlight; }
    virtual void SetBorderHighlight(TColor v);
    TColor BorderShadow() const { return frame_.BorderShadow; }
    virtual void SetBorderShadow(TColor v);
    TFrameStyleEx BorderInner() const { return frame_.BorderInner; }
    virtual void SetBorderInner(TFrameStyleEx v);
    TFrameStyleEx BorderOuter() const { return frame_.BorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx v);
    TSides BorderSides() const { return frame_.BorderSides; }
    virtual void SetBorderSides(TSides v);
    TColor FlatColor() const { return frame_.FlatColor; }
    virtual void SetFlatColor(TColor v);
    int FlatColorAdjustment() const { return frame_.FlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int v);

    TKitFrameController* FrameController() const { return frameController_.Get(); }
    virtual void SetFrameController(TKitFrameController* v) { frameController_.Set(v); }
    TKitFrameControllerNotifications FrameControllerNotifications() const { return notifications_; }
    void SetFrameControllerNotifications(TKitFrameControllerNotifications v) { notifications_ = v; }
    void UpdateFromFrameController() override;

    // What lies inside the frame; the empty rectangle (0, 0, 0, 0) when the frame leaves nothing.
    ui::TRect ClientRect() const override;

protected:
    void Paint(ui::Canvas& canvas) override;
    void PaintFrame(ui::Canvas& canvas);
    virtual ui::TRect AdjustClientRect(ui::TRect rect) const;
    virtual TColor GetInteriorColor() const { return Color(); }
    // Controls that paint their whole client area set this; the frame then treats them as not
    // transparent.
    virtual bool Opaque() const { return false; }

private:
    template <class T> bool Store(T& field, T value);

    TInnerOuterBorders frame_{.BorderOuter = fsGroove};
    TKitFrameControllerLink frameController_{*this};
    TKitFrameControllerNotifications notifications_ = AllFrameControllerNotifications();
};

enum TKitScrollType { stNone, stRightToLeft, stLeftToRight };

// The character generator: glyphs of the codes 32 to 255, five column bytes each (left to right); in a
// column byte bit (0x80 >> row) lights the dot of that row, row 0 at the top, row 6 at the bottom.
constexpr int kLEDFirstCode = 32;
constexpr int kLEDGlyphCount = 224;
const std::array<std::uint8_t, kLEDGlyphCount * 5>& LEDFontTable();

class TKitLEDDisplay : public TKitBorder {
public:
    explicit TKitLEDDisplay(ui::TComponent* owner);
    ~TKitLEDDisplay() override;

    ui::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(ui::TAlignment v);
    TColor BackColor() const { return backColor_; }
    virtual void SetBackColor(TColor v);
    TColor SegOnColor() const { return segOnColor_; }
    virtual void SetSegOnColor(TColor v);
    TColor SegOffColor() const { return segOffColor_; }
    virtual void SetSegOffColor(TColor v);
    TKitScrollType ScrollType() const { return scrollType_; }
    void SetScrollType(TKitScrollType v);
    bool Scrolling() const { return scrolling_; }
    virtual void SetScrolling(bool v);
    unsigned ScrollDelay() const { return scrollDelay_; }
    void SetScrollDelay(unsigned ms);

    void SetBevelWidth(int v) override;
    void SetBorderInner(TFrameStyleEx v) override;
    void SetBorderOuter(TFrameStyleEx v) override;
    void SetBorderSides(TSides v) override;
    void SetBorderWidth(int v) override;
    void SetBounds(int left, int top, int width, int height) override;
    // After the stored properties were applied: the dots follow the bounds.
    void Loaded();

    // The geometry the panel is laid out with.
    int DotSize() const { return dotSize_; }
    int Gap() const { return gap_; }
    int Pitch() const { return dotSize_ + gap_; }
    int ScrollLength() const { return scrollLength_; }
    int ScrollOffset() const { return scrollOffset_; }
    bool TimerEnabled() const;

    // The single-byte codes the caption is shown with: each character in Windows-1251, and the filled
    // block for a control character or one that code page lacks.
    std::vector<std::uint8_t> Codes() const;
    // The colour of one dot of a cell (column 5 is the gap between characters and never lit).
    TColor GetDotColor(std::uint8_t code, int column, int row) const;

    std::function<void(ui::TObject* Sender)> OnScrollComplete;

protected:
    void Paint(ui::Canvas& canvas) override;
    TColor GetInteriorColor() const override { return backColor_; }
    bool Opaque() const override { return true; }
    void TextChanged() override;
    virtual void DrawCharacter(ui::Canvas& canvas, ui::TPoint cell, std::uint8_t code) const;
    virtual void DoScrollComplete();

private:
    template <class T> bool Store(T& field, T value);
    void PaintDots(ui::Canvas& canvas);
    void UpdateDotSize();
    void UpdateScrollLength();
    void ScrollTimerExpired();

    ui::TAlignment alignment_ = ui::taLeftJustify;
    TColor backColor_ = clBlack;
    TColor segOnColor_ = clLime;
    TColor segOffColor_ = 0x003300;
    TKitScrollType scrollType_ = stRightToLeft;
    bool scrolling_ = false;
    unsigned scrollDelay_ = 100;
    int dotSize_ = 2;
    int gap_ = 0;
    int scrollLength_ = 0;
    int scrollOffset_ = 0;
    ui::TTimer* timer_ = nullptr;
};
