#include "core/archive/LzhEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace romshelf::archive {

namespace {

constexpr unsigned kMinMatch = LzhBlockCoder::kMinMatch;
constexpr unsigned kMaxMatch = LzhBlockCoder::kMaxMatch;

constexpr unsigned kHashBits = 16;
// Input taken per refill, beyond the dictionary kept behind the current position.
constexpr std::size_t kChunk = std::size_t{1} << 17;

// Search effort. The chain walk stops after kMaxChain candidates; a match of at least
// kLazyLimit is taken at once, a shorter one only after checking that the next position does
// not start a longer one (with a shorter walk once the match is already good).
constexpr unsigned kMaxChain = 128;
constexpr unsigned kLazyLimit = 64;
constexpr unsigned kGoodLength = 32;

struct MethodParams {
    unsigned dictionaryBits;
    int positionCodes;
    int positionBits;
};

MethodParams paramsOf(LzhMethod method) {
    switch (method) {
        case LzhMethod::Lh5:
            return {13, 14, 4};
        case LzhMethod::Lh6:
            return {15, 16, 5};
        case LzhMethod::Lh7:
            break;
    }
    return {16, 17, 5};
}

inline std::uint32_t hash3(const std::uint8_t* p) {
    const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
}

inline unsigned matchLength(const std::uint8_t* a, const std::uint8_t* b, unsigned maxLen) {
    unsigned len = 0;
    while (len + 8 <= maxLen) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        const std::uint64_t diff = x ^ y;
        if (diff != 0) {
            if constexpr (std::endian::native == std::endian::little) {
                return len + static_cast<unsigned>(std::countr_zero(diff)) / 8;
            } else {
                return len + static_cast<unsigned>(std::countl_zero(diff)) / 8;
            }
        }
        len += 8;
    }
    while (len < maxLen && a[len] == b[len]) ++len;
    return len;
}

}  // namespace

std::string_view lzhMethodId(LzhMethod method) {
    switch (method) {
        case LzhMethod::Lh5:
            return "-lh5-";
        case LzhMethod::Lh6:
            return "-lh6-";
        case LzhMethod::Lh7:
            break;
    }
    return "-lh7-";
}

LzhEncoder::LzhEncoder(LzhMethod method, Sink sink)
    : dictionarySize_(1u << paramsOf(method).dictionaryBits),
      // One short of the dictionary: every decoder's history reaches that far.
      maxDistance_(dictionarySize_ - 1),
      sink_(std::move(sink)),
      coder_(paramsOf(method).positionCodes, paramsOf(method).positionBits, bits_),
      window_(dictionarySize_ + kChunk + kMaxMatch + 1),
      head_(std::size_t{1} << kHashBits, 0),
      prev_(dictionarySize_, 0) {}

bool LzhEncoder::write(const void* data, std::size_t size) {
    if (failed_ || finished_) return false;
    if (windowEnd() + size > kMaxInput) {
        failed_ = true;
        return false;
    }
    const auto* in = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        if (windowLen_ == window_.size()) slideWindow();
        const std::size_t n = std::min(size, window_.size() - windowLen_);
        std::memcpy(window_.data() + windowLen_, in, n);
        windowLen_ += n;
        in += n;
        size -= n;
        compress(false);
        if (!drain()) return false;
    }
    return true;
}

bool LzhEncoder::finish() {
    if (failed_ || finished_) return false;
    finished_ = true;
    compress(true);
    coder_.writeBlock();
    bits_.padToByte();
    return drain();
}

void LzhEncoder::slideWindow() {
    // Keep one dictionary of history behind the current position and the unread lookahead.
    const std::uint64_t keepFrom =
        std::max(windowStart_, pos_ - std::min<std::uint64_t>(pos_, dictionarySize_));
    const std::size_t drop = static_cast<std::size_t>(keepFrom - windowStart_);
    std::memmove(window_.data(), window_.data() + drop, windowLen_ - drop);
    windowLen_ -= drop;
    windowStart_ = keepFrom;
}

void LzhEncoder::insertUpTo(std::uint64_t end) {
    const std::uint64_t limit = windowEnd();
    const std::uint32_t mask = dictionarySize_ - 1;
    for (std::uint64_t p = insertedUpTo_; p < end; ++p) {
        if (p + kMinMatch > limit) break;  // too close to the end of the input to start a match
        const std::uint32_t h = hash3(at(p));
        prev_[p & mask] = head_[h];
        head_[h] = static_cast<std::uint32_t>(p + 1);
    }
    insertedUpTo_ = std::max(insertedUpTo_, end);
}

LzhEncoder::Match LzhEncoder::findMatch(std::uint64_t pos, unsigned chainLimit) const {
    Match best;
    const std::uint64_t avail = windowEnd() - pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<std::uint64_t>(kMaxMatch, avail));
    if (maxLen < kMinMatch) return best;
    const std::uint8_t* cur = at(pos);
    const std::uint32_t mask = dictionarySize_ - 1;
    std::uint32_t candidate = head_[hash3(cur)];
    while (candidate != 0 && chainLimit-- > 0) {
        const std::uint64_t p = candidate - 1;
        const std::uint64_t distance = pos - p;
        if (distance > maxDistance_) break;  // older entries are further still
        const std::uint8_t* c = at(p);
        if (c[best.length] == cur[best.length] && c[0] == cur[0] && c[1] == cur[1] &&
            c[2] == cur[2]) {
            const unsigned len = matchLength(c, cur, maxLen);
            if (len > best.length) {
                best.length = len;
                best.distance = static_cast<unsigned>(distance);
                if (len == maxLen) break;
            }
        }
        candidate = prev_[p & mask];
    }
    if (best.length < kMinMatch) best = {};
    return best;
}

void LzhEncoder::compress(bool final) {
    const std::uint64_t end = windowEnd();
    while (pos_ < end) {
        // Without the final flag, keep enough lookahead for a full match one byte further on.
        if (!final && end - pos_ <= kMaxMatch + 1) break;
        Match m;
        if (pendingValid_) {
            m = pending_;
            pendingValid_ = false;
        } else {
            m = findMatch(pos_, kMaxChain);
            insertUpTo(pos_ + 1);
        }
        if (m.length < kMinMatch) {
            coder_.literal(*at(pos_));
            ++pos_;
            continue;
        }
        if (m.length < kLazyLimit && pos_ + 1 < end) {
            const Match next =
                findMatch(pos_ + 1, m.length >= kGoodLength ? kMaxChain / 4 : kMaxChain);
            insertUpTo(pos_ + 2);
            if (next.length > m.length) {
                coder_.literal(*at(pos_));
                ++pos_;
                pending_ = next;
                pendingValid_ = true;
                continue;
            }
        }
        coder_.match(m.length, m.distance);
        insertUpTo(pos_ + m.length);
        pos_ += m.length;
    }
}

bool LzhEncoder::drain() {
    auto& bytes = bits_.bytes();
    if (bytes.empty()) return !failed_;
    if (!failed_ && !sink_(bytes.data(), bytes.size())) failed_ = true;
    compressed_ += bytes.size();
    bytes.clear();
    return !failed_;
}

std::vector<std::uint8_t> lzhCompress(std::string_view data, LzhMethod method) {
    std::vector<std::uint8_t> out;
    LzhEncoder encoder(method, [&out](const std::uint8_t* bytes, std::size_t size) {
        out.insert(out.end(), bytes, bytes + size);
        return true;
    });
    encoder.write(data.data(), data.size());
    encoder.finish();
    return out;
}

}  // namespace romshelf::archive
