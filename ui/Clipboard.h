#pragma once
// The clipboard's text, through the application's ClipboardService (gui/ puts the real clipboard
// behind it; tests read ScriptedServices).
//   ui::Clipboard().SetAsText(StatusBar1->Panels().Items(5)->Text());
#include <string>

namespace ui {

class TClipboard {
public:
    std::string AsText() const;
    void SetAsText(const std::string& text);
};

inline TClipboard Clipboard() { return TClipboard{}; }

}  // namespace ui
