#pragma once
// The device side of the history: pages of 32 records read into the history page's grid and record
// store, the erase, and the text download of the whole history. Every operation runs between the link
// watchdog being switched off and on again.
#include <filesystem>
#include <functional>
#include <string>

class TExchangeSteps;
class TFormHistory;

// The text download's file: "История.txt" in the program folder.
extern const std::filesystem::path HistoryTextFileName;

struct THistoryDownload {
    int RecordsWritten = 0;
    bool Stopped = false;     // the user pressed the stop button
    bool Failed = false;      // nothing written: the pointer or a record kept failing, or the file; see Error
    std::string Error;        // what to tell the user, naming the file
};

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
    // device. A record whose read fails shows the failure and is not stored. False when the range is
    // longer than a page.
    bool ReadToGrid(int From, int To, bool NewestFirst);

    // Writes every record from the one below the write pointer down to record 0, two lines each, newest
    // first (Windows-1251, CR LF). ShouldContinue is asked before every record; the stop button clears
    // it, and the records read so far are written. The file is replaced whole, and only once every
    // record was read: a failure leaves the earlier file as it was.
    THistoryDownload SaveToFile(const std::filesystem::path& FileName, const std::function<bool()>& ShouldContinue);

private:
    void ReadPageEndingAt(int To);

    TExchangeSteps& steps_;
    TFormHistory& page_;
};

// Sends "erase". A failure is logged ("Ошибка при удалении истории!") and answered false; a success
// empties the history page's grid and record store, whichever path erased. The watchdog is switched
// off for the erase and on again only when RestoreWatchdog is set (the write of the reporting ways keeps
// it off to its own end).
bool EraseDeviceHistory(TExchangeSteps& Steps, bool RestoreWatchdog);
