#include "app/TVLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
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

std::vector<std::string> Texts(const TTreeNode& root)
{
    std::vector<std::string> texts;
    for (int i = 0; i < root.Count(); ++i) texts.push_back(root.Item(i)->Text());
    return texts;
}

std::vector<std::size_t> Lengths(const TTreeNode& root)
{
    std::vector<std::size_t> lengths;
    for (int i = 0; i < root.Count(); ++i) lengths.push_back(platform::Utf8Length(root.Item(i)->Text()));
    return lengths;
}

class TreeLog : public ::testing::Test {
protected:
    TTreeNodes& Nodes() { return tree->Items(); }
    TTreeNode& LastRoot() { return *Nodes().Root(Nodes().RootCount() - 1); }

    std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    ApplicationScope scope;
    TForm* form = Create<TForm>(&scope.App(), "formMain");
    TTreeView* tree = Create<TTreeView>(form, "tvLog", form);
    TCheckBox* cbScrolling = Create<TCheckBox>(form, "cbScrolling", form);
    std::unique_ptr<TTVLog> log = std::make_unique<TTVLog>(*tree);
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("sorvel-tvlog-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));

    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

// ------------------------------------------------------------------ entries and colours

TEST_F(TreeLog, PlainErrorAndInformationLinesAreSingleNodesInTheirColours)
{
    log->AddMessage("plain");
    log->AddError("bad");
    log->AddInfo("note");
    ASSERT_EQ(Nodes().Count(), 3);
    const struct {
        std::string text;
        TColor color, background;
    } expected[] = {{"plain", 0x000000, clInfoBk}, {"bad", 0x00FFFF, 0x0000FF}, {"note", 0x000000, 0xFFFFFF}};
    for (int i = 0; i < 3; ++i) {
        const TTreeNode& node = *Nodes().Root(i);
        EXPECT_EQ(node.Text(), expected[i].text);
        EXPECT_EQ(TTVLog::TextColorOf(node), expected[i].color) << i;
        EXPECT_EQ(TTVLog::BackgroundColorOf(node), expected[i].background) << i;
    }
}

TEST_F(TreeLog, LineBreaksBecomeOneBlankEach)
{
    log->AddMessage("ab\r\ncd");
    log->AddText("x\ry", "1\n2", clBlue);
    log->AddList("c", {"l\r\n", "\n"}, clBlue);
    EXPECT_EQ(Nodes().Root(0)->Text(), "ab  cd");
    EXPECT_EQ(Nodes().Root(1)->Text(), "x y");
    EXPECT_EQ(Texts(*Nodes().Root(1)), (std::vector<std::string>{"1 2"}));
    EXPECT_EQ(Texts(*Nodes().Root(2)), (std::vector<std::string>{"l  ", " "}));
}

TEST_F(TreeLog, TextEntryIsACaptionOnWhiteWithItsPiecesOnTheTooltipColour)
{
    log->AddText("<<<< 01.02.2024 10:00:00", "+v", clBlue);
    const TTreeNode& root = LastRoot();
    EXPECT_EQ(TTVLog::TextColorOf(root), clBlue);
    EXPECT_EQ(TTVLog::BackgroundColorOf(root), clWhite);
    ASSERT_EQ(root.Count(), 1);
    EXPECT_EQ(TTVLog::TextColorOf(*root.Item(0)), clBlue);
    EXPECT_EQ(TTVLog::BackgroundColorOf(*root.Item(0)), clInfoBk);
    log->AddText("c", "", clFuchsia);
    EXPECT_EQ(Texts(LastRoot()), (std::vector<std::string>{""})) << "an empty text still gets one empty child";
}

TEST_F(TreeLog, LongTextIsCutIntoPiecesOf200Characters)
{
    const struct {
        int length;
        std::vector<std::size_t> pieces;
    } cases[] = {{200, {200}}, {201, {200, 1}}, {450, {200, 200, 50}}};
    for (const auto& c : cases) {
        log->AddText("c", std::string(static_cast<std::size_t>(c.length), 'a'), clBlue);
        EXPECT_EQ(Lengths(LastRoot()), c.pieces) << c.length;
    }
}

TEST_F(TreeLog, PiecesCountCharactersNotBytes)
{
    const std::string text = Repeat("ж", 199) + "€" + "ё";  // 201 characters, 403 bytes
    log->AddText("c", text, clBlue);
    ASSERT_EQ(LastRoot().Count(), 2);
    EXPECT_EQ(LastRoot().Item(0)->Text(), Repeat("ж", 199) + "€");
    EXPECT_EQ(LastRoot().Item(1)->Text(), "ё");
}

TEST_F(TreeLog, ListGivesOneChildPerLineInOrderAndAnEmptyListOnlyTheCaption)
{
    log->AddList("Ошибки", {"one", "two", "three"}, clRed);
    EXPECT_EQ(Texts(LastRoot()), (std::vector<std::string>{"one", "two", "three"}));
    log->AddList("empty", {}, clRed);
    EXPECT_EQ(LastRoot().Text(), "empty");
    EXPECT_FALSE(LastRoot().HasChildren());
}

TEST_F(TreeLog, AdditionEventFiresForEveryNode)
{
    std::vector<std::string> added;
    tree->OnAddition = [&](TObject*, TTreeNode* node) { added.push_back(node->Text()); };
    log->AddText("c", "x", clBlue);
    log->AddList("l", {"1", "2"}, clBlue);
    EXPECT_EQ(added, (std::vector<std::string>{"c", "x", "l", "1", "2"}));
    log->Clear();
    EXPECT_EQ(Nodes().Count(), 0);
}

TEST_F(TreeLog, PendingWindowEventsRunAfterEachEntry)
{
    int ran = 0;
    scope.App().Post([&] { ++ran; });
    log->AddInfo("x");
    EXPECT_EQ(ran, 1);
}

// ------------------------------------------------------------------ drawing and scrolling

TEST_F(TreeLog, UnselectedNodesDrawInTheirOwnColoursSelectedOnesKeepTheSelection)
{
    log->AddError("bad");
    TItemColors colors;
    TTVLog::ApplyNodeColors(LastRoot(), {}, colors);
    EXPECT_EQ(colors.Background, clRed);
    TItemColors selected{clHighlight, clHighlightText};
    TTVLog::ApplyNodeColors(LastRoot(), {cdsSelected}, selected);
    EXPECT_EQ(selected.Background, clHighlight);
}

TEST_F(TreeLog, WithScrollingCheckedTheNewestEntryComesIntoViewOtherwiseTheViewStays)
{
    tree->SetBounds(0, 0, 200, 3 * tree->ItemHeight());
    tree->OnAddition = [&](TObject*, TTreeNode* node) { TTVLog::ScrollToAdded(*tree, node, *cbScrolling); };
    cbScrolling->SetChecked(false);
    for (int i = 0; i < 5; ++i) log->AddInfo("line " + std::to_string(i));
    EXPECT_EQ(tree->TopItem(), Nodes().Root(0));

    cbScrolling->SetChecked(true);
    for (int i = 5; i < 10; ++i) log->AddText("entry " + std::to_string(i), "hidden child", clBlue);
    EXPECT_EQ(tree->TopItem(), Nodes().Root(7)) << "the last three rows are shown";
}

// ------------------------------------------------------------------ cost per line

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

    const std::uint64_t beforeSave = Nodes().Steps();
    log->SaveToFile((dir / "log.txt").string());
    EXPECT_LE(Nodes().Steps() - beforeSave, 3u * static_cast<unsigned>(Nodes().Count()));
    const std::uint64_t beforeClear = Nodes().Steps();
    const int nodes = Nodes().Count();
    log->Clear();
    EXPECT_LE(Nodes().Steps() - beforeClear, static_cast<unsigned>(nodes));
    scope.App().SetObserver(nullptr);
}

// ------------------------------------------------------------------ clear and save

TEST_F(TreeLog, SavedEntryHasItsCaptionThenATabbedLinePerPiece)
{
    log->AddText("caption", std::string(250, 'z'), clBlue);
    const auto path = dir / "log.txt";
    log->SaveToFile(path.string());
    EXPECT_EQ(ReadFile(path), "caption\r\n\t" + std::string(200, 'z') + "\r\n\t" + std::string(50, 'z') + "\r\n");
}

TEST_F(TreeLog, SavedLogIsWindows1251AndOverwritesTheFile)
{
    const auto path = dir / "log.txt";
    std::ofstream(path, std::ios::binary) << "old content that is longer than the new one";
    log->AddError("Ошибка");
    log->AddList("Список", {"日"}, clRed);
    log->SaveToFile(path.string());
    EXPECT_EQ(ReadFile(path), "\xCE\xF8\xE8\xE1\xEA\xE0\r\n\xD1\xEF\xE8\xF1\xEE\xEA\r\n\t?\r\n");
}

TEST_F(TreeLog, SavingIntoAMissingFolderRaisesAndNamesTheFile)
{
    log->AddInfo("x");
    const auto path = dir / "no-such-folder" / "log.txt";
    try {
        log->SaveToFile(path.string());
        FAIL() << "no error";
    } catch (const platform::IniFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
    }
}

// ------------------------------------------------------------------ other threads

TEST_F(TreeLog, AnotherThreadsEntriesWaitForTheWindowThreadAndKeepTheirOrder)
{
    std::vector<std::thread::id> addedOn;
    tree->OnAddition = [&](TObject*, TTreeNode*) { addedOn.push_back(std::this_thread::get_id()); };
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) log->AddText("block " + std::to_string(i), std::string(201, 'b'), clBlue);
        log->AddError("done");
    });
    worker.join();
    EXPECT_EQ(Nodes().Count(), 0) << "the worker never touches the tree";

    scope.App().ProcessMessages();
    ASSERT_EQ(Nodes().RootCount(), 51);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Nodes().Root(i)->Text(), "block " + std::to_string(i));
    EXPECT_EQ(Lengths(*Nodes().Root(49)), (std::vector<std::size_t>{200, 1}));
    for (const auto id : addedOn) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(TreeLog, QueuedEntriesAreDroppedWhenTheLogOrTheTreeIsGone)
{
    std::thread([&] { log->AddInfo("late"); }).join();
    log.reset();
    scope.App().ProcessMessages();
    EXPECT_EQ(Nodes().Count(), 0);

    log = std::make_unique<TTVLog>(*tree);
    std::thread([&] { log->AddInfo("later"); }).join();
    Free(tree);
    scope.App().ProcessMessages();  // must not touch the freed tree (the sanitizer would say so)
    SUCCEED();
}

}  // namespace
