#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "core/platform/ImageDecoder.h"
#include "core/pictures/DibPicture.h"

namespace romshelf {

// The file-information window's background.
inline constexpr PictureSize kFileInfoSize{320, 83};

// The built-in background: dark panels behind the places of the nine texts, which are drawn
// white with a black shadow.
void drawBuiltInFileInfoBackground(DibPicture& picture);

// `frameFolder` + "FileData.bmp" as it is (BMP, else any format the decoder knows, stretched
// only with `enlarge`), or the built-in background when it is missing or unreadable.
void loadFileInfoBackground(DibPicture& picture, const std::string& frameFolder,
                            ImageDecoder& decoder, bool enlarge);

// The media window's pictures: the found picture (or plain white) centred on the hardware's
// frame.
class MediaPicture {
public:
    MediaPicture();

    // `path` empty, or not loadable (a sound file found first): the white picture. A ".bmp"
    // is fitted (640 x 400 halved, larger ones squeezed); `enlarge` stretches smaller ones.
    void show(const std::string& path, ImageDecoder& decoder, bool enlarge) {
        DibPicture media;
        const bool loaded = load(media, path, decoder, enlarge);
        show(std::move(media), loaded);
    }
    // show() in steps, for a window that reads its picture beside the event loop: load() reads
    // `path` into `media` (false: nothing to show) and show() takes what it read.
    static bool load(DibPicture& media, const std::string& path, ImageDecoder& decoder,
                     bool enlarge);
    void show(DibPicture media, bool loaded);
    // Nothing selected.
    void showWhite();
    // The hardware's frame, frame/frame_<code>.bmp (as it is; decoded ones stretched only
    // with `enlarge`), else the built-in one, as the snap window takes it; composed again.
    void loadFrame(const std::string& frameFolder, std::string_view code, ImageDecoder& decoder,
                   bool enlarge);
    // The display picture from the current media picture and frame.
    void compose() { display_.composeCentered(media_, frame_); }

    const DibPicture& frame() const { return frame_; }
    const DibPicture& media() const { return media_; }
    const DibPicture& display() const { return display_; }
    // Whether the last show() loaded a picture.
    bool loaded() const { return loaded_; }

private:
    DibPicture media_, frame_, display_;
    bool loaded_ = false;
};

}  // namespace romshelf
