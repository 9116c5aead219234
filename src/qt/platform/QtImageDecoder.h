#pragma once

#include <atomic>
#include <cstdint>

#include "core/platform/ImageDecoder.h"
#include "core/pictures/BmpReader.h"

namespace romshelf {

// Every format Qt's image readers know (PNG, JPEG, GIF, WebP, …), the first frame of an
// animation, alpha dropped. Only regular files are read, so a FIFO or a device never blocks; a
// file's head is read first and the rest only when a reader knows the format; and a picture
// whose header claims more than `maxPixels` is refused before it is decoded.
class QtImageDecoder : public ImageDecoder {
public:
    // Also sets Qt's allocation limit for every image reader of the program to fit that cap.
    explicit QtImageDecoder(std::int64_t maxPixels = kMaxPicturePixels);

    std::optional<DecodedImage> decode(const std::string& path) override;

    // How many bytes of its file the last decode read.
    std::uint64_t lastBytesRead() const { return lastBytesRead_.load(std::memory_order_relaxed); }

private:
    std::int64_t maxPixels_;
    // The snap and media windows decode beside the event loop, the other windows on it.
    std::atomic<std::uint64_t> lastBytesRead_ = 0;
};

}  // namespace romshelf
