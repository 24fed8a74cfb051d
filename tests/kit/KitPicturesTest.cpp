// Every distinct look of the kit, painted and held pixel for pixel to the hashes in KitPictures.txt: one
// row of the table per widget kind and its states. A one-pixel shift anywhere fails its row, and the
// picture it painted is written beside the contact sheets in the build folder's "pictures" for a person to
// look at. Text is drawn with the fonts scripts/setup installs; after a deliberate change of looks or fonts:
//   SORVEL_UPDATE_PICTURES=1 build/test/tests/test_kit --gtest_filter='KitPictures.*'
#include "KitStage.h"

#include "platform/Text.h"
#include "tests/support/Pictures.h"
#include <array>
#include <functional>

using ui::Canvas;
using ui::TRect;

namespace {

constexpr const char* kRegenerate = "SORVEL_UPDATE_PICTURES=1 build/test/tests/test_kit --gtest_filter='KitPictures.*'";

using Draw = std::function<void(Canvas&, TRect)>;

// Cells of w x h on the button face, 4 pixels apart, each drawn by its own routine.
ui::Bitmap Strip(int w, int h, const std::vector<Draw>& cells)
{
    Canvas c(static_cast<int>(cells.size()) * (w + 4), h + 4, clBtnFace);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const ui::CanvasStateGuard keep(c);
        cells[i](c, ui::Bounds(2 + static_cast<int>(i) * (w + 4), 2, w, h));
    }
    return c.bitmap();
}

// `count` cells drawn by one routine given the cell's index.
ui::Bitmap Cells(int count, int w, int h, const std::function<void(Canvas&, TRect, int)>& draw)
{
    std::vector<Draw> cells;
    for (int i = 0; i < count; ++i) cells.push_back([&draw, i](Canvas& c, TRect r) { draw(c, r, i); });
    return Strip(w, h, cells);
}

// The rectangle a frame routine answers, filled in yellow: a wrong inner rectangle shows.
void Mark(Canvas& c, const TRect& inner)
{
    c.brush = ui::Brush::Solid(clYellow);
    c.fillRect(inner);
}

ui::Bitmap Gradients(int w, int h, TColor start = clRed, TColor stop = clBlue)
{
    return Cells(10, w, h, [&](Canvas& c, TRect r, int i) { PaintGradientRect(c, r, TGradientDirection(i), start, stop, 1); });
}

// A control of the stage with a caption.
template <class T>
T* Captioned(KitStage& s, int w, int h, const std::string& caption, ui::TWinControl* parent = nullptr)
{
    T* control = s.Make<T>(w, h, parent);
    control->SetCaption(caption);
    return control;
}

// A splitter with its panes in white and silver, so that the bar between them shows.
TKitSplitter* Splitter(KitStage& s, int w, int h, TOrientation orientation = orHorizontal)
{
    auto* sp = s.Make<TKitSplitter>(w, h);
    sp->SetOrientation(orientation);
    sp->SetPosition(40);
    sp->Pane1()->SetColor(clWhite);
    sp->Pane2()->SetColor(clSilver);
    return sp;
}

// A yellow child that takes all the room its parent leaves it.
void FillWithChild(KitStage& s, ui::TWinControl& parent)
{
    auto* child = s.Make<TKitPanel>(1, 1, &parent);
    child->SetBorderOuter(fsNone);
    child->SetColor(clYellow);
    child->SetAlign(ui::alClient);
}

// Text in the faces the kit's controls name, and the canvas's own: when this row fails, the fonts (or
// the drawing of text) differ from those the pictures were made with.
ui::Bitmap FontProbe(KitStage&)
{
    Canvas c(260, 62);
    for (int i = 0; i < 6; ++i) {
        c.font = {.name = std::array{"Tahoma", "MS Sans Serif", "DejaVu Sans"}[i / 2], .height = 11, .bold = i % 2 == 1, .color = clBlack};
        c.textOut(i % 2 * 130 + 2, i / 2 * 20 + 2, "Шрифт Ag 0129 &%");
    }
    return c.bitmap();
}

struct Row {
    const char* group;
    const char* name;
    std::function<ui::Bitmap(KitStage&)> paint;
};

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        {"fonts", "probe", FontProbe},

        // --- frames, gradients and progress painters ---
        {"frames", "styles_plain_and_coloured", [](KitStage&) {
             return Stack({Cells(12, 24, 20, [](Canvas& c, TRect r, int i) { Mark(c, DrawBorder(c, r, TFrameStyleEx(i))); }),
                           Cells(12, 24, 20, [](Canvas& c, TRect r, int i) { Mark(c, DrawColorButtonBorder(c, r, clTeal, TFrameStyleEx(i))); })});
         }},
        {"frames", "chosen_sides", [](KitStage&) {
             const TFrameStyleEx styles[] = {fsGroove, fsBump, fsRaised, fsFlatBold, fsStatus, fsFlatRounded};
             const TSides sides[] = {sdTop | sdLeft, sdRight | sdBottom, sdTop, sdLeft | sdBottom};
             return Cells(24, 24, 20, [&](Canvas& c, TRect r, int i) { Mark(c, DrawBorderSides(c, r, styles[i / 4], sides[i % 4])); });
         }},
        {"frames", "edges_boxes_focus", [](KitStage&) {
             return Strip(24, 20, {[](Canvas& c, TRect r) { Mark(c, DrawColorEdge(c, r, clTeal, true)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawBox(c, r, clRed)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawFocusBorder(c, r)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawFocusBorder(c, ui::Rect(r.Left, r.Top, r.Right - 1, r.Bottom - 1))); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawRoundedFlatSides(c, r, clRed, sdAllSides)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawRoundedFlatSides(c, r, clRed, sdTop | sdLeft)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawSides(c, r, clNone, clNone, sdAllSides)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawSides(c, r, clRed, clBlue, sdLeft | sdBottom)); },
                                   [](Canvas& c, TRect r) { Mark(c, DrawBevel(c, r, clRed, clBlue, 3, sdAllSides)); }});
         }},
        {"frames", "inner_outer", [](KitStage&) {
             const std::vector<TInnerOuterBorders> frames = {
                 {},
                 {.BorderOuter = fsStatus, .BorderInner = fsFlat, .BorderWidth = 1, .BevelWidth = 2, .BorderColor = clRed, .FlatColor = clGray, .FlatColorAdjustment = 0},
                 {.BorderOuter = fsPopup, .BorderInner = fsLowered, .BorderWidth = 2, .BorderSides = sdTop | sdRight, .BevelWidth = 2, .BorderHighlight = clWhite, .BorderShadow = clNavy},
                 {.BorderInner = fsFlat, .BorderSides = sdTop, .FlatColor = clBlue, .FlatColorAdjustment = 0, .RoundFlatInnerCorners = true},
                 {.BorderOuter = fsFlatRounded, .FlatColor = clBlue, .FlatColorAdjustment = 0, .InteriorColor = clWhite, .ParentColor = clRed},
                 {.BorderOuter = fsFlatRounded, .BorderWidth = 1, .BorderColor = clLime, .FlatColor = clBlue, .ParentColor = clRed},
                 {.BorderOuter = fsFlatRounded, .BorderWidth = 1, .BorderColor = clLime, .Transparent = true},
                 {.BorderOuter = fsFlat, .BorderInner = fsFlatRounded, .BorderColor = clLime, .InteriorColor = clWhite},
                 {.BorderOuter = fsFlatBold, .BorderInner = fsFlatBold, .FlatColor = clMaroon, .FlatColorAdjustment = -40},
             };
             return Cells(9, 24, 20, [&](Canvas& c, TRect r, int i) { Mark(c, DrawInnerOuterBorders(c, r, frames[std::size_t(i)])); });
         }},
        {"gradients", "sizes_bands_and_solid", [](KitStage&) {
             const std::uint8_t bands[] = {0, 1, 8, 9, 20, 255};
             return Stack({Gradients(31, 17), Gradients(30, 16), Gradients(8, 40), Gradients(5, 5), Gradients(4, 30), Gradients(30, 4),
                           Gradients(12, 1), Gradients(1, 12), Gradients(23, 17, clTeal, clTeal), Gradients(9, 9, clBtnFace, clBtnFace),
                           Cells(6, 64, 8, [&](Canvas& c, TRect r, int i) { PaintGradientRect(c, r, gdVerticalEnd, clRed, clBlue, bands[i]); })});
         }},
        {"painters", "traditional_led_gradient", [](KitStage&) {
             const auto traditional = [](unsigned p, bool text, TOrientation o = orHorizontal) {
                 return [=](Canvas& c, TRect r) { DrawTraditionalProgressBar(c, r, o, clHighlight, clWhite, p, text); };
             };
             const auto led = [](unsigned p, int segments, int length, TOrientation o = orHorizontal) {
                 return [=](Canvas& c, TRect r) { DrawLEDProgressBar(c, o == orHorizontal ? ui::Bounds(r.Left, r.Top, length, r.Height()) : r, o, clBlue, clWhite, segments, p, true); };
             };
             const auto gradient = [](unsigned p, bool text, TGradientDirection d, TOrientation o = orHorizontal) {
                 return [=](Canvas& c, TRect r) { DrawGradientProgressBar(c, r, o, clBlue, clNavy, clWhite, clBtnFace, d, p, text); };
             };
             Canvas offset(200, 30, clYellow);
             DrawTraditionalProgressBar(offset, {60, 5, 180, 25}, orHorizontal, clBlue, clWhite, 0, true);
             return Stack({Strip(100, 18, {traditional(0, true), traditional(38, true), traditional(50, true), traditional(100, true), traditional(130, true), traditional(40, false)}),
                           offset.bitmap(), Strip(21, 60, {traditional(25, true, orVertical), traditional(50, true, orVertical), led(30, 10, 0, orVertical), led(100, 10, 0, orVertical)}),
                           Strip(200, 10, {led(55, 20, 200), led(100, 20, 119), led(0, 20, 119), led(50, 20, 60), led(100, 0, 50), led(100, 20, 5), led(100, 20, 0)}),
                           Strip(100, 20, {gradient(0, true, gdHorizontalCenter), gradient(70, true, gdHorizontalCenter), gradient(100, true, gdHorizontalCenter), gradient(30, false, gdHorizontalEnd)}),
                           Strip(20, 80, {gradient(40, true, gdVerticalCenter, orVertical)})});
         }},
        // --- buttons ---
        {"buttons", "classic", [](KitStage& s) {
             auto* b = Captioned<TKitButton>(s, 75, 25, "&Кнопка");
             return s.Film(*b, [&] { b->SetDefault(true); }, [&] { s.Press(*b, 5, 5); }, [&] { s.user.MouseMove(*b, {ui::ssLeft}, 80, 5); },
                           [&] { s.Release(*b, 80, 5); }, [&] { b->SetColor(0x40A040); }, [&] { s.Press(*b, 5, 5); }, [&] { b->SetEnabled(false); });
         }},
        {"buttons", "hot_track", [](KitStage& s) {
             auto* b = Captioned<TKitButton>(s, 75, 25, "Hot");
             b->SetHotTrack(true);
             return s.Film(*b, [&] { s.user.MouseEnter(*b); }, [&] { s.Press(*b, 5, 5); }, [&] { s.Release(*b, 5, 5); }, [&] { s.user.MouseLeave(*b); },
                           [&] { b->SetHotTrackColorType(htctComplement); s.user.MouseEnter(*b); }, [&] { b->SetColor(0x40A040); },
                           [&] { b->SetEnabled(false); }, [&] { b->SetColor(clBtnFace); });
         }},
        {"buttons", "group", [](KitStage& s) {
             auto* b = Captioned<TKitButton>(s, 75, 25, "Down");
             b->SetGroupIndex(1);
             return s.Film(*b, [&] { b->SetDown(true); }, [&] { s.user.Focus(*b); }, [&] { b->SetShowDownPattern(false); },
                           [&] { b->SetColor(0x40A040); b->SetAllowAllUp(true); b->SetDown(false); }, [&] { b->SetDown(true); });
         }},
        {"buttons", "kinds_and_glyph_layouts", [](KitStage& s) {
             std::vector<ui::Bitmap> kinds, layouts;
             for (int k = ui::bkOK; k <= ui::bkAll; ++k) {
                 auto* b = s.Make<TKitBitBtn>(75, 25);
                 b->SetKind(TBitBtnKind(k));
                 kinds.push_back(s.Picture(*b));
             }
             for (int layout = 0; layout < 8; ++layout) {
                 auto* b = s.Make<TKitBitBtn>(90, 46);
                 b->SetKind(ui::bkCancel);
                 b->SetMargin(layout < 4 ? 2 : -1);
                 b->SetLayout(TButtonLayout(layout % 4));
                 layouts.push_back(s.Picture(*b));
             }
             return Stack({Side(kinds), Side(layouts)});
         }},
        {"buttons", "glyph_states", [](KitStage& s) {
             auto* b = s.Make<TKitBitBtn>(75, 25);
             b->SetKind(ui::bkOK);
             auto* strip = s.Make<TKitBitBtn>(75, 25);  // four images: up, disabled, pressed, down
             Canvas four(64, 16, 0x008080);
             for (int i = 0; i < 4; ++i) Mark(four, ui::Bounds(i * 16 + 2 + i, 4, 8, 8));
             strip->SetGlyph(four.bitmap());
             strip->SetGroupIndex(3);
             return Stack({s.Film(*b, [&] { s.Press(*b, 5, 5); }, [&] { s.Release(*b, 5, 5); b->SetHotTrack(true); s.Press(*b, 5, 5); },
                                  [&] { s.Release(*b, 5, 5); b->SetEnabled(false); }),
                           s.Film(*strip, [&] { s.Press(*strip, 5, 5); }, [&] { s.Release(*strip, 5, 5); }, [&] { strip->SetEnabled(false); })});
         }},

        // --- radio buttons ---
        {"radio", "group_in_box", [](KitStage& s) {
             auto* box = Captioned<TKitGroupBox>(s, 300, 90, "&Номер объекта");
             box->SetColor(0xD0F0F0);
             for (int i = 0; i < 4; ++i) {
                 auto* r = Captioned<TKitRadioButton>(s, 280, 17, std::array{"НО Альтоники записывать в НО  7QX3", "В &номер раздела", "Недоступно", "Обычный"}[i], box);
                 r->SetBounds(8, 16 + 18 * i, 280, 17);
                 r->SetChecked(i == 1);
                 r->SetEnabled(i != 2);
                 r->SetTransparent(i == 0);  // its glyph's rim blends into what lies under it
             }
             return s.Picture(*box);
         }},
        {"radio", "states", [](KitStage& s) {
             auto* r = Captioned<TKitRadioButton>(s, 90, 17, "Да");
             auto* elsewhere = s.Make<TKitButton>(10, 10);
             return Stack({s.Film(*r, [&] { s.Press(*r, 5, 5); }, [&] { s.Release(*r, 5, 5); }, [&] { s.user.Focus(*elsewhere); r->SetHotTrack(true); s.user.MouseEnter(*r); },
                                  [&] { r->SetHotTrackStyle(htsFrame); }, [&] { s.user.MouseLeave(*r); r->SetReadOnly(true); }, [&] { r->SetEnabled(false); }),
                           s.Film(*r, [&] { r->SetEnabled(true); r->SetAlignment(ui::taLeftJustify); }, [&] { r->SetHeight(30); r->SetAlignmentVertical(avCenter); },
                                  [&] { r->SetAlignmentVertical(avBottom); }, [&] { r->SetCaption(std::string(30, 'W')); s.user.Focus(*r); })});
         }},
        // --- LED display and progress bar ---
        {"led", "alignment_and_dots", [](KitStage& s) {
             auto* led = Captioned<TKitLEDDisplay>(s, 100, 30, "1");
             return s.Film(*led, [&] { led->SetAlignment(ui::taCenter); }, [&] { led->SetAlignment(ui::taRightJustify); }, [&] { led->SetHeight(12); },
                           [&] { led->SetHeight(30); led->SetBorderWidth(4); }, [&] { led->SetBorderWidth(0); led->SetHeight(9); });
         }},
        {"led", "large_dial_and_codes", [](KitStage& s) {
             return Stack({s.Picture(*Captioned<TKitLEDDisplay>(s, 243, 90, "Sorvel 0#*A")), s.Picture(*Captioned<TKitLEDDisplay>(s, 243, 30, "+7 916 123-45-67")),
                           s.Picture(*Captioned<TKitLEDDisplay>(s, 120, 30, "Жz\t\u00e9\u0401"))});
         }},
        {"led", "font", [](KitStage& s) {
             std::vector<ui::Bitmap> lines;
             auto* led = s.Make<TKitLEDDisplay>(32 * 18 + 2, 30);
             for (int line = 0; line < 7; ++line) {
                 std::string text;
                 for (int code = 32 + line * 32; code < 64 + line * 32; ++code)
                     platform::AppendUtf8(text, platform::Cp1251ToUnicode(static_cast<unsigned char>(code)));
                 led->SetCaption(text);
                 lines.push_back(s.Picture(*led));
             }
             return Stack(lines);
         }},
        {"led", "scrolling", [](KitStage& s) {
             auto* led = Captioned<TKitLEDDisplay>(s, 120, 30, "12");
             led->SetScrolling(true);
             return s.Film(*led, [&] { s.user.Advance(100); }, [&] { s.user.Advance(900); }, [&] { led->SetScrollType(stLeftToRight); s.user.Advance(300); },
                           [&] { led->SetScrollType(stNone); led->SetAlignment(ui::taRightJustify); });
         }},
        {"progress_bar", "styles_and_shapes", [](KitStage& s) {
             auto* bar = s.Make<TKitProgressBar>(125, 21);
             bar->SetTotalParts(2);
             bar->SetPartsComplete(1);
             auto* tall = s.Make<TKitProgressBar>(21, 125);
             tall->SetTotalParts(4);
             tall->SetPartsComplete(1);
             return Stack({s.Film(*bar, [&] { bar->SetShowPercent(false); }, [&] { bar->SetBarStyle(bsLED); }, [&] { bar->SetBarStyle(bsGradient); },
                                  [&] { bar->SetBarStyle(bsTraditional); bar->SetBorderOuter(fsFlatRounded); bar->SetBarColor(clRed); },
                                  [&] { bar->SetBorderWidth(2); bar->SetInteriorOffset(2); }, [&] { bar->SetPartsComplete(2); }),
                           s.Film(*tall, [&] { tall->SetBarStyle(bsLED); }, [&] { tall->SetBarStyle(bsGradient); })});
         }},

        // --- labels ---
        {"labels", "frames_and_size", [](KitStage& s) {
             auto* l = Captioned<TKitLabel>(s, 0, 0, "Sorvel");
             return s.Film(*l, [&] { l->SetBorderOuter(fsGroove); l->SetTextMargin(2); },
                           [&] { l->SetBorderOuter(fsStatus); l->SetBevelWidth(2); l->SetBorderWidth(3); l->SetBorderSides(sdLeft | sdTop | sdBottom); },
                           [&] { l->SetTextStyle(tsShadow); }, [&] { l->SetBorderOuter(fsFlatRounded); l->SetBorderInner(fsFlat); });
         }},
        {"labels", "turned_and_curved", [](KitStage& s) {
             std::vector<ui::Bitmap> turned;
             for (const int angle : {0, 45, 90, 100, 180, 270, -30}) {
                 auto* l = Captioned<TKitLabel>(s, 0, 0, "Поворот");
                 l->SetTextStyle(tsShadow);
                 l->SetAngle(angle);
                 turned.push_back(s.Picture(*l));
             }
             auto* l = Captioned<TKitLabel>(s, 0, 0, "Sorvel GSM-7-QX3");
             l->SetAutoSize(false);
             l->SetBounds(0, 0, 160, 120);
             l->SetRotation(roCurve);
             l->SetAngle(300);
             return Stack({Side(turned), s.Film(*l, [&] { l->SetCenterPoint(cpLowerRight); l->SetBorderWidth(2); l->SetTextStyle(tsRaised); l->SetAngle(20); },
                                                [&] { l->SetCenterPoint(cpUpperCenter); l->SetEnabled(false); }, [&] { l->SetCenterPoint(cpLeftCenter); },
                                                [&] { l->SetCenterPoint(cpCenter); l->SetBorderWidth(40); })});
         }},
        {"labels", "link", [](KitStage& s) {
             auto* link = Captioned<TKitURLLabel>(s, 0, 0, "www.sorvel.ru");
             return s.Film(*link, [&] { link->SetVisited(true); });
         }},

        // --- panels and group boxes ---
        {"panels", "captions", [](KitStage& s) {
             auto* p = Captioned<TKitPanel>(s, 120, 60, "Панель с длинной подписью");
             return s.Film(*p, [&] { p->SetAlignment(ui::taLeftJustify); p->SetAlignmentVertical(avTop); p->SetTextMargin(5); p->SetTextMarginVertical(4); },
                           [&] { p->SetAlignment(ui::taRightJustify); p->SetAlignmentVertical(avBottom); }, [&] { p->SetWordWrap(false); },
                           [&] { p->SetEnabled(false); });
         }},
        {"panels", "frames", [](KitStage& s) {
             auto* p = s.Make<TKitPanel>(40, 24);
             return s.Film(*p, [&] { p->SetBorderOuter(fsFlat); p->SetFlatColor(clRed); }, [&] { p->SetVisualStyle(vsGradient); },
                           [&] { p->SetGradientColorStyle(gcsCustom); }, [&] { p->SetBorderOuter(fsStatus); p->SetBevelWidth(1); p->SetBorderWidth(2); p->SetBorderInner(fsFlatBold); },
                           [&] { p->SetBorderSides(sdLeft | sdBottom); p->SetBorderColor(clLime); }, [&] { p->SetBorderOuter(fsFlatRounded); p->SetBorderWidth(0); },
                           [&] { p->SetPaintClientArea(false); });
         }},
        {"panels", "room_for_children", [](KitStage& s) {
             auto* p = s.Make<TKitPanel>(40, 30);
             FillWithChild(s, *p);
             return s.Film(*p, [&] { p->SetBorderWidth(3); p->SetBorderInner(fsFlat); }, [&] { p->SetBorderSides(sdLeft | sdTop); p->SetBorderOuter(fsStatus); p->SetBevelWidth(4); },
                           [&] { p->SetBevelWidth(1); p->SetBorderInner(fsFlatRounded); }, [&] { p->SetBorderOuter(fsButtonUp); p->SetBorderSides(sdRight); });
         }},
        {"panels", "gradient_mark_grid_and_glass", [](KitStage& s) {
             auto* mark = s.Make<TKitPanel>(8, 9);  // the colour marks of the reporting-ways page
             mark->SetBorderOuter(fsFlatBold);
             mark->SetVisualStyle(vsGradient);
             mark->SetGradientColorStyle(gcsCustom);
             mark->SetGradientColorStart(clRed);
             mark->SetGradientColorStop(clBlue);
             mark->SetGradientDirection(gdHorizontalBox);
             auto* grid = s.Make<TKitPanel>(40, 30);
             grid->SetShowGrid(true);
             grid->SetGridColor(clRed);
             grid->SetGridXSize(10);
             grid->SetGridYSize(7);
             auto* p = s.Make<TKitPanel>(100, 60);
             p->SetVisualStyle(vsGradient);
             p->SetGradientDirection(gdVerticalEnd);
             for (const TRect& r : {ui::Bounds(30, 10, 40, 30), ui::Bounds(80, 45, 40, 30)}) {  // the second reaches out of its parent
                 auto* glass = Captioned<TKitPanel>(s, 40, 30, r.Left == 30 ? "Стекло" : "", p);
                 glass->SetBoundsRect(r);
                 glass->SetBorderOuter(r.Left == 30 ? fsFlat : fsNone);
                 glass->SetTransparent(true);
             }
             return Side({s.Picture(*mark), s.Film(*grid, [&] { grid->SetGridStyle(gsSolidLines); grid->SetBorderOuter(fsNone); }, [&] { grid->SetGridStyle(gsDottedLines); },
                                                   [&] { grid->SetGridXSize(0); }),
                          s.Picture(*p)});
         }},
        {"group_boxes", "styles", [](KitStage& s) {
             std::vector<ui::Bitmap> shots;
             for (const TKitGroupBoxStyle style : {gsStandard, gsTopLine, gsFlat, gsBanner, gsUnderline, gsCustom}) {
                 auto* box = Captioned<TKitGroupBox>(s, 95, 60, "&Номер");
                 box->SetGroupStyle(style);
                 shots.push_back(s.Picture(*box));
             }
             return Side(shots);
         }},
        {"group_boxes", "outer_styles", [](KitStage& s) {
             auto* box = Captioned<TKitGroupBox>(s, 95, 50, "Файл");
             box->SetGroupStyle(gsStandard);
             return s.Film(*box, [&] { box->SetBorderOuter(fsFlat); }, [&] { box->SetBorderOuter(fsFlatBold); }, [&] { box->SetBorderOuter(fsRaised); },
                           [&] { box->SetGroupStyle(gsTopLine); }, [&] { box->SetBorderOuter(fsFlat); }, [&] { box->SetBorderOuter(fsFlatBold); },
                           [&] { box->SetBorderOuter(fsNone); }, [&] { box->SetEnabled(false); },
                           [&] { box->SetEnabled(true); box->SetGroupStyle(gsBanner); box->SetGradientColorStyle(gcsCustom); box->SetGradientColorStart(clYellow); });
         }},
        {"group_boxes", "room_for_children", [](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(80, 50);
             FillWithChild(s, *box);
             return s.Film(*box, [&] { box->SetGroupStyle(gsStandard); }, [&] { box->SetBorderWidth(10); }, [&] { box->SetBorderWidth(0); box->SetGroupStyle(gsTopLine); },
                           [&] { box->SetGroupStyle(gsBanner); }, [&] { box->SetGroupStyle(gsUnderline); }, [&] { box->SetGroupStyle(gsCustom); },
                           [&] { box->SetCaption("Номер"); }, [&] { box->SetGroupStyle(gsFlat); box->Font().SetHeight(-22); });
         }},

        // --- splitters and the dialog button bar ---
        {"splitters", "main_window", [](KitStage& s) {
             const auto [outer, inner] = s.MainWindowSplitters(434, 282, 229, 63);
             outer->Pane2()->SetColor(clWindow);
             inner->Pane2()->SetColor(clWhite);
             return s.Picture(*outer);
         }},
        {"splitters", "styles_and_modes", [](KitStage& s) {
             auto* sp = Splitter(s, 100, 60);
             return s.Film(*sp, [&] { sp->SetSplitterStyle(ssGroove); }, [&] { sp->SetSplitterStyle(ssBump); }, [&] { sp->SetSplitterStyle(ssGroupBar); },
                           [&] { sp->SetVisualStyle(vsGradient); sp->SetGradientPath(gpBottomToTop); }, [&] { sp->SetOrientation(orVertical); },
                           [&] { sp->SetSplitterStyle(ssGroove); sp->SetSplitterWidth(12); }, [&] { sp->SetUsePercent(true); sp->SetPercent(70); sp->SetOrientation(orHorizontal); });
         }},
        {"splitters", "hot_spot", [](KitStage& s) {
             auto* sp = Splitter(s, 60, 100, orVertical);
             sp->SetHotSpotVisible(true);
             const auto hover = [&](int dx) { s.user.MouseMove(*sp, {}, (sp->HotSpotRect().Left + sp->HotSpotRect().Right) / 2 + dx, sp->HotSpotRect().Top + 2); };
             return Stack({s.Film(*sp, [&] { hover(0); }, [&] { s.Click(*sp, 30, 43); }, [&] { s.user.MouseLeave(*sp); }, [&] { sp->SetHotSpotDirection(hsdMax); },
                                  [&] { s.Click(*sp, 30, 1); }),
                           s.Film(*sp, [&] { sp->SetHotSpotDirection(hsdBoth); }, [&] { hover(-6); }, [&] { hover(6); }, [&] { s.Click(*sp, 24, 42); },
                                  [&] { sp->SetHotSpotSizePercent(80); })});
         }},
        {"splitters", "drag", [](KitStage& s) {
             auto* sp = Splitter(s, 100, 60);
             sp->SetSplitterStyle(ssBump);
             return s.Film(*sp, [&] { s.Press(*sp, 42, 30); }, [&] { s.user.MouseMove(*sp, {ui::ssLeft}, 70, 30); }, [&] { s.Release(*sp, 70, 30); },
                           [&] { sp->SetBorderOuter(fsFlat); sp->SetBorderWidth(2); sp->Pane2()->Hide(); });
         }},
        {"dialog_buttons", "layouts", [](KitStage& s) {
             s.form->SetBounds(0, 0, 255, 150);
             auto* bar = s.Make<TKitDialogButtons>(255, 36);
             bar->SetAlign(ui::alBottom);
             return Stack({s.Film(*bar, [&] { bar->SetShowHelpButton(true); bar->SetShowGlyphs(true); bar->SetShowDivider(true); },
                                  [&] { bar->SetWidthCancel(100); bar->SetHotTrack(true); }, [&] { bar->SetAlign(ui::alTop); }, [&] { bar->SetShowOKButton(false); }),
                           s.Film(*bar, [&] { bar->SetShowOKButton(true); bar->SetAlign(ui::alRight); }, [&] { bar->SetShowCancelButton(false); },
                                  [&] { bar->SetAlign(ui::alLeft); }, [&] { bar->SetAlign(ui::alNone); bar->SetBounds(0, 0, 200, 50); bar->SetShowCancelButton(true); },
                                  [&] { bar->SetAlign(ui::alBottom); bar->ChangeScale(120, 96); })});
         }},
    };
    return rows;
}

}  // namespace

TEST(KitPictures, EveryLookIsTheStoredOne)
{
    testsupport::PictureBook book(SORVEL_SOURCE_DIR "/tests/kit/KitPictures.txt", "kit", kRegenerate);
    for (const Row& row : Rows()) {
        KitStage stage;
        if (!book.Check(row.group, row.name, row.paint(stage)) && std::string(row.group) == "fonts")
            ADD_FAILURE() << "Text is drawn differently from when the pictures were stored: the fonts differ (the pictures are made "
                             "with those scripts/setup installs: fonts-dejavu-core and fonts-wine) or the drawing of text changed. "
                             "Run scripts/setup; if the change is meant, store the new pictures: "
                          << kRegenerate;
    }
    book.Close();
}
