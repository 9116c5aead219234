#include "core/rename/ContentHash.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"
#include "core/platform/LibCrypto.h"

namespace romshelf {

namespace {

// Enough of a file's start to see every header's magic (the Atari 7800's ends at byte 10).
constexpr std::size_t kHeadBytes = 128;

}  // namespace

// The project's CRC-32 and SHA-1, and an MD5 beside them when the DAT asks for one.
struct DatHasher::Sums {
    ContentHasher crcAndSha1;
    EVP_MD_CTX* md5 = nullptr;
    // Loaded with the first MD5 asked for; null when there is none.
    const LibCrypto* crypto = nullptr;
    explicit Sums(DatSumKinds kinds)
        : crcAndSha1(kinds.sha1 ? SumKinds::Crc32AndSha1 : SumKinds::Crc32) {
        if (!kinds.md5 || (crypto = libCrypto()) == nullptr) return;
        md5 = crypto->EVP_MD_CTX_new();
        if (md5 && crypto->EVP_DigestInit_ex(md5, crypto->EVP_md5(), nullptr) != 1) {
            crypto->EVP_MD_CTX_free(md5);
            md5 = nullptr;
        }
    }
    ~Sums() {
        if (md5) crypto->EVP_MD_CTX_free(md5);
    }
    Sums(const Sums&) = delete;
    Sums& operator=(const Sums&) = delete;
    void add(std::string_view bytes) {
        crcAndSha1.update(bytes.data(), bytes.size());
        if (md5) crypto->EVP_DigestUpdate(md5, bytes.data(), bytes.size());
    }
    std::string md5Hex() {
        std::array<std::uint8_t, EVP_MAX_MD_SIZE> d{};
        unsigned int n = 0;
        if (!md5 || crypto->EVP_DigestFinal_ex(md5, d.data(), &n) != 1) return {};
        static constexpr char kHex[] = "0123456789abcdef";
        std::string out;
        for (unsigned int i = 0; i < n; ++i) out += {kHex[d[i] >> 4], kHex[d[i] & 0x0F]};
        return out;
    }
    DatSums finish() {
        const ContentSums sums = crcAndSha1.finish();
        return {sums.size, sums.crc32, sums.sha1, md5Hex()};
    }
};

DatHasher::DatHasher(std::uint64_t size, DatSumKinds kinds)
    : declared_(size), kinds_(kinds), whole_(std::make_unique<Sums>(kinds)) {}

DatHasher::~DatHasher() = default;

void DatHasher::add(const void* data, std::size_t size) {
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

void DatHasher::feed(std::string_view bytes) {
    if (!rest_) return;
    const std::size_t skipped = std::min(skip_, bytes.size());
    skip_ -= skipped;
    bytes.remove_prefix(skipped);
    if (!bytes.empty()) rest_->add(bytes);
}

ContentIdentity DatHasher::finish() {
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

std::optional<ContentIdentity> fileContentIdentity(const std::string& path, DatSumKinds kinds,
                                                   fs::OpenedFile* opened) {
    fs::OpenedFile file;
    const int fd = fs::openRegularFile(path, &file);
    if (fd < 0) return std::nullopt;
    if (opened) *opened = file;
    DatHasher hasher(file.size, kinds);
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
