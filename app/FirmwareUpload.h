#pragma once
// The bootloader exchange, shared by the upload of a built-in image (on a thread of its own) and the
// upload of a HEX file (on the window thread): "BL", up to three "v" until the bootloader names itself,
// "BE" to erase, every block "W..." with up to three attempts, up to three "EE" with the lane checks,
// then the wait while the device writes its flash. The caller reports progress through an observer.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/FirmwareImage.h"
#include "platform/Clock.h"

class TDevSorvel7QX1;

// The three senders of the device controller; each frames the command, makes one attempt and hands
// back the whole reply. True when the reply held "OK" in time.
class TBootSender {
public:
    virtual ~TBootSender() = default;
    virtual bool SendBootCommand(const std::string& Cmd, std::string& Answer, bool LogIt) = 0;      // "BL", "v"
    virtual bool SendBootCommandLong(const std::string& Cmd, std::string& Answer, bool LogIt) = 0;  // "BE", "EE"
    virtual bool SendBootRecord(const std::string& Cmd, std::string& Answer, bool LogIt) = 0;      // "W" blocks
    // The last answer came whole but does not answer its request (another block's number): the line is
    // resynchronised before the next send.
    virtual void Distrust() {}
};

// The senders of a protocol object directly.
class TDeviceBootSender final : public TBootSender {
public:
    explicit TDeviceBootSender(TDevSorvel7QX1& Device) : device_(Device) {}
    bool SendBootCommand(const std::string& Cmd, std::string& Answer, bool LogIt) override;
    bool SendBootCommandLong(const std::string& Cmd, std::string& Answer, bool LogIt) override;
    bool SendBootRecord(const std::string& Cmd, std::string& Answer, bool LogIt) override;
    void Distrust() override;

private:
    TDevSorvel7QX1& device_;
};

// The senders of any controller that has the three (the device controller).
template <class Controller>
class TBootSenderOf final : public TBootSender {
public:
    explicit TBootSenderOf(Controller& C) : c_(C) {}
    bool SendBootCommand(const std::string& Cmd, std::string& Answer, bool LogIt) override
    {
        return c_.SendBootCommand(Cmd, Answer, LogIt);
    }
    bool SendBootCommandLong(const std::string& Cmd, std::string& Answer, bool LogIt) override
    {
        return c_.SendBootCommandLong(Cmd, Answer, LogIt);
    }
    bool SendBootRecord(const std::string& Cmd, std::string& Answer, bool LogIt) override
    {
        return c_.SendBootRecord(Cmd, Answer, LogIt);
    }
    void Distrust() override { c_.Device().Distrust(); }

private:
    Controller& c_;
};

inline constexpr const char* BootloaderVersionText = "BootLdr v1.0";
inline constexpr int BootAttempts = 3;

enum class TUploadStage { EnteringBootloader, Erasing, Loading, Flashing };

enum class TUploadResult {
    Done,
    NoDevice,      // no connection to send through
    BadImage,      // nothing usable to send; nothing was sent
    NoBootloader,  // "v" never named the bootloader, or "BE" failed
    BlockFailed,   // a block failed three times
    FinishFailed,  // "EE" failed three times
    LinkFailed,    // the link failed under the upload
    Stopped,       // the user stopped the upload
};

class TUploadObserver {
public:
    virtual ~TUploadObserver() = default;
    // Once per stage; Loading before every block.
    virtual void Stage(TUploadStage) {}
    // One part of the progress done: after "BL", after "BE", per block, every tick of the final wait.
    virtual void Step() {}
    // After every send that was answered or timed out.
    virtual void Sent() {}
    // Every round of the final wait: a caller on the window thread lets events run here.
    virtual void Idle() {}
};

struct TUploadOptions {
    bool LogIt = false;
    // The device writes its flash after "EE"; the upload counts as done once this has passed.
    std::uint32_t FinalWaitMs = 15'000;
    std::uint32_t FinalTickMs = 150;
    platform::Clock* Clock = &platform::SystemClock();
};

// Sends the blocks; Stop is tested before every send and every round of the final wait. Exceptions of
// the senders (a lost link) pass on.
TUploadResult UploadFirmware(TBootSender& Sender, const std::vector<TFirmwareBlock>& Blocks,
                             TUploadObserver& Observer, const std::atomic<bool>& Stop,
                             const TUploadOptions& Options = {});
