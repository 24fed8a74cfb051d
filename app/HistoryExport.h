#pragma once
// The history page's spreadsheet exports: a minimal binary worksheet (BOF, the code page, one LABEL
// per cell column by column, EOF) that spreadsheet programs open as an .xls file, and the cells of the
// two exports (the page shown, and every record read this session).
#include <filesystem>
#include <string>
#include <vector>

#include "platform/PathText.h"

#include "app/History.h"

class TMsgFile;
namespace ui {
class TStringGrid;
}

// Rows of cells, row 0 the titles.
using TWorksheet = std::vector<std::vector<std::string>>;

// Rows a worksheet of this form holds, the title row included.
constexpr int WorksheetMaxRows = 16384;
// Windows-1251, declared in the CODEPAGE record so that the Cyrillic reads right in any program.
constexpr int WorksheetCodePage = 1251;

struct TWorksheetResult {
    int RowsWritten = 0;
    int RowsLeftOut = 0;  // rows beyond WorksheetMaxRows; the caller must tell the user
};

// Writes the cells (texts in Windows-1251; a character it lacks becomes "?"). Empty cells are written
// too. The file is replaced whole or not at all; throws platform::FileError naming the file and the
// reason.
TWorksheetResult WriteWorksheet(const platform::FilePath& FileName, const TWorksheet& Cells);

// The export's form of the channel-mark columns below the title row: "Телефоны" lists every channel
// (marks removed, digits joined by ","); "Передано по факту" lists only the channels that got the
// message. "GPRS", "LAN" and empty texts stay as they are, and so does every other cell.
std::string FormatPhonesCell(const std::string& Text, int Column, int Row);

// The page as the grid shows it, every row with its event text (drawn yet or not), and the stored
// channel marks of phone deliveries in columns 12 and 13.
TWorksheet HistoryPageSheet(const ui::TStringGrid& Grid, const THistoryStore& Store, const TMsgFile* Messages);
// Every stored record, newest first, decoded as the grid decodes it, the event text from the message
// table and the channel marks as text; a record the device did not give is marked as the grid marks it.
TWorksheet HistoryStoreSheet(const THistoryStore& Store, const TMsgFile* Messages, bool AltSections, int Fillers);

// FormatPhonesCell over the sheet, then WriteWorksheet.
TWorksheetResult ExportHistorySheet(const platform::FilePath& FileName, TWorksheet Cells);
