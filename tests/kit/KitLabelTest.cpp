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

TEST_F(KitLabelTest, LinkOpensItsTrimmedTargetAndTurnsVisitedOrOffersTheOpenWithChooser)
{
    int clicks = 0;
    link->OnClick = [&](ui::TObject*) { ++clicks; };
    link->SetCaption("  www.sorvel.ru ");
    user.Click(*link);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(link->Visited());
    link->SetURL(" http://example.org/a b ");
    user.Click(*link);
    link->SetURL("   ");
    link->SetCaption("");
    user.Click(*link);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"www.sorvel.ru", "http://example.org/a b"}));
    EXPECT_EQ(clicks, 3);
    // A page the desktop could not open offers the chooser of a program for web pages.
    link->SetVisited(false);
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
