#pragma once

#include <cstdint>
#include <vector>

namespace romshelf::archive {

// Collects bits most significant first, the order LZH decoders read them in.
class LzhBitWriter {
public:
    // Appends the low `bits` bits of value (bits <= 32).
    void put(unsigned bits, std::uint32_t value) {
        if (bits == 0) return;
        acc_ = (acc_ << bits) | (value & (0xFFFFFFFFu >> (32 - bits)));
        pending_ += bits;
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(static_cast<std::uint8_t>(acc_ >> pending_));
        }
    }

    // Pads the last byte with zero bits.
    void padToByte() {
        if (pending_ != 0) put(8 - pending_, 0);
    }

    // The whole bytes written so far; the caller may take and clear them.
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::uint64_t acc_ = 0;
    unsigned pending_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace romshelf::archive
