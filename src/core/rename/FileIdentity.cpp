#include "core/rename/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::size_t kReadSize = 1 << 20;
constexpr std::size_t kProbeLength = 32;
constexpr std::array<std::size_t, 3> kProbeOffsets = {0, 256, 512};
constexpr std::size_t kPrefixLength = 512 + kProbeLength;

std::int32_t probeSum(const unsigned char* prefix, std::size_t have, std::size_t offset) {
    int sum = 0;
    for (std::size_t i = offset; i < offset + kProbeLength && i < have; ++i)
        sum += static_cast<signed char>(prefix[i]);
    return std::abs(sum);
}

}  // namespace

FileIdentity fileIdentity(const std::string& path) {
    FileIdentity id;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return id;
    id.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(st.st_size));
    const bool probes = st.st_size > kProbeMinimumSize;

    const int fd = fs::openRegularFile(path);
    if (fd < 0) {
        if (probes) id.sum1 = id.sum2 = id.sum3 = -1;
        return id;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    // One buffer per thread: a fresh megabyte per file would cost more page faults than small
    // files take to hash.
    thread_local std::vector<unsigned char> buffer(kReadSize);
    std::array<unsigned char, kPrefixLength> prefix{};
    std::size_t prefixHave = 0;
    uLong crc = ::crc32(0L, Z_NULL, 0);
    bool readFailed = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            readFailed = true;
            break;
        }
        if (n == 0) break;
        const auto got = static_cast<std::size_t>(n);
        for (std::size_t i = 0; prefixHave < kPrefixLength && i < got; ++i)
            prefix[prefixHave++] = buffer[i];
        crc = ::crc32(crc, buffer.data(), static_cast<uInt>(got));
    }
    ::close(fd);
    // A file that stops answering halfway has no CRC worth matching on.
    id.crc = readFailed ? 0 : static_cast<std::int32_t>(static_cast<std::uint32_t>(crc));
    if (probes) {
        id.sum1 = probeSum(prefix.data(), prefixHave, kProbeOffsets[0]);
        id.sum2 = probeSum(prefix.data(), prefixHave, kProbeOffsets[1]);
        id.sum3 = probeSum(prefix.data(), prefixHave, kProbeOffsets[2]);
    }
    return id;
}

}  // namespace romshelf
