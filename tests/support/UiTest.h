#pragma once
// A fresh application (manual clock, scripted services), the user and a shown main window: the window
// model's tests start here.
#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"

namespace testsupport {

class UiTest : public ::testing::Test {
protected:
    UiTest() { form->Show(); }

    ui::ApplicationScope scope;
    ui::Application& app = scope.App();
    ui::Driver user{app};
    ui::TForm* form = app.CreateForm<ui::TForm>("FormMain");
};

}  // namespace testsupport
