#include "core/launch/TempCleaner.h"

#include <algorithm>
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
    // A folder named twice (the current hardware's are also in its stored file) is resolved once.
    std::vector<std::string> named = kept;
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    std::vector<std::string> resolved;
    for (const std::string& k : named)
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

std::vector<std::string> removableInTemp(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::DirEntry& entry : fs::listDirectory(folder))
        if (!entry.isDirectory && !keptInTemp(entry.name)) names.push_back(entry.name);
    return names;
}

int removeFromTemp(const std::string& folder, const std::vector<std::string>& names) {
    int removed = 0;
    // Read-only files go too: only the folder's permission counts for a removal.
    for (const std::string& name : names)
        if (fs::removeFile(fs::joinPath(folder, name))) ++removed;
    return removed;
}

}  // namespace romshelf
