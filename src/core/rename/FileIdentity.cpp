#include "core/rename/FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::size_t kProbeLength = 32;
constexpr std::array<std::size_t, 3> kProbeOffsets = {0, 256, 512};
constexpr std::size_t kPrefixLength = 512 + kProbeLength;

std::int32_t probeSum(const unsigned char* prefix, std::size_t have, std::size_t offset) {
    int sum = 0;
    for (std::size_t i = offset; i < offset + kProbeLength && i < have; ++i)
        sum += static_cast<signed char>(prefix[i]);
    return std::abs(sum);
}

// The identity; `whole` tells whether every byte of a regular file was read.
FileIdentity identityOf(const std::string& path, bool& whole) {
    whole = false;
    FileIdentity id;
    // Opened first and measured through the descriptor: one path lookup less per file.
    const int fd = fs::openRegularFile(path);
    struct stat st {};
    if (fd < 0 ? ::stat(path.c_str(), &st) != 0 : ::fstat(fd, &st) != 0) st.st_mode = 0;
    if (!S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        return id;
    }
    id.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(st.st_size));
    const bool probes = st.st_size > kProbeMinimumSize;
    if (fd < 0) {
        if (probes) id.sum1 = id.sum2 = id.sum3 = -1;
        return id;
    }
    std::array<unsigned char, kPrefixLength> prefix{};
    ContentHasher hasher(SumKinds::Crc32);
    const bool read = hashDescriptor(fd, hasher, prefix.data(), prefix.size());
    ::close(fd);
    const auto prefixHave =
        static_cast<std::size_t>(std::min<std::uint64_t>(hasher.size(), kPrefixLength));
    // A file that stops answering halfway has no CRC worth matching on.
    id.crc = read ? static_cast<std::int32_t>(hasher.finish().crc32) : 0;
    whole = read;
    if (probes) {
        id.sum1 = probeSum(prefix.data(), prefixHave, kProbeOffsets[0]);
        id.sum2 = probeSum(prefix.data(), prefixHave, kProbeOffsets[1]);
        id.sum3 = probeSum(prefix.data(), prefixHave, kProbeOffsets[2]);
    }
    return id;
}

}  // namespace

FileIdentity fileIdentity(const std::string& path) {
    bool whole = false;
    return identityOf(path, whole);
}

std::optional<FileIdentity> readFileIdentity(const std::string& path) {
    bool whole = false;
    FileIdentity id = identityOf(path, whole);
    if (!whole) return std::nullopt;
    return id;
}

}  // namespace romshelf
