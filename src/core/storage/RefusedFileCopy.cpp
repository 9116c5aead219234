#include "core/storage/RefusedFileCopy.h"

#include <ctime>

#include "core/platform/FileSystem.h"
#include "core/storage/TimeStamp.h"
#include "core/platform/LocalTime.h"

namespace romshelf {

namespace {

// "<folder><name>.broken-YYYYmmdd-HHMMSS" for the local time now.
std::string brokenName(const std::string& path) {
    return fs::pathFolder(path) + fs::pathName(path) + ".broken-" + localTimeStamp();
}

constexpr const char* kCompanions[] = {"-journal", "-wal", "-shm"};

}  // namespace

std::string localTimeStamp() { return localTimeText("%Y%m%d-%H%M%S"); }

std::string keepRefusedCopy(const std::string& path, std::string_view bytes) {
    const std::string folder = fs::pathFolder(path);
    const std::string prefix = fs::pathName(path) + ".broken-";
    for (const fs::DirEntry& entry : fs::listDirectory(folder.empty() ? "./" : folder)) {
        if (entry.isDirectory || entry.name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string earlier = folder + entry.name;
        if (auto kept = fs::readFile(earlier); kept && *kept == bytes) return earlier;
    }
    const std::string base = brokenName(path);
    std::string copy = base;
    for (int n = 2; fs::pathExists(copy) && n < 1000; ++n) copy = base + "-" + std::to_string(n);
    if (fs::pathExists(copy) || !fs::writeFileAtomically(copy, bytes)) return {};
    return copy;
}

std::string moveRefusedFileAside(const std::string& path) {
    const std::string base = brokenName(path);
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        // A name whose companions are taken would pair the file with another's journal.
        bool taken = false;
        for (const char* companion : kCompanions)
            taken = taken || fs::pathExists(aside + companion);
        if (taken) continue;
        switch (fs::moveFileNoReplace(path, aside)) {
            case fs::MoveResult::Moved:
                // A journal left beside a new file of the old name would be played into it.
                for (const char* companion : kCompanions)
                    if (fs::fileExists(path + companion))
                        fs::moveFileNoReplace(path + companion, aside + companion);
                return aside;
            case fs::MoveResult::TargetExists:
                continue;
            case fs::MoveResult::Failed:
                return {};
        }
    }
    return {};
}

}  // namespace romshelf
