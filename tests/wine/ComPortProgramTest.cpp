// The Windows program against sorvel-sim behind a COM port under Wine, driven at the level of its windows'
// model as the whole-program tests drive it: it connects by cable and logs in, reads every page and a
// history page, downloads the history text, writes every page and uploads a firmware file, over the
// Windows serial driver at the line's own pace. What the pages show must be what the simulator holds, and
// what the program writes must be what it stores: both are held against a copy of the device in memory
// that starts where the simulator's state file says it stands. scripts/test-windows runs this on a plain
// line and with the simulator's faults (late, doubled and silent replies), and runs the vanishing device
// apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/fHistory.h"
#include "app/fUpdateInsertion.h"
#include "app/HistoryReader.h"
#include "platform/Text.h"
#include "platform/WholeFile.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/app/ProgramBase.h"
#include "tests/support/PageControls.h"
#include "tests/support/SimProfile.h"
#include "tests/wine/SimPort.h"

namespace {

using namespace programtest;
using namespace testsupport;

class ComPortProgram : public ProgramBase {
protected:
    ComPortProgram()
    {
        Start();
        // The program's own time-outs: a fault costs what it costs a user.
        controller->floorMs.reset();
        formUpdateInsertion = scope.App().CreateForm<TformUpdateInsertion>("formUpdateInsertion");
    }
    ~ComPortProgram() override
    {
        FreeMain();
        ui::Free(formUpdateInsertion);
        formUpdateInsertion = nullptr;
    }

    bool Connect()
    {
        AnswerConnect(Cable(comport::SimPort()));
        return controller->Connect();
    }
    TDeviceController& Dc() { return *controller->GetDeviceController(); }
    // A copy of the device in memory where the simulator stands now.
    static sim::Communicator& Copied(sim::Communicator& copy, const sim::DeviceState& state)
    {
        for (const auto& [key, value] : state.values) copy.SetValue(key, value);
        return copy;
    }
    // The pages a read-all or a write-all exchanges but the history, which is held against the simulator's
    // records themselves (the copy's history is its own).
    std::vector<TformIncl*> Pages() const
    {
        std::vector<TformIncl*> pages = controller->ExchangedPages();
        std::erase(pages, FormHistory);
        return pages;
    }
    Controls Shown() const { return ShownOn(Pages()); }
};

TEST_F(ComPortProgram, ShowsAndStoresWhatTheDeviceHoldsAndUploadsAFirmwareFile)
{
    SKIP_WITHOUT_SIM();
    ASSERT_TRUE(Connect());
    sim::DeviceState state = comport::SimState();
    EXPECT_TRUE(state.loggedIn);
    EXPECT_EQ(main->StatusText(TFormMain::PanelVersion), state.profile.version);

    // Every page and the newest history page.
    controller->ReadAll();
    EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
    ASSERT_EQ(FormHistory->Store.Count(), HistoryPageSize);
    for (int i = 0; i < FormHistory->Store.Count(); ++i) {
        const THistoryEntry& record = FormHistory->Store.At(i);
        ASSERT_TRUE(state.history.contains(record.Number)) << record.Number;
        EXPECT_EQ(record.Record, platform::Cp1251ToUtf8(state.history.at(record.Number))) << record.Number;
    }
    const Controls shown = Shown();
    sim::Communicator device(state.profile, scope.Clock(), kSimWallStart);
    Reference(state.profile, scope.Clock(), kFloorMs, nullptr, &Copied(device, state)).ReadAll(Pages());
    EXPECT_EQ(Changed(shown, Shown()), std::set<std::string>{}) << "shown otherwise than the device holds";

    // The history text, newest first: the decoded line, then the record as read.
    controller->SelectPage(7);
    FormHistory->btnStart->Show();
    ASSERT_TRUE(user.Click(*FormHistory->btnStart));
    const std::string text = platform::ReadWholeFile(folder / HistoryTextFileName, 1 << 24);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    ASSERT_EQ(lines.size(), 2 * static_cast<std::size_t>(state.historyPointer));
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        const int number = state.historyPointer - 1 - static_cast<int>(i / 2);
        EXPECT_TRUE(lines[i].starts_with(std::to_string(number) + " ")) << lines[i];
        EXPECT_EQ(lines[i + 1], state.history.at(number));
    }
    ASSERT_FALSE(Boxes().empty());
    EXPECT_TRUE(Boxes().back().starts_with("История выгружена")) << Boxes().back();

    // The pages take another device's values, their choices shuffled; the write must store just what a
    // write without a line stores.
    sim::DeviceProfile other = state.profile;
    other.values = {{"GAPN0", "OKTELECOM"}, {"GAPN1", "internet.book.ru"}, {"o", "1A2B"}, {"phing0", "+79990001122"}};
    Reference(other, scope.Clock(), kFloorMs).ReadAll(Pages());
    std::mt19937 random(7);
    std::vector<PageState> states;
    for (TformIncl* page : Pages()) {
        Perturb(*page, random, false);
        states.emplace_back(*page);
    }
    state = comport::SimState();
    sim::Communicator before(state.profile, scope.Clock(), kSimWallStart);
    Reference written(state.profile, scope.Clock(), kFloorMs, nullptr, &Copied(before, state));
    written.WriteAll(Pages());
    for (std::size_t i = 0; i < states.size(); ++i) states[i].Restore(*Pages()[i]);
    EXPECT_TRUE(written.dc.Errors.Empty()) << written.dc.Errors.Text();
    controller->WriteAll();
    EXPECT_TRUE(Dc().Errors.Empty()) << Dc().Errors.Text();
    EXPECT_EQ(Changed(written.device.Values(), comport::SimState().values), std::set<std::string>{})
        << "stored otherwise than written";

    // A firmware file, to its end; the device then comes back with the new firmware.
    constexpr std::size_t kRows = 37;  // five blocks, the last three rows short
    const auto hexFile = folder / "new.hex";
    platform::ReplaceFileContents(hexFile, firmwaretest::HexFileText(kRows * 16, 3));
    scope.Services().AnswerModal([&](ui::TForm&) {
        formUpdateInsertion->etPath->SetText(platform::PathToUtf8(hexFile));
        ui::App().Post([this] { EXPECT_TRUE(user.Click(*formUpdateInsertion->KitDialogButtons1->ButtonOk())); });
    });
    controller->UpdateFirmwareFromFile();
    state = comport::SimState();
    EXPECT_TRUE(state.firmwareWritten);
    EXPECT_EQ(state.image, firmwaretest::AsText(firmwaretest::Bytes(kRows * 16, 3)) + std::string(3 * 16, '\xFF'));
    EXPECT_FALSE(Logged("ОШИБКА"));
    EXPECT_FALSE(Connected()) << "a device with a new firmware is connected afresh";
}

// Run against a simulator that vanishes in the middle of the read: the loss is named with the pages left.
TEST_F(ComPortProgram, ADeviceThatVanishesMidReadIsNamedWithThePagesLeft)
{
    SKIP_WITHOUT_SIM();
    ASSERT_TRUE(Connect());
    CatchErrorWindow();
    controller->ReadAll();
    EXPECT_FALSE(Connected());
    ASSERT_EQ(errorLines.size(), 1u);
    EXPECT_TRUE(errorLines.front().starts_with("Связь с устройством потеряна. Не прочитаны страницы: ")) << errorLines.front();
    EXPECT_TRUE(Logged("Связь с устройством потеряна: ")) << "the port's own words in the log";
}

}  // namespace
