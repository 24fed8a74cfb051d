#pragma once
// What every kit control shares: colour arithmetic on a 0..240 hue-saturation-lightness scale, the colour
// schemes, the frame styles and the routines that draw them, the progress painters, the radio glyph and
// small text and number helpers. Frame routines draw with the canvas pen and answer the rectangle left
// inside what they drew, so that callers chain them.
#include "kit/KitGrafx.h"
#include "ui/Canvas.h"

#include <cstdint>
#include <string>
#include <string_view>

// --- numbers ---

// Rounds half to even (2.5 -> 2, 3.5 -> 4), as the kit's percentages and colour channels round.
long long Round(long double value);
inline int IntMin(int a, int b) { return a < b ? a : b; }
inline int IntMax(int a, int b) { return a > b ? a : b; }

// --- colours ---

// Every canvas holds true colour.
constexpr bool IsTrueColorDisplay() { return true; }
// No desktop theme engine exists here, so the themed paths never apply.
constexpr bool ThemesActive() { return false; }

void ColorToHSL(TColor color, std::uint8_t& h, std::uint8_t& s, std::uint8_t& l);
std::uint8_t ColorHue(TColor color);
// L may exceed 240 (LighterColor lets it reach 255); such colours come out white.
TColor HSLToColor(std::uint8_t h, std::uint8_t s, std::uint8_t l);
TColor DarkerColor(TColor color, int amount);
TColor LighterColor(TColor color, int amount);
// Darker for a negative amount, lighter for a positive one; 0 answers the colour untouched.
TColor AdjustColor(TColor color, int amount);
// Per channel: weight/255 of the first colour, the rest of the second.
TColor BlendColors(TColor color1, TColor color2, int weight);
bool SimilarColors(TColor color1, TColor color2);
TColor ComplementColor(TColor color, std::uint8_t lightness);

// --- colour schemes ---

enum TKitVisualStyle { vsClassic, vsWinXP, vsGradient };
enum TKitGradientColorStyle { gcsSystem, gcsMSOffice, gcsCustom };
enum TKitGroupBarGradientPath { gpTopToBottom, gpBottomToTop };

// Scheme index for a theme colour-scheme name: 1 "HOMESTEAD", 2 "METALLIC" (any letter case), 0 else.
int XPColorSchemeFromName(std::string_view name);
// The desktop's scheme: there is no theme setting to read, so always the default (0).
int GetXPColorScheme();

void GetXPGradientColors(TKitGradientColorStyle style, TColor& start, TColor& stop);
TColor GetXPFrameColor(TKitGradientColorStyle style);
void GetXPGroupBoxColors(TKitGradientColorStyle style, TColor& a, TColor& b, TColor& c);
void GetXPGroupBarColors(TKitGradientColorStyle style, TColor& first, TColor& second);
TColor GetXPThemeColor(int index);

// --- frames ---

enum TFrameStyleEx {
    fsNone,
    fsFlat,
    fsGroove,
    fsBump,
    fsLowered,
    fsButtonDown,
    fsRaised,
    fsButtonUp,
    fsStatus,
    fsPopup,
    fsFlatBold,
    fsFlatRounded,
};
// The styles a frame property may hold (fsNone to fsFlatBold).
using TFrameStyle = TFrameStyleEx;

enum TSide : unsigned { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
using TSides = unsigned;
constexpr TSides sdAllSides = sdLeft | sdTop | sdRight | sdBottom;

ui::TRect DrawSides(ui::Canvas& canvas, const ui::TRect& rect, TColor ulColor, TColor lrColor, TSides sides);
ui::TRect DrawBevel(ui::Canvas& canvas, const ui::TRect& rect, TColor ulColor, TColor lrColor, int width,
                   TSides sides);
ui::TRect Draw3DBorderSides(ui::Canvas& canvas, const ui::TRect& rect, bool lowered, TSides sides);
ui::TRect DrawButtonBorderSides(ui::Canvas& canvas, const ui::TRect& rect, bool down, TSides sides);
ui::TRect DrawButtonBorder(ui::Canvas& canvas, const ui::TRect& rect, bool down);
ui::TRect DrawBorderSides(ui::Canvas& canvas, const ui::TRect& rect, TFrameStyleEx style, TSides sides);
ui::TRect DrawBorder(ui::Canvas& canvas, const ui::TRect& rect, TFrameStyleEx style);
ui::TRect DrawColorEdgeSides(ui::Canvas& canvas, const ui::TRect& rect, TColor color, bool pressed, TSides sides);
ui::TRect DrawColorEdge(ui::Canvas& canvas, const ui::TRect& rect, TColor color, bool pressed);
ui::TRect DrawColorButtonBorderSides(ui::Canvas& canvas, const ui::TRect& rect, TColor color, TFrameStyleEx style,
                                    TSides sides);
ui::TRect DrawColorButtonBorder(ui::Canvas& canvas, const ui::TRect& rect, TColor color, TFrameStyleEx style);
ui::TRect DrawBox(ui::Canvas& canvas, const ui::TRect& rect, TColor color);
ui::TRect DrawFocusBorder(ui::Canvas& canvas, const ui::TRect& rect);
ui::TRect DrawRoundedFlatSides(ui::Canvas& canvas, const ui::TRect& rect, TColor color, TSides sides);

// The settings of a kit control's complete frame: outer style, band, inner style.
struct TInnerOuterBorders {
    TFrameStyleEx BorderOuter = fsNone;
    TFrameStyleEx BorderInner = fsNone;
    int BorderWidth = 0;
    TSides BorderSides = sdAllSides;
    int BevelWidth = 1;
    TColor BorderColor = clBtnFace;
    TColor BorderHighlight = clBtnHighlight;
    TColor BorderShadow = clBtnShadow;
    TColor FlatColor = clBtnShadow;
    int FlatColorAdjustment = 30;
    TColor InteriorColor = clBtnFace;
    TColor ParentColor = clBtnFace;
    bool Transparent = false;
    bool RoundFlatInnerCorners = false;
};
// Answers the client rectangle inside the frame.
ui::TRect DrawInnerOuterBorders(ui::Canvas& canvas, const ui::TRect& bounds, const TInnerOuterBorders& borders);

void DrawGroupBarBackground(ui::Canvas& canvas, const ui::TRect& rect, TKitVisualStyle visualStyle,
                            TKitGradientColorStyle colorStyle, TKitGroupBarGradientPath path, TColor customFirst,
                            TColor customSecond);

// --- progress painters ---

enum TOrientation { orHorizontal, orVertical };

// The filled part of a bar at a percentage (the whole bar from 100 on).
ui::TRect ProgressFilledPart(const ui::TRect& bar, TOrientation orientation, unsigned percent);

void DrawTraditionalProgressBar(ui::Canvas& canvas, const ui::TRect& bar, TOrientation orientation, TColor barColor,
                                TColor backColor, unsigned percent, bool showPercent, bool transparent = false);
void DrawLEDProgressBar(ui::Canvas& canvas, const ui::TRect& bar, TOrientation orientation, TColor barColor,
                        TColor backColor, int numSegments, unsigned percent, bool themeAware,
                        bool transparent = false);
void DrawGradientProgressBar(ui::Canvas& canvas, const ui::TRect& bar, TOrientation orientation, TColor barColor,
                             TColor barStopColor, TColor backColor, TColor backStopColor,
                             TGradientDirection direction, unsigned percent, bool showPercent,
                             bool transparent = false);

// The segment layout of an LED bar: `total` segments of `size` pixels after a margin, `lit` of them lit.
struct TLEDSegments {
    int size = 0;
    int total = 0;
    int margin = 0;
    int lit = 0;
};
TLEDSegments LEDProgressSegments(int length, int numSegments, unsigned percent);

// --- radio glyph ---

enum TKitHotTrackStyle { htsInterior, htsFrame };
enum TCheckRadioState { crsNormal = 0, crsPressed = 1, crsHot = 2, crsDisabled = 3 };

struct TCheckRadioGlyph {
    bool Checked = false;
    TCheckRadioState State = crsNormal;
    bool Focused = false;
    TKitHotTrackStyle HotTrackStyle = htsInterior;
    TColor FrameColor = clBtnShadow;
    TColor HighlightColor = clHighlight;
    TColor FillColor = clWindow;
    TColor FocusColor = clWindow;
    TColor DisabledColor = clBtnFace;
    TColor HotLightColor = clWhite;
    TColor HotDarkColor = clHighlight;
    TColor ControlColor = clBtnFace;
    bool Transparent = false;
    TColor TransparentColor = 0x008080;
    bool ReadOnly = false;
    bool ReadOnlyColorOnFocus = false;
    TColor ReadOnlyColor = clInfoBk;
};
// A 13 x 13 round radio glyph painted at the rectangle's top-left corner.
void DrawCheckRadioGlyph(ui::Canvas& canvas, const ui::TRect& rect, const TCheckRadioGlyph& glyph);

// --- fonts and captions ---

// The font turned by `angle` degrees. Text is drawn unrotated on this platform; the font carries over
// unchanged and the caller keeps the angle for its own layout.
ui::FontDesc CreateRotatedFont(const ui::FontDesc& font, int angle);
// Every font here is DejaVu, a TrueType family.
bool IsTrueTypeFont(const ui::FontDesc& font);
// The caption without accelerator marks: "&x" -> "x", "&&" -> "&", a trailing "&" stays.
std::string RemoveAccelChar(std::string_view caption);

// --- system version tests ---

enum TWindowsVersion { wv95, wvNT, wv98, wvME, wv2000, wvXP, wvServer2003, wvVista };
struct TSystemVersion {
    bool ntFamily = true;
    int major = 6;
    int minor = 1;
};
// The version the kit's tests ask about: the program behaves as on a current NT system.
TSystemVersion CurrentSystemVersion();
bool RunningUnder(int version, const TSystemVersion& system = CurrentSystemVersion());
bool RunningAtLeast(int version, const TSystemVersion& system = CurrentSystemVersion());
