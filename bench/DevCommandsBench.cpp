// Every read routine once, then every write routine once, through the real cable worker against
// sorvel-sim at 19200 baud: the time beside the time the same bytes need on the wire.
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/SimProcess.h"
#include "bench/WireLog.h"
#include "link/ComPortWorker.h"
#include "link/DevCommands.h"
#include "link/DevSorvel7QX1.h"

namespace {

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
        std::tm local{};
        localtime_r(&now, &local);
        return WriteClock(d, local, answer);
    });
    return out;
}

int Measure(const benchsupport::fs::path& folder)
{
    const benchsupport::SimProcess sim(folder / "ports");
    TComPortWorker worker(true, true);
    worker.Open(benchsupport::SimProcess::Port(folder / "ports").string(), br19200);
    benchsupport::WireLog wire;
    TDevSorvel7QX1 device(worker, &wire);
    const std::vector<Routine> reads = Reads(), writes = Writes();
    int failed = 0;
    const benchsupport::Lap lap = benchsupport::Timed(wire, [&] {
        for (const std::vector<Routine>* routines : {&reads, &writes})
            for (const Routine& r : *routines) failed += r(device) ? 0 : 1;
    });
    std::printf("%zu reads and %zu writes, %d failed\n", reads.size(), writes.size(), failed);
    benchsupport::LineFigure("every command read and written", lap);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main()
{
    return benchsupport::Guarded([] { return benchsupport::InProgramFolder("cbench", Measure); });
}
