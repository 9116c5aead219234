#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace romshelf {

// A fast 64-bit hash of a short text, taken eight bytes at a time (not for anything an attacker
// chooses to collide). The constants make hashes that are independent of each other.
template <std::uint64_t Seed, std::uint64_t SizeFactor, std::uint64_t WordFactor,
          std::uint64_t FinalFactor>
std::uint64_t wordHash(std::string_view text) {
    std::uint64_t h = Seed ^ (text.size() * SizeFactor);
    auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * WordFactor;
        h ^= h >> 31;
    };
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        mix(word);
    }
    if (i < text.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, text.size() - i);
        mix(word);
    }
    h ^= h >> 29;
    h *= FinalFactor;
    return h ^ (h >> 32);
}

}  // namespace romshelf
