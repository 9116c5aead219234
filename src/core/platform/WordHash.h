#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace romshelf {

// A fast 64-bit hash of a short text, taken eight bytes at a time (not for anything an attacker
// chooses to collide). The constants make hashes that are independent of each other.
namespace wordhash {

inline std::uint64_t load64(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

inline std::uint64_t load32(const char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

}  // namespace wordhash

template <std::uint64_t Seed, std::uint64_t SizeFactor, std::uint64_t WordFactor,
          std::uint64_t FinalFactor>
std::uint64_t wordHash(std::string_view text) {
    using wordhash::load32, wordhash::load64;
    std::uint64_t h = Seed ^ (text.size() * SizeFactor);
    auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * WordFactor;
        h ^= h >> 31;
    };
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) mix(load64(p + i));
    // The last one to seven bytes as one word, zero above them (key files keep these hashes),
    // without a copy of a length known only here: a call per text, and hashing is per file.
    if (const std::size_t rest = n - i; rest > 0) {
        if (n >= 8) {
            mix(load64(p + n - 8) >> (8 * (8 - rest)));
        } else if (rest >= 4) {
            mix(load32(p) | load32(p + rest - 4) << (8 * (rest - 4)));
        } else {
            const auto byte = [p](std::size_t at) {
                return std::uint64_t{static_cast<unsigned char>(p[at])} << (8 * at);
            };
            mix(byte(0) | byte(rest / 2) | byte(rest - 1));
        }
    }
    h ^= h >> 29;
    h *= FinalFactor;
    return h ^ (h >> 32);
}

}  // namespace romshelf
