#pragma once
// One fixture for every parameter page's exchange with the device: the page in the main window's page
// area, and a device controller over an in-memory line to the whole simulated communicator. A table row
// (Exchange) is one read or write: the device and the page before, the exact requests on the wire, the
// error list, the log's group titles, what the page shows and what the device stores afterwards.
// PAGE_EXCHANGES(Fixture, rows) makes each row a test case of its own, named by the row.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/DeviceController.h"
#include "app/MsgFileU.h"
#include "app/fMain.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/PageControls.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimProfile.h"
#include "ui/Application.h"

namespace testsupport {

// The simulated communicator, recording every request; requests that begin with a refused word (without
// the "+") are answered "NOK".
class RefusingDevice : public sim::Responder {
public:
    RefusingDevice(const sim::DeviceProfile& profile, platform::Clock& clock) : device(profile, clock, kSimWallStart) {}
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

// A small event table for the pages that list events (the loops and masks pages).
inline const TMsgFile& EventTable()
{
    static const TMsgFile table{.Rows = {{"1303", "Восстановление после проникновения"}, {"1301", "Проникновение"}, {"1101", "Пожар"}}};
    return table;
}

using Values = std::vector<std::pair<std::string, std::string>>;
using Lines = std::vector<std::string>;

inline Lines Cat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
// The log's lines for these groups ("Читаю" or "Пишу").
inline Lines Logged(const std::string& verb, const Lines& groups)
{
    Lines lines;
    for (const std::string& g : groups) lines.push_back(verb + " \"" + g + "\"");
    return lines;
}
// The error list's lines for a group.
inline std::string R(const std::string& group) { return "Ошибка при чтении параметра \"" + group + "\""; }
inline std::string W(const std::string& group) { return "Ошибка при записи параметра \"" + group + "\""; }

template <class Page>
struct Exchange {
    std::string name;
    bool write = false;
    int build = 120;
    sim::PanelKind panel = sim::PanelKind::Altonika;
    Values device{};                     // the device's values before (any text: a reply the page cannot use)
    Lines refused{};                     // see RefusingDevice
    std::function<void(Page&)> given{};  // the page before
    std::optional<Lines> wire{};         // every request, in order
    Lines errors{};                      // the error list, exactly
    std::optional<Lines> logged{};       // the log's information lines, exactly
    Values shown{};                      // control name -> what it shows, as ControlsOf gives it
    Values stored{};                     // device key -> value afterwards
    std::function<void(Page&)> then{};   // what the columns above cannot say
};

template <class Page>
class PageExchange : public ::testing::Test {
public:
    using Row = Exchange<Page>;

protected:
    // `global` is the page's variable through which the device controller reaches it.
    template <class... A>
    PageExchange(Page*& global, const std::string& name, A&&... args)
        : page(ui::Create<Page>(main->PagesPane, name, main->PagesPane, std::forward<A>(args)...))
    {
        global = page;
    }

    // What the program does for the page on connecting to this firmware and panel.
    virtual void Connected(int /*build*/, sim::PanelKind /*panel*/) {}

    void Run(const Row& c)
    {
        device = std::make_unique<RefusingDevice>(Profile(c.build, c.panel), scope.Clock());
        comm = std::make_unique<LoopbackComm>(*device, scope.Clock());
        dc = std::make_unique<TDeviceController>(*comm, &log);
        dc->Device().SetTimeoutFloor(200);
        dc->Major = 5;
        dc->Build = c.build;
        dc->Now = [] { return kSimWallStart + 60; };
        Connected(c.build, c.panel);
        for (const auto& [key, value] : c.device) device->device.SetValue(key, value);
        device->refused = c.refused;
        if (c.given) c.given(*page);
        log.entries.clear();
        if (c.write) {
            dc->WriteForm(*page);
        } else {
            if (clearBeforeRead) page->Clear();
            dc->ReadForm(*page);
        }
        EXPECT_EQ(device->requests, c.wire.value_or(device->requests));
        EXPECT_EQ(dc->GetErrors().Lines(), c.errors);
        EXPECT_EQ(log.Texts(RecordingLog::Kind::Info), c.logged.value_or(log.Texts(RecordingLog::Kind::Info)));
        const Controls shown = ControlsOf(*page);
        for (const auto& [control, value] : c.shown) {
            const auto it = shown.find(control);
            EXPECT_EQ(it == shown.end() ? "(no control)" : it->second, value) << control;
        }
        for (const auto& [key, value] : c.stored) EXPECT_EQ(device->device.Value(key).value_or("?"), value) << key;
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
};

}  // namespace testsupport

#define PAGE_EXCHANGES(Fixture, rows)                                                               \
    class Fixture##Table : public Fixture, public ::testing::WithParamInterface<Fixture::Row> {};  \
    TEST_P(Fixture##Table, WithTheDevice) { Run(GetParam()); }                                      \
    INSTANTIATE_TEST_SUITE_P(Fixture, Fixture##Table, ::testing::ValuesIn(rows),                    \
                             [](const auto& info) { return info.param.name; })
