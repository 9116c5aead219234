#include "core/pictures/DibPicture.h"

#include <algorithm>
#include <cstring>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/pictures/BmpReader.h"

namespace romshelf {

PictureSize fittedSize(int width, int height, PictureSize box, bool enlarge) {
    PictureSize s{std::min(width, box.width), std::min(height, box.height)};
    if (enlarge) s = {std::max(s.width, box.width), std::max(s.height, box.height)};
    return s;
}

PictureSize bmpSize(int width, int height, PictureSize box, bool enlarge, bool fit) {
    if (!fit) return {width, height};
    if (width == 640 && height == 400) width = 320, height = 200;
    return fittedSize(width, height, box, enlarge);
}

bool DibPicture::create(int width, int height) {
    *this = DibPicture();
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxPicturePixels) return false;
    width_ = width;
    height_ = height;
    stride_ = (3 * width + 3) / 4 * 4;
    pixels_.assign(static_cast<std::size_t>(stride_) * height, 0);
    visible_ = {width, height};
    return true;
}

void DibPicture::fill(PixelRect rect, Colour colour) {
    const int left = std::max(rect.x, 0), right = std::min(rect.x + rect.width, width_);
    for (int y = std::max(rect.y, 0); y < std::min(rect.y + rect.height, height_); ++y)
        for (int x = left; x < right; ++x) {
            std::uint8_t* p = at(x, y);
            p[0] = colour.b;
            p[1] = colour.g;
            p[2] = colour.r;
        }
    visible_ = {rect.width, rect.height};
}

bool DibPicture::loadBmp(const std::string& path, bool enlarge, bool fit) {
    const auto image = readBmpFile(path);
    if (!image || pixels_.empty()) return false;
    const PictureSize s = bmpSize(image->width, image->height, {width_, height_}, enlarge, fit);
    draw(*image, s.width, s.height, StretchMode::ColourOnColour);
    path_ = path;
    return true;
}

bool DibPicture::loadDecoded(const std::string& path, ImageDecoder& decoder, bool enlarge) {
    const auto image = decoder.decode(path);
    if (!image || image->width <= 0 || image->height <= 0 || pixels_.empty() ||
        image->rgb.size() != std::size_t{3} * image->width * image->height)
        return false;
    const PictureSize s = fittedSize(image->width, image->height, {width_, height_}, enlarge);
    draw(*image, s.width, s.height, StretchMode::ColourOnColour);
    path_ = path;
    return true;
}

bool DibPicture::load(const std::string& path, ImageDecoder& decoder, bool enlarge, bool fit,
                      bool enlargeDecoded) {
    if (ascii::upper(fs::pathExtension(path)) == ".BMP" && loadBmp(path, enlarge, fit)) return true;
    return loadDecoded(path, decoder, enlargeDecoded);
}

void DibPicture::draw(const DecodedImage& image, int width, int height, StretchMode mode) {
    if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0) return;
    if (mode == StretchMode::Halftone)
        drawAveraged(image, width, height);
    else
        drawNearest(image, width, height);
    visible_ = {width, height};
}

void DibPicture::drawNearest(const DecodedImage& image, int width, int height) {
    const int w = std::min(width, width_), h = std::min(height, height_);
    std::vector<std::size_t> column(static_cast<std::size_t>(std::max(w, 0)));
    for (int x = 0; x < w; ++x)
        column[static_cast<std::size_t>(x)] =
            std::size_t{3} * (std::int64_t{x} * image.width / width);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = image.rgb.data() + std::size_t{3} * image.width *
                                                       (std::int64_t{y} * image.height / height);
        std::uint8_t* d = at(0, y);
        for (const std::size_t c : column) {
            *d++ = s[c + 2];
            *d++ = s[c + 1];
            *d++ = s[c];
        }
    }
}

namespace {

// Calls f(source index, weight) for the source pixels under target pixel `t` when `from` pixels
// are spread over `to`: in units of 1/to of a source pixel, so the weights add up to `from`.
template <typename F>
void coverage(std::int64_t t, std::int64_t from, std::int64_t to, F f) {
    const std::int64_t begin = t * from, end = (t + 1) * from;
    for (std::int64_t i = begin / to; i * to < end; ++i)
        f(i, std::min((i + 1) * to, end) - std::max(i * to, begin));
}

}  // namespace

// Exact integer sums: a target pixel is the weighted sum of its source area divided by the
// area, so no colour drifts; one source row at a time, so a tall picture needs no big buffer.
// The last two rows summed across are kept: a stretched-up picture reuses them row after row.
void DibPicture::drawAveraged(const DecodedImage& image, int width, int height) {
    const int w = std::min(width, width_), h = std::min(height, height_);
    if (w <= 0 || h <= 0) return;
    const std::int64_t area = std::int64_t{image.width} * image.height;
    std::vector<std::int64_t> sum(std::size_t{3} * w);
    struct Row {
        std::int64_t source = -1;
        std::vector<std::int64_t> sums;
    } rows[2];
    auto across = [&](std::int64_t sy) -> const std::vector<std::int64_t>& {
        for (const Row& r : rows)
            if (r.source == sy) return r.sums;
        Row& r = rows[0].source < rows[1].source ? rows[0] : rows[1];
        r.source = sy;
        r.sums.assign(std::size_t{3} * w, 0);
        const std::uint8_t* s = image.rgb.data() + std::size_t{3} * image.width * sy;
        for (int x = 0; x < w; ++x)
            coverage(x, image.width, width, [&](std::int64_t sx, std::int64_t wx) {
                for (int k = 0; k < 3; ++k) r.sums[3 * x + k] += wx * s[3 * sx + k];
            });
        return r.sums;
    };
    for (int y = 0; y < h; ++y) {
        std::fill(sum.begin(), sum.end(), 0);
        coverage(y, image.height, height, [&](std::int64_t sy, std::int64_t wy) {
            const auto& row = across(sy);
            for (std::size_t k = 0; k < sum.size(); ++k) sum[k] += wy * row[k];
        });
        std::uint8_t* d = at(0, y);
        for (int x = 0; x < w; ++x, d += 3)
            for (int k = 0; k < 3; ++k)
                d[2 - k] = static_cast<std::uint8_t>((sum[3 * x + k] + area / 2) / area);
    }
}

void DibPicture::composeCentered(const DibPicture& snap, const DibPicture& frame) {
    const int left = (width_ - snap.visible_.width) / 2, top = (height_ - snap.visible_.height) / 2;
    if (!(snap.visible_ == PictureSize{width_, height_})) {
        const std::size_t bytes = std::size_t{3} * std::min(width_, frame.width_);
        for (int y = 0; y < std::min(height_, frame.height_); ++y)
            std::memcpy(at(0, y), frame.pixels_.data() + std::size_t{1} * y * frame.stride_, bytes);
    }
    // The snap's visible part that lies in its own bitmap and lands inside this one.
    const int x0 = std::max(0, -left),
              x1 = std::min({snap.visible_.width, snap.width_, width_ - left});
    const int y0 = std::max(0, -top),
              y1 = std::min({snap.visible_.height, snap.height_, height_ - top});
    for (int y = y0; x0 < x1 && y < y1; ++y)
        std::memcpy(at(left + x0, top + y),
                    snap.pixels_.data() + std::size_t{1} * y * snap.stride_ + 3 * x0,
                    std::size_t{3} * (x1 - x0));
    visible_ = {width_, height_};
}

Colour DibPicture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const std::uint8_t* p = pixels_.data() + std::size_t{1} * y * stride_ + 3 * x;
    return {p[2], p[1], p[0]};
}

std::string DibPicture::bmpBytes() const {
    const std::size_t image = pixels_.size(), headers = 14 + 40;
    std::string out(headers + image, '\0');
    std::size_t at = 0;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at++] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    out[at++] = 'B';
    out[at++] = 'M';
    put(static_cast<std::uint32_t>(out.size()), 4);
    put(0, 4);
    put(headers, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width_), 4);
    put(static_cast<std::uint32_t>(height_), 4);  // positive: bottom row first
    put(1, 2);
    put(24, 2);
    put(0, 4);  // no compression
    put(static_cast<std::uint32_t>(image), 4);
    // Resolutions and palette counts stay 0.
    for (int y = 0; y < height_; ++y)
        std::memcpy(out.data() + headers + std::size_t{1} * (height_ - 1 - y) * stride_,
                    pixels_.data() + std::size_t{1} * y * stride_,
                    static_cast<std::size_t>(stride_));
    return out;
}

bool DibPicture::saveBmp(const std::string& path) const {
    return !pixels_.empty() && fs::writeFileAtomically(path, bmpBytes());
}

}  // namespace romshelf
