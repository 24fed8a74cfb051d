#include "gui/Convert.h"

#include <array>
#include <utility>

#include "ui/SystemColors.h"

namespace gui {

QString ToQt(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::string FromQt(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString WithoutAccelerators(std::string_view caption)
{
    std::string plain;
    plain.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        else if (caption[i] == '&') continue;
        plain += caption[i];
    }
    return ToQt(plain);
}

QColor ToQColor(TColor color)
{
    const TColor plain = ui::ResolveColor(color);
    return QColor(static_cast<int>(ui::RedOf(plain)), static_cast<int>(ui::GreenOf(plain)),
                  static_cast<int>(ui::BlueOf(plain)));
}

QFont ToQFont(const ui::TFont& font)
{
    QFont q(ToQt(font.Name()));
    const int pixels = font.Height() < 0 ? -font.Height() : font.Height();
    if (pixels > 0) q.setPixelSize(pixels);
    const ui::TFontStyles style = font.Style();
    q.setBold(style.Contains(ui::fsBold));
    q.setItalic(style.Contains(ui::fsItalic));
    q.setUnderline(style.Contains(ui::fsUnderline));
    q.setStrikeOut(style.Contains(ui::fsStrikeOut));
    return q;
}

namespace {

struct KeyPair {
    int qt;
    std::uint16_t vk;
};

constexpr std::array kKeys{
    KeyPair{Qt::Key_Backspace, ui::VK_BACK},  KeyPair{Qt::Key_Tab, ui::VK_TAB},
    KeyPair{Qt::Key_Backtab, ui::VK_TAB},     KeyPair{Qt::Key_Return, ui::VK_RETURN},
    KeyPair{Qt::Key_Enter, ui::VK_RETURN},    KeyPair{Qt::Key_Shift, ui::VK_SHIFT},
    KeyPair{Qt::Key_Control, ui::VK_CONTROL}, KeyPair{Qt::Key_Alt, ui::VK_MENU},
    KeyPair{Qt::Key_Escape, ui::VK_ESCAPE},   KeyPair{Qt::Key_Space, ui::VK_SPACE},
    KeyPair{Qt::Key_PageUp, ui::VK_PRIOR},    KeyPair{Qt::Key_PageDown, ui::VK_NEXT},
    KeyPair{Qt::Key_End, ui::VK_END},         KeyPair{Qt::Key_Home, ui::VK_HOME},
    KeyPair{Qt::Key_Left, ui::VK_LEFT},       KeyPair{Qt::Key_Up, ui::VK_UP},
    KeyPair{Qt::Key_Right, ui::VK_RIGHT},     KeyPair{Qt::Key_Down, ui::VK_DOWN},
    KeyPair{Qt::Key_Insert, ui::VK_INSERT},   KeyPair{Qt::Key_Delete, ui::VK_DELETE},
};

struct CursorPair {
    ui::TCursor model;
    Qt::CursorShape qt;
};

constexpr std::array kCursors{
    CursorPair{ui::crNone, Qt::BlankCursor},           CursorPair{ui::crArrow, Qt::ArrowCursor},
    CursorPair{ui::crCross, Qt::CrossCursor},          CursorPair{ui::crIBeam, Qt::IBeamCursor},
    CursorPair{ui::crSizeNESW, Qt::SizeBDiagCursor},   CursorPair{ui::crSizeNS, Qt::SizeVerCursor},
    CursorPair{ui::crSizeNWSE, Qt::SizeFDiagCursor},   CursorPair{ui::crSizeWE, Qt::SizeHorCursor},
    CursorPair{ui::crHourGlass, Qt::WaitCursor},       CursorPair{ui::crNo, Qt::ForbiddenCursor},
    CursorPair{ui::crHSplit, Qt::SplitHCursor},        CursorPair{ui::crVSplit, Qt::SplitVCursor},
    CursorPair{ui::crAppStart, Qt::BusyCursor},        CursorPair{ui::crHandPoint, Qt::PointingHandCursor},
    CursorPair{ui::crSizeAll, Qt::SizeAllCursor},
};

}  // namespace

std::uint16_t VirtualKey(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::uint16_t>('A' + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<std::uint16_t>('0' + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return static_cast<std::uint16_t>(ui::VK_F1 + (qtKey - Qt::Key_F1));
    for (const KeyPair& k : kKeys)
        if (k.qt == qtKey) return k.vk;
    return 0;
}

ui::TShiftState ShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    ui::TShiftState shift;
    if (modifiers & Qt::ShiftModifier) shift.Include(ui::ssShift);
    if (modifiers & Qt::ControlModifier) shift.Include(ui::ssCtrl);
    if (modifiers & Qt::AltModifier) shift.Include(ui::ssAlt);
    if (buttons & Qt::LeftButton) shift.Include(ui::ssLeft);
    if (buttons & Qt::RightButton) shift.Include(ui::ssRight);
    if (buttons & Qt::MiddleButton) shift.Include(ui::ssMiddle);
    return shift;
}

std::optional<ui::TMouseButton> MouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return ui::mbLeft;
    case Qt::RightButton: return ui::mbRight;
    case Qt::MiddleButton: return ui::mbMiddle;
    default: return std::nullopt;
    }
}

std::optional<Qt::CursorShape> CursorShape(ui::TCursor cursor)
{
    for (const CursorPair& c : kCursors)
        if (c.model == cursor) return c.qt;
    return std::nullopt;
}

QKeySequence ToKeySequence(ui::TShortCut shortCut)
{
    if (shortCut == 0) return {};
    const std::uint16_t vk = shortCut & 0xFF;
    int key = 0;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) key = vk;
    else if (vk >= ui::VK_F1 && vk <= ui::VK_F12) key = Qt::Key_F1 + (vk - ui::VK_F1);
    else
        for (const KeyPair& k : kKeys)
            if (k.vk == vk) {
                key = k.qt;
                break;
            }
    if (key == 0) return {};
    Qt::KeyboardModifiers modifiers;
    if (shortCut & ui::scShift) modifiers |= Qt::ShiftModifier;
    if (shortCut & ui::scCtrl) modifiers |= Qt::ControlModifier;
    if (shortCut & ui::scAlt) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

int ModelToQtIndex(const QString& text, int modelIndex)
{
    int units = 0;
    for (int chars = 0; chars < modelIndex && units < text.size(); ++chars)
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
    return units;
}

int QtToModelIndex(const QString& text, int qtIndex)
{
    int chars = 0;
    for (int units = 0; units < qtIndex && units < text.size(); ++chars)
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
    return chars;
}

QImage ToQImage(const ui::Bitmap& bitmap)
{
    if (bitmap.isEmpty()) return {};
    const QImage view(bitmap.rgba(), bitmap.width(), bitmap.height(), bitmap.width() * 4, QImage::Format_RGBX8888);
    return view.copy();
}

}  // namespace gui
