#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/platform/ImageDecoder.h"

namespace romshelf {

// The largest picture the readers decode: 8192 x 8192. Its 24-bit form takes 192 MiB, which the
// machine can hold, and no snap, frame or photograph a user keeps beside a game comes near it;
// a header claiming more is a damaged or hostile file. Below it every byte count (four bytes a
// pixel at most) stays under 2^31.
inline constexpr std::int64_t kMaxPicturePixels = 64ll * 1024 * 1024;

// Decodes a Windows bitmap ("BM"): Windows and OS/2 headers, 1/4/8/16/24/32 bits a pixel, bit
// fields, RLE4 and RLE8, rows bottom-up or top-down; alpha is dropped. Anything else, a picture
// of more than `maxPixels` pixels (never more than kMaxPicturePixels) and every file whose pixels
// do not all lie inside it is refused (nullopt). RLE pixels that the data skips take the first
// palette colour.
std::optional<DecodedImage> readBmp(std::string_view bytes,
                                    std::int64_t maxPixels = kMaxPicturePixels);

// The same for a file; a FIFO or a device is refused without waiting on it.
std::optional<DecodedImage> readBmpFile(const std::string& path);

}  // namespace romshelf
