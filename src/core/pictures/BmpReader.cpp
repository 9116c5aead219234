#include "core/pictures/BmpReader.h"

#include <algorithm>
#include <array>
#include <bit>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

std::uint32_t u16(std::string_view b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8;
}
std::uint32_t u32(std::string_view b, std::size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// One colour of a bit-field pixel, widened to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<std::uint8_t, 256> wide{};

    bool set(std::uint32_t m) {
        mask = m;
        if (m == 0) return true;  // the colour is absent: always 0
        shift = std::countr_zero(m);
        const std::uint32_t v = m >> shift;
        if ((v & (v + 1)) != 0) return false;  // not one run of bits
        bits = std::popcount(v);
        for (std::uint32_t i = 0; bits < 8 && i <= v; ++i) {
            // The bits repeated until eight are filled: 5 bits abcde give abcdeabc.
            std::uint32_t w = i << (32 - bits);
            for (int filled = bits; filled < 8; filled *= 2) w |= w >> filled;
            wide[i] = static_cast<std::uint8_t>(w >> 24);
        }
        return true;
    }
    std::uint8_t of(std::uint32_t px) const {
        if (mask == 0) return 0;
        const std::uint32_t v = (px & mask) >> shift;
        return bits >= 8 ? static_cast<std::uint8_t>(v >> (bits - 8)) : wide[v];
    }
};

struct Layout {
    std::int64_t width = 0, height = 0;
    bool topDown = false;
    std::uint32_t bits = 0, compression = kRgb;
    std::uint64_t pixelsAt = 0;
    std::array<Rgb, 256> palette{};  // black past the stored entries
    std::array<Channel, 3> channels;
};

bool readLayout(std::string_view b, std::int64_t maxPixels, Layout& l) {
    if (b.size() < 18 || b[0] != 'B' || b[1] != 'M') return false;
    const std::uint64_t size = b.size();
    const std::uint32_t headerSize = u32(b, 14);
    const bool core = headerSize == 12;
    constexpr std::uint32_t known[] = {12, 16, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(known), std::end(known), headerSize) == std::end(known)) return false;
    if (size < 14 + headerSize) return false;
    std::uint32_t planes = 0, coloursUsed = 0;
    if (core) {
        l.width = u16(b, 18);
        l.height = u16(b, 20);
        planes = u16(b, 22);
        l.bits = u16(b, 24);
    } else {
        l.width = static_cast<std::int32_t>(u32(b, 18));
        l.height = static_cast<std::int32_t>(u32(b, 22));
        planes = u16(b, 26);
        l.bits = u16(b, 28);
        if (headerSize >= 40) {
            l.compression = u32(b, 30);
            coloursUsed = u32(b, 46);
        }
        // OS/2's own compressions share the numbers of the Windows bit fields.
        if (headerSize == 64 && l.compression >= kBitFields) return false;
    }
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height;
    }
    if (planes != 1 || l.width <= 0 || l.height == 0 || l.width * l.height > maxPixels)
        return false;

    const std::uint32_t c = l.compression;
    const bool fields = c == kBitFields || c == kAlphaBitFields;
    if (!(l.bits == 1 || l.bits == 4 || l.bits == 8 || l.bits == 16 || l.bits == 24 ||
          l.bits == 32))
        return false;
    if (!(c == kRgb || (c == kRle8 && l.bits == 8) || (c == kRle4 && l.bits == 4) ||
          (fields && (l.bits == 16 || l.bits == 32))))
        return false;
    if (l.topDown && (c == kRle8 || c == kRle4)) return false;

    std::uint64_t paletteAt = 14 + headerSize;
    if (fields) {
        const std::uint64_t masksAt = headerSize >= 52 ? 54 : paletteAt;
        if (headerSize < 52) paletteAt += c == kAlphaBitFields ? 16 : 12;
        if (size < paletteAt) return false;
        for (std::size_t i = 0; i < 3; ++i)
            if (!l.channels[i].set(u32(b, masksAt + 4 * i))) return false;
        if (l.bits == 16 && (l.channels[0].mask | l.channels[1].mask | l.channels[2].mask) > 0xFFFF)
            return false;
    } else if (l.bits == 16) {
        l.channels[0].set(0x7C00), l.channels[1].set(0x03E0), l.channels[2].set(0x001F);
    } else if (l.bits == 32) {
        l.channels[0].set(0xFF0000), l.channels[1].set(0xFF00), l.channels[2].set(0xFF);
    }

    l.pixelsAt = u32(b, 10);
    if (l.pixelsAt < paletteAt || l.pixelsAt > size) return false;
    if (l.bits <= 8) {
        const std::uint64_t entry = core ? 3 : 4;
        std::uint64_t count = std::uint64_t{1} << l.bits;
        if (coloursUsed != 0) count = std::min<std::uint64_t>(count, coloursUsed);
        // Files that leave the count at 0 often store fewer entries than their depth allows.
        count = std::min(count, (l.pixelsAt - paletteAt) / entry);
        if (count == 0) return false;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t at = paletteAt + i * entry;
            l.palette[i] = {static_cast<std::uint8_t>(b[at + 2]),
                            static_cast<std::uint8_t>(b[at + 1]), static_cast<std::uint8_t>(b[at])};
        }
    }
    return true;
}

void put(std::uint8_t* p, Rgb c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

std::uint64_t rowBytes(const Layout& l) {
    return (static_cast<std::uint64_t>(l.width) * l.bits + 31) / 32 * 4;
}

void readRows(std::string_view b, const Layout& l, DecodedImage& out) {
    const std::uint64_t stride = rowBytes(l);
    const auto* data = reinterpret_cast<const std::uint8_t*>(b.data()) + l.pixelsAt;
    const std::size_t w = static_cast<std::size_t>(l.width);
    for (std::int64_t row = 0; row < l.height; ++row) {
        const std::uint8_t* s = data + row * stride;
        std::uint8_t* d = out.rgb.data() + (l.topDown ? row : l.height - 1 - row) * w * 3;
        switch (l.bits) {
            case 1:
            case 4:
            case 8: {
                const unsigned perByte = 8 / l.bits, mask = (1u << l.bits) - 1;
                for (std::size_t x = 0; x < w; ++x, d += 3) {
                    const unsigned shift = 8 - l.bits * (1 + x % perByte);
                    put(d, l.palette[(s[x / perByte] >> shift) & mask]);
                }
                break;
            }
            case 24:
                for (std::size_t x = 0; x < w; ++x, d += 3, s += 3) put(d, {s[2], s[1], s[0]});
                break;
            default: {
                const std::size_t n = l.bits / 8;
                for (std::size_t x = 0; x < w; ++x, d += 3, s += n) {
                    const std::uint32_t px =
                        n == 2 ? (s[0] | s[1] << 8)
                               : (s[0] | s[1] << 8 | s[2] << 16 | std::uint32_t{s[3]} << 24);
                    put(d, {l.channels[0].of(px), l.channels[1].of(px), l.channels[2].of(px)});
                }
            }
        }
    }
}

// RLE rows run bottom-up: a count and an index (two for RLE4, taken in turn), or an escape: end
// of line, end of picture, a move right and up, or a word-aligned run of literal indices.
// Pixels beyond the right edge are dropped; the picture ends with its last row.
bool readRle(std::string_view b, const Layout& l, DecodedImage& out) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(b.data());
    const std::size_t end = b.size();
    std::size_t at = l.pixelsAt;
    const bool four = l.compression == kRle4;
    std::int64_t x = 0, y = 0;
    const std::size_t w = static_cast<std::size_t>(l.width);
    for (std::size_t i = 0; i < out.rgb.size(); i += 3) put(out.rgb.data() + i, l.palette[0]);
    auto plot = [&](unsigned index) {
        if (x < l.width) put(out.rgb.data() + ((l.height - 1 - y) * w + x) * 3, l.palette[index]);
        ++x;
    };
    for (;;) {
        if (end - at < 2) return false;
        const unsigned count = data[at], value = data[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                plot(four ? (i % 2 ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            if (++y >= l.height) return true;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (end - at < 2) return false;
            x += data[at];
            y += data[at + 1];
            at += 2;
            if (y >= l.height) return true;
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = bytes + bytes % 2;
            if (end - at < padded) return false;
            for (unsigned i = 0; i < value; ++i)
                plot(four ? (i % 2 ? data[at + i / 2] & 15 : data[at + i / 2] >> 4) : data[at + i]);
            at += padded;
        }
    }
}

}  // namespace

std::optional<DecodedImage> readBmp(std::string_view bytes, std::int64_t maxPixels) {
    Layout l;
    if (!readLayout(bytes, std::min(maxPixels, kMaxPicturePixels), l)) return std::nullopt;
    const bool rle = l.compression == kRle8 || l.compression == kRle4;
    // Every row must be there before anything is allocated (no overflow: width x height is capped).
    if (!rle && rowBytes(l) * static_cast<std::uint64_t>(l.height) > bytes.size() - l.pixelsAt)
        return std::nullopt;
    DecodedImage out;
    out.width = static_cast<int>(l.width);
    out.height = static_cast<int>(l.height);
    out.rgb.resize(static_cast<std::size_t>(l.width * l.height * 3));
    if (rle) {
        if (!readRle(bytes, l, out)) return std::nullopt;
    } else {
        readRows(bytes, l, out);
    }
    return out;
}

std::optional<DecodedImage> readBmpFile(const std::string& path) {
    // Four bytes a pixel at most, and room for headers, palette and padding.
    const auto bytes =
        fs::readFile(path, 4 * static_cast<std::uint64_t>(kMaxPicturePixels) + (1u << 20));
    if (!bytes) return std::nullopt;
    return readBmp(*bytes);
}

}  // namespace romshelf
