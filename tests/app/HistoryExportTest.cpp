#include "app/HistoryExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/MsgFileU.h"
#include "sim/HistoryRing.h"
#include "tests/support/TempFolder.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/Grids.h"

namespace fs = std::filesystem;

namespace {

std::string StoredRecord(int number, std::string delivery, std::uint8_t channels)
{
    sim::HistoryEvent e;
    e.delivery = std::move(delivery);
    e.channels = channels;
    e.time = 1'717'156'800;
    return sim::HistoryRing::MakeRecord(number, e);
}

TEST(HistoryExport, WorksheetBytesAreWhatASpreadsheetReadsAndRowsBeyondTheFormatAreReported)
{
    const testsupport::TempFolder folder;
    EXPECT_EQ(WriteWorksheet(folder.path / "page.xls", {{"№", "Время"}, {"1"}}).RowsWritten, 2);
    constexpr char kExpected[] =
        "\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00"        // BOF, worksheet
        "\x42\x00\x02\x00\xE3\x04"                                // CODEPAGE 1251
        "\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x01\x00\xB9"    // LABEL row 0, column 0: "№"
        "\x04\x02\x09\x00\x01\x00\x00\x00\x00\x00\x01\x00" "1"    // column by column
        "\x04\x02\x0D\x00\x00\x00\x01\x00\x00\x00\x05\x00\xC2\xF0\xE5\xEC\xFF"
        "\x04\x02\x08\x00\x01\x00\x01\x00\x00\x00\x00\x00"        // a short row's missing cell, empty
        "\x0A\x00\x00\x00";                                       // EOF
    EXPECT_EQ(folder.Read("page.xls"), std::string(kExpected, sizeof kExpected - 1));
    // Rows beyond the format are reported, not hidden; a file that cannot be made raises.
    const TWorksheet cells(static_cast<std::size_t>(WorksheetMaxRows) + 5, std::vector<std::string>{"x"});
    const TWorksheetResult result = WriteWorksheet(folder.path / "big.xls", cells);
    EXPECT_EQ(result.RowsWritten, WorksheetMaxRows);
    EXPECT_EQ(result.RowsLeftOut, 5);
    EXPECT_EQ(folder.Read("big.xls").size(), 12u + 6 + 13 * static_cast<std::size_t>(WorksheetMaxRows) + 4);
    EXPECT_THROW(WriteWorksheet(folder.path / "missing" / "x.xls", {{"a"}}), std::runtime_error);
}

TEST(HistoryExport, MarkColumnsBecomeChannelListsBelowTheTitles)
{
    const testsupport::TempFolder folder;
    const std::pair<std::tuple<const char*, int, int>, const char*> cases[] = {
        {{"1i2i34", hcPhones, 1}, "1,2,3,4"}, {{"1i2i34", hcSentFact, 1}, "1,2"}, {{"1i23", hcSentFact, 4}, "1"},
        {{"GPRS", hcSentFact, 1}, "GPRS"},   {{"", hcPhones, 1}, ""},            {{"1i2", hcPhones, 0}, "1i2"},
        {{"1i2", hcGlobal, 3}, "1i2"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(FormatPhonesCell(std::get<0>(in), std::get<1>(in), std::get<2>(in)), out) << std::get<0>(in);

    TWorksheet cells(2, std::vector<std::string>(HistoryColumnCount));
    cells[0][hcSentFact] = "Передано по факту";
    cells[1][hcSentFact] = "1i23";
    cells[1][hcPhones] = "1i2i3";
    ExportHistorySheet(folder.path / "marks.xls", cells);
    cells[1][hcSentFact] = "1";
    cells[1][hcPhones] = "1,2,3";
    WriteWorksheet(folder.path / "expected.xls", cells);
    EXPECT_EQ(folder.Read("marks.xls"), folder.Read("expected.xls"));
}

TEST(HistorySheets, StoreSheetCarriesEventTextsAndMarksPageSheetTheStoredMarks)
{
    THistoryStore store;
    store.Insert(0, {4, StoredRecord(4, "00", 0xFE), "1i2i3", "1i23"});
    store.Insert(0, {5, StoredRecord(5, "02", 0xFF), "", ""});
    TMsgFile messages;
    messages.Rows = {{"1301", "Проникновение", "$0000FF", "0"}};
    const TWorksheet sheet = HistoryStoreSheet(store, &messages, false, HistoryFillers);
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_EQ(sheet[0][hcSentFact], "Передано по факту");
    EXPECT_EQ(sheet[1][hcSentFact], "GPRS");
    EXPECT_EQ(sheet[2][hcNumber], "4");
    EXPECT_EQ(sheet[2][hcEvent], "Проникновение");
    EXPECT_EQ(sheet[2][hcSentFact], "1i23");
    EXPECT_EQ(sheet[2][hcPhones], "1i2i3");
    EXPECT_EQ(sheet[2][hcRecordCheck], "Да");
    EXPECT_EQ(HistoryStoreSheet(store, &messages, false, HistoryFillersM45PE16)[2][hcRecordCheck], "Нет")
        << "a record of the other chip's layout fails the 9-filler count";

    ui::ApplicationScope scope;
    auto* form = scope.App().CreateForm<ui::TForm>("F");
    auto* grid = ui::Create<ui::TStringGrid>(form, "g", form);
    grid->SetColCount(HistoryColumnCount);
    grid->SetRowCount(3);
    grid->SetCell(hcNumber, 1, "4");
    grid->SetCell(hcNumber, 2, "5");
    grid->SetCell(hcSentFact, 2, "GPRS");
    const TWorksheet page = HistoryPageSheet(*grid, store);
    ASSERT_EQ(page.size(), 3u);
    EXPECT_EQ(page[1][hcPhones], "1i2i3");
    EXPECT_EQ(page[1][hcSentFact], "1i23");
    EXPECT_EQ(page[2][hcSentFact], "GPRS");
}

}  // namespace
