// The line benchmarks, each through the real cable worker at 19200 baud, its time beside the time its
// bytes need on the wire: every read routine once, then every write routine once; one history page (32
// records) and the text download of 1,000 records; a 64 KiB firmware upload; and the program's read-all
// and write-all as a user runs them, for an Altonika and a Bolid panel, once more after 20,000 lines in
// the log. All but the upload go to sorvel-sim as a child process.
//
// The upload goes through the update thread and a pseudo-terminal to the simulated communicator's
// bootloader, the device answering at once. It prints the payload rate against the rate the same frames
// allow on the line (requests and replies at 1920 bytes a second, one after the other): up to the
// device's "OK" to "EE", and with the 15 s the program then waits for the device to write its flash.
//
// The read-all and write-all run in the main window, its forms controller and the log tree, with a
// connect through the connect dialog ("CABLE CONNECT", the login, the version) and then every page.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/DeviceController.h"
#include "app/ExchangeSteps.h"
#include "app/FirmwareImage.h"
#include "app/HistoryReader.h"
#include "app/S7QX1FormsController.h"
#include "app/UpdateThread.h"
#include "app/fConnect.h"
#include "app/fHistory.h"
#include "app/fMain.h"
#include "bench/BenchProgram.h"
#include "bench/BenchSupport.h"
#include "link/ComPortWorker.h"
#include "link/DevCommands.h"
#include "link/DevSorvel7QX1.h"
#include "platform/CalendarTime.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "ui/Application.h"
#include "ui/Services.h"

namespace {

using namespace benchsupport;

constexpr int kLogLines = 20'000;

using Routine = std::function<bool(TDevice&)>;

std::vector<Routine> Reads()
{
    using R = bool (*)(TDevice&, std::string&);
    using RN = bool (*)(TDevice&, int, std::string&);
    std::vector<Routine> out;
    for (const R f : {ReadVersionText, ReadSignalQuality, ReadClock, ReadMasterKey, ReadBolidText, ReadLanEnable,
                      ReadDirectionSwitch, ReadEngineerEnable, ReadExtraAutotest, ReadSystemEvents,
                      ReadBatteryLogic, ReadBatteryThresholds, ReadImei, ReadInputFlags, ReadTamperEnable,
                      ReadObjectNumber, ReadBolidEventMask, ReadBolidEventMaskExt, ReadVoiceCidSpeed,
                      ReadAltonikaSection, ReadC2000ItFilter, ReadBolidAddressToPartition, ReadBolidLinkControl,
                      ReadPanelType, ReadHardwareType, ReadServerAddress, ReadServer2Address, ReadServerPort,
                      ReadServer2Port, ReadServerPassword, ReadBindAddressToSim})
        out.push_back([f](TDevice& d) {
            std::string v;
            return f(d, v);
        });
    for (const auto& [f, n] : std::vector<std::pair<RN, int>>{
             {ReadParadoxObject, 1}, {ReadEngineerNumber, 1}, {ReadDirectionParams, 1}, {ReadApnAddress, 1},
             {ReadApnLogin, 1}, {ReadApnPassword, 1}, {ReadGprsDialNumber, 1}, {ReadInputEventParams, 1},
             {ReadHistoryRecord, 10}})
        out.push_back([f, n](TDevice& d) {
            std::string v;
            return f(d, n, v);
        });
    out.push_back([](TDevice& d) {
        bool a = false, b = false;
        int h = 0, m = 0, p = 0;
        return ReadGprsEnable(d, a, b) && ReadGprsRetryTime(d, h, m) && ReadHistoryPointer(d, p);
    });
    out.push_back([](TDevice& d) { return ReadImeiIdent(d) || true; });
    return out;
}

std::vector<Routine> Writes()
{
    using W = bool (*)(TDevice&, const std::string&);
    using WN = bool (*)(TDevice&, int, const std::string&);
    std::vector<Routine> out;
    for (const auto& [f, v] : std::vector<std::pair<W, std::string>>{
             {WriteMasterKey, "5816"}, {WriteLanEnable, "FF"}, {WriteDirectionSwitch, "00"},
             {WriteEngineerEnable, "00"}, {WriteExtraAutotest, "0000"}, {WriteDirectionParams, "1120001=84951234568"},
             {WriteSystemEvents, "3C3C0008000C00FFFF"}, {WriteBatteryLogic, "000AFFFF"},
             {WriteBatteryThresholds, "03E8044C"}, {WriteInputFlags, "83"}, {WriteObjectNumber, "0050"},
             {WriteBolidEventMask, "FFFFFFFFFFFFFFFFFFFFFFFF"}, {WriteBolidEventMaskExt, "FFFFFFFFFF3F0000"},
             {WriteVoiceCidSpeed, "FF"}, {WriteAltonikaSection, "FF"}, {WriteC2000ItFilter, "00"},
             {WriteBolidAddressToPartition, "FF"}, {WriteBolidLinkControl, "FF"}, {WritePanelType, "00"},
             {WriteServerAddress, "91.210.56.12"}, {WriteServer2Address, "91.210.56.13"}, {WriteServerPort, "3058"},
             {WriteServer2Port, "3058"}, {WriteServerPassword, "KoraPlen"}, {WriteBindAddressToSim, "FF"}})
        out.push_back([f, v](TDevice& d) { return f(d, v); });
    for (const auto& [f, v] : std::vector<std::pair<WN, std::string>>{
             {WriteParadoxObject, "0002"}, {WriteEngineerNumber, "+79031112233"}, {WriteApnAddress, "internet.beeline.ru"},
             {WriteApnLogin, "beeline"}, {WriteApnPassword, "beeline"}, {WriteGprsDialNumber, "*99#"},
             {WriteInputEventParams, "313001001"}})
        out.push_back([f, v](TDevice& d) { return f(d, 1, v); });
    out.push_back([](TDevice& d) {
        return WriteGprsEnable(d, true, false) && WriteGprsRetryTime(d, 1, 0) && WriteImeiIdent(d, false) &&
               WriteTamperEnable(d, false);
    });
    out.push_back([](TDevice& d) {
        std::string answer;
        const std::time_t now = std::time(nullptr);
        const std::tm local = platform::LocalTime(now);
        return WriteClock(d, local, answer);
    });
    return out;
}

// The device, counting the bytes of every request (with its CR) and reply on the wire.
class WireDevice final : public sim::Responder {
public:
    explicit WireDevice(sim::Responder& device) : device_(device) {}
    std::string Answer(const std::string& request) override
    {
        std::string reply = device_.Answer(request);
        bytes += request.size() + 1 + reply.size();
        return reply;
    }
    std::atomic<std::size_t> bytes{0};

private:
    sim::Responder& device_;
};


bool CommandsAndHistory(const fs::path& folder)
{
    const SimProcess sim(folder / "ports");
    TComPortWorker worker(true, true);
    worker.Open(sim.port.string(), br19200);
    WireLog wire;
    TDeviceController controller(worker, &wire);
    TDevSorvel7QX1& device = controller.Device();
    const std::vector<Routine> reads = Reads(), writes = Writes();
    int failed = 0;
    const Lap commands = Timed(wire, [&] {
        for (const std::vector<Routine>* routines : {&reads, &writes})
            for (const Routine& r : *routines) failed += r(device) ? 0 : 1;
    });
    std::printf("%zu reads and %zu writes, %d failed\n", reads.size(), writes.size(), failed);
    LineFigure("every command read and written", commands);

    TControllerSteps steps(controller);
    FormHistory = ui::App().CreateForm<TFormHistory>("FormHistory");
    THistoryReader reader(steps, *FormHistory);
    FormHistory->FirstRecord = 1000;
    LineFigure("one history page (32 records)", Timed(wire, [&] { reader.Backward(); }));
    const bool pageOk = FormHistory->Store.Count() == HistoryPageSize;
    THistoryDownload download;
    LineFigure("1,000 records downloaded", Timed(wire, [&] {
        download = reader.SaveToFile(folder / HistoryTextFileName, [] { return true; });
    }));
    std::printf("records written: %d%s\n", download.RecordsWritten, download.Complete() ? "" : " (not complete)");
    for (int i = 0; i < controller.Errors.Count(); ++i) std::fprintf(stderr, "error: %s\n", controller.Errors[i].c_str());
    FormHistory = nullptr;
    return failed == 0 && pageOk && download.Complete() && download.RecordsWritten == 1000 && controller.Errors.Empty();
}

bool Upload()
{
    sim::Communicator device;
    WireDevice wire(device);
    sim::Pty pty;
    sim::Line line(pty, wire);
    line.SetLineSpeed(19200);
    line.SetRequestPacing(true);
    TComPortWorker worker(true, true);
    worker.Open(pty.SlavePath(), br19200);
    TDevSorvel7QX1 dev(worker, nullptr);
    return TimedUpload(dev, [&] { return wire.bytes.load(); }) && device.FirmwareWritten();
}

// The main window, its forms controller and the log tree, connected through the connect dialog: read-all
// and write-all at the line's pace, read-all again after a long log, and read-all once more from a
// simulator that answers at once (a peer faster than the line, as a virtual port is), which must not take
// longer than the paced one.
bool Pages(const fs::path& folder, const char* panel, const std::string& name)
{
    Lap read, longLog;
    bool failed = false;
    {
        const SimProcess sim(folder / "ports", {"--panel", panel, "--master-key", kBenchKey});
        ProgramSession session("sorvel-sim");
        read = session.Timed(&TS7QX1FormsController::ReadAll);
        // Lines in the log tree as the exchanges write them.
        while (session.Main().tvLog->Items().RootCount() < kLogLines)
            session.Controller().Log->AddText("<<<< 17.05.2024 13:45:10", "+typepan", 0xFF0000);
        longLog = session.Timed(&TS7QX1FormsController::ReadAll);
        LineFigure("read-all, " + name, read);
        LineFigure("write-all, " + name, session.Timed(&TS7QX1FormsController::WriteAll), "<= 1.03");
        failed = session.Failed();
    }
    std::printf("read-all after %d log lines, %s: %.3f s (%zu bytes) against %.3f s (%zu bytes) fresh\n", kLogLines,
                name.c_str(), longLog.seconds, longLog.bytes, read.seconds, read.bytes);
    Figure("read-all after 20,000 log lines, " + name, longLog.seconds, read.seconds, " s", "<= 1.05");
    const SimProcess atOnce(folder / "ports", {"--panel", panel, "--master-key", kBenchKey, "--baud", "0",
                                               "--no-pace-requests"});
    ProgramSession session("sorvel-sim");
    const Lap unpaced = session.Timed(&TS7QX1FormsController::ReadAll);
    std::printf("read-all, %s, a peer faster than the line: %.3f s (%zu bytes)\n", name.c_str(), unpaced.seconds,
                unpaced.bytes);
    Figure("read-all from a peer at once, " + name, unpaced.seconds, read.seconds, " s", "< 1");
    failed = failed || session.Failed();
    if (failed) std::printf("  an operation FAILED or listed errors\n");
    return !failed && longLog.bytes == read.bytes;
}

}  // namespace

int main()
{
    return InProgramFolder("lbench", [](const fs::path& folder) {
        const bool commands = CommandsAndHistory(folder);
        const bool upload = Upload();
        const bool altonika = Pages(folder, "altonika", "Altonika");
        const bool bolid = Pages(folder, "bolid", "Bolid");
        return commands && upload && altonika && bolid ? 0 : 1;
    });
}
