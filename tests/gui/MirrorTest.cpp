// The model's controls as Qt widgets, one behaviour per widget kind. What a person meets in the
// program's own windows (captions on screen, clicks, combo lists, modal dialogs, menus clicked) the
// real-window suite holds; here are what those flows do not reach: key filters, refused toggles,
// shortcuts, trees kept in step at a constant cost, painted controls, lifetimes and threads.
#include <QCheckBox>
#include <QComboBox>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdint>
#include <functional>
#include <string>

#include "GuiTestSupport.h"
#include "app/TVLog.h"
#include "gui/Convert.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

using guitest::GuiTest;

template <class T>
T* Make(ui::TComponent* owner, const char* name, ui::TWinControl* parent, int x, int y, int w, int h)
{
    auto* c = ui::Create<T>(owner, name, parent);
    c->SetBounds(x, y, w, h);
    return c;
}

class SmallForm : public ui::TForm {
public:
    explicit SmallForm(ui::TComponent* owner) : ui::TForm(owner)
    {
        SetCaption("Проба");
        SetClientWidth(320);
        SetClientHeight(200);
        Label->SetCaption("&Номер");
        Check->SetCaption("Включено");
        Button->SetCaption("Пуск");
        Combo->SetStyle(ui::csDropDownList);
    }

    ui::TPanel* Panel = Make<ui::TPanel>(this, "Panel", this, 8, 100, 200, 60);
    ui::TLabel* Label = Make<ui::TLabel>(this, "Label", this, 10, 10, 80, 16);
    ui::TEdit* Edit = Make<ui::TEdit>(this, "Edit", this, 100, 8, 120, 21);
    ui::TEdit* Other = Make<ui::TEdit>(this, "Other", Panel, 4, 4, 80, 21);
    ui::TCheckBox* Check = Make<ui::TCheckBox>(this, "Check", this, 10, 40, 120, 17);
    ui::TButton* Button = Make<ui::TButton>(this, "Button", this, 230, 8, 75, 25);
    ui::TComboBox* Combo = Make<ui::TComboBox>(this, "Combo", this, 10, 64, 120, 21);
};

class MirrorTest : public GuiTest {
protected:
    MirrorTest() { form->Show(); }
    QWidget* W(const ui::TControl& c) { return front.Windows().Widget(c); }
    SmallForm* form = scope.App().CreateForm<SmallForm>("SmallForm");
};

// ------------------------------------------------------------------ model -> widgets

// Places, captions and visibility the real-window suite checks on every window; here what it cannot see.
TEST_F(MirrorTest, ModelChangesAndControlsMadeOrMovedLaterReachTheWidgetsAndDisabledTextIsGrey)
{
    EXPECT_EQ(WidgetOf<QLabel>(*form->Label)->text(), QString("Номер"));
    form->Combo->Items().Add("один");
    form->Combo->Items().Add("два");
    form->Combo->SetItemIndex(1);
    EXPECT_EQ(WidgetOf<QComboBox>(*form->Combo)->currentText(), QString("два"));

    auto* late = Make<ui::TButton>(form, "Late", form->Panel, 100, 4, 60, 25);
    ASSERT_NE(W(*late), nullptr);
    EXPECT_EQ(W(*late)->parentWidget(), W(*form->Panel));
    late->SetParent(form);
    EXPECT_EQ(W(*late)->parentWidget(), W(*form->Edit)->parentWidget());
    EXPECT_TRUE(W(*late)->isVisible());

    // A disabled control shows grey text whatever its font colour.
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{form->Edit, form->Button, form->Label}) {
        c->Font().SetColor(clRed);
        c->SetEnabled(c == form->Edit);
        const QPalette shown = W(*c)->palette();
        const QPalette style = QApplication::palette(W(*c));
        for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text}) {
            EXPECT_EQ(shown.color(QPalette::Active, role), QColor(255, 0, 0)) << c->Name();
            EXPECT_TRUE(c->Enabled() || shown.color(QPalette::Disabled, role) == style.color(QPalette::Disabled, role))
                << c->Name();
        }
    }
}

// ------------------------------------------------------------------ widgets -> model

TEST_F(MirrorTest, TheModelDecidesToggleAndCloseAndFocusLeavingRunsOnExit)
{
    // A check box the model refuses to toggle shows the model's state again.
    auto* box = WidgetOf<QCheckBox>(*form->Check);
    box->click();
    form->Check->SetEnabled(false);
    box->setEnabled(true);
    box->click();
    EXPECT_TRUE(form->Check->Checked());
    EXPECT_TRUE(box->isChecked());

    form->Edit->SetFocus();
    int exits = 0;
    form->Edit->OnExit = [&](ui::TObject*) { ++exits; };
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(W(*form->Other), &focus);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(scope.App().FocusedControl(), form->Other);

    bool allow = false;
    form->OnCloseQuery = [&](ui::TObject*, bool& canClose) { canClose = allow; };
    EXPECT_FALSE(W(*form)->close());
    EXPECT_TRUE(form->Visible());
    allow = true;
    W(*form)->close();
    EXPECT_FALSE(W(*form)->isVisible());
}

TEST_F(MirrorTest, TypingGoesThroughTheModelsKeyFiltersAndTheWidgetShowsTheResult)
{
    std::string seen;
    form->Edit->OnKeyPress = [&](ui::TObject*, char32_t& key) {
        seen += static_cast<char>(key < 128 ? key : '?');
        if (key != U'\b' && (key < U'0' || key > U'9')) key = 0;
    };
    auto* edit = WidgetOf<QLineEdit>(*form->Edit);
    guitest::Type(edit, "1a2б3");
    EXPECT_EQ(edit->text(), QString("123"));
    EXPECT_EQ(seen, "1a2?3");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QString("12"));
    // The caret moved in the widget moves in the model: typing lands there.
    edit->setCursorPosition(0);
    guitest::Type(edit, "9");
    EXPECT_EQ(form->Edit->Text(), "912");
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(form->Edit->Text(), "92");

    auto* memo = Make<ui::TMemo>(form, "Memo", form, 0, 0, 100, 60);
    memo->Lines().Add("первая");
    auto* lines = WidgetOf<QPlainTextEdit>(*memo);
    ASSERT_NE(lines, nullptr);
    memo->SetSelStart(6);
    QTest::keyClick(lines, Qt::Key_Return);
    guitest::Type(lines, "2");
    EXPECT_EQ(memo->Lines()[1], "2");
    EXPECT_EQ(lines->toPlainText(), QString("первая\n2"));
}

TEST_F(MirrorTest, MenuShortcutsGoThroughTheModelAndADisabledItemDoesNothing)
{
    auto* top = ui::Create<ui::TMenuItem>(form, "Top");
    top->SetCaption("Панель");
    ui::Create<ui::TMainMenu>(form, "Menu")->Items().Add(top);
    auto* read = ui::Create<ui::TMenuItem>(form, "Read");
    read->SetCaption("Прочитать");
    read->SetShortCut(ui::ShortCut('R', {ui::ssCtrl}));
    top->Add(read);
    int reads = 0;
    read->OnClick = [&](ui::TObject*) { ++reads; };
    front.Windows().Flush();

    QMenuBar* bar = W(*form)->findChild<QMenuBar*>();
    ASSERT_TRUE(bar != nullptr && bar->actions().size() == 1 && bar->actions()[0]->menu() != nullptr);
    ASSERT_EQ(bar->actions()[0]->menu()->actions().size(), 1);
    QAction* action = bar->actions()[0]->menu()->actions()[0];
    EXPECT_EQ(action->text(), QString("Прочитать\tCtrl+R"));
    QTest::keyClick(W(*form->Edit), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(reads, 1);
    read->SetEnabled(false);
    EXPECT_FALSE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(reads, 1);
}

// ------------------------------------------------------------------ trees

// A tree shown as the log shows it: roots R0..Rn (R1 open with two children, R2 with a child and a
// grandchild), each row coloured from its node unless selected. After each change the widget holds the
// same rows, texts, colours, open rows and selection as the model, its first row is the model's (as far
// as its rows allow), and keeping it in step cost the same in a short tree as in a long one.
class MirrorTreeTest;

struct TreeCase {
    const char* name;
    std::function<void(MirrorTreeTest&)> change;
    bool costGrowsWithTree = false;
};

std::string Row(int level, const QString& text, const QColor& back, const QColor& fore, bool open, bool selected)
{
    return std::string(static_cast<std::size_t>(level), ' ') + text.toStdString() + " " + back.name().toStdString() +
           "/" + fore.name().toStdString() + (open ? " open" : "") + (selected ? " selected" : "") + "\n";
}

// Each row: its level, text, colours, and whether it is open and selected.
std::string Shown(QTreeWidget& view)
{
    std::string rows;
    for (QTreeWidgetItemIterator it(&view); *it != nullptr; ++it) {
        int level = 0;
        for (const QTreeWidgetItem* up = (*it)->parent(); up != nullptr; up = up->parent()) ++level;
        rows += Row(level, (*it)->text(0), (*it)->background(0).color(), (*it)->foreground(0).color(),
                    (*it)->isExpanded(), view.currentItem() == *it && (*it)->isSelected());
    }
    return rows;
}

std::string Model(ui::TTreeView& tree)
{
    std::string rows;
    for (ui::TTreeNode* n = tree.Items().GetFirstNode(); n != nullptr; n = n->GetNext()) {
        const ui::TItemColors colors = tree.ItemColors(n);
        rows += Row(n->Level(), gui::ToQt(n->Text()), gui::ToQColor(colors.Background), gui::ToQColor(colors.Text),
                    n->Expanded(), n->Selected());
    }
    return rows;
}

// The model's first row is the widget's, or the widget shows its last rows and that one among them.
::testing::AssertionResult TopShown(const QTreeWidget& view, const ui::TTreeView& model)
{
    const QTreeWidgetItem* first = view.itemAt(QPoint(1, 1));
    const QString want = model.TopItem() != nullptr ? gui::ToQt(model.TopItem()->Text()) : QString();
    const QList<QTreeWidgetItem*> found = view.findItems(want, Qt::MatchExactly | Qt::MatchRecursive);
    const bool atEnd = view.verticalScrollBar()->value() == view.verticalScrollBar()->maximum() && !found.isEmpty() &&
                       view.viewport()->rect().contains(view.visualItemRect(found.front()));
    if ((first != nullptr ? first->text(0) : QString()) == want || atEnd) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "first row " << (first ? first->text(0).toStdString() : "none")
                                         << ", the model's " << want.toStdString();
}

class MirrorTreeTest : public MirrorTest, public ::testing::WithParamInterface<TreeCase> {
protected:
    void Build(int roots)
    {
        tree->Items().Clear();
        for (int i = 0; i < roots; ++i) tree->Items().Add(nullptr, "R" + std::to_string(i));
        ui::TTreeNode* r1 = tree->Items().Root(1);
        tree->Items().AddChild(r1, "R1.0");
        tree->Items().AddChild(r1, "R1.1");
        tree->Items().AddChild(tree->Items().AddChild(tree->Items().Root(2), "R2.0"), "R2.0.0");
        r1->Expand(false);
        front.Windows().FlushAll();
    }

public:
    ui::TTreeNode* Root(int i) const { return tree->Items().Root(i); }

    ui::TTreeView* tree = Make<ui::TTreeView>(form, "Tree", form, 0, 0, 300, 150);
    QTreeWidget* view = WidgetOf<QTreeWidget>(*tree);
    ui::TCheckBox* scrolling = ui::Create<ui::TCheckBox>(form, "Scrolling", form);
    TTVLog log{*tree};
};

TEST_P(MirrorTreeTest, TheWidgetFollowsEachChangeAtACostThatDoesNotGrowWithTheTree)
{
    tree->OnAddition = [this](ui::TObject*, ui::TTreeNode* node) { TTVLog::ScrollToAdded(*tree, node, *scrolling); };
    tree->OnCustomDrawItem = [](ui::TObject*, ui::TTreeNode* node, ui::TCustomDrawState state, ui::TItemColors& colors,
                                bool&) { TTVLog::ApplyNodeColors(*node, state, colors); };
    ASSERT_NE(view, nullptr);
    std::uint64_t costs[2] = {};
    for (const int roots : {30, 1000}) {
        Build(roots);
        ASSERT_EQ(Shown(*view), Model(*tree));
        const std::uint64_t before = front.Windows().TreeItemsTouched();
        GetParam().change(*this);
        front.Windows().FlushAll();
        costs[roots == 30 ? 0 : 1] = front.Windows().TreeItemsTouched() - before;
        EXPECT_EQ(Shown(*view), Model(*tree)) << roots << " roots";
        EXPECT_TRUE(TopShown(*view, *tree)) << roots << " roots";
    }
    EXPECT_TRUE(GetParam().costGrowsWithTree || costs[0] == costs[1]) << costs[0] << " vs " << costs[1];
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Changes, MirrorTreeTest, ::testing::Values(
    TreeCase{"LogEntriesScrolledIntoView", [](MirrorTreeTest& s) {
        s.scrolling->SetChecked(true);
        for (int i = 0; i < 3; ++i) s.log.AddText("<<<< " + std::to_string(i), "+typepan", clBlue);
        s.log.AddError("Нет ответа"); }},
    TreeCase{"InsertAtTheStartInTheMiddleAndAsChildren", [](MirrorTreeTest& s) {
        s.tree->Items().AddFirst(nullptr, "first");
        s.tree->Items().Insert(s.Root(4), "middle");
        s.tree->Items().AddChildFirst(s.Root(2), "R1.first");
        s.tree->Items().AddChild(s.Root(5), "under R3"); }},
    TreeCase{"RemoveANodeWithItsChildrenAndAChild", [](MirrorTreeTest& s) {
        s.Root(2)->Delete();
        s.Root(1)->Item(0)->Delete(); }},
    TreeCase{"TextColoursAndOpenRowsChange", [](MirrorTreeTest& s) {
        s.tree->SetTopItem(s.Root(8));
        s.Root(1)->Item(1)->SetText("renamed");
        s.Root(3)->SetStateIndex(static_cast<int>(clYellow));
        s.Root(3)->SetSelectedIndex(static_cast<int>(clRed));
        s.Root(1)->Collapse(false);
        s.Root(2)->Expand(false); }},
    TreeCase{"TheModelSelectsAndTheFirstRowStays", [](MirrorTreeTest& s) {
        s.tree->SetSelected(s.Root(5));
        s.tree->SetSelected(s.Root(25)); }},
    TreeCase{"RowsComeAboveTheFirstRow", [](MirrorTreeTest& s) {
        s.tree->SetTopItem(s.Root(8));
        s.tree->Items().Insert(s.Root(4), "above");
        s.tree->Items().AddChild(s.Root(1), "R1.2"); }},
    TreeCase{"TheSelectedFirstRowGoes", [](MirrorTreeTest& s) {
        ui::TTreeNode* r6 = s.Root(6);
        s.tree->SetSelected(r6);
        s.tree->SetTopItem(r6);
        r6->Delete(); }},
    TreeCase{"ClearedAndFilledAgain", [](MirrorTreeTest& s) {
        s.tree->SetSelected(s.Root(3));
        s.log.Clear();
        s.log.AddText("<<<< again", "+typepan", clBlue); }, true}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });
// clang-format on

// ------------------------------------------------------------------ painted controls and grids

// Painted controls show what the model drew and read the mouse themselves.
TEST_F(MirrorTest, GridCellsAreDrawnByTheModelsHandlerAClickSelectsACellAndTheWheelScrolls)
{
    int panelClicks = 0;
    form->Panel->OnClick = [&](ui::TObject*) { ++panelClicks; };
    QTest::mouseClick(W(*form->Panel), Qt::LeftButton, {}, QPoint(150, 30));
    EXPECT_EQ(panelClicks, 1);

    auto* grid = Make<ui::TStringGrid>(form, "Grid", form, 0, 0, 200, 100);
    grid->SetColCount(3);
    grid->SetRowCount(30);
    grid->OnDrawCell = [&](ui::TObject*, int col, int row, const ui::TRect& rect, ui::TGridDrawState) {
        if (col != 2 || row != 2) return;
        grid->PaintCanvas()->brush = ui::Brush::Solid(clLime);
        grid->PaintCanvas()->fillRect(rect);
    };
    QWidget* widget = W(*grid);
    const QPoint cell(grid->CellRect(2, 2).Left + 3, grid->CellRect(2, 2).Top + 3);
    EXPECT_EQ(widget->grab().toImage().pixelColor(cell), QColor(0, 255, 0));
    QTest::mouseClick(widget, Qt::LeftButton, {}, cell);
    EXPECT_EQ(std::pair(grid->Col(), grid->Row()), std::pair(2, 2));
    // A notch down scrolls three rows; the wheel never scrolls past the last full page.
    for (const auto& [notches, top] : {std::pair(1, 4), std::pair(20, 30 - grid->VisibleRowCount())}) {
        guitest::screen::Wheel(widget->window(), widget->mapTo(widget->window(), QPoint(10, 10)), notches);
        EXPECT_EQ(grid->TopRow(), top) << notches;
    }
}

// ------------------------------------------------------------------ lifetime and threads

TEST_F(MirrorTest, AControlWhoseWidgetOrFormIsGoneIsMadeAgainOrLetGo)
{
    QPointer<QWidget> inner = W(*form->Other);
    delete W(*form->Panel);
    EXPECT_TRUE(inner.isNull());
    form->Other->SetText("снова");
    ASSERT_NE(WidgetOf<QLineEdit>(*form->Other), nullptr);
    EXPECT_EQ(WidgetOf<QLineEdit>(*form->Other)->text(), QString("снова"));
    ui::Free(form->Panel);
    ui::Free(form->Other);
    front.Windows().Flush();
    form->Edit->SetText("дальше");
    EXPECT_EQ(WidgetOf<QLineEdit>(*form->Edit)->text(), QString("дальше"));

    // A form freed from its own button's handler.
    form->Button->OnClick = [&](ui::TObject*) { ui::Free(form); };
    QPointer<QPushButton> button = WidgetOf<QPushButton>(*form->Button);
    button->click();
    front.Windows().Flush();
    EXPECT_TRUE(button.isNull());
}

}  // namespace
