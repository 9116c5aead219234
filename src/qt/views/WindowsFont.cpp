#include "qt/views/WindowsFont.h"

#include <QFontDatabase>
#include <QStringList>

#include "qt/QtText.h"
#include "core/settings/EnvironmentSettingsModel.h"

namespace romshelf {

QFont windowsFont(std::string_view name, int pixelHeight, QFont::Weight weight) {
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
    font.setPixelSize(pixelHeight);
    font.setWeight(weight);
    return font;
}

}  // namespace romshelf
