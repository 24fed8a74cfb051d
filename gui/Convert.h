#pragma once
// Conversions between the window model's values and Qt's: text, colours, fonts, keys, mouse buttons,
// cursors, shortcuts, caret positions and painted bitmaps.
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QKeySequence>
#include <QString>
#include <Qt>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Color.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Types.h"

namespace gui {

QString ToQt(std::string_view utf8);
std::string FromQt(const QString& text);

// A caption without its accelerator marks ("&Файл" -> "Файл", "&&" -> "&"), for widgets that show
// text as it stands.
QString WithoutAccelerators(std::string_view caption);

// Any TColor, system colours resolved through the model's palette.
QColor ToQColor(TColor color);

QFont ToQFont(const ui::TFont& font);

// The model's virtual key for a Qt key; 0 for keys the model has no code for.
std::uint16_t VirtualKey(int qtKey);
ui::TShiftState ShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
std::optional<ui::TMouseButton> MouseButton(Qt::MouseButton button);

// nullopt for crDefault (the widget follows its parent).
std::optional<Qt::CursorShape> CursorShape(ui::TCursor cursor);

QKeySequence ToKeySequence(ui::TShortCut shortCut);

// Caret positions: the model counts characters (code points), Qt counts UTF-16 units.
int ModelToQtIndex(const QString& text, int modelIndex);
int QtToModelIndex(const QString& text, int qtIndex);

// A deep copy of the bitmap as an opaque image.
QImage ToQImage(const ui::Bitmap& bitmap);

}  // namespace gui
