// Every distinct look of the kit, painted and held pixel for pixel to the hashes in KitPictures.txt: one
// row of the table per widget kind and state. A one-pixel shift anywhere fails its row, and the picture
// it painted is written beside the contact sheets in the build folder's "pictures" for a person to look
// at. Text is drawn with the fonts scripts/setup installs; after a deliberate change of looks or fonts:
//   SORVEL_UPDATE_PICTURES=1 build/test/tests/test_kit --gtest_filter='KitPictures.*'
#include "KitStage.h"

#include "platform/Text.h"
#include "tests/support/Pictures.h"
#include "ui/ComCtrls.h"

#include <functional>

using ui::Canvas;
using ui::TRect;

namespace {

constexpr const char* kRegenerate = "SORVEL_UPDATE_PICTURES=1 build/test/tests/test_kit --gtest_filter='KitPictures.*'";

// `count` cells of w x h on the button face, each painted by `paint` given its rectangle and index.
ui::Bitmap Cells(int count, int w, int h, const std::function<void(Canvas&, TRect, int)>& paint)
{
    Canvas c(count * (w + 4), h + 4, clBtnFace);
    for (int i = 0; i < count; ++i) {
        const ui::CanvasStateGuard keep(c);
        paint(c, ui::Bounds(2 + i * (w + 4), 2, w, h), i);
    }
    return c.bitmap();
}

// The rectangle a frame routine answers, filled in yellow: a wrong inner rectangle shows.
void Mark(Canvas& c, const TRect& inner)
{
    c.brush = ui::Brush::Solid(clYellow);
    c.fillRect(inner);
}

template <class T>
using Variants = std::vector<std::function<T>>;

ui::Bitmap FrameCells(const Variants<TRect(Canvas&, TRect)>& draw)
{
    return Cells(static_cast<int>(draw.size()), 24, 20, [&](Canvas& c, TRect r, int i) { Mark(c, draw[static_cast<std::size_t>(i)](c, r)); });
}

ui::Bitmap GradientCells(int w, int h, TColor start, TColor stop)
{
    return Cells(10, w, h, [&](Canvas& c, TRect r, int i) { PaintGradientRect(c, r, TGradientDirection(i), start, stop, 1); });
}

// Progress painters on bars of w x h: one per percentage.
ui::Bitmap Bars(int w, int h, const std::vector<unsigned>& percents, const std::function<void(Canvas&, TRect, unsigned)>& paint)
{
    return Cells(static_cast<int>(percents.size()), w, h, [&](Canvas& c, TRect r, int i) { paint(c, r, percents[static_cast<std::size_t>(i)]); });
}

TCheckRadioGlyph Glyph(bool checked, TCheckRadioState state, std::function<void(TCheckRadioGlyph&)> more = {})
{
    TCheckRadioGlyph g{.Checked = checked, .State = state, .HotDarkColor = 0x0060C0, .ControlColor = clBtnFace};
    if (more) more(g);
    return g;
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

struct Row {
    const char* group;
    const char* name;
    std::function<ui::Bitmap(KitStage&)> paint;
};

// Text in the faces the kit's controls name, and the canvas's own: when this row fails, the fonts (or
// text drawing) differ from those the pictures were made with.
ui::Bitmap FontProbe(KitStage&)
{
    Canvas c(260, 62);
    int y = 2;
    for (const char* face : {"Tahoma", "MS Sans Serif", "DejaVu Sans"})
        for (const bool bold : {false, true}) {
            c.font = {.name = face, .height = 11, .bold = bold, .color = clBlack};
            c.textOut(2 + (bold ? 130 : 0), y, "Шрифт Ag 0129 &%");
            y += bold ? 19 : 0;
        }
    return c.bitmap();
}

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        {"fonts", "probe", FontProbe},

        // --- frames and colours ---
        {"frames", "styles", [](KitStage&) {
             return Cells(12, 24, 20, [](Canvas& c, TRect r, int i) { Mark(c, DrawBorder(c, r, TFrameStyleEx(i))); });
         }},
        {"frames", "colour_styles", [](KitStage&) {
             return Cells(12, 24, 20, [](Canvas& c, TRect r, int i) { Mark(c, DrawColorButtonBorder(c, r, clTeal, TFrameStyleEx(i))); });
         }},
        {"frames", "chosen_sides", [](KitStage&) {
             const TFrameStyleEx styles[] = {fsGroove, fsBump, fsRaised, fsFlatBold, fsStatus, fsFlatRounded};
             const TSides sides[] = {sdTop | sdLeft, sdRight | sdBottom, sdTop, sdLeft | sdBottom};
             return Cells(24, 24, 20, [&](Canvas& c, TRect r, int i) { Mark(c, DrawBorderSides(c, r, styles[i / 4], sides[i % 4])); });
         }},
        {"frames", "edges_boxes_focus", [](KitStage&) {
             return FrameCells({
                 [](Canvas& c, TRect r) { return DrawColorEdge(c, r, clTeal, false); },
                 [](Canvas& c, TRect r) { return DrawColorEdge(c, r, clTeal, true); },
                 [](Canvas& c, TRect r) { return DrawButtonBorder(c, r, false); },
                 [](Canvas& c, TRect r) { return DrawButtonBorder(c, r, true); },
                 [](Canvas& c, TRect r) { return DrawBox(c, r, clRed); },
                 [](Canvas& c, TRect r) { return DrawFocusBorder(c, r); },
                 [](Canvas& c, TRect r) { return DrawFocusBorder(c, ui::Rect(r.Left, r.Top, r.Right - 1, r.Bottom - 1)); },
                 [](Canvas& c, TRect r) { return DrawRoundedFlatSides(c, r, clRed, sdAllSides); },
                 [](Canvas& c, TRect r) { return DrawRoundedFlatSides(c, r, clRed, sdTop | sdLeft); },
                 [](Canvas& c, TRect r) { return DrawSides(c, r, clNone, clNone, sdAllSides); },
                 [](Canvas& c, TRect r) { return DrawSides(c, r, clRed, clBlue, sdLeft | sdBottom); },
                 [](Canvas& c, TRect r) { return DrawBevel(c, r, clRed, clBlue, 3, sdAllSides); },
             });
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
        {"frames", "group_bar", [](KitStage&) {
             return Cells(4, 24, 30, [](Canvas& c, TRect r, int i) {
                 const TKitVisualStyle styles[] = {vsClassic, vsGradient, vsWinXP, vsGradient};
                 DrawGroupBarBackground(c, r, styles[i], i == 3 ? gcsSystem : gcsCustom, i == 2 ? gpBottomToTop : gpTopToBottom, clRed, clBlue);
             });
         }},

        // --- gradients and bitmaps ---
        {"gradients", "directions", [](KitStage&) { return GradientCells(60, 44, clWhite, clNavy); }},
        {"gradients", "odd_sizes", [](KitStage&) {
             return Stack({GradientCells(31, 17, clRed, clBlue), GradientCells(30, 16, clRed, clBlue), GradientCells(8, 64, clRed, clBlue)});
         }},
        {"gradients", "small_and_solid", [](KitStage&) {
             return Stack({GradientCells(5, 5, clRed, clBlue), GradientCells(4, 30, clRed, clBlue), GradientCells(30, 4, clRed, clBlue),
                           GradientCells(12, 1, clRed, clBlue), GradientCells(1, 12, clRed, clBlue), GradientCells(23, 17, clTeal, clTeal),
                           GradientCells(9, 9, clBtnFace, clBtnFace)});
         }},
        {"gradients", "bands", [](KitStage&) {
             const std::uint8_t bands[] = {0, 1, 8, 9, 20, 255};
             return Cells(6, 64, 8, [&](Canvas& c, TRect r, int i) { PaintGradientRect(c, r, gdVerticalEnd, clRed, clBlue, bands[i]); });
         }},
        {"gradients", "clipped_ring_and_inverted", [](KitStage&) {
             Canvas ring(12, 10, clYellow);
             ring.intersectClip({0, 0, 11, 10});
             PaintButtonGradient(ring, {0, 0, 12, 10}, gdHorizontalEnd, clRed, clBlue);
             ring.brush = ui::Brush::Solid(clBlack);
             ring.fillRect({4, 4, 12, 6});
             Canvas clipped(20, 20, clYellow);
             clipped.excludeClip({5, 5, 15, 15});
             PaintGradientRect(clipped, {15, 15, 2, 2}, gdSquareBox, clRed, clBlue, 1);
             return Side({ring.bitmap(), clipped.bitmap()});
         }},
        {"gradients", "bitmaps", [](KitStage&) {
             ui::Bitmap glyph(3, 2, 0x008080);
             glyph.setPixel(0, 0, clBlack);
             glyph.setPixel(2, 1, clRed);
             Canvas stretched(16, 12, clWhite);
             StretchTransparentBitmap(stretched, glyph, {2, 2, 14, 10}, glyph.bounds(), 0x008080);
             ui::Bitmap flipped = stretched.bitmap();
             FlipBitmapVertically(flipped);
             ui::Bitmap line = glyph;
             FlipBitmapVertically(line);
             return Side({stretched.bitmap(), flipped, line});
         }},

        // --- progress painters and the radio glyph ---
        {"painters", "traditional", [](KitStage&) {
             const auto paint = [](bool text) {
                 return [text](Canvas& c, TRect r, unsigned p) { DrawTraditionalProgressBar(c, r, orHorizontal, clHighlight, clWhite, p, text); };
             };
             Canvas offset(200, 30, clYellow);
             DrawTraditionalProgressBar(offset, {60, 5, 180, 25}, orHorizontal, clBlue, clWhite, 0, true);
             return Stack({Bars(100, 18, {0, 38, 50, 100, 130}, paint(true)), Bars(100, 18, {40}, paint(false)), offset.bitmap(),
                           Bars(21, 60, {25, 50}, [](Canvas& c, TRect r, unsigned p) { DrawTraditionalProgressBar(c, r, orVertical, clBlack, clWhite, p, true); })});
         }},
        {"painters", "led", [](KitStage&) {
             const auto led = [](int segments) {
                 return [segments](Canvas& c, TRect r, unsigned p) { DrawLEDProgressBar(c, r, orHorizontal, clBlue, clWhite, segments, p, true); };
             };
             return Stack({Bars(200, 10, {55, 100}, led(20)), Bars(119, 10, {0, 100}, led(20)), Bars(60, 10, {50}, led(20)),
                           Bars(50, 10, {100}, led(0)), Bars(5, 10, {100}, led(20)), Bars(0, 10, {100}, led(20)),
                           Bars(10, 100, {30, 100}, [](Canvas& c, TRect r, unsigned p) { DrawLEDProgressBar(c, r, orVertical, clBlue, clWhite, 10, p, false); })});
         }},
        {"painters", "gradient", [](KitStage&) {
             const auto bar = [](TGradientDirection d, bool text, bool transparent) {
                 return [=](Canvas& c, TRect r, unsigned p) { DrawGradientProgressBar(c, r, orHorizontal, clBlue, clNavy, clWhite, clBtnFace, d, p, text, transparent); };
             };
             return Stack({Bars(100, 20, {0, 70, 100}, bar(gdHorizontalCenter, true, false)), Bars(100, 20, {30}, bar(gdHorizontalEnd, false, false)),
                           Bars(100, 20, {30}, bar(gdHorizontalEnd, true, true)),
                           Bars(20, 80, {40}, [](Canvas& c, TRect r, unsigned p) { DrawGradientProgressBar(c, r, orVertical, clBlue, clNavy, clWhite, clSilver, gdVerticalCenter, p, true); })});
         }},
        {"painters", "radio_glyph", [](KitStage&) {
             const std::vector<TCheckRadioGlyph> glyphs = {
                 Glyph(false, crsNormal), Glyph(true, crsNormal), Glyph(true, crsPressed), Glyph(false, crsHot),
                 Glyph(true, crsHot, [](auto& g) { g.HotTrackStyle = htsFrame; }), Glyph(true, crsDisabled),
                 Glyph(false, crsNormal, [](auto& g) { g.Focused = true; g.FocusColor = clAqua; }),
                 Glyph(false, crsNormal, [](auto& g) { g.ReadOnly = true; }),
                 Glyph(false, crsNormal, [](auto& g) { g.ReadOnly = g.Focused = true; g.FocusColor = clAqua; }),
                 Glyph(false, crsNormal, [](auto& g) { g.ReadOnly = g.Focused = g.ReadOnlyColorOnFocus = true; }),
                 Glyph(true, crsNormal, [](auto& g) { g.Transparent = true; g.FrameColor = clNavy; g.HighlightColor = clGreen; }),
             };
             return Cells(11, 15, 15, [&](Canvas& c, TRect r, int i) { DrawCheckRadioGlyph(c, r.Shrink(1), glyphs[std::size_t(i)]); });
         }},

        // --- buttons ---
        {"buttons", "classic", [](KitStage& s) {
             auto* b = s.Make<TKitButton>(75, 25);
             b->SetCaption("&Кнопка");
             return s.Film(*b, [&] { b->SetDefault(true); }, [&] { s.Press(*b, 5, 5); },
                           [&] { s.user.MouseMove(*b, {ui::ssLeft}, 80, 5); }, [&] { s.Release(*b, 80, 5); },
                           [&] { b->SetColor(0x40A040); }, [&] { s.Press(*b, 5, 5); }, [&] { b->SetEnabled(false); });
         }},
        {"buttons", "hot_track", [](KitStage& s) {
             auto* b = s.Make<TKitButton>(75, 25);
             b->SetCaption("Hot");
             b->SetHotTrack(true);
             return s.Film(*b, [&] { s.user.MouseEnter(*b); }, [&] { s.Press(*b, 5, 5); }, [&] { s.Release(*b, 5, 5); },
                           [&] { s.user.MouseLeave(*b); }, [&] { b->SetHotTrackColorType(htctComplement); s.user.MouseEnter(*b); },
                           [&] { b->SetColor(0x40A040); }, [&] { b->SetEnabled(false); }, [&] { b->SetColor(clBtnFace); });
         }},
        {"buttons", "group", [](KitStage& s) {
             auto* b = s.Make<TKitButton>(75, 25);
             b->SetCaption("Down");
             b->SetGroupIndex(1);
             return s.Film(*b, [&] { b->SetDown(true); }, [&] { s.user.Focus(*b); }, [&] { b->SetShowDownPattern(false); },
                           [&] { b->SetColor(0x40A040); b->SetAllowAllUp(true); b->SetDown(false); }, [&] { b->SetDown(true); });
         }},
        {"buttons", "text", [](KitStage& s) {
             auto* b = s.Make<TKitButton>(75, 40);
             b->SetCaption("Текст кнопки");
             b->SetTextShadowColor(clBlue);
             b->SetTextHighlightColor(clYellow);
             return s.Film(*b, [&] { b->SetTextStyle(tsRaised); }, [&] { b->SetLightTextStyle(true); }, [&] { b->SetTextStyle(tsRecessed); },
                           [&] { b->SetTextStyle(tsShadow); }, [&] { b->SetAlignment(ui::taRightJustify); },
                           [&] { b->SetAlignment(ui::taLeftJustify); b->SetAlignmentVertical(avTop); }, [&] { b->SetAlignmentVertical(avBottom); },
                           [&] { b->SetEnabled(false); });
         }},
        {"buttons", "kinds", [](KitStage& s) {
             std::vector<ui::Bitmap> kinds;
             for (int k = ui::bkOK; k <= ui::bkAll; ++k) {
                 auto* b = s.Make<TKitBitBtn>(75, 25);
                 b->SetKind(TBitBtnKind(k));
                 kinds.push_back(s.Picture(*b));
             }
             return Side(kinds);
         }},
        {"buttons", "glyph_layouts", [](KitStage& s) {
             std::vector<ui::Bitmap> shots;
             for (const int margin : {2, -1})
                 for (int layout = blGlyphLeft; layout <= blGlyphBottom; ++layout) {
                     auto* b = s.Make<TKitBitBtn>(90, 46);
                     b->SetKind(ui::bkCancel);
                     b->SetMargin(margin);
                     b->SetLayout(TButtonLayout(layout));
                     shots.push_back(s.Picture(*b));
                 }
             return Side(shots);
         }},
        {"buttons", "glyph_states", [](KitStage& s) {
             auto* b = s.Make<TKitBitBtn>(75, 25);
             b->SetKind(ui::bkOK);
             auto* strip = s.Make<TKitBitBtn>(75, 25);
             Canvas four(64, 16, 0x008080);
             for (int i = 0; i < 4; ++i) Mark(four, ui::Bounds(i * 16 + 2 + i, 4, 8, 8));
             strip->SetGlyph(four.bitmap());
             strip->SetGroupIndex(3);
             auto* images = ui::Create<ui::TImageList>(s.form, "Images");
             images->Add("RZCOMMON_HELP");
             auto* listed = s.Make<TKitBitBtn>(75, 25);
             listed->SetImages(images);
             listed->SetImageIndex(0);
             listed->SetCaption("List");
             return Stack({s.Film(*b, [&] { s.Press(*b, 5, 5); }, [&] { s.Release(*b, 5, 5); b->SetHotTrack(true); s.Press(*b, 5, 5); },
                                  [&] { s.Release(*b, 5, 5); b->SetEnabled(false); }),
                           s.Film(*strip, [&] { s.Press(*strip, 5, 5); }, [&] { s.Release(*strip, 5, 5); }, [&] { strip->SetEnabled(false); }),
                           s.Film(*listed, [&] { listed->SetEnabled(false); })});
         }},

        // --- radio buttons ---
        {"radio", "group_in_box", [](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(300, 90);
             box->SetCaption("&Номер объекта");
             for (int i = 0; i < 3; ++i) {
                 auto* r = s.Make<TKitRadioButton>(280, 17, box);
                 r->SetBounds(8, 16 + 22 * i, 280, 17);
                 r->SetCaption(i == 0 ? "НО Альтоники записывать в НО  7QX3" : i == 1 ? "В &номер раздела" : "Недоступно");
                 r->SetChecked(i == 1);
                 r->SetEnabled(i != 2);
             }
             return s.Picture(*box);
         }},
        {"radio", "states", [](KitStage& s) {
             auto* r = s.Make<TKitRadioButton>(90, 17);
             r->SetCaption("Да");
             auto* other = s.Make<TKitButton>(10, 10);
             return Stack({s.Film(*r, [&] { s.Press(*r, 5, 5); }, [&] { s.Release(*r, 5, 5); }, [&] { s.user.Focus(*other); r->SetHotTrack(true); s.user.MouseEnter(*r); },
                                  [&] { r->SetHotTrackStyle(htsFrame); }, [&] { s.user.MouseLeave(*r); r->SetReadOnly(true); }, [&] { r->SetEnabled(false); }),
                           s.Film(*r, [&] { r->SetEnabled(true); r->SetAlignment(ui::taLeftJustify); },
                                  [&] { r->SetHeight(30); r->SetAlignmentVertical(avCenter); }, [&] { r->SetAlignmentVertical(avBottom); },
                                  [&] { r->SetCaption(std::string(30, 'W')); s.user.Focus(*r); })});
         }},
        {"radio", "custom_glyphs", [](KitStage& s) {
             Canvas strip(60, 12, clWhite);
             for (int i = 0; i < 6; ++i) Mark(strip, ui::Bounds(i * 10 + i, 1 + i, 4, 4));
             auto* r = s.Make<TKitRadioButton>(60, 17);
             r->SetCaption("Свой");
             r->SetCustomGlyphs(strip.bitmap());
             return s.Film(*r, [&] { r->SetChecked(true); }, [&] { s.Press(*r, 5, 5); }, [&] { s.Release(*r, 5, 5); r->SetEnabled(false); },
                           [&] { r->SetChecked(false); });
         }},

        // --- LED display and border ---
        {"led", "alignment_and_dots", [](KitStage& s) {
             auto* led = s.Make<TKitLEDDisplay>(100, 30);
             led->SetCaption("1");
             return s.Film(*led, [&] { led->SetAlignment(ui::taCenter); }, [&] { led->SetAlignment(ui::taRightJustify); },
                           [&] { led->SetHeight(12); }, [&] { led->SetHeight(30); led->SetBorderWidth(4); }, [&] { led->SetBorderWidth(0); led->SetHeight(9); });
         }},
        {"led", "large_and_dial", [](KitStage& s) {
             auto* big = s.Make<TKitLEDDisplay>(243, 90);
             big->SetCaption("Sorvel 0#*A");
             auto* dial = s.Make<TKitLEDDisplay>(243, 30);
             dial->SetCaption("+7 916 123-45-67");
             auto* codes = s.Make<TKitLEDDisplay>(120, 30);
             codes->SetCaption("Жz\t\u00e9\u0401");
             return Stack({s.Picture(*big), s.Picture(*dial), s.Picture(*codes)});
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
             auto* led = s.Make<TKitLEDDisplay>(120, 30);
             led->SetCaption("12");
             led->SetScrolling(true);
             return s.Film(*led, [&] { s.user.Advance(100); }, [&] { s.user.Advance(900); },
                           [&] { led->SetScrollType(stLeftToRight); s.user.Advance(300); }, [&] { led->SetScrollType(stNone); led->SetAlignment(ui::taRightJustify); });
         }},
        {"led", "border", [](KitStage& s) {
             auto* b = s.Make<TKitBorder>(50, 50);
             return s.Film(*b, [&] { b->SetBorderWidth(3); b->SetBorderInner(fsLowered); }, [&] { b->SetBorderSides(sdLeft | sdTop); b->SetBorderInner(fsFlat); },
                           [&] { b->SetBorderOuter(fsStatus); b->SetBevelWidth(3); });
         }},

        // --- progress bar ---
        {"progress_bar", "styles", [](KitStage& s) {
             auto* bar = s.Make<TKitProgressBar>(125, 21);
             bar->SetTotalParts(2);
             bar->SetPartsComplete(1);
             return s.Film(*bar, [&] { bar->SetShowPercent(false); }, [&] { bar->SetBarStyle(bsLED); }, [&] { bar->SetBarStyle(bsGradient); },
                           [&] { bar->SetBarStyle(bsTraditional); bar->SetBorderOuter(fsFlatRounded); }, [&] { bar->SetBorderWidth(2); bar->SetInteriorOffset(2); },
                           [&] { bar->SetPartsComplete(2); });
         }},
        {"progress_bar", "vertical", [](KitStage& s) {
             auto* bar = s.Make<TKitProgressBar>(21, 125);
             bar->SetTotalParts(4);
             bar->SetPartsComplete(1);
             return s.Film(*bar, [&] { bar->SetBarStyle(bsLED); }, [&] { bar->SetBarStyle(bsGradient); });
         }},

        // --- labels ---
        {"labels", "text_styles", [](KitStage& s) {
             auto* l = s.Make<TKitLabel>(0, 0);
             l->SetCaption("ООО \"Сорвел\"");
             l->SetShadowColor(clRed);
             l->SetHighlightColor(clBlue);
             return s.Film(*l, [&] { l->SetTextStyle(tsRaised); }, [&] { l->SetLightTextStyle(true); }, [&] { l->SetTextStyle(tsRecessed); },
                           [&] { l->SetTextStyle(tsShadow); }, [&] { l->SetEnabled(false); },
                           [&] { l->SetEnabled(true); l->SetBlinkColor(clLime); l->SetBlinking(true); l->CMBlinkState(true); });
         }},
        {"labels", "frames_and_size", [](KitStage& s) {
             auto* l = s.Make<TKitLabel>(0, 0);
             l->SetCaption("Sorvel");
             return s.Film(*l, [&] { l->SetBorderOuter(fsGroove); l->SetTextMargin(2); },
                           [&] { l->SetBorderOuter(fsStatus); l->SetBevelWidth(2); l->SetBorderWidth(3); l->SetBorderSides(sdLeft | sdTop | sdBottom); },
                           [&] { l->SetTextStyle(tsShadow); }, [&] { l->SetBorderOuter(fsFlatRounded); l->SetBorderInner(fsFlat); });
         }},
        {"labels", "layout", [](KitStage& s) {
             auto* l = s.Make<TKitLabel>(0, 0);
             l->SetAutoSize(false);
             l->SetBounds(0, 0, 90, 44);
             l->SetCaption("Текст в две строки");
             return s.Film(*l, [&] { l->SetLayout(ui::tlCenter); }, [&] { l->SetLayout(ui::tlBottom); l->SetTextStyle(tsShadow); },
                           [&] { l->SetAlignment(ui::taRightJustify); }, [&] { l->SetWordWrap(true); }, [&] { l->SetWordWrap(false); l->SetCondenseCaption(ccAtEnd); });
         }},
        {"labels", "rotated", [](KitStage& s) {
             std::vector<ui::Bitmap> shots;
             for (const int angle : {0, 45, 90, 180, 270}) {
                 auto* l = s.Make<TKitLabel>(0, 0);
                 l->SetCaption("Поворот");
                 l->SetTextStyle(tsShadow);
                 l->SetRotation(roFlat);
                 l->SetAngle(angle);
                 shots.push_back(s.Picture(*l));
             }
             return Side(shots);
         }},
        {"labels", "curve", [](KitStage& s) {
             auto* l = s.Make<TKitLabel>(0, 0);
             l->SetAutoSize(false);
             l->SetBounds(0, 0, 160, 160);
             l->SetCaption("Sorvel GSM-7-QX3");
             l->SetRotation(roCurve);
             l->SetAngle(300);
             return s.Film(*l, [&] { l->SetCenterPoint(cpLowerRight); l->SetBorderWidth(2); l->SetTextStyle(tsRaised); l->SetAngle(20); },
                           [&] { l->SetCenterPoint(cpUpperCenter); l->SetEnabled(false); }, [&] { l->SetCenterPoint(cpCenter); l->SetBorderWidth(40); });
         }},
        {"labels", "link", [](KitStage& s) {
             auto* link = s.Make<TKitURLLabel>(0, 0);
             link->SetCaption("www.sorvel.ru");
             return s.Film(*link, [&] { link->SetVisited(true); });
         }},

        // --- panels and group boxes ---
        {"panels", "captions", [](KitStage& s) {
             auto* p = s.Make<TKitPanel>(120, 60);
             p->SetCaption("Панель с длинной подписью");
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
        {"panels", "gradient_mark_and_grid", [](KitStage& s) {
             auto* mark = s.Make<TKitPanel>(8, 9);
             mark->SetBorderOuter(fsFlatBold);
             mark->SetVisualStyle(vsGradient);
             mark->SetGradientColorStyle(gcsCustom);
             mark->SetGradientColorStart(clRed);
             mark->SetGradientColorStop(clBlue);
             mark->SetGradientDirection(gdHorizontalBox);
             auto* grid = s.Make<TKitPanel>(40, 30);
             grid->SetBorderOuter(fsNone);
             grid->SetShowGrid(true);
             grid->SetGridColor(clRed);
             grid->SetGridXSize(10);
             grid->SetGridYSize(7);
             return Side({s.Picture(*mark), s.Film(*grid, [&] { grid->SetGridStyle(gsSolidLines); }, [&] { grid->SetGridStyle(gsDottedLines); },
                                                   [&] { grid->SetGridXSize(0); })});
         }},
        {"panels", "transparent_child", [](KitStage& s) {
             auto* p = s.Make<TKitPanel>(100, 60);
             p->SetVisualStyle(vsGradient);
             p->SetGradientDirection(gdVerticalEnd);
             auto* glass = s.Make<TKitPanel>(40, 30, p);
             glass->SetBounds(30, 10, 40, 30);
             glass->SetBorderOuter(fsFlat);
             glass->SetTransparent(true);
             glass->SetCaption("Стекло");
             auto* edge = s.Make<TKitPanel>(40, 30, p);
             edge->SetBounds(80, 45, 40, 30);
             edge->SetBorderOuter(fsNone);
             edge->SetTransparent(true);
             return s.Picture(*p);
         }},
        {"group_boxes", "styles", [](KitStage& s) {
             std::vector<ui::Bitmap> shots;
             for (const TKitGroupBoxStyle style : {gsStandard, gsTopLine, gsFlat, gsBanner, gsUnderline, gsCustom}) {
                 auto* box = s.Make<TKitGroupBox>(95, 60);
                 box->SetGroupStyle(style);
                 box->SetCaption("&Номер");
                 shots.push_back(s.Picture(*box));
             }
             return Side(shots);
         }},
        {"group_boxes", "outer_styles", [](KitStage& s) {
             auto* box = s.Make<TKitGroupBox>(95, 50);
             box->SetCaption("Файл");
             box->SetGroupStyle(gsStandard);
             return s.Film(*box, [&] { box->SetBorderOuter(fsFlat); }, [&] { box->SetBorderOuter(fsFlatBold); }, [&] { box->SetBorderOuter(fsRaised); },
                           [&] { box->SetGroupStyle(gsTopLine); }, [&] { box->SetBorderOuter(fsFlat); }, [&] { box->SetBorderOuter(fsFlatBold); },
                           [&] { box->SetBorderOuter(fsNone); }, [&] { box->SetEnabled(false); },
                           [&] { box->SetEnabled(true); box->SetGroupStyle(gsBanner); box->SetGradientColorStyle(gcsCustom); box->SetGradientColorStart(clYellow); });
         }},

        // --- splitters ---
        {"splitters", "main_window", [](KitStage& s) {
             s.form->SetBounds(0, 0, 434, 282);
             auto* outer = s.Make<TKitSplitter>(434, 282, nullptr, "KitSplitter1");
             outer->SetOrientation(orVertical);
             outer->SetHotSpotVisible(true);
             outer->SetHotSpotDirection(hsdMax);
             outer->SetSplitterStyle(ssGroove);
             outer->SetSplitterWidth(5);
             outer->ChangePosition(229);
             auto* inner = s.Make<TKitSplitter>(0, 0, outer->Pane1(), "kitCntSpl");
             inner->SetBorderWidth(3);
             inner->SetBorderInner(fsGroove);
             inner->SetBorderSides(sdTop);
             inner->SetHotSpotVisible(true);
             inner->SetSplitterStyle(ssGroove);
             inner->SetSplitterWidth(6);
             inner->SetAlign(ui::alClient);
             inner->ChangePosition(63);
             inner->Pane2()->SetColor(clWhite);
             outer->Pane2()->SetColor(clWindow);
             return s.Picture(*outer);
         }},
        {"splitters", "styles_and_orientation", [](KitStage& s) {
             auto* sp = Splitter(s, 100, 60);
             return s.Film(*sp, [&] { sp->SetSplitterStyle(ssGroove); }, [&] { sp->SetSplitterStyle(ssBump); },
                           [&] { sp->SetSplitterStyle(ssGroupBar); }, [&] { sp->SetVisualStyle(vsGradient); sp->SetGradientPath(gpBottomToTop); },
                           [&] { sp->SetOrientation(orVertical); }, [&] { sp->SetSplitterStyle(ssGroove); },
                           [&] { sp->SetUsePercent(true); sp->SetPercent(70); sp->SetOrientation(orHorizontal); });
         }},
        {"splitters", "hot_spot", [](KitStage& s) {
             auto* sp = Splitter(s, 60, 100, orVertical);
             sp->SetHotSpotVisible(true);
             const auto hot = [&](int dx) { s.user.MouseMove(*sp, {}, (sp->HotSpotRect().Left + sp->HotSpotRect().Right) / 2 + dx, sp->HotSpotRect().Top + 2); };
             return Stack({s.Film(*sp, [&] { hot(0); }, [&] { s.Click(*sp, 30, 43); }, [&] { s.user.MouseLeave(*sp); },
                                  [&] { sp->SetHotSpotDirection(hsdMax); }, [&] { s.Click(*sp, 30, 1); }),
                           s.Film(*sp, [&] { sp->SetHotSpotDirection(hsdBoth); }, [&] { hot(-6); }, [&] { hot(6); }, [&] { s.Click(*sp, 24, 42); },
                                  [&] { sp->SetHotSpotSizePercent(80); })});
         }},
        {"splitters", "drag", [](KitStage& s) {
             auto* sp = Splitter(s, 100, 60);
             sp->SetSplitterStyle(ssBump);
             return s.Film(*sp, [&] { s.Press(*sp, 42, 30); }, [&] { s.user.MouseMove(*sp, {ui::ssLeft}, 70, 30); },
                           [&] { s.Release(*sp, 70, 30); }, [&] { sp->SetBorderOuter(fsFlat); sp->SetBorderWidth(2); sp->Pane2()->Hide(); });
         }},

        // --- dialog button bar ---
        {"dialog_buttons", "layouts", [](KitStage& s) {
             s.form->SetBounds(0, 0, 255, 150);
             auto* bar = s.Make<TKitDialogButtons>(255, 36);
             bar->SetAlign(ui::alBottom);
             return Stack({s.Film(*bar, [&] { bar->SetShowHelpButton(true); bar->SetShowGlyphs(true); bar->SetShowDivider(true); },
                                                   [&] { bar->SetWidthCancel(100); bar->SetHotTrack(true); }, [&] { bar->SetAlign(ui::alTop); },
                                                   [&] { bar->SetShowOKButton(false); }),
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
        const bool same = book.Check(row.group, row.name, row.paint(stage));
        if (!same && std::string(row.group) == "fonts")
            ADD_FAILURE() << "Text is drawn differently from when the pictures were stored: the fonts differ (scripts/setup "
                             "installs fonts-dejavu-core and fonts-wine, which the pictures are made with) or text drawing "
                             "changed. Run scripts/setup; if the change is meant, store the new pictures: "
                          << kRegenerate;
    }
    book.Close();
}
