#pragma once
// What the program's windows take from the desktop, installed on the Qt application for the front end's
// lifetime:
// - the fonts its windows name: Tahoma and MS Sans Serif from the free files with their metrics that
//   fonts-wine puts in /usr/share/wine/fonts (the model measures its texts with the same files), DejaVu
//   Sans where those files are missing;
// - Qt's own texts in Russian (file dialogs, standard buttons): qtbase_ru from qt6-translations-l10n;
// - the icon theme that gives the toolbar its pictures (Adwaita), named outright because a bare X
//   server or the offscreen platform has no desktop to ask.
#include <QIcon>
#include <QTranslator>

#include <string>

namespace gui {

class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Whether Qt's Russian texts were found and installed.
    bool Russian() const { return russian_; }

private:
    QTranslator translator_;
    bool russian_ = false;
};

// The picture of a toolbar button of the program's windows, by the button's name; null for buttons
// without one. Full-colour pictures of the theme where it has them (Adwaita keeps them apart from its
// grey symbolic ones, which look disabled beside enabled buttons), else the theme's own choice; Qt
// derives the disabled look from either.
QIcon ToolIcon(const std::string& buttonName);

}  // namespace gui
