#include "app/fMasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <string>
#include <vector>

#include "app/fLoops.h"
#include "tests/support/PageExchange.h"

namespace {

using namespace testsupport;

std::vector<int> TickedRows(const TFormMasks& page)
{
    std::vector<int> rows;
    for (int r = 1; r <= page.MaskRows(); ++r)
        if (page.RowTicked(r)) rows.push_back(r);
    return rows;
}

// The flexible mode with exactly these rows ticked.
void TickOnly(TFormMasks& page, const std::vector<int>& rows)
{
    page.rbUseMask->SetChecked(true);
    for (int r = 1; r <= page.MaskRows(); ++r) page.SetRowTicked(r, false);
    for (int r : rows) page.SetRowTicked(r, true);
}

const std::vector<int> kC2000It{1, 2, 3, 4, 5, 6, 7, 17, 18, 27, 28, 29, 30, 31, 34, 35, 42, 43, 71, 74, 80, 81};
// The C2000-IT rows as mask bytes 1 to 11.
const std::string kC2000ItMask = "7F00037C06060000408201";
std::vector<int> EveryRow()
{
    std::vector<int> every(134);
    std::iota(every.begin(), every.end(), 1);
    return every;
}

// n bytes of zero bits.
std::string Zeros(int n) { return std::string(2 * static_cast<std::size_t>(n), '0'); }

class Masks : public PageExchange<TFormMasks> {
protected:
    Masks() : PageExchange(FormMasks, "FormMasks", &EventTable()) {}
    void Connected(int build, sim::PanelKind) override { page->SetupForDevice(build); }
    // The rows a fresh page ticks, loaded from this ini text.
    std::vector<int> LoadedTicks(const std::string& ini)
    {
        TFormMasks* fresh = ui::Create<TFormMasks>(&scope.App(), "FormMasks", nullptr, &EventTable());
        fresh->LoadFromIni(TMemIniFile::FromBytes("/m.ini", ini));
        const std::vector<int> rows = TickedRows(*fresh);
        ui::Free(fresh);
        return rows;
    }
    TFormLoops* loops = ui::Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &EventTable());
};

TEST_F(Masks, GridModesAndRebuilds)
{
    for (const auto& [col, row, text] : {std::tuple{2, 1, "ПОЖАР"}, {3, 1, "1110: Пожар"}, {3, 3, "1130: Проникновение"},
                                         {3, 2, "1118:  "}, {2, 134, "ОТМЕТКА НАРЯДА"}})
        EXPECT_EQ(page->sg->Cells(col, row), text) << col << "," << row;

    page->rbAll->SetChecked(true);
    EXPECT_EQ(TickedRows(*page), EveryRow());
    page->rbFiltrit->SetChecked(true);
    EXPECT_EQ(TickedRows(*page), kC2000It);
    EXPECT_FALSE(page->RowCheckBox(1)->Enabled());
    page->rbUseMask->SetChecked(true);
    EXPECT_EQ(TickedRows(*page), kC2000It);
    EXPECT_TRUE(page->RowCheckBox(100)->Enabled());

    TickOnly(*page, {1, 9, 83, 84, 134});
    page->SetupForDevice(120);
    EXPECT_EQ(TickedRows(*page), (std::vector<int>{1, 9, 83, 84, 134}));
    page->SetupForDevice(84);
    EXPECT_EQ(page->MaskRows(), 83);
    EXPECT_EQ(TickedRows(*page), (std::vector<int>{1, 9, 83}));
    page->rbFiltrit->SetChecked(true);
    page->SetupForDevice(85);
    EXPECT_EQ(TickedRows(*page), kC2000It);
    EXPECT_FALSE(page->RowCheckBox(120)->Enabled());

}

TEST_F(Masks, TicksOfEveryRowLiveInTheIniFileInTheFlexibleModeOnly)
{
    TickOnly(*page, {2, 83, 84, 100, 134});
    TMemIniFile saved("/nonexistent/masks.ini");
    page->SaveToIni(saved);
    EXPECT_EQ(LoadedTicks(saved.FileBytes()), (std::vector<int>{2, 83, 84, 100, 134}));
    EXPECT_EQ(LoadedTicks("[FormMasks]\nrbAll=0\nrbFiltrit=0\nrbUseMask=1\ncb1=1\ncb83=1\n"), (std::vector<int>{1, 83}))
        << "an older file without rows 84 to 134";
    EXPECT_EQ(LoadedTicks("[FormMasks]\nrbAll=1\nrbFiltrit=0\nrbUseMask=0\ncb1=0\ncb2=0\n"), EveryRow());
}

std::function<void(TFormMasks&)> Ticked(std::vector<int> rows) { return [rows](TFormMasks& p) { EXPECT_EQ(TickedRows(p), rows); }; }
std::function<void(TFormMasks&)> LinkControlOn() { return [](TFormMasks& p) { p.BLDCONCheckBox->SetChecked(true); }; }
const std::string kFilter = "Фильтрация сообщений от С2000", kLink = "Контроль связи с Bolid С2000",
                  kMask = "Маска событий для панели Bolid", kMaskExt = "Маска событий для панели Bolid (дополнения)",
                  kAddress = "Запись адреса устройства Bolid C2000 в номер раздела";
const std::string kUnreadFlags = ": не удалось прочитать флаги входов (X)";

const Lines kReadMasks = {"+filtrit", "+bldcon", "+filtrall", "+filtral1"};

const Masks::Row kMasksExchanges[] = {
    {.name = "ReadFlexibleModeAndEveryRow",
     .device = {{"filtrit", "FF"}, {"filtrall", Zeros(11) + "80"}, {"filtral1", "0100000000200000"},
                {"adrbld", "00"}, {"bldcon", "00"}},
     .wire = Cat({kReadMasks, {"+adrbld"}}),
     .logged = Logged("Читаю", {kFilter, kLink, kMask, kMaskExt, kAddress}),
     .shown = {{"rbUseMask", "1"}, {"cbAdrbld", "1"}, {"BLDCONCheckBox", "1"}},
     .then = [](TFormMasks& p) {
         EXPECT_EQ(TickedRows(p), (std::vector<int>{88, 89, 134}));
         EXPECT_FALSE(FormLoops->cbResponce3->Enabled());
     }},
    {.name = "ReadNeitherModeIsAllRows",
     .device = {{"filtrit", "FF"}, {"filtrall", "FF" + Zeros(11)}, {"filtral1", Zeros(8)}},
     .shown = {{"rbAll", "1"}}, .then = Ticked(EveryRow())},

    {.name = "WriteFlexibleMode", .write = true,
     .given = [](TFormMasks& p) { TickOnly(p, {3, 64, 88, 89, 100, 134}); p.cbAdrbld->SetChecked(true); },
     .wire = Lines{"+filtritFF", "+bldconFF", "+filtrall0004" + Zeros(6) + "80000080", "+filtral10108000000200000", "+adrbld00"},
     .logged = Logged("Пишу", {kFilter, kLink, kMask, kMaskExt, kAddress})},
    {.name = "WriteLinkControlClearsTheLoop3Bits", .write = true, .device = {{"X", "B3"}},
     .given = LinkControlOn(), .stored = {{"X", "83"}, {"bldcon", "00"}}},
    // Flags that are not two hexadecimal digits are no answer: asked three times, never written back.
    {.name = "WriteInputFlagsNotHex", .write = true, .device = {{"X", "ZZ"}}, .given = LinkControlOn(),
     .wire = Lines{"+filtrit00", "+X", "+X", "+X", "+filtrallFF" + kC2000ItMask, "+filtral1" + Zeros(8), "+adrbldFF"},
     .errors = {W(kLink) + kUnreadFlags}, .stored = {{"X", "ZZ"}, {"bldcon", "FF"}}},
    {.name = "WriteBelow49OnlyMaskAndAddress", .write = true, .build = 48,
     .wire = Lines{"+filtrallFF" + kC2000ItMask, "+adrbldFF"}},
};

PAGE_EXCHANGES(Masks, kMasksExchanges);

// A mask the device did not give leaves the mode unknown: the page does not fall back to all messages
// over the extension rows it read, and the write sends those as the device holds them and holds back
// only the mask, by name.
TEST_F(Masks, AMaskNotReadIsHeldBackAndTheExtensionRowsReadStayAsTheDeviceHasThem)
{
    const std::string extension = "FF00FF00FF3F0000";
    Run({.name = "read", .device = {{"filtrit", "FF"}, {"filtral1", extension}}, .refused = {"filtrall"},
         .given = [](TFormMasks& p) { p.rbFiltrit->SetChecked(true); }, .errors = {R(kMask)}, .shown = {{"rbAll", "0"}}});
    std::vector<int> rows;
    for (int r = 89; r <= 134; ++r)
        if (page->RowTicked(r)) rows.push_back(r);
    std::vector<int> held{89, 90, 91, 92, 93, 94, 95, 96, 105, 106, 107, 108, 109, 110, 111, 112};
    for (int r = 121; r <= 134; ++r) held.push_back(r);
    EXPECT_EQ(rows, held) << "the rows the device holds";

    dc->ClearErrors();
    dc->WriteForm(*page);
    EXPECT_EQ(dc->GetErrors().Lines(), Lines{W(kMask) + ": не записан, так как не был прочитан с устройства"});
    EXPECT_EQ(device->device.Value("filtral1"), extension);
    EXPECT_EQ(std::count_if(device->requests.begin(), device->requests.end(),
                            [](const std::string& r) { return r.starts_with("+filtrall") && r != "+filtrall"; }),
              0) << "no mask written";
}

}  // namespace
