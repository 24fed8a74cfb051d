#include "gui/Mirror.h"

#include "gui/MirrorCore.h"

namespace gui {

Mirror::Mirror(ui::Application& app) : core_(std::make_unique<mirror::Core>(app)) {}

Mirror::~Mirror() = default;

QWidget* Mirror::Widget(const ui::TControl& control)
{
    mirror::Binding* b = core_->Ensure(const_cast<ui::TControl&>(control));
    return b ? b->widget.data() : nullptr;
}

ui::TControl* Mirror::Control(const QObject* widget) const
{
    const mirror::Binding* b = core_->FindWidget(widget);
    return b ? b->control : nullptr;
}

void Mirror::Adopt(ui::TControl& control) { core_->Adopt(control); }

void Mirror::Flush() { core_->Flush(); }

void Mirror::FlushAll() { core_->Flush(mirror::Core::WaitingRows::Now); }

std::uint64_t Mirror::TreeItemsTouched() const { return core_->TreeItemsTouched(); }

}  // namespace gui
