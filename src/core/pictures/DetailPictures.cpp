#include "core/pictures/DetailPictures.h"

#include <algorithm>

#include "core/platform/FileSystem.h"
#include "core/pictures/SnapLookup.h"

namespace romshelf {

namespace {

void setPixel(DibPicture& p, int x, int y, Colour c) {
    std::uint8_t* d = p.bits() + static_cast<std::size_t>(y) * p.stride() + 3 * x;
    d[0] = c.b;
    d[1] = c.g;
    d[2] = c.r;
}

// A panel lighter than the background with a one-pixel rim, (left, top) to (right, bottom)
// exclusive.
void panel(DibPicture& p, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const bool rim = y == top || y == bottom - 1 || x == left || x == right - 1;
            const auto shade = static_cast<std::uint8_t>(rim ? 120 : 70 + (bottom - y));
            setPixel(p, x, y,
                     {static_cast<std::uint8_t>(shade / 3), static_cast<std::uint8_t>(shade / 2),
                      shade});
        }
}

}  // namespace

void drawBuiltInFileInfoBackground(DibPicture& picture) {
    picture.create(kFileInfoSize.width, kFileInfoSize.height);
    // A dark blue fading to near black towards the bottom.
    for (int y = 0; y < kFileInfoSize.height; ++y) {
        const auto level = static_cast<std::uint8_t>(60 - y * 40 / kFileInfoSize.height);
        for (int x = 0; x < kFileInfoSize.width; ++x)
            setPixel(picture, x, y,
                     {static_cast<std::uint8_t>(level / 4), static_cast<std::uint8_t>(level / 2),
                      static_cast<std::uint8_t>(level * 2)});
    }
    panel(picture, 2, 1, 318, 20);     // game name
    panel(picture, 2, 20, 253, 36);    // status line
    panel(picture, 254, 20, 318, 36);  // rating
    for (const int top : {36, 52, 68}) {
        panel(picture, 2, top, 158, top + 15);  // left column of categories
        panel(picture, 161, top, 318, top + 15);
    }
}

void loadFileInfoBackground(DibPicture& picture, const std::string& frameFolder,
                            ImageDecoder& decoder, bool enlarge) {
    picture.create(kFileInfoSize.width, kFileInfoSize.height);
    const std::string path = frameFolder + "FileData.bmp";
    if (fs::fileExists(path) &&
        (picture.loadBmp(path, false, false) || picture.loadDecoded(path, decoder, enlarge)))
        return;
    drawBuiltInFileInfoBackground(picture);
}

MediaPicture::MediaPicture() {
    for (DibPicture* p : {&media_, &frame_, &display_})
        p->create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    drawBuiltInFrame(frame_);
    showWhite();
}

void MediaPicture::loadFrame(const std::string& frameFolder, std::string_view code,
                             ImageDecoder& decoder, bool enlarge) {
    const std::string path = snapFramePath(frameFolder, code);
    frame_.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    if (!fs::fileExists(path) ||
        !(frame_.loadBmp(path, false, false) || frame_.loadDecoded(path, decoder, enlarge)))
        drawBuiltInFrame(frame_);
    compose();
}

bool MediaPicture::load(DibPicture& media, const std::string& path, ImageDecoder& decoder,
                        bool enlarge) {
    if (path.empty()) return false;
    media.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    return media.load(path, decoder, enlarge, true, enlarge);
}

void MediaPicture::show(DibPicture media, bool loaded) {
    if (!loaded) return showWhite();
    media_ = std::move(media);
    loaded_ = true;
    compose();
}

void MediaPicture::showWhite() {
    loaded_ = false;
    media_.fill({0, 0, DibPicture::kWindowSize.width, DibPicture::kWindowSize.height},
                {255, 255, 255});
    compose();
}

}  // namespace romshelf
