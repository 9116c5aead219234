#pragma once

#include <string>
#include <string_view>

#include "core/platform/Desktop.h"
#include "core/pictures/DibPicture.h"

namespace romshelf {

// The capture tool's texts and colours.
inline constexpr std::string_view kCaptureHint =
    " 「Alt + PrintScreen」を押すことで現在アクティブなウィンドウのスナップを作成し、自動的にスナップフォルダに格納します。";
inline constexpr std::string_view kCaptureShrinkLabel = "大きい画像は縮小してキャプチャする";
inline constexpr std::string_view kCaptureFailed = "スナップのキャプチャに失敗しました";
inline constexpr std::string_view kCaptureUnavailable = "この環境ではキャプチャできません。";
// The name that empties the status instead of naming a file.
inline constexpr std::string_view kCaptureClear = "CLEAR";
inline constexpr Colour kCaptureBackground{80, 80, 80};
inline constexpr Colour kCaptureHintColour{128, 0, 0};
inline constexpr Colour kCaptureStatusColour{0, 0, 128};

// The size a client area is saved at, and whether it is stretched there. With `shrink`, an area
// larger than the window is squeezed: a 640 x 400 one (a double-size screen) to 320 x 200, any
// other to at most 320 x 240, width and height each on its own. An area that fits the window, or
// any area without `shrink`, is saved as it is.
struct CaptureSize {
    PictureSize size;
    bool stretch = false;
};
CaptureSize captureSize(int width, int height, bool shrink);

// The snap file of the last launched file in a snap folder (ending in '/'): its name without
// folder and extension, and ".bmp". Empty when either is empty.
std::string captureTarget(const std::string& slotPath, const std::string& lastLaunched);

// One axis of the preview: the picture's part from `from`, `length` long, lands at `position` of
// the control. A picture longer than the window's side shows its start; a shorter one is centred
// in the control, and cut equally on both sides when the control is shorter still.
struct PreviewSpan {
    int position = 0, from = 0, length = 0;
    bool operator==(const PreviewSpan&) const = default;
};
PreviewSpan previewSpan(int picture, int control, int window);

// The capture tool without its window: the preview, the status line, and the capture that saves
// the window in front as the last launched file's snap.
class CaptureTool {
public:
    CaptureTool();

    // A new target: the preview goes grey, and the status names the file waiting for its snap
    // (name + " 待機中"), empties on kCaptureClear, or stays for an empty name.
    void reset(const std::string& name);

    // Grabs the window in front through `desktop` and saves it as the snap of `lastLaunched` in
    // the snap folder `slotPath`, shrunk as captureSize() says. The saved file is shown in the
    // preview and its size in the status; on any failure the preview is grey and the status says
    // so. The path written, or empty.
    std::string capture(Desktop& desktop, const std::string& slotPath,
                        const std::string& lastLaunched, bool shrink);

    const DibPicture& preview() const { return preview_; }
    const std::string& status() const { return status_; }

private:
    void clearPreview();

    DibPicture preview_;
    std::string status_;
};

// Saves `area` (the client area grabbed) at `target` as a 24-bit BMP file; false when it cannot.
bool saveCapture(const DecodedImage& area, const std::string& target, bool shrink);

}  // namespace romshelf
