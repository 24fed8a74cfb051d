#pragma once
// One fixture for every parameter page's exchange with the device: the page in the main window's page
// area, and a device controller over an in-memory line to the whole simulated communicator. A table row
// (Exchange) is one read or write: the device and the page before, the exact requests on the wire, the
// error list, the log's group titles, what the page shows and what the device stores afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/DeviceController.h"
#include "app/fMain.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/PageControls.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "ui/Application.h"

namespace testsupport {

// The simulated communicator, recording every request; requests that begin with a refused word (without
// the "+") are answered "NOK".
class RefusingDevice : public sim::Responder {
public:
    RefusingDevice(const sim::DeviceProfile& profile, platform::Clock& clock)
        : device(profile, clock, SimDevice::kWallStart)
    {
    }
    std::string Answer(const std::string& request) override
    {
        requests.push_back(request);
        for (const std::string& word : refused)
            if (request.rfind("+" + word, 0) == 0) return "NOK\r\n";
        return device.Answer(request);
    }
    sim::Communicator device;
    std::vector<std::string> refused;
    std::vector<std::string> requests;
};

using Values = std::vector<std::pair<std::string, std::string>>;
using Lines = std::vector<std::string>;

template <class Page>
struct Exchange {
    std::string name;
    bool write = false;
    int build = 120;
    int major = 5;
    sim::PanelKind panel = sim::PanelKind::Altonika;
    Values device{};                     // the device's values before (any text: a reply the page cannot use)
    Lines refused{};                     // see RefusingDevice
    std::function<void(Page&)> given{};  // the page before
    std::optional<Lines> wire{};         // every request, in order
    Lines errors{};                      // the error list, exactly
    std::optional<Lines> logged{};       // the log's information lines ("Читаю ..." / "Пишу ..."), exactly
    Values shown{};                      // control name -> what it shows, as ControlsOf gives it
    Values stored{};                     // device key -> value afterwards
    std::function<void(Page&)> then{};   // what the columns above cannot say
};

template <class Page>
void PrintTo(const Exchange<Page>& e, std::ostream* os)
{
    *os << e.name;
}

struct ExchangeName {
    template <class P>
    std::string operator()(const ::testing::TestParamInfo<P>& info) const
    {
        return info.param.name;
    }
};

template <class Page>
class PageExchange : public ::testing::Test {
protected:
    // `global` is the page's variable through which the device controller reaches it.
    template <class... A>
    PageExchange(Page*& global, const std::string& name, A&&... args)
        : page(ui::Create<Page>(main->PagesPane, name, main->PagesPane, std::forward<A>(args)...))
    {
        global = page;
    }

    // What the program does for the page on connecting to this firmware.
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
        dc->Now = [] { return SimDevice::kWallStart + 60; };
        Connected(build);
    }
    Lines Read()
    {
        Begin();
        if (clearBeforeRead) page->Clear();
        dc->ReadForm(*page);
        return device->requests;
    }
    Lines Write()
    {
        Begin();
        dc->WriteForm(*page);
        return device->requests;
    }
    bool Sent(const std::string& prefix) const
    {
        for (const std::string& r : device->requests)
            if (r.rfind(prefix, 0) == 0) return true;
        return false;
    }
    Lines Errors() const { return dc->GetErrors().Lines(); }
    std::string Stored(const std::string& key) const { return device->device.Value(key).value_or("?"); }
    void SetValue(const std::string& key, const std::string& value) { device->device.SetValue(key, value); }

    void Run(const Exchange<Page>& c)
    {
        Connect(c.build, c.panel);
        dc->Major = c.major;
        for (const auto& [key, value] : c.device) SetValue(key, value);
        device->refused = c.refused;
        if (c.given) c.given(*page);
        const Lines wire = c.write ? Write() : Read();
        if (c.wire) {
            EXPECT_EQ(wire, *c.wire);
        }
        EXPECT_EQ(Errors(), c.errors);
        if (c.logged) {
            EXPECT_EQ(log.Texts(RecordingLog::Kind::Info), *c.logged);
        }
        const Controls shown = ControlsOf(*page);
        for (const auto& [control, value] : c.shown) {
            const auto it = shown.find(control);
            EXPECT_EQ(it == shown.end() ? "(no control)" : it->second, value) << control;
        }
        for (const auto& [key, value] : c.stored) EXPECT_EQ(Stored(key), value) << key;
        if (c.then) c.then(*page);
    }

    ui::ApplicationScope scope;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    Page* page;
    RecordingLog log;
    std::unique_ptr<RefusingDevice> device;
    std::unique_ptr<LoopbackComm> comm;
    std::unique_ptr<TDeviceController> dc;
    bool clearBeforeRead = false;  // a read must show the device's values, not what the page had

private:
    void Begin()
    {
        device->requests.clear();
        log.entries.clear();
        dc->ClearErrors();
    }
};

}  // namespace testsupport
