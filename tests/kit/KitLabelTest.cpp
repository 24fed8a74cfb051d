// The About window's web link: it opens its target without waiting for the desktop, and turns visited
// once the desktop reports the page open. Labels' looks are held by KitPicturesTest.
#include "KitStage.h"

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
    KitLabelTest() { link->SetOpener(&opener); }

    TKitURLLabel* link = Make<TKitURLLabel>(0, 0);
    FakeOpener opener;
};

}  // namespace

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

// Kept for older forms though no window sets them: switching the fly-by colour off over the label gives
// the label its colour back, and an old FrameFocusStyle takes only the styles a frame may hold.
TEST_F(KitLabelTest, FlyByOffRestoresTheColourAndAnOldFocusStyleTakesOnlyFrameStyles)
{
    auto* label = Make<TKitLabel>(40, 20);
    const TColor own = label->Font().Color();
    label->SetFlyByEnabled(true);
    label->SetFlyByColor(clRed);
    user.MouseEnter(*label);
    EXPECT_EQ(label->Font().Color(), clRed);
    label->SetFlyByEnabled(false);
    EXPECT_EQ(label->Font().Color(), own);
    auto* controller = ui::Create<TKitFrameController>(form, "FC");
    for (const char* style : {"fsBump", "fsFlatRounded", "fsNoSuchStyle"})
        EXPECT_TRUE(controller->ReadObsoleteProperty("FrameFocusStyle", TKitIdent{style})) << style;
    EXPECT_EQ(controller->FrameHotStyle(), fsBump);
}
