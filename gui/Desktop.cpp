#include "gui/Desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>

#include <array>
#include <string>

namespace gui {

namespace {

struct FaceFile {
    const char* family;
    const char* path;
};

constexpr std::array kFaces{
    FaceFile{"Tahoma", "/usr/share/wine/fonts/tahoma.ttf"},
    FaceFile{"Tahoma", "/usr/share/wine/fonts/tahomabd.ttf"},
    FaceFile{"MS Sans Serif", "/usr/share/wine/fonts/ms_sans_serif.ttf"},
};

constexpr const char* kFallback = "DejaVu Sans";
constexpr const char* kIconTheme = "Adwaita";

struct ToolIcon {
    const char* button;
    const char* icon;
};

// Pictures of the freedesktop naming that Adwaita carries as bitmaps (Qt here reads no SVG).
constexpr std::array kToolIcons{
    ToolIcon{"tbConnect", "network-wired"},
    ToolIcon{"tbDisconnect", "network-offline"},
    ToolIcon{"tbRead", "go-down"},
    ToolIcon{"tbReadAll", "go-bottom"},
    ToolIcon{"tbWrite", "go-up"},
    ToolIcon{"tbWriteAll", "go-top"},
    ToolIcon{"tbDefault", "edit-undo"},
    ToolIcon{"tbDefaultAll", "document-revert"},
    ToolIcon{"UpdateCOMsSpeedButton", "view-refresh"},
};

void AddFaces()
{
    for (const FaceFile& face : kFaces) {
        const QString family = QString::fromLatin1(face.family);
        // A family whose file is missing falls back; one that loaded never asks for the substitute.
        QFont::insertSubstitution(family, QString::fromLatin1(kFallback));
        if (QFile::exists(QString::fromLatin1(face.path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(face.path));
    }
}

}  // namespace

Desktop::Desktop()
{
    AddFaces();
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    russian_ = translator_.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (russian_) QCoreApplication::installTranslator(&translator_);
    // The offscreen platform knows no theme folders of its own: the desktop's data folders have them.
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList themes = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                         QStandardPaths::LocateDirectory);
    for (const QString& folder : themes)
        if (!paths.contains(folder)) paths << folder;
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QString::fromLatin1(kIconTheme));
}

Desktop::~Desktop()
{
    if (russian_) QCoreApplication::removeTranslator(&translator_);
}

const char* ToolIconName(const std::string& buttonName)
{
    for (const ToolIcon& tool : kToolIcons)
        if (buttonName == tool.button) return tool.icon;
    return "";
}

}  // namespace gui
