// Every read routine once, then every write routine once, through the real cable worker against
// sorvel-sim at 19200 baud, its line pacing requests and replies alike as a serial line does. Prints the
// total time, the time the same bytes need on the wire at 1920 bytes a second, and their ratio: how
// much the program adds to the line's own pace.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "link/ComPortWorker.h"
#include "link/DevCommands.h"
#include "link/DevSorvel7QX1.h"
#include "platform/Text.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Routine = std::function<bool(TDevice&)>;

using benchsupport::kBytesPerSecond;

using ByteCounter = benchsupport::WireLog;

std::vector<Routine> Reads(std::vector<std::string>& values)
{
    using R = bool (*)(TDevice&, std::string&);
    using RN = bool (*)(TDevice&, int, std::string&);
    std::vector<Routine> out;
    const auto add = [&](R f) {
        out.push_back([f, &values](TDevice& d) {
            values.emplace_back();
            return f(d, values.back());
        });
    };
    const auto addN = [&](RN f, int n) {
        out.push_back([f, n, &values](TDevice& d) {
            values.emplace_back();
            return f(d, n, values.back());
        });
    };
    for (const R f : {ReadVersionText, ReadSignalQuality, ReadClock, ReadMasterKey, ReadBolidText, ReadLanEnable,
                      ReadDirectionSwitch, ReadEngineerEnable, ReadExtraAutotest, ReadSystemEvents,
                      ReadBatteryLogic, ReadBatteryThresholds, ReadImei, ReadInputFlags, ReadTamperEnable,
                      ReadObjectNumber, ReadBolidEventMask, ReadBolidEventMaskExt, ReadVoiceCidSpeed,
                      ReadAltonikaSection, ReadC2000ItFilter, ReadBolidAddressToPartition, ReadBolidLinkControl,
                      ReadPanelType, ReadHardwareType, ReadServerAddress, ReadServer2Address, ReadServerPort,
                      ReadServer2Port, ReadServerPassword, ReadBindAddressToSim})
        add(f);
    for (const RN f : {ReadParadoxObject, ReadEngineerNumber, ReadDirectionParams, ReadApnAddress, ReadApnLogin,
                       ReadApnPassword, ReadGprsDialNumber, ReadInputEventParams})
        addN(f, 1);
    addN(ReadHistoryRecord, 10);
    out.push_back([](TDevice& d) {
        bool a = false, b = false;
        return ReadGprsEnable(d, a, b);
    });
    out.push_back([](TDevice& d) {
        int h = 0, m = 0;
        return ReadGprsRetryTime(d, h, m);
    });
    out.push_back([](TDevice& d) {
        int p = 0;
        return ReadHistoryPointer(d, p);
    });
    out.push_back([](TDevice& d) { return ReadImeiIdent(d) || true; });
    return out;
}

std::vector<Routine> Writes()
{
    using W = bool (*)(TDevice&, const std::string&);
    using WN = bool (*)(TDevice&, int, const std::string&);
    std::vector<Routine> out;
    const auto add = [&](W f, std::string v) { out.push_back([f, v](TDevice& d) { return f(d, v); }); };
    const auto addN = [&](WN f, int n, std::string v) { out.push_back([f, n, v](TDevice& d) { return f(d, n, v); }); };
    add(WriteMasterKey, "5816");
    add(WriteLanEnable, "FF");
    add(WriteDirectionSwitch, "00");
    add(WriteEngineerEnable, "00");
    add(WriteExtraAutotest, "0000");
    add(WriteDirectionParams, "1120001=84951234568");
    add(WriteSystemEvents, "3C3C0008000C00FFFF");
    add(WriteBatteryLogic, "000AFFFF");
    add(WriteBatteryThresholds, "03E8044C");
    add(WriteInputFlags, "83");
    add(WriteObjectNumber, "0050");
    add(WriteBolidEventMask, "FFFFFFFFFFFFFFFFFFFFFFFF");
    add(WriteBolidEventMaskExt, "FFFFFFFFFF3F0000");
    add(WriteVoiceCidSpeed, "FF");
    add(WriteAltonikaSection, "FF");
    add(WriteC2000ItFilter, "00");
    add(WriteBolidAddressToPartition, "FF");
    add(WriteBolidLinkControl, "FF");
    add(WritePanelType, "00");
    add(WriteServerAddress, "91.210.56.12");
    add(WriteServer2Address, "91.210.56.13");
    add(WriteServerPort, "3058");
    add(WriteServer2Port, "3058");
    add(WriteServerPassword, "KoraPlen");
    add(WriteBindAddressToSim, "FF");
    addN(WriteParadoxObject, 1, "0002");
    addN(WriteEngineerNumber, 1, "+79031112233");
    addN(WriteApnAddress, 1, "internet.beeline.ru");
    addN(WriteApnLogin, 1, "beeline");
    addN(WriteApnPassword, 1, "beeline");
    addN(WriteGprsDialNumber, 1, "*99#");
    addN(WriteInputEventParams, 1, "313001001");
    out.push_back([](TDevice& d) { return WriteGprsEnable(d, true, false); });
    out.push_back([](TDevice& d) { return WriteGprsRetryTime(d, 1, 0); });
    out.push_back([](TDevice& d) { return WriteImeiIdent(d, false); });
    out.push_back([](TDevice& d) { return WriteTamperEnable(d, false); });
    out.push_back([](TDevice& d) {
        std::string answer;
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return WriteClock(d, local, answer);
    });
    return out;
}

int Measure(const std::string& port, const std::string& against)
{
    TComPortWorker worker(true, true);
    worker.Open(port, br19200);
    ByteCounter counter;
    TDevSorvel7QX1 device(worker, &counter);
    std::vector<std::string> values;
    const std::vector<Routine> reads = Reads(values), writes = Writes();

    int failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const Routine& r : reads) failed += r(device) ? 0 : 1;
    for (const Routine& w : writes) failed += w(device) ? 0 : 1;
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::size_t bytes = counter.requestBytes + counter.replyBytes;
    const double wire = static_cast<double>(bytes) / kBytesPerSecond;
    // The pseudo-terminal takes the program's requests at once; only the device's replies keep the line's
    // pace. The second ratio sets the time against that paced part alone.
    std::printf("against %s: %zu reads, %zu writes, %d failed\n", against.c_str(), reads.size(), writes.size(),
                failed);
    std::printf("bytes on the wire: %zu (%zu requests, %zu replies)\n", bytes, counter.requestBytes,
                counter.replyBytes);
    std::printf("total time: %.3f s\n", total);
    std::printf("wire time:  %.3f s (bytes / 1920 per second, requests and replies both paced)\n", wire);
    std::printf("ratio:      %.3f (target <= 1.05)\n", total / wire);
    std::printf("figure|every command read and written|%.3f s|%.3f s|%.3f|<= 1.05\n", total, wire, total / wire);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main()
{
    try {
        const fs::path self = fs::read_symlink("/proc/self/exe");
        const fs::path program = self.parent_path().parent_path() / "sim" / "sorvel-sim";
        const fs::path ports = fs::temp_directory_path() / ("sorvel-bench-" + std::to_string(getpid()));
        fs::create_directories(ports);
        int result = 0;
        if (fs::exists(program)) {
            const benchsupport::SimProcess sim(program, ports, {"--pace-requests"});
            result = Measure((ports / "sorvel-sim").string(), "sorvel-sim");
        } else {
            // The same device and line in this process.
            sim::Communicator communicator;
            sim::Pty pty;
            sim::Line line(pty, communicator);
            line.SetLineSpeed(19200);
            line.SetRequestPacing(true);
            result = Measure(pty.SlavePath(), "the simulated line in process");
        }
        fs::remove_all(ports);
        return result;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
        return 2;
    }
}
