#include "core/archive/ArchiveReadBack.h"

#include "core/archive/ArchiveMembers.h"
#include "core/platform/Checksums.h"

namespace romshelf::archive {

namespace {

void add(ByteSum& sum, const void* data, std::size_t size) {
    sum.crc = crc32Update(sum.crc, data, size);
    sum.size += size;
}

}  // namespace

std::optional<ByteSum> fileSum(const std::string& path) {
    const auto sums = fileSums(path, SumKinds::Crc32);
    if (!sums) return std::nullopt;
    return ByteSum{sums->size, sums->crc32};
}

std::optional<ByteSum> memberSum(const std::string& archivePath, const std::string& name) {
    std::optional<ByteSum> found;
    ByteSum sum;
    const bool read = readMembers(
        archivePath,
        [&](const std::string& member, std::uint64_t) {
            sum = {};
            return member == name;
        },
        [&](const void* data, std::size_t size) { add(sum, data, size); }, [&] { found = sum; });
    if (!read) return std::nullopt;
    return found;
}

}  // namespace romshelf::archive
