#include "core/rename/FileSha1.h"

#include "core/platform/Checksums.h"

namespace romshelf {

std::optional<std::string> fileSha1(const std::string& path) {
    auto sums = fileSums(path, SumKinds::Sha1);
    if (!sums || sums->sha1.empty()) return std::nullopt;
    return std::move(sums->sha1);
}

}  // namespace romshelf
