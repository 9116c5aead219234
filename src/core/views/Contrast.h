#pragma once

#include <cstdint>

namespace romshelf {

// Colours as 0xRRGGBB (sRGB), the form the system log keeps them in.

// The relative luminance of an sRGB colour, from 0 (black) to 1 (white).
double relativeLuminance(std::uint32_t rgb);

// The contrast ratio of two colours, from 1 (the same luminance) to 21 (black on white).
double contrastRatio(std::uint32_t a, std::uint32_t b);

// The text contrast that small text needs to be read comfortably.
constexpr double kReadableContrast = 4.5;

// `colour` when it reads on `background` with at least `minimum` contrast; else the least
// change of it towards white (on a dark background) or black (on a light one) that does, so
// that a meaning colour (red for an error, blue for a renamed file) keeps its hue as far as it
// can. On a background where neither white nor black reaches `minimum`, the one of them that
// contrasts more.
std::uint32_t readableOn(std::uint32_t colour, std::uint32_t background,
                         double minimum = kReadableContrast);

}  // namespace romshelf
