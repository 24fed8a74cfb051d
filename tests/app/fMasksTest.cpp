#include "app/fMasks.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "app/fLoops.h"
#include "tests/support/PageExchange.h"

namespace {

using testsupport::Lines;

const TMsgFile& Table()
{
    static const TMsgFile table = [] {
        TMsgFile t;
        t.Rows = {{"1101", "Пожар"}, {"1303", "Восстановление после проникновения"}, {"1301", "Проникновение"}};
        return t;
    }();
    return table;
}

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

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

class Masks : public testsupport::PageExchange<TFormMasks> {
protected:
    Masks() : PageExchange(FormMasks, "FormMasks", &Table()) {}
    void Connected(int build) override { page->SetupForDevice(build); }
    // The rows a fresh page ticks, loaded from this ini.
    std::vector<int> LoadedTicks(const TMemIniFile& ini)
    {
        TFormMasks* fresh = ui::Create<TFormMasks>(&scope.App(), "FormMasks", nullptr, &Table());
        fresh->LoadFromIni(ini);
        const std::vector<int> rows = TickedRows(*fresh);
        ui::Free(fresh);
        return rows;
    }
    std::vector<int> LoadedTicks(const std::string& keys)
    {
        return LoadedTicks(TMemIniFile::FromBytes("/nonexistent/m.ini", "[FormMasks]\n" + keys));
    }
    TFormLoops* loops = ui::Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &Table());
};

TEST_F(Masks, GridModesAndRebuilds)
{
    EXPECT_EQ(page->MaskRows(), 134);
    EXPECT_EQ(page->sg->Cells(2, 1), "ПОЖАР");
    EXPECT_EQ(page->sg->Cells(3, 1), "1110: Пожар");
    EXPECT_EQ(page->sg->Cells(3, 3), "1130: Проникновение");
    EXPECT_EQ(page->sg->Cells(3, 2), "1118:  ");
    EXPECT_EQ(page->sg->Cells(2, 134), "ОТМЕТКА НАРЯДА");
    EXPECT_EQ(TickedRows(*page), kC2000It);

    page->rbAll->SetChecked(true);
    EXPECT_EQ(TickedRows(*page), EveryRow());
    page->rbFiltrit->SetChecked(true);
    EXPECT_EQ(TickedRows(*page), kC2000It);
    EXPECT_FALSE(page->RowCheckBox(1)->Enabled());
    EXPECT_EQ(page->sg->Color(), clBtnFace);
    page->rbUseMask->SetChecked(true);
    EXPECT_EQ(TickedRows(*page), kC2000It);
    EXPECT_TRUE(page->RowCheckBox(100)->Enabled());
    EXPECT_EQ(page->sg->Color(), clWhite);

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

    page->rbUseMask->SetChecked(true);
    page->cbAdrbld->SetChecked(true);
    page->BLDCONCheckBox->SetChecked(true);
    page->LoadDefaults();
    EXPECT_TRUE(page->rbFiltrit->Checked());
    EXPECT_FALSE(page->cbAdrbld->Checked());
    EXPECT_TRUE(page->BLDCONCheckBox->Checked()) << "the link control has no factory default";
}

TEST_F(Masks, RowBoxesFollowTheGridsScrollingAndStayInsideIt)
{
    page->PlaceRowCheckBoxes();
    EXPECT_FALSE(page->RowCheckBox(134)->Visible());
    page->sg->SetTopRow(120);
    EXPECT_TRUE(page->RowCheckBox(130)->Visible());
    EXPECT_GT(page->RowCheckBox(130)->Height(), 0);
    EXPECT_FALSE(page->RowCheckBox(1)->Visible());
    for (int row = 1; row <= 134; ++row) {
        const ui::TRect box = page->RowCheckBox(row)->BoundsRect().Offset(-page->sg->Left(), -page->sg->Top());
        EXPECT_TRUE(!page->RowCheckBox(row)->Visible() || ui::IntersectRect(box, page->sg->ClientRect()) == box) << row;
    }
}

TEST_F(Masks, LinkControlClearsAndDisablesTheLoop3BoxesOfTheLoopsPage)
{
    loops->cbResponce3->SetChecked(true);
    loops->cbRecovery3->SetChecked(true);
    loops->cbResponce2->SetChecked(true);
    page->BLDCONCheckBox->SetChecked(true);
    for (const ui::TControl* c : {static_cast<ui::TControl*>(loops->cbResponce3), static_cast<ui::TControl*>(loops->cbRecovery3),
                                  static_cast<ui::TControl*>(loops->cbRes3), static_cast<ui::TControl*>(loops->etLoopRec3)})
        EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_FALSE(loops->cbRecovery3->Checked());
    EXPECT_TRUE(loops->cbResponce2->Checked());
    page->BLDCONCheckBox->SetChecked(false);
    EXPECT_TRUE(loops->cbRecovery3->Enabled());
    EXPECT_FALSE(loops->cbResponce3->Checked());
}

TEST_F(Masks, TicksOfEveryRowLiveInTheIniFileInTheFlexibleModeOnly)
{
    TickOnly(*page, {2, 83, 84, 100, 134});
    TMemIniFile saved("/nonexistent/masks.ini");
    page->SaveToIni(saved);
    EXPECT_EQ(LoadedTicks(saved), (std::vector<int>{2, 83, 84, 100, 134}));
    EXPECT_EQ(LoadedTicks("rbAll=0\nrbFiltrit=0\nrbUseMask=1\ncb1=1\ncb83=1\n"), (std::vector<int>{1, 83}))
        << "an older file without rows 84 to 134";
    EXPECT_EQ(LoadedTicks("rbAll=1\nrbFiltrit=0\nrbUseMask=0\ncb1=0\ncb2=0\n"), EveryRow());
}

std::function<void(TFormMasks&)> Ticked(std::vector<int> rows)
{
    return [rows](TFormMasks& p) { EXPECT_EQ(TickedRows(p), rows); };
}
std::function<void(TFormMasks&)> TickedOnly(std::vector<int> rows)
{
    return [rows](TFormMasks& p) { TickOnly(p, rows); };
}
std::function<void(TFormMasks&)> LinkControlOn()
{
    return [](TFormMasks& p) { p.BLDCONCheckBox->SetChecked(true); };
}
std::string R(const std::string& group) { return "Ошибка при чтении параметра \"" + group + "\""; }
std::string W(const std::string& group) { return "Ошибка при записи параметра \"" + group + "\""; }
const std::string kFilter = "Фильтрация сообщений от С2000";
const std::string kLink = "Контроль связи с Bolid С2000";
const std::string kMask = "Маска событий для панели Bolid";
const std::string kMaskExt = "Маска событий для панели Bolid (дополнения)";
const std::string kAddress = "Запись адреса устройства Bolid C2000 в номер раздела";
testsupport::Exchange<TFormMasks> BadInputFlags(const std::string& name, const std::string& flags, const std::string& detail)
{
    return {.name = name, .write = true, .panel = sim::PanelKind::Bolid, .device = {{"X", flags}}, .given = LinkControlOn(),
            .wire = Lines{"+filtrit00", "+X", "+filtrallFF" + kC2000ItMask, "+filtral1" + Repeat("00", 8), "+adrbldFF"},
            .errors = {W(kLink) + ": " + detail}, .stored = {{"X", flags}, {"bldcon", "FF"}}};
}

using MasksExchange = testsupport::Exchange<TFormMasks>;
const MasksExchange kMasksExchanges[] = {
    {.name = "ReadFlexibleModeAndEveryRow", .panel = sim::PanelKind::Bolid,
     .device = {{"filtrit", "FF"}, {"filtrall", "00" + Repeat("00", 10) + "80"}, {"filtral1", "0100000000200000"},
                {"adrbld", "00"}, {"bldcon", "00"}},
     .wire = Lines{"+filtrit", "+bldcon", "+filtrall", "+filtral1", "+adrbld"},
     .logged = Lines{"Читаю \"" + kFilter + "\"", "Читаю \"" + kLink + "\"", "Читаю \"" + kMask + "\"", "Читаю \"" + kMaskExt + "\"",
                     "Читаю \"" + kAddress + "\""},
     .shown = {{"rbUseMask", "1"}, {"cbAdrbld", "1"}, {"BLDCONCheckBox", "1"}},
     .then = [](TFormMasks& p) {
         EXPECT_EQ(TickedRows(p), (std::vector<int>{88, 89, 134}));
         EXPECT_FALSE(FormLoops->cbResponce3->Enabled());
     }},
    {.name = "ReadC2000ItModeShowsTheBitsRead", .panel = sim::PanelKind::Bolid,
     .device = {{"filtrit", "00"}, {"filtrall", "FF0300" + Repeat("00", 9)}, {"filtral1", Repeat("00", 8)}},
     .shown = {{"rbFiltrit", "1"}, {"rbAll", "0"}}, .then = Ticked({1, 2})},
    {.name = "ReadNeitherModeIsAllRows", .panel = sim::PanelKind::Bolid,
     .device = {{"filtrit", "FF"}, {"filtrall", "FF" + Repeat("00", 11)}, {"filtral1", Repeat("00", 8)}},
     .shown = {{"rbAll", "1"}}, .then = Ticked(EveryRow())},
    {.name = "ReadFlagsThatCannotBeReadKeepThePage", .panel = sim::PanelKind::Bolid, .device = {{"adrbld", "G1"}},
     .refused = {"bldcon", "filtrit"}, .given = [](TFormMasks& p) { LinkControlOn()(p); p.cbAdrbld->SetChecked(true); },
     .errors = {R(kFilter), R(kLink), R(kAddress)}, .shown = {{"BLDCONCheckBox", "1"}, {"cbAdrbld", "1"}}},
    {.name = "ReadMasksNotHexAreErrors", .panel = sim::PanelKind::Bolid,
     .device = {{"filtrit", "FF"}, {"adrbld", "00"}, {"filtrall", "00" + Repeat("FF", 10) + "ZZ"}, {"filtral1", Repeat("F", 15)}},
     .given = TickedOnly({5}), .errors = {R(kMask), R(kMaskExt)}, .shown = {{"cbAdrbld", "1"}}, .then = Ticked({5})},
    {.name = "ReadBelow85OneMaskOf83Rows", .build = 84, .panel = sim::PanelKind::Bolid,
     .device = {{"filtrall", "00" + Repeat("00", 10) + "07"}}, .wire = Lines{"+filtrit", "+bldcon", "+filtrall"},
     .then = Ticked({81, 82, 83})},
    {.name = "ReadAddressFlagFrom101", .build = 101, .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+filtrit", "+bldcon", "+filtrall", "+filtral1", "+adrbld"}},
    {.name = "ReadNoAddressFlagAt100", .build = 100, .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+filtrit", "+bldcon", "+filtrall", "+filtral1"}},
    {.name = "ReadNoAddressFlagOfMajor6", .major = 6, .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+filtrit", "+bldcon", "+filtrall", "+filtral1"}},

    {.name = "WriteFlexibleMode", .write = true, .panel = sim::PanelKind::Bolid,
     .given = [](TFormMasks& p) { TickOnly(p, {3, 64, 88, 89, 100, 134}); p.cbAdrbld->SetChecked(true); },
     .wire = Lines{"+filtritFF", "+bldconFF", "+filtrall0004" + Repeat("00", 6) + "80000080", "+filtral10108000000200000", "+adrbld00"},
     .logged = Lines{"Пишу \"" + kFilter + "\"", "Пишу \"" + kLink + "\"", "Пишу \"" + kMask + "\"", "Пишу \"" + kMaskExt + "\"",
                     "Пишу \"" + kAddress + "\""}},
    {.name = "WriteLinkControlClearsTheLoop3Bits", .write = true, .panel = sim::PanelKind::Bolid, .device = {{"X", "B3"}},
     .given = LinkControlOn(), .stored = {{"X", "83"}, {"bldcon", "00"}}},
    BadInputFlags("WriteInputFlagsNotHex", "ZZ", "флаги входов (X) прочитаны не как две шестнадцатеричные цифры: \"ZZ\""),
    BadInputFlags("WriteInputFlagsTooLong", "B30", "флаги входов (X) прочитаны не как две шестнадцатеричные цифры: \"B30\""),
    BadInputFlags("WriteInputFlagsEmpty", "", "флаги входов (X) прочитаны не как две шестнадцатеричные цифры: \"\""),
    {.name = "WriteInputFlagsRefused", .write = true, .panel = sim::PanelKind::Bolid, .refused = {"X83"}, .given = LinkControlOn(),
     .errors = {W(kLink)}, .stored = {{"bldcon", "FF"}}},
    {.name = "WriteBelow85", .write = true, .build = 84, .panel = sim::PanelKind::Bolid, .given = TickedOnly({1, 9}),
     .wire = Lines{"+filtritFF", "+bldconFF", "+filtrall000101" + Repeat("00", 9), "+adrbldFF"}},
    {.name = "WriteBelow49OnlyMaskAndAddress", .write = true, .build = 48, .panel = sim::PanelKind::Bolid,
     .wire = Lines{"+filtrallFF" + kC2000ItMask, "+adrbldFF"}},
    {.name = "WriteFailuresAreListed", .write = true, .panel = sim::PanelKind::Bolid,
     .refused = {"filtrit", "bldcon", "filtrall", "filtral1", "adrbld"},
     .errors = {W(kFilter), W(kLink), W(kMask), W(kMaskExt), W(kAddress)}},
};

class MasksTable : public Masks, public ::testing::WithParamInterface<MasksExchange> {};
TEST_P(MasksTable, WithTheDevice) { Run(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Masks, MasksTable, ::testing::ValuesIn(kMasksExchanges), testsupport::ExchangeName{});

}  // namespace
