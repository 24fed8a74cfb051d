#include "kit/KitPanel.h"

#include "kit/KitButton.h"
#include "platform/Text.h"

#include <algorithm>

using ui::Canvas;
using ui::TRect;

namespace {

// How far a frame style reaches into the control on each side that carries it.
int FrameStyleWidth(TFrameStyleEx style, int bevelWidth)
{
    switch (style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 2;  // the two-line styles, the bold and the rounded flat ones
    }
}

void MoveSidesIn(TRect& r, TSides sides, int by)
{
    if (sides & sdLeft) r.Left += by;
    if (sides & sdTop) r.Top += by;
    if (sides & sdRight) r.Right -= by;
    if (sides & sdBottom) r.Bottom -= by;
}

unsigned AlignmentFlag(ui::TAlignment alignment)
{
    switch (alignment) {
    case ui::taLeftJustify: return ui::tfLeft;
    case ui::taRightJustify: return ui::tfRight;
    case ui::taCenter: return ui::tfCenter;
    }
    return ui::tfLeft;
}

void Line(Canvas& canvas, int x0, int y0, int x1, int y1)
{
    canvas.moveTo(x0, y0);
    canvas.lineTo(x1, y1);
}

}  // namespace

// ---------------------------------------------------------------- TKitCustomPanel

TKitCustomPanel::TKitCustomPanel(ui::TComponent* owner) : ui::TCustomControl(owner)
{
    SetDefaultSize(185, 41);
}

template <class T>
bool TKitCustomPanel::Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    Invalidate();
    return true;
}

void TKitCustomPanel::SetBorderOuter(TFrameStyleEx v)
{
    if (Store(frame_.BorderOuter, v)) Realign();
}

void TKitCustomPanel::SetBorderInner(TFrameStyleEx v)
{
    if (Store(frame_.BorderInner, v)) Realign();
}

void TKitCustomPanel::SetBorderSides(TSides v)
{
    if (Store(frame_.BorderSides, v & sdAllSides)) Realign();
}

void TKitCustomPanel::SetBorderWidth(int v)
{
    if (Store(frame_.BorderWidth, std::max(v, 0))) Realign();
}

void TKitCustomPanel::SetBevelWidth(int v)
{
    if (Store(frame_.BevelWidth, std::max(v, 1))) Realign();
}

void TKitCustomPanel::SetBorderColor(TColor v) { Store(frame_.BorderColor, v); }
void TKitCustomPanel::SetBorderHighlight(TColor v) { Store(frame_.BorderHighlight, v); }
void TKitCustomPanel::SetBorderShadow(TColor v) { Store(frame_.BorderShadow, v); }
void TKitCustomPanel::SetFlatColor(TColor v) { Store(frame_.FlatColor, v); }
void TKitCustomPanel::SetFlatColorAdjustment(int v) { Store(frame_.FlatColorAdjustment, v); }
void TKitCustomPanel::SetAlignment(ui::TAlignment v) { Store(alignment_, v); }
void TKitCustomPanel::SetAlignmentVertical(TAlignmentVertical v) { Store(alignmentVertical_, v); }
void TKitCustomPanel::SetTextMargin(int v) { Store(textMargin_, v); }
void TKitCustomPanel::SetTextMarginVertical(int v) { Store(textMarginVertical_, v); }
void TKitCustomPanel::SetWordWrap(bool v) { Store(wordWrap_, v); }
void TKitCustomPanel::SetVisualStyle(TKitVisualStyle v) { Store(visualStyle_, v); }
void TKitCustomPanel::SetGradientColorStyle(TKitGradientColorStyle v) { Store(gradientColorStyle_, v); }
void TKitCustomPanel::SetShowGrid(bool v) { Store(showGrid_, v); }
void TKitCustomPanel::SetGridStyle(TKitGridStyle v) { Store(gridStyle_, v); }
void TKitCustomPanel::SetGridColor(TColor v) { Store(gridColor_, v); }
void TKitCustomPanel::SetGridXSize(std::uint16_t v) { Store(gridXSize_, v); }
void TKitCustomPanel::SetGridYSize(std::uint16_t v) { Store(gridYSize_, v); }
void TKitCustomPanel::SetPaintClientArea(bool v) { Store(paintClientArea_, v); }

// Transparent children show the gradient, so they change with it.
void TKitCustomPanel::SetGradientColorStart(TColor v)
{
    if (Store(gradientColorStart_, v)) InvalidateTransparentChildren(*this);
}

void TKitCustomPanel::SetGradientColorStop(TColor v)
{
    if (Store(gradientColorStop_, v)) InvalidateTransparentChildren(*this);
}

void TKitCustomPanel::SetGradientDirection(TGradientDirection v)
{
    if (Store(gradientDirection_, v)) InvalidateTransparentChildren(*this);
}

void TKitCustomPanel::SetTransparent(bool v)
{
    if (!Store(transparent_, v)) return;
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

bool TKitCustomPanel::ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value)
{
    const std::string upper = platform::AsciiUpper(name);
    if (upper == "FRAMESIDES") return TKitOldPropReader::ReadOldSet(value).has_value();
    if (upper == "THEMEAWARE") return TKitOldPropReader::ReadOldBoolean(value).has_value();
    if (upper == "USEGRADIENTS") {
        const std::optional<bool> use = TKitOldPropReader::ReadOldBoolean(value);
        if (!use) return false;
        if (*use) SetVisualStyle(vsGradient);
        return true;
    }
    return false;
}

void TKitCustomPanel::AdjustRectForFrame(TRect& rect, bool includeBorderWidth) const
{
    if (includeBorderWidth) rect = rect.Shrink(frame_.BorderWidth);
    MoveSidesIn(rect, frame_.BorderSides, FrameStyleWidth(frame_.BorderOuter, frame_.BevelWidth));
    MoveSidesIn(rect, frame_.BorderSides, FrameStyleWidth(frame_.BorderInner, frame_.BevelWidth));
}

void TKitCustomPanel::GetGradientColors(TColor& start, TColor& stop) const
{
    if (gradientColorStyle_ == gcsCustom) {
        start = gradientColorStart_;
        stop = gradientColorStop_;
        return;
    }
    GetXPGradientColors(gradientColorStyle_, start, stop);
}

void TKitCustomPanel::GetFrameColors(TColor& color, int& adjustment) const
{
    if (visualStyle_ == vsGradient && gradientColorStyle_ != gcsCustom) {
        color = GetXPFrameColor(gradientColorStyle_);
        adjustment = 0;
        return;
    }
    color = frame_.FlatColor;
    adjustment = frame_.FlatColorAdjustment;
}

TRect TKitCustomPanel::AlignRect() const
{
    TRect r = ClientRect();
    AdjustRectForFrame(r, true);
    return r;
}

void TKitCustomPanel::SetBounds(int left, int top, int width, int height)
{
    if (Align() == ui::alBottom && height != Height()) top -= std::max(height, 0) - Height();
    if (Align() == ui::alRight && width != Width()) left -= std::max(width, 0) - Width();
    ui::TCustomControl::SetBounds(left, top, width, height);
}

void TKitCustomPanel::Resized()
{
    ui::TCustomControl::Resized();
    // The model repaints whole controls only, so a resize repaints the whole panel whatever FullRepaint says.
    Invalidate();
}

void TKitCustomPanel::Paint(Canvas& canvas)
{
    Canvas buffer(Width(), Height());
    buffer.font = CanvasFont(Font());
    PaintPanel(buffer);
    canvas.draw(0, 0, buffer.bitmap());
    ui::Fire(OnPaint, this);
}

void TKitCustomPanel::EraseBackground(Canvas& canvas)
{
    if (transparent_ && paintClientArea_) {
        DrawParentBackground(*this, canvas, true);
        return;
    }
    const ui::CanvasStateGuard keep(canvas);
    canvas.brush = ui::Brush::Solid(Color());
    canvas.fillRect(GetControlRect());
}

void TKitCustomPanel::PaintPanel(Canvas& canvas)
{
    EraseBackground(canvas);
    TColor frameColor = frame_.FlatColor;
    int adjustment = frame_.FlatColorAdjustment;
    GetFrameColors(frameColor, adjustment);
    TInnerOuterBorders borders = frame_;
    borders.FlatColor = frameColor;
    borders.FlatColorAdjustment = adjustment;
    borders.InteriorColor = Color();
    borders.ParentColor = Parent() != nullptr ? Parent()->Color() : Color();
    borders.Transparent = transparent_;
    const TRect interior = DrawInnerOuterBorders(canvas, GetControlRect(), borders);

    if (!transparent_ && paintClientArea_) {
        if (visualStyle_ == vsGradient) {
            TColor start = clWhite, stop = clBtnFace;
            GetGradientColors(start, stop);
            PaintGradientRect(canvas, interior, gradientDirection_, start, stop, 1);
        } else {
            canvas.brush = ui::Brush::Solid(Color());
            canvas.fillRect(interior);
        }
    }
    if (showGrid_) DrawGrid(canvas, interior);
    canvas.brush = ui::Brush::Clear();
    DrawCaption(canvas, interior);
}

void TKitCustomPanel::DrawGrid(Canvas& canvas, const TRect& r)
{
    const int nx = gridXSize_ == 0 ? 0 : r.Width() / gridXSize_;
    const int ny = gridYSize_ == 0 ? 0 : r.Height() / gridYSize_;
    canvas.pen = {gridColor_, 1, ui::PenStyle::Solid};
    const auto x = [&](int i) { return r.Left - 1 + gridXSize_ * i; };
    const auto y = [&](int j) { return r.Top - 1 + gridYSize_ * j; };
    if (gridStyle_ == gsDots) {
        for (int i = 1; i <= nx; ++i)
            for (int j = 1; j <= ny; ++j) canvas.setPixel(x(i), y(j), gridColor_);
        return;
    }
    const bool dotted = gridStyle_ == gsDottedLines;
    const auto vertical = [&](int at) {
        if (!dotted) return Line(canvas, at, r.Top, at, r.Bottom);
        for (int py = r.Top + 1; py < r.Bottom; py += 2) canvas.setPixel(at, py, gridColor_);
    };
    const auto horizontal = [&](int at) {
        if (!dotted) return Line(canvas, r.Left, at, r.Right, at);
        for (int px = r.Left + 1; px < r.Right; px += 2) canvas.setPixel(px, at, gridColor_);
    };
    for (int i = 1; i <= nx; ++i) vertical(x(i));
    for (int j = 1; j <= ny; ++j) horizontal(y(j));
}

void TKitCustomPanel::DrawCaption(Canvas& canvas, TRect r)
{
    if (Caption().empty()) return;
    canvas.font = CanvasFont(Font());
    r.Left += textMargin_;
    r.Right -= textMargin_;
    r.Top += textMarginVertical_;
    r.Bottom -= textMarginVertical_;
    const unsigned flags =
        ui::tfExpandTabs | ui::tfVCenter | (wordWrap_ ? ui::tfWordBreak : 0u) | AlignmentFlag(alignment_);
    TRect measured = r;
    const int h = canvas.drawText(measured, Caption(), flags | ui::tfCalcRect);
    switch (alignmentVertical_) {
    case avTop: r.Bottom = std::min(r.Bottom, r.Top + h); break;
    case avCenter:
        r.Top = (r.Top + r.Bottom - h) / 2;
        r.Bottom = std::min(r.Bottom, r.Top + h);
        break;
    case avBottom:
        if (r.Bottom - h - 1 > r.Top) r.Top = r.Bottom - h - 1;
        break;
    }
    if (!Enabled()) canvas.font.color = clGrayText;
    canvas.drawText(r, Caption(), flags);
}

void TKitCustomPanel::EnabledChanged()
{
    Invalidate();
    const std::vector<ui::TControl*> children = [this] {
        std::vector<ui::TControl*> list;
        for (int i = 0; i < ControlCount(); ++i) list.push_back(Controls(i));
        return list;
    }();
    if (!Enabled()) {
        enabledStates_.clear();
        for (ui::TControl* child : children) enabledStates_.push_back({child, child->Enabled()});
        for (ui::TControl* child : children) child->SetEnabled(false);
        return;
    }
    // The memory stays: the next disabling takes it afresh.
    for (ui::TControl* child : children) {
        const auto it = std::find_if(enabledStates_.begin(), enabledStates_.end(),
                                     [child](const EnabledState& s) { return s.control == child; });
        if (it == enabledStates_.end() || it->enabled) child->SetEnabled(true);
    }
}

void TKitCustomPanel::ControlsChanged()
{
    // A child that left (freed or moved elsewhere) is forgotten at once, so that a control that comes
    // later, even one at the same address, is taken for the new child it is.
    std::erase_if(enabledStates_, [this](const EnabledState& s) {
        for (int i = 0; i < ControlCount(); ++i)
            if (Controls(i) == s.control) return false;
        return true;
    });
}

// ---------------------------------------------------------------- TKitCustomGroupBox

TKitCustomGroupBox::TKitCustomGroupBox(ui::TComponent* owner) : TKitCustomPanel(owner)
{
    SetDefaultSize(185, 105);
    SetBorderOuter(fsNone);
    SetBorderInner(fsNone);
    SetAlignment(ui::taLeftJustify);
    SetAlignmentVertical(avTop);
}

void TKitCustomGroupBox::SetGroupStyle(TKitGroupBoxStyle v)
{
    if (Store(groupStyle_, v)) Realign();
}

void TKitCustomGroupBox::FontUpdated()
{
    TKitCustomPanel::FontUpdated();
    Realign();
}

void TKitCustomGroupBox::TextChanged()
{
    TKitCustomPanel::TextChanged();
    // The custom style makes room for a caption only when there is one.
    if (groupStyle_ == gsCustom) Realign();
}

bool TKitCustomGroupBox::DialogChar(char32_t ch)
{
    if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
    SelectFirst();
    return true;
}

int TKitCustomGroupBox::TextHeight(std::string_view sample) const
{
    Canvas probe(0, 0);
    probe.font = CanvasFont(Font());
    return probe.textHeight(sample);
}

TRect TKitCustomGroupBox::AlignRect() const
{
    TRect r = TKitCustomPanel::AlignRect();
    const int h = TextHeight("Yy");
    switch (groupStyle_) {
    case gsStandard:
    case gsFlat: {
        const int half = h / 2 - 1;
        r.Top += half < BorderWidth() ? half : h - BorderWidth();
        r = r.Shrink(groupStyle_ == gsStandard ? 2 : 1);
        break;
    }
    case gsCustom:
        if (!Caption().empty()) r.Top += h;
        r = r.Shrink(2);
        break;
    case gsTopLine: r.Top += h; break;
    case gsBanner: r.Top += h + 8; break;
    case gsUnderline: r.Top += h + 4; break;
    }
    return r;
}

TRect TKitCustomGroupBox::CaptionRect() const
{
    if (Caption().empty() || groupStyle_ == gsCustom) return {};
    Canvas probe(0, 0);
    probe.font = CanvasFont(Font());
    const ui::TSize ext = probe.textExtent(RemoveAccelChar(Caption()));
    switch (groupStyle_) {
    case gsStandard:
    case gsFlat: return {8, 0, ext.cx + 8, ext.cy};
    case gsTopLine: return {0, 0, ext.cx + 4, ext.cy};
    case gsBanner: return {0, 0, Width(), ext.cy + 6};
    case gsUnderline: return {0, 0, Width(), ext.cy + 2};
    case gsCustom: break;
    }
    return {};
}

void TKitCustomGroupBox::PaintPanel(Canvas& canvas)
{
    if (groupStyle_ == gsCustom) {
        TKitCustomPanel::PaintPanel(canvas);
        return;
    }
    EraseBackground(canvas);
    const TRect captionRect = CaptionRect();
    {
        const ui::CanvasStateGuard keep(canvas);
        if (Transparent()) {
            if (groupStyle_ != gsBanner) canvas.excludeClip(captionRect);
        } else {
            canvas.brush = ui::Brush::Solid(Color());
            canvas.fillRect(GetControlRect());
        }
        DrawFrame(canvas, captionRect);
    }
    if (!Caption().empty()) DrawGroupCaption(canvas, captionRect);
}

void TKitCustomGroupBox::DrawFrame(Canvas& canvas, const TRect& cr)
{
    const TRect fr{0, TextHeight("Pp") / 2 - 1, Width(), Height()};
    const TColor c = AdjustColor(FlatColor(), FlatColorAdjustment());
    canvas.pen = {c, 1, ui::PenStyle::Solid};
    switch (groupStyle_) {
    case gsStandard:
        switch (BorderOuter()) {
        case fsNone: DrawBorderSides(canvas, fr, fsGroove, sdAllSides); break;
        case fsFlat: DrawBox(canvas, fr, c); break;
        case fsFlatBold: DrawBevel(canvas, fr, c, c, 2, sdAllSides); break;
        default: DrawBorderSides(canvas, fr, BorderOuter(), sdAllSides); break;
        }
        break;
    case gsTopLine:
        switch (BorderOuter()) {
        case fsNone: DrawBorderSides(canvas, fr, fsGroove, sdTop); break;
        case fsFlat: Line(canvas, fr.Left + 2, fr.Top, fr.Right - 2, fr.Top); break;
        case fsFlatBold:
            Line(canvas, fr.Left + 2, fr.Top, fr.Right - 2, fr.Top);
            Line(canvas, fr.Left + 2, fr.Top + 1, fr.Right - 2, fr.Top + 1);
            break;
        default: DrawBorderSides(canvas, fr, BorderOuter(), sdTop); break;
        }
        break;
    case gsFlat: DrawRoundedFlatSides(canvas, fr, c, sdAllSides); break;
    case gsBanner: {
        TColor start = GradientColorStart(), stop = GradientColorStop(), frame = c;
        if (GradientColorStyle() != gcsCustom) GetXPGroupBoxColors(GradientColorStyle(), stop, start, frame);
        canvas.pen.color = frame;
        Line(canvas, cr.Left + 1, cr.Top, cr.Right - 1, cr.Top);
        Line(canvas, cr.Left + 1, cr.Bottom - 1, cr.Right - 1, cr.Bottom - 1);
        Line(canvas, cr.Left, cr.Top + 1, cr.Left, cr.Bottom - 1);
        Line(canvas, cr.Right - 1, cr.Top + 1, cr.Right - 1, cr.Bottom - 1);
        PaintGradientRect(canvas, cr.Shrink(1), gdHorizontalEnd, start, stop, 1);
        break;
    }
    case gsUnderline: Line(canvas, cr.Left, cr.Bottom, cr.Right, cr.Bottom); break;
    case gsCustom: break;
    }
}

void TKitCustomGroupBox::DrawGroupCaption(Canvas& canvas, TRect cr)
{
    if (!Transparent() && groupStyle_ != gsBanner) {
        canvas.brush = ui::Brush::Solid(Color());
        canvas.fillRect(cr);
    }
    if (groupStyle_ == gsBanner) cr = cr.Inflate(-4, -1);
    canvas.brush = ui::Brush::Clear();
    canvas.font = CanvasFont(Font());
    if (!Enabled()) canvas.font.color = clGrayText;
    canvas.resetClip();
    canvas.drawText(cr, Caption(), ui::tfSingleLine | AlignmentFlag(Alignment()));
}
