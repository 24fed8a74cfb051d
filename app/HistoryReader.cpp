#include "app/HistoryReader.h"

#include <exception>
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
constexpr std::string_view kNotARecord = "ответ не похож на запись истории";
constexpr std::string_view kLinkLost = "связь с устройством потеряна";

struct TFailureText {
    TFailure Failure;
    std::string_view Text;
};

constexpr TFailureText kFailureTexts[] = {
    {TFailure::CouldNotSend, "запрос не ушёл в порт"},
    {TFailure::NoReply, "устройство не ответило"},
    {TFailure::Refused, "устройство отказало (NOK)"},
    {TFailure::MoreThanOneReply, "пришло больше одного ответа"},
    {TFailure::AnsweredWithValue, "устройство ответило значением, как на чтение"},
    {TFailure::TooLong, "ответ слишком длинный"},
    {TFailure::PortClosed, "порт закрыт"},
    {TFailure::Cancelled, "отменено"},
    {TFailure::ModemError, "модем ответил ошибкой"},
    {TFailure::NotANumber, "ответ не того вида"},
    {TFailure::DoesNotFit, "ответ не подошёл к запросу"},
};

// One record from the device; empty when it was read, else why not. A reply too short to hold every
// field is no record (on a bad line, a late reply to an earlier request) and counts as a failed read:
// stored, it would never be read again.
std::string ReadWholeRecord(TExchangeSteps& steps, int number, std::string& record)
{
    if (!ReadHistoryRecord(steps.Device(), number, record)) {
        const TFailure failure = steps.Device().LastFailure();
        return failure == TFailure::DoesNotFit ? std::string(kNotARecord) : ReplyFailureText(failure);
    }
    if (platform::Utf8Length(record) < static_cast<std::size_t>(HistoryShortestRecord)) return std::string(kNotARecord);
    return {};
}

void LogError(TExchangeSteps& steps, const std::string& text)
{
    if (TLogWriter* log = steps.Log()) log->AddError(text);
}

std::string RecordTitle(int number) { return "Запись истории " + std::to_string(number); }

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

std::string Unchanged(const std::filesystem::path& file, const std::string& why)
{
    return why + "; файл \"" + platform::PathToUtf8(file) + "\" не изменён";
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

// Disables the paging buttons for the time of a page that starts the store anew, and gives them back
// as they were: inside an operation's bracket they stay disabled to its end.
class PagingOff {
public:
    explicit PagingOff(TFormHistory& page) : page_(page), was_(page.btnBackward->Enabled())
    {
        page_.SetPagingEnabled(false);
    }
    ~PagingOff() { page_.SetPagingEnabled(was_); }
    PagingOff(const PagingOff&) = delete;
    PagingOff& operator=(const PagingOff&) = delete;

private:
    TFormHistory& page_;
    bool was_;
};

// Shows on the page how far a download has come, and gives the page's note back when it ends.
class DownloadNote {
public:
    DownloadNote(TFormHistory& page, int total) : page_(page), before_(page.StateText()), total_(total) {}
    ~DownloadNote() { page_.SetStateText(before_); }
    DownloadNote(const DownloadNote&) = delete;
    DownloadNote& operator=(const DownloadNote&) = delete;
    void Show(int written)
    {
        page_.SetStateText("Выгрузка истории в файл: записано записей " + std::to_string(written) + " из " +
                           std::to_string(total_));
    }

private:
    TFormHistory& page_;
    std::string before_;
    int total_;
};

// A record's two lines in the text file: Windows-1251, CR LF.
std::string DownloadLines(const std::string& first, std::string_view second)
{
    return platform::Utf8ToCp1251Lossy(first) + "\r\n" + platform::Utf8ToCp1251Lossy(second) + "\r\n";
}

std::string WrittenRange(const THistoryDownload& d)
{
    std::string text = "в файл \"" + platform::PathToUtf8(d.File) + "\" записано записей: " + std::to_string(d.RecordsWritten);
    if (d.RecordsWritten > 0) text += " (с " + std::to_string(d.Newest) + " по " + std::to_string(d.Oldest) + ")";
    return text + ".";
}

}  // namespace

std::string ReplyFailureText(TFailure Failure)
{
    for (const TFailureText& t : kFailureTexts)
        if (t.Failure == Failure) return std::string(t.Text);
    return "ответ не подошёл к запросу";
}

std::string HistoryDownloadReport(const THistoryDownload& Download)
{
    const THistoryDownload& d = Download;
    if (!d.Error.empty()) return d.Error;
    if (d.Complete()) return "История выгружена: " + WrittenRange(d);
    std::string text = d.FailedRecord ? "Не удалось прочитать запись " + std::to_string(*d.FailedRecord) + " истории (" +
                                            d.Why + "): "
                                      : std::string("Выгрузка истории остановлена: ");
    text += WrittenRange(d);
    if (d.RecordsWritten == 0) return text;
    text += " Файл кончается на записи " + std::to_string(d.Oldest) + ".";
    if (d.FailedRecord) text += " Запись " + std::to_string(*d.FailedRecord) + " отмечена в нём как не прочитанная.";
    if (const int next = d.FailedRecord.value_or(d.Oldest - 1); next >= 0)
        text += " Не выгружены записи с " + std::to_string(next) + " по 0.";
    return text;
}

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
    // The newest record below the pointer is an empty slot only when nothing was written since the
    // history was erased: then all below it is empty too.
    ReadPageEndingAt(*pointer, HistoryEmpty);
    steps_.SetWatchdog(true);
}

void THistoryReader::ReadPageEndingAt(int To, std::string_view NothingShown)
{
    const int from = HistoryPageBefore(To);
    page_.FirstRecord = from;
    steps_.StepProgress();
    ReadToGrid(from, To, true, NothingShown);
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

bool THistoryReader::ReadToGrid(int From, int To, bool NewestFirst, std::string_view NothingShown)
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
    bool onlyEmptySlots = count > 0;
    int row = HistoryPageSize;
    for (int k = 0, number = From; k < count; ++k, number = HistoryAdvance(number, 1), --row) {
        const int at = NewestFirst ? 0 : storedBefore;
        THistoryRow cells;
        bool emptySlot = false;
        const THistoryEntry* stored = page_.Store.Find(number);
        if (stored != nullptr && !stored->Unread) {
            cells = DecodeHistoryRow(number, stored->Record, stored->GroupMarks, alt);
            emptySlot = IsEmptyHistorySlot(HistoryMessage(stored->Record));
        } else if (std::string record, why = ReadWholeRecord(steps_, number, record); why.empty()) {
            const THistoryMarks marks = HistoryChannelMarks(record, links);
            cells = DecodeHistoryRow(number, record, marks.Group, alt);
            emptySlot = IsEmptyHistorySlot(HistoryMessage(record));
            page_.Store.Insert(at, {.Number = number, .Record = record, .GroupMarks = marks.Group, .OwnMarks = marks.Own});
        } else {
            cells = FailedHistoryRow(number, why);
            page_.Store.Insert(at, {.Number = number, .Unread = true, .Why = why});
            LogError(steps_, RecordTitle(number) + " не прочитана: " + why);
            steps_.AddReadError(RecordTitle(number));
        }
        onlyEmptySlots = onlyEmptySlots && emptySlot;
        steps_.StepProgress();
        page_.SetRow(row, cells);
    }
    if (onlyEmptySlots) page_.ShowNoRecords(std::string(NothingShown));
    return true;
}

THistoryDownload THistoryReader::SaveToFile(const std::filesystem::path& FileName,
                                            const std::function<bool()>& ShouldContinue)
{
    WatchdogBack watchdog(steps_);
    steps_.SetWatchdog(false);
    THistoryDownload result{.File = FileName};
    const auto pointer = ReadPointer(steps_);
    if (!pointer) {
        result.Error = Unchanged(FileName, "Не удалось прочитать указатель истории");
        return result;
    }
    std::string text;
    int number = *pointer - 1;
    try {
        DownloadNote note(page_, *pointer);
        steps_.WithProgressWindow([&] {
            steps_.SetupProgress(*pointer);
            DownloadRecords(number, text, result, ShouldContinue, [&note](int written) { note.Show(written); });
        });
    } catch (const TStopException&) {
        result.Stopped = true;
    } catch (const ELinkFailure&) {
        result.LinkFailure = std::current_exception();
        result.FailedRecord = number;
        result.Why = std::string(kLinkLost);
    }
    KeepDownload(text, result);
    return result;
}

void THistoryReader::DownloadRecords(int& Number, std::string& Text, THistoryDownload& Result,
                                     const std::function<bool()>& ShouldContinue, const std::function<void(int)>& Written)
{
    const TChannelLinks links = CurrentChannelLinks();
    Written(0);
    for (; Number >= 0; --Number) {
        steps_.PumpEvents();
        if (!ShouldContinue()) {
            Result.Stopped = true;
            return;
        }
        std::string record;
        if (std::string why = ReadRecordTries(Number, record); !why.empty()) {
            Result.FailedRecord = Number;
            Result.Why = why;
            return;
        }
        Text += DownloadLines(HistoryTextLine(Number, record, links), record);
        if (Result.RecordsWritten++ == 0) Result.Newest = Number;
        Result.Oldest = Number;
        Written(Result.RecordsWritten);
        steps_.StepProgress();
    }
}

std::string THistoryReader::ReadRecordTries(int Number, std::string& Record)
{
    std::string why;
    for (int attempt = 0; attempt < DownloadAttempts; ++attempt) {
        why = ReadWholeRecord(steps_, Number, Record);
        if (why.empty()) break;
        steps_.PumpEvents();
    }
    return why;
}

void THistoryReader::KeepDownload(std::string Text, THistoryDownload& Result)
{
    if (Result.FailedRecord) {
        LogError(steps_, RecordTitle(*Result.FailedRecord) + " не прочитана: " + Result.Why);
        if (Result.RecordsWritten == 0) {
            Result.Error = Unchanged(Result.File, "Не удалось прочитать запись " + std::to_string(*Result.FailedRecord) +
                                                      " истории (" + Result.Why + ")");
            return;
        }
        Text += DownloadLines(FailedHistoryTextLine(*Result.FailedRecord, Result.Why), "");
    }
    try {
        platform::ReplaceFileContents(Result.File, Text);
        Result.Saved = true;
    } catch (const platform::FileError& e) {
        Result.Error = e.what();
    }
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
