#include "app/HistoryExport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/MsgFileU.h"
#include "platform/Text.h"
#include "sim/HistoryRing.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/Grids.h"

namespace fs = std::filesystem;

namespace {

class HistoryExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "xls-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Bytes(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path folder_;
};

// Reads the worksheet back record by record.
class Reader {
public:
    explicit Reader(std::string bytes) : bytes_(std::move(bytes)) {}
    int Word()
    {
        const int v = static_cast<unsigned char>(bytes_.at(at_)) | (static_cast<unsigned char>(bytes_.at(at_ + 1)) << 8);
        at_ += 2;
        return v;
    }
    std::string Take(std::size_t n)
    {
        std::string s = bytes_.substr(at_, n);
        at_ += n;
        return s;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

struct LabelCell {
    int row, col;
    std::string text;  // UTF-8
};

// Checks the frame (BOF, CODEPAGE, EOF) and returns the LABEL cells in file order.
std::vector<LabelCell> Labels(const std::string& bytes)
{
    Reader r(bytes);
    EXPECT_EQ(r.Take(12), std::string("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12)) << "BOF";
    EXPECT_EQ(r.Take(6), std::string("\x42\x00\x02\x00\xE3\x04", 6)) << "CODEPAGE 1251";
    std::vector<LabelCell> cells;
    for (;;) {
        const int type = r.Word();
        const int length = r.Word();
        if (type == 0x000A) {
            EXPECT_EQ(length, 0);
            break;
        }
        EXPECT_EQ(type, 0x0204);
        LabelCell cell;
        cell.row = r.Word();
        cell.col = r.Word();
        EXPECT_EQ(r.Word(), 0) << "format index";
        const int textLength = r.Word();
        EXPECT_EQ(length, textLength + 8);
        cell.text = platform::Cp1251ToUtf8(r.Take(static_cast<std::size_t>(textLength)));
        cells.push_back(cell);
    }
    EXPECT_TRUE(r.AtEnd());
    return cells;
}

TEST_F(HistoryExportTest, WorksheetIsWrittenColumnByColumnInWindows1251)
{
    const fs::path file = folder_ / "page.xls";
    const TWorksheet cells{{"№", "Время"}, {"1", ""}, {"2", "Тревога"}};
    const TWorksheetResult result = WriteWorksheet(file, cells);
    EXPECT_EQ(result.RowsWritten, 3);
    const std::vector<LabelCell> labels = Labels(Bytes(file));
    ASSERT_EQ(labels.size(), 6u);
    const std::vector<std::tuple<int, int, std::string>> expected{
        {0, 0, "№"}, {1, 0, "1"}, {2, 0, "2"}, {0, 1, "Время"}, {1, 1, ""}, {2, 1, "Тревога"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(labels[i].row, std::get<0>(expected[i])) << i;
        EXPECT_EQ(labels[i].col, std::get<1>(expected[i])) << i;
        EXPECT_EQ(labels[i].text, std::get<2>(expected[i])) << i;
    }
}

TEST_F(HistoryExportTest, ShortRowsAreFilledWithEmptyCells)
{
    const fs::path file = folder_ / "ragged.xls";
    WriteWorksheet(file, {{"a", "b"}, {"c"}});
    const std::vector<LabelCell> labels = Labels(Bytes(file));
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[3].row, 1);
    EXPECT_EQ(labels[3].col, 1);
}

TEST_F(HistoryExportTest, RowsBeyondTheFormatAreReportedNotHidden)
{
    const fs::path file = folder_ / "big.xls";
    TWorksheet cells(static_cast<std::size_t>(WorksheetMaxRows) + 5, std::vector<std::string>{"x"});
    const TWorksheetResult result = WriteWorksheet(file, cells);
    EXPECT_EQ(result.RowsWritten, WorksheetMaxRows);
    EXPECT_EQ(result.RowsLeftOut, 5);
    EXPECT_EQ(Labels(Bytes(file)).size(), static_cast<std::size_t>(WorksheetMaxRows));
}

TEST_F(HistoryExportTest, AFileThatCannotBeCreatedRaises)
{
    EXPECT_THROW(WriteWorksheet(folder_ / "missing" / "x.xls", {{"a"}}), std::runtime_error);
}

TEST(HistoryExportCells, PhonesColumnsBecomeChannelLists)
{
    EXPECT_EQ(FormatPhonesCell("1i2i34", hcPhones, 1), "1,2,3,4");
    EXPECT_EQ(FormatPhonesCell("1i2i34", hcSentFact, 1), "1,2") << "only the channels that got it";
    EXPECT_EQ(FormatPhonesCell("1i23", hcSentFact, 4), "1");
    EXPECT_EQ(FormatPhonesCell("GPRS", hcSentFact, 1), "GPRS");
    EXPECT_EQ(FormatPhonesCell("", hcPhones, 1), "");
    EXPECT_EQ(FormatPhonesCell("1i2", hcPhones, 0), "1i2") << "the title row is left alone";
    EXPECT_EQ(FormatPhonesCell("1i2", hcGlobal, 3), "1i2");
}

sim::HistoryEvent Event(std::string delivery, std::uint8_t channels)
{
    sim::HistoryEvent e;
    e.delivery = std::move(delivery);
    e.channels = channels;
    e.time = 1'717'156'800;
    return e;
}

TEST(HistoryExportCells, StoreSheetCarriesEventTextsAndMarks)
{
    THistoryStore store;
    store.Insert(0, {4, sim::HistoryRing::MakeRecord(4, Event("00", 0xFE)), "1i2i3", "1i23"});
    store.Insert(0, {5, sim::HistoryRing::MakeRecord(5, Event("02", 0xFF)), "", ""});
    TMsgFile messages;
    messages.Rows = {{"1301", "Проникновение", "$0000FF", "0"}};
    const TWorksheet sheet = HistoryStoreSheet(store, &messages, false, HistoryFillers);
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_EQ(sheet[0][hcSentFact], "Передано по факту");
    EXPECT_EQ(sheet[1][hcSentFact], "GPRS");
    EXPECT_EQ(sheet[2][hcNumber], "4");
    EXPECT_EQ(sheet[2][hcEvent], "Проникновение");
    EXPECT_EQ(sheet[2][hcSentFact], "1i23");
    EXPECT_EQ(sheet[2][hcRecordCheck], "Да");
    EXPECT_EQ(HistoryStoreSheet(store, &messages, false, HistoryFillersM45PE16)[2][hcRecordCheck], "Нет")
        << "a record of the other chip's layout fails the 9-filler count";
}

TEST(HistoryExportCells, PageSheetTakesPhoneMarksFromTheStore)
{
    ui::ApplicationScope scope;
    auto* form = scope.App().CreateForm<ui::TForm>("F");
    auto* grid = ui::Create<ui::TStringGrid>(form, "g", form);
    grid->SetColCount(HistoryColumnCount);
    grid->SetRowCount(3);
    grid->SetCell(hcNumber, 1, "4");
    grid->SetCell(hcNumber, 2, "5");
    grid->SetCell(hcSentFact, 2, "GPRS");
    THistoryStore store;
    store.Insert(0, {4, sim::HistoryRing::MakeRecord(4, Event("00", 0xFE)), "1i2i3", "1i23"});
    const TWorksheet sheet = HistoryPageSheet(*grid, store);
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_EQ(sheet[1][hcPhones], "1i2i3");
    EXPECT_EQ(sheet[2][hcSentFact], "GPRS");
}

TEST_F(HistoryExportTest, ExportFormatsTheMarkColumns)
{
    const fs::path file = folder_ / "marks.xls";
    TWorksheet cells(2, std::vector<std::string>(HistoryColumnCount));
    cells[0][hcSentFact] = "Передано по факту";
    cells[1][hcSentFact] = "1i23";
    cells[1][hcPhones] = "1i2i3";
    ExportHistorySheet(file, cells);
    const std::vector<LabelCell> labels = Labels(Bytes(file));
    ASSERT_EQ(labels.size(), 32u);
    EXPECT_EQ(labels[2 * hcSentFact + 1].text, "1");
    EXPECT_EQ(labels[2 * hcPhones + 1].text, "1,2,3");
}

}  // namespace
