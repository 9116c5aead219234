#include "core/storage/RefusedFileCopy.h"

#include <ctime>

#include "core/platform/FileSystem.h"

namespace romshelf {

std::string keepRefusedCopy(const std::string& path, std::string_view bytes) {
    const std::string folder = fs::pathFolder(path);
    const std::string prefix = fs::pathName(path) + ".broken-";
    for (const fs::DirEntry& entry : fs::listDirectory(folder.empty() ? "./" : folder)) {
        if (entry.isDirectory || entry.name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string earlier = folder + entry.name;
        if (auto kept = fs::readFile(earlier); kept && *kept == bytes) return earlier;
    }
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string copy = folder + prefix + stamp;
    for (int n = 2; fs::pathExists(copy) && n < 1000; ++n)
        copy = folder + prefix + stamp + "-" + std::to_string(n);
    if (fs::pathExists(copy) || !fs::writeFileAtomically(copy, bytes)) return {};
    return copy;
}

}  // namespace romshelf
