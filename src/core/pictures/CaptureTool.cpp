#include "core/pictures/CaptureTool.h"

#include <algorithm>

#include "core/platform/FileSystem.h"

namespace romshelf {

CaptureSize captureSize(int width, int height, bool shrink) {
    const PictureSize box = DibPicture::kWindowSize;
    if (!shrink || (width <= box.width && height <= box.height)) return {{width, height}, false};
    if (width == 640 && height == 400) return {{320, 200}, true};
    return {{std::min(width, box.width), std::min(height, box.height)}, true};
}

std::string captureTarget(const std::string& slotPath, const std::string& lastLaunched) {
    if (slotPath.empty() || lastLaunched.empty()) return {};
    return slotPath + fs::pathTitle(fs::pathName(lastLaunched)) + ".bmp";
}

PreviewSpan previewSpan(int picture, int control, int window) {
    if (picture > window) return {0, 0, window};
    const int position = control / 2 - picture / 2;
    if (position >= 0) return {position, 0, picture};
    return {0, -position, std::max(0, picture + 2 * position)};
}

bool saveCapture(const DecodedImage& area, const std::string& target, bool shrink) {
    if (area.width <= 0 || area.height <= 0 ||
        area.rgb.size() != std::size_t{3} * area.width * area.height)
        return false;
    const CaptureSize s = captureSize(area.width, area.height, shrink);
    DibPicture picture;
    if (!picture.create(s.size.width, s.size.height)) return false;
    // Without stretching the picture has the area's size: a copy pixel for pixel.
    picture.draw(area, s.size.width, s.size.height,
                 s.stretch ? StretchMode::Halftone : StretchMode::ColourOnColour);
    return picture.saveBmp(target);
}

CaptureTool::CaptureTool() {
    preview_.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    reset(std::string(kCaptureClear));
}

void CaptureTool::clearPreview() {
    preview_.fill({0, 0, DibPicture::kWindowSize.width, DibPicture::kWindowSize.height},
                  kCaptureBackground);
}

void CaptureTool::reset(const std::string& name) {
    clearPreview();
    if (name == kCaptureClear)
        status_.clear();
    else if (!name.empty())
        status_ = name + " 待機中";
}

std::string CaptureTool::capture(Desktop& desktop, const std::string& slotPath,
                                 const std::string& lastLaunched, bool shrink) {
    std::string target = captureTarget(slotPath, lastLaunched);
    std::optional<DecodedImage> area;
    if (!target.empty()) area = desktop.grabForegroundWindow();
    // The file as saved, at its own size: the status tells the size the snap has.
    if (!area || !saveCapture(*area, target, shrink) || !preview_.loadBmp(target, false, false)) {
        clearPreview();
        status_ = kCaptureFailed;
        return {};
    }
    status_ = "キャプチャした画像のサイズ : X = " + std::to_string(preview_.visibleWidth()) +
              " / Y = " + std::to_string(preview_.visibleHeight());
    return target;
}

}  // namespace romshelf
