#include "sim/DeviceStore.h"

#include <array>
#include <random>
#include <utility>

#include "platform/Text.h"

namespace sim {

namespace {

// Factory-fresh values of a device that has been set up once: two phone channels and an offline GPRS
// channel on SIM 2 (SIM 1 carries online GPRS, which rules out offline GPRS on the same card),
// one daily test, loop 1 reporting, and the operator's GPRS settings. Texts are UTF-8 here.
const std::pair<const char*, const char*> kInitial[] = {
    {"U", "1A00"},
    {"lanena", "FF"},
    {"gprsena", "F0"},
    {"JDIR", "00"},
    {"enaing", "00"},
    {"phing0", "+79161234567"},
    {"phing1", "+79031112233"},
    {"phing2", ""},
    {"phing3", ""},
    {"phing4", ""},
    {"addat", "0000"},
    {"alphon0", "110002=84951234567"},
    {"alphon1", "120001=84951234568"},
    {"alphon2", "210103="},
    {"alphon3", "310000="},
    {"alphon4", "320000="},
    {"alphon5", "330000="},
    {"alphon6", "340000="},
    {"alphon7", "350000="},
    {"pwlog", "3C3C0008000C00FFFF"},
    {"AKBlog", "000AFFFF"},
    {"AKBtresh", "03E8044C"},
    {"GAPN0", "internet.mts.ru"},
    {"GAPN1", "internet.beeline.ru"},
    {"gprsname0", "mts"},
    {"gprsname1", "beeline"},
    {"gprspswd0", "mts"},
    {"gprspswd1", "beeline"},
    {"gphon0", "*99#"},
    {"gphon1", "*99#"},
    {"timegpres", "003C"},
    {"P2", "FF"},
    {"X", "83"},
    {"n00", "113001001"},
    {"n01", "313001001"},
    {"n02", "113001002"},
    {"n03", "313001002"},
    {"n04", "113001003"},
    {"n05", "313001003"},
    {"tamper", "FF"},
    {"filtrall", "FFFFFFFFFFFFFFFFFFFFFFFF"},
    {"filtral1", "FFFFFFFFFF3F0000"},
    {"slowcid", "FF"},
    {"altsect", "FF"},
    {"filtrit", "00"},
    {"adrbld", "FF"},
    {"bldcon", "FF"},
    {"IPadr", "91.210.56.12"},
    {"IP1adr", "91.210.56.13"},
    {"IPport", "3058"},
    {"IP1port", "3058"},
    {"ps", "KoraPlen"},
    {"ipeqsim", "FF"},
};

}  // namespace

std::string PanelCode(PanelKind panel)
{
    switch (panel) {
    case PanelKind::Bolid: return "01";
    case PanelKind::Paradox: return "06";
    case PanelKind::Altonika: break;
    }
    return "00";
}

char ImeiCheckDigit(const std::string& first14)
{
    int sum = 0;
    for (std::size_t i = 0; i < first14.size(); ++i) {
        int d = first14[i] - '0';
        if (i % 2 == 1) {
            d *= 2;
            if (d > 9) d -= 9;
        }
        sum += d;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

DeviceProfile RandomProfile(std::uint32_t seed)
{
    std::mt19937 random(seed);
    const auto pick = [&random](unsigned n) { return random() % n; };
    static constexpr std::array kVersions{"REV 11.005.096", "REV 11.005.116", "REV 11.005.120", "REV 11.005.121"};
    static constexpr std::array kHardware{"78", "38", "40", "00"};
    DeviceProfile p;
    p.seed = seed;
    p.version = kVersions[pick(kVersions.size())];
    p.panel = static_cast<PanelKind>(pick(3));
    p.hardware = kHardware[pick(kHardware.size())];
    std::string imei = "35";
    while (imei.size() < 14) imei += static_cast<char>('0' + pick(10));
    p.imei = imei + ImeiCheckDigit(imei);
    p.masterKey.clear();
    for (int i = 0; i < 4; ++i) p.masterKey += static_cast<char>('0' + pick(10));
    return p;
}

DeviceStore::DeviceStore(const DeviceProfile& profile)
{
    for (const auto& [key, value] : kInitial) Set(key, platform::Utf8ToCp1251Lossy(value));
    Set("o", profile.account);
    Set("masterkey", profile.masterKey);
    Set("typepan", PanelCode(profile.panel));
    Set("typepan1", profile.hardware);
    Set("IMEI", profile.imei);
    for (int i = 0; i < 8; ++i) Set("pxobj" + std::to_string(i), "000" + std::to_string(i + 1));
    for (const auto& [key, value] : profile.values) Set(key, value);
}

std::optional<std::string> DeviceStore::Get(const std::string& key) const
{
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void DeviceStore::Set(const std::string& key, std::string value) { values_[key] = std::move(value); }

}  // namespace sim
