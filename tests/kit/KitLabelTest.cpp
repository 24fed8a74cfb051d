// Labels: angles and rotation, the measured box of turned text, colours that follow the blink phase and
// the pointer, and the web link that opens its target. Their looks are held by KitPicturesTest.
#include "KitStage.h"

#include <future>
#include <memory>
#include <thread>

namespace {

// Records what the label asks the desktop to open; never starts anything. It answers at once, or keeps
// the report for the test to give later.
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

class KitLabelTest : public KitTest {
protected:
    KitLabelTest()
    {
        label->SetCaption("Sorvel");
        label->Font().SetColor(clBlack);
        link->SetOpener(&opener);
    }

    TKitLabel* label = Make<TKitLabel>(0, 0);
    TKitURLLabel* link = Make<TKitURLLabel>(0, 0);
    FakeOpener opener;
};

}  // namespace

// --- angles and rotation ---

TEST_F(KitLabelTest, AnglesAreKeptWithinOneTurnAndRotationFollows)
{
    for (const auto& [given, kept] : std::vector<std::pair<int, int>>{{370, 10}, {-450, 270}, {720, 0}, {-1, 359}, {359, 359}}) {
        label->SetAngle(given);
        EXPECT_EQ(label->Angle(), kept) << given;
    }
    EXPECT_EQ(label->Rotation(), roFlat);  // a turned label is flat unless it is curved
    label->SetRotation(roCurve);
    label->SetCenterPoint(cpLowerLeft);
    label->SetAngle(30);
    EXPECT_EQ(std::pair(label->Rotation(), label->CenterPoint()), std::pair(roCurve, cpLowerLeft));
    label->SetRotation(roFlat);
    EXPECT_EQ(std::pair(label->Angle(), label->CenterPoint()), std::pair(0, cpCenter));
    label->SetAngle(10);
    label->SetRotation(roNone);
    EXPECT_EQ(label->Angle(), 0);
}

// --- colours ---

TEST_F(KitLabelTest, OnlyBlinkingLabelsChangeColourWithThePhase)
{
    label->SetBlinkColor(clRed);
    label->CMBlinkState(true);
    EXPECT_EQ(std::pair(label->CMBlink(), label->DrawColor()), std::pair(0, TColor{clBlack}));
    label->SetBlinking(true);
    label->CMBlinkState(true);
    EXPECT_EQ(std::pair(label->CMBlink(), label->DrawColor()), std::pair(1, TColor{clRed}));
    label->CMBlinkState(false);
    EXPECT_EQ(label->DrawColor(), clBlack);
    label->CMBlinkState(true);
    label->SetBlinking(false);
    EXPECT_EQ(label->DrawColor(), clBlack);
    label->SetBlinkIntervalOn(300);  // the intervals are every label's
    link->SetBlinkIntervalOff(200);
    EXPECT_EQ(std::pair(link->BlinkIntervalOn(), label->BlinkIntervalOff()), std::pair(300u, 200u));
}

TEST_F(KitLabelTest, FlyByColourIsUndoneByTheSavedColour)
{
    label->SetFlyByEnabled(true);
    label->SetFlyByColor(clRed);
    user.MouseEnter(*label);
    EXPECT_EQ(label->Font().Color(), clRed);
    label->Font().SetColor(clBlue);
    user.MouseLeave(*label);
    EXPECT_EQ(label->Font().Color(), clBlack);
    user.MouseEnter(*label);
    label->SetFlyByEnabled(false);  // restores it too
    EXPECT_EQ(label->Font().Color(), clBlack);
    label->SetFlyByEnabled(true);
    label->Font().SetColor(clBlue);
    label->SetFlyByEnabled(false);  // not over it: nothing to restore
    EXPECT_EQ(label->Font().Color(), clBlue);
}

TEST_F(KitLabelTest, AFrameControllerSetsTheFrame)
{
    auto* controller = ui::Create<TKitFrameController>(form, "FC");
    controller->SetFrameStyle(fsGroove);
    controller->SetFrameColor(clRed);
    controller->SetColor(clAqua);
    label->SetFrameController(controller);
    EXPECT_EQ(std::tuple(label->BorderOuter(), label->FlatColor(), label->FlatColorAdjustment(), label->Color(), label->BorderShadow()),
              std::tuple(fsGroove, TColor{clRed}, 0, TColor{clAqua}, DarkerColor(clAqua, 50)));
}

// --- web link ---

TEST_F(KitLabelTest, LinkOpensItsTrimmedTargetAndTurnsVisited)
{
    int clicks = 0;
    link->OnClick = [&](ui::TObject*) { ++clicks; };
    EXPECT_EQ(std::pair(link->Font().Color(), link->Font().Style().Contains(ui::fsUnderline)), std::pair(TColor{clHighlight}, true));
    link->SetCaption("  www.sorvel.ru ");
    user.Click(*link);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->Font().Color(), 0x800080u);
    link->SetURL(" http://example.org/a b ");
    user.Click(*link);
    link->SetURL("   ");
    link->SetCaption("");
    user.Click(*link);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"www.sorvel.ru", "http://example.org/a b"}));
    EXPECT_EQ(clicks, 3);
}

TEST_F(KitLabelTest, FailedPageOffersTheOpenWithChooser)
{
    opener.succeed = false;
    for (const char* target : {"C:/docs/help.Htm", "help.html", "www.site.htm/page"}) {
        link->SetURL(target);
        user.Click(*link);
    }
    EXPECT_FALSE(link->Visited());
    EXPECT_EQ(opener.choosers, std::vector<std::string>{"*.htm"});
}

TEST_F(KitLabelTest, LinkTurnsVisitedWhenTheOpenerReportsSuccessLater)
{
    opener.later = true;
    link->SetCaption("www.sorvel.ru");
    user.Click(*link);
    EXPECT_FALSE(link->Visited()) << "the window does not wait for the opener";
    std::thread([&] { opener.pending.at(0)(true); }).join();
    EXPECT_FALSE(link->Visited());
    user.Pump();
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
