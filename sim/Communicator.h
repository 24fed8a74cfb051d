#pragma once
// The simulated Sorvel GSM-7-QX3: answers every command word with the device's reply form, keeps the
// values written, runs a clock, holds the event history ring and switches to its bootloader on "BL".
// Words are matched case-sensitively, longest first ("typepan1" before "typepan").
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "sim/Bootloader.h"
#include "sim/DeviceStore.h"
#include "sim/HistoryRing.h"
#include "sim/Responder.h"

namespace sim {

class Communicator final : public Responder {
public:
    explicit Communicator(const DeviceProfile& profile = {}, platform::Clock& clock = platform::SystemClock(),
                          std::time_t wallStart = std::time(nullptr));

    std::string Answer(const std::string& request) override;

    // Inspection for tests and the simulator program; safe while a line thread answers.
    const DeviceProfile& Profile() const { return profile_; }
    std::optional<std::string> Value(const std::string& key) const;
    // Every stored value by its key (the command word and its index).
    std::map<std::string, std::string> Values() const;
    // Takes over the other device's whole state (values, history, clock, bootloader, login); the
    // profile stays. A test's reference device starts where the device under test stands.
    void CopyStateFrom(const Communicator& other);
    void SetValue(const std::string& key, const std::string& value);
    std::string HistoryRecord(int number) const;
    int HistoryPointer() const;
    void AddHistoryEvent(const HistoryEvent& event);
    std::time_t DeviceTime() const;
    bool LoggedIn() const;
    bool OutputsOn() const;
    int Resets() const;
    bool InBootloader() const;
    bool FirmwareWritten() const;
    std::string UploadedImage() const;
    // The requests received, oldest first (the last few thousand).
    std::vector<std::string> Requests() const;
    // Every word answered, longest first.
    std::vector<std::string> Words() const;

private:
    using Handler = std::function<std::string(std::string_view rest)>;
    struct Entry {
        std::string word;
        Handler handler;
    };

    void AddStoreWords();
    void AddActionWords();
    std::string Dispatch(std::string_view body);
    std::string StoreAnswer(std::string_view word, int indexWidth, unsigned flags, std::string_view rest);
    std::time_t Now() const;
    std::string Clock() const;
    std::string SetClock(std::string_view rest);
    std::string BolidText();

    const DeviceProfile profile_;
    platform::Clock& clock_;
    mutable std::mutex mutex_;
    DeviceStore store_;
    HistoryRing history_;
    Bootloader bootloader_;
    std::vector<Entry> entries_;
    std::time_t wallBase_;
    std::uint64_t clockBase_;
    bool loggedIn_ = false;
    bool outputsOn_ = false;
    int resets_ = 0;
    unsigned bolidPolls_ = 0;
    std::deque<std::string> requests_;
};

}  // namespace sim
