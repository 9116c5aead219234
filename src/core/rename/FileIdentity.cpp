#include "core/rename/FileIdentity.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/platform/Checksums.h"

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

// The identity; `read` tells how reading the file went.
FileIdentity identityOf(const std::string& path, FileRead& read) {
    FileIdentity id;
    std::array<unsigned char, kPrefixLength> prefix{};
    ContentHasher hasher(SumKinds::Crc32);
    // The size is the one the file had when it was opened (or looked at, when it could not be).
    fs::OpenedFile file;
    read = hashFile(path, hasher, &file, prefix.data(), prefix.size());
    if (read == FileRead::NotRegular) return id;
    id.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(file.size));
    const bool probes = file.size > static_cast<std::uint64_t>(kProbeMinimumSize);
    if (read == FileRead::Unopened) {
        if (probes) id.sum1 = id.sum2 = id.sum3 = -1;
        return id;
    }
    const auto prefixHave =
        static_cast<std::size_t>(std::min<std::uint64_t>(hasher.size(), kPrefixLength));
    // A file that stops answering halfway has no CRC worth matching on.
    id.crc = read == FileRead::Whole ? static_cast<std::int32_t>(hasher.finish().crc32) : 0;
    if (probes) {
        id.sum1 = probeSum(prefix.data(), prefixHave, kProbeOffsets[0]);
        id.sum2 = probeSum(prefix.data(), prefixHave, kProbeOffsets[1]);
        id.sum3 = probeSum(prefix.data(), prefixHave, kProbeOffsets[2]);
    }
    return id;
}

}  // namespace

FileIdentity fileIdentity(const std::string& path) {
    FileRead read = FileRead::NotRegular;
    return identityOf(path, read);
}

std::optional<FileIdentity> readFileIdentity(const std::string& path) {
    FileRead read = FileRead::NotRegular;
    FileIdentity id = identityOf(path, read);
    if (read != FileRead::Whole) return std::nullopt;
    return id;
}

std::optional<FileIdentity> regularFileIdentity(const std::string& path) {
    FileRead read = FileRead::NotRegular;
    FileIdentity id = identityOf(path, read);
    if (read == FileRead::NotRegular) return std::nullopt;
    return id;
}

}  // namespace romshelf
