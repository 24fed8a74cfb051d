#include "ui/Application.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/UiTest.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"

namespace {

using namespace ui;

class PumpTest : public testsupport::UiTest {
protected:
    void Every(unsigned interval, std::function<void(TObject*)> onTimer)
    {
        auto* timer = Create<TTimer>(form, "Timer" + std::to_string(form->ComponentCount()));
        timer->SetInterval(interval);
        timer->OnTimer = std::move(onTimer);
    }
    const std::vector<MessageBoxRequest>& Boxes() { return scope.Services().Boxes(); }
};

TEST_F(PumpTest, PostedCallsAndDueTimersRunOnlyFromThePump)
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
    int ticks = 0;
    Every(20000, [&](TObject*) { ++ticks; });
    scope.Clock().Advance(60000);
    EXPECT_EQ(ticks, 0);  // time passed, but nobody pumped
    app.ProcessMessages();
    EXPECT_EQ(ticks, 1);  // a late timer fires once
    user.Advance(19999);
    EXPECT_EQ(ticks, 1);
    user.Advance(40001);
    EXPECT_EQ(ticks, 4);
}

TEST_F(PumpTest, ATimerIsSkippedWhileItsOwnHandlerLetsEventsRunAndMayFreeItself)
{
    int slow = 0;
    int fast = 0;
    int selfFreed = 0;
    Every(10, [&](TObject*) {
        if (++slow == 1) user.Advance(50);  // an exchange that lets events run
    });
    Every(10, [&](TObject*) { ++fast; });
    Every(5, [&](TObject* sender) {
        ++selfFreed;
        Free(static_cast<TTimer*>(sender));
    });
    user.Advance(10);
    EXPECT_EQ(slow, 1);
    EXPECT_GE(fast, 5);
    EXPECT_EQ(selfFreed, 1);
}

TEST_F(PumpTest, AnExceptionThatEscapesAHandlerGoesToTheHandlerOrABoxAndThePumpGoesOn)
{
    Every(10, [](TObject*) { throw std::runtime_error("Нет ответа"); });
    std::vector<std::string> seen;
    app.OnException = [&](TObject*, std::exception_ptr e) {
        seen.push_back(ExceptionMessage(e));
        // An error box is a modal loop: the pump runs, and a failure there is not handled again.
        app.Post([] { throw std::runtime_error("again"); });
        app.ProcessMessages();
    };
    user.Advance(20);
    EXPECT_EQ(seen, (std::vector<std::string>{"Нет ответа", "Нет ответа"}));
    EXPECT_TRUE(Boxes().empty()) << "the handler took it: no box besides";
    // Without a working handler the error is shown in a box.
    app.SetTitle("Sorvel7QX3");
    app.OnException = [](TObject*, std::exception_ptr) { throw std::logic_error("handler"); };
    app.HandleException(std::make_exception_ptr(std::runtime_error("first")));
    app.OnException = nullptr;
    app.Post([] { throw std::runtime_error("boom"); });
    app.ProcessMessages();
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(std::pair(Boxes()[0].text, Boxes()[0].caption), std::pair(std::string("first"), std::string("Sorvel7QX3")));
    EXPECT_EQ(Boxes()[1].text, "boom");
}

}  // namespace
