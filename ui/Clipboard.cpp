#include "ui/Clipboard.h"

#include "ui/Application.h"

namespace ui {

std::string TClipboard::AsText() const { return App().ClipboardText().Text(); }

void TClipboard::SetAsText(const std::string& text) { App().ClipboardText().SetText(text); }

}  // namespace ui
