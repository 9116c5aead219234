#include "core/launch/TempCleaner.h"

#include <climits>
#include <cstdlib>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// The path with its links and dots resolved, ending in '/'; empty when it does not exist.
std::string canonicalFolder(const std::string& path) {
    if (path.empty()) return {};
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return {};
    return fs::asFolder(resolved);
}

}  // namespace

bool keptInTemp(const std::string& name) {
    const std::string ext = ascii::upper(fs::pathExtension(name));
    return ext == ".SAV" || ext == ".SRM" || ext == ".RAM" || ext == ".INI";
}

std::vector<std::string> resolvedFolders(const std::vector<std::string>& kept) {
    std::vector<std::string> resolved;
    for (const std::string& k : kept)
        if (std::string c = canonicalFolder(k); !c.empty()) resolved.push_back(std::move(c));
    return resolved;
}

bool holdsKeptFolder(const std::string& temp, const std::vector<std::string>& resolvedKept) {
    const std::string t = canonicalFolder(temp);
    if (t.empty()) return false;  // nothing there to remove
    for (const std::string& k : resolvedKept)
        if (k.compare(0, t.size(), t) == 0) return true;
    return false;
}

int cleanTempFolder(const std::string& folder) {
    int removed = 0;
    for (const fs::DirEntry& entry : fs::listDirectory(folder)) {
        if (entry.isDirectory || keptInTemp(entry.name)) continue;
        // Read-only files go too: only the folder's permission counts for a removal.
        if (fs::removeFile(fs::joinPath(folder, entry.name))) ++removed;
    }
    return removed;
}

}  // namespace romshelf
