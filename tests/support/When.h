#pragma once
// Runs the action on the window thread once the condition holds, looking again at every pass of the
// event pump. A condition that never comes fails the test and ends the modal form instead of hanging.
#include <gtest/gtest.h>

#include <functional>

#include "ui/Application.h"
#include "ui/Forms.h"

namespace testsupport {

inline void When(std::function<bool()> condition, std::function<void()> action, int passes = 200000)
{
    ui::App().Post([=] {
        if (condition()) {
            action();
        } else if (passes > 0) {
            When(condition, action, passes - 1);
        } else {
            ADD_FAILURE() << "the awaited state never came";
            if (ui::TForm* modal = ui::App().ModalForm()) modal->SetModalResult(ui::mrCancel);
        }
    });
}

}  // namespace testsupport
