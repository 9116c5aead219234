#include "core/rename/FileSha1.h"

#include <nettle/sha1.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

#include "core/platform/FileSystem.h"

namespace romshelf {

std::optional<std::string> fileSha1(const std::string& path) {
    const int fd = fs::openRegularFile(path);
    if (fd < 0) return std::nullopt;
    // Large reads: a DAT match may hash disc images of hundreds of megabytes.
    thread_local std::vector<unsigned char> buffer(std::size_t{1} << 20);
    sha1_ctx ctx;
    sha1_init(&ctx);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        sha1_update(&ctx, static_cast<std::size_t>(n), buffer.data());
    }
    ::close(fd);
    std::array<std::uint8_t, SHA1_DIGEST_SIZE> digest{};
    sha1_digest(&ctx, digest.size(), digest.data());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const std::uint8_t b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}

}  // namespace romshelf
