#include "core/settings/ProgramFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "core/platform/FileSystem.h"

namespace romshelf {

ProgramFolder::ProgramFolder(std::string path) : path_(std::move(path)) {
    if (path_.empty() || path_.back() != '/') path_ += '/';
    cache_ = path_ == userDataFolder() ? userCacheFolder() : path_ + "cache/";
}

std::string ProgramFolder::executableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size())
            return fs::pathFolder(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// $`variable`/romshelf-plus/ when it is an absolute path, else ~/`underHome`/romshelf-plus/.
std::string xdgFolder(const char* variable, const char* underHome) {
    std::string base;
    if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::joinPath(home, underHome);
    } else {
        base = "/tmp";
    }
    return fs::joinPath(base, "romshelf-plus/");
}

}  // namespace

std::string ProgramFolder::userDataFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share"); }

std::string ProgramFolder::userCacheFolder() { return xdgFolder("XDG_CACHE_HOME", ".cache"); }

bool ProgramFolder::isInstalledCopy(const std::string& executableFolder) {
    std::string bin = executableFolder;
    while (bin.size() > 1 && bin.back() == '/') bin.pop_back();
    if (fs::pathName(bin) != "bin" && fs::pathName(bin) != "games") return false;
    const std::string metainfo = "share/metainfo/" + std::string(kInstalledId) + ".metainfo.xml";
    return fs::pathExists(fs::joinPath(fs::pathFolder(bin), metainfo));
}

ProgramFolder ProgramFolder::locate() { return locateFor(executableFolder()); }

ProgramFolder ProgramFolder::locateFor(const std::string& exe) {
    // An installed copy keeps its data with the user even where its folder is writable (run by
    // root, or installed under the user's own prefix): /usr/bin is no place for a catalogue.
    if (!exe.empty() && fs::isWritableDirectory(exe) && !isInstalledCopy(exe))
        return ProgramFolder(exe);
    std::string user = userDataFolder();
    // Create the chain of folders up to it (~/.local/share may not exist yet).
    fs::createDirectories(user);
    return ProgramFolder(user);
}

std::string ProgramFolder::pathWithoutSlash() const {
    std::string p = path_;
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string ProgramFolder::dataFile(std::string_view name) const {
    return dataFolder() + std::string(name);
}

std::string ProgramFolder::perHardwareFile(std::string_view prefix, std::string_view code,
                                           std::string_view suffix) const {
    std::string name(prefix);
    name += code;
    name += suffix;
    return dataFile(name);
}

bool ProgramFolder::createSubfolders() const {
    bool ok = true;
    for (const auto& folder : {dataFolder(), tempFolder(), frameFolder(), pluginFolder()})
        ok = fs::createDirectory(folder) && ok;
    return ok;
}

}  // namespace romshelf
