#include "ui/ComCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/UiTest.h"

namespace {

using namespace ui;

using ComCtrlsTest = testsupport::UiTest;

TEST_F(ComCtrlsTest, TreeNodesKeepTextTwoIntegersAndOrderAndSelectionFiresOnChange)
{
    auto* tree = Create<TTreeView>(form, "tvLog", form);
    std::vector<TTreeNode*> changes;
    tree->OnChange = [&](TObject*, TTreeNode* node) { changes.push_back(node); };
    TTreeNode* entry = tree->Items().Add(nullptr, "<<<<");
    entry->SetStateIndex(0xFF0000);
    entry->SetSelectedIndex(0xFFFFFF);
    TTreeNode* child = tree->Items().AddChild(entry, "+v");
    TTreeNode* next = tree->Items().Add(nullptr, ">>>>");
    EXPECT_EQ(std::tuple(tree->Items().Count(), child->AbsoluteIndex(), child->Level(), next->AbsoluteIndex()), std::tuple(3, 1, 1, 2));
    EXPECT_EQ(std::tuple(entry->StateIndex(), entry->SelectedIndex(), entry->GetNextSibling()), std::tuple(0xFF0000, 0xFFFFFF, next));
    tree->SetSelected(next);
    tree->SetSelected(next);
    user.SelectNode(*tree, entry);
    tree->Items().Delete(entry);  // the selected node: none is selected
    EXPECT_EQ(std::pair(next->Index(), tree->Items().Count()), std::pair(0, 1));
    EXPECT_EQ(changes, (std::vector<TTreeNode*>{next, entry, nullptr}));
    EXPECT_EQ(tree->Selected(), nullptr);
}

}  // namespace
