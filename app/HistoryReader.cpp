#include "app/HistoryReader.h"

#include <stdexcept>

#include "app/DeviceController.h"
#include "app/ExchangeSteps.h"
#include "app/fHistory.h"
#include "app/fWays.h"
#include "link/DevCommands.h"
#include "link/LogWriter.h"
#include "link/MyExceptions.h"
#include "platform/Text.h"
#include "platform/WholeFile.h"

const std::filesystem::path HistoryTextFileName = std::filesystem::path(u8"История.txt");

namespace {

const std::string kPointerGroup = "Указатель записи истории";

// One record from the device. A reply too short to hold every field is no record (on a bad line, a
// late reply to an earlier request) and counts as a failed read: stored, it would never be read again.
bool ReadWholeRecord(TExchangeSteps& steps, int number, std::string& record)
{
    return ReadHistoryRecord(steps.Device(), number, record) &&
           platform::Utf8Length(record) >= static_cast<std::size_t>(HistoryShortestRecord);
}

void LogError(TExchangeSteps& steps, const std::string& text)
{
    if (TLogWriter* log = steps.Log()) log->AddError(text);
}

// The write pointer, or nothing (with the reason logged) when it cannot be read or lies outside the
// ring: a pointer beyond the ring would page through numbers the device does not have.
std::optional<int> ReadPointer(TExchangeSteps& steps)
{
    int pointer = 0;
    if (!ReadHistoryPointer(steps.Device(), pointer)) {
        LogError(steps, "Не удалось прочитать указатель истории");
        return std::nullopt;
    }
    if (!IsHistoryRecordNumber(pointer)) {
        LogError(steps, "Указатель истории " + HistoryNumberHex(pointer) + " вне кольца записей 0000-" +
                            HistoryNumberHex(HistoryLastRecord));
        return std::nullopt;
    }
    return pointer;
}

// A download that could not be read whole leaves the file as it was.
THistoryDownload Unsaved(const std::filesystem::path& file, const std::string& why)
{
    return {.Failed = true, .Error = why + "; файл \"" + file.string() + "\" не изменён"};
}

// Switches the watchdog on when the page operation ends, however it ends.
class WatchdogBack {
public:
    explicit WatchdogBack(TExchangeSteps& steps) : steps_(steps) {}
    ~WatchdogBack() { steps_.SetWatchdog(true); }
    WatchdogBack(const WatchdogBack&) = delete;
    WatchdogBack& operator=(const WatchdogBack&) = delete;

private:
    TExchangeSteps& steps_;
};

// Disables the paging buttons for the time of a page that starts the store anew.
class PagingOff {
public:
    explicit PagingOff(TFormHistory& page) : page_(page) { page_.SetPagingEnabled(false); }
    ~PagingOff() { page_.SetPagingEnabled(true); }
    PagingOff(const PagingOff&) = delete;
    PagingOff& operator=(const PagingOff&) = delete;

private:
    TFormHistory& page_;
};

}  // namespace

void THistoryReader::ReadLatest()
{
    PagingOff paging(page_);
    steps_.SetupProgress(HistoryPageSize + 1);
    if (formWays != nullptr) ReadWaysPage(steps_, *formWays, false);
    steps_.SetupProgress(HistoryPageSize + 1);
    const auto pointer = ReadPointer(steps_);
    if (!pointer) {
        steps_.AddReadError(kPointerGroup);
        steps_.SetWatchdog(true);
        return;
    }
    page_.Store.Clear();
    ReadPageEndingAt(*pointer);
    steps_.SetWatchdog(true);
}

void THistoryReader::ReadPageEndingAt(int To)
{
    const int from = HistoryPageBefore(To);
    page_.FirstRecord = from;
    steps_.StepProgress();
    ReadToGrid(from, To, true);
}

void THistoryReader::Backward()
{
    WatchdogBack watchdog(steps_);
    steps_.WithProgressWindow([this] {
        steps_.SetupProgress(HistoryPageSize);
        steps_.StepProgress();
        const int from = HistoryPageBefore(page_.FirstRecord);
        if (ReadToGrid(from, page_.FirstRecord, false)) page_.FirstRecord = from;
    });
}

void THistoryReader::Forward()
{
    WatchdogBack watchdog(steps_);
    steps_.WithProgressWindow([this] {
        steps_.SetupProgress(HistoryPageSize);
        steps_.StepProgress();
        const int from = HistoryAdvance(page_.FirstRecord, HistoryPageSize);
        const int to = HistoryAdvance(page_.FirstRecord, 2 * HistoryPageSize);
        if (ReadToGrid(from, to, true)) page_.FirstRecord = from;
    });
}

void THistoryReader::FromNumber()
{
    WatchdogBack watchdog(steps_);
    steps_.WithProgressWindow([this] {
        PagingOff paging(page_);
        steps_.SetupProgress(HistoryPageSize + 1);
        const auto number = ParseHistoryNumber(page_.Edit1->Text());
        if (!number) {
            LogError(steps_, "Номер записи \"" + page_.Edit1->Text() + "\" вне кольца записей 0000-" +
                                 HistoryNumberHex(HistoryLastRecord));
            return;
        }
        page_.Store.Clear();
        try {
            ReadPageEndingAt(*number);
        } catch (const TStopException&) {
            // The user's cancel ends the page quietly; a lost line still reaches the forms controller.
        }
    });
}

bool THistoryReader::ReadToGrid(int From, int To, bool NewestFirst)
{
    steps_.SetWatchdog(false);
    const int count = HistoryDistance(From, To);
    if (count > HistoryPageSize) {
        LogError(steps_, "Страница истории " + HistoryNumberHex(From) + "-" + HistoryNumberHex(To) +
                             " длиннее " + std::to_string(HistoryPageSize) + " записей");
        return false;
    }
    page_.ClearGrid();
    const TChannelLinks links = CurrentChannelLinks();
    const bool alt = page_.AltSections();
    const int storedBefore = page_.Store.Count();
    int row = HistoryPageSize;
    for (int k = 0, number = From; k < count; ++k, number = HistoryAdvance(number, 1), --row) {
        THistoryRow cells;
        if (const THistoryEntry* stored = page_.Store.Find(number)) {
            cells = DecodeHistoryRow(number, stored->Record, stored->GroupMarks, alt);
        } else if (std::string record; ReadWholeRecord(steps_, number, record)) {
            const THistoryMarks marks = HistoryChannelMarks(record, links);
            cells = DecodeHistoryRow(number, record, marks.Group, alt);
            page_.Store.Insert(NewestFirst ? 0 : storedBefore, {number, record, marks.Group, marks.Own});
        } else {
            cells = FailedHistoryRow(number);
        }
        steps_.StepProgress();
        page_.SetRow(row, cells);
    }
    return true;
}

THistoryDownload THistoryReader::SaveToFile(const std::filesystem::path& FileName,
                                            const std::function<bool()>& ShouldContinue)
{
    WatchdogBack watchdog(steps_);
    steps_.SetWatchdog(false);
    THistoryDownload result;
    const auto pointer = ReadPointer(steps_);
    if (!pointer) return Unsaved(FileName, "Не удалось прочитать указатель истории");
    const TChannelLinks links = CurrentChannelLinks();
    std::string text;
    for (int number = *pointer - 1; number >= 0; --number) {
        steps_.PumpEvents();
        if (!ShouldContinue()) {
            result.Stopped = true;
            break;
        }
        std::string record;
        bool read = false;
        for (int attempt = 0; attempt < DownloadAttempts && !read; ++attempt) {
            read = ReadWholeRecord(steps_, number, record);
            if (!read) steps_.PumpEvents();
        }
        if (!read) {
            const std::string why = "Не удалось прочитать запись " + HistoryNumberHex(number) + " истории";
            LogError(steps_, why);
            return Unsaved(FileName, why);
        }
        text += platform::Utf8ToCp1251Lossy(HistoryTextLine(number, record, links)) + "\r\n" +
                platform::Utf8ToCp1251Lossy(record) + "\r\n";
        ++result.RecordsWritten;
    }
    try {
        platform::ReplaceFileContents(FileName, text);
    } catch (const platform::FileError& e) {
        return {.Failed = true, .Error = e.what()};
    }
    return result;
}

bool EraseDeviceHistory(TExchangeSteps& Steps, bool RestoreWatchdog)
{
    Steps.SetWatchdog(false);
    if (TLogWriter* log = Steps.Log()) log->AddInfo("Удаление истории!");
    const bool erased = SendEraseHistory(Steps.Device());
    if (!erased) LogError(Steps, "Ошибка при удалении истории!");
    if (RestoreWatchdog) Steps.SetWatchdog(true);
    if (erased) Steps.HistoryErased();
    if (erased && FormHistory != nullptr) FormHistory->HistoryErased();
    return erased;
}

void TDeviceController::ReadHistory()
{
    if (FormHistory == nullptr) return;
    TControllerSteps steps(*this);
    THistoryReader(steps, *FormHistory).ReadLatest();
}
