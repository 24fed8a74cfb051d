#pragma once
// A progress bar counted in parts: the caller sets TotalParts, then sets or steps PartsComplete; the bar
// derives the percentage (rounded half to even) and paints it in one of three styles inside a kit frame.
#include "kit/KitCommon.h"
#include "kit/KitGrafx.h"
#include "ui/Controls.h"

#include <cstdint>
#include <functional>

enum TBarStyle { bsTraditional, bsLED, bsGradient };

class TKitCustomProgressBar : public ui::TGraphicControl, public IKitFrameControlled {
public:
    // Parts are counted up to this.
    static constexpr std::uint32_t kMaxParts = 2147483647u;

    explicit TKitCustomProgressBar(ui::TComponent* owner);

    std::uint32_t TotalParts() const { return totalParts_; }
    // A new total starts the count again: PartsComplete and Percent go back to 0.
    virtual void SetTotalParts(std::uint32_t value);
    std::uint32_t PartsComplete() const { return partsComplete_; }
    // Never above TotalParts; with TotalParts 0 the percentage stays as it was.
    virtual void SetPartsComplete(std::uint32_t value);
    std::uint16_t Percent() const { return percent_; }
    // Fires OnChange and repaints when the value changes.
    virtual void SetPercent(std::uint16_t value);

    TBarStyle BarStyle() const { return barStyle_; }
    // The LED style shows no percentage and keeps a 1-pixel ring; the others show it without a ring.
    virtual void SetBarStyle(TBarStyle v);
    // Follows the bounds: horizontal unless taller than wide.
    TOrientation Orientation() const { return orientation_; }
    virtual void SetOrientation(TOrientation v);
    bool ShowPercent() const { return showPercent_; }
    virtual void SetShowPercent(bool v);
    // 1 to 100.
    int NumSegments() const { return numSegments_; }
    virtual void SetNumSegments(int v);
    std::uint8_t InteriorOffset() const { return interiorOffset_; }
    virtual void SetInteriorOffset(std::uint8_t v);

    TColor BackColor() const { return backColor_; }
    virtual void SetBackColor(TColor v);
    TColor BackColorStop() const { return backColorStop_; }
    void SetBackColorStop(TColor v);
    // Also the font colour.
    TColor BarColor() const { return barColor_; }
    virtual void SetBarColor(TColor v);
    TColor BarColorStop() const { return barColorStop_; }
    void SetBarColorStop(TColor v);
    TGradientDirection GradientDirection() const { return gradientDirection_; }
    void SetGradientDirection(TGradientDirection v);

    TFrameStyleEx BorderOuter() const { return frame_.BorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx v);
    TFrameStyleEx BorderInner() const { return frame_.BorderInner; }
    virtual void SetBorderInner(TFrameStyleEx v);
    int BorderWidth() const { return frame_.BorderWidth; }
    virtual void SetBorderWidth(int v);
    int BevelWidth() const { return frame_.BevelWidth; }
    virtual void SetBevelWidth(int v);
    TColor BorderColor() const { return frame_.BorderColor; }
    virtual void SetBorderColor(TColor v);
    TColor FlatColor() const { return frame_.FlatColor; }
    virtual void SetFlatColor(TColor v);
    int FlatColorAdjustment() const { return frame_.FlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int v);
    // No theme engine exists here, so the bar is always drawn by the kit itself.
    bool ThemeAware() const { return themeAware_; }
    virtual void SetThemeAware(bool v);

    TKitFrameController* FrameController() const { return frameController_.Get(); }
    virtual void SetFrameController(TKitFrameController* v) { frameController_.Set(v); }
    TKitFrameControllerNotifications FrameControllerNotifications() const override { return notifications_; }
    void SetFrameControllerNotifications(TKitFrameControllerNotifications v) { notifications_ = v; }

    void SetBounds(int left, int top, int width, int height) override;

    std::function<void(ui::TObject* Sender, int Percent)> OnChange;

protected:
    void Paint(ui::Canvas& canvas) override;
    virtual void Change();

private:
    template <class T> bool Store(T& field, T value);

    std::uint32_t totalParts_ = 0;
    std::uint32_t partsComplete_ = 0;
    std::uint16_t percent_ = 0;
    TBarStyle barStyle_ = bsTraditional;
    TOrientation orientation_ = orHorizontal;
    bool showPercent_ = true;
    int numSegments_ = 20;
    std::uint8_t interiorOffset_ = 0;
    TColor backColor_ = clWhite;
    TColor backColorStop_ = clBtnFace;
    TColor barColor_ = clHighlight;
    TColor barColorStop_ = clHotLight;
    TGradientDirection gradientDirection_ = gdHorizontalCenter;
    TInnerOuterBorders frame_{.BorderOuter = fsLowered, .RoundFlatInnerCorners = true};
    bool themeAware_ = true;
    TKitFrameControllerLink frameController_{*this};
    TKitFrameControllerNotifications notifications_ = AllFrameControllerNotifications();
};

class TKitProgressBar : public TKitCustomProgressBar {
public:
    using TKitCustomProgressBar::TKitCustomProgressBar;
};
