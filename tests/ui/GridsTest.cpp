#include "ui/Grids.h"

#include <gtest/gtest.h>

#include "tests/support/UiTest.h"

namespace {

using namespace ui;

class GridsTest : public testsupport::UiTest {
protected:
    TStringGrid* grid = Create<TStringGrid>(form, "StringGrid1", form);
};

class GridScrolling : public GridsTest {
protected:
    GridScrolling()
    {
        grid->SetRowCount(135);
        grid->SetDefaultRowHeight(19);
        grid->SetScrollBars(gssVertical);
        grid->SetBounds(0, 0, 400, 200);  // nine rows below the fixed one, every column
    }
    void Press(const TRect& r) { user.MouseDown(*grid, mbLeft, {}, r.Left + r.Width() / 2, r.Top + r.Height() / 2); }
    bool LastRowShownWhole() const
    {
        const TRect last = grid->CellRect(1, 134);
        return !last.IsEmpty() && last.Height() == 19;
    }
};

TEST_F(GridScrolling, TheBarsArrowsTrackAndThumbTakeTheMouse)
{
    EXPECT_EQ(grid->VisibleColCount(), 4);
    Press(grid->VertScrollBar().moreArrow);
    EXPECT_EQ(grid->TopRow(), 2);
    Press(grid->VertScrollBar().lessArrow);
    EXPECT_EQ(grid->TopRow(), 1);
    const TRect thumb = grid->VertScrollBar().thumb;
    Press(Rect(thumb.Left, thumb.Bottom, thumb.Right, thumb.Bottom + 2));  // the track below the thumb
    EXPECT_EQ(grid->TopRow(), 1 + grid->VisibleRowCount());  // the wheel is held by the window mirror's tests

    Press(grid->VertScrollBar().thumb);
    user.MouseMove(*grid, {}, 290, 1000);
    user.MouseUp(*grid, mbLeft, {}, 290, 1000);
    user.MouseMove(*grid, {}, 290, 0);  // the release ended the drag
    EXPECT_EQ(grid->TopRow(), grid->MaxTopRow());
    EXPECT_TRUE(LastRowShownWhole());
    grid->SetTopRow(500);
    EXPECT_EQ(grid->TopRow(), grid->MaxTopRow()) << "never past the last rows";
}

TEST_F(GridScrolling, KeysMoveTheCurrentRowAndScrollItIntoView)
{
    user.PressKey(*grid, VK_END);
    EXPECT_EQ(grid->Row(), 134);
    EXPECT_TRUE(LastRowShownWhole());
    user.PressKey(*grid, VK_HOME);
    EXPECT_EQ(grid->TopRow(), 1);
    for (int i = 0; i < 12; ++i) user.PressKey(*grid, VK_DOWN);
    EXPECT_EQ(grid->Row(), 13);
    EXPECT_EQ(grid->CellRect(1, 13).Height(), 19);
    grid->SetRow(2);  // the program's moves too
    EXPECT_EQ(grid->TopRow(), 2);
}

}  // namespace
