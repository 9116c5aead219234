#include "core/rename/ContentHash.h"

#include <nettle/md5.h>
#include <nettle/sha1.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// Enough of a file's start to see every header's magic (the Atari 7800's ends at byte 10).
constexpr std::size_t kHeadBytes = 128;

template <std::size_t N>
std::string hex(const std::array<std::uint8_t, N>& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t b : digest) out += {kHex[b >> 4], kHex[b & 0x0F]};
    return out;
}

}  // namespace

struct ContentHasher::Sums {
    SumKinds kinds;
    std::uint64_t size = 0;
    uLong crc = ::crc32(0, nullptr, 0);
    sha1_ctx sha1;
    md5_ctx md5;
    explicit Sums(SumKinds k) : kinds(k) {
        sha1_init(&sha1);
        md5_init(&md5);
    }
    void add(std::string_view bytes) {
        size += bytes.size();
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
        for (std::size_t left = bytes.size(); left > 0;) {
            const std::size_t part = std::min<std::size_t>(left, 1u << 30);
            crc = ::crc32(crc, p, static_cast<uInt>(part));
            if (kinds.sha1) sha1_update(&sha1, part, p);
            if (kinds.md5) md5_update(&md5, part, p);
            p += part;
            left -= part;
        }
    }
    ContentSums finish() {
        std::array<std::uint8_t, SHA1_DIGEST_SIZE> s{};
        std::array<std::uint8_t, MD5_DIGEST_SIZE> m{};
        sha1_digest(&sha1, s.size(), s.data());
        md5_digest(&md5, m.size(), m.data());
        return {size, static_cast<std::uint32_t>(crc), kinds.sha1 ? hex(s) : std::string(),
                kinds.md5 ? hex(m) : std::string()};
    }
};

ContentHasher::ContentHasher(std::uint64_t size, SumKinds kinds)
    : declared_(size), kinds_(kinds), whole_(std::make_unique<Sums>(kinds)) {}

ContentHasher::~ContentHasher() = default;

void ContentHasher::add(const void* data, std::size_t size) {
    const std::string_view bytes(static_cast<const char*>(data), size);
    whole_->add(bytes);
    if (decided_) {
        feed(bytes);
        return;
    }
    // The header is decided once its magic could be seen.
    head_.append(bytes);
    if (head_.size() >= kHeadBytes) {
        decided_ = true;
        header_ = detectHeader(head_, declared_);
        skip_ = headerLength(header_);
        if (header_ != HeaderKind::None) rest_ = std::make_unique<Sums>(kinds_);
        std::string held = std::move(head_);
        head_.clear();
        feed(held);
    }
}

void ContentHasher::feed(std::string_view bytes) {
    if (!rest_) return;
    const std::size_t skipped = std::min(skip_, bytes.size());
    skip_ -= skipped;
    bytes.remove_prefix(skipped);
    if (!bytes.empty()) rest_->add(bytes);
}

ContentIdentity ContentHasher::finish() {
    if (!decided_) {
        // A short file: its whole start is known now.
        decided_ = true;
        header_ = detectHeader(head_, declared_ ? declared_ : head_.size());
        skip_ = headerLength(header_);
        if (header_ != HeaderKind::None) rest_ = std::make_unique<Sums>(kinds_);
        feed(head_);
    }
    ContentIdentity id;
    id.whole = whole_->finish();
    id.header = header_;
    if (rest_) id.withoutHeader = rest_->finish();
    return id;
}

std::optional<ContentIdentity> fileContentIdentity(const std::string& path, SumKinds kinds) {
    const auto size = fs::fileSize(path);
    const int fd = fs::openRegularFile(path);
    if (fd < 0 || !size) {
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    ContentHasher hasher(*size, kinds);
    thread_local std::vector<char> buffer(std::size_t{1} << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        hasher.add(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return hasher.finish();
}

}  // namespace romshelf
