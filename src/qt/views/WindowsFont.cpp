#include "qt/views/WindowsFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include "qt/QtText.h"
#include "core/settings/EnvironmentSettingsModel.h"
#include "core/settings/PlusSettings.h"

namespace romshelf {

double pointSizeFor(int windowsHeight, double desktopPointSize) {
    if (desktopPointSize <= 0) desktopPointSize = 9.0;
    return desktopPointSize * windowsHeight / kWindowsDefaultHeight;
}

double pointSizeFor(int windowsHeight) {
    return pointSizeFor(windowsHeight, QGuiApplication::font().pointSizeF());
}

double screenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY() : 96.0;
}

double listFontPointSize(int chosenHeight) {
    if (chosenHeight > 0) return pointsOfPixelHeight(chosenHeight, screenDotsPerInch());
    return pointSizeFor(kListFontWindowsHeight);
}

namespace {

QFont familyFor(std::string_view name) {
    QStringList families{qs(name)};
    if (const std::string_view family = listFontFamily(name); !family.empty())
        families << qs(family);
    families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAPゴシック")
             << QStringLiteral("Noto Sans CJK JP");
    QFont font;
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    return font;
}

}  // namespace

QFont windowsFont(std::string_view name, int windowsHeight, QFont::Weight weight) {
    QFont font = familyFor(name);
    font.setPointSizeF(pointSizeFor(windowsHeight));
    font.setWeight(weight);
    return font;
}

QFont pictureFont(std::string_view name, int pixelHeight, QFont::Weight weight) {
    QFont font = familyFor(name);
    font.setPixelSize(pixelHeight);
    font.setWeight(weight);
    return font;
}

}  // namespace romshelf
