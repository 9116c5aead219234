#include "core/commands/DatabaseSources.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "core/launch/RetroArchCores.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::string_view kSettingPrefix = "gameDatabase.";

// The systems RetroArch's core list does not hand to this program's hardware, but whose
// databases still describe its files: arcade sets by their set names, the PC-88's disks.
const std::vector<std::pair<std::string_view, std::string_view>>& extraDatabases() {
    static const std::vector<std::pair<std::string_view, std::string_view>> kTable = {
        {"MAME", "MAME"},
        {"NEC - PC-8001 - PC-8801", "PC88"},
    };
    return kTable;
}

std::vector<std::string> splitChoice(std::string_view value) {
    std::vector<std::string> out;
    while (!value.empty()) {
        const std::size_t bar = value.find('|');
        const std::string_view part = ascii::trimmed(value.substr(0, bar));
        if (!part.empty()) out.emplace_back(part);
        value = bar == std::string_view::npos ? std::string_view{} : value.substr(bar + 1);
    }
    return out;
}

// `content_database_path` of a retroarch.cfg; empty when it sets none.
std::string databasePathOf(const std::string& cfg, const std::string& home) {
    const auto text = fs::readFile(cfg, 4u << 20);
    if (!text) return {};
    std::string_view rest = *text;
    std::string found;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = ascii::trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos ||
            ascii::trimmed(line.substr(0, eq)) != "content_database_path")
            continue;
        std::string_view value = ascii::trimmed(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        found = value;
    }
    if (found.starts_with("~")) found = home + found.substr(1);
    if (found.empty() || found.front() != '/') return {};  // RetroArch's own folder: not ours
    return found;
}

bool isLooseFile(const std::string& path) {
    return fs::fileExists(path) && !fs::isReadableDirectory(path);
}

}  // namespace

std::vector<std::string> gameDatabaseNames(std::string_view code) {
    std::vector<std::string> names;
    for (const std::string& name : retroArchDatabaseNames(code)) names.push_back(name);
    for (const auto& [name, hardware] : extraDatabases())
        if (hardware == code) names.emplace_back(name);
    return names;
}

std::vector<std::string> retroArchDatabaseFolders(const std::string& home,
                                                  const std::string& configHome) {
    const std::string config = configHome.empty() ? home + "/.config" : configHome;
    const std::string flatpak = home + "/.var/app/org.libretro.RetroArch/config";
    std::vector<std::string> candidates;
    for (const std::string& base : {config, flatpak})
        if (std::string set = databasePathOf(base + "/retroarch/retroarch.cfg", home); !set.empty())
            candidates.push_back(fs::asFolder(set));
    candidates.push_back(config + "/retroarch/database/rdb/");
    candidates.push_back(flatpak + "/retroarch/database/rdb/");
    std::vector<std::string> folders;
    std::set<std::string> seen;
    for (std::string& folder : candidates)
        if (fs::isReadableDirectory(folder) && seen.insert(folder).second)
            folders.push_back(folder);
    return folders;
}

std::vector<std::string> retroArchDatabaseFolders() {
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (!home || !*home) return {};
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    return retroArchDatabaseFolders(home, config && *config == '/' ? config : "");
}

std::vector<std::string> chosenGameDatabases(std::string_view code, const PlusSettings& settings) {
    const std::string key = std::string(kSettingPrefix) + std::string(code);
    for (const auto& [k, value] : settings.unknown)
        if (k == key) return splitChoice(value);
    return {};
}

void chooseGameDatabases(std::string_view code, const std::vector<std::string>& namesOrPaths,
                         PlusSettings& settings) {
    const std::string key = std::string(kSettingPrefix) + std::string(code);
    std::string value;
    for (const std::string& part : namesOrPaths)
        if (!part.empty()) value += (value.empty() ? "" : "|") + part;
    auto& entries = settings.unknown;
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (it->first == key) {
            if (value.empty())
                entries.erase(it);
            else
                it->second = value;
            return;
        }
    if (!value.empty()) entries.emplace_back(key, value);
}

std::vector<std::string> gameDatabaseFiles(std::string_view code,
                                           const std::vector<std::string>& sources,
                                           const PlusSettings& settings) {
    std::vector<std::string> names, files;
    std::set<std::string> seen;
    auto take = [&](const std::string& path) {
        if (seen.insert(path).second) files.push_back(path);
    };
    const std::vector<std::string> chosen = chosenGameDatabases(code, settings);
    for (const std::string& part : chosen) {
        if (part.find('/') != std::string::npos)
            take(part);
        else
            names.push_back(part);
    }
    if (chosen.empty()) names = gameDatabaseNames(code);
    for (const std::string& source : sources) {
        if (isLooseFile(source)) {
            take(source);
            continue;
        }
        if (!fs::isReadableDirectory(source)) continue;
        const std::string folder = fs::asFolder(source);
        for (const std::string& name : names)
            if (isLooseFile(folder + name + ".rdb")) take(folder + name + ".rdb");
        // The field DATs: beside the databases or in folders by field, one or two levels down.
        std::vector<std::string> folders = {folder};
        for (std::size_t i = 0; i < folders.size(); ++i) {
            for (const std::string& name : names)
                if (isLooseFile(folders[i] + name + ".dat")) take(folders[i] + name + ".dat");
            if (std::count(folders[i].begin() + static_cast<std::ptrdiff_t>(folder.size()),
                           folders[i].end(), '/') >= 2)
                continue;
            for (const fs::DirEntry& entry : fs::listDirectory(folders[i]))
                if (entry.isDirectory) folders.push_back(folders[i] + entry.name + "/");
        }
    }
    return files;
}

}  // namespace romshelf
