#include "app/WayTypes.h"

#include "platform/Text.h"

const std::array<TWayType, WayTypeCount> WayTypeNames{{
    {"Не используется", 0, "0000"},
    {"Contact ID через цифровой канал GSM - SIM1 (v.32)", 3, "0002"},
    {"Contact ID через цифровой канал GSM - SIM2 (v.32)", 3, "0102"},
    {"Contact ID через голосовой канал GSM - SIM1", 3, "0001"},
    {"Contact ID через голосовой канал GSM - SIM2", 3, "0101"},
    {"Contact ID по проводной линии импульсный набор", 3, "1001"},
    {"Contact ID по проводной линии тональный набор", 3, "1011"},
    {"GPRS-offline SIM1 IP1", 5, "0003"},
    {"GPRS-offline SIM2 IP1", 5, "0103"},
    {"GPRS-offline SIM1 IP2", 5, "0004"},
    {"GPRS-offline SIM2 IP2", 5, "0104"},
    {"SMS на Quorix SIM1", 5, "0005"},
    {"SMS на Quorix SIM2", 5, "0105"},
    {"Contact ID через цифровой канал GSM - SIM1 (v.110)", 3, "0007"},
    {"Contact ID через цифровой канал GSM - SIM2 (v.110)", 3, "0107"},
}};

namespace {

constexpr int kSim1Offline[] = {7, 9};
constexpr int kSim2Offline[] = {8, 10};

bool Contains(const int (&types)[2], int type) { return types[0] == type || types[1] == type; }

}  // namespace

std::string WayIndexToCode(int TypeIndex)
{
    if (TypeIndex < 1 || TypeIndex >= WayTypeCount) return "0000";
    return std::string(WayTypeNames[static_cast<std::size_t>(TypeIndex)].Code);
}

int WayCodeToIndex(std::string_view Value)
{
    const std::string code = platform::Copy(Value, 3, 4);
    if (code.size() != 4) return WayTypeUnused;
    for (int i = 1; i < WayTypeCount; ++i)
        if (WayTypeNames[static_cast<std::size_t>(i)].Code == code) return i;
    return WayTypeUnused;
}

bool IsWiredWayType(int TypeIndex) { return TypeIndex == 5 || TypeIndex == 6; }

int OfferedWayTypeCount(int Build, bool IsBolid)
{
    if (IsBolid) return Build < 85 ? 11 : Build <= 115 ? 13 : 15;
    return Build < 118 ? 11 : 15;
}

std::vector<int> OfferedWayTypes(int Build, bool IsBolid, bool Sim1Online, bool Sim2Online)
{
    std::vector<int> types;
    const int count = OfferedWayTypeCount(Build, IsBolid);
    for (int t = 0; t < count; ++t) {
        if (Sim1Online && Contains(kSim1Offline, t)) continue;
        if (Sim2Online && Contains(kSim2Offline, t)) continue;
        types.push_back(t);
    }
    return types;
}
