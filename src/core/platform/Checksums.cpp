#include "core/platform/Checksums.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "core/platform/FileSystem.h"

#ifdef ROMSHELF_HAVE_ISAL
#include <isa-l/crc.h>
#endif

namespace romshelf {

namespace {

// A read this large keeps the system calls few (most ROM files take one or two); smaller ones
// measured no faster from the page cache.
constexpr std::size_t kReadSize = std::size_t{1} << 20;

const EVP_MD* sha1Method() {
    // Fetched once: an implicit fetch at every file would look the method up each time.
    static EVP_MD* const method = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return method;
}

EVP_MD_CTX* newSha1() {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (ctx != nullptr && EVP_DigestInit_ex(ctx, sha1Method(), nullptr) != 1) {
        EVP_MD_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

}  // namespace

namespace detail {

std::uint32_t zlibCrc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    // zlib takes at most 4 GiB a call.
    const auto* bytes = static_cast<const Bytef*>(data);
    uLong value = crc;
    while (size > 0) {
        const std::size_t part = std::min<std::size_t>(size, std::size_t{1} << 30);
        value = ::crc32(value, bytes, static_cast<uInt>(part));
        bytes += part;
        size -= part;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace detail

std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    if (size == 0) return crc;
#ifdef ROMSHELF_HAVE_ISAL
    return ::crc32_gzip_refl(crc, static_cast<const unsigned char*>(data), size);
#else
    return detail::zlibCrc32Update(crc, data, size);
#endif
}

ContentHasher::ContentHasher(SumKinds kinds) : crc32_(kinds != SumKinds::Sha1) {
    if (kinds != SumKinds::Crc32) sha1_ = newSha1();
}

ContentHasher::~ContentHasher() { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(sha1_)); }

ContentHasher::ContentHasher(ContentHasher&& other) noexcept
    : sha1_(std::exchange(other.sha1_, nullptr)),
      size_(other.size_),
      crc_(other.crc_),
      crc32_(other.crc32_) {}

ContentHasher& ContentHasher::operator=(ContentHasher&& other) noexcept {
    if (this != &other) {
        EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(sha1_));
        sha1_ = std::exchange(other.sha1_, nullptr);
        size_ = other.size_;
        crc_ = other.crc_;
        crc32_ = other.crc32_;
    }
    return *this;
}

void ContentHasher::update(const void* data, std::size_t size) {
    size_ += size;
    if (crc32_) crc_ = crc32Update(crc_, data, size);
    if (sha1_ != nullptr) EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(sha1_), data, size);
}

ContentSums ContentHasher::finish() {
    ContentSums sums;
    sums.size = size_;
    sums.crc32 = crc_;
    if (auto* ctx = static_cast<EVP_MD_CTX*>(sha1_)) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(ctx, digest, &length) == 1) {
            static constexpr char kHex[] = "0123456789abcdef";
            sums.sha1.reserve(length * 2);
            for (unsigned int i = 0; i < length; ++i) {
                sums.sha1 += kHex[digest[i] >> 4];
                sums.sha1 += kHex[digest[i] & 0x0F];
            }
        }
        EVP_DigestInit_ex(ctx, sha1Method(), nullptr);
    }
    size_ = 0;
    crc_ = 0;
    return sums;
}

bool hashDescriptor(int fd, ContentHasher& hasher, unsigned char* head, std::size_t headSize) {
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    // One buffer per thread: a fresh megabyte per file would cost more page faults than small
    // files take to hash.
    thread_local std::vector<unsigned char> buffer(kReadSize);
    std::size_t headHave = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        const auto got = static_cast<std::size_t>(n);
        if (headHave < headSize) {
            const std::size_t copy = std::min(got, headSize - headHave);
            std::memcpy(head + headHave, buffer.data(), copy);
            headHave += copy;
        }
        hasher.update(buffer.data(), got);
    }
}

std::optional<ContentSums> fileSums(const std::string& path, SumKinds kinds) {
    const int fd = fs::openRegularFile(path);
    if (fd < 0) return std::nullopt;
    ContentHasher hasher(kinds);
    const bool read = hashDescriptor(fd, hasher);
    ::close(fd);
    if (!read) return std::nullopt;
    return hasher.finish();
}

}  // namespace romshelf
