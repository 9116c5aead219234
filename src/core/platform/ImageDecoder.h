#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace romshelf {

// A decoded picture: rows top-down, three bytes (R, G, B) a pixel.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Decoders for the picture formats the built-in BMP reader does not know (PNG, JPEG, …).
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;
    // nullopt when no decoder knows the file.
    virtual std::optional<DecodedImage> decode(const std::string& path) = 0;
};

class NoImageDecoder : public ImageDecoder {
public:
    std::optional<DecodedImage> decode(const std::string&) override { return std::nullopt; }
};

}  // namespace romshelf
