#pragma once
// The program's log writer: every logged line becomes a node of the main window's log tree, each
// entry a root node appended after the last one (the newest is the lowest), long texts and lists as
// its children. Each node carries its own colours: the text colour in StateIndex and the background
// colour in SelectedIndex (the log tree has no pictures, so both fields are free). A node's text is one
// line that shows every character: CR and LF become blanks, any other control character (the line
// noise of a bad cable) its code in angle brackets, "<1B>", in the pane and in the saved log alike.
//
// An entry costs the same however long the log has grown: the tree adds at its end and scrolls by the
// rows of one page; saving and clearing visit each node once.
//
// Threads: the window thread's calls add their nodes at once and then let pending window events run,
// so the log repaints during long exchanges. A call from any other thread (the firmware upload thread)
// never touches the tree: it posts the entry to the window thread, where it is added in the order the
// calls were made; an entry still queued when the log or the tree is gone is dropped.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/LogWriter.h"
#include "ui/ComCtrls.h"

namespace ui {
class Application;
class TCheckBox;
}  // namespace ui

class TTVLog : public TLogWriter {
public:
    // The most characters one node holds; a longer text goes into several child nodes.
    static constexpr std::size_t PieceLength = 200;

    // Keeps the tree (not owned). The calling thread is taken to be the window thread.
    explicit TTVLog(ui::TTreeView& TreeView);
    ~TTVLog() override;
    TTVLog(const TTVLog&) = delete;
    TTVLog& operator=(const TTVLog&) = delete;

    void AddMessage(const std::string& Msg) override;  // black on the tooltip colour
    void AddError(const std::string& Msg) override;    // yellow on red
    void AddInfo(const std::string& Msg) override;     // black on white
    // Caption on white, then Text in pieces of PieceLength characters (one empty child for an empty
    // Text) on the tooltip colour; all in Color.
    void AddText(const std::string& Caption, const std::string& Text, TColor Color) override;
    // Caption on white, then one child per line on the tooltip colour; all in Color.
    void AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color) override;

    // Removes every node ("Очистить").
    void Clear();
    // Writes the tree to FileName ("Сохранить"): one line per node in tree order, a tab per nesting
    // level before its text, CR LF after it, in Windows-1251 (a character it cannot carry becomes "?").
    // The file is replaced whole or not at all; throws platform::FileError naming the file on failure.
    void SaveToFile(const std::string& FileName) const;

    static TColor TextColorOf(const ui::TTreeNode& Node);
    static TColor BackgroundColorOf(const ui::TTreeNode& Node);
    // For the tree's custom-draw handler: a node drawn normally and not selected shows its own colours;
    // a selected one keeps the selection colours.
    static void ApplyNodeColors(const ui::TTreeNode& Node, ui::TCustomDrawState State, ui::TItemColors& Colors);
    // For the tree's addition handler: while the box "Прокрутка?" is checked, the node just added
    // becomes the first row shown (as far as the rows below it allow).
    static void ScrollToAdded(ui::TTreeView& TreeView, ui::TTreeNode* Node, const ui::TCheckBox& Scrolling);

    ui::TTreeView& TreeView;

private:
    struct Entry {
        std::string caption;
        TColor color = 0;
        TColor background = 0;
        std::vector<std::string> children;
    };

    void Log(Entry entry);
    void Append(const Entry& entry);

    ui::Application& app_;
    const std::thread::id windowThread_;
    // Posted entries hold a weak reference: they run only while the log lives.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
