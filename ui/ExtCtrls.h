#pragma once
// Panels, pictures, speed buttons and timers.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/Bitmap.h"
#include "ui/Controls.h"

namespace ui {

class Application;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut v);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v);

private:
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    TAlignment alignment_ = taCenter;
};

// A picture named by its resource (the file under resources/ that gui/ shows), or drawn by the program.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    const std::string& Picture() const { return picture_; }
    void SetPicture(std::string resourceName);
    // Shown where no resource is named.
    const Bitmap& PictureBitmap() const { return bitmap_; }
    void SetPictureBitmap(Bitmap bitmap);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v) { stretch_ = v; Changed(ModelChange::Other); }
    bool Center() const { return center_; }
    void SetCenter(bool v) { center_ = v; Changed(ModelChange::Other); }
    bool Proportional() const { return proportional_; }
    void SetProportional(bool v) { proportional_ = v; Changed(ModelChange::Other); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { transparent_ = v; Changed(ModelChange::Other); }

private:
    std::string picture_;
    Bitmap bitmap_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
};

// A flat button with an optional picture; not a window control (it takes no focus).
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    const std::string& Glyph() const { return glyph_; }
    void SetGlyph(std::string resourceName) { glyph_ = std::move(resourceName); Changed(ModelChange::Other); }
    bool Flat() const { return flat_; }
    void SetFlat(bool v) { flat_ = v; Changed(ModelChange::Other); }

private:
    std::string glyph_;
    bool flat_ = false;
};

// A timer of the event pump (see ui/Application.h): OnTimer runs from Application::ProcessMessages
// when Interval ms have passed on the application's clock since the timer was enabled, since its
// interval was changed, or since it last fired. Switching Enabled on, or changing Interval, starts the
// count again. A timer without a handler or with Interval 0 never fires.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    // True while OnTimer runs.
    bool Running() const { return running_; }
    // True when it is enabled and a whole interval has gone by since it was started or last ticked: its
    // tick is due and comes at the next pass of the event pump.
    bool Expired() const;

    std::function<void(TObject* Sender)> OnTimer;

private:
    friend class Application;
    bool Due(std::uint64_t now) const;
    // When the timer will be due on the clock; nullopt while it would not fire.
    std::optional<std::uint64_t> DueAt() const;
    void Tick(std::uint64_t now);
    void Restart();

    Application* app_ = nullptr;
    bool enabled_ = true;
    unsigned interval_ = 1000;
    std::uint64_t start_ = 0;
    bool running_ = false;
};

}  // namespace ui
