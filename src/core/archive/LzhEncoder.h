#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/archive/LzhBitWriter.h"
#include "core/archive/LzhBlockCoder.h"
#include "core/archive/LzhWriter.h"

namespace romshelf::archive {

// The member method id of each compression method, e.g. "-lh5-".
std::string_view lzhMethodId(LzhMethod method);

// Streaming LZSS + static Huffman compressor producing the data of an -lh5-, -lh6- or -lh7-
// member. Matches are found with hash chains over the method's sliding dictionary (8, 32 or
// 64 KiB); the chain walk is bounded so that speed does not depend on the data.
class LzhEncoder {
public:
    // Receives compressed bytes as they are produced. Returning false stops the encoder: every
    // later call then returns false (used to give up once the output outgrows the input).
    using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    LzhEncoder(LzhMethod method, Sink sink);
    LzhEncoder(const LzhEncoder&) = delete;
    LzhEncoder& operator=(const LzhEncoder&) = delete;

    bool write(const void* data, std::size_t size);
    // Compresses what is left and hands out the last bytes. Call once.
    bool finish();

    std::uint64_t compressedSize() const { return compressed_; }

    // Largest input one encoder accepts (positions are kept in 32 bits).
    static constexpr std::uint64_t kMaxInput = 0xFFFF0000u;

private:
    struct Match {
        unsigned length = 0;
        unsigned distance = 0;
    };

    void compress(bool final);
    Match findMatch(std::uint64_t pos, unsigned chainLimit) const;
    void insertUpTo(std::uint64_t end);
    void slideWindow();
    bool drain();
    const std::uint8_t* at(std::uint64_t pos) const {
        return window_.data() + (pos - windowStart_);
    }
    std::uint64_t windowEnd() const { return windowStart_ + windowLen_; }

    const unsigned dictionarySize_;
    const unsigned maxDistance_;
    Sink sink_;
    LzhBitWriter bits_;
    LzhBlockCoder coder_;

    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;  // stream position of window_[0]
    std::size_t windowLen_ = 0;
    std::uint64_t pos_ = 0;            // next byte to code
    std::uint64_t insertedUpTo_ = 0;   // positions below this are in the hash chains
    std::vector<std::uint32_t> head_;  // per hash: newest position + 1 (0 = none)
    std::vector<std::uint32_t> prev_;  // per position modulo the dictionary: older position + 1

    bool pendingValid_ = false;  // a match already searched at pos_ (lazy evaluation)
    Match pending_;

    bool failed_ = false;
    bool finished_ = false;
    std::uint64_t compressed_ = 0;
};

// Compresses a whole buffer; for tests and benchmarks.
std::vector<std::uint8_t> lzhCompress(std::string_view data, LzhMethod method);

}  // namespace romshelf::archive
