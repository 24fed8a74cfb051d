#include "app/fMasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/DeviceController.h"
#include "app/fLoops.h"
#include "app/fProgress.h"
#include "link/ComPortWorker.h"
#include "platform/Color.h"
#include "sim/Communicator.h"
#include "sim/Line.h"
#include "sim/Pty.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/OverridingDevice.h"
#include "tests/support/RecordingLog.h"
#include "ui/Application.h"

namespace {

using namespace ui;

TMsgFile Table()
{
    TMsgFile table;
    table.Rows = {{"1101", "Пожар"}, {"1303", "Восстановление после проникновения"}, {"1301", "Проникновение"}};
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

class MasksPage : public ::testing::Test {
protected:
    TFormMasks& NewPage() { return *Create<TFormMasks>(&scope.App(), "FormMasks", nullptr, &table); }
    TFormLoops& NewLoops() { return *Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &table); }

    std::filesystem::path IniPath(const std::string& tag)
    {
        return std::filesystem::temp_directory_path() /
               ("sorvel-masks-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + tag + ".ini");
    }

    ApplicationScope scope;
    TMsgFile table = Table();
};

TEST_F(MasksPage, CreatedWith134RowsInTheC2000ItMode)
{
    TFormMasks& page = NewPage();
    EXPECT_EQ(page.MaskRows(), 134);
    EXPECT_EQ(page.sg->Cells(2, 1), "ПОЖАР");
    EXPECT_EQ(page.sg->Cells(3, 1), "1110: Пожар");
    EXPECT_EQ(page.sg->Cells(3, 3), "1130: Проникновение");
    EXPECT_EQ(page.sg->Cells(3, 2), "1118:  ");
    EXPECT_EQ(page.sg->Cells(2, 134), "ОТМЕТКА НАРЯДА");
    EXPECT_EQ(TickedRows(page), kC2000It);
}

TEST_F(MasksPage, BuildsBelow85Have83Rows)
{
    TFormMasks& page = NewPage();
    page.SetupForDevice(84);
    EXPECT_EQ(page.MaskRows(), 83);
    EXPECT_EQ(page.RowCheckBox(84), nullptr);
    page.SetupForDevice(85);
    EXPECT_EQ(page.MaskRows(), 134);
}

TEST_F(MasksPage, RowBoxesLieOverTheirCellsScrollWithThemAndNeverLeaveTheGrid)
{
    TFormMasks& page = NewPage();
    page.PlaceRowCheckBoxes();
    const TRect cell = page.sg->CellRect(1, 1);
    EXPECT_EQ(page.RowCheckBox(1)->Top(), page.sg->Top() + cell.Top + 2);
    const auto inGrid = [&page](int row) {
        const TRect box = page.RowCheckBox(row)->BoundsRect().Offset(-page.sg->Left(), -page.sg->Top());
        return !page.RowCheckBox(row)->Visible() || IntersectRect(box, page.sg->ClientRect()) == box;
    };
    EXPECT_FALSE(page.RowCheckBox(134)->Visible());
    EXPECT_EQ(page.RowCheckBox(134)->Width() * page.RowCheckBox(134)->Height(), 0);

    page.sg->SetTopRow(120);  // the boxes follow at once
    EXPECT_TRUE(page.RowCheckBox(130)->Visible());
    EXPECT_GT(page.RowCheckBox(130)->Height(), 0);
    EXPECT_FALSE(page.RowCheckBox(1)->Visible());
    for (int row = 1; row <= 134; ++row) EXPECT_TRUE(inGrid(row)) << row;
}

TEST_F(MasksPage, FixedModesTickTheirRowsAndLockTheBoxesTheFlexibleModeKeepsAndUnlocksThem)
{
    TFormMasks& page = NewPage();
    page.rbAll->SetChecked(true);
    EXPECT_EQ(TickedRows(page).size(), 134u);
    page.rbFiltrit->SetChecked(true);
    EXPECT_EQ(TickedRows(page), kC2000It);
    EXPECT_FALSE(page.RowCheckBox(1)->Enabled());
    EXPECT_EQ(page.sg->Color(), clBtnFace);
    page.rbUseMask->SetChecked(true);
    EXPECT_EQ(TickedRows(page), kC2000It);
    EXPECT_TRUE(page.RowCheckBox(100)->Enabled());
    EXPECT_EQ(page.sg->Color(), clWhite);
}

TEST_F(MasksPage, DefaultsSelectC2000ItAndLeaveTheLinkControlBoxAlone)
{
    TFormMasks& page = NewPage();
    page.rbUseMask->SetChecked(true);
    page.SetRowTicked(100, true);
    page.cbAdrbld->SetChecked(true);
    page.BLDCONCheckBox->SetChecked(true);
    page.LoadDefaults();
    EXPECT_TRUE(page.rbFiltrit->Checked());
    EXPECT_FALSE(page.cbAdrbld->Checked());
    EXPECT_TRUE(page.BLDCONCheckBox->Checked());
    EXPECT_EQ(TickedRows(page), kC2000It);
}

TEST_F(MasksPage, TicksSurviveARebuildOnConnectAndTheModeIsAppliedAgain)
{
    TFormMasks& page = NewPage();
    TickOnly(page, {1, 9, 83, 84, 134});
    page.SetupForDevice(120);
    EXPECT_EQ(TickedRows(page), (std::vector<int>{1, 9, 83, 84, 134}));
    page.SetupForDevice(60);
    EXPECT_EQ(TickedRows(page), (std::vector<int>{1, 9, 83}));

    page.rbFiltrit->SetChecked(true);
    page.SetupForDevice(120);
    EXPECT_EQ(TickedRows(page), kC2000It);
    EXPECT_FALSE(page.RowCheckBox(120)->Enabled());
}

TEST_F(MasksPage, LinkControlClearsAndDisablesTheLoop3BoxesOfTheLoopsPage)
{
    TFormLoops& loops = NewLoops();
    TFormMasks& page = NewPage();
    loops.cbResponce3->SetChecked(true);
    loops.cbRecovery3->SetChecked(true);
    loops.cbResponce2->SetChecked(true);
    page.BLDCONCheckBox->SetChecked(true);
    for (const TControl* c : std::initializer_list<const TControl*>{loops.cbResponce3, loops.cbRecovery3, loops.cbRes3, loops.etLoopRec3})
        EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_FALSE(loops.cbRecovery3->Checked());
    EXPECT_TRUE(loops.cbResponce2->Checked());
    page.BLDCONCheckBox->SetChecked(false);
    EXPECT_TRUE(loops.cbRecovery3->Enabled());
    EXPECT_FALSE(loops.cbResponce3->Checked());
}

TEST_F(MasksPage, AllRowsIncludingRows84To134RoundTripThroughTheIniFile)
{
    const auto path = IniPath("all");
    {
        TFormMasks& page = NewPage();
        TickOnly(page, {2, 83, 84, 100, 134});
        TMemIniFile ini(path);
        page.SaveToIni(ini);
        ini.UpdateFile();
        Free(&page);
    }
    TFormMasks& page = NewPage();
    page.LoadFromIni(TMemIniFile(path));
    std::filesystem::remove(path);
    EXPECT_EQ(TickedRows(page), (std::vector<int>{2, 83, 84, 100, 134}));
}

TEST_F(MasksPage, AnOldFileWithout84To134LoadsThoseRowsUnticked)
{
    const auto path = IniPath("old");
    std::ofstream(path) << "[FormMasks]\nrbAll=0\nrbFiltrit=0\nrbUseMask=1\ncb1=1\ncb83=1\n";
    TFormMasks& page = NewPage();
    page.rbAll->SetChecked(true);
    page.LoadFromIni(TMemIniFile(path));
    std::filesystem::remove(path);
    EXPECT_EQ(TickedRows(page), (std::vector<int>{1, 83}));
}

TEST_F(MasksPage, OutsideTheFlexibleModeTheStoredTicksAreIgnoredAndTheModeApplies)
{
    const auto path = IniPath("mode");
    std::ofstream(path) << "[FormMasks]\nrbAll=1\nrbFiltrit=0\nrbUseMask=0\ncb1=0\ncb2=0\n";
    TFormMasks& page = NewPage();
    page.LoadFromIni(TMemIniFile(path));
    std::filesystem::remove(path);
    EXPECT_TRUE(page.rbAll->Checked());
    EXPECT_EQ(TickedRows(page).size(), 134u);
}

sim::DeviceProfile BolidDevice(const std::string& version)
{
    sim::DeviceProfile profile;
    profile.panel = sim::PanelKind::Bolid;
    profile.version = version;
    return profile;
}

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

class MasksDevice : public ::testing::Test {
protected:
    explicit MasksDevice(const std::string& version = "REV 11.005.120") : device(BolidDevice(version), scope.Clock())
    {
        loops = Create<TFormLoops>(&scope.App(), "FormLoops", nullptr, &table);
        page = Create<TFormMasks>(&scope.App(), "FormMasks", nullptr, &table);
        SetBuild(std::stoi(version.substr(11)));
    }
    void SetBuild(int build, int major = 5)
    {
        controller.Major = major;
        controller.Build = build;
        page->SetupForDevice(build);
    }
    std::vector<std::string> Errors() const { return controller.Errors.Lines(); }
    bool Asked(const std::string& prefix) const
    {
        return std::any_of(line.requests.begin(), line.requests.end(),
                           [&](const std::string& r) { return r.rfind(prefix, 0) == 0; });
    }

    ApplicationScope scope;
    TMsgFile table = Table();
    sim::Communicator device;
    testsupport::OverridingDevice line{device};
    testsupport::LoopbackComm comm{line, scope.Clock()};
    testsupport::RecordingLog log;
    TDeviceController controller{comm, &log};
    TFormLoops* loops = nullptr;
    TFormMasks* page = nullptr;
};

TEST_F(MasksDevice, ReadTakesTheModesAndEveryRowFromBothMaskValues)
{
    device.SetValue("filtrit", "FF");
    device.SetValue("filtrall", "00" + Repeat("00", 10) + "80");
    device.SetValue("filtral1", "0100000000200000");
    device.SetValue("adrbld", "00");
    device.SetValue("bldcon", "00");
    controller.ReadForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(page->rbUseMask->Checked());
    EXPECT_EQ(TickedRows(*page), (std::vector<int>{88, 89, 134}));
    EXPECT_TRUE(page->cbAdrbld->Checked());
    EXPECT_TRUE(page->BLDCONCheckBox->Checked());
    EXPECT_FALSE(loops->cbResponce3->Enabled());
}

TEST_F(MasksDevice, TheFixedModesReadShowTheBitsOrEveryRow)
{
    struct Case { const char* filtrit; std::string filtrall; bool c2000It; std::vector<int> ticked; };
    std::vector<int> every(134);
    std::iota(every.begin(), every.end(), 1);
    for (const Case& c : {Case{"00", "FF0300" + Repeat("00", 9), true, {1, 2}}, Case{"FF", "FF" + Repeat("00", 11), false, every}}) {
        SCOPED_TRACE(c.filtrall);
        device.SetValue("filtrit", c.filtrit);
        device.SetValue("filtrall", c.filtrall);
        device.SetValue("filtral1", Repeat("00", 8));
        controller.ReadForm(*page);
        EXPECT_EQ(page->rbFiltrit->Checked(), c.c2000It);
        EXPECT_EQ(page->rbAll->Checked(), !c.c2000It);
        EXPECT_EQ(TickedRows(*page), c.ticked);
    }
}

TEST_F(MasksDevice, WrittenPageReadsBackTheSame)
{
    TickOnly(*page, {3, 64, 88, 89, 100, 134});
    page->cbAdrbld->SetChecked(true);
    controller.WriteForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(device.Value("filtrit"), "FF");
    EXPECT_EQ(device.Value("filtral1"), "0108000000200000");

    page->LoadDefaults();
    page->cbAdrbld->SetChecked(false);
    controller.ReadForm(*page);
    EXPECT_TRUE(page->cbAdrbld->Checked());
    EXPECT_EQ(TickedRows(*page), (std::vector<int>{3, 64, 88, 89, 100, 134}));
}

TEST_F(MasksDevice, GroupsAreLoggedWithTheirTitles)
{
    controller.ReadForm(*page);
    controller.WriteForm(*page);
    const auto info = log.Texts(testsupport::RecordingLog::Kind::Info);
    for (const char* line : {"Читаю \"Фильтрация сообщений от С2000\"", "Читаю \"Маска событий для панели Bolid\"",
                             "Читаю \"Маска событий для панели Bolid (дополнения)\"",
                             "Читаю \"Запись адреса устройства Bolid C2000 в номер раздела\"",
                             "Пишу \"Контроль связи с Bolid С2000\"", "Пишу \"Фильтрация сообщений от С2000\""})
        EXPECT_NE(std::find(info.begin(), info.end(), line), info.end()) << line;
}

TEST_F(MasksDevice, LinkControlClearsTheLoop3BitsOfTheInputFlagsBeforeSwitchingOn)
{
    device.SetValue("X", "B3");
    page->BLDCONCheckBox->SetChecked(true);
    controller.WriteForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(device.Value("X"), "83");
    EXPECT_EQ(device.Value("bldcon"), "00");
}

TEST_F(MasksDevice, InputFlagsThatAreNotTwoHexDigitsStopTheLinkControlGroup)
{
    for (const std::string bad : {"ZZ", "B30", ""}) {
        controller.ClearErrors();
        line.requests.clear();
        line.overrides = {{"+X", ">" + bad + "\r\nOK\r\n"}};
        page->BLDCONCheckBox->SetChecked(true);
        controller.WriteForm(*page);
        ASSERT_EQ(Errors().size(), 1u) << bad;
        EXPECT_EQ(Errors()[0].rfind("Ошибка при записи параметра \"Контроль связи с Bolid С2000\": ", 0), 0u);
        EXPECT_FALSE(std::any_of(line.requests.begin(), line.requests.end(),
                                 [](const std::string& r) { return r.rfind("+X", 0) == 0 && r.size() > 2; }))
            << bad;
        EXPECT_FALSE(Asked("+bldcon")) << bad;
        EXPECT_TRUE(Asked("+adrbld")) << bad;
    }
}

TEST_F(MasksDevice, AFailedInputFlagsWriteIsAnErrorAndLeavesTheLinkControlOff)
{
    line.overrides = {{"+X83", "NOK\r\n"}};
    page->BLDCONCheckBox->SetChecked(true);
    controller.WriteForm(*page);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Ошибка при записи параметра \"Контроль связи с Bolid С2000\""}));
    EXPECT_EQ(device.Value("bldcon"), "FF");
}

TEST_F(MasksDevice, FlagsThatCannotBeReadAreErrorsAndKeepWhatThePageShowed)
{
    page->BLDCONCheckBox->SetChecked(true);
    page->rbUseMask->SetChecked(true);
    page->cbAdrbld->SetChecked(true);
    line.overrides = {{"+bldcon", "NOK\r\n"}, {"+filtrit", "NOK\r\n"}, {"+adrbld", ">G1\r\nOK\r\n"}};
    page->Clear();
    controller.ReadForm(*page);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "Ошибка при чтении параметра \"Фильтрация сообщений от С2000\"",
                            "Ошибка при чтении параметра \"Контроль связи с Bolid С2000\"",
                            "Ошибка при чтении параметра \"Запись адреса устройства Bolid C2000 в номер раздела\""}));
    EXPECT_TRUE(page->BLDCONCheckBox->Checked());
    EXPECT_TRUE(page->cbAdrbld->Checked());
    controller.ClearErrors();
    line.overrides.clear();
    controller.WriteForm(*page);
    EXPECT_EQ(device.Value("bldcon"), "00");
}

TEST_F(MasksDevice, MaskValuesWithNonHexCharactersAreReadErrorsAndTheRestOfThePageIsRead)
{
    TickOnly(*page, {5});
    device.SetValue("filtrit", "FF");
    device.SetValue("adrbld", "00");
    line.overrides = {{"+filtrall", ">00" + Repeat("FF", 10) + "ZZ\r\nOK\r\n"},
                      {"+filtral1", ">FFFFFFFFFFFFFFF\r\nOK\r\n"}};
    controller.ReadForm(*page);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "Ошибка при чтении параметра \"Маска событий для панели Bolid\"",
                            "Ошибка при чтении параметра \"Маска событий для панели Bolid (дополнения)\""}));
    EXPECT_EQ(TickedRows(*page), (std::vector<int>{5}));
    EXPECT_TRUE(page->cbAdrbld->Checked());
}

TEST_F(MasksDevice, ProgressCountsThreeGroupsAndTheGridTakesTheFocus)
{
    TFormProgress* progress = Create<TFormProgress>(&scope.App(), "");
    FormProgress = progress;
    controller.ReadMasks();
    EXPECT_EQ(progress->pb->Position(), 3);
    controller.WriteMasks();
    EXPECT_EQ(progress->pb->Max(), 3);
    EXPECT_EQ(progress->pb->Position(), 3);
    FormProgress = nullptr;
    Free(progress);
}

class MasksOldDevice : public MasksDevice {
protected:
    MasksOldDevice() : MasksDevice("REV 11.005.084") {}
};

TEST_F(MasksOldDevice, Below85TheMaskIs83RowsInOneValueAndFiltral1IsNeverUsed)
{
    TickOnly(*page, {1, 9});
    controller.WriteForm(*page);
    EXPECT_EQ(device.Value("filtrall"), "000101" + Repeat("00", 9));
    device.SetValue("filtrall", "00" + Repeat("00", 10) + "07");
    controller.ReadForm(*page);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(TickedRows(*page), (std::vector<int>{81, 82, 83}));
    EXPECT_FALSE(Asked("+filtral1"));
}

TEST_F(MasksOldDevice, TheFilterAndLinkControlAreWrittenFromBuild49AndTheAddressFlagAlways)
{
    SetBuild(48);
    controller.WriteForm(*page);
    EXPECT_FALSE(Asked("+filtrit"));
    EXPECT_FALSE(Asked("+bldcon"));
    EXPECT_TRUE(Asked("+adrbld"));
    line.requests.clear();
    SetBuild(49);
    controller.WriteForm(*page);
    EXPECT_TRUE(Asked("+filtrit"));
    EXPECT_TRUE(Asked("+bldcon"));
}

TEST_F(MasksOldDevice, TheAddressFlagIsReadOnlyFromBuild101OfMajor5)
{
    for (const auto& [major, build, read] : {std::tuple{5, 100, false}, {5, 101, true}, {6, 120, false}}) {
        line.requests.clear();
        SetBuild(build, major);
        controller.ReadForm(*page);
        EXPECT_EQ(std::count(line.requests.begin(), line.requests.end(), "+adrbld") > 0, read) << major << "." << build;
    }
}

TEST(MasksOverASerialLine, ReadAndWriteThroughTheCableWorker)
{
    ApplicationScope scope;
    const TMsgFile table = Table();
    sim::Communicator device(BolidDevice("REV 11.005.120"), scope.Clock());
    sim::Pty pty;
    sim::Line simLine(pty, device);
    TComPortWorker worker(true, true, scope.Clock());
    worker.Open(pty.SlavePath(), br19200);
    TDeviceController controller(worker, nullptr);
    controller.Major = 5;
    controller.Build = 120;
    TFormMasks& page = *Create<TFormMasks>(&scope.App(), "FormMasks", nullptr, &table);
    page.SetupForDevice(120);

    controller.ReadForm(page);
    EXPECT_TRUE(controller.Errors.Empty());
    EXPECT_TRUE(page.rbFiltrit->Checked());

    TickOnly(page, {2, 90});
    controller.WriteForm(page);
    EXPECT_TRUE(controller.Errors.Empty());
    EXPECT_EQ(device.Value("filtrall"), "0002" + Repeat("00", 10));
    EXPECT_EQ(device.Value("filtral1"), "0200000000000000");
    worker.Close();
}

}  // namespace
