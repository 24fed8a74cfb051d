#include "sim/StateFile.h"

#include <stdexcept>

namespace sim {
namespace {

constexpr const char* kPanels[] = {"altonika", "bolid", "paradox"};

std::string Hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += {kDigits[b >> 4], kDigits[b & 15]};
    }
    return out;
}

std::string Unhex(std::string_view hex)
{
    if (hex.size() % 2 != 0) throw std::invalid_argument("odd hexadecimal image");
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

PanelKind PanelNamed(std::string_view name)
{
    for (int i = 0; i < 3; ++i)
        if (name == kPanels[i]) return static_cast<PanelKind>(i);
    throw std::invalid_argument("unknown panel " + std::string(name));
}

// "key=value" apart.
std::pair<std::string, std::string> Pair(std::string_view text)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) throw std::invalid_argument("no '=' in " + std::string(text));
    return {std::string(text.substr(0, eq)), std::string(text.substr(eq + 1))};
}

void Take(DeviceState& state, std::string_view name, std::string_view value)
{
    const auto number = [&] { return std::stoi(std::string(value)); };
    if (name == "version") state.profile.version = value;
    else if (name == "panel") state.profile.panel = PanelNamed(value);
    else if (name == "hardware") state.profile.hardware = value;
    else if (name == "imei") state.profile.imei = value;
    else if (name == "master-key") state.profile.masterKey = value;
    else if (name == "account") state.profile.account = value;
    else if (name == "logged-in") state.loggedIn = value == "1";
    else if (name == "resets") state.resets = number();
    else if (name == "history-pointer") state.historyPointer = number();
    else if (name == "firmware-written") state.firmwareWritten = value == "1";
    else if (name == "image") state.image = Unhex(value);
    else if (name == "value") state.values.insert(Pair(value));
    else if (name == "history") {
        const std::size_t blank = value.find(' ');
        state.history[std::stoi(std::string(value.substr(0, blank)))] =
            blank == std::string_view::npos ? "" : std::string(value.substr(blank + 1));
    } else throw std::invalid_argument("unknown state line " + std::string(name));
}

}  // namespace

std::string StateText(const Communicator& device, int historyRecords)
{
    const DeviceProfile& p = device.Profile();
    std::string text = "version " + p.version + "\npanel " + kPanels[static_cast<int>(p.panel)] + "\nhardware " +
                       p.hardware + "\nimei " + p.imei + "\nmaster-key " + p.masterKey + "\naccount " + p.account +
                       "\nlogged-in " + (device.LoggedIn() ? "1" : "0") + "\nresets " + std::to_string(device.Resets()) +
                       "\nfirmware-written " + (device.FirmwareWritten() ? "1" : "0") + "\nimage " +
                       Hex(device.UploadedImage()) + "\n";
    for (const auto& [key, value] : device.Values()) text += "value " + key + "=" + value + "\n";
    const int pointer = device.HistoryPointer();
    text += "history-pointer " + std::to_string(pointer) + "\n";
    for (int i = 1; i <= historyRecords; ++i) {
        const int number = (pointer - i + HistoryRing::Size) % HistoryRing::Size;
        text += "history " + std::to_string(number) + " " + device.HistoryRecord(number) + "\n";
    }
    return text;
}

DeviceState ParseState(std::string_view text)
{
    DeviceState state;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        const std::size_t blank = line.find(' ');
        Take(state, line.substr(0, blank), blank == std::string_view::npos ? "" : line.substr(blank + 1));
    }
    return state;
}

}  // namespace sim
