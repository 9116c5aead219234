#pragma once

#include <cstdint>
#include <vector>

#include "core/archive/LzhBitWriter.h"

namespace romshelf::archive {

// Turns literals and matches into LZH blocks: each block carries its own static Huffman trees
// (the code-length tree, the literal/length tree and the position tree) followed by the codes.
class LzhBlockCoder {
public:
    static constexpr int kLiteralLengthCodes = 510;  // 256 literals + lengths 3..256
    static constexpr unsigned kMinMatch = 3;
    static constexpr unsigned kMaxMatch = 256;
    // Codes per block; the block header counts them in 16 bits.
    static constexpr std::size_t kBlockCodes = 16384;

    // positionCodes/positionBits: 14/4 for lh5, 16/5 for lh6, 17/5 for lh7.
    LzhBlockCoder(int positionCodes, int positionBits, LzhBitWriter& out);

    void literal(std::uint8_t byte) {
        codes_.push_back(byte);
        ++literalFreq_[byte];
        if (codes_.size() == kBlockCodes) writeBlock();
    }

    // length in 3..256; distance 1.. (bytes back from the current position).
    void match(unsigned length, unsigned distance) {
        const unsigned code = 256 + length - kMinMatch;
        codes_.push_back(static_cast<std::uint16_t>(code));
        ++literalFreq_[code];
        const std::uint32_t offset = distance - 1;
        offsets_.push_back(offset);
        ++positionFreq_[positionCode(offset)];
        if (codes_.size() == kBlockCodes) writeBlock();
    }

    // Writes the codes collected so far as one block (nothing when there are none).
    void writeBlock();

private:
    static int positionCode(std::uint32_t offset) {
        int bits = 0;
        while (offset != 0) {
            ++bits;
            offset >>= 1;
        }
        return bits;
    }

    void writeTreeLengths(const std::uint8_t* lengths, int count, int countBits, int special);
    void writeLiteralLengths(const std::uint8_t* lengths, const std::uint8_t* treeLengths,
                             const std::uint16_t* treeCodes);

    const int positionCodes_;
    const int positionBits_;
    LzhBitWriter& out_;
    std::vector<std::uint16_t> codes_;
    std::vector<std::uint32_t> offsets_;
    std::uint32_t literalFreq_[kLiteralLengthCodes] = {};
    std::uint32_t positionFreq_[18] = {};
};

}  // namespace romshelf::archive
