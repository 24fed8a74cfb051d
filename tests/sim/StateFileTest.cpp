// The device's state as sorvel-sim writes it for a program that cannot look into it reads back whole.
#include "sim/StateFile.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Clock.h"

TEST(StateFile, ReadsBackWhatTheDeviceHolds)
{
    platform::ManualClock clock;
    sim::DeviceProfile profile;
    profile.panel = sim::PanelKind::Bolid;
    profile.masterKey = "1234";
    profile.historyRecords = 30;
    profile.values = {{"GAPN0", "internet = \xE8\xED\xF2\xE5\xF0\xED\xE5\xF2"}};
    sim::Communicator device(profile, clock, 1'715'953'510);
    device.Answer("+BL\r");
    device.Answer("+BE\r");

    const sim::DeviceState state = sim::ParseState(sim::StateText(device, 25));
    EXPECT_EQ(state.profile.panel, sim::PanelKind::Bolid);
    EXPECT_EQ(state.profile.masterKey, "1234");
    EXPECT_EQ(state.profile.version, profile.version);
    EXPECT_EQ(state.values, device.Values());
    EXPECT_EQ(state.values.at("GAPN0"), profile.values.at("GAPN0"));
    ASSERT_EQ(state.history.size(), 25u);
    EXPECT_EQ(state.historyPointer, device.HistoryPointer());
    for (const auto& [number, record] : state.history) EXPECT_EQ(record, device.HistoryRecord(number)) << number;
    EXPECT_EQ(state.image, device.UploadedImage());
    EXPECT_EQ(state.firmwareWritten, device.FirmwareWritten());
    EXPECT_THROW(sim::ParseState("colour blue\n"), std::invalid_argument);
}
