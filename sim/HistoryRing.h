#pragma once
// The device's event history: a ring of 24,564 fixed-form records and the write pointer (the number of
// the next record to be written). Each record holds a Contact ID message with its check digit, the date
// in quotes, a global number, a delivery code, the per-channel delivery bits and a check byte over the
// whole record and its number.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct HistoryEvent {
    std::string account = "0050";  // four digits
    char qualifier = '1';           // 1 new event, 3 restore
    std::string code = "130";       // three digits
    std::string group = "01";       // two digits
    std::string zone = "001";       // three digits
    std::time_t time = 0;           // device time (shown as UTC fields)
    std::uint32_t global = 0;       // the device's running event number
    std::string delivery = "00";    // 00 phone, 01 not sent, 02 GPRS, 03 LAN
    std::uint8_t channels = 0xFF;   // a 0 bit marks a channel (bit 0 = channel 1) that got the message
};

class HistoryRing {
public:
    static constexpr int Size = 0x5FF4;
    static constexpr int RecordLength = 95;

    HistoryRing();

    // Fills `count` records ending just before the pointer, newest at `newest`, deterministically from
    // the seed; the pointer lands after the last one (wrapping round the ring when count exceeds it).
    void Fill(int count, std::uint32_t seed, std::time_t newest, const std::string& account);
    void Append(const HistoryEvent& event);
    void Erase();

    int Pointer() const { return pointer_; }
    // Empty for a number outside the ring.
    std::string Record(int number) const;

    // Contact ID: 15 characters and their check character (digits count at face value, "0" as 10).
    static char ContactIdCheck(std::string_view first15);
    static std::string MakeRecord(int number, const HistoryEvent& event);
    // The record check as the program makes it: the record number's two bytes, the message characters,
    // 255 per filler position, the date characters and the hexadecimal pairs must sum to 0 mod 256.
    static bool RecordCheckOk(int number, std::string_view record);
    static std::string EmptyRecord();

private:
    std::vector<std::string> records_;
    int pointer_ = 0;
    std::uint32_t nextGlobal_ = 1;
};

}  // namespace sim
