#pragma once
// What every kit control shares: colour arithmetic on a 0..240 hue-saturation-lightness scale, the colour
// schemes, the frame styles and the routines that draw them, the progress painters, the radio glyph and
// small text and number helpers. Frame routines draw with the canvas pen and answer the rectangle left
// inside what they drew, so that callers chain them. Also the kit's shared non-visual parts: the blinking
// controls list, the frame controller, the settings-location holder and the reader of obsolete stored
// properties.
#include "kit/KitGrafx.h"
#include "platform/SystemInfo.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ui {
class TTimer;
}  // namespace ui

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
// How buttons and labels draw their text: flat, raised, sunk or with a shadow.
enum TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
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

// The canvas font a control's font stands for (a negative height is the character height; a positive
// one the cell height, of which the character takes about three quarters).
ui::FontDesc CanvasFont(const ui::TFont& font);

// The font turned by `angle` degrees, counter-clockwise: the canvas's textOut and textRect draw along
// that direction.
ui::FontDesc CreateRotatedFont(const ui::FontDesc& font, int angle);
// Whether the font is drawn from outlines, the only fonts that turn (MS Sans Serif is a bitmap font).
bool IsTrueTypeFont(const ui::FontDesc& font);
// The caption without accelerator marks: "&x" -> "x", "&&" -> "&", a trailing "&" stays.
std::string RemoveAccelChar(std::string_view caption);

// --- system version tests ---

enum TWindowsVersion { wv95, wvNT, wv98, wvME, wv2000, wvXP, wvServer2003, wvVista };
using TSystemVersion = platform::SystemVersion;
// The running system's version (platform::RunningSystemVersion: on Linux a current NT system).
TSystemVersion CurrentSystemVersion();
bool RunningUnder(int version, const TSystemVersion& system = CurrentSystemVersion());
bool RunningAtLeast(int version, const TSystemVersion& system = CurrentSystemVersion());

// --- blinking controls ---

// A control that can blink. The list asks each registered control whether it blinks (the answer 1 means
// yes; anything else, no) and tells the ones that do the new state.
class IKitBlinking {
public:
    virtual ~IKitBlinking() = default;
    virtual int CMBlink() = 0;
    virtual void CMBlinkState(bool on) = 0;
};

// The one timer that makes the kit's controls blink: on at creation, then off, on, ... every 500 ms. It
// belongs to the application (one list per application at most) and ticks only from its event pump.
class TKitBlinkingControlsList : public ui::TComponent {
public:
    explicit TKitBlinkingControlsList(ui::TComponent* owner);

    // A control registered twice is kept once.
    void Add(ui::TControl* control);
    void Remove(ui::TControl* control);
    virtual int Count() const;

    bool BlinkState() const { return blinkState_; }
    // After the state turns off, after it turns on.
    unsigned FirstInterval() const { return firstInterval_; }
    unsigned SecondInterval() const { return secondInterval_; }
    // Take effect from the next change of state.
    void SetFirstInterval(unsigned ms) { firstInterval_ = ms; }
    void SetSecondInterval(unsigned ms) { secondInterval_ = ms; }

private:
    void TimerExpired();

    bool blinkState_ = true;
    std::vector<ui::TControl*> controls_;
    ui::TTimer* timer_ = nullptr;
    unsigned firstInterval_ = 500;
    unsigned secondInterval_ = 500;
};

// The current application's list; nullptr when none exists.
TKitBlinkingControlsList* BlinkingControlsList();
// The current application's list, made (timer started) when none exists.
TKitBlinkingControlsList& AcquireBlinkingControlsList();
// Frees the current application's list when no control is registered with it any more.
void ReleaseBlinkingControlsList();

// --- frame controller ---

enum TKitFrameControllerProperty {
    fcpColor,
    fcpFocusColor,
    fcpDisabledColor,
    fcpReadOnlyColor,
    fcpReadOnlyColorOnFocus,
    fcpParentColor,
    fcpFlatButtonColor,
    fcpFlatButtons,
    fcpFrameColor,
    fcpFrameHotColor,
    fcpFrameHotTrack,
    fcpFrameHotStyle,
    fcpFrameSides,
    fcpFrameStyle,
    fcpFrameVisible,
    fcpFramingPreference,
    fcpAll,
};
using TKitFrameControllerNotifications = ui::EnumSet<TKitFrameControllerProperty>;
// Every property but fcpAll.
TKitFrameControllerNotifications AllFrameControllerNotifications();

enum TFramingPreference { fpCustomFraming, fpXPThemes };

class TKitFrameController;
class TKitRegIniFile;

// What a control linked to a frame controller offers it. A control that is not one of these takes the
// settings every control has (Color, ParentColor).
class IKitFrameControlled {
public:
    virtual ~IKitFrameControlled() = default;
    // The settings the control accepts.
    virtual TKitFrameControllerNotifications FrameControllerNotifications() const
    {
        return AllFrameControllerNotifications();
    }
    // Takes the controller's value of one setting into the control's property of the same name; false
    // when the control has no such property (then the base's Color and ParentColor apply).
    virtual bool ApplyFrameControllerSetting(TKitFrameControllerProperty, const TKitFrameController&) { return false; }
};

// The kit's framing notification: a control that implements it updates itself from the controller,
// and nothing is written into it.
class IKitFramingNotification {
public:
    virtual ~IKitFramingNotification() = default;
    virtual void UpdateFromFrameController() = 0;
};

// A stored value of an older form: a Boolean, an integer, an identifier or a set (its element names).
struct TKitIdent {
    std::string Name;
};
using TKitStoredValue = std::variant<bool, long long, TKitIdent, std::vector<std::string>>;

// Holds frame and colour settings and pushes them into every control linked to it.
class TKitFrameController : public ui::TComponent {
public:
    explicit TKitFrameController(ui::TComponent* owner) : ui::TComponent(owner) {}

    // Links a control (each control once) and gives it every setting.
    void AddControl(ui::TControl* control);
    void RemoveControl(ui::TControl* control);
    int ControlCount() const { return static_cast<int>(controls_.size()); }

    virtual void UpdateControl(ui::TControl* control, TKitFrameControllerProperty property);
    // Every linked control in link order; nothing while updates are held.
    virtual void NotifyControls(TKitFrameControllerProperty property);
    void BeginUpdate() { ++updateCount_; }
    // Releasing the last hold notifies fcpAll.
    void EndUpdate();
    // Copies the sixteen settings of another controller, then notifies once.
    void Assign(const TKitFrameController& source);
    // After the settings were read: every control takes them all.
    void Loaded();
    // The obsolete stored properties of older forms: "FrameFlat", "FrameFocusStyle" (mapped) and
    // "FrameFlatStyle" (dropped). False for any other name or a value of the wrong kind.
    bool ReadObsoleteProperty(std::string_view name, const TKitStoredValue& value);

    TColor Color() const { return color_; }
    virtual void SetColor(TColor v);
    bool ParentColor() const { return parentColor_; }
    virtual void SetParentColor(bool v);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    virtual void SetFlatButtonColor(TColor v);
    bool FlatButtons() const { return flatButtons_; }
    virtual void SetFlatButtons(bool v);
    TColor DisabledColor() const { return disabledColor_; }
    virtual void SetDisabledColor(TColor v);
    TColor ReadOnlyColor() const { return readOnlyColor_; }
    virtual void SetReadOnlyColor(TColor v);
    bool ReadOnlyColorOnFocus() const { return readOnlyColorOnFocus_; }
    virtual void SetReadOnlyColorOnFocus(bool v);
    TColor FocusColor() const { return focusColor_; }
    virtual void SetFocusColor(TColor v);
    TColor FrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor v);
    TColor FrameHotColor() const { return frameHotColor_; }
    virtual void SetFrameHotColor(TColor v);
    bool FrameHotTrack() const { return frameHotTrack_; }
    virtual void SetFrameHotTrack(bool v);
    TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
    virtual void SetFrameHotStyle(TFrameStyle v);
    TSides FrameSides() const { return frameSides_; }
    virtual void SetFrameSides(TSides v);
    TFrameStyle FrameStyle() const { return frameStyle_; }
    virtual void SetFrameStyle(TFrameStyle v);
    bool FrameVisible() const { return frameVisible_; }
    virtual void SetFrameVisible(bool v);
    TFramingPreference FramingPreference() const { return framingPreference_; }
    virtual void SetFramingPreference(TFramingPreference v);
    // Forgotten by itself when that component goes.
    TKitRegIniFile* RegIniFile() const;
    virtual void SetRegIniFile(TKitRegIniFile* v);

private:
    template <class T> void Store(T& field, T value, TKitFrameControllerProperty property);

    std::vector<ui::TControl*> controls_;
    int updateCount_ = 0;
    TColor color_ = clWindow;
    TColor disabledColor_ = clBtnFace;
    TColor readOnlyColor_ = clInfoBk;
    bool readOnlyColorOnFocus_ = false;
    TColor flatButtonColor_ = clBtnFace;
    bool flatButtons_ = true;
    TColor focusColor_ = clWindow;
    TColor frameColor_ = clBtnShadow;
    TColor frameHotColor_ = clBtnShadow;
    TFrameStyle frameHotStyle_ = fsFlatBold;
    bool frameHotTrack_ = false;
    TSides frameSides_ = sdAllSides;
    TFrameStyle frameStyle_ = fsFlat;
    bool frameVisible_ = false;
    TFramingPreference framingPreference_ = fpXPThemes;
    bool parentColor_ = false;
    TKitRegIniFile* regIniFile_ = nullptr;
    std::weak_ptr<void> regIniFileAlive_;
};

// The link a kit control keeps to its frame controller: registers with the new one, unregisters from the
// old one and from the one it holds when the control goes.
class TKitFrameControllerLink {
public:
    explicit TKitFrameControllerLink(ui::TControl& control) : control_(control) {}
    ~TKitFrameControllerLink();
    TKitFrameControllerLink(const TKitFrameControllerLink&) = delete;
    TKitFrameControllerLink& operator=(const TKitFrameControllerLink&) = delete;

    // nullptr once the controller is gone.
    TKitFrameController* Get() const;
    void Set(TKitFrameController* controller);

private:
    ui::TControl& control_;
    TKitFrameController* controller_ = nullptr;
    std::weak_ptr<void> alive_;
};

// --- settings location ---

enum TKitPathType { ptIniFile, ptRegistry };
enum TKitRegKey {
    hkeyClassesRoot,
    hkeyCurrentUser,
    hkeyLocalMachine,
    hkeyUsers,
    hkeyPerformanceData,
    hkeyCurrentConfig,
    hkeyDynData,
};
enum TKitRegAccessKey {
    keyQueryValue,
    keySetValue,
    keyCreateSubKey,
    keyEnumerateSubKeys,
    keyNotify,
    keyCreateLink,
    keyRead,
    keyWrite,
    keyExecute,
    keyAllAccess,
};
using TKitRegAccess = ui::EnumSet<TKitRegAccessKey>;
enum TKitSpecialFolder { sfNone, sfUserAppDataRoaming, sfUserAppDataLocal, sfUserDocuments, sfProgramData };

// Names where settings would be kept (an ini file or a registry key). There is no registry here and no
// control reads or writes settings through it: it holds the location only, and notes that whoever
// reads through it must look again after a change.
class TKitRegIniFile : public ui::TComponent {
public:
    explicit TKitRegIniFile(ui::TComponent* owner) : ui::TComponent(owner) {}

    const std::string& Path() const { return path_; }
    void SetPath(std::string v);
    TKitPathType PathType() const { return pathType_; }
    void SetPathType(TKitPathType v);
    TKitRegKey RegKey() const { return regKey_; }
    void SetRegKey(TKitRegKey v);
    TKitRegAccess RegAccess() const { return regAccess_; }
    void SetRegAccess(TKitRegAccess v);
    TKitSpecialFolder SpecialFolder() const { return specialFolder_; }
    void SetSpecialFolder(TKitSpecialFolder v);

    bool RefreshNeeded() const { return refreshNeeded_; }
    void Refreshed() { refreshNeeded_ = false; }

private:
    template <class T> void Store(T& field, T value);

    std::string path_;
    TKitPathType pathType_ = ptIniFile;
    TKitRegKey regKey_ = hkeyCurrentUser;
    TKitRegAccess regAccess_{keyAllAccess};
    TKitSpecialFolder specialFolder_ = sfNone;
    bool refreshNeeded_ = true;
};

// --- obsolete stored properties ---

// Reads a value that an older version of a control stored, of the kind the property had; nothing when
// the stored value is of another kind. The caller maps what it can and drops the rest.
struct TKitOldPropReader {
    static std::optional<bool> ReadOldBoolean(const TKitStoredValue& value);
    static std::optional<std::string> ReadOldIdent(const TKitStoredValue& value);
    static std::optional<long long> ReadOldInteger(const TKitStoredValue& value);
    static std::optional<std::vector<std::string>> ReadOldSet(const TKitStoredValue& value);
};

// The identifier of a frame style ("fsFlat") and back; nothing for a name that is no style.
std::string FrameStyleName(TFrameStyleEx style);
std::optional<TFrameStyleEx> FrameStyleFromName(std::string_view name);
