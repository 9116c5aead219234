#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/ImageDecoder.h"

namespace romshelf {

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Colour&) const = default;
};

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Colour on colour: each target pixel takes the source pixel under it (nearest neighbour).
// Halftone: each target pixel is the average of the source area it covers.
enum class StretchMode { ColourOnColour, Halftone };

struct PictureSize {
    int width = 0, height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The size at which a decoded picture of `width` x `height` is drawn into a box: width and
// height capped at the box's, each on its own (the aspect is not kept); with `enlarge`, a smaller
// one raised to the box's, so the picture fills the box.
PictureSize fittedSize(int width, int height, PictureSize box, bool enlarge);
// The same for a BMP file: without `fit` its own size; with `fit`, a 640 x 400 picture (a
// double-size screen) is halved to 320 x 200 first.
PictureSize bmpSize(int width, int height, PictureSize box, bool enlarge, bool fit);

// A fixed-size 24-bit picture, and the part of it that holds the current picture ("visible",
// from the top left). Rows are stored top-down, three bytes a pixel in the order B, G, R, each
// row padded to a multiple of four bytes: the rows of a 24-bit BMP file in reverse order (saving
// only reverses them), and what a Qt image of format BGR888 wraps without copying.
class DibPicture {
public:
    // The size of every picture a window shows.
    static constexpr PictureSize kWindowSize{320, 240};

    // A black picture, all of it visible, with no path; false (and an empty picture) for a size
    // out of range.
    bool create(int width, int height);

    // Fills a rectangle (the part inside the picture); the visible size becomes its size.
    void fill(PixelRect rect, Colour colour);

    // A BMP file, read by the built-in reader, drawn colour on colour at bmpSize() in the box
    // of the whole picture. False, with the picture untouched, when the reader refuses the file.
    bool loadBmp(const std::string& path, bool enlarge, bool fit);
    // Any file that `decoder` knows, drawn colour on colour at fittedSize().
    bool loadDecoded(const std::string& path, ImageDecoder& decoder, bool enlarge);
    // A ".bmp" file through loadBmp() first; then, and for every other file, loadDecoded() with
    // `enlargeDecoded` (the user's option, whoever loads).
    bool load(const std::string& path, ImageDecoder& decoder, bool enlarge, bool fit,
              bool enlargeDecoded);

    // Stretches the whole of `image` over (0,0)-(width,height); what falls outside the picture
    // is dropped. The visible size becomes width x height.
    void draw(const DecodedImage& image, int width, int height, StretchMode mode);

    // Draws `snap`'s visible part centred on this picture (a larger one is clipped, showing its
    // middle); unless the snap fills the picture exactly, `frame` is copied in first. All of this
    // picture becomes visible.
    void composeCentered(const DibPicture& snap, const DibPicture& frame);

    // The whole picture as a 24-bit bottom-up BMP file.
    std::string bmpBytes() const;
    bool saveBmp(const std::string& path) const;

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    const std::uint8_t* bits() const { return pixels_.data(); }
    std::uint8_t* bits() { return pixels_.data(); }
    Colour pixel(int x, int y) const;
    int visibleWidth() const { return visible_.width; }
    int visibleHeight() const { return visible_.height; }
    const std::string& path() const { return path_; }

private:
    std::uint8_t* at(int x, int y) {
        return pixels_.data() + static_cast<std::size_t>(y) * stride_ + 3 * x;
    }
    void drawNearest(const DecodedImage& image, int width, int height);
    void drawAveraged(const DecodedImage& image, int width, int height);

    int width_ = 0, height_ = 0, stride_ = 0;
    std::vector<std::uint8_t> pixels_;
    PictureSize visible_;
    std::string path_;
};

}  // namespace romshelf
