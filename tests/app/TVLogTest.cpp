// The log tree: its entries and their colours, long texts in pieces, scrolling, the constant cost of a
// line however long the log, the saved file, and entries from other threads.
#include "app/TVLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/IniFile.h"
#include "platform/Text.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/Observer.h"
#include "ui/StdCtrls.h"

namespace {

using namespace ui;

std::string Repeat(std::string_view piece, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

class TreeLog : public ::testing::Test {
protected:
    TTreeNodes& Nodes() { return tree->Items(); }
    TTreeNode& LastRoot() { return *Nodes().Root(Nodes().RootCount() - 1); }
    // Every node: its text, text colour and background, children indented.
    std::string Dump()
    {
        std::string dump;
        for (const TTreeNode* n = Nodes().GetFirstNode(); n != nullptr; n = n->GetNext()) {
            char colors[32];
            std::snprintf(colors, sizeof colors, " %06X/%06X\n", static_cast<unsigned>(TTVLog::TextColorOf(*n)),
                          static_cast<unsigned>(TTVLog::BackgroundColorOf(*n)));
            dump += std::string(static_cast<std::size_t>(2 * n->Level()), ' ') + n->Text() + colors;
        }
        return dump;
    }
    std::string Saved()
    {
        log->SaveToFile(file.string());
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "formMain");
    TTreeView* tree = Create<TTreeView>(form, "tvLog", form);
    TCheckBox* cbScrolling = Create<TCheckBox>(form, "cbScrolling", form);
    std::unique_ptr<TTVLog> log = std::make_unique<TTVLog>(*tree);
    std::filesystem::path file = std::filesystem::temp_directory_path() / ("sorvel-tvlog-" + std::to_string(::getpid()) + ".txt");
    ~TreeLog() override { std::filesystem::remove(file); }
};

// Plain lines on the tooltip colour (clInfoBk, FF000018), errors yellow on red, information on white; a text or a list is a
// caption on white with its lines on the tooltip colour. Every line break becomes a blank of its own.
// Every node is announced; window events that wait run after each entry.
TEST_F(TreeLog, EntriesAreNodesInTheirColours)
{
    int added = 0;
    tree->OnAddition = [&](TObject*, TTreeNode*) { ++added; };
    int ran = 0;
    scope.App().Post([&] { ++ran; });
    log->AddMessage("ab\r\ncd");
    EXPECT_EQ(ran, 1);
    log->AddError("bad");
    log->AddInfo("note");
    log->AddText("<<<< 01.02.2024 10:00:00", "x\ry\n2", clBlue);
    log->AddText("c", "", clFuchsia);
    log->AddList("Ошибки", {"one", "l\r\n"}, clRed);
    log->AddList("empty", {}, clRed);
    EXPECT_EQ(Dump(), "ab  cd 000000/FF000018\n"
                      "bad 00FFFF/0000FF\n"
                      "note 000000/FFFFFF\n"
                      "<<<< 01.02.2024 10:00:00 FF0000/FFFFFF\n"
                      "  x y 2 FF0000/FF000018\n"
                      "c FF00FF/FFFFFF\n"
                      "   FF00FF/FF000018\n"
                      "Ошибки 0000FF/FFFFFF\n"
                      "  one 0000FF/FF000018\n"
                      "  l   0000FF/FF000018\n"
                      "empty 0000FF/FFFFFF\n");
    EXPECT_EQ(added, Nodes().Count());
    TItemColors colors;
    TTVLog::ApplyNodeColors(*Nodes().Root(1), {}, colors);
    EXPECT_EQ(colors.Background, clRed);
    TItemColors selected{clHighlight, clHighlightText};
    TTVLog::ApplyNodeColors(*Nodes().Root(1), {cdsSelected}, selected);
    EXPECT_EQ(selected.Background, clHighlight) << "a selected line keeps the selection's colours";
}

TEST_F(TreeLog, LongTextIsCutIntoPiecesOf200Characters)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {std::string(200, 'a'), {std::string(200, 'a')}},
        {std::string(450, 'a'), {std::string(200, 'a'), std::string(200, 'a'), std::string(50, 'a')}},
        {Repeat("ж", 199) + "€" + "ё", {Repeat("ж", 199) + "€", "ё"}}};  // characters, not bytes
    for (const auto& [text, pieces] : cases) {
        log->AddText("c", text, clBlue);
        std::vector<std::string> shown;
        for (int i = 0; i < LastRoot().Count(); ++i) shown.push_back(LastRoot().Item(i)->Text());
        EXPECT_EQ(shown, pieces) << platform::Utf8Length(text);
    }
}

// Counts what the application is told, coarse and node by node.
struct CountingObserver : ModelObserver {
    void ControlChanged(TControl&, ModelChange) override { ++calls; }
    void TreeNodeInserted(TTreeView&, TTreeNode*, int, TTreeNode&) override { ++calls; }
    void TreeNodeChanged(TTreeView&, TTreeNode&, TreeNodeChange) override { ++calls; }
    void TreeSelectionChanged(TTreeView&, TTreeNode*) override { ++calls; }
    void TreeTopItemChanged(TTreeView&, TTreeNode*) override { ++calls; }
    int calls = 0;
};

TEST_F(TreeLog, AnEntryCostsTheSameAfter100000EntriesAsAfterTenAndSavingAndClearingVisitEachNodeOnce)
{
    tree->SetBounds(0, 0, 200, 8 * tree->ItemHeight());
    tree->SetAutoExpand(true);
    cbScrolling->SetChecked(true);
    CountingObserver observer;
    scope.App().SetObserver(&observer);
    // Steps of the tree's walks and calls to the observer for one request entry, shown and selected.
    const auto costAfter = [&](int entries) {
        log->Clear();
        tree->OnAddition = nullptr;
        for (int i = 0; i < entries; ++i) Nodes().AddChild(Nodes().Add(nullptr, "<<<< 01.02.2024 10:00:00"), "+v");
        tree->OnAddition = [&](TObject*, TTreeNode* node) { TTVLog::ScrollToAdded(*tree, node, *cbScrolling); };
        const std::uint64_t steps = Nodes().Steps();
        const int calls = observer.calls;
        log->AddText("<<<< 01.02.2024 10:00:01", "+typepan", clBlue);
        tree->SetSelected(&LastRoot());
        return std::pair{Nodes().Steps() - steps, observer.calls - calls};
    };
    const auto few = costAfter(10);
    const auto many = costAfter(100'000);
    EXPECT_EQ(many, few);
    EXPECT_LE(few.first, 4u * static_cast<unsigned>(tree->VisibleRowCount())) << "a page of rows at most";
    EXPECT_EQ(tree->TopItem(), Nodes().Root(100'000 - 7)) << "the new entry ends the view";
    cbScrolling->SetChecked(false);
    log->AddInfo("unchecked");
    EXPECT_EQ(tree->TopItem(), Nodes().Root(100'000 - 7)) << "with scrolling off the view stays";

    const std::uint64_t beforeSave = Nodes().Steps();
    log->SaveToFile(file.string());
    EXPECT_LE(Nodes().Steps() - beforeSave, 3u * static_cast<unsigned>(Nodes().Count()));
    const std::uint64_t beforeClear = Nodes().Steps();
    const int nodes = Nodes().Count();
    log->Clear();
    EXPECT_LE(Nodes().Steps() - beforeClear, static_cast<unsigned>(nodes));
    scope.App().SetObserver(nullptr);
}

// A caption, then a tabbed line per piece; Windows-1251 with "?" for what it lacks; CR LF; the file's
// old content replaced.
TEST_F(TreeLog, TheSavedLogIsItsLinesInWindows1251AndAFileItCannotWriteIsNamed)
{
    std::ofstream(file, std::ios::binary) << std::string(1000, 'o');
    log->AddError("Ошибка");
    log->AddText("caption", std::string(250, 'z'), clBlue);
    log->AddList("Список", {"日"}, clRed);
    EXPECT_EQ(Saved(), "\xCE\xF8\xE8\xE1\xEA\xE0\r\ncaption\r\n\t" + std::string(200, 'z') + "\r\n\t" + std::string(50, 'z') +
                           "\r\n\xD1\xEF\xE8\xF1\xEE\xEA\r\n\t?\r\n");
    file = file.parent_path() / "no-such-folder" / "log.txt";
    try {
        Saved();
        FAIL() << "no error";
    } catch (const platform::IniFileError& e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
}

// The worker never touches the tree: its entries wait for the window thread, in their order, and are
// dropped when the log or the tree is gone by then.
TEST_F(TreeLog, AnotherThreadsEntriesWaitForTheWindowThreadAndAreDroppedWhenTheLogOrTheTreeIsGone)
{
    const auto window = std::this_thread::get_id();
    tree->OnAddition = [&](TObject*, TTreeNode*) { EXPECT_EQ(std::this_thread::get_id(), window); };
    std::thread([&] {
        for (int i = 0; i < 50; ++i) log->AddText("block " + std::to_string(i), std::string(201, 'b'), clBlue);
        log->AddError("done");
    }).join();
    EXPECT_EQ(Nodes().Count(), 0);
    scope.App().ProcessMessages();
    ASSERT_EQ(Nodes().RootCount(), 51);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Nodes().Root(i)->Text(), "block " + std::to_string(i));
    EXPECT_EQ(Nodes().Root(49)->Count(), 2);

    log->Clear();
    std::thread([&] { log->AddInfo("late"); }).join();
    log.reset();
    scope.App().ProcessMessages();
    EXPECT_EQ(Nodes().Count(), 0);
    log = std::make_unique<TTVLog>(*tree);
    std::thread([&] { log->AddInfo("later"); }).join();
    Free(tree);
    scope.App().ProcessMessages();  // must not touch the freed tree (the sanitizer would say so)
}

}  // namespace
