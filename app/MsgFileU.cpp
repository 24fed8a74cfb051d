#include "app/MsgFileU.h"

#include "platform/Text.h"
#include "platform/WholeFile.h"

#include <cstdint>

namespace {

constexpr int kTextCell = 1;
constexpr int kColorCell = 2;
constexpr int kNumberCell = 3;
constexpr int kDefaultColor = 0xFFFFFF;

// The event table is a few hundred short lines: a file far larger is something else.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

// A line with k "|" gives k + 1 cells; a line without any gives none.
std::vector<std::string> SplitCells(std::string_view line)
{
    std::vector<std::string> cells;
    if (line.find('|') == std::string_view::npos) return cells;
    std::size_t start = 0;
    for (std::size_t bar = line.find('|'); bar != std::string_view::npos; bar = line.find('|', start)) {
        cells.emplace_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    cells.emplace_back(line.substr(start));
    return cells;
}

}  // namespace

void TMsgFile::LoadFromFile(const std::string& FileName) { LoadFromBytes(platform::ReadWholeFile(FileName, kMaxFileBytes)); }

void TMsgFile::LoadFromBytes(std::string_view Bytes)
{
    const std::string text = platform::DecodeFileText(Bytes);
    std::vector<std::vector<std::string>> rows;
    for (const std::string_view line : platform::SplitLines(text))
        if (auto cells = SplitCells(line); !cells.empty()) rows.push_back(std::move(cells));
    Rows = std::move(rows);
}

std::string TMsgFile::Cell(int Row, int Col) const
{
    if (Row < 0 || Row >= Count()) return {};
    const auto& row = Rows[static_cast<std::size_t>(Row)];
    if (Col < 0 || Col >= static_cast<int>(row.size())) return {};
    return row[static_cast<std::size_t>(Col)];
}

namespace {

// The cell of the first row with the code whose cell is not empty.
const std::string* FirstFilledCell(const std::vector<std::vector<std::string>>& rows, std::string_view code,
                                   std::size_t col)
{
    for (const auto& row : rows)
        if (!row.empty() && row[0] == code && col < row.size() && !row[col].empty()) return &row[col];
    return nullptr;
}

}  // namespace

std::string TMsgFile::TextOf(std::string_view Code) const
{
    const std::string* cell = FirstFilledCell(Rows, Code, kTextCell);
    return cell ? *cell : " ";
}

int TMsgFile::ColorOf(std::string_view Code) const
{
    const std::string* cell = FirstFilledCell(Rows, Code, kColorCell);
    return cell ? platform::ParseInteger(*cell, true).value_or(kDefaultColor) : kDefaultColor;
}

int TMsgFile::NumberOf(std::string_view Code) const
{
    const std::string* cell = FirstFilledCell(Rows, Code, kNumberCell);
    return cell ? platform::ParseInteger(*cell, true).value_or(0) : 0;
}
