// The log tree: its entries and their colours, long texts in pieces, scrolling, the constant cost of a
// line however long the log, the saved file, and entries from other threads.
#include "app/TVLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/WholeFile.h"
#include "tests/support/TempFolder.h"
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
        return testsupport::ReadFile(file);
    }

    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "formMain");
    TTreeView* tree = Create<TTreeView>(form, "tvLog", form);
    TCheckBox* cbScrolling = Create<TCheckBox>(form, "cbScrolling", form);
    std::unique_ptr<TTVLog> log = std::make_unique<TTVLog>(*tree);
    const testsupport::TempFolder folder;
    std::filesystem::path file = folder.path / "log.txt";
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

// A caption, then a tabbed line per piece of at most 200 characters (not bytes); Windows-1251 with "?"
// for what it lacks; CR LF; the file's old content replaced.
TEST_F(TreeLog, LongTextIsCutInPiecesOf200CharactersAndTheSavedLogIsItsLinesInWindows1251)
{
    std::ofstream(file, std::ios::binary) << std::string(1000, 'o');
    log->AddError("Ошибка");
    log->AddText("caption", Repeat("ж", 199) + "€ё" + std::string(200, 'z'), clBlue);
    log->AddList("Список", {"日"}, clRed);
    log->AddMessage(std::string("\0\x1B\b\tok\xC2\x98\x7F\r\n", 11));  // line noise shows as codes
    EXPECT_EQ(Saved(), "\xCE\xF8\xE8\xE1\xEA\xE0\r\ncaption\r\n\t" + std::string(199, '\xE6') + "\x88\r\n\t\xB8" +
                           std::string(199, 'z') + "\r\n\tz\r\n\xD1\xEF\xE8\xF1\xEE\xEA\r\n\t?\r\n<00><1B><08><09>ok<98><7F>  \r\n");
    file = file.parent_path() / "no-such-folder" / "log.txt";
    EXPECT_THAT([this] { Saved(); }, testing::ThrowsMessage<platform::FileError>(testing::HasSubstr(file.string())));
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
