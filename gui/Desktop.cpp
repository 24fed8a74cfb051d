#include "gui/Desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>

#include <algorithm>
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

// A picture of the theme by its freedesktop name, and for the theme's pale pictures, which keep too little
// colour for a disabled copy to look different, the colour they are drawn in (0: as the theme has it).
struct ToolPicture {
    const char* button;
    const char* icon;
    QRgb colour = 0;
};

constexpr int kToolIconSize = 24;
// Reading (settings from the device, the list of ports) in blue; writing changes the device, in orange.
constexpr QRgb kReadColour = 0x2F6FD0;
constexpr QRgb kWriteColour = 0xD8661C;
// Pictures Adwaita carries as bitmaps (Qt here reads no SVG).
constexpr std::array kToolIcons{
    ToolPicture{"tbConnect", "network-wired"},
    ToolPicture{"tbDisconnect", "network-offline"},
    ToolPicture{"tbRead", "go-down", kReadColour},
    ToolPicture{"tbReadAll", "go-bottom", kReadColour},
    ToolPicture{"tbWrite", "go-up", kWriteColour},
    ToolPicture{"tbWriteAll", "go-top", kWriteColour},
    ToolPicture{"tbDefault", "edit-undo"},
    ToolPicture{"tbDefaultAll", "document-revert"},
    ToolPicture{"UpdateCOMsSpeedButton", "view-refresh", kReadColour},
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

// Where the theme keeps its full-colour picture of the name at the toolbar's size, below a folder of
// themes; its grey symbolic pictures lie elsewhere.
QString FullColourFile(const QString& themes, const QString& name)
{
    return themes + QLatin1Char('/') + QString::fromLatin1(kIconTheme) + QStringLiteral("/%1x%1/legacy/").arg(kToolIconSize) +
           name + QStringLiteral(".png");
}

// The picture in one colour, its shades kept: white becomes the colour, grey a darker colour.
QPixmap Coloured(QImage image, QRgb colour)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const int grey = qGray(pixel);
            image.setPixel(x, y, qRgba(qRed(colour) * grey / 255, qGreen(colour) * grey / 255,
                                       qBlue(colour) * grey / 255, qAlpha(pixel)));
        }
    return QPixmap::fromImage(image);
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

QIcon ToolIcon(const std::string& buttonName)
{
    const auto tool = std::find_if(kToolIcons.begin(), kToolIcons.end(),
                                   [&](const ToolPicture& t) { return buttonName == t.button; });
    if (tool == kToolIcons.end()) return {};
    const QString name = QString::fromLatin1(tool->icon);
    for (const QString& themes : QIcon::themeSearchPaths())
        if (const QString file = FullColourFile(themes, name); QFile::exists(file))
            return tool->colour == 0 ? QIcon(file) : QIcon(Coloured(QImage(file), tool->colour));
    return QIcon::fromTheme(name);
}

}  // namespace gui
