#include "core/settings/DriveMap.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/settings/PathRules.h"

namespace romshelf {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isDrivePath(std::string_view p) {
    return p.size() >= 2 && isLetter(p[0]) && p[1] == ':' && (p.size() == 2 || isSeparator(p[2]));
}

std::vector<std::string_view> components(std::string_view p) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < p.size()) {
        std::size_t end = start;
        while (end < p.size() && !isSeparator(p[end])) ++end;
        if (end > start) parts.push_back(p.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool isUncPath(std::string_view p) {
    return p.size() > 2 && isSeparator(p[0]) && isSeparator(p[1]) && components(p).size() >= 2;
}

// The parts of a Windows path: for a drive, "D:" and what follows; for a share, the server, the
// share and what follows.
std::vector<std::string_view> windowsParts(std::string_view p) {
    if (isDrivePath(p)) {
        std::vector<std::string_view> parts = components(p.substr(2));
        parts.insert(parts.begin(), p.substr(0, 2));
        return parts;
    }
    return components(p);
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The name of `part` in `folder` as it is on disk: itself when it exists, else the one entry
// that differs from it in ASCII letter case only (the first in byte order when several do).
std::optional<std::string> nameOnDisk(const std::string& folder, std::string_view part) {
    if (fs::pathExists(folder + std::string(part))) return std::string(part);
    for (const fs::DirEntry& entry : fs::listDirectory(folder))
        if (ascii::equalsIgnoringCase(entry.name, part)) return entry.name;
    return std::nullopt;
}

std::string unescapeMountField(std::string_view field) {
    // The mount table writes blanks, tabs, newlines and backslashes as three octal digits.
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 +
                                         (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::string canonicalFolder(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    if (ec || !fs::directoryExists(real.string())) return {};
    return withSlash(real.string());
}

void addFound(std::vector<DriveMapping>& found, std::string root, std::string folder,
              DriveSource source) {
    if (root.empty() || folder.empty()) return;
    for (const DriveMapping& m : found)
        if (ascii::equalsIgnoringCase(m.root, root)) return;
    found.push_back({std::move(root), std::move(folder), source});
}

}  // namespace

bool isWindowsPath(std::string_view path) { return isDrivePath(path) || isUncPath(path); }

std::string windowsRootOf(std::string_view path) {
    if (isDrivePath(path)) return std::string(1, ascii::upper(path[0])) + ":";
    if (!isUncPath(path)) return {};
    const auto parts = components(path);
    return "\\\\" + std::string(parts[0]) + "\\" + std::string(parts[1]);
}

std::string normalisedWindowsRoot(std::string_view text) {
    text = ascii::trimmed(text);
    if (isDrivePath(text) && components(text.substr(2)).empty())
        return std::string(1, ascii::upper(text[0])) + ":";
    if (!isUncPath(text)) return {};
    std::string root = "\\";
    for (std::string_view part : components(text)) (root += "\\") += part;
    return root;
}

DriveMap::DriveMap(std::vector<DriveMapping> user, std::vector<DriveMapping> found) {
    for (DriveMapping& m : user) {
        m.source = DriveSource::User;
        m.folder = withSlash(m.folder);
        if (!find(m.root)) mappings_.push_back(std::move(m));
    }
    for (DriveMapping& m : found) {
        m.folder = withSlash(m.folder);
        if (!find(m.root)) mappings_.push_back(std::move(m));
    }
}

const DriveMapping* DriveMap::find(std::string_view root) const {
    const std::string wanted = normalisedWindowsRoot(root);
    for (const DriveMapping& m : mappings_)
        if (!wanted.empty() && ascii::equalsIgnoringCase(m.root, wanted)) return &m;
    return nullptr;
}

std::optional<std::string> DriveMap::toLinux(std::string_view windowsPath) const {
    if (!isWindowsPath(windowsPath)) return std::nullopt;
    const auto parts = windowsParts(windowsPath);
    // The mapping covering the most parts of the path: a share's sub-folder mapped apart wins.
    const DriveMapping* best = nullptr;
    std::size_t covered = 0;
    for (const DriveMapping& m : mappings_) {
        const auto rootParts = windowsParts(m.root);
        if (rootParts.size() > parts.size() || rootParts.size() <= covered) continue;
        const bool drive = isDrivePath(m.root);
        if (drive != isDrivePath(windowsPath)) continue;
        bool match = true;
        for (std::size_t i = 0; i < rootParts.size() && match; ++i)
            match = ascii::equalsIgnoringCase(rootParts[i], parts[i]);
        if (match) best = &m, covered = rootParts.size();
    }
    if (!best) return std::nullopt;

    // As on Windows, ".." at the drive's root stays there: a stored path never leads above
    // the mapped folder.
    std::vector<std::string> below;
    for (std::size_t i = covered; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (part == ".") continue;
        if (part == "..") {
            if (!below.empty()) below.pop_back();
            continue;
        }
        std::string folder = best->folder;
        for (const std::string& b : below) folder += b + "/";
        // A part not on disk is kept as written, and so is everything below it.
        std::optional<std::string> name =
            fs::directoryExists(folder) ? nameOnDisk(folder, part) : std::nullopt;
        below.push_back(name ? *name : std::string(part));
    }
    std::string out = best->folder;
    for (std::size_t i = 0; i < below.size(); ++i) {
        out += below[i];
        if (i + 1 < below.size() || isSeparator(windowsPath.back())) out += '/';
    }
    return out;
}

std::optional<std::string> DriveMap::toWindows(std::string_view linuxPath) const {
    if (linuxPath.empty() || linuxPath.front() != '/') return std::nullopt;
    const std::string path(linuxPath);
    const DriveMapping* best = nullptr;
    for (const DriveMapping& m : mappings_) {
        if (m.folder == "/") continue;
        const bool under =
            path.compare(0, m.folder.size(), m.folder) == 0 || path + "/" == m.folder;
        if (under && (!best || m.folder.size() > best->folder.size())) best = &m;
    }
    if (!best) return std::nullopt;
    std::string rest = path.size() > best->folder.size() ? path.substr(best->folder.size()) : "";
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return best->root + "\\" + rest;
}

std::string DriveMap::forWindowsProgram(std::string_view linuxPath) const {
    if (auto mapped = toWindows(linuxPath)) return *mapped;
    std::string root = "Z:";
    for (const DriveMapping& m : mappings_)
        if (m.folder == "/" && isDrivePath(m.root)) {
            root = m.root;
            break;
        }
    std::string rest(linuxPath);
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return root + rest;
}

DriveSearchPlaces DriveSearchPlaces::fromEnvironment(const std::string& winePrefix) {
    DriveSearchPlaces places;
    const char* prefix = std::getenv("WINEPREFIX");
    const char* home = std::getenv("HOME");
    if (!winePrefix.empty())
        places.winePrefix = winePrefix;
    else if (prefix && *prefix)
        places.winePrefix = prefix;
    else if (home && *home)
        places.winePrefix = std::string(home) + "/.wine";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        places.gvfsFolder = std::string(runtime) + "/gvfs";
    places.mountTable = "/proc/self/mounts";
    return places;
}

std::vector<DriveMapping> findDrives(const DriveSearchPlaces& places) {
    std::vector<DriveMapping> found;
    if (!places.winePrefix.empty()) {
        const std::string devices = withSlash(places.winePrefix) + "dosdevices/";
        for (const fs::DirEntry& entry : fs::listDirectory(devices)) {
            // "c:" is a drive; "c::" is the raw device behind it.
            if (entry.name.size() != 2 || !isDrivePath(entry.name)) continue;
            addFound(found, normalisedWindowsRoot(entry.name),
                     canonicalFolder(devices + entry.name), DriveSource::WinePrefix);
        }
        const std::string unc = devices + "unc/";
        for (const fs::DirEntry& server : fs::listDirectory(unc))
            for (const fs::DirEntry& share : fs::listDirectory(unc + server.name))
                addFound(found, "\\\\" + server.name + "\\" + share.name,
                         canonicalFolder(fs::joinPath(unc + server.name, share.name)),
                         DriveSource::WinePrefix);
    }
    if (!places.gvfsFolder.empty()) {
        for (const fs::DirEntry& entry : fs::listDirectory(places.gvfsFolder)) {
            constexpr std::string_view kShare = "smb-share:";
            if (entry.name.rfind(kShare, 0) != 0) continue;
            std::string server, share;
            std::string_view rest = std::string_view(entry.name).substr(kShare.size());
            while (!rest.empty()) {
                const std::size_t comma = rest.find(',');
                const std::string_view field = rest.substr(0, comma);
                rest =
                    comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
                const std::size_t eq = field.find('=');
                if (eq == std::string_view::npos) continue;
                if (field.substr(0, eq) == "server") server = field.substr(eq + 1);
                if (field.substr(0, eq) == "share") share = field.substr(eq + 1);
            }
            if (server.empty() || share.empty()) continue;
            addFound(found, "\\\\" + server + "\\" + share,
                     withSlash(fs::joinPath(places.gvfsFolder, entry.name)),
                     DriveSource::DesktopShare);
        }
    }
    if (!places.mountTable.empty()) {
        // The mount table is a few kilobytes; a megabyte is more than any has.
        const auto table = fs::readFile(places.mountTable, 1u << 20);
        std::string_view rest = table ? std::string_view(*table) : std::string_view{};
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
            std::vector<std::string_view> fields;
            std::size_t start = 0;
            while (start < line.size() && fields.size() < 3) {
                std::size_t stop = line.find(' ', start);
                if (stop == std::string_view::npos) stop = line.size();
                if (stop > start) fields.push_back(line.substr(start, stop - start));
                start = stop + 1;
            }
            if (fields.size() < 3 || (fields[2] != "cifs" && fields[2] != "smb3")) continue;
            addFound(found, normalisedWindowsRoot(unescapeMountField(fields[0])),
                     withSlash(unescapeMountField(fields[1])), DriveSource::CifsMount);
        }
    }
    return found;
}

std::string driveSourceName(DriveSource source) {
    switch (source) {
        case DriveSource::User:
            return "設定";
        case DriveSource::WinePrefix:
            return "Wineプレフィックス";
        case DriveSource::DesktopShare:
            return "デスクトップの共有";
        case DriveSource::CifsMount:
            return "cifsマウント";
    }
    return {};
}

}  // namespace romshelf
