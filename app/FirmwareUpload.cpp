#include "app/FirmwareUpload.h"

#include "link/DevSorvel7QX1.h"
#include "platform/Text.h"

bool TDeviceBootSender::SendBootCommand(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return device_.SendShort(Cmd, Answer, LogIt);
}

bool TDeviceBootSender::SendBootCommandLong(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return device_.SendLong(Cmd, Answer, LogIt);
}

bool TDeviceBootSender::SendBootRecord(const std::string& Cmd, std::string& Answer, bool LogIt)
{
    return device_.SendRecord(Cmd, Answer, LogIt);
}

void TDeviceBootSender::Distrust()
{
    device_.Distrust();
}

namespace {

using SendFn = bool (TBootSender::*)(const std::string&, std::string&, bool);

class Exchange {
public:
    Exchange(TBootSender& sender, TUploadObserver& observer, const std::atomic<bool>& stop,
             const TUploadOptions& options)
        : sender_(sender), observer_(observer), stop_(stop), options_(options)
    {
    }

    bool Stopped() const { return stop_.load(); }

    // Up to BootAttempts sends until `accepted` holds for the sender's result and the reply; false when
    // all failed or a stop came.
    template <class Accept>
    bool Attempts(SendFn send, const std::string& command, Accept accepted)
    {
        for (int attempt = 0; attempt < BootAttempts; ++attempt) {
            if (Stopped()) return false;
            std::string reply;
            const bool ok = Send(send, command, reply);
            if (accepted(ok, reply)) return true;
            if (ok) sender_.Distrust();
        }
        return false;
    }

    // One send; false when stopped before it or when the sender did not get "OK".
    bool Send(SendFn send, const std::string& command, std::string& reply)
    {
        if (Stopped()) return false;
        const bool ok = (sender_.*send)(command, reply, options_.LogIt);
        observer_.Sent();
        return ok;
    }

    bool FinalWait()
    {
        platform::Clock& clock = *options_.Clock;
        const std::uint64_t start = clock.NowMs();
        std::uint64_t lastTick = start;
        while (clock.ElapsedSince(start) < options_.FinalWaitMs) {
            if (Stopped()) return false;
            if (clock.NowMs() - lastTick >= options_.FinalTickMs) {
                lastTick = clock.NowMs();
                observer_.Step();
            }
            observer_.Idle();
            clock.Pause(1);
        }
        return !Stopped();
    }

    TUploadObserver& Observer() { return observer_; }

private:
    TBootSender& sender_;
    TUploadObserver& observer_;
    const std::atomic<bool>& stop_;
    const TUploadOptions& options_;
};

// The bootloader's name is its answer, whether an "OK" follows it or not.
bool NamesBootloader(bool, const std::string& reply)
{
    return reply.find(BootloaderVersionText) != std::string::npos;
}

}  // namespace

TUploadResult UploadFirmware(TBootSender& Sender, const std::vector<TFirmwareBlock>& Blocks,
                             TUploadObserver& Observer, const std::atomic<bool>& Stop, const TUploadOptions& Options)
{
    // Nothing reaches the device unless there is something whole to write: "BE" erases the flash.
    if (Blocks.empty()) return TUploadResult::BadImage;
    Exchange x(Sender, Observer, Stop, Options);
    const auto stoppedOr = [&](TUploadResult failure) {
        return x.Stopped() ? TUploadResult::Stopped : failure;
    };

    if (x.Stopped()) return TUploadResult::Stopped;
    Observer.Stage(TUploadStage::EnteringBootloader);
    std::string reply;
    x.Send(&TBootSender::SendBootCommand, "BL", reply);  // the device answers from its old firmware or not at all
    if (x.Stopped()) return TUploadResult::Stopped;
    Observer.Step();

    if (!x.Attempts(&TBootSender::SendBootCommand, "v", NamesBootloader))
        return stoppedOr(TUploadResult::NoBootloader);

    if (x.Stopped()) return TUploadResult::Stopped;
    Observer.Stage(TUploadStage::Erasing);
    if (!x.Send(&TBootSender::SendBootCommandLong, "BE", reply)) return stoppedOr(TUploadResult::NoBootloader);
    Observer.Step();

    TLaneChecks lanes;
    for (const TFirmwareBlock& block : Blocks) {
        if (x.Stopped()) return TUploadResult::Stopped;
        Observer.Stage(TUploadStage::Loading);
        lanes.Add(block.Check);
        const std::string number = BlockNumberText(block.Number);
        const auto echoed = [&](bool ok, const std::string& r) { return ok && platform::Trim(r).starts_with(number); };
        const bool written = x.Attempts(&TBootSender::SendBootRecord, BlockCommand(block), echoed);
        if (!written) return stoppedOr(TUploadResult::BlockFailed);
        Observer.Step();
    }

    if (x.Stopped()) return TUploadResult::Stopped;
    Observer.Stage(TUploadStage::Flashing);
    if (!x.Attempts(&TBootSender::SendBootCommandLong, lanes.Command(), [](bool ok, const std::string&) { return ok; }))
        return stoppedOr(TUploadResult::FinishFailed);

    return x.FinalWait() ? TUploadResult::Done : TUploadResult::Stopped;
}
