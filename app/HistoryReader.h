#pragma once
// The device side of the history: pages of 32 records read into the history page's grid and record
// store, the erase, and the text download of the whole history. Every operation runs between the link
// watchdog being switched off and on again.
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/Communication.h"

class TExchangeSteps;
class TFormHistory;

// The text download's file: "История.txt" in the program folder.
extern const std::filesystem::path HistoryTextFileName;

// Why an exchange with the device failed, as the user is told (lower case, no full stop).
std::string ReplyFailureText(TFailure Failure);

// How a text download ended. Records go newest first, so the file holds Newest down to Oldest.
struct THistoryDownload {
    std::filesystem::path File{};
    int RecordsWritten = 0;
    int Newest = -1;
    int Oldest = -1;
    bool Stopped = false;                // the user stopped it ("Finish", the progress window's cancel)
    std::optional<int> FailedRecord{};    // the record that could not be read (or the link went at it)
    std::string Why{};                   // how that record failed
    bool Saved = false;                  // the file was written
    std::string Error{};                 // nothing was written: why, naming the file
    std::exception_ptr LinkFailure{};    // the link went; the caller passes it on once the user is told

    bool Complete() const { return !Stopped && !FailedRecord && Error.empty(); }
};

// What the user is told at the end of a download: the outcome, the file, the records written and where
// the file stops.
std::string HistoryDownloadReport(const THistoryDownload& Download);

class THistoryReader {
public:
    // How often the download asks for a record that does not read before it gives up.
    static constexpr int DownloadAttempts = 3;

    THistoryReader(TExchangeSteps& Steps, TFormHistory& Page) : steps_(Steps), page_(Page) {}

    // The latest page: the reporting ways first (so that the channel marks follow the device), then the
    // 32 records below the write pointer. Runs inside the page read's own progress window.
    void ReadLatest();
    // The 32 records before / after the page shown, each with a progress window of its own.
    void Backward();
    void Forward();
    // The 32 records that end before the number typed into the page's Edit1 (hexadecimal).
    void FromNumber();
    // Fills the grid with records From up to, not including, To (at most one page) from the store or the
    // device. A record whose read fails shows the failure, is named in the error list and is stored as
    // unread (the next page that shows it asks again). A page of empty slots only shows no rows and says
    // NothingShown. False when the range is longer than a page.
    bool ReadToGrid(int From, int To, bool NewestFirst, std::string_view NothingShown = NoRecordsOnPage);

    static constexpr std::string_view NoRecordsOnPage = "На этой странице записей нет";

    // Writes every record from the one below the write pointer down to record 0, two lines each, newest
    // first (Windows-1251, CR LF), with a progress window whose bar counts the records. ShouldContinue is
    // asked before every record; the stop button clears it. However the download ends (stopped, a record
    // that does not read after DownloadAttempts tries, a lost link), what was read is kept: the file is
    // replaced by the records read so far, and a record that failed is marked at the file's end. Only a
    // download that read nothing leaves an earlier file as it was. A lost link is handed back in the
    // result (LinkFailure), for the caller to pass on.
    THistoryDownload SaveToFile(const std::filesystem::path& FileName, const std::function<bool()>& ShouldContinue);

private:
    void ReadPageEndingAt(int To, std::string_view NothingShown = NoRecordsOnPage);
    // The download's records from Number down, into Text; Number is left at the record in hand when it
    // stops (the user, a record that does not read) or raises (the cancel, a lost link).
    void DownloadRecords(int& Number, std::string& Text, THistoryDownload& Result, const std::function<bool()>& ShouldContinue,
                         const std::function<void(int Written)>& Written);
    // Empty when the record was read within DownloadAttempts tries; else why not.
    std::string ReadRecordTries(int Number, std::string& Record);
    // Writes what was read, with the mark of a record that failed; a download that read nothing keeps the
    // earlier file.
    void KeepDownload(std::string Text, THistoryDownload& Result);

    TExchangeSteps& steps_;
    TFormHistory& page_;
};

// Sends "erase". A failure is logged ("Ошибка при удалении истории!") and answered false; a success
// empties the history page's grid and record store, whichever path erased. The watchdog is switched
// off for the erase and on again only when RestoreWatchdog is set (the write of the reporting ways keeps
// it off to its own end).
bool EraseDeviceHistory(TExchangeSteps& Steps, bool RestoreWatchdog);
