// Buttons and text controls: labels and pictures, edits and memos, push buttons, check boxes, radio
// buttons, tool and speed buttons, progress bars. Their Qt counterparts show what the model holds; a
// click or a key goes to the model first and the widget then shows the model's answer.
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include "gui/Convert.h"
#include "gui/Desktop.h"
#include "gui/MirrorCore.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/SystemColors.h"

namespace gui::mirror {

namespace {

std::optional<QString> ResourceFile(const std::string& name)
{
    if (name.empty()) return std::nullopt;
    std::filesystem::path folder;
    try {
        folder = platform::ProgramFolder() / "resources";
    } catch (const std::exception&) {
        return std::nullopt;
    }
    for (const char* ext : {"", ".png", ".bmp", ".ico"}) {
        const QString path = ToQt((folder / (name + ext)).string());
        if (QFile::exists(path)) return path;
    }
    return std::nullopt;
}

// A memo's text as the widget shows it: lines joined by "\n" where the model has CR LF.
int MemoModelToWidget(std::u32string_view model, int index)
{
    int shown = 0;
    for (int i = 0; i < index && i < static_cast<int>(model.size()); ++i) {
        if (model[static_cast<std::size_t>(i)] == U'\r' && i + 1 < static_cast<int>(model.size()) &&
            model[static_cast<std::size_t>(i) + 1] == U'\n')
            continue;
        ++shown;
    }
    return shown;
}

int MemoWidgetToModel(std::u32string_view model, int shown)
{
    int i = 0;
    for (int count = 0; i < static_cast<int>(model.size()) && count < shown; ++count) {
        const bool crlf = model[static_cast<std::size_t>(i)] == U'\r' && i + 1 < static_cast<int>(model.size()) &&
                          model[static_cast<std::size_t>(i) + 1] == U'\n';
        i += crlf ? 2 : 1;
    }
    return i;
}

QString MemoShown(const ui::TMemo& memo) { return ToQt(memo.Lines().Join("\n")); }

void SetBase(Binding& b)
{
    QPalette palette = b.widget->palette();
    palette.setColor(QPalette::Base, ToQColor(b.control->Color()));
    b.widget->setPalette(palette);
}

// The user's click on a button of Qt's; the widget then shows the model's state.
void ConnectClicks(Binding& b)
{
    Core& core = b.core;
    ui::TControl* c = b.control;
    QObject::connect(static_cast<QAbstractButton*>(b.widget.data()), &QAbstractButton::clicked, b.context.get(),
                     [&core, c] {
                         if (core.Applying()) return;
                         if (core.Deliver(*c, [&] { core.User().Click(*c); })) core.Refresh(*c, &Kind::State);
                     });
}

// The space bar on a button: the button clicks itself when the bar goes up; the form's key handlers
// see it first.
std::optional<bool> SpaceOnButton(Binding& b, int key, ui::TShiftState shift)
{
    if (key != Qt::Key_Space) return std::nullopt;
    auto& win = static_cast<ui::TWinControl&>(*b.control);
    const bool alive = b.core.Deliver(win, [&] { b.core.User().PressKey(win, ui::VK_SPACE, shift); });
    return !alive;
}

class TextBase : public Kind {
public:
    void Color(Binding& b) const override { SetBase(b); }

    bool CommandKey(Binding& b, QKeyEvent& event) const override
    {
        const ClipboardOp op = ClipboardOpOf(event);
        if (op == ClipboardOp::None) return false;
        Binding* again = PressClipboardKey(b, event);
        if (again == nullptr) return true;
        auto& edit = static_cast<ui::TCustomEdit&>(*again->control);
        Core& core = b.core;
        switch (op) {
        case ClipboardOp::Copy:
        case ClipboardOp::Cut:
            if (edit.SelLength() > 0 && edit.PasswordChar() == 0) core.App().ClipboardText().SetText(edit.SelText());
            if (op == ClipboardOp::Cut && edit.SelLength() > 0 && !edit.ReadOnly())
                core.Deliver(edit, [&] { core.User().TypeChar(edit, U'\b'); });
            break;
        case ClipboardOp::Paste: Paste(core, edit); break;
        case ClipboardOp::SelectAll:
            core.Deliver(edit, [&] { core.App().Guard(&edit, [&] { edit.SelectAll(); }); });
            break;
        case ClipboardOp::None: break;
        }
        return true;
    }

    bool AfterKey(Binding&, int key, bool command) const override
    {
        // The model's edit deleted what the Delete key deletes.
        if (key == Qt::Key_Delete && !command) return true;
        return !IsNavigationKey(key);
    }

private:
    static void Paste(Core& core, ui::TCustomEdit& edit)
    {
        const bool multiLine = ui::Is<ui::TMemo>(&edit);
        std::u32string text = platform::DecodeUtf8(core.App().ClipboardText().Text());
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t ch = text[i];
            if (ch == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') continue;
            if (ch == U'\n') ch = U'\r';
            if (ch == U'\r' && !multiLine) break;
            if (ch < U' ' && ch != U'\r' && ch != U'\t') continue;
            if (!core.Deliver(edit, [&] { core.User().TypeChar(edit, ch); })) break;
        }
    }
};

class Edit : public TextBase {
public:
    QWidget* Make(Binding&, QWidget* parent) const override { return new QLineEdit(parent); }

    void Connect(Binding& b) const override
    {
        // The caret and selection the user made with the mouse or the arrow keys go back to the model.
        Core& core = b.core;
        ui::TControl* c = b.control;
        const auto caret = [&core, c] {
            if (core.Applying()) return;
            Binding* again = core.Find(*c);
            if (again == nullptr || !again->widget) return;
            auto* line = static_cast<QLineEdit*>(again->widget.data());
            auto& edit = static_cast<ui::TCustomEdit&>(*c);
            const QString text = line->text();
            const int qtStart = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
            const int qtEnd = line->hasSelectedText() ? line->selectionEnd() : qtStart;
            const int start = QtToModelIndex(text, qtStart);
            const int length = QtToModelIndex(text, qtEnd) - start;
            Counter guard(core.ApplyingCount());
            core.App().Guard(c, [&] {
                edit.SetSelStart(start);
                edit.SetSelLength(length);
            });
        };
        auto* line = static_cast<QLineEdit*>(b.widget.data());
        QObject::connect(line, &QLineEdit::cursorPositionChanged, b.context.get(), caret);
        QObject::connect(line, &QLineEdit::selectionChanged, b.context.get(), caret);
    }

    void Text(Binding& b) const override
    {
        auto* edit = static_cast<QLineEdit*>(b.widget.data());
        const auto* mask = ui::As<ui::TMaskEdit>(b.control);
        const QString text =
            ToQt(mask != nullptr && !mask->EditMask().empty() ? mask->EditText() : b.control->Text());
        if (edit->text() != text) edit->setText(text);
        Selection(b);
    }

    void Selection(Binding& b) const override
    {
        const auto& edit = static_cast<const ui::TCustomEdit&>(*b.control);
        auto* line = static_cast<QLineEdit*>(b.widget.data());
        QSignalBlocker block(line);
        const QString text = line->text();
        const int start = ModelToQtIndex(text, edit.SelStart());
        const int end = ModelToQtIndex(text, edit.SelStart() + edit.SelLength());
        if (end > start) line->setSelection(start, end - start);
        else line->setCursorPosition(start);
    }

    void State(Binding& b) const override
    {
        static_cast<QLineEdit*>(b.widget.data())
            ->setReadOnly(static_cast<const ui::TCustomEdit&>(*b.control).ReadOnly());
    }

    void Style(Binding& b) const override
    {
        const auto& edit = static_cast<const ui::TCustomEdit&>(*b.control);
        static_cast<QLineEdit*>(b.widget.data())
            ->setEchoMode(edit.PasswordChar() != 0 ? QLineEdit::Password : QLineEdit::Normal);
    }

    Qt::CursorShape OwnCursor(Binding& b) const override
    {
        return static_cast<const ui::TCustomEdit&>(*b.control).ReadOnly() ? Qt::ArrowCursor : Qt::IBeamCursor;
    }

    bool AfterKey(Binding& b, int key, bool command) const override
    {
        // A spin edit's arrows count in the model; the line edit must not move its caret as well.
        if (ui::Is<ui::TSpinEdit>(b.control) && (key == Qt::Key_Up || key == Qt::Key_Down)) return true;
        return TextBase::AfterKey(b, key, command);
    }
};

class Memo : public TextBase {
public:
    QWidget* Make(Binding&, QWidget* parent) const override { return new QPlainTextEdit(parent); }

    void Connect(Binding& b) const override
    {
        Core& core = b.core;
        ui::TControl* c = b.control;
        QObject::connect(static_cast<QPlainTextEdit*>(b.widget.data()), &QPlainTextEdit::cursorPositionChanged,
                         b.context.get(), [&core, c] {
                             if (core.Applying()) return;
                             Binding* again = core.Find(*c);
                             if (again == nullptr || !again->widget) return;
                             auto* memo = static_cast<QPlainTextEdit*>(again->widget.data());
                             auto& edit = static_cast<ui::TCustomEdit&>(*c);
                             const QTextCursor cursor = memo->textCursor();
                             const QString shown = memo->toPlainText();
                             const std::u32string model = platform::DecodeUtf8(edit.Text());
                             const int start = MemoWidgetToModel(model, QtToModelIndex(shown, cursor.selectionStart()));
                             const int end = MemoWidgetToModel(model, QtToModelIndex(shown, cursor.selectionEnd()));
                             Counter guard(core.ApplyingCount());
                             core.App().Guard(c, [&] {
                                 edit.SetSelStart(start);
                                 edit.SetSelLength(end - start);
                             });
                         });
    }

    void Text(Binding& b) const override
    {
        auto* memo = static_cast<QPlainTextEdit*>(b.widget.data());
        const QString text = MemoShown(static_cast<const ui::TMemo&>(*b.control));
        if (memo->toPlainText() != text) memo->setPlainText(text);
        Selection(b);
    }

    void Items(Binding& b) const override { Text(b); }

    void Selection(Binding& b) const override
    {
        const auto& edit = static_cast<const ui::TCustomEdit&>(*b.control);
        auto* memo = static_cast<QPlainTextEdit*>(b.widget.data());
        QSignalBlocker block(memo);
        const std::u32string model = platform::DecodeUtf8(edit.Text());
        const QString shown = memo->toPlainText();
        const int start = ModelToQtIndex(shown, MemoModelToWidget(model, edit.SelStart()));
        const int end = ModelToQtIndex(shown, MemoModelToWidget(model, edit.SelStart() + edit.SelLength()));
        QTextCursor cursor = memo->textCursor();
        cursor.setPosition(start);
        if (end > start) cursor.setPosition(end, QTextCursor::KeepAnchor);
        memo->setTextCursor(cursor);
    }

    void State(Binding& b) const override
    {
        static_cast<QPlainTextEdit*>(b.widget.data())
            ->setReadOnly(static_cast<const ui::TCustomEdit&>(*b.control).ReadOnly());
    }

    void Style(Binding& b) const override
    {
        const auto& memo = static_cast<const ui::TMemo&>(*b.control);
        auto* q = static_cast<QPlainTextEdit*>(b.widget.data());
        q->setLineWrapMode(memo.WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        // The bars the memo asks for are always there; without any, they come when the text is larger.
        const ui::TScrollStyle bars = memo.ScrollBars();
        const auto policy = [](bool always) { return always ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded; };
        q->setVerticalScrollBarPolicy(policy(bars == ui::ssVertical || bars == ui::ssBoth));
        q->setHorizontalScrollBarPolicy(policy(bars == ui::ssHorizontal || bars == ui::ssBoth));
    }
};

class Label : public Kind {
public:
    QWidget* Make(Binding&, QWidget* parent) const override { return new QLabel(parent); }

    void Text(Binding& b) const override
    {
        static_cast<QLabel*>(b.widget.data())->setText(WithoutAccelerators(b.control->Caption()));
    }

    void Color(Binding& b) const override
    {
        const auto& label = static_cast<const ui::TLabel&>(*b.control);
        const bool filled = !label.Transparent() && !label.ParentColor() && label.Color() != clBtnFace;
        b.widget->setAutoFillBackground(filled);
        QPalette palette = b.widget->palette();
        palette.setColor(QPalette::Window, ToQColor(label.Color()));
        b.widget->setPalette(palette);
    }

    void Style(Binding& b) const override
    {
        const auto& label = static_cast<const ui::TLabel&>(*b.control);
        auto* q = static_cast<QLabel*>(b.widget.data());
        q->setWordWrap(label.WordWrap());
        const Qt::Alignment horizontal = label.Alignment() == ui::taCenter         ? Qt::AlignHCenter
                                         : label.Alignment() == ui::taRightJustify ? Qt::AlignRight
                                                                                   : Qt::AlignLeft;
        const Qt::Alignment vertical = label.Layout() == ui::tlCenter   ? Qt::AlignVCenter
                                       : label.Layout() == ui::tlBottom ? Qt::AlignBottom
                                                                        : Qt::AlignTop;
        q->setAlignment(horizontal | vertical);
    }

    bool Mouse(Binding& b, QObject*, QMouseEvent& event) const override { return b.core.RouteMouse(b, event, true); }
};

class Image : public Kind {
public:
    QWidget* Make(Binding&, QWidget* parent) const override { return new QLabel(parent); }

    void Style(Binding& b) const override
    {
        const auto& image = static_cast<const ui::TImage&>(*b.control);
        auto* q = static_cast<QLabel*>(b.widget.data());
        const auto file = ResourceFile(image.Picture());
        q->setPixmap(file ? QPixmap(*file) : QPixmap::fromImage(ToQImage(image.PictureBitmap())));
        q->setScaledContents(image.Stretch());
        q->setAlignment(image.Center() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
    }

    bool Mouse(Binding& b, QObject*, QMouseEvent& event) const override { return b.core.RouteMouse(b, event, true); }
};

class CaptionedButton : public Kind {
public:
    void Connect(Binding& b) const override { ConnectClicks(b); }
    void Text(Binding& b) const override
    {
        static_cast<QAbstractButton*>(b.widget.data())->setText(ToQt(b.control->Caption()));
    }
    std::optional<bool> PlainKey(Binding& b, int key, ui::TShiftState shift) const override
    {
        return SpaceOnButton(b, key, shift);
    }
};

// Enter on a focused button goes the model's way: it presses the window's default button, or this one
// in a window without a default.
class Button : public CaptionedButton {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        return button;
    }
};

class Check : public CaptionedButton {
public:
    QWidget* Make(Binding&, QWidget* parent) const override { return new QCheckBox(parent); }

    void State(Binding& b) const override
    {
        const auto& check = static_cast<const ui::TCheckBox&>(*b.control);
        auto* box = static_cast<QCheckBox*>(b.widget.data());
        QSignalBlocker block(box);
        box->setTristate(check.AllowGrayed() || check.State() == ui::cbGrayed);
        box->setCheckState(check.State() == ui::cbChecked  ? Qt::Checked
                           : check.State() == ui::cbGrayed ? Qt::PartiallyChecked
                                                           : Qt::Unchecked);
    }
};

class Radio : public CaptionedButton {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* radio = new QRadioButton(parent);
        radio->setAutoExclusive(false);
        return radio;
    }

    void State(Binding& b) const override
    {
        auto* radio = static_cast<QRadioButton*>(b.widget.data());
        QSignalBlocker block(radio);
        radio->setChecked(static_cast<const ui::TRadioButton&>(*b.control).Checked());
    }
};

class ToolButton : public Kind {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* button = new QToolButton(parent);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    }

    void Connect(Binding& b) const override { ConnectClicks(b); }

    void Bounds(Binding& b) const override
    {
        Kind::Bounds(b);
        Show(b);
    }

    void Visible(Binding& b) const override
    {
        const ui::TControl& c = *b.control;
        bool visible = c.Visible() && c.Parent() != nullptr;
        if (const auto* tool = ui::As<ui::TToolButton>(&c))
            visible = visible && tool->Style() != ui::tbsSeparator && tool->Style() != ui::tbsDivider;
        b.widget->setVisible(visible);
    }

    void Text(Binding& b) const override { Show(b); }
    void Font(Binding& b) const override
    {
        Kind::Font(b);
        Show(b);
    }
    void State(Binding& b) const override { Show(b); }
    void Style(Binding& b) const override { Show(b); }

private:
    static void Show(Binding& b)
    {
        const ui::TControl& c = *b.control;
        auto* button = static_cast<QToolButton*>(b.widget.data());
        QIcon icon;
        bool captions = true;
        if (const auto* tool = ui::As<ui::TToolButton>(&c)) {
            const ui::TToolBar* bar = tool->ToolBar();
            if (bar != nullptr) captions = bar->ShowCaptions();
            if (bar != nullptr && bar->Images() != nullptr && tool->ImageIndex() >= 0 &&
                tool->ImageIndex() < bar->Images()->Count())
                if (const auto file = ResourceFile(bar->Images()->Name(tool->ImageIndex()))) icon = QIcon(*file);
            button->setCheckable(tool->Style() == ui::tbsCheck);
            button->setChecked(tool->Down());
        } else if (const auto* speed = ui::As<ui::TSpeedButton>(&c)) {
            if (const auto file = ResourceFile(speed->Glyph())) icon = QIcon(*file);
            button->setAutoRaise(speed->Flat());
        }
        // Buttons without a picture of their own take one from the desktop's icon theme: the picture
        // stands for the caption, which the tool tip keeps.
        if (icon.isNull()) {
            icon = ToolIcon(c.Name());
            if (!icon.isNull()) captions = false;
        }
        // The largest of the sizes themes draw for toolbars that the button has room for.
        const int room = c.Height() - 4;
        const int side = room >= 24 ? 24 : room >= 22 ? 22 : 16;
        button->setIconSize(QSize(side, side));
        // Without a picture the button shows its caption, or else its hint, cut to the button's width.
        std::string text = c.Caption();
        if (text.empty() && icon.isNull()) text = c.Hint();
        const QFontMetrics metrics(button->font());
        button->setIcon(icon);
        button->setText(captions || icon.isNull()
                            ? metrics.elidedText(WithoutAccelerators(text), Qt::ElideRight, std::max(0, c.Width() - 6))
                            : QString());
        button->setToolButtonStyle(icon.isNull()               ? Qt::ToolButtonTextOnly
                                   : captions && !text.empty() ? Qt::ToolButtonTextUnderIcon
                                                               : Qt::ToolButtonIconOnly);
        button->setToolTip(ToQt(c.Hint().empty() ? c.Caption() : c.Hint()));
    }
};

class Progress : public Kind {
public:
    QWidget* Make(Binding&, QWidget* parent) const override
    {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }

    void State(Binding& b) const override
    {
        const auto& progress = static_cast<const ui::TProgressBar&>(*b.control);
        auto* bar = static_cast<QProgressBar*>(b.widget.data());
        bar->setRange(progress.Min(), progress.Max());
        bar->setValue(progress.Position());
    }
};

}  // namespace

bool IsNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
    }
}

ClipboardOp ClipboardOpOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const int key = event.key();
    if (modifiers == Qt::ControlModifier) {
        if (key == Qt::Key_C || key == Qt::Key_Insert) return ClipboardOp::Copy;
        if (key == Qt::Key_X) return ClipboardOp::Cut;
        if (key == Qt::Key_V) return ClipboardOp::Paste;
        if (key == Qt::Key_A) return ClipboardOp::SelectAll;
    } else if (modifiers == Qt::ShiftModifier) {
        if (key == Qt::Key_Insert) return ClipboardOp::Paste;
        if (key == Qt::Key_Delete) return ClipboardOp::Cut;
    }
    return ClipboardOp::None;
}

Binding* PressClipboardKey(Binding& b, QKeyEvent& event)
{
    auto& win = static_cast<ui::TWinControl&>(*b.control);
    Core& core = b.core;
    const std::uint16_t vk = VirtualKey(event.key());
    const ui::TShiftState shift =
        ShiftState(event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier));
    // The model's key path comes first: a menu shortcut of the form takes the key there.
    if (ui::TForm* form = win.TopForm(); form != nullptr && form->Menu() != nullptr && core.LiveMenu(form->Menu()) &&
                                          form->Menu()->FindShortCut(ui::ShortCut(vk, shift)) != nullptr) {
        core.Deliver(win, [&] { core.User().PressKey(win, vk, shift); });
        return nullptr;
    }
    if (!core.Deliver(win, [&] { core.User().PressKey(win, vk, shift); })) return nullptr;
    Binding* again = core.Find(win);
    return again != nullptr && again->widget ? again : nullptr;
}

const Kind& LabelKind()
{
    static const Label kind;
    return kind;
}

const Kind& ImageKind()
{
    static const Image kind;
    return kind;
}

const Kind& EditKind()
{
    static const Edit kind;
    return kind;
}

const Kind& MemoKind()
{
    static const Memo kind;
    return kind;
}

const Kind& ButtonKind()
{
    static const Button kind;
    return kind;
}

const Kind& CheckKind()
{
    static const Check kind;
    return kind;
}

const Kind& RadioKind()
{
    static const Radio kind;
    return kind;
}

const Kind& ToolButtonKind()
{
    static const ToolButton kind;
    return kind;
}

const Kind& ProgressKind()
{
    static const Progress kind;
    return kind;
}

}  // namespace gui::mirror
