#include "app/HistoryExport.h"

#include <algorithm>
#include <cstdint>

#include "platform/Text.h"
#include "platform/WholeFile.h"
#include "ui/Grids.h"

namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::size_t kMaxLabelBytes = 0xFFFF - 8;

void Put16(std::string& out, std::size_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void PutRecord(std::string& out, std::uint16_t type, const std::string& body)
{
    Put16(out, type);
    Put16(out, body.size());
    out += body;
}

std::string Label(int row, int col, const std::string& text)
{
    std::string bytes = platform::Utf8ToCp1251Lossy(text);
    if (bytes.size() > kMaxLabelBytes) bytes.resize(kMaxLabelBytes);
    std::string body;
    Put16(body, static_cast<std::size_t>(row));
    Put16(body, static_cast<std::size_t>(col));
    Put16(body, 0);  // format index
    Put16(body, bytes.size());
    return body + bytes;
}

std::string Worksheet(const TWorksheet& cells, int rows)
{
    std::size_t cols = 0;
    for (int r = 0; r < rows; ++r) cols = std::max(cols, cells[static_cast<std::size_t>(r)].size());
    std::string out;
    std::string bof;
    for (const std::size_t word : {0x0000, 0x0010, 0x0000, 0x0000}) Put16(bof, word);
    PutRecord(out, kBof, bof);
    std::string codePage;
    Put16(codePage, WorksheetCodePage);
    PutRecord(out, kCodePage, codePage);
    static const std::string kEmpty;
    for (std::size_t c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            const auto& row = cells[static_cast<std::size_t>(r)];
            PutRecord(out, kLabel, Label(r, static_cast<int>(c), c < row.size() ? row[c] : kEmpty));
        }
    PutRecord(out, kEof, {});
    return out;
}

bool IsChannelDigit(char c) { return c >= '1' && c <= '8'; }

}  // namespace

TWorksheetResult WriteWorksheet(const platform::FilePath& FileName, const TWorksheet& Cells)
{
    const int total = static_cast<int>(Cells.size());
    const int rows = std::min(total, WorksheetMaxRows);
    platform::ReplaceFileContents(FileName, Worksheet(Cells, rows));
    return {rows, total - rows};
}

std::string FormatPhonesCell(const std::string& Text, int Column, int Row)
{
    if (Row == 0 || (Column != hcSentFact && Column != hcPhones)) return Text;
    const std::string trimmed = platform::Trim(Text);
    if (trimmed.empty() || trimmed == "LAN" || trimmed == "GPRS") return Text;
    std::string joined;
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (c == 'i') continue;
        const bool marked = i + 1 < trimmed.size() && trimmed[i + 1] == 'i';
        // A channel listed as delivered must have got the message, not merely be configured.
        if (Column == hcSentFact && IsChannelDigit(c) && !marked) continue;
        if (!joined.empty()) joined += ',';
        joined += c;
    }
    return joined;
}

TWorksheet HistoryPageSheet(const ui::TStringGrid& Grid, const THistoryStore& Store, const TMsgFile* Messages)
{
    TWorksheet sheet;
    for (int r = 0; r < Grid.RowCount(); ++r) {
        std::vector<std::string> row = Grid.RowCells(r);
        if (r > 0 && row.size() > hcPhones) {
            row[hcEvent] = HistoryEventText(row, Messages);
            const THistoryEntry* entry = nullptr;
            if (const std::string& number = row[hcNumber]; !number.empty()) {
                try {
                    entry = Store.Find(std::stoi(number));
                } catch (const std::exception&) {
                    entry = nullptr;
                }
            }
            if (entry != nullptr && HistoryDeliveryCode(entry->Record) == "00") {
                row[hcSentFact] = entry->OwnMarks;
                row[hcPhones] = entry->GroupMarks;
            }
        }
        sheet.push_back(std::move(row));
    }
    return sheet;
}

TWorksheet HistoryStoreSheet(const THistoryStore& Store, const TMsgFile* Messages, bool AltSections, int Fillers)
{
    TWorksheet sheet;
    sheet.emplace_back(HistoryColumnTitles.begin(), HistoryColumnTitles.end());
    for (int i = 0; i < Store.Count(); ++i) {
        const THistoryEntry& e = Store.At(i);
        if (e.Unread) {
            const THistoryRow failed = FailedHistoryRow(e.Number, e.Why);
            sheet.emplace_back(failed.begin(), failed.end());
            continue;
        }
        THistoryRow row = DecodeHistoryRow(e.Number, e.Record, e.GroupMarks, AltSections, Fillers);
        row[hcEvent] = HistoryEventText(row, Messages);
        if (HistoryDeliveryCode(e.Record) == "00" && !row[hcMessage].empty()) {
            row[hcSentFact] = e.OwnMarks;
            row[hcPhones] = e.GroupMarks;
        }
        sheet.emplace_back(row.begin(), row.end());
    }
    return sheet;
}

TWorksheetResult ExportHistorySheet(const platform::FilePath& FileName, TWorksheet Cells)
{
    for (std::size_t r = 0; r < Cells.size(); ++r)
        for (std::size_t c = 0; c < Cells[r].size(); ++c)
            Cells[r][c] = FormatPhonesCell(Cells[r][c], static_cast<int>(c), static_cast<int>(r));
    return WriteWorksheet(FileName, Cells);
}
