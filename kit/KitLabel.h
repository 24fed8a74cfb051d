#pragma once
// The kit's label: the platform label with 3-D text styles, a kit frame, a fly-by colour while the
// pointer is over it, blinking, text turned by any angle and text along a curve, each letter turned with
// the curve. The web-link label opens its target with the desktop, or offers the desktop's choice of
// programs for a web page it could not open.
#include "kit/KitCommon.h"
#include "platform/DesktopOpen.h"
#include "ui/StdCtrls.h"

#include <functional>
#include <memory>
#include <string>

enum TRotation { roNone, roFlat, roCurve };
enum TCenterPoint {
    cpUpperLeft,
    cpUpperCenter,
    cpUpperRight,
    cpLeftCenter,
    cpCenter,
    cpRightCenter,
    cpLowerLeft,
    cpLowerCenter,
    cpLowerRight,
};
enum TKitCondenseCaption { ccNone, ccAtEnd, ccWithinPath };

class TKitLabel : public ui::TLabel, public IKitBlinking, public IKitFramingNotification {
public:
    explicit TKitLabel(ui::TComponent* owner);
    ~TKitLabel() override;

    // Degrees, kept in 0..359 (370 becomes 10, -90 becomes 270). A non-zero angle turns an unrotated
    // label flat.
    int Angle() const { return angle_; }
    virtual void SetAngle(int v);
    TRotation Rotation() const { return rotation_; }
    virtual void SetRotation(TRotation v);
    TCenterPoint CenterPoint() const { return centerPoint_; }
    virtual void SetCenterPoint(TCenterPoint v);

    bool Blinking() const { return blinking_; }
    virtual void SetBlinking(bool v);
    TColor BlinkColor() const { return blinkColor_; }
    virtual void SetBlinkColor(TColor v);
    // Shared by every label: they are the blinking list's intervals.
    unsigned BlinkIntervalOff() const;
    void SetBlinkIntervalOff(unsigned ms);
    unsigned BlinkIntervalOn() const;
    void SetBlinkIntervalOn(unsigned ms);

    int BevelWidth() const { return frame_.BevelWidth; }
    virtual void SetBevelWidth(int v);
    TFrameStyleEx BorderInner() const { return frame_.BorderInner; }
    virtual void SetBorderInner(TFrameStyleEx v);
    TFrameStyleEx BorderOuter() const { return frame_.BorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx v);
    TSides BorderSides() const { return frame_.BorderSides; }
    virtual void SetBorderSides(TSides v);
    TColor BorderColor() const { return frame_.BorderColor; }
    virtual void SetBorderColor(TColor v);
    TColor BorderHighlight() const { return frame_.BorderHighlight; }
    virtual void SetBorderHighlight(TColor v);
    TColor BorderShadow() const { return frame_.BorderShadow; }
    virtual void SetBorderShadow(TColor v);
    int BorderWidth() const { return frame_.BorderWidth; }
    virtual void SetBorderWidth(int v);
    TColor FlatColor() const { return frame_.FlatColor; }
    virtual void SetFlatColor(TColor v);
    int FlatColorAdjustment() const { return frame_.FlatColorAdjustment; }
    virtual void SetFlatColorAdjustment(int v);

    TKitFrameController* FrameController() const { return frameController_.Get(); }
    virtual void SetFrameController(TKitFrameController* v) { frameController_.Set(v); }
    TKitFrameControllerNotifications FrameControllerNotifications() const { return notifications_; }
    void SetFrameControllerNotifications(TKitFrameControllerNotifications v) { notifications_ = v; }
    void UpdateFromFrameController() override;

    bool FlyByEnabled() const { return flyByEnabled_; }
    virtual void SetFlyByEnabled(bool v);
    TColor FlyByColor() const { return flyByColor_; }
    virtual void SetFlyByColor(TColor v);

    TTextStyle TextStyle() const { return textStyle_; }
    virtual void SetTextStyle(TTextStyle v);
    bool LightTextStyle() const { return lightTextStyle_; }
    virtual void SetLightTextStyle(bool v);
    TColor HighlightColor() const { return highlightColor_; }
    virtual void SetHighlightColor(TColor v);
    TColor ShadowColor() const { return shadowColor_; }
    virtual void SetShadowColor(TColor v);
    int ShadowDepth() const { return shadowDepth_; }
    virtual void SetShadowDepth(int v);
    int TextMargin() const { return textMargin_; }
    virtual void SetTextMargin(int v);
    TKitCondenseCaption CondenseCaption() const { return condenseCaption_; }
    // Any ellipsis switches AutoSize off.
    virtual void SetCondenseCaption(TKitCondenseCaption v);

    // The auto-size measures the text as the label draws it.
    void SetAutoSize(bool v);
    void SetWordWrap(bool v);

    // The colour the text is drawn in now (the font's, or the blink colour in the on phase).
    TColor DrawColor() const { return drawColor_; }
    TColor NormalColor() const { return normalColor_; }

    // Reading stored properties: the font and angle rules wait for Loaded.
    void BeginLoading() { loading_ = true; }
    void Loaded();

    // Geometry of the turned and curved text.
    ui::TPoint CenterPointOf() const;
    // Horizontal and vertical radius of the curve; text along a curve with a radius of 0 or less is not drawn.
    ui::TSize CurveRadii() const;
    // The rectangle shrunk by the frame (and first by the band when asked).
    ui::TRect AdjustClientRectForBorders(ui::TRect rect, bool includeBorderWidth) const;
    // The measured text rectangle grown by the frame and, for turned text, to the box the turned text
    // covers.
    ui::TRect AdjustTextExtent(ui::TRect rect) const;

    void MouseEnter() override;
    void MouseLeave() override;
    int CMBlink() override { return blinking_ ? 1 : 0; }
    void CMBlinkState(bool on) override;

protected:
    void Paint(ui::Canvas& canvas) override;
    void TextChanged() override;
    void FontUpdated() override;
    virtual void SetBlinkPhase(bool on);
    void AutoSizeText();

private:
    template <class T> bool Store(T& field, T value);
    template <class T> bool StoreAndResize(T& field, T value);
    unsigned TextFlags() const;
    // Where turned text starts and how the point is read.
    struct FlatPlace {
        ui::TPoint point;
        ui::TextAlign align;
    };
    FlatPlace PlaceFlatText(const ui::Canvas& canvas, const ui::TRect& r, const std::string& shown) const;
    void DrawPlainText(ui::Canvas& canvas);
    void DrawCurvedText(ui::Canvas& canvas);
    // The copies of the 3-D styles, then the text itself; `draw` puts one copy at an offset in a colour.
    template <class Draw> void DrawStyled(Draw&& draw, int flatShift, bool unrotatedShadow) const;

    int angle_ = 0;
    TRotation rotation_ = roNone;
    TCenterPoint centerPoint_ = cpCenter;
    bool blinking_ = false;
    TColor blinkColor_ = clHighlight;
    TInnerOuterBorders frame_{};
    TKitFrameControllerLink frameController_{*this};
    TKitFrameControllerNotifications notifications_ = AllFrameControllerNotifications();
    bool flyByEnabled_ = false;
    TColor flyByColor_ = clHighlight;
    bool flyByActive_ = false;
    TColor flyBySavedColor_ = clNone;
    TTextStyle textStyle_ = tsNormal;
    bool lightTextStyle_ = false;
    TColor highlightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    int shadowDepth_ = 2;
    int textMargin_ = 0;
    TKitCondenseCaption condenseCaption_ = ccNone;
    TColor normalColor_;
    TColor drawColor_;
    bool loading_ = false;
};

// A label that opens its target (URL, else its caption) with the desktop when clicked, and turns the
// visited colour once the opener reports that it worked. A web page (".htm") the desktop could not open
// is offered to the desktop's choice of programs, and a desktop without one is named in a message. The
// window does not wait for the reports: they come through the window thread's queue.
class TKitURLLabel : public TKitLabel {
public:
    explicit TKitURLLabel(ui::TComponent* owner);
    ~TKitURLLabel() override;

    const std::string& URL() const { return url_; }
    void SetURL(std::string v) { url_ = std::move(v); }
    bool Visited() const { return visited_; }
    virtual void SetVisited(bool v);
    TColor UnvisitedColor() const { return unvisitedColor_; }
    virtual void SetUnvisitedColor(TColor v);
    TColor VisitedColor() const { return visitedColor_; }
    virtual void SetVisitedColor(TColor v);

    // Who opens the target; nullptr (the default) is the desktop's opener. Not owned.
    void SetOpener(platform::DesktopOpener* opener) { opener_ = opener; }

    // OnClick first, then the link opens.
    void Click() override;

protected:
    virtual void UpdateLinkColor();

private:
    class OpenReports;
    platform::DesktopOpener& Opener() const;
    void Opened(const std::string& target, bool opened);
    void ChooserOffered(const std::string& target, bool offered);

    std::shared_ptr<OpenReports> reports_;
    std::string url_;
    bool visited_ = false;
    TColor unvisitedColor_ = clHighlight;
    TColor visitedColor_ = 0x800080;
    platform::DesktopOpener* opener_ = nullptr;
};
