// The program at a real line's timing: the forms controller connects and logs in, reads and writes every
// page, reads the history and uploads a firmware file through the real serial code to the simulated
// communicator at 19200 baud, both directions paced as a UART paces them, and with the faults real lines
// have. What the pages show must be what the device holds, and what the program reports written must be
// stored: both are held against the same exchanges with a copy of the device in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/fCommon.h"
#include "app/fGPRS.h"
#include "app/fHistory.h"
#include "app/fUpdateInsertion.h"
#include "app/fWays.h"
#include "link/DevCommands.h"
#include "platform/CalendarTime.h"
#include "platform/Text.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/app/ProgramFixture.h"
#include "tests/support/PageControls.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace programtest;
using namespace std::chrono_literals;
using namespace testsupport;
using Keys = std::set<std::string>;

// What the line does besides pacing every byte.
struct LineCondition {
    const char* name;
    std::function<void(sim::Line&)> apply;
};

const LineCondition kPaced{"Paced", [](sim::Line&) {}};
// As a USB adapter passes a line's bytes on.
const LineCondition kChunks{"Chunks", [](sim::Line& line) { line.SetChunking(16, 20ms); }};
const LineCondition kSplit{"SplitAtAnyByte", [](sim::Line& line) {
                               line.AddFault([](const std::string&) { return true; }, {sim::FaultKind::SplitAt, 0, 20ms}, -1);
                           }};
// The version reply's closing line break (after ">REV 11.005.120\r\nOK") comes 20 ms late: the login
// that follows the version must not take it for its answer.
const LineCondition kLateLineBreak{"VersionLineBreakLate", [](sim::Line& line) {
                                       line.AddFault("+v", {sim::FaultKind::SplitAt, 19, 20ms}, -1);
                                   }};
const LineCondition kEcho{"EchoOfEveryRequest", [](sim::Line& line) { line.SetEcho(true); }};
// One read's and one write's reply come twice, the copy right behind the first: it must answer nothing.
const LineCondition kTwice{"ApnRepliesTwice", [](sim::Line& line) {
                               line.AddFault("+GAPN0", {sim::FaultKind::Twice}, 1);
                               line.AddFault([](const std::string& r) { return r.starts_with("+GAPN1") && r.size() > 6; },
                                             {sim::FaultKind::Twice}, 1);
                           }};
// The access points' values hold "ok" ("BOOK"): a pause after the value must not end the reply there.
const LineCondition kPause{"PauseAfterApnValues", [](sim::Line& line) {
                               line.AddFault("+GAPN", {sim::FaultKind::Pause, 0, 150ms}, -1);
                           }};
// A write's request: the word and a value after it.
sim::Line::Predicate WriteOf(std::string word)
{
    return [word](const std::string& r) { return r.starts_with(word) && r.size() > word.size() + 1; };
}
// Through an adapter that passes bytes on in chunks of up to 8, a reply sent twice: a read's (its copy
// often whole in a chunk of its own, after the next request left) and a write's.
const LineCondition kTwiceInChunks{"InputRepliesTwiceInChunks", [](sim::Line& line) {
                                       line.SetChunking(8, 20ms);
                                       line.AddFault("+n00", {sim::FaultKind::Twice}, 1);
                                       line.AddFault(WriteOf("+n01"), {sim::FaultKind::Twice}, 1);
                                   }};
// A device that takes 40 ms over every request sends some replies a second time 20 ms later.
const LineCondition kTwiceApart{"SlowDeviceRepliesTwiceApart", [](sim::Line& line) {
                                    line.SetAnswerDelay(40ms);
                                    line.SetChunking(8, 20ms);
                                    for (const char* word : {"+n00", "+tamper", "+GAPN0", "+pwlog"})
                                        line.AddFault(word, {sim::FaultKind::Twice, 0, 20ms}, 2);
                                }};
// Bytes lost, replaced or added inside values, and noise before a reply: each once, so the retry reads
// the value whole.
const LineCondition kGarbled{"ValuesGarbledOnce", [](sim::Line& line) {
                                 line.AddFault("+o", {sim::FaultKind::Lost}, 1);
                                 line.AddFault("+n01", {sim::FaultKind::Lost}, 1);
                                 line.AddFault("+X", {sim::FaultKind::Corrupt}, 1);
                                 line.AddFault("+tamper", {sim::FaultKind::Corrupt}, 1);
                                 line.AddFault("+enaing", {sim::FaultKind::Corrupt}, 1);
                                 line.AddFault("+GAPN0", {sim::FaultKind::Corrupt}, 1);
                                 line.AddFault("+IPadr", {sim::FaultKind::Noise, 1}, 1);
                                 line.AddFault("+pwlog", {sim::FaultKind::Noise, 3}, 1);
                             }};

std::string ConditionName(const ::testing::TestParamInfo<LineCondition>& info) { return info.param.name; }

class LineTiming : public ProgramFixture {
protected:
    LineTiming() { Start(); }

    bool ConnectWith(const ConnectChoice& choice = Cable("sim-cable"))
    {
        AnswerConnect(choice);
        return controller->Connect();
    }
    TDeviceController& Dc() { return *controller->GetDeviceController(); }
    Reference Copy() { return Reference(cable->device.Profile(), scope.Clock(), kFloorMs, nullptr, &cable->device); }

    // What the pages a read-all or a write-all exchanges show, but the clock.
    Controls Shown() const { return ShownOn(controller->ExchangedPages()); }
    // The device's time passes on the manual clock in steps, each after a short real pause, so that the
    // program's waits see it pass as they poll; a pause in real time as long would take seconds.
    void TakeTime(std::uint32_t ms)
    {
        for (std::uint32_t done = 0; done < ms; done += 50) {
            scope.Clock().Advance(50);
            std::this_thread::sleep_for(500us);
        }
    }
    // The first `times` requests that start with `prefix` take `ms` of the device's time, and go unanswered
    // when `answer` is false. When each request came in, on the program's clock, is kept.
    void Slow(std::string prefix, int times, std::uint32_t ms, bool answer)
    {
        slow = times;
        cable->responder.SetGate([this, prefix, ms, answer](const std::string& request) {
            {
                const std::lock_guard lock(cameMutex);
                came.emplace_back(request, scope.Clock().NowMs());
            }
            if (!request.starts_with(prefix) || slow == 0) return true;
            --slow;
            TakeTime(ms);
            return answer;
        });
    }
    // When each request that starts with `prefix` came in, and the first after them that does not.
    std::vector<std::uint64_t> Arrivals(const std::string& prefix)
    {
        const std::lock_guard lock(cameMutex);
        std::vector<std::uint64_t> times;
        for (const auto& [request, at] : came) {
            if (request.starts_with(prefix)) times.push_back(at);
            else if (!times.empty()) return times.push_back(at), times;
        }
        return times;
    }
    std::mutex cameMutex;
    std::vector<std::pair<std::string, std::uint64_t>> came;
    ~LineTiming() override
    {
        if (cable) cable->responder.SetGate(nullptr);
    }
    std::atomic<int> slow{0};
};

// ------------------------------------------------------------------ connect and login

class LineTimingConnect : public LineTiming, public ::testing::WithParamInterface<LineCondition> {};

TEST_P(LineTimingConnect, TheRightKeyIsAcceptedEveryTimeAndAWrongOneRefused)
{
    AddCable(120);
    GetParam().apply(cable->line);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(ConnectWith()) << "connect " << i;
        EXPECT_TRUE(cable->device.LoggedIn());
        EXPECT_EQ(main->StatusText(TFormMain::PanelVersion), "REV 11.005.120");
        ASSERT_TRUE(user.Click(*main->tbDisconnect));  // resets the device: the next connect logs in afresh
        ASSERT_FALSE(cable->device.LoggedIn());
    }
    EXPECT_FALSE(Logged("Неверный мастер-ключ"));
    EXPECT_FALSE(ConnectWith(With(Cable("sim-cable"), [](ConnectChoice& c) { c.key = "4321"; })));
    EXPECT_FALSE(cable->device.LoggedIn());
    EXPECT_TRUE(Logged("Неверный мастер-ключ"));
    EXPECT_FALSE(Connected());
}

// The version's reply sent twice, at once or after the login went out; the login's own twice in chunks.
const LineCondition kVersionTwice{"VersionRepliedTwice", [](sim::Line& line) {
                                      line.AddFault("+v", {sim::FaultKind::Twice}, -1);
                                  }};
const LineCondition kVersionTwiceApart{"VersionRepliedTwiceApart", [](sim::Line& line) {
                                           line.AddFault("+v", {sim::FaultKind::Twice, 0, 10ms}, -1);
                                       }};
const LineCondition kLoginTwice{"LoginRepliedTwiceInChunks", [](sim::Line& line) {
                                    line.SetChunking(8, 20ms);
                                    line.AddFault("+id", {sim::FaultKind::Twice, 0, 5ms}, -1);
                                }};

INSTANTIATE_TEST_SUITE_P(Lines, LineTimingConnect,
                         ::testing::Values(kPaced, kChunks, kSplit, kLateLineBreak, kEcho, kVersionTwice,
                                           kVersionTwiceApart, kLoginTwice),
                         ConditionName);

// ------------------------------------------------------------------ every page read and written

struct PagesCase {
    const char* name;
    sim::PanelKind panel;
    LineCondition line;
};

class LineTimingPages : public LineTiming, public ::testing::WithParamInterface<PagesCase> {};

TEST_P(LineTimingPages, ReadAllShowsWhatTheDeviceHoldsAndWriteAllStoresWhatThePagesShow)
{
    sim::DeviceProfile profile = Profile(120, GetParam().panel);
    profile.historyRecords = 40;
    profile.values = {{"GAPN0", "internet.book.ru"}, {"GAPN1", "BOOK"}, {"gprsname1", "OKTELECOM"}};
    AddCable(profile);
    GetParam().line.apply(cable->line);
    ASSERT_TRUE(ConnectWith());

    controller->ReadAll();
    EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
    const Controls shown = Shown();
    Copy().ReadAll(controller->ExchangedPages());
    EXPECT_EQ(Changed(shown, Shown()), Keys{}) << "shown otherwise than the device holds";
    EXPECT_EQ(FormHistory->Store.Count(), HistoryPageSize);
    for (int i = 0; i < FormHistory->Store.Count(); ++i)
        EXPECT_EQ(FormHistory->Store.At(i).Record, platform::Cp1251ToUtf8(cable->device.HistoryRecord(FormHistory->Store.At(i).Number)));

    // The pages take another device's values, their choices shuffled; the write must store just what a
    // write without a line stores.
    sim::DeviceProfile other = profile;
    other.values = {{"GAPN0", "OKTELECOM"}, {"GAPN1", "internet.book.ru"}, {"o", "1A2B"}, {"phing0", "+79990001122"}};
    Reference(other, scope.Clock(), kFloorMs).ReadAll(controller->ExchangedPages());
    std::mt19937 random(7);
    std::vector<PageState> states;
    for (TformIncl* page : controller->ExchangedPages()) {
        Perturb(*page, random, false);
        states.emplace_back(*page);
    }
    Reference written = Copy();
    written.WriteAll(controller->ExchangedPages());
    for (std::size_t i = 0; i < states.size(); ++i) states[i].Restore(*controller->ExchangedPages()[i]);
    EXPECT_TRUE(written.dc.Errors.Empty()) << written.dc.Errors.Text();
    controller->WriteAll();
    EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
    EXPECT_EQ(Changed(written.device.Values(), cable->device.Values()), Keys{}) << "stored otherwise than written";
}

INSTANTIATE_TEST_SUITE_P(Panels, LineTimingPages,
                         ::testing::Values(PagesCase{"AltonikaPaced", sim::PanelKind::Altonika, kPaced},
                                           PagesCase{"BolidPaced", sim::PanelKind::Bolid, kPaced},
                                           PagesCase{"AltonikaChunks", sim::PanelKind::Altonika, kChunks},
                                           PagesCase{"BolidSplitAtAnyByte", sim::PanelKind::Bolid, kSplit},
                                           PagesCase{"AltonikaEcho", sim::PanelKind::Altonika, kEcho},
                                           PagesCase{"AltonikaApnRepliesTwice", sim::PanelKind::Altonika, kTwice},
                                           PagesCase{"BolidPauseAfterApnValues", sim::PanelKind::Bolid, kPause},
                                           PagesCase{"AltonikaInputRepliesTwiceInChunks", sim::PanelKind::Altonika, kTwiceInChunks},
                                           PagesCase{"BolidSlowDeviceRepliesTwiceApart", sim::PanelKind::Bolid, kTwiceApart},
                                           PagesCase{"AltonikaValuesGarbledOnce", sim::PanelKind::Altonika, kGarbled}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ a slow device, on the program's own time-outs

// How long the device takes over the first `times` requests for the first SIM's access point: a reply
// this long after the request (relative to the 10 s time-out), or none at all.
struct SlowCase {
    const char* name;
    bool write;
    std::optional<int> pastTimeoutMs;
    int times;
};

class LineTimingSlowDevice : public LineTiming, public ::testing::WithParamInterface<SlowCase> {};

constexpr int kPastTheLateWindowMs = TComPortWorker::LateReplyWindowMs + 500;

TEST_P(LineTimingSlowDevice, NoReplyIsCreditedToARequestItDoesNotAnswer)
{
    const SlowCase c = GetParam();
    controller->floorMs.reset();
    sim::DeviceProfile profile = Profile(120);
    profile.values = {{"GAPN0", "internet.book.ru"}};
    AddCable(profile);
    ASSERT_TRUE(ConnectWith());
    Slow("+GAPN0", c.times, TDevice::DefaultTimeoutFloorMs + c.pastTimeoutMs.value_or(kPastTheLateWindowMs),
         c.pastTimeoutMs.has_value());

    TformGPRS& page = *formGPRS;
    Keys differing;
    if (c.write) {
        Copy().ReadAll({&page});
        page.SimEdit(1, "Addr")->SetText("OKTELECOM");
        const PageState start(page);
        Reference written = Copy();
        written.WriteAll({&page});
        start.Restore(page);
        Dc().WriteForm(page);
        differing = Changed(written.device.Values(), cable->device.Values());
    } else {
        page.Clear();
        Dc().ReadForm(page);
        const Controls shown = ControlsOf(page);
        Copy().ReadAll({&page});
        differing = Changed(shown, ControlsOf(page));
    }
    EXPECT_EQ(slow, 0);
    if (c.times < TDevice::DefaultAttempts) {
        EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
        EXPECT_EQ(differing, Keys{});
    } else {
        EXPECT_EQ(Dc().Errors.Lines(), std::vector<std::string>{c.write ? "Ошибка при записи параметра \"Адрес APN\""
                                                                        : "Ошибка при чтении параметра \"Адрес APN SIM1\""});
        EXPECT_EQ(differing, Keys{c.write ? "GAPN0" : page.SimEdit(1, "Addr")->Name()});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, LineTimingSlowDevice,
    ::testing::Values(SlowCase{"ReadAnsweredWithinItsTimeout", false, -1000, 1},
                      SlowCase{"ReadLateWithinTheLateWindow", false, 1000, 1},
                      SlowCase{"ReadLateAtTheLateWindowsEnd", false, 1950, 1},
                      SlowCase{"ReadLatePastTheLateWindow", false, 2500, 1},
                      SlowCase{"ReadNeverAnsweredOnce", false, std::nullopt, 1},
                      SlowCase{"ReadNeverAnswered", false, std::nullopt, 3},
                      SlowCase{"WriteLatePastTheLateWindow", true, 2500, 1},
                      SlowCase{"WriteNeverAnswered", true, std::nullopt, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// The attempts of a group the device never answers follow each other at their time-outs: the retry of
// the same request need not wait for a late reply, which would answer it as well. Before the next group
// the line is listened to for the late reply.
TEST_F(LineTiming, ASilentGroupTakesItsThreeTimeOutsAndTheListeningBeforeTheNext)
{
    controller->floorMs.reset();
    AddCable(120);
    ASSERT_TRUE(ConnectWith());
    Slow("+GAPN0", TDevice::DefaultAttempts, 0, false);
    formGPRS->Clear();
    Dc().ReadForm(*formGPRS);
    const std::vector<std::uint64_t> at = Arrivals("+GAPN0");
    ASSERT_EQ(at.size(), TDevice::DefaultAttempts + 1u);
    for (std::size_t i = 1; i < TDevice::DefaultAttempts; ++i)
        EXPECT_LE(at[i] - at[i - 1], TDevice::DefaultTimeoutFloorMs + 400u) << "attempt " << i + 1;
    EXPECT_LE(at.back() - at.front(), TDevice::DefaultAttempts * TDevice::DefaultTimeoutFloorMs +
                                          TComPortWorker::LateReplyWindowMs + 800u);
}

// A device that answers in 300 ms answers one request later than its time-out and the listening after it
// (the cable worker's 500 ms on the tests' low floor, then as long again): its late reply comes into the
// retry's wait, the retry's own 300 ms behind it. Each answers its own request: nothing is shown that the
// device does not hold, and the refusal of the write after the late one is never shown as done.
class LineTimingLateFromAQuickDevice : public LineTiming, public ::testing::WithParamInterface<bool> {};

TEST_P(LineTimingLateFromAQuickDevice, ShiftsNothing)
{
    const bool write = GetParam();
    AddCable(120);
    ASSERT_TRUE(ConnectWith());
    cable->line.SetAnswerDelay(300ms);
    TformGPRS& page = *formGPRS;
    const sim::Fault late{sim::FaultKind::Late, 0, 1200ms};
    if (!write) {
        cable->line.AddFault("+GAPN0", late, 1);
        page.Clear();
        Dc().ReadForm(page);
        EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
        const Controls shown = ControlsOf(page);
        Copy().ReadAll({&page});
        EXPECT_EQ(Changed(shown, ControlsOf(page)), Keys{});
        return;
    }
    Copy().ReadAll({&page});
    page.SimEdit(1, "Addr")->SetText("OKTELECOM");
    page.SimEdit(1, "Login")->SetText("newlogin");
    const PageState start(page);
    Reference written = Copy();
    written.WriteAll({&page});
    start.Restore(page);
    cable->line.AddFault(WriteOf("+GAPN0"), late, 1);
    cable->line.AddFault(WriteOf("+gprsname0"), {sim::FaultKind::Nok}, TDevice::DefaultAttempts);
    Dc().WriteForm(page);
    EXPECT_EQ(Dc().Errors.Lines(), std::vector<std::string>{"Ошибка при записи параметра \"Логин для APN\""});
    EXPECT_EQ(Changed(written.device.Values(), cable->device.Values()), Keys{"gprsname0"});
}

INSTANTIATE_TEST_SUITE_P(Exchanges, LineTimingLateFromAQuickDevice, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "Write" : "Read"); });

// ------------------------------------------------------------------ failed reads, lost devices

// How many of the requests begin with the prefix.
long Starting(const std::vector<std::string>& requests, const std::string& prefix)
{
    return std::count_if(requests.begin(), requests.end(), [&](const std::string& r) { return r.starts_with(prefix); });
}

// A group whose read failed is not written back blank: the write names it, channels after an unread one
// stay where the device has them (their directions follow from it) and name it, until the user sets the
// group. Keys that leave the field as it was set nothing.
TEST_F(LineTiming, AGroupWhoseReadFailedIsHeldBackUntilTheUserSetsIt)
{
    sim::DeviceProfile profile = Profile(120);
    profile.values = {{"o", "1234"}, {"alphon3", "220002=84950000004"}};
    AddCable(profile);
    ASSERT_TRUE(ConnectWith());
    // Refused on every attempt; the history's read of the channels reads them again.
    cable->line.AddFault("+o", {sim::FaultKind::Nok}, TDevice::DefaultAttempts);
    cable->line.AddFault("+alphon2", {sim::FaultKind::Nok}, 2 * TDevice::DefaultAttempts);
    controller->ReadAll();
    controller->SelectPage(0);
    ui::TEdit& number = *FormCommon->etO;
    ASSERT_TRUE(user.Focus(number));
    for (const std::uint16_t key : {ui::VK_DOWN, ui::VK_BACK, ui::VK_DELETE, ui::VK_SPACE}) ASSERT_TRUE(user.PressKey(number, key));
    ASSERT_TRUE(user.TypeText(number, "\b "));
    controller->SelectPage(4);
    ASSERT_TRUE(user.TypeText(*formWays->etP[5], "7"));
    cable->line.ClearReceived();
    controller->WriteAll();
    const auto held = [](const std::string& group, const std::string& why) {
        return "Ошибка при записи параметра \"" + group + "\": не записан, так как " + why;
    };
    std::vector<std::string> lines{held("№ объекта", "не был прочитан с устройства"),
                                   held("Параметры направления 3", "не был прочитан с устройства")};
    for (int n = 4; n <= 8; ++n) lines.push_back(held("Параметры направления " + std::to_string(n), "канал 3 не прочитан"));
    EXPECT_EQ(Dc().Errors.Lines(), lines);
    EXPECT_EQ(Starting(cable->line.Requests(), "+o"), 0);
    EXPECT_EQ(Starting(cable->line.Requests(), "+alphon"), 2);
    EXPECT_EQ(cable->device.Value("o"), "1234") << "the number the field took on leaving is not sent";
    EXPECT_EQ(formWays->etP[3]->Text(), "84950000004") << "the channels stay where the device has them";

    // The channel the others wait for sets them free.
    controller->SelectPage(4);
    ASSERT_TRUE(user.TypeText(*formWays->etP[2], "5"));
    controller->SelectPage(0);
    number.SelectAll();
    ASSERT_TRUE(user.TypeText(number, "4321"));
    cable->line.ClearReceived();
    controller->WriteAll();
    EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
    EXPECT_EQ(cable->device.Value("o"), "4321");
    EXPECT_EQ(Starting(cable->line.Requests(), "+alphon"), 8);
}

// A device lost during a read-all or a write-all is named with the pages left, in the error window; the
// pages not read show nothing of it and the next write holds them back.
TEST_F(LineTiming, ADeviceLostMidOperationIsNamedWithThePagesLeft)
{
    AddCable(120);
    ASSERT_TRUE(ConnectWith());
    formWays->etP[0]->SetText("~");
    cable->line.AddFault("+gprsname0", {sim::FaultKind::Vanish, 3});
    CatchErrorWindow();
    controller->ReadAll();
    EXPECT_FALSE(Connected());
    EXPECT_EQ(errorLines, std::vector<std::string>{"Связь с устройством потеряна. Не прочитаны страницы: \"Настройка GPRS\", "
                                                   "\"Каналы связи\", \"Шлейфы\", \"Инженерные номера\", \"История\""});
    EXPECT_TRUE(Logged("Связь с устройством потеряна: "));
    EXPECT_EQ(formWays->etP[0]->Text(), "~") << "a page the read never reached stays as it was";
    EXPECT_EQ(formGPRS->SimEdit(1, "Login")->Text(), "") << "cleared before its read";
    controller->SavePagesToIni((folder / "kept.ini").string());
    std::ifstream kept(folder / "kept.ini");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(kept), {}).find("etP1=~"), std::string::npos);

    AddCable(120);
    ASSERT_TRUE(ConnectWith());
    controller->WriteAll();
    for (const char* word : {"+gprsname", "+lanena", "+alphon", "+X", "+phing"})
        EXPECT_EQ(Starting(cable->line.Requests(), word), 0) << word;
    EXPECT_FALSE(Sent("+erase")) << "no channel is written: the device keeps its history";

    controller->ReadAll();
    errorLines.clear();
    CatchErrorWindow();
    cable->line.AddFault("+lanena", {sim::FaultKind::Vanish, 3});
    controller->WriteAll();
    EXPECT_EQ(errorLines, std::vector<std::string>{"Связь с устройством потеряна. Не записаны страницы: \"Каналы связи\", "
                                                   "\"Шлейфы\", \"Инженерные номера\". История устройства уже очищена"});
}

// A second "Отключиться" and a close of the main window while a modem line hangs up wait for the first
// disconnect, which frees the modem worker once it is done with it.
TEST_F(LineTiming, ASecondDisconnectOrACloseDuringAModemHangUpWaitsForIt)
{
    AddModem();
    AnswerConnect(Modem("sim-modem", "5551234"));
    AnswerDial();
    ASSERT_TRUE(controller->Connect());
    bool posted = false;
    main->tvLog->OnAddition = [&](ui::TObject*, ui::TTreeNode* node) {
        if (node->Text() != "ATH" || std::exchange(posted, true)) return;
        ui::App().Post([this] {
            EXPECT_TRUE(user.Click(*main->tbDisconnect));
            EXPECT_TRUE(user.CloseForm(*main));
        });
    };
    ASSERT_TRUE(user.Click(*main->tbDisconnect));
    EXPECT_FALSE(modemLine->modem().CallUp());
    EXPECT_EQ(Starting(modemLine->line().Requests(), "ATH"), 1);
    user.Advance(1000);
    EXPECT_EQ(main->FormsController, nullptr) << "the close is carried out after the disconnect";
}

// Records of another length than 95 characters (a device with the M45PE16 flash chip keeps 9 fillers
// where others keep 12) are stored and shown; only a reply too short for the fields is a failed read.
TEST_F(LineTiming, HistoryRecordsOfAnyLengthHoldingTheFieldsAreStoredAndShown)
{
    sim::DeviceProfile profile = Profile(120);
    profile.historyRecords = 40;  // the latest page: records 8 .. 39
    AddCable(profile);
    cable->responder.edit = [](const std::string& request, const std::string& reply) {
        if (!request.starts_with("+read") || reply.size() < 96) return reply;
        const std::string record = reply.substr(1, 95);
        if (request == "+read0010") return ">" + record.substr(0, 80) + reply.substr(96);
        char check[3];
        std::snprintf(check, sizeof check, "%02X", (std::stoi(record.substr(93, 2), nullptr, 16) + 253) & 0xFF);
        return ">" + record.substr(0, 77) + record.substr(80, 13) + check + reply.substr(96);
    };
    ASSERT_TRUE(ConnectWith());
    controller->SelectPage(7);
    controller->ReadCurrent();
    EXPECT_EQ(FormHistory->Store.Count(), HistoryPageSize);
    ASSERT_NE(FormHistory->Store.Find(16), nullptr);
    EXPECT_TRUE(FormHistory->Store.Find(16)->Unread) << "the short one is kept as not read";
    EXPECT_EQ(Starting(cable->line.Requests(), "+read"), HistoryPageSize + TDevice::DefaultAttempts - 1)
        << "each record asked for once, the short one as often as a request may go";
    for (int row = 1; row <= HistoryPageSize; ++row) {
        const bool shortOne = FormHistory->StringGrid1->Cells(hcNumber, row) == "16";
        EXPECT_EQ(FormHistory->StringGrid1->Cells(shortOne ? hcEvent : hcRecordCheck, row), shortOne ? "Ошибка чтения записи" : "Да") << row;
    }
}

// A record the device does not give is never shown as an empty slot: its row says it was not read and
// why, the error window counts it, and every other record is the device's own. A silent device fails both
// records; a doubled reply fails those whose copy the line could not tell from an answer, and the rest
// are read right.
struct UnreadRecordCase {
    const char* name;
    sim::FaultKind fault;
    LineCondition line;
    const char* why;
    bool allFail;
};

class LineTimingUnreadRecords : public LineTiming, public ::testing::WithParamInterface<UnreadRecordCase> {};

TEST_P(LineTimingUnreadRecords, AreMarkedAndCountedAndEveryOtherRecordIsTheDevicesOwn)
{
    const UnreadRecordCase c = GetParam();
    sim::DeviceProfile profile = Profile(120);
    profile.historyRecords = 40;  // the latest page: records 8 .. 39
    AddCable(profile);
    c.line.apply(cable->line);
    ASSERT_TRUE(ConnectWith());
    for (const char* record : {"+read0014", "+read001E"}) cable->line.AddFault(record, {c.fault}, TDevice::DefaultAttempts);
    controller->SelectPage(7);
    CatchErrorWindow();
    controller->ReadCurrent();
    std::vector<std::string> named;
    for (int row = HistoryPageSize; row >= 1; --row) {
        const auto cell = [row](int column) { return FormHistory->StringGrid1->Cells(column, row); };
        const int number = std::stoi(cell(hcNumber));
        if (cell(hcEvent) == HistoryReadFailed) {
            EXPECT_TRUE(number == 20 || number == 30) << number;
            EXPECT_EQ(cell(hcMessage), c.why) << number;
            named.push_back("Ошибка при чтении параметра \"Запись истории " + std::to_string(number) + "\"");
            continue;
        }
        EXPECT_EQ(cell(hcRecordCheck), "Да") << number;
        EXPECT_EQ(FormHistory->Store.Find(number)->Record, platform::Cp1251ToUtf8(cable->device.HistoryRecord(number))) << number;
    }
    EXPECT_TRUE(!c.allFail || named.size() == 2u) << named.size();
    EXPECT_EQ(errorLines, named);
    EXPECT_EQ(errorCount, named.empty() ? "" : std::to_string(named.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LineTimingUnreadRecords,
    ::testing::Values(UnreadRecordCase{"Silent", sim::FaultKind::Silence, kPaced, "устройство не ответило", true},
                      UnreadRecordCase{"SilentChunks", sim::FaultKind::Silence, kChunks, "устройство не ответило", true},
                      UnreadRecordCase{"DoubledPaced", sim::FaultKind::Twice, kPaced, "пришло больше одного ответа", false},
                      UnreadRecordCase{"DoubledChunks", sim::FaultKind::Twice, kChunks, "пришло больше одного ответа", false}),
    [](const auto& info) { return std::string(info.param.name); });

// A device that goes in the middle of the text download: the records read before stay in the file, which
// names the record it stops at; the lost link is named as for any operation.
TEST_F(LineTiming, ADeviceLostMidDownloadLeavesTheRecordsReadInTheFile)
{
    sim::DeviceProfile profile = Profile(120);
    profile.historyRecords = 40;
    AddCable(profile);
    ASSERT_TRUE(ConnectWith());
    controller->SelectPage(7);
    FormHistory->btnStart->Show();
    cable->line.AddFault("+read0010", {sim::FaultKind::Vanish, 3});
    CatchErrorWindow();
    ASSERT_TRUE(user.Click(*FormHistory->btnStart));
    EXPECT_FALSE(Connected());
    ASSERT_EQ(errorLines.size(), 1u);
    EXPECT_TRUE(errorLines.front().starts_with("Связь с устройством потеряна")) << errorLines.front();
    const std::string text = platform::Cp1251ToUtf8(ReadFile(folder / "История.txt"));
    EXPECT_EQ(std::ranges::count(text, '\n'), 2 * (39 - 16) + 2) << "records 39 to 17 and the mark of 16";
    EXPECT_TRUE(text.starts_with("39 ")) << text.substr(0, 40);
    EXPECT_TRUE(text.ends_with("\r\n16  Ошибка чтения записи: связь с устройством потеряна\r\n\r\n"));
    ASSERT_FALSE(Boxes().empty());
    EXPECT_TRUE(Boxes().back().starts_with("Не удалось прочитать запись 16 истории (связь с устройством потеряна)")) << Boxes().back();
    EXPECT_EQ(EnabledFlags(FormHistory->btnStart, FormHistory->btnFinish, FormHistory->btnBackward), "000");
}

// ------------------------------------------------------------------ what a write cannot do, what it must send anew

// An empty text cannot clear a value; where the device holds none already (the second SIM's login) there is
// nothing to clear.
TEST_F(LineTiming, AnEmptyTextIsNoWriteAndIsNamedSo)
{
    sim::DeviceProfile profile = Profile(120);
    profile.values = {{"gprsname1", ""}};
    AddCable(profile);
    ASSERT_TRUE(ConnectWith());
    Copy().ReadAll({formGPRS});
    formGPRS->SimEdit(2, "Addr")->SetText("");  // "+GAPN1" alone: the very bytes of the read
    Dc().WriteForm(*formGPRS);
    EXPECT_EQ(Dc().Errors.Lines(), std::vector<std::string>{"Ошибка при записи параметра \"Адрес APN\": SIM 2: не записан: "
                                                            "получив пустой текст, устройство оставляет прежний"});
    EXPECT_TRUE(Logged("Значение не записано: на команду \"GAPN1\" устройство ответило значением"));
    EXPECT_EQ(cable->device.Value("GAPN1"), "internet.beeline.ru");
}

// Each attempt of the clock's write carries the time as it is when it goes out, after whatever listening
// came before it.
TEST_F(LineTiming, ClockRetriesSetTheTimeAsItIsWhenTheyGoOut)
{
    controller->floorMs.reset();
    AddCable(120);
    ASSERT_TRUE(ConnectWith());
    Slow("+AS", 2, 0, false);
    const std::time_t pc = SimDevice::kWallStart + 3600;
    Dc().Now = [pc] { return pc; };
    const std::uint64_t start = scope.Clock().NowMs();
    controller->SyncDeviceTime();
    const std::vector<std::uint64_t> at = Arrivals("+AS");
    std::vector<std::string> sent;
    for (const std::string& r : cable->line.Requests())
        if (r.starts_with("+AS")) sent.push_back(r.substr(1));
    ASSERT_EQ(sent.size(), 3u);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::time_t then = pc + static_cast<std::time_t>((at[i] - start) / 1000);
        EXPECT_EQ(sent[i], ClockCommandText(platform::UtcTime(then))) << "attempt " << i + 1;
    }
}

// ------------------------------------------------------------------ firmware from a file

class LineTimingUpload : public LineTiming, public ::testing::WithParamInterface<LineCondition> {
protected:
    LineTimingUpload() { formUpdateInsertion = scope.App().CreateForm<TformUpdateInsertion>("formUpdateInsertion"); }
    ~LineTimingUpload() override
    {
        ui::Free(formUpdateInsertion);
        formUpdateInsertion = nullptr;
    }
};

TEST_P(LineTimingUpload, AFirmwareFileReachesTheDeviceWhole)
{
    using namespace firmwaretest;
    constexpr std::size_t kRows = 37;  // five blocks, the last three rows short
    const std::vector<std::uint8_t> bytes = Bytes(kRows * 16, 3);
    const auto path = folder / "new.hex";
    std::ofstream(path, std::ios::binary) << HexFileText(kRows * 16, 3);
    AddCable(120);
    GetParam().apply(cable->line);
    ASSERT_TRUE(ConnectWith());
    scope.Services().AnswerModal([&](ui::TForm&) {
        formUpdateInsertion->etPath->SetText(path.string());
        ui::App().Post([this] { EXPECT_TRUE(user.Click(*formUpdateInsertion->KitDialogButtons1->ButtonOk())); });
    });
    const std::uint64_t start = scope.Clock().NowMs();
    controller->UpdateFirmwareFromFile();
    EXPECT_GE(scope.Clock().ElapsedSince(start), TUploadOptions{}.FinalWaitMs) << "the final wait on the program's clock";
    EXPECT_TRUE(cable->device.FirmwareWritten());
    EXPECT_EQ(cable->device.UploadedImage(), AsText(bytes) + std::string(3 * 16, '\xFF'));
    EXPECT_FALSE(Logged("ОШИБКА"));
    EXPECT_FALSE(Connected()) << "a device with a new firmware is connected afresh";
}

INSTANTIATE_TEST_SUITE_P(Lines, LineTimingUpload, ::testing::Values(kPaced, kChunks, kSplit), ConditionName);

// A device lost in the middle of an upload from a file, or of the connect, is named in the errors window
// in the interface's words; the log keeps the port's own.
TEST_F(LineTimingUpload, ADeviceLostDuringAnUploadOrTheConnectIsNamed)
{
    const auto path = folder / "new.hex";
    std::ofstream(path, std::ios::binary) << firmwaretest::HexFileText(37 * 16, 3);
    AddCable(120);
    ASSERT_TRUE(ConnectWith());
    cable->line.AddFault([](const std::string& r) { return r.starts_with("+W0010"); }, {sim::FaultKind::Vanish, 3});
    scope.Services().AnswerModal([&](ui::TForm&) {
        formUpdateInsertion->etPath->SetText(path.string());
        ui::App().Post([this] { EXPECT_TRUE(user.Click(*formUpdateInsertion->KitDialogButtons1->ButtonOk())); });
    });
    CatchErrorWindow();
    controller->UpdateFirmwareFromFile();
    EXPECT_EQ(errorLines, std::vector<std::string>{"Связь с устройством потеряна. Прошивка не загружена до конца"});
    EXPECT_FALSE(Connected());
    EXPECT_TRUE(Logged("Связь с устройством потеряна: "));

    errorLines.clear();
    AddCable(120);
    cable->line.VanishAfter(1);
    AnswerConnect(Cable("sim-cable"));
    CatchErrorWindow();
    EXPECT_FALSE(controller->Connect());
    EXPECT_EQ(errorLines, std::vector<std::string>{"Связь с устройством потеряна. Подключение не выполнено"});
    EXPECT_TRUE(Logged("Связь с устройством потеряна: "));
    EXPECT_FALSE(Connected());
}

}  // namespace
