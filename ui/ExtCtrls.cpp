#include "ui/ExtCtrls.h"

#include <utility>

#include "ui/Application.h"

namespace ui {

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetDefaultSize(185, 41); }

void TPanel::SetBevelOuter(TBevelCut v)
{
    if (v == bevelOuter_) return;
    bevelOuter_ = v;
    Changed(ModelChange::Other);
}

void TPanel::SetBevelInner(TBevelCut v)
{
    if (v == bevelInner_) return;
    bevelInner_ = v;
    Changed(ModelChange::Other);
}

void TPanel::SetAlignment(TAlignment v)
{
    if (v == alignment_) return;
    alignment_ = v;
    Changed(ModelChange::Other);
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) { SetDefaultSize(105, 105); }

void TImage::SetPicture(std::string resourceName)
{
    if (resourceName == picture_) return;
    picture_ = std::move(resourceName);
    Changed(ModelChange::Paint);
}

void TImage::SetPictureBitmap(Bitmap bitmap)
{
    if (bitmap == bitmap_) return;
    bitmap_ = std::move(bitmap);
    Changed(ModelChange::Other);
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) { SetDefaultSize(23, 22); }

TTimer::TTimer(TComponent* owner) : TComponent(owner), app_(&App())
{
    app_->RegisterTimer(this);
    Restart();
}

TTimer::~TTimer()
{
    if (app_ != nullptr) app_->UnregisterTimer(this);
}

void TTimer::Restart()
{
    if (app_ != nullptr) start_ = app_->Clock().NowMs();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled_) Restart();
}

void TTimer::SetInterval(unsigned ms)
{
    if (ms == interval_) return;
    interval_ = ms;
    Restart();
}

bool TTimer::Expired() const
{
    if (app_ == nullptr || !enabled_ || interval_ == 0) return false;
    const std::uint64_t now = app_->Clock().NowMs();
    return now >= start_ && now - start_ >= interval_;
}

bool TTimer::Due(std::uint64_t now) const
{
    return enabled_ && interval_ > 0 && OnTimer && !running_ && now >= start_ && now - start_ >= interval_;
}

std::optional<std::uint64_t> TTimer::DueAt() const
{
    if (!enabled_ || interval_ == 0 || !OnTimer || running_) return std::nullopt;
    return start_ + interval_;
}

void TTimer::Tick(std::uint64_t now)
{
    start_ = now;
    std::weak_ptr<void> alive = Liveness();
    Application* app = app_;
    running_ = true;
    app->Guard(this, [this] { Fire(OnTimer, this); });
    if (!alive.expired()) running_ = false;
}

}  // namespace ui
