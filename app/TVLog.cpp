#include "app/TVLog.h"

#include <cstdio>
#include <string_view>

#include "platform/WholeFile.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/StdCtrls.h"

namespace {

// A control character as its code: "<1B>".
void AppendEscaped(std::string& out, unsigned char code)
{
    char text[5];
    std::snprintf(text, sizeof text, "<%02X>", code);
    out += text;
}

// A node holds one line that shows every character: every CR and every LF becomes a blank of its own,
// and any other control character (line noise such as NUL, BS or ESC, a C1 control, or a tab that would
// break the nesting of the saved log) is shown as its code.
std::string OneLine(std::string_view text)
{
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const bool c1 = c == 0xC2 && next >= 0x80 && next <= 0x9F;
        if (c == '\r' || c == '\n')
            line += ' ';
        else if (c < 0x20 || c == 0x7F)
            AppendEscaped(line, c);
        else if (c1)
            AppendEscaped(line, static_cast<unsigned char>(text[++i]));
        else
            line += text[i];
    }
    return line;
}

std::vector<std::string> Pieces(const std::string& text)
{
    const auto length = platform::Utf8Length(text);
    if (length <= TTVLog::PieceLength) return {text};
    std::vector<std::string> pieces;
    for (std::size_t from = 1; from <= length; from += TTVLog::PieceLength)
        pieces.push_back(platform::Copy(text, static_cast<long long>(from), TTVLog::PieceLength));
    return pieces;
}

// The colours live in the node's int fields as their 32 bits.
int Stored(TColor color) { return static_cast<int>(color); }
TColor Loaded(int value) { return static_cast<TColor>(value); }

ui::TTreeNode* AddNode(ui::TTreeView& tree, ui::TTreeNode* parent, const std::string& text, TColor color,
                       TColor background)
{
    ui::TTreeNode* node =
        parent == nullptr ? tree.Items().Add(nullptr, OneLine(text)) : tree.Items().AddChild(parent, OneLine(text));
    node->SetStateIndex(Stored(color));
    node->SetSelectedIndex(Stored(background));
    return node;
}

constexpr TColor kBlack = 0x000000;

}  // namespace

TTVLog::TTVLog(ui::TTreeView& TreeView)
    : TreeView(TreeView), app_(ui::App()), windowThread_(std::this_thread::get_id())
{
}

TTVLog::~TTVLog() = default;

void TTVLog::AddMessage(const std::string& Msg) { Log({Msg, kBlack, clInfoBk, {}}); }

void TTVLog::AddError(const std::string& Msg) { Log({Msg, clYellow, clRed, {}}); }

void TTVLog::AddInfo(const std::string& Msg) { Log({Msg, kBlack, clWhite, {}}); }

void TTVLog::AddText(const std::string& Caption, const std::string& Text, TColor Color)
{
    // Split after the line breaks became blanks, so every piece counts the same characters it shows.
    Log({Caption, Color, clWhite, Pieces(OneLine(Text))});
}

void TTVLog::AddList(const std::string& Caption, const std::vector<std::string>& Lines, TColor Color)
{
    Log({Caption, Color, clWhite, Lines});
}

void TTVLog::Log(Entry entry)
{
    if (std::this_thread::get_id() == windowThread_) {
        Append(entry);
        app_.ProcessMessages();
        return;
    }
    app_.Post([this, alive = std::weak_ptr<int>(alive_), tree = TreeView.Liveness(), entry = std::move(entry)] {
        if (!alive.expired() && !tree.expired()) Append(entry);
    });
}

void TTVLog::Append(const Entry& entry)
{
    ui::TTreeNode* root = AddNode(TreeView, nullptr, entry.caption, entry.color, entry.background);
    for (const std::string& child : entry.children) AddNode(TreeView, root, child, entry.color, clInfoBk);
}

void TTVLog::Clear() { TreeView.Items().Clear(); }

void TTVLog::SaveToFile(const std::string& FileName) const
{
    std::string text;
    for (const ui::TTreeNode* node = TreeView.Items().GetFirstNode(); node != nullptr; node = node->GetNext()) {
        text.append(static_cast<std::size_t>(node->Level()), '\t');
        text += platform::Utf8ToCp1251Lossy(node->Text());
        text += "\r\n";
    }
    platform::ReplaceFileContents(FileName, text);
}

TColor TTVLog::TextColorOf(const ui::TTreeNode& Node) { return Loaded(Node.StateIndex()); }

TColor TTVLog::BackgroundColorOf(const ui::TTreeNode& Node) { return Loaded(Node.SelectedIndex()); }

void TTVLog::ApplyNodeColors(const ui::TTreeNode& Node, ui::TCustomDrawState State, ui::TItemColors& Colors)
{
    if (State.Contains(ui::cdsSelected)) return;
    Colors.Background = BackgroundColorOf(Node);
    Colors.Text = TextColorOf(Node);
}

void TTVLog::ScrollToAdded(ui::TTreeView& TreeView, ui::TTreeNode* Node, const ui::TCheckBox& Scrolling)
{
    if (Node != nullptr && Scrolling.Checked()) TreeView.SetTopItem(Node);
}
