#pragma once
// What the simulated device is (firmware, panel, hardware, identity) and the parameter values it
// keeps, one per command word and index, as the wire carries them (Windows-1251).
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sim {

enum class PanelKind { Altonika, Bolid, Paradox };

struct DeviceProfile {
    std::string version = "REV 11.005.120";
    PanelKind panel = PanelKind::Altonika;
    std::string hardware = "78";  // processor and flash chip bits, as "typepan1" reads them
    std::string imei = "356938035643809";
    std::string masterKey = "5816";
    std::string account = "0050";
    int historyRecords = 1000;
    std::uint32_t seed = 1;
    // Stored values in place of the factory ones, by key as DeviceStore keeps them (wire bytes): a
    // device set up by hand, such as an APN that holds the letters "ok".
    std::map<std::string, std::string> values;
};

// A device with its identity drawn from the seed: version, panel, hardware byte, IMEI, master key.
DeviceProfile RandomProfile(std::uint32_t seed);
// The panel's code as "typepan" reads it.
std::string PanelCode(PanelKind panel);
// Luhn check digit of the first 14 IMEI digits.
char ImeiCheckDigit(const std::string& first14);

class DeviceStore {
public:
    explicit DeviceStore(const DeviceProfile& profile);

    // Key: the command word followed by its index, if any ("o", "phing0", "alphon3").
    std::optional<std::string> Get(const std::string& key) const;
    void Set(const std::string& key, std::string value);
    bool Has(const std::string& key) const { return values_.count(key) != 0; }
    const std::map<std::string, std::string>& Values() const { return values_; }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace sim
