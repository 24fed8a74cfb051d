#include "kit/KitLabel.h"

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"
#include "ui/SystemColors.h"

#include <gtest/gtest.h>

#include "tests/support/Pictures.h"

#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using ui::TRect;

namespace {

// Records what the label asks the desktop to open; never starts anything. It answers at once, or
// keeps the report for the test to give later.
class FakeOpener : public platform::DesktopOpener {
public:
    void Open(const std::string& target, platform::OpenReport report) override
    {
        opened.push_back(target);
        if (later) pending.push_back(std::move(report));
        else report(succeed);
    }
    bool OpenWith(const std::string& pattern) override
    {
        choosers.push_back(pattern);
        return true;
    }

    bool succeed = true;
    bool later = false;
    std::vector<platform::OpenReport> pending;
    std::vector<std::string> opened;
    std::vector<std::string> choosers;
};

class KitLabelTest : public ::testing::Test {
protected:
    KitLabelTest()
    {
        form->SetColor(clBtnFace);
        form->Show();
        label->SetCaption("Sorvel");
        link->SetOpener(&opener);
    }

    ui::Canvas Painted(ui::TGraphicControl& control)
    {
        ui::Canvas c(control.Width(), control.Height(), clFuchsia);
        control.PaintTo(c);
        return c;
    }

    int Count(const ui::Canvas& c, TColor colour)
    {
        int n = 0;
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) n += c.pixel(x, y) == colour ? 1 : 0;
        return n;
    }

    ui::ApplicationScope scope;
    ui::Driver driver{scope.App()};
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "FormAbout");
    TKitLabel* label = ui::Create<TKitLabel>(form, "KitLabel2", form);
    TKitURLLabel* link = ui::Create<TKitURLLabel>(form, "KitURLLabel1", form);
    FakeOpener opener;
};

}  // namespace

// --- angles and rotation ---

TEST_F(KitLabelTest, AnglesAreKeptWithinOneTurn)
{
    const std::vector<std::pair<int, int>> cases = {{370, 10}, {-450, 270}, {720, 0}, {-1, 359}};
    for (const auto& [given, kept] : cases) {
        label->SetAngle(given);
        EXPECT_EQ(label->Angle(), kept) << given;
    }
}

TEST_F(KitLabelTest, AngleAndRotationSetEachOther)
{
    label->SetAngle(45);
    EXPECT_EQ(label->Rotation(), roFlat);
    label->SetRotation(roCurve);
    label->SetCenterPoint(cpLowerLeft);
    label->SetAngle(30);
    EXPECT_EQ(label->Rotation(), roCurve);
    label->SetRotation(roFlat);
    EXPECT_EQ(label->Angle(), 0);
    EXPECT_EQ(label->CenterPoint(), cpCenter);
    label->SetAngle(10);
    label->SetRotation(roNone);
    EXPECT_EQ(label->Angle(), 0);
}

TEST_F(KitLabelTest, TurnedTextTakesItsTrueRotatedBox)
{
    const TRect text{0, 0, 100, 20};
    label->SetAngle(90);
    EXPECT_EQ(label->AdjustTextExtent(text), ui::Rect(0, 0, 20, 100));
    // 100 degrees covers nearly the 90-degree box, not the 10-degree one.
    label->SetAngle(100);
    EXPECT_EQ(label->AdjustTextExtent(text), ui::Rect(0, 0, 37, 102));
    label->SetAngle(-30);
    const TRect minus30 = label->AdjustTextExtent(text);
    label->SetAngle(30);
    EXPECT_EQ(minus30, label->AdjustTextExtent(text));
    EXPECT_EQ(minus30, ui::Rect(0, 0, 97, 67));
}

TEST_F(KitLabelTest, FrameAndShadowGrowTheMeasuredText)
{
    label->SetBorderOuter(fsStatus);
    label->SetBevelWidth(2);
    label->SetBorderWidth(3);
    label->SetBorderSides(sdLeft | sdTop | sdBottom);
    label->SetTextStyle(tsShadow);
    EXPECT_EQ(label->AdjustTextExtent({0, 0, 50, 10}), ui::Rect(0, 0, 50 + 2 + 3 + 2, 10 + 4 + 6 + 2));
    EXPECT_EQ(label->AdjustClientRectForBorders({0, 0, 50, 30}, true), ui::Rect(5, 5, 47, 25));
    label->SetBorderOuter(fsFlatRounded);
    EXPECT_EQ(label->AdjustTextExtent({0, 0, 50, 10}), ui::Rect(0, 0, 55, 18));
}

TEST_F(KitLabelTest, CentrePointsAndCurveRadii)
{
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 101, 51);
    label->SetBorderWidth(2);
    label->SetRotation(roCurve);
    label->SetCenterPoint(cpLowerRight);
    EXPECT_EQ(label->CenterPointOf(), (ui::TPoint{99, 49}));
    EXPECT_EQ(label->CurveRadii(), (ui::TSize{97, 47}));
    label->SetCenterPoint(cpUpperCenter);
    EXPECT_EQ(label->CurveRadii(), (ui::TSize{46, 47}));
    label->SetRotation(roFlat);
    EXPECT_EQ(label->CenterPointOf(), (ui::TPoint{50, 25}));
}

TEST_F(KitLabelTest, CurvedTextWithoutRadiusDrawsNothing)
{
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 120, 120);
    label->Font().SetColor(clBlack);
    label->SetRotation(roCurve);
    label->SetCenterPoint(cpCenter);
    EXPECT_GT(Count(Painted(*label), clBlack), 0);
    label->SetBorderWidth(30);  // radius 60 - 60 = 0
    EXPECT_EQ(Count(Painted(*label), clBlack), 0);
    label->SetBorderWidth(40);
    EXPECT_EQ(Count(Painted(*label), clBlack), 0);
}

// --- painting ---

TEST_F(KitLabelTest, TextStylesDrawTheirCopies)
{
    label->Font().SetColor(clBlack);
    label->SetShadowColor(clRed);
    label->SetHighlightColor(clBlue);
    label->SetTextStyle(tsShadow);
    ui::Canvas c = Painted(*label);
    EXPECT_GT(Count(c, clRed), 0);
    label->SetTextStyle(tsRaised);
    label->SetLightTextStyle(true);
    c = Painted(*label);
    EXPECT_EQ(Count(c, clRed), 0);
    EXPECT_GT(Count(c, clBlue), 0);
    label->SetEnabled(false);
    c = Painted(*label);
    EXPECT_EQ(Count(c, clBlack) + Count(c, clBlue), 0);
    EXPECT_GT(Count(c, ui::ResolveColor(clGrayText)), 0);
}

TEST_F(KitLabelTest, AutoSizeFitsTheTextAndFrame)
{
    label->SetBorderOuter(fsFlat);
    ui::Canvas probe(0, 0);
    probe.font = CanvasFont(label->Font());
    EXPECT_EQ(label->Width(), probe.textWidth("Sorvel") + 2);
    label->SetCondenseCaption(ccAtEnd);
    EXPECT_FALSE(label->AutoSize());
}

// --- colours ---

TEST_F(KitLabelTest, OnlyBlinkingLabelsChangeColourWithThePhase)
{
    label->Font().SetColor(clBlack);
    label->SetBlinkColor(clRed);
    label->CMBlinkState(true);
    EXPECT_EQ(label->DrawColor(), clBlack);
    label->SetBlinking(true);
    label->CMBlinkState(true);
    EXPECT_EQ(label->DrawColor(), clRed);
    label->SetBlinking(false);
    EXPECT_EQ(label->DrawColor(), clBlack);
}

TEST_F(KitLabelTest, FlyByColourIsUndoneByTheSavedColour)
{
    label->Font().SetColor(clBlack);
    label->SetFlyByEnabled(true);
    label->SetFlyByColor(clRed);
    driver.MouseEnter(*label);
    EXPECT_EQ(label->Font().Color(), clRed);
    label->Font().SetColor(clBlue);
    driver.MouseLeave(*label);
    EXPECT_EQ(label->Font().Color(), clBlack);
}

// --- web link ---

TEST_F(KitLabelTest, LinkOpensItsTrimmedTargetAndTurnsVisited)
{
    int clicks = 0;
    link->OnClick = [&](ui::TObject*) { ++clicks; };
    link->SetCaption("  www.sorvel.ru ");
    driver.Click(*link);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(opener.opened, std::vector<std::string>{"www.sorvel.ru"});
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->Font().Color(), 0x800080u);
    link->SetURL(" http://example.org/a b ");
    driver.Click(*link);
    EXPECT_EQ(opener.opened.back(), "http://example.org/a b");
}

TEST_F(KitLabelTest, EmptyLinkOnlyClicks)
{
    link->SetURL("   ");
    driver.Click(*link);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_FALSE(link->Visited());
}

TEST_F(KitLabelTest, FailedPageOffersTheOpenWithChooser)
{
    opener.succeed = false;
    link->SetURL("C:/docs/help.Htm");
    driver.Click(*link);
    EXPECT_FALSE(link->Visited());
    EXPECT_EQ(opener.choosers, std::vector<std::string>{"*.htm"});
    link->SetURL("help.html");
    driver.Click(*link);
    link->SetURL("www.site.htm/page");
    driver.Click(*link);
    EXPECT_EQ(opener.choosers.size(), 1u);
}

TEST_F(KitLabelTest, LinkTurnsVisitedWhenTheOpenerReportsSuccessLater)
{
    opener.later = true;
    link->SetCaption("www.sorvel.ru");
    driver.Click(*link);
    EXPECT_FALSE(link->Visited()) << "the window does not wait for the opener";
    std::thread([&] { opener.pending.at(0)(true); }).join();
    EXPECT_FALSE(link->Visited());
    driver.Pump();
    EXPECT_TRUE(link->Visited());
}

TEST_F(KitLabelTest, TheOpenerReportsTheProgramsExitStatus)
{
    const auto outcome = [](const std::string& program, const std::vector<std::string>& args) {
        auto done = std::make_shared<std::promise<bool>>();
        platform::StartWatched(program, args, [done](bool opened) { done->set_value(opened); });
        return done->get_future().get();
    };
    EXPECT_TRUE(outcome("true", {}));
    EXPECT_FALSE(outcome("sh", {"-c", "exit 3"}));
    EXPECT_FALSE(outcome("sorvel-no-such-program", {"x"}));
    EXPECT_FALSE(outcome("/nonexistent/opener", {}));
}

TEST_F(KitLabelTest, Pictures)
{
    label->SetCaption("ООО \"Сорвел\"");
    label->SetTextStyle(tsRaised);
    label->SetBorderOuter(fsGroove);
    label->SetTextMargin(2);
    testsupport::SavePicture(Painted(*label).bitmap(), "KitLabel_raised");
    link->SetCaption("www.sorvel.ru");
    testsupport::SavePicture(Painted(*link).bitmap(), "KitURLLabel");
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 160, 160);
    label->SetRotation(roCurve);
    label->SetAngle(300);
    label->SetCaption("Sorvel GSM-7-QX3");
    testsupport::SavePicture(Painted(*label).bitmap(), "KitLabel_curve");
}
