#include "app/FirmwareUpload.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/ComPortWorker.h"
#include "link/DevSorvel7QX1.h"
#include "link/MyExceptions.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/LoopbackComm.h"

namespace {

using namespace firmwaretest;
using testsupport::LoopbackComm;

class Recorder final : public TUploadObserver {
public:
    void Stage(TUploadStage s) override { stages.push_back(s); }
    void Step() override
    {
        ++steps;
        if (onStep) onStep(steps);
    }
    void Sent() override { ++sent; }
    void Idle() override { ++idles; }

    std::vector<TUploadStage> stages;
    int steps = 0;
    int sent = 0;
    int idles = 0;
    std::function<void(int)> onStep;
};

std::vector<TFirmwareBlock> BlocksOf(int rows)
{
    return BlocksFromImage(ImageLines(rows)).Blocks;
}

class FirmwareUploadTest : public ::testing::Test {
protected:
    TUploadResult Run(const std::vector<TFirmwareBlock>& blocks)
    {
        return UploadFirmware(sender, blocks, observer, stop, options);
    }
    // The script answers these commands (by prefix) with a failed send every time.
    void Refuse(const std::string& prefix)
    {
        sender.Script = [prefix](const std::string& cmd) -> ScriptedSender::Answer {
            if (cmd.starts_with(prefix)) return std::pair{false, std::string()};
            return std::nullopt;
        };
    }

    platform::ManualClock clock;
    sim::Communicator device{{}, clock};
    LoopbackComm comm{device, clock};
    TDevSorvel7QX1 dev{comm, nullptr};
    TDeviceBootSender real{dev};
    ScriptedSender sender{&real};
    Recorder observer;
    std::atomic<bool> stop{false};
    TUploadOptions options{.LogIt = false, .FinalWaitMs = 15'000, .FinalTickMs = 150, .Clock = &clock};
};

}  // namespace

TEST_F(FirmwareUploadTest, WholeImageArrivesInOrderAndTheLanesAgree)
{
    const std::uint64_t start = clock.NowMs();
    ASSERT_EQ(Run(BlocksOf(20)), TUploadResult::Done);
    EXPECT_TRUE(device.FirmwareWritten());  // the simulator refuses "EE" with wrong lanes
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(20 * 16)));
    const std::vector<std::string> sent = sender.Sent();
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[0], "BL");
    EXPECT_EQ(sent[1], "v");
    EXPECT_EQ(sent[2], "BE");
    EXPECT_TRUE(sent[3].starts_with("W0000:"));
    EXPECT_TRUE(sent[4].starts_with("W0008:"));
    EXPECT_TRUE(sent[5].starts_with("W0010:"));
    EXPECT_TRUE(sent[6].starts_with("EE"));
    EXPECT_EQ(observer.stages, (std::vector<TUploadStage>{TUploadStage::EnteringBootloader, TUploadStage::Erasing,
                                                          TUploadStage::Loading, TUploadStage::Loading,
                                                          TUploadStage::Loading, TUploadStage::Flashing}));
    EXPECT_EQ(observer.steps, 2 + 3 + 99);  // after "BL", after "BE", per block, every 150 ms of the wait
    EXPECT_EQ(observer.sent, 7);
    EXPECT_GE(clock.NowMs() - start, 15'000u);
    for (const bool logged : sender.LogFlags()) EXPECT_FALSE(logged);
}

TEST_F(FirmwareUploadTest, BlockAnsweredWithAnotherNumberIsSentAgain)
{
    bool wrongOnce = true;
    sender.Script = [&](const std::string& cmd) -> ScriptedSender::Answer {
        if (cmd.starts_with("W0008") && std::exchange(wrongOnce, false)) return std::pair{true, "0010\r\nOK\r\n"};
        return std::nullopt;
    };
    EXPECT_EQ(Run(BlocksOf(24)), TUploadResult::Done);
    EXPECT_EQ(sender.Count("W0008"), 2);
    EXPECT_EQ(sender.Count("W0000"), 1);
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(24 * 16)));
}

TEST_F(FirmwareUploadTest, SilentBlockIsRetriedOverTheLine)
{
    options.FinalWaitMs = 0;
    int blocks = 0;
    sender.Script = [&](const std::string& cmd) -> ScriptedSender::Answer {
        if (cmd.starts_with("W") && ++blocks == 2) comm.FailNext(LoopbackComm::Fault::Silence, 2);
        return std::nullopt;
    };
    EXPECT_EQ(Run(BlocksOf(24)), TUploadResult::Done);
    EXPECT_EQ(sender.Count("W0008"), 3);
    EXPECT_TRUE(device.FirmwareWritten());
}

TEST_F(FirmwareUploadTest, BlockFailingThreeTimesEndsTheUpload)
{
    Refuse("W0008");
    EXPECT_EQ(Run(BlocksOf(24)), TUploadResult::BlockFailed);
    EXPECT_EQ(sender.Count("W0008"), 3);
    EXPECT_EQ(sender.Count("W0010"), 0);
    EXPECT_EQ(sender.Count("EE"), 0);
    EXPECT_FALSE(device.FirmwareWritten());
}

TEST_F(FirmwareUploadTest, OnlyABootloaderThatNamesItselfIsErased)
{
    struct Case {
        bool ok;
        const char* reply;
        TUploadResult result;
    };
    options.FinalWaitMs = 0;
    for (const Case& c : {Case{true, "REV 11.005.120\r\nOK\r\n", TUploadResult::NoBootloader},
                          Case{false, "BootLdr v1.0\r\n", TUploadResult::Done}}) {
        sender.Script = [c](const std::string& cmd) -> ScriptedSender::Answer {
            if (cmd == "v") return std::pair{c.ok, std::string(c.reply)};
            return std::nullopt;
        };
        const int before = sender.Count("v");
        EXPECT_EQ(Run(BlocksOf(8)), c.result) << c.reply;
        EXPECT_EQ(sender.Count("v") - before, c.result == TUploadResult::Done ? 1 : 3) << c.reply;
        EXPECT_EQ(sender.Count("BE"), c.result == TUploadResult::Done ? 1 : 0) << c.reply;
    }
}

TEST_F(FirmwareUploadTest, BootloaderAnsweringLateIsTakenOnTheThirdTry)
{
    int tries = 0;
    sender.Script = [&](const std::string& cmd) -> ScriptedSender::Answer {
        if (cmd == "v" && ++tries < 3) return std::pair{false, std::string()};
        return std::nullopt;
    };
    options.FinalWaitMs = 0;
    EXPECT_EQ(Run(BlocksOf(8)), TUploadResult::Done);
    EXPECT_EQ(sender.Count("v"), 3);
}

TEST_F(FirmwareUploadTest, FailedEraseWritesNothing)
{
    Refuse("BE");
    EXPECT_EQ(Run(BlocksOf(8)), TUploadResult::NoBootloader);
    EXPECT_EQ(sender.Count("BE"), 1);
    EXPECT_EQ(sender.Count("W"), 0);
}

TEST_F(FirmwareUploadTest, ClosingFailingThreeTimesIsNoSuccess)
{
    const std::uint64_t start = clock.NowMs();
    Refuse("EE");
    EXPECT_EQ(Run(BlocksOf(8)), TUploadResult::FinishFailed);
    EXPECT_EQ(sender.Count("EE"), 3);
    EXPECT_LT(clock.NowMs() - start, 15'000u);  // no final wait
}

TEST_F(FirmwareUploadTest, StopEndsTheUploadBeforeTheNextSend)
{
    observer.onStep = [&](int steps) {
        if (steps == 3) stop = true;  // after the first block
    };
    EXPECT_EQ(Run(BlocksOf(24)), TUploadResult::Stopped);
    const std::vector<std::string> sent = sender.Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(sent.back().starts_with("W0000"));
    EXPECT_EQ(sender.Count("W"), 1);
}

TEST_F(FirmwareUploadTest, StopDuringTheFinalWaitIsNoSuccess)
{
    observer.onStep = [&](int steps) {
        if (steps == 10) stop = true;
    };
    EXPECT_EQ(Run(BlocksOf(8)), TUploadResult::Stopped);
    EXPECT_EQ(observer.steps, 10);
}

TEST_F(FirmwareUploadTest, StoppedBeforeItStartsSendsNothing)
{
    stop = true;
    EXPECT_EQ(Run(BlocksOf(8)), TUploadResult::Stopped);
    EXPECT_TRUE(sender.Sent().empty());
}

TEST_F(FirmwareUploadTest, NothingToSendTouchesNothing)
{
    EXPECT_EQ(Run({}), TUploadResult::BadImage);
    EXPECT_TRUE(sender.Sent().empty());
    EXPECT_FALSE(device.InBootloader());
}

TEST_F(FirmwareUploadTest, LostLinkPassesOn)
{
    comm.FailNext(LoopbackComm::Fault::Vanish);
    EXPECT_THROW(Run(BlocksOf(8)), ELinkFailure);
}

TEST(FirmwareUploadLine, WholeImageOverAPseudoTerminal)
{
    sim::Communicator device;
    sim::Pty pty;
    sim::Line line(pty, device);
    TComPortWorker worker(true, true);
    worker.Open(pty.SlavePath(), br19200);
    TDevSorvel7QX1 dev(worker, nullptr);
    TDeviceBootSender sender(dev);
    platform::ManualClock waitClock;
    Recorder observer;
    const std::atomic<bool> stop{false};
    const int rows = 1024;

    const TUploadResult result = UploadFirmware(sender, BlocksOf(rows), observer, stop,
                                                {.FinalWaitMs = 15'000, .Clock = &waitClock});

    ASSERT_EQ(result, TUploadResult::Done);
    EXPECT_TRUE(device.FirmwareWritten());
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(rows * 16)));
    const std::vector<std::string> requests = line.Requests();
    ASSERT_EQ(requests.size(), 3u + rows / 8 + 1);
    EXPECT_EQ(requests[0], "+BL");
    EXPECT_EQ(requests[1], "+v");
    EXPECT_EQ(requests[2], "+BE");
    for (int b = 0; b < rows / 8; ++b)
        EXPECT_TRUE(requests[3 + static_cast<std::size_t>(b)].starts_with("+W" + BlockNumberText(b * 8) + ":")) << b;
    EXPECT_TRUE(requests.back().starts_with("+EE"));
}
