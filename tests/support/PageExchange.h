#pragma once
// A parameter page in the main window, read and written by a device controller over an in-memory line
// to a refusing simulated device: the fixture of the pages' exchange tests. A page that must be told
// the device's build overrides Connected; one that must start every read empty asks for it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/DeviceController.h"
#include "app/fMain.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/RefusingDevice.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"
#include "ui/Component.h"

namespace testsupport {

template <class Page>
class PageExchange : public ::testing::Test {
protected:
    enum class ReadInto { AsItIs, ClearedPage };

    explicit PageExchange(const std::string& name, ReadInto readInto = ReadInto::AsItIs)
        : page(ui::Create<Page>(main->PagesPane, name, main->PagesPane)), readInto_(readInto)
    {
    }

    virtual void Connected(int /*build*/) {}

    void Connect(int build, sim::PanelKind panel = sim::PanelKind::Altonika)
    {
        dc.reset();
        comm.reset();
        device = std::make_unique<RefusingDevice>(Profile(build, panel), scope.Clock());
        comm = std::make_unique<LoopbackComm>(*device, scope.Clock());
        dc = std::make_unique<TDeviceController>(*comm, &log);
        dc->Device().SetTimeoutFloor(200);
        dc->Major = 5;
        dc->Build = build;
        Connected(build);
    }
    std::vector<std::string> Read()
    {
        device->requests.clear();
        dc->ClearErrors();
        if (readInto_ == ReadInto::ClearedPage) page->Clear();
        dc->ReadForm(*page);
        return device->requests;
    }
    std::vector<std::string> Write()
    {
        device->requests.clear();
        dc->ClearErrors();
        dc->WriteForm(*page);
        return device->requests;
    }
    bool Sent(const std::string& prefix) const
    {
        for (const std::string& r : device->requests)
            if (r.rfind(prefix, 0) == 0) return true;
        return false;
    }
    std::vector<std::string> Errors() const { return dc->GetErrors().Lines(); }
    std::string Stored(const std::string& key) const { return device->device.Value(key).value_or("?"); }

    ui::ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    Page* page;
    RecordingLog log;
    std::unique_ptr<RefusingDevice> device;
    std::unique_ptr<LoopbackComm> comm;
    std::unique_ptr<TDeviceController> dc;

private:
    ReadInto readInto_;
};

}  // namespace testsupport
