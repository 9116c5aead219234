#pragma once

#include <QFont>
#include <string_view>

namespace romshelf {

// A font named as the Windows program names it ("ＭＳ Ｐゴシック", "ＭＳ ゴシック", ...): that
// family when it is installed, else the IPA font that stands in for it, else a Japanese gothic
// that is installed. `pixelHeight` is the height of a line.
QFont windowsFont(std::string_view name, int pixelHeight, QFont::Weight weight = QFont::Normal);

}  // namespace romshelf
