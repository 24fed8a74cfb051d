#pragma once
// The program (ProgramBase) with simulated devices on pseudo-terminals linked into the program folder's
// ports: what the main window and controller tests drive on Linux.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Modem.h"
#include "sim/Pty.h"
#include "tests/app/ProgramBase.h"
#include "tests/support/SimDevice.h"

namespace programtest {

using testsupport::Profile;

// The simulated communicator behind a gate that sees every request first, in the line's thread: it may
// take its time, or return false to leave the request unanswered.
class GatedResponder : public sim::Responder {
public:
    explicit GatedResponder(sim::Responder& device) : device_(device) {}
    std::string Answer(const std::string& request) override
    {
        {
            const std::lock_guard lock(mutex_);
            if (gate_ && !gate_(request)) return {};
        }
        const std::string reply = device_.Answer(request);
        return edit ? edit(request, reply) : reply;
    }
    // Changes the device's replies; set before the program sends anything.
    std::function<std::string(const std::string& request, const std::string& reply)> edit;
    void SetGate(std::function<bool(const std::string& request)> gate)
    {
        const std::lock_guard lock(mutex_);
        gate_ = std::move(gate);
    }

private:
    sim::Responder& device_;
    std::mutex mutex_;
    std::function<bool(const std::string&)> gate_;
};

// The simulated communicator on a pseudo-terminal linked into the program's ports folder, its line paced
// both ways at 19200 baud.
struct CableDevice {
    CableDevice(const sim::DeviceProfile& profile, platform::Clock& clock, const std::filesystem::path& link)
        : device(profile, clock, testsupport::SimDevice::kWallStart)
    {
        line.SetRequestPacing(true);
        std::filesystem::create_symlink(pty.SlavePath(), link);
    }
    sim::Pty pty;
    sim::Communicator device;
    GatedResponder responder{device};
    sim::Line line{pty, responder};
};

class ProgramFixture : public ProgramBase {
protected:
    ~ProgramFixture() override
    {
        // The program goes first: its end still speaks to the devices.
        FreeMain();
        modemLine.reset();
        cable.reset();
    }

    void AddCable(int build, sim::PanelKind panel = sim::PanelKind::Altonika) { AddCable(Profile(build, panel)); }
    void AddCable(const sim::DeviceProfile& profile)
    {
        cable.reset();
        std::filesystem::remove(folder / "ports" / "sim-cable");
        cable = std::make_unique<CableDevice>(profile, scope.Clock(), folder / "ports" / "sim-cable");
    }
    void AddModem(int build = 120)
    {
        modemDevice = std::make_unique<sim::Communicator>(Profile(build), scope.Clock(), testsupport::SimDevice::kWallStart);
        modemLine = std::make_unique<sim::ModemLine>(*modemDevice, folder / "ports", "sim-modem", scope.Clock());
    }
    bool ConnectByCable(int build, sim::PanelKind panel = sim::PanelKind::Altonika)
    {
        AddCable(build, panel);
        AnswerConnect(Cable("sim-cable"));
        return controller->Connect();
    }
    bool Sent(const std::string& request) const
    {
        const auto requests = cable->line.Requests();
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    }

    std::unique_ptr<CableDevice> cable;
    std::unique_ptr<sim::Communicator> modemDevice;
    std::unique_ptr<sim::ModemLine> modemLine;
};

}  // namespace programtest
