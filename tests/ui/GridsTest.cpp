#include "ui/Grids.h"

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/Driver.h"
#include "ui/Forms.h"

namespace {

using namespace ui;

class GridsTest : public ::testing::Test {
protected:
    GridsTest() { form->Show(); }
    ApplicationScope scope;
    TForm* form = scope.App().CreateForm<TForm>("FormHistory");
    TStringGrid* grid = Create<TStringGrid>(form, "StringGrid1", form);
};

TEST_F(GridsTest, CellsHoldTextAndObjectsAndClearingKeepsTheSize)
{
    grid->SetColCount(16);
    grid->SetRowCount(33);
    grid->SetFixedCols(0);
    grid->SetCell(15, 32, "Да");
    grid->SetObject(1, 3, grid);
    EXPECT_EQ(grid->Cells(15, 32), "Да");
    EXPECT_EQ(grid->Objects(1, 3), grid);
    grid->ClearCells();
    EXPECT_EQ(grid->Cells(15, 32), "");
    EXPECT_EQ(grid->Objects(1, 3), nullptr);
    EXPECT_EQ(grid->RowCount(), 33);
    EXPECT_THROW(grid->Cells(16, 0), std::out_of_range);
    EXPECT_THROW(grid->SetCell(0, 33, "x"), std::out_of_range);
}

TEST_F(GridsTest, GrowingKeepsCellsAndShrinkingDropsThem)
{
    grid->SetCell(2, 2, "keep");
    grid->SetRowCount(135);
    EXPECT_EQ(grid->Cells(2, 2), "keep");
    grid->SetRowCount(2);
    grid->SetRowCount(5);
    EXPECT_EQ(grid->Cells(2, 2), "");
}

TEST_F(GridsTest, CellRectFollowsScrollingAndIsEmptyOutOfView)
{
    grid->SetColCount(4);
    grid->SetRowCount(135);
    grid->SetDefaultRowHeight(19);
    grid->SetColWidth(0, 25);
    grid->SetColWidth(1, 15);
    grid->SetBounds(0, 0, 400, 200);
    EXPECT_EQ(grid->CellRect(1, 1), Bounds(26, 20, 15, 19));
    EXPECT_EQ(grid->VisibleRowCount(), 9);  // (200 - 20) / 20
    EXPECT_TRUE(grid->CellRect(1, 50).IsEmpty());
    grid->SetTopRow(50);
    EXPECT_EQ(grid->CellRect(1, 50), Bounds(26, 20, 15, 19));
    EXPECT_TRUE(grid->CellRect(1, 1).IsEmpty());
    EXPECT_EQ(grid->CellRect(1, 0), Bounds(26, 0, 15, 19));  // the fixed row stays
}

TEST_F(GridsTest, UserCellSelectionMayBeRefused)
{
    grid->OnSelectCell = [](TObject*, int col, int, bool& canSelect) { canSelect = col != 2; };
    Driver user(scope.App());
    user.SelectCell(*grid, 3, 2);
    EXPECT_EQ(grid->Col(), 3);
    EXPECT_EQ(grid->Row(), 2);
    user.SelectCell(*grid, 2, 4);
    EXPECT_EQ(grid->Col(), 3);
}

}  // namespace
