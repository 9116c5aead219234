#include "core/settings/PathRules.h"

#include <algorithm>
#include <vector>

#include "core/settings/DriveMap.h"

namespace romshelf::paths {

namespace {

std::string slashes(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string withTrailingSlash(std::string path) {
    path += '/';
    if (path.size() >= 2 && path[path.size() - 2] == '/') path.pop_back();
    return path;
}

std::string joinToProgramFolder(std::string_view relative, std::string_view programFolder) {
    std::string base(programFolder);
    if (base.empty() || base.back() != '/') base += '/';
    return base + slashes(relative);
}

}  // namespace

bool isRelative(std::string_view path) {
    return path.find("..") != std::string_view::npos || path.substr(0, 2) == ".\\" ||
           path.substr(0, 2) == "./";
}

std::string canonicalise(std::string_view path) {
    if (path.empty()) return {};
    const bool absolute = path.front() == '/';
    const bool trailing = path.back() == '/';
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);  // above a relative start: keep it
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '/';
        out += parts[i];
    }
    if (trailing && !out.empty() && out.back() != '/') out += '/';
    if (out.empty()) out = absolute ? "/" : ".";
    return out;
}

namespace {

// A stored path that names no root ("roms/", "roms\fc\") is relative too: to the program
// folder, as the program's own current folder, never to the folder a command happens to run in.
// A Windows drive path ("C:\…") cannot be resolved here and stays as stored.
bool resolvesAgainstProgramFolder(std::string_view path) {
    if (isRelative(path)) return true;
    return path.front() != '/' && !(path.size() >= 2 && path[1] == ':');
}

}  // namespace

std::string resolveFolderPath(std::string_view path, std::string_view programFolder,
                              const DriveMap* drives) {
    if (path.empty()) return {};
    if (isWindowsPath(path)) {
        if (auto mapped = drives ? drives->toLinux(path) : std::nullopt)
            return withTrailingSlash(std::move(*mapped));
        // Unmapped, it leads nowhere here and is told as it is stored.
        return std::string(path);
    }
    if (resolvesAgainstProgramFolder(path))
        return withTrailingSlash(canonicalise(joinToProgramFolder(path, programFolder)));
    return withTrailingSlash(std::string(path));
}

std::string resolveFilePath(std::string_view path, std::string_view programFolder,
                            const DriveMap* drives) {
    if (isWindowsPath(path)) {
        if (auto mapped = drives ? drives->toLinux(path) : std::nullopt) return std::move(*mapped);
        return std::string(path);
    }
    if (path.empty() || !resolvesAgainstProgramFolder(path)) return std::string(path);
    return canonicalise(joinToProgramFolder(path, programFolder));
}

std::string storedForm(std::string_view path, const DriveMap* drives) {
    if (drives)
        if (auto windows = drives->toWindows(path)) return std::move(*windows);
    return std::string(path);
}

std::string makeRelative(std::string_view path, std::string_view programFolder) {
    if (path.empty() || isRelative(path) || path.front() != '/') return std::string(path);
    const bool trailing = path.back() == '/';
    std::string target = canonicalise(path);
    std::string base = canonicalise(programFolder);
    auto split = [](const std::string& p) {
        std::vector<std::string> parts;
        std::size_t start = 1;
        while (start < p.size()) {
            std::size_t end = p.find('/', start);
            if (end == std::string::npos) end = p.size();
            if (end > start) parts.push_back(p.substr(start, end - start));
            start = end + 1;
        }
        return parts;
    };
    const auto from = split(base);
    const auto to = split(target);
    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;
    std::string out;
    if (common == from.size()) out = ".";
    for (std::size_t i = common; i < from.size(); ++i) out += out.empty() ? ".." : "/..";
    for (std::size_t i = common; i < to.size(); ++i) (out += '/') += to[i];
    if (trailing) out += '/';
    return out;
}

std::string makeAbsolute(std::string_view path, std::string_view programFolder) {
    if (path.empty() || !isRelative(path)) return std::string(path);
    return canonicalise(joinToProgramFolder(path, programFolder));
}

std::string lastComponentTitle(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

}  // namespace romshelf::paths
