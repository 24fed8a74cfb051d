// The fault soak: every page read and written, history pages and firmware uploads, through the real
// cable and modem workers over a pseudo-terminal, while the simulated line misbehaves at random (a fixed
// seed per shard) with every fault it knows: silence, "NOK", garbage, split, chunked, late, echoed,
// doubled and paused replies, lines that echo every request, a device that vanishes mid-pass, a dropped
// call. About a tenth of the exchanges run at 19200 baud both ways with the replies in uneven chunks;
// every connection logs in with the device's key, which must never be refused. Four shards of 1,500
// exchanges, each with its own seed, run side by side.
//
// What the program reports is checked against a fault-free run of the same operation on a copy of the
// device (in memory): a write reported done must have stored what the fault-free write stores, a read
// reported done must show what the fault-free read shows, and whatever differs must be named in the
// error list. Saving "current.ini" is killed at random points and must leave the old or the new file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/FirmwareUpload.h"
#include "app/FormAppMainController.h"
#include "app/fBolid.h"
#include "app/fHistory.h"
#include "app/fMain.h"
#include "link/DevCommands.h"
#include "link/ModemWorker.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "sim/FaultText.h"
#include "sim/Modem.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/PageControls.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/SimDevice.h"
#include "tests/support/TempFolder.h"
#include "ui/Application.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testsupport;
using Values = std::map<std::string, std::string>;
using Touched = std::map<std::string, std::set<std::string>>;  // group -> keys it changed

constexpr std::uint32_t kSeeds[] = {20240517, 20240518, 20240519, 20240520};
// The worker's own time-out and the device's floor lowered to it, on the soak's clock.
constexpr int kTimeoutMs = 300;
// At least this many per shard; SORVEL_SOAK_EXCHANGES asks for a longer run.
const std::size_t kMinExchanges =
    std::max<std::size_t>(1'500, std::getenv("SORVEL_SOAK_EXCHANGES") ? std::stoul(std::getenv("SORVEL_SOAK_EXCHANGES")) : 0);
// A random fault on about one request in this many.
constexpr double kFaultChance = 0.03;
// One round in this many (its uploads and modem call included) runs at the line's pace, in chunks: about
// a tenth of the exchanges. The rest go at once, or the soak would take many minutes.
constexpr int kPacedEvery = 9;

// ------------------------------------------------------------------ helpers

// The groups that have no line in the log, known by their first request, with the titles their
// failures are listed under (the read's, the write's).
constexpr std::tuple<const char*, const char*, const char*> kUnloggedGroups[] = {
    {"+masterkey", "Местер-ключ", "Мастер-ключ"},
    {"+P2", "Протокол IMEI ident", "Протокол IMEI ident"},
    {"+pxobj", "Номера подсистем", "Номера подсистем"},
    {"+addat", "Дополнительный автотест", "Дополнительный автотест"},
    {"+ipeqsim", "Привязка адреса к SIM карте", "Привязка адреса к SIM карте"},
};

// The group a log line or a request opens, for a read or a write: the text between the first and last
// double quote of a line that starts with the verb, or the title of an unlogged group; else empty.
std::string GroupOf(const std::string& line, bool reading)
{
    for (const auto& [request, read, write] : kUnloggedGroups)
        if (line.starts_with(request)) return reading ? read : write;
    if (!line.starts_with(std::string(reading ? "Читаю" : "Пишу") + " \"")) return {};
    const auto first = line.find('"');
    const auto last = line.rfind('"');
    return last > first ? line.substr(first + 1, last - first - 1) : std::string();
}

// Whether the error list names the group (an error line holds its name in double quotes; the SIM
// groups' errors spell "APN 1" as "APN1").
bool Named(const ui::TStringList& errors, std::string group)
{
    std::string text = errors.Text();
    std::erase(text, ' ');
    std::erase(group, ' ');
    return text.find("\"" + group + "\"") != std::string::npos;
}

// A port worker that counts the requests it wrote, so that the soak can wait until the simulated device
// has dealt with every one of them.
struct WriteCount {
    std::size_t writes = 0;
};
template <class Worker>
struct Counting final : Worker, WriteCount {
    using Worker::Worker;
    // Counted once sent: the resynchronisation before it waits for nothing the device owes.
    bool Write(const std::string& S) override
    {
        const bool sent = Worker::Write(S);
        ++writes;
        return sent;
    }
};

// Time for the workers and the simulated devices. While the device still owes an answer, a pause waits
// for input in real time as the manual clock does, so the silences that end a reply, a chunked line's
// gaps and a late reply are measured as a real line makes them; once the device has dealt with every
// request and nothing more can come (`settled`), a pause passes at once. A silent line costs almost
// nothing, a talking one its real time.
class SoakClock final : public platform::Clock {
public:
    std::uint64_t NowMs() const override { return now_.load(); }
    bool Pause(std::uint32_t ms, const ReadyProbe& ready = {}) override
    {
        const bool owed = !settled || !settled();
        if (ready && ready(owed ? std::min(ms, platform::ManualClock::kRealSliceMs) : 0)) return true;
        if (!ready) std::this_thread::yield();
        now_ += ms;
        return false;
    }
    std::function<bool()> settled;

private:
    std::atomic<std::uint64_t> now_{1'000'000};
};

// How a line carries the replies: at once, or at 19200 baud both ways, in the uneven chunks of a USB
// adapter: up to 64 bytes, or up to 8 (a reply then often ends where a chunk does).
enum class Pace { AtOnce, Line, SmallChunks };

void SetPace(sim::Line& line, Pace pace)
{
    line.SetLineSpeed(pace != Pace::AtOnce ? sim::Line::kDefaultBaud : 0);
    line.SetRequestPacing(pace != Pace::AtOnce);
    if (pace != Pace::AtOnce) line.SetChunking(pace == Pace::Line ? 64 : 8, 20ms);
}

// A byte lost from a text the device holds leaves a shorter text, which nothing in a reply tells from the
// real one (the protocol has no checksum): bytes are lost only from replies whose form fixes their length.
bool FixedLengthReply(const std::string& request)
{
    const TCommandWord* word = nullptr;
    for (const TCommandWord& w : CommandWords())
        if (request.starts_with("+" + std::string(w.Word)) && (word == nullptr || w.Word.size() > word->Word.size())) word = &w;
    if (word == nullptr || word->Read.Form.find('T') == std::string_view::npos) return true;
    const std::size_t index = word->Read.Index == TIndexForm::Hex4 ? 4 : word->Read.Index == TIndexForm::None ? 0 : 1;
    return request.size() != 1 + word->Word.size() + index;  // a write, answered "OK"
}

void SetFaults(sim::Line& line, std::vector<sim::Fault> pool, double chance, std::uint32_t seed)
{
    line.SetRandomFaults(std::move(pool), chance, seed);
    line.SetRandomFilter(sim::FaultKind::Lost, FixedLengthReply);
}

// The device on a fresh pseudo-terminal behind a cable worker.
struct CableLink {
    CableLink(sim::Communicator& device, platform::Clock& clock, Pace pace) : line(pty, device), worker(true, true, clock)
    {
        SetPace(line, pace);
        worker.OpenWithTimeout(pty.SlavePath(), br19200, kTimeoutMs);
    }
    sim::Pty pty;
    sim::Line line;
    Counting<TComPortWorker> worker;
};

// The device behind a simulated GSM modem, dialled by the modem worker.
struct ModemLink {
    ModemLink(sim::Communicator& device, platform::Clock& clock, Pace pace) : modem(device, clock), worker(clock)
    {
        SetPace(modem.line(), pace);
        worker.Open(modem.Path(), br19200);
        if (!worker.ResetModem() || !worker.CheckModem() || !worker.CheckRegistration() || !worker.Dial("5551234"))
            throw std::runtime_error("the simulated modem did not connect");
    }
    sim::ModemLine modem;
    Counting<TModemWorker> worker;
};

class SoakController final : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;
    bool DoConnect() override { return false; }
    std::unique_ptr<TLogWriter> CreateLog() override { return std::make_unique<RecordingLog>(); }
    RecordingLog& Groups() { return static_cast<RecordingLog&>(*Log); }
};

struct Tally {
    std::size_t exchanges = 0, paced = 0;
    int logins = 0, reads = 0, writes = 0, failedGroups = 0, linkFailures = 0, droppedCalls = 0;
    int historyRecords = 0, uploadsDone = 0, uploadsFailed = 0;
};

class FaultSoak : public ::testing::Test {
protected:
    FaultSoak()
    {
        ::setenv(platform::kProgramFolderVariable, temp.path.c_str(), 1);
        main->Show();
        controller = MakeFormsController<SoakController>(main, main->PagesPane, main->tv1);
        clock.settled = [this] { return Settled(); };
    }
    ~FaultSoak() override
    {
        Drop();
        controller.reset();
    }

    sim::Line& Line() { return modem ? modem->modem.line() : link->line; }
    TDeviceController& Dc() { return *controller->GetDeviceController(); }

    // Every fault of the simulated line with its default numbers, its late replies brought to the soak's
    // time-out as the defaults are to the program's 10 s floor (a reply late by up to that time-out and
    // two seconds more, in proportion).
    static std::vector<sim::Fault> FaultPool()
    {
        std::vector<sim::Fault> pool = sim::DefaultFaultPool();
        for (sim::Fault& fault : pool)
            if (fault.kind == sim::FaultKind::Late || fault.kind == sim::FaultKind::LateUpTo)
                fault.pause = fault.pause * kTimeoutMs / TDevice::DefaultTimeoutFloorMs;
        return pool;
    }

    // Counts what the line dealt with and lets the link go.
    void Drop()
    {
        if (controller->GetDeviceController() != nullptr) controller->SetDeviceController(nullptr);
        if (link || modem) tally.exchanges += Line().Answered();
        Watch(nullptr, nullptr);
        link.reset();
        modem.reset();
    }

    // The line whose requests the soak's clock waits for: always a fresh one, each request its worker wrote
    // one that the line owes. (A count of answers taken later may lag behind a reply already read, as the
    // line counts it only after its last byte; one answer short, the clock would run a wait out at once.)
    void Watch(sim::Line* line, WriteCount* count) { watched = {line, count}; }
    std::size_t Owed() const { return watched.count->writes; }
    bool Settled() const { return watched.line != nullptr && watched.line->Answered() >= Owed(); }
    // Waits until the device has dealt with every request sent (a late reply may still be due).
    void Settle()
    {
        if (!Line().WaitForAnswers(Owed(), 3000ms)) ADD_FAILURE() << "the simulated line did not settle";
    }

    // A new connection on a fresh port (the old one may have vanished): the handshake, the login with the
    // device's key and the version, without random faults but at the current pace; then the random
    // faults switched on.
    void Connect(bool byModem)
    {
        Drop();
        if (byModem) modem = std::make_unique<ModemLink>(device, clock, pace);
        else link = std::make_unique<CableLink>(device, clock, pace);
        Watch(&Line(), modem ? static_cast<WriteCount*>(&modem->worker) : &link->worker);
        // One line in four hears itself: every request comes back before its answer, the login's too.
        Line().SetEcho(random() % 4 == 0);
        TCommunication& comm = modem ? static_cast<TCommunication&>(modem->worker) : link->worker;
        auto dc = std::make_unique<TDeviceController>(comm, controller->Log.get());
        dc->Device().SetTimeoutFloor(kTimeoutMs);
        dc->Now = [] { return SimDevice::kWallStart + 3600; };
        ASSERT_TRUE(byModem || dc->CableConnect());
        ASSERT_TRUE(dc->MasterKeySupported());
        ++tally.logins;
        EXPECT_TRUE(dc->SendMasterKey(device.Value("masterkey").value_or(""))) << "the right key refused, connection " << connections;
        ASSERT_TRUE(dc->ReadVersion());
        controller->SetDeviceController(std::move(dc));
        controller->SetConnected(true);
        SetFaults(Line(), FaultPool(), kFaultChance, seed + static_cast<std::uint32_t>(connections++));
    }

    std::size_t Exchanges() { return tally.exchanges + (link || modem ? Line().Answered() : 0); }

    // Runs a page operation of the program; false when the link failed under it (then reconnected).
    bool Guarded(const std::function<void()>& operation)
    {
        try {
            operation();
            return true;
        } catch (const ELinkFailure&) {
            ++tally.linkFailures;
            Connect(modem != nullptr);
            return false;
        }
    }

    std::string Context(const TformIncl& page, const char* what)
    {
        return std::string(what) + " of " + page.Name() + " (seed " + std::to_string(seed) + ", exchange " +
               std::to_string(Exchanges()) + ")";
    }

    // The fault-free operation on a copy of the device as it stands; what `snapshot` sees change while
    // each group is exchanged, and what the reference's error list says.
    template <class Snapshot>
    Touched FaultFree(bool reading, Snapshot snapshot, const std::function<void(TDeviceController&)>& operation,
                      decltype(snapshot())& after, ui::TStringList& errors)
    {
        RecordingLog log;
        Reference ref(profile, clock, kTimeoutMs, &log, &device);
        ref.dc.Now = [] { return SimDevice::kWallStart + 3600; };
        refDevice = &ref.device;
        std::vector<std::pair<std::string, decltype(snapshot())>> marks;
        log.onInfo = log.onRequest = [&](const std::string& line) {
            const std::string group = GroupOf(line, reading);
            if (!group.empty()) marks.emplace_back(group, snapshot());
        };
        operation(ref.dc);
        log.onInfo = log.onRequest = nullptr;
        after = snapshot();
        refDevice = nullptr;
        errors = ref.dc.Errors;
        Touched touched;
        for (std::size_t i = 0; i < marks.size(); ++i)
            for (const std::string& key : Changed(marks[i].second, i + 1 < marks.size() ? marks[i + 1].second : after))
                touched[marks[i].first].insert(key);
        return touched;
    }

    // ---------------------------------------------------------------- a checked read

    void CheckedRead(TformIncl& page)
    {
        Settle();
        std::mt19937 perturb(random());
        Perturb(page, perturb, true);
        const PageState start(page);
        Controls expected;
        ui::TStringList refErrors;
        const Touched touched = FaultFree(true, [&] { return ControlsOf(page); }, [&](TDeviceController& dc) { dc.ReadForm(page); },
                                          expected, refErrors);

        // The same read through the faulty line, from the same starting state.
        start.Restore(page);
        Dc().ClearErrors();
        if (!Guarded([&] { Dc().ReadForm(page); })) return;
        ++tally.reads;
        const Controls shown = ControlsOf(page);
        tally.failedGroups += Dc().Errors.Count();
        // A write cut off by a lost link may leave the device holding what no read can show (channel types
        // that its GPRS settings, written first, no longer offer): the fault-free read names such a group,
        // and the faulty read must too.
        std::set<std::string> excused;  // what a group named in the error list set
        for (const auto& [group, keys] : touched)
            if (Named(Dc().Errors, group)) excused.insert(keys.begin(), keys.end());
            else EXPECT_FALSE(Named(refErrors, group)) << Context(page, "read") << ": group \"" << group << "\" not named";
        for (const auto& [group, keys] : touched) {
            for (const std::string& key : keys) {
                if (excused.contains(key) || TimeDependent(page.Name(), key)) continue;
                EXPECT_EQ(shown.at(key), expected.at(key))
                    << Context(page, "read") << ": group \"" << group << "\" reported read, control " << key
                    << "; errors: " << Dc().Errors.Text();
            }
        }
    }

    // ---------------------------------------------------------------- a checked write

    void CheckedWrite(TformIncl& page)
    {
        Settle();
        std::mt19937 perturb(random());
        Perturb(page, perturb, false);
        const PageState start(page);
        Values expected;
        ui::TStringList refErrors;
        const Touched touched = FaultFree(false, [&] { return refDevice->Values(); },
                                          [&](TDeviceController& dc) { dc.WriteForm(page); }, expected, refErrors);

        // The same write through the faulty line, from the same page (a write may tidy the page's values).
        start.Restore(page);
        Dc().ClearErrors();
        if (!Guarded([&] { Dc().WriteForm(page); })) return;
        ++tally.writes;
        Settle();
        const Values stored = device.Values();
        tally.failedGroups += Dc().Errors.Count();
        for (const std::string& key : Changed(expected, stored)) {
            std::vector<std::string> writers;
            for (const auto& [group, keys] : touched)
                if (keys.contains(key)) writers.push_back(group);
            EXPECT_FALSE(writers.empty()) << Context(page, "write") << ": the device holds " << key << "="
                                          << stored.at(key) << " that the fault-free write did not store";
            EXPECT_TRUE(writers.empty() || std::ranges::any_of(writers, [&](const std::string& g) {
                            return Named(Dc().Errors, g) || Named(refErrors, g);
                        }))
                << Context(page, "write") << ": " << key << " is " << stored.at(key) << ", not " << expected.at(key)
                << ", yet no group that writes it is in the error list: " << Dc().Errors.Text();
        }
    }

    // ---------------------------------------------------------------- history and upload

    // Every record the history page stored after its read is the device's record of that number.
    void CheckedHistory()
    {
        TFormHistory& page = *FormHistory;
        Settle();
        page.Store.Clear();
        if (!Guarded([&] { Dc().ReadForm(page); })) return;
        ++tally.reads;
        Settle();
        for (int i = 0; i < page.Store.Count(); ++i) {
            const THistoryEntry& entry = page.Store.At(i);
            if (entry.Unread) {
                EXPECT_TRUE(Named(Dc().Errors, "Запись истории " + std::to_string(entry.Number)))
                    << "history record " << entry.Number << " not read yet not named (seed " << seed << ")";
                continue;
            }
            EXPECT_EQ(entry.Record, platform::Cp1251ToUtf8(device.HistoryRecord(entry.Number)))
                << "history record " << entry.Number << " (seed " << seed << ", exchange " << Exchanges() << ")";
            ++tally.historyRecords;
        }
    }

    // An upload to a device of its own on a faulty line: done means the device holds the whole image.
    void CheckedUpload(int round)
    {
        sim::Communicator target{Profile(120), clock, SimDevice::kWallStart};
        CableLink line(target, clock, pace);
        SetFaults(line.line, FaultPool(), kFaultChance * 2, seed + 1000 + static_cast<std::uint32_t>(round));
        const auto mainWatch = watched;
        Watch(&line.line, &line.worker);
        TDevSorvel7QX1 dev(line.worker, nullptr);
        dev.SetTimeoutFloor(kTimeoutMs);
        TDeviceBootSender sender(dev);
        TUploadObserver observer;
        const std::atomic<bool> stop{false};
        const int rows = 48 + (round % 4) * 16;
        const auto blocks = BlocksFromImage(firmwaretest::ImageLines(rows, "REV 11.005.121", round + 1)).Blocks;
        TUploadResult result = TUploadResult::LinkFailed;
        try {
            result = UploadFirmware(sender, blocks, observer, stop, {.FinalWaitMs = 300, .FinalTickMs = 150, .Clock = &clock});
        } catch (const ELinkFailure&) {
            ++tally.linkFailures;
        }
        if (!line.line.WaitForAnswers(Owed(), 3000ms)) ADD_FAILURE() << "upload " << round << ": the line did not settle";
        tally.exchanges += line.line.Answered();
        watched = mainWatch;
        ++(result == TUploadResult::Done ? tally.uploadsDone : tally.uploadsFailed);
        if (result != TUploadResult::Done) return;
        EXPECT_TRUE(target.FirmwareWritten()) << "upload " << round << " reported done";
        EXPECT_EQ(target.UploadedImage(), firmwaretest::AsText(firmwaretest::Bytes(static_cast<std::size_t>(rows) * 16, round + 1)))
            << "upload " << round << " reported done";
    }

    // One pass over every page: each read and each writable page written, in a random order. Now and then
    // a burst: the next three requests of one command word all get the same fault, so that the retries
    // cannot save its group and the error list must name it.
    void PagePass()
    {
        std::vector<TformIncl*> pages = controller->Pages();
        std::shuffle(pages.begin(), pages.end(), random);
        const std::vector<std::string> words = device.Words();
        const std::vector<sim::Fault> pool = FaultPool();
        for (TformIncl* page : pages) {
            if (random() % 4 == 0) {
                const std::string prefix = "+" + words[random() % words.size()];
                Line().AddFault([prefix](const std::string& r) { return r.starts_with(prefix) && FixedLengthReply(r); },
                                pool[random() % pool.size()], TDevice::DefaultAttempts);
            }
            if (ui::Is<TFormHistory>(page)) {
                CheckedHistory();
            } else if (ui::Is<TformBolid>(page)) {
                Guarded([&] { Dc().ReadForm(*page); });  // a live text: nothing stored to compare with
            } else {
                CheckedWrite(*page);
                CheckedRead(*page);
            }
            if (::testing::Test::HasFailure()) return;
        }
    }

    // A pass through the modem, whose call drops under a request drawn at random.
    void ModemPass()
    {
        Connect(true);
        ASSERT_FALSE(HasFatalFailure());
        controller->Groups().onRequest = [this, countdown = random() % 60 + 1](const std::string& request) mutable {
            if (--countdown == 0 && modem) modem->modem.modem().DropCallOn(request.substr(0, 3));
        };
        const int failures = tally.linkFailures;
        PagePass();
        controller->Groups().onRequest = nullptr;
        tally.droppedCalls += tally.linkFailures - failures;
        Connect(false);
    }

    ui::ApplicationScope scope;
    SoakClock clock;
    TempFolder temp;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    std::unique_ptr<SoakController> controller;
    std::uint32_t seed = kSeeds[0];
    const sim::DeviceProfile profile = Profile(120, sim::PanelKind::Bolid);
    sim::Communicator device{profile, clock, SimDevice::kWallStart};
    const sim::Communicator* refDevice = nullptr;  // the copy a fault-free write runs on
    std::unique_ptr<CableLink> link;
    struct {
        sim::Line* line = nullptr;
        WriteCount* count = nullptr;
    } watched;
    Pace pace = Pace::Line;
    std::unique_ptr<ModemLink> modem;
    std::mt19937 random{kSeeds[0]};
    int connections = 0;
    Tally tally;
};

class FaultSoakShard : public FaultSoak, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(FaultSoakShard, PagesHistoryAndUploadsSurviveARandomlyFaultyLine)
{
    seed = GetParam();
    random.seed(seed);
    Connect(false);
    ASSERT_FALSE(HasFatalFailure());
    int round = 0;
    while (Exchanges() < kMinExchanges && !HasFailure()) {
        // Now and then the device vanishes in the middle of a pass, and the program reconnects to a new one.
        const std::size_t before = Exchanges();
        // this line's and the next connections'
        pace = round % kPacedEvery != 0 ? Pace::AtOnce : round % (2 * kPacedEvery) == 0 ? Pace::Line : Pace::SmallChunks;
        SetPace(Line(), pace);
        if (round % 4 == 3) Line().VanishAfter(random() % 80);
        PagePass();
        if (round % 3 == 0) CheckedUpload(round / 3);
        if (round % 5 == 4) ModemPass();
        ASSERT_FALSE(HasFatalFailure());
        if (pace != Pace::AtOnce) tally.paced += Exchanges() - before;
        ++round;
    }
    Drop();
    std::printf("fault soak, seed %u: %zu exchanges (%zu at the line's pace), %d logins, %d reads, %d writes, %d failed "
                "groups named, %d link failures, %d dropped calls, %d history records, %d uploads done, %d failed\n",
                seed, tally.exchanges, tally.paced, tally.logins, tally.reads, tally.writes, tally.failedGroups,
                tally.linkFailures, tally.droppedCalls, tally.historyRecords, tally.uploadsDone, tally.uploadsFailed);
    EXPECT_GE(tally.exchanges, kMinExchanges);
    EXPECT_GT(tally.failedGroups, 0) << "the faults never reached the error list";
    EXPECT_GT(tally.linkFailures, 0) << "no port ever vanished";
    EXPECT_GT(tally.droppedCalls, 0) << "no modem call ever dropped";
    EXPECT_GT(tally.paced, 0u) << "no exchange at the line's pace";
}

INSTANTIATE_TEST_SUITE_P(Seeds, FaultSoakShard, ::testing::ValuesIn(kSeeds),
                         [](const auto& info) { return "Seed" + std::to_string(info.param); });

// ------------------------------------------------------------------ current.ini

TEST_F(FaultSoak, CurrentIniIsNeverLeftHalfWritten)
{
    const fs::path current = TFormsController::CurrentIniName();
    const fs::path expected = temp.path / "expected.ini";
    std::mt19937 choices(seed);
    controller->SavePagesToIni(current.string());

    // A program killed at a random moment of its save leaves the old file or the new one, never a mix.
    const auto timed = std::chrono::steady_clock::now();
    controller->SavePagesToIni(expected.string());
    const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - timed).count();
    for (int i = 0; i < 40; ++i) {
        const std::string old = ReadFile(current);
        for (TformIncl* page : controller->Pages()) Perturb(*page, choices, false);
        controller->SavePagesToIni(expected.string());
        const std::string fresh = ReadFile(expected);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            controller->SavePagesToIni(current.string());
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(choices() % static_cast<unsigned>(2 * saveUs + 200)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = ReadFile(current);
        EXPECT_TRUE(now == old || now == fresh) << "kill " << i << " left " << now.size() << " bytes";
        if (now != fresh) controller->SavePagesToIni(current.string());
    }
}

}  // namespace
