#pragma once
// The fifteen channel types of the reporting ways: their names, pictures and the four-character codes
// the device keeps for them, and which of them a firmware offers.
#include <array>
#include <string>
#include <string_view>
#include <vector>

struct TWayType {
    std::string_view Name;
    int Picture;            // image index in the page's image list
    std::string_view Code;  // as "alphon" carries it
};

constexpr int WayTypeCount = 15;
constexpr int WayTypeUnused = 0;

// Indexed by type index; the index is also the item data of every type combo.
extern const std::array<TWayType, WayTypeCount> WayTypeNames;

// The type code of a type index; "0000" for any index outside 1 .. 14.
std::string WayIndexToCode(int TypeIndex);
// Characters 3 to 6 of an "alphon" reply value compared with the fourteen codes: the first matching type
// index, 0 when none matches (a value shorter than six characters included).
int WayCodeToIndex(std::string_view Value);

bool IsWiredWayType(int TypeIndex);

// How many types a firmware offers: types 0 .. count - 1.
int OfferedWayTypeCount(int Build, bool IsBolid);
// The types a list offers, in index order: those of the firmware less the GPRS-offline types of a SIM
// whose online GPRS is switched on (an offline channel cannot share the SIM with an online one).
std::vector<int> OfferedWayTypes(int Build, bool IsBolid, bool Sim1Online, bool Sim2Online);
