#pragma once

#include <QFont>
#include <string_view>

namespace romshelf {

// A font named as Windows names it ("ＭＳ Ｐゴシック", "ＭＳ ゴシック", ...): that
// family when it is installed, else the IPA font that stands in for it, else a Japanese gothic
// that is installed. `windowsHeight` is the line height in Windows pixels (96 dpi); the font is
// sized in points relative to the desktop's default font (see pointSizeFor).
QFont windowsFont(std::string_view name, int windowsHeight, QFont::Weight weight = QFont::Normal);

// The same family for text drawn into a picture's fixed layout (the snap caption, the file
// information over its background): sized in the picture's pixels, so that it scales with the
// picture and stays inside the rectangles the layout gives it.
QFont pictureFont(std::string_view name, int pixelHeight, QFont::Weight weight = QFont::Normal);

// Windows dialogs use 12-pixel text (9 points at 96 dpi) where a desktop uses its
// default font: a font it draws `windowsHeight` pixels high becomes that many twelfths of the
// desktop's default point size, so that text follows the desktop's font size and scale.
constexpr int kWindowsDefaultHeight = 12;
double pointSizeFor(int windowsHeight, double desktopPointSize);

// The same for the application's default font (9 points where it has no point size).
double pointSizeFor(int windowsHeight);

// The screen's resolution the shared settings' pixel font heights are reckoned at: the primary
// screen's logical dots per inch (96 where there is none).
double screenDotsPerInch();

// The file list's font size in points: the height chosen in the environment dialog (in pixels,
// see PlusSettings::listFontHeight) at the screen's resolution, else 14 Windows pixels of the
// desktop's font.
constexpr int kListFontWindowsHeight = 14;
double listFontPointSize(int chosenHeight);

}  // namespace romshelf
