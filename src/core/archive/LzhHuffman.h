#pragma once

#include <cstdint>

namespace romshelf::archive {

// The longest Huffman code any LZH decoder accepts.
inline constexpr int kLzhMaxCodeBits = 16;

// Optimal code lengths, none longer than maxBits, for `count` symbols with the given frequencies.
// Unused symbols get length 0. When fewer than two symbols are used every length is 0: the
// caller then writes the tree in its one-symbol form. Returns the number of used symbols.
// The lengths of two or more symbols always make a complete code, as decoders require.
int lzhCodeLengths(const std::uint32_t* freq, int count, int maxBits, std::uint8_t* lengths);

// Canonical codes for the lengths (shorter codes first, then by symbol), as LZH decoders
// rebuild them from the lengths alone.
void lzhCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes);

}  // namespace romshelf::archive
