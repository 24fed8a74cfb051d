#include "ui/Application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ui/Dialogs.h"
#include "ui/Driver.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

namespace {

using namespace ui;

class PumpTest : public ::testing::Test {
protected:
    ApplicationScope scope;
    Application& app = scope.App();
    Driver user{app};
    TForm* form = Create<TForm>(&app, "F");
};

TEST_F(PumpTest, PostedCallsRunInOrderOnlyFromThePump)
{
    std::vector<int> ran;
    app.Post([&] { ran.push_back(1); });
    app.Post([&] {
        ran.push_back(2);
        app.Post([&] { ran.push_back(3); });  // runs in the next round, not this one
    });
    EXPECT_TRUE(ran.empty());
    app.ProcessMessages();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    app.ProcessMessages();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST_F(PumpTest, AWorkerReachesTheWindowThreadThroughPostAndSynchronize)
{
    std::atomic<bool> posted{false};
    int value = 0;
    std::thread worker([&] {
        app.Post([&] { posted = true; });
        app.Synchronize([&] { value = 42; });
    });
    while (value == 0) app.HandleMessage();
    worker.join();
    EXPECT_TRUE(posted);
}

TEST_F(PumpTest, SynchronizeRethrowsInTheWorker)
{
    bool caught = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            app.Synchronize([] { throw std::runtime_error("x"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        done = true;
    });
    while (!done) app.HandleMessage();
    worker.join();
    EXPECT_TRUE(caught);
    EXPECT_TRUE(scope.Services().Boxes().empty());
}

TEST_F(PumpTest, TimersFireOnlyFromThePumpWhenDueOnTheClock)
{
    auto* timer = Create<TTimer>(form, "Timer1");
    timer->SetInterval(20000);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) { ++ticks; };
    scope.Clock().Advance(60000);
    EXPECT_EQ(ticks, 0);  // time passed, but nobody pumped
    app.ProcessMessages();
    EXPECT_EQ(ticks, 1);  // a late timer fires once
    user.Advance(19999);
    EXPECT_EQ(ticks, 1);
    user.Advance(40001);
    EXPECT_EQ(ticks, 4);
}

TEST_F(PumpTest, DisabledTimersWaitAndEnablingStartsTheCountAgain)
{
    auto* timer = Create<TTimer>(form, "Timer");
    timer->SetInterval(400);
    timer->SetEnabled(false);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) { ++ticks; };
    user.Advance(1000);
    timer->SetEnabled(true);
    user.Advance(399);
    EXPECT_EQ(ticks, 0);
    user.Advance(1);
    EXPECT_EQ(ticks, 1);
}

TEST_F(PumpTest, ATimerIsSkippedWhileItsOwnHandlerLetsEventsRun)
{
    auto* slow = Create<TTimer>(form, "slow");
    auto* fast = Create<TTimer>(form, "fast");
    slow->SetInterval(10);
    fast->SetInterval(10);
    int slowTicks = 0;
    int fastTicks = 0;
    int depth = 0;
    int maxDepth = 0;
    slow->OnTimer = [&](TObject*) {
        ++slowTicks;
        maxDepth = std::max(maxDepth, ++depth);
        user.Advance(50);  // an exchange that lets events run
        --depth;
    };
    fast->OnTimer = [&](TObject*) { ++fastTicks; };
    user.Advance(10);
    EXPECT_EQ(slowTicks, 1);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_GE(fastTicks, 5);
}

TEST_F(PumpTest, ATimerMayFreeItselfInItsHandler)
{
    auto* timer = Create<TTimer>(form, "t");
    timer->SetInterval(5);
    int ticks = 0;
    timer->OnTimer = [&](TObject* sender) {
        ++ticks;
        Free(static_cast<TTimer*>(sender));
    };
    user.Advance(20);
    EXPECT_EQ(ticks, 1);
}

TEST_F(PumpTest, AnExceptionInATimerGoesToTheHandlerAndThePumpGoesOn)
{
    auto* timer = Create<TTimer>(form, "t");
    timer->SetInterval(10);
    timer->OnTimer = [](TObject*) { throw std::runtime_error("Нет ответа"); };
    bool later = false;
    std::vector<std::string> seen;
    app.OnException = [&](TObject*, std::exception_ptr e) { seen.push_back(ExceptionMessage(e)); };
    user.Advance(10);
    app.Post([&] { later = true; });
    user.Advance(10);
    EXPECT_EQ(seen, (std::vector<std::string>{"Нет ответа", "Нет ответа"}));
    EXPECT_TRUE(later);
}

TEST_F(PumpTest, WithoutOnExceptionTheErrorIsShownInABox)
{
    app.SetTitle("Sorvel7QX3");
    app.Post([] { throw std::runtime_error("boom"); });
    app.ProcessMessages();
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    const MessageBoxRequest& box = scope.Services().Boxes()[0];
    EXPECT_EQ(box.text, "boom");
    EXPECT_EQ(box.caption, "Sorvel7QX3");
}

TEST_F(PumpTest, AFailingExceptionHandlerFallsBackToTheBox)
{
    app.OnException = [](TObject*, std::exception_ptr) { throw std::logic_error("handler"); };
    app.HandleException(std::make_exception_ptr(std::runtime_error("first")));
    ASSERT_EQ(scope.Services().Boxes().size(), 1u);
    EXPECT_EQ(scope.Services().Boxes()[0].text, "first");
}

TEST(ApplicationScopeTest, RestoresThePreviousApplication)
{
    Application* outer = &App();
    {
        ApplicationScope scope;
        EXPECT_EQ(&App(), &scope.App());
        { ApplicationScope inner; }
        EXPECT_EQ(&App(), &scope.App());
    }
    EXPECT_EQ(&App(), outer);
}

}  // namespace
