#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWheelEvent>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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

class SmallForm : public ui::TForm {
public:
    explicit SmallForm(ui::TComponent* owner) : ui::TForm(owner)
    {
        SetCaption("Проба");
        SetClientWidth(320);
        SetClientHeight(200);
        Panel = ui::Create<ui::TPanel>(this, "Panel", this);
        Panel->SetBounds(8, 100, 200, 60);
        Label = ui::Create<ui::TLabel>(this, "Label", this);
        Label->SetBounds(10, 10, 80, 16);
        Label->SetCaption("&Номер");
        Edit = ui::Create<ui::TEdit>(this, "Edit", this);
        Edit->SetBounds(100, 8, 120, 21);
        Other = ui::Create<ui::TEdit>(this, "Other", Panel);
        Other->SetBounds(4, 4, 80, 21);
        Check = ui::Create<ui::TCheckBox>(this, "Check", this);
        Check->SetBounds(10, 40, 120, 17);
        Check->SetCaption("Включено");
        Button = ui::Create<ui::TButton>(this, "Button", this);
        Button->SetBounds(230, 8, 75, 25);
        Button->SetCaption("Пуск");
        Combo = ui::Create<ui::TComboBox>(this, "Combo", this);
        Combo->SetBounds(10, 64, 120, 21);
        Combo->SetStyle(ui::csDropDownList);
    }

    ui::TPanel* Panel;
    ui::TLabel* Label;
    ui::TEdit* Edit;
    ui::TEdit* Other;
    ui::TCheckBox* Check;
    ui::TButton* Button;
    ui::TComboBox* Combo;
};

class MirrorTest : public GuiTest {
protected:
    MirrorTest() { form->Show(); }
    SmallForm* form = scope.App().CreateForm<SmallForm>("SmallForm");
};

// ------------------------------------------------------------------ model -> widgets

TEST_F(MirrorTest, EveryControlBecomesAWidgetAtItsBoundsInsideItsParent)
{
    QWidget* window = front.Windows().Widget(*form);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString("Проба"));

    auto* edit = WidgetOf<QLineEdit>(*form->Edit);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->window(), window);
    auto* nested = WidgetOf<QLineEdit>(*form->Other);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->parentWidget(), front.Windows().Widget(*form->Panel));
    EXPECT_EQ(nested->geometry(), QRect(4, 4, 80, 21));
    auto* label = WidgetOf<QLabel>(*form->Label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString("Номер"));
    EXPECT_EQ(front.Windows().Control(edit), form->Edit);
}

TEST_F(MirrorTest, ModelChangesReachTheWidgets)
{
    auto* edit = WidgetOf<QLineEdit>(*form->Edit);
    form->Edit->SetText("12345");
    EXPECT_EQ(edit->text(), QString("12345"));
    form->Edit->SetBounds(90, 30, 60, 21);
    EXPECT_EQ(edit->geometry(), QRect(90, 30, 60, 21));
    form->Edit->SetVisible(false);
    EXPECT_FALSE(edit->isVisible());
    form->Edit->Font().SetColor(clRed);
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Text), QColor(255, 0, 0));

    auto* combo = WidgetOf<QComboBox>(*form->Combo);
    form->Combo->Items().Add("один");
    form->Combo->Items().Add("два");
    form->Combo->SetItemIndex(1);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), QString("два"));

    form->SetCaption("Другое");
    EXPECT_EQ(front.Windows().Widget(*form)->windowTitle(), QString("Другое"));
}

TEST_F(MirrorTest, ADisabledControlShowsGreyTextWhateverItsFontColour)
{
    form->Button->Font().SetColor(clRed);
    form->Label->Font().SetColor(clRed);
    form->Button->SetEnabled(false);
    form->Label->SetEnabled(false);
    for (QWidget* widget : {front.Windows().Widget(*form->Button), front.Windows().Widget(*form->Label)}) {
        const QPalette shown = widget->palette();
        const QPalette style = QApplication::palette(widget);
        for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text}) {
            EXPECT_EQ(shown.color(QPalette::Active, role), QColor(255, 0, 0));
            EXPECT_EQ(shown.color(QPalette::Disabled, role), style.color(QPalette::Disabled, role));
        }
    }
}

TEST_F(MirrorTest, ControlsMadeLaterAndMovedBetweenParentsFollow)
{
    auto* late = ui::Create<ui::TButton>(form, "Late", form->Panel);
    late->SetBounds(100, 4, 60, 25);
    QWidget* widget = front.Windows().Widget(*late);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), front.Windows().Widget(*form->Panel));
    late->SetParent(form);
    EXPECT_EQ(front.Windows().Widget(*late)->parentWidget(), front.Windows().Widget(*form->Edit)->parentWidget());
    EXPECT_TRUE(front.Windows().Widget(*late)->isVisible());
}

// ------------------------------------------------------------------ widgets -> model

TEST_F(MirrorTest, AClickOnTheWidgetRunsTheModelsOnClick)
{
    int clicks = 0;
    form->Button->OnClick = [&](ui::TObject*) { ++clicks; };
    WidgetOf<QPushButton>(*form->Button)->click();
    EXPECT_EQ(clicks, 1);

    // The model decides: a check box the model refuses to toggle shows the model's state again.
    auto* box = WidgetOf<QCheckBox>(*form->Check);
    box->click();
    form->Check->SetEnabled(false);
    box->setEnabled(true);
    box->click();
    EXPECT_TRUE(form->Check->Checked());
    EXPECT_TRUE(box->isChecked());
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
    guitest::Key(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QString("12"));

    // The caret moved in the widget moves in the model: typing lands there.
    edit->setCursorPosition(0);
    guitest::Type(edit, "9");
    EXPECT_EQ(form->Edit->Text(), "912");
    guitest::Key(edit, Qt::Key_Delete);
    EXPECT_EQ(form->Edit->Text(), "92");
}

TEST_F(MirrorTest, FocusMovingToAnotherWidgetRunsOnExitOfTheOldControl)
{
    form->Edit->SetFocus();
    int exits = 0;
    form->Edit->OnExit = [&](ui::TObject*) { ++exits; };
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(WidgetOf<QLineEdit>(*form->Other), &focus);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(scope.App().FocusedControl(), form->Other);
}

TEST_F(MirrorTest, SelectingInTheComboBoxIsTheUsersSelection)
{
    form->Combo->Items().Add("один");
    form->Combo->Items().Add("два");
    int changes = 0;
    form->Combo->OnChange = [&](ui::TObject*) { ++changes; };
    auto* combo = WidgetOf<QComboBox>(*form->Combo);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(form->Combo->ItemIndex(), 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(MirrorTest, TheCloseBoxAsksTheModel)
{
    bool allow = false;
    form->OnCloseQuery = [&](ui::TObject*, bool& canClose) { canClose = allow; };
    QWidget* window = front.Windows().Widget(*form);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(form->Visible());
    allow = true;
    window->close();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MirrorTest, MenusShowTheModelsItemsAndTheirShortcutsGoThroughTheModel)
{
    auto* menu = ui::Create<ui::TMainMenu>(form, "Menu");
    auto* top = ui::Create<ui::TMenuItem>(form, "Top");
    top->SetCaption("Панель");
    menu->Items().Add(top);
    auto* read = ui::Create<ui::TMenuItem>(form, "Read");
    read->SetCaption("Прочитать");
    read->SetShortCut(ui::ShortCut('R', {ui::ssCtrl}));
    top->Add(read);
    int reads = 0;
    read->OnClick = [&](ui::TObject*) { ++reads; };
    front.Windows().Flush();

    QMenuBar* bar = front.Windows().Widget(*form)->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QMenu* sub = bar->actions()[0]->menu();
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->actions().size(), 1);
    QAction* action = sub->actions()[0];
    EXPECT_EQ(action->text(), QString("Прочитать\tCtrl+R"));
    action->trigger();
    EXPECT_EQ(reads, 1);

    guitest::Key(WidgetOf<QLineEdit>(*form->Edit), Qt::Key_R, {}, Qt::ControlModifier);
    EXPECT_EQ(reads, 2);
    read->SetEnabled(false);
    EXPECT_FALSE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(reads, 2);
}

TEST_F(MirrorTest, AModalFormRunsInARealWindowThatTheUserAnswers)
{
    auto* dialog = scope.App().CreateForm<ui::TForm>("Dialog");
    auto* ok = ui::Create<ui::TButton>(dialog, "Ok", dialog);
    ok->SetCaption("OK");
    ok->SetModalResult(ui::mrOk);
    bool modalWindow = false;
    QTimer::singleShot(5, [&] {
        modalWindow = front.Windows().Widget(*dialog)->windowModality() == Qt::ApplicationModal;
        WidgetOf<QPushButton>(*ok)->click();
    });
    EXPECT_EQ(dialog->ShowModal(), ui::mrOk);
    EXPECT_TRUE(modalWindow);
    EXPECT_FALSE(front.Windows().Widget(*dialog)->isVisible());
}

TEST_F(MirrorTest, AMemoShowsItsLinesAndTypedLineBreaksGoThroughTheModel)
{
    auto* memo = ui::Create<ui::TMemo>(form, "Memo", form);
    memo->SetBounds(0, 0, 100, 60);
    memo->Lines().Add("первая");
    auto* widget = WidgetOf<QPlainTextEdit>(*memo);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->toPlainText(), QString("первая"));
    memo->SetSelStart(6);
    guitest::Key(widget, Qt::Key_Return);
    guitest::Type(widget, "2");
    EXPECT_EQ(memo->Lines()[1], "2");
    EXPECT_EQ(widget->toPlainText(), QString("первая\n2"));
}

// ------------------------------------------------------------------ trees, grids, painted controls

// A tree shown as the log shows it: roots R0..Rn (R1 open with two children, R2 with a child and a
// grandchild), each row coloured from its node unless selected. After each change the widget holds the
// same rows, texts, colours, open rows and selection as the model, its first row is the model's (as far
// as its rows allow), and keeping it in step cost the same in a short tree as in a long one.
struct TreeScene {
    ui::TTreeView& tree;
    QTreeWidget& view;
    TTVLog& log;
    ui::TCheckBox& scrolling;
};

struct TreeCase {
    const char* name;
    std::function<void(TreeScene&)> change;
    bool costGrowsWithTree = false;
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

class MirrorTreeTest : public MirrorTest, public ::testing::WithParamInterface<TreeCase> {
protected:
    ui::TTreeNode* Root(int i) const { return tree->Items().Root(i); }

    void Build(int roots)
    {
        tree->SetBounds(0, 0, 300, 150);
        tree->OnAddition = [this](ui::TObject*, ui::TTreeNode* node) {
            TTVLog::ScrollToAdded(*tree, node, *scrolling);
        };
        tree->OnCustomDrawItem = [](ui::TObject*, ui::TTreeNode* node, ui::TCustomDrawState state,
                                    ui::TItemColors& colors, bool&) { TTVLog::ApplyNodeColors(*node, state, colors); };
        for (int i = 0; i < roots; ++i) tree->Items().Add(nullptr, QString("R%1").arg(i).toStdString());
        tree->Items().AddChild(Root(1), "R1.0");
        tree->Items().AddChild(Root(1), "R1.1");
        tree->Items().AddChild(tree->Items().AddChild(Root(2), "R2.0"), "R2.0.0");
        Root(1)->Expand(false);
        front.Windows().FlushAll();
    }

    // Each row: its level, text, colours, and whether it is open and selected.
    std::string Shown(const QTreeWidget& view) const
    {
        std::string rows;
        const std::function<void(const QTreeWidgetItem&, int)> walk = [&](const QTreeWidgetItem& item, int level) {
            rows += Row(level, item.text(0), item.background(0).color(), item.foreground(0).color(), item.isExpanded(),
                        view.currentItem() == &item && item.isSelected());
            for (int i = 0; i < item.childCount(); ++i) walk(*item.child(i), level + 1);
        };
        for (int i = 0; i < view.topLevelItemCount(); ++i) walk(*view.topLevelItem(i), 0);
        return rows;
    }

    std::string Model() const
    {
        std::string rows;
        for (ui::TTreeNode* n = tree->Items().GetFirstNode(); n != nullptr; n = n->GetNext()) {
            const ui::TItemColors colors = tree->ItemColors(n);
            rows += Row(n->Level(), gui::ToQt(n->Text()), gui::ToQColor(colors.Background), gui::ToQColor(colors.Text),
                        n->Expanded(), n->Selected());
        }
        return rows;
    }

    static std::string Row(int level, const QString& text, const QColor& back, const QColor& fore, bool open,
                           bool selected)
    {
        return std::string(static_cast<std::size_t>(level), ' ') + text.toStdString() + " " +
               back.name().toStdString() + "/" + fore.name().toStdString() + (open ? " open" : "") +
               (selected ? " selected" : "") + "\n";
    }

    // The model's first row is the widget's, or the widget shows its last rows and that one among them.
    static ::testing::AssertionResult TopShown(const QTreeWidget& view, const ui::TTreeView& model)
    {
        const ui::TTreeNode* top = model.TopItem();
        const QTreeWidgetItem* first = view.itemAt(QPoint(1, 1));
        if (top == nullptr) return first == nullptr ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
        const QString want = gui::ToQt(top->Text());
        if (first != nullptr && first->text(0) == want) return ::testing::AssertionSuccess();
        const QScrollBar& bar = *view.verticalScrollBar();
        const QList<QTreeWidgetItem*> found = view.findItems(want, Qt::MatchExactly | Qt::MatchRecursive);
        const bool onScreen = !found.isEmpty() && view.viewport()->rect().contains(view.visualItemRect(found.front()));
        if (bar.value() == bar.maximum() && onScreen) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "first row " << (first ? first->text(0).toStdString() : "none")
                                             << ", the model's " << want.toStdString();
    }

    ui::TTreeView* tree = ui::Create<ui::TTreeView>(form, "Tree", form);
    ui::TCheckBox* scrolling = ui::Create<ui::TCheckBox>(form, "Scrolling", form);
    TTVLog log{*tree};
};

TEST_P(MirrorTreeTest, TheWidgetFollowsEachChangeAtACostThatDoesNotGrowWithTheTree)
{
    auto* view = WidgetOf<QTreeWidget>(*tree);
    ASSERT_NE(view, nullptr);
    std::uint64_t costs[2] = {};
    for (const int roots : {30, 1000}) {
        tree->Items().Clear();
        Build(roots);
        ASSERT_EQ(Shown(*view), Model());
        const std::uint64_t before = front.Windows().TreeItemsTouched();
        TreeScene scene{*tree, *view, log, *scrolling};
        GetParam().change(scene);
        front.Windows().FlushAll();
        costs[roots == 30 ? 0 : 1] = front.Windows().TreeItemsTouched() - before;
        EXPECT_EQ(Shown(*view), Model()) << roots << " roots";
        EXPECT_TRUE(TopShown(*view, *tree)) << roots << " roots";
    }
    if (!GetParam().costGrowsWithTree) {
        EXPECT_EQ(costs[0], costs[1]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, MirrorTreeTest,
    ::testing::Values(
        TreeCase{"LogEntriesScrolledIntoView",
                 [](TreeScene& s) {
                     s.scrolling.SetChecked(true);
                     for (int i = 0; i < 3; ++i) s.log.AddText("<<<< " + std::to_string(i), "+typepan", clBlue);
                     s.log.AddError("Нет ответа");
                 }},
        TreeCase{"InsertAtTheStartInTheMiddleAndAsChildren",
                 [](TreeScene& s) {
                     ui::TTreeNodes& nodes = s.tree.Items();
                     nodes.AddFirst(nullptr, "first");
                     nodes.Insert(nodes.Root(4), "middle");
                     nodes.AddChildFirst(nodes.Root(2), "R1.first");
                     nodes.AddChild(nodes.Root(5), "under R3");
                 }},
        TreeCase{"RemoveANodeWithItsChildrenAndAChild",
                 [](TreeScene& s) {
                     s.tree.Items().Root(2)->Delete();
                     s.tree.Items().Root(1)->Item(0)->Delete();
                 }},
        TreeCase{"TextColoursAndOpenRowsChange",
                 [](TreeScene& s) {
                     ui::TTreeNode* r1 = s.tree.Items().Root(1);
                     s.tree.SetTopItem(s.tree.Items().Root(8));
                     r1->Item(1)->SetText("renamed");
                     s.tree.Items().Root(3)->SetStateIndex(static_cast<int>(clYellow));
                     s.tree.Items().Root(3)->SetSelectedIndex(static_cast<int>(clRed));
                     r1->Collapse(false);
                     s.tree.Items().Root(2)->Expand(false);
                 }},
        TreeCase{"TheModelSelectsAndTheFirstRowStays",
                 [](TreeScene& s) {
                     s.tree.SetSelected(s.tree.Items().Root(5));
                     s.tree.SetSelected(s.tree.Items().Root(25));
                 }},
        TreeCase{"TheUserSelectsARow",
                 [](TreeScene& s) {
                     s.view.setCurrentItem(s.view.topLevelItem(7));
                     EXPECT_EQ(s.tree.Selected(), s.tree.Items().Root(7));
                 }},
        TreeCase{"RowsComeAboveTheFirstRow",
                 [](TreeScene& s) {
                     s.tree.SetTopItem(s.tree.Items().Root(8));
                     s.tree.Items().Insert(s.tree.Items().Root(4), "above");
                     s.tree.Items().AddChild(s.tree.Items().Root(1), "R1.2");
                 }},
        TreeCase{"TheSelectedFirstRowGoes",
                 [](TreeScene& s) {
                     ui::TTreeNode* r6 = s.tree.Items().Root(6);
                     s.tree.SetSelected(r6);
                     s.tree.SetTopItem(r6);
                     r6->Delete();
                 }},
        TreeCase{"ClearedAndFilledAgain",
                 [](TreeScene& s) {
                     s.tree.SetSelected(s.tree.Items().Root(3));
                     s.log.Clear();
                     s.log.AddText("<<<< again", "+typepan", clBlue);
                 },
                 true}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

// A control of the kind the kit makes: it paints itself and reads the mouse itself.
class Swatch : public ui::TCustomControl {
public:
    using ui::TCustomControl::TCustomControl;
    TColor Fill = clRed;
    std::vector<std::string> Mouse;

protected:
    void Paint(ui::Canvas& canvas) override
    {
        canvas.brush = ui::Brush::Solid(Fill);
        canvas.fillRect(ui::Rect(0, 0, Width(), Height()));
    }
    void MouseDown(ui::TMouseButton b, ui::TShiftState s, int x, int y) override
    {
        Mouse.push_back("down " + std::to_string(x) + "," + std::to_string(y));
        ui::TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseUp(ui::TMouseButton b, ui::TShiftState s, int x, int y) override
    {
        Mouse.push_back("up");
        ui::TCustomControl::MouseUp(b, s, x, y);
    }
};

TEST_F(MirrorTest, APaintedControlShowsTheBitmapItsPaintDrewAndGetsTheMouse)
{
    auto* swatch = ui::Create<Swatch>(form, "Swatch", form);
    swatch->SetBounds(240, 120, 40, 30);
    int clicks = 0;
    swatch->OnClick = [&](ui::TObject*) { ++clicks; };
    QWidget* widget = front.Windows().Widget(*swatch);
    ASSERT_NE(widget, nullptr);
    swatch->Fill = clBlue;
    swatch->Invalidate();
    EXPECT_EQ(widget->grab().toImage().pixelColor(20, 15), QColor(0, 0, 255));

    guitest::ClickAt(widget, QPoint(5, 6));
    EXPECT_EQ(swatch->Mouse, (std::vector<std::string>{"down 5,6", "up"}));
    EXPECT_EQ(clicks, 0);  // the kit's controls click themselves

    int panelClicks = 0;
    form->Panel->OnClick = [&](ui::TObject*) { ++panelClicks; };
    guitest::ClickAt(front.Windows().Widget(*form->Panel), QPoint(150, 30));
    EXPECT_EQ(panelClicks, 1);
}

TEST_F(MirrorTest, GridCellsAreDrawnByTheModelsHandlerAClickSelectsACellAndTheWheelScrolls)
{
    auto* grid = ui::Create<ui::TStringGrid>(form, "Grid", form);
    grid->SetBounds(0, 0, 200, 100);
    grid->SetColCount(3);
    grid->SetRowCount(30);
    grid->OnDrawCell = [&](ui::TObject*, int col, int row, const ui::TRect& rect, ui::TGridDrawState) {
        if (col == 2 && row == 2) {
            grid->PaintCanvas()->brush = ui::Brush::Solid(clLime);
            grid->PaintCanvas()->fillRect(rect);
        }
    };
    QWidget* widget = front.Windows().Widget(*grid);
    const ui::TRect cell = grid->CellRect(2, 2);
    EXPECT_EQ(widget->grab().toImage().pixelColor(cell.Left + 3, cell.Top + 3), QColor(0, 255, 0));
    guitest::ClickAt(widget, QPoint(cell.Left + 3, cell.Top + 3));
    EXPECT_EQ(std::pair(grid->Col(), grid->Row()), std::pair(2, 2));

    // A notch down scrolls three rows; the wheel never scrolls past the last full page.
    for (const auto& [notches, top] : {std::pair(-1, 4), std::pair(-20, 30 - grid->VisibleRowCount())}) {
        QWheelEvent wheel(QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(widget, &wheel);
        EXPECT_EQ(grid->TopRow(), top) << notches;
    }
}

// ------------------------------------------------------------------ lifetime and threads

TEST_F(MirrorTest, AControlWhoseParentWidgetIsAlreadyGoneIsMadeAgainOrLetGo)
{
    QPointer<QWidget> panelWidget = front.Windows().Widget(*form->Panel);
    QPointer<QWidget> inner = front.Windows().Widget(*form->Other);
    delete panelWidget.data();
    EXPECT_TRUE(inner.isNull());
    form->Other->SetText("снова");
    auto* again = WidgetOf<QLineEdit>(*form->Other);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->text(), QString("снова"));

    ui::Free(form->Panel);
    ui::Free(form->Other);
    front.Windows().Flush();
    form->Edit->SetText("дальше");
    EXPECT_EQ(WidgetOf<QLineEdit>(*form->Edit)->text(), QString("дальше"));
}

TEST_F(MirrorTest, FreeingAFormFromItsOwnButtonHandlerIsSafe)
{
    form->Button->OnClick = [&](ui::TObject*) { ui::Free(form); };
    QPointer<QPushButton> button = WidgetOf<QPushButton>(*form->Button);
    button->click();
    front.Windows().Flush();
    EXPECT_TRUE(button.isNull());
}

TEST_F(MirrorTest, CallsPostedByAWorkerThreadRunOnTheQtThread)
{
    std::atomic<bool> ran{false};
    std::thread::id where;
    std::thread worker([&] {
        scope.App().Post([&] {
            where = std::this_thread::get_id();
            form->Label->SetCaption("Готово");
            ran = true;
        });
    });
    worker.join();
    ASSERT_TRUE(guitest::SpinUntil([&] { return ran.load(); }));
    EXPECT_EQ(where, std::this_thread::get_id());
    EXPECT_EQ(WidgetOf<QLabel>(*form->Label)->text(), QString("Готово"));
}

}  // namespace
