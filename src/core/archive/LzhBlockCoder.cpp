#include "core/archive/LzhBlockCoder.h"

#include <algorithm>
#include <cstring>

#include "core/archive/LzhHuffman.h"

namespace romshelf::archive {

namespace {

constexpr int kTreeCodes = 19;  // code-length tree: 3 run codes + lengths 0..16
constexpr int kTreeCountBits = 5;
constexpr int kLiteralCountBits = 9;

int onlyUsedSymbol(const std::uint32_t* freq, int count) {
    for (int i = 0; i < count; ++i) {
        if (freq[i] != 0) return i;
    }
    return 0;
}

// Lengths for a tree that is always sent in full. The format has a one-symbol form, but some
// decoders in wide use (libarchive 3.6) fail on it for these trees, so a lone symbol gets an
// unused partner and both take one bit.
void fullTreeLengths(const std::uint32_t* freq, int count, std::uint8_t* lengths) {
    if (lzhCodeLengths(freq, count, kLzhMaxCodeBits, lengths) >= 2) return;
    std::uint32_t padded[LzhBlockCoder::kLiteralLengthCodes];
    std::copy(freq, freq + count, padded);
    const int used = onlyUsedSymbol(freq, count);
    padded[used] = 2;
    padded[used == 0 ? 1 : 0] = 1;
    lzhCodeLengths(padded, count, kLzhMaxCodeBits, lengths);
}

// Runs of unused literal/length codes are sent as code-length tree symbols 0..2:
// 0 = one zero, 1 = 3..18 zeros (+4 bits), 2 = 20.. zeros (+9 bits).
template <typename Emit>
void forEachLengthSymbol(const std::uint8_t* lengths, int count, Emit emit) {
    int i = 0;
    while (i < count) {
        const int len = lengths[i++];
        if (len != 0) {
            emit(len + 2, 0, 0);
            continue;
        }
        int run = 1;
        while (i < count && lengths[i] == 0) {
            ++i;
            ++run;
        }
        if (run <= 2) {
            for (int k = 0; k < run; ++k) emit(0, 0, 0);
        } else if (run <= 18) {
            emit(1, 4, run - 3);
        } else if (run == 19) {
            emit(0, 0, 0);
            emit(1, 4, 15);
        } else {
            emit(2, kLiteralCountBits, run - 20);
        }
    }
}

int trimmedCount(const std::uint8_t* lengths, int count) {
    while (count > 0 && lengths[count - 1] == 0) --count;
    return count;
}

}  // namespace

LzhBlockCoder::LzhBlockCoder(int positionCodes, int positionBits, LzhBitWriter& out)
    : positionCodes_(positionCodes), positionBits_(positionBits), out_(out) {
    codes_.reserve(kBlockCodes);
    offsets_.reserve(kBlockCodes);
}

void LzhBlockCoder::writeTreeLengths(const std::uint8_t* lengths, int count, int countBits,
                                     int special) {
    const int n = trimmedCount(lengths, count);
    out_.put(countBits, n);
    int i = 0;
    while (i < n) {
        const unsigned len = lengths[i++];
        if (len <= 6) {
            out_.put(3, len);
        } else {
            out_.put(len - 3, (1u << (len - 3)) - 2);  // 111, then len-7 more ones, then 0
        }
        if (i == special) {
            // Up to three zero lengths right after the third are skipped with a 2-bit count.
            // Never count past n: decoders reject a skip beyond the lengths they were promised.
            while (i < 6 && i < n && lengths[i] == 0) ++i;
            out_.put(2, (i - 3) & 3);
        }
    }
}

void LzhBlockCoder::writeLiteralLengths(const std::uint8_t* lengths,
                                        const std::uint8_t* treeLengths,
                                        const std::uint16_t* treeCodes) {
    const int n = trimmedCount(lengths, kLiteralLengthCodes);
    out_.put(kLiteralCountBits, n);
    forEachLengthSymbol(lengths, n, [&](int symbol, unsigned extraBits, unsigned extra) {
        out_.put(treeLengths[symbol], treeCodes[symbol]);
        out_.put(extraBits, extra);
    });
}

void LzhBlockCoder::writeBlock() {
    if (codes_.empty()) return;

    std::uint8_t literalLengths[kLiteralLengthCodes];
    std::uint16_t literalCodes[kLiteralLengthCodes];
    fullTreeLengths(literalFreq_, kLiteralLengthCodes, literalLengths);
    lzhCanonicalCodes(literalLengths, kLiteralLengthCodes, literalCodes);

    std::uint32_t treeFreq[kTreeCodes] = {};
    forEachLengthSymbol(literalLengths, trimmedCount(literalLengths, kLiteralLengthCodes),
                        [&](int symbol, unsigned, unsigned) { ++treeFreq[symbol]; });
    std::uint8_t treeLengths[kTreeCodes];
    std::uint16_t treeCodes[kTreeCodes];
    fullTreeLengths(treeFreq, kTreeCodes, treeLengths);
    lzhCanonicalCodes(treeLengths, kTreeCodes, treeCodes);

    out_.put(16, static_cast<std::uint32_t>(codes_.size()));
    writeTreeLengths(treeLengths, kTreeCodes, kTreeCountBits, 3);
    writeLiteralLengths(literalLengths, treeLengths, treeCodes);

    // The position tree keeps the one-symbol form (every decoder takes it there), which makes
    // long runs cheap; a block without matches sends it with symbol 0.
    std::uint8_t positionLengths[18];
    std::uint16_t positionCodes[18];
    if (lzhCodeLengths(positionFreq_, positionCodes_, kLzhMaxCodeBits, positionLengths) >= 2) {
        writeTreeLengths(positionLengths, positionCodes_, positionBits_, -1);
    } else {
        out_.put(positionBits_, 0);
        out_.put(positionBits_, onlyUsedSymbol(positionFreq_, positionCodes_));
    }
    lzhCanonicalCodes(positionLengths, positionCodes_, positionCodes);

    std::size_t nextOffset = 0;
    for (std::uint16_t code : codes_) {
        out_.put(literalLengths[code], literalCodes[code]);
        if (code < 256) continue;
        const std::uint32_t offset = offsets_[nextOffset++];
        const int pc = positionCode(offset);
        out_.put(positionLengths[pc], positionCodes[pc]);
        if (pc > 1) out_.put(pc - 1, offset);  // the bits below the leading one
    }

    codes_.clear();
    offsets_.clear();
    std::fill(std::begin(literalFreq_), std::end(literalFreq_), 0);
    std::fill(std::begin(positionFreq_), std::end(positionFreq_), 0);
}

}  // namespace romshelf::archive
