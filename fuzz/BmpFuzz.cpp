// The BMP reader over any bytes: a picture it accepts has every pixel, draws into a window
// picture both ways, and comes back the same from the 24-bit file written of it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/pictures/BmpReader.h"
#include "core/pictures/DibPicture.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A lower cap than the program's keeps each run short; the checks are the same.
    const auto image =
        readBmp(std::string_view(reinterpret_cast<const char*>(data), size), 1 << 16);
    if (!image) return 0;
    const int w = image->width, h = image->height;
    if (w <= 0 || h <= 0 || image->rgb.size() != std::size_t{3} * w * h) std::abort();
    // A window picture smaller than the program's: the same stretching, a fraction of the time.
    DibPicture window;
    window.create(40, 30);
    const PictureSize s = bmpSize(w, h, {40, 30}, true, true);
    window.draw(*image, s.width, s.height, StretchMode::Halftone);
    window.draw(*image, w, h, StretchMode::ColourOnColour);
    DibPicture copy;
    if (!copy.create(w, h)) std::abort();
    copy.draw(*image, w, h, StretchMode::ColourOnColour);
    const auto back = readBmp(copy.bmpBytes());
    if (!back || back->rgb != image->rgb) std::abort();
    return 0;
}
