// Controls that paint themselves: the kit's widgets, ui/'s panels and group boxes, and any other
// TCustomControl or TGraphicControl. Each is a surface that shows the bitmap its Paint drew on a
// ui::Canvas. The kit's controls get the raw mouse and click themselves; ui/'s own are clicked by the
// mirror when the button goes up over them, as the window system does.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <exception>
#include <typeinfo>

#include "gui/Convert.h"
#include "gui/MirrorCore.h"
#include "kit/KitCommon.h"
#include "kit/KitSplit.h"
#include "ui/Canvas.h"
#include "ui/ExtCtrls.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

namespace gui::mirror {

namespace {

class PaintedWidget : public QWidget {
public:
    PaintedWidget(Core& core, QWidget* parent) : QWidget(parent), core_(core)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (Binding* b = core_.FindWidget(this)) b->kind->Paint(*b, painter);
    }

private:
    Core& core_;
};

template <class T>
bool Exactly(const ui::TControl& c)
{
    return typeid(c) == typeid(T);
}

// Painted controls of ui/ itself are clicked by the window system when the button goes up over them;
// any other painted control (the kit's) reads the mouse and clicks itself.
bool WindowSystemClicks(const ui::TControl& c)
{
    return Exactly<ui::TPanel>(c) || Exactly<ui::TGroupBox>(c) || Exactly<ui::TLabel>(c) || Exactly<ui::TImage>(c) ||
           Exactly<ui::TCustomControl>(c) || Exactly<ui::TGraphicControl>(c);
}

void DrawBevels(ui::Canvas& canvas, ui::TRect& rect, ui::TBevelCut cut)
{
    if (cut == ui::bvNone || cut == ui::bvSpace) return;
    const bool raised = cut == ui::bvRaised;
    rect = DrawBevel(canvas, rect, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, 1,
                     sdAllSides);
}

class Painted : public PaintedBase {};

class Panel : public PaintedBase {
    void DrawLook(const ui::TControl& c, ui::Canvas& canvas) const override
    {
        const auto& panel = static_cast<const ui::TPanel&>(c);
        ui::TRect rect = ui::Rect(0, 0, canvas.width(), canvas.height());
        DrawBevels(canvas, rect, panel.BevelOuter());
        DrawBevels(canvas, rect, panel.BevelInner());
        if (panel.Caption().empty()) return;
        canvas.brush = ui::Brush::Clear();
        const unsigned align = panel.Alignment() == ui::taCenter         ? ui::tfCenter
                               : panel.Alignment() == ui::taRightJustify ? ui::tfRight
                                                                         : ui::tfLeft;
        canvas.drawText(rect, panel.Caption(), align | ui::tfVCenter | ui::tfSingleLine | ui::tfEndEllipsis);
    }
};

class GroupBox : public PaintedBase {
    void DrawLook(const ui::TControl& c, ui::Canvas& canvas) const override
    {
        const auto& box = static_cast<const ui::TGroupBox&>(c);
        const int textHeight = canvas.fontMetrics().height;
        const ui::TRect frame = ui::Rect(0, textHeight / 2, canvas.width(), canvas.height());
        DrawBevel(canvas, frame, clBtnShadow, clBtnHighlight, 1, sdAllSides);
        DrawBevel(canvas, frame.Shrink(1), clBtnHighlight, clBtnShadow, 1, sdAllSides);
        if (box.Caption().empty()) return;
        ui::TRect text = ui::Rect(8, 0, canvas.width() - 8, textHeight);
        canvas.drawText(text, box.Caption(), ui::tfSingleLine | ui::tfCalcRect);
        text = ui::Rect(6, 0, std::min(canvas.width() - 6, text.Right + 2), textHeight);
        canvas.brush = ui::Brush::Solid(box.Color());
        canvas.fillRect(text);
        canvas.brush = ui::Brush::Clear();
        text.Left += 2;
        canvas.drawText(text, box.Caption(), ui::tfSingleLine | ui::tfEndEllipsis);
    }
};

// Draws the splitter's track line over its panes while the bar is dragged: the line inverts what lies
// under it, so it shows on any pane and drawing it again takes it away. The splitter's own picture has
// the line where no pane covers it; this layer adds it where the panes do.
class TrackLayer : public QWidget {
public:
    TrackLayer(QWidget* parent, const TKitSplitter& splitter) : QWidget(parent), splitter_(splitter)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage pattern(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) pattern.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (const ui::TRect& line : splitter_.TrackLines()) {
            const QRect track(line.Left, line.Top, line.Width(), line.Height());
            for (int i = 0; i < splitter_.ControlCount(); ++i)
                if (const ui::TControl* pane = splitter_.Controls(i); pane->Visible())
                    painter.fillRect(track & QRect(pane->Left(), pane->Top(), pane->Width(), pane->Height()),
                                     QBrush(pattern));
        }
    }

private:
    const TKitSplitter& splitter_;
};

class Splitter : public PaintedBase {
public:
    QWidget* Make(Binding& b, QWidget* parent) const override
    {
        QWidget* w = PaintedBase::Make(b, parent);
        b.overlay = new TrackLayer(w, static_cast<const TKitSplitter&>(*b.control));
        b.overlay->hide();
        return w;
    }

    void Changed(Binding& b) const override
    {
        PaintedBase::Changed(b);
        const bool tracking = !static_cast<const TKitSplitter&>(*b.control).TrackLines().empty();
        if (!b.overlay || (!tracking && b.overlay->isHidden())) return;
        b.overlay->setGeometry(b.widget->rect());
        b.overlay->setVisible(tracking);
        b.overlay->raise();
        b.overlay->update();
    }
};

}  // namespace

QWidget* MakePaintedWidget(Core& core, QWidget* parent) { return new PaintedWidget(core, parent); }

QWidget* PaintedBase::Make(Binding& b, QWidget* parent) const
{
    QWidget* w = MakePaintedWidget(b.core, parent);
    w->setMouseTracking(true);
    return w;
}

// The caption is in the picture; a screen reader (and a test that reads the screen) hears it by name.
void PaintedBase::Text(Binding& b) const { b.widget->setAccessibleName(WithoutAccelerators(b.control->Caption())); }

void PaintedBase::Style(Binding& b) const
{
    const auto* win = ui::As<ui::TWinControl>(b.control);
    b.widget->setFocusPolicy(win != nullptr && win->TabStop() ? Qt::StrongFocus : Qt::NoFocus);
}

void PaintedBase::Changed(Binding& b) const { b.widget->update(); }

bool PaintedBase::Mouse(Binding& b, QObject*, QMouseEvent& event) const
{
    return b.core.RouteMouse(b, event, WindowSystemClicks(*b.control));
}

bool PaintedBase::Event(Binding& b, QObject*, QEvent& event) const
{
    if (event.type() != QEvent::KeyRelease) return false;
    ui::TControl& c = *b.control;
    auto* win = ui::As<ui::TWinControl>(&c);
    if (win == nullptr) return false;
    const auto& keyEvent = static_cast<QKeyEvent&>(event);
    std::uint16_t key = VirtualKey(keyEvent.key());
    const ui::TShiftState shift = ShiftState(keyEvent.modifiers());
    ui::Application& app = b.core.App();
    if (key != 0 && c.Showing() && c.EffectivelyEnabled() && app.AcceptsInput(c))
        b.core.Deliver(c, [&] { app.Guard(win, [&] { win->KeyUp(key, shift); }); });
    return true;
}

void PaintedBase::Paint(Binding& b, QPainter& painter) const
{
    ui::TControl& c = *b.control;
    const int width = b.widget->width();
    const int height = b.widget->height();
    if (width <= 0 || height <= 0) return;
    ui::Canvas canvas(width, height, ui::ResolveColor(c.Color()));
    canvas.font = CanvasFont(c.Font());
    const std::weak_ptr<void> alive = c.Liveness();
    ui::Application& app = b.core.App();
    b.painting = true;
    try {
        Counter depth(b.core.InputDepth());
        DrawLook(c, canvas);
        if (auto* custom = ui::As<ui::TCustomControl>(&c)) custom->PaintTo(canvas);
        else if (auto* graphic = ui::As<ui::TGraphicControl>(&c)) graphic->PaintTo(canvas);
    } catch (...) {
        // Told once, from the queue: a box shown from inside a paint would paint again under it.
        if (!alive.expired() && !b.paintFailed) {
            b.paintFailed = true;
            app.Post([&app, error = std::current_exception()] { app.HandleException(error); });
        }
    }
    if (alive.expired()) return;
    b.painting = false;
    painter.drawImage(0, 0, ToQImage(canvas.bitmap()));
}

const Kind& PaintedKind()
{
    static const Painted kind;
    return kind;
}

const Kind& PanelKind()
{
    static const Panel kind;
    return kind;
}

const Kind& SplitterKind()
{
    static const Splitter kind;
    return kind;
}

const Kind& GroupBoxKind()
{
    static const GroupBox kind;
    return kind;
}

}  // namespace gui::mirror
