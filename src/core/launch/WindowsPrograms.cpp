#include "core/launch/WindowsPrograms.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/platform/ProcessRunner.h"
#include "core/settings/DriveMap.h"

namespace romshelf {

namespace {

bool runnable(const std::string& path) {
    return fs::fileExists(path) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool isWindowsProgram(std::string_view path) {
    const std::string ext = ascii::upper(fs::pathExtension(path));
    return ext == ".EXE" || ext == ".COM" || ext == ".BAT";
}

std::string findWine(const std::string& wine) {
    const std::string name = wine.empty() ? "wine" : wine;
    if (name.find('/') != std::string::npos) return runnable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        // Never the current folder: an empty or relative part of PATH is skipped.
        if (!folder.empty() && folder.front() == '/') {
            const std::string candidate = fs::joinPath(folder, name);
            if (runnable(candidate)) return candidate;
        }
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return {};
}

bool localeIsUtf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        const std::string lower = ascii::lower(value);
        return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
    }
    return false;
}

std::vector<std::string> wineCommand(const WineSettings& settings) {
    const std::string wine = findWine(settings.wine);
    if (wine.empty()) return {};
    // The runner passes on our environment as it is: env sets the prefix for Wine alone. Names on
    // disk are UTF-8, and Wine reads them in the locale's character set: under a locale that is
    // not UTF-8 it could not open a Japanese name.
    std::vector<std::string> env;
    if (!settings.prefix.empty()) env.push_back("WINEPREFIX=" + settings.prefix);
    if (!localeIsUtf8()) env.push_back("LC_ALL=C.UTF-8");
    if (env.empty()) return {wine};
    env.insert(env.begin(), "/usr/bin/env");
    env.push_back(wine);
    return env;
}

std::optional<int> runToEnd(const std::vector<std::string>& argv) {
    const std::optional<int> pid = PosixProcessRunner::spawn(argv, {}, ChildStdio::Null);
    if (!pid) return std::nullopt;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(*pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != *pid) return std::nullopt;
    return ProcessEnd::fromWaitStatus(status).status();
}

bool applyRegistryEdit(const std::vector<std::string>& wine, const RegistryEdit& edit) {
    if (wine.empty()) return false;
    const auto reg = [&](std::vector<std::string> args) {
        std::vector<std::string> argv = wine;
        argv.emplace_back("reg");
        argv.insert(argv.end(), args.begin(), args.end());
        return runToEnd(argv) == 0;
    };
    // `reg add` would make a missing key: it is looked for first.
    if (!reg({"query", edit.key})) return false;
    bool all = true;
    for (const auto& [name, value] : edit.values)
        all = reg({"add", edit.key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"}) && all;
    return all;
}

std::vector<std::string> findWindowsPrograms(const std::string& driveC,
                                             const std::vector<std::string>& names, int depth) {
    std::vector<std::string> found(names.size());
    std::size_t left = names.size();
    std::vector<std::string> level{driveC.empty() || driveC.back() == '/' ? driveC : driveC + '/'};
    for (int d = 0; d < depth && left > 0 && !level.empty() && !level.front().empty(); ++d) {
        std::vector<std::string> next;
        for (const std::string& folder : level) {
            std::vector<fs::DirEntry> entries = fs::listDirectory(folder);
            std::sort(entries.begin(), entries.end(),
                      [](const fs::DirEntry& a, const fs::DirEntry& b) { return a.name < b.name; });
            for (const fs::DirEntry& e : entries) {
                if (e.isDirectory) {
                    // Windows' own folder holds thousands of files and no emulator.
                    if (d == 0 && ascii::equalsIgnoringCase(e.name, "windows")) continue;
                    next.push_back(folder + e.name + "/");
                    continue;
                }
                for (std::size_t k = 0; k < names.size(); ++k)
                    if (found[k].empty() && ascii::equalsIgnoringCase(e.name, names[k])) {
                        found[k] = folder + e.name;
                        --left;
                    }
            }
        }
        level = std::move(next);
    }
    return found;
}

std::string wineDriveC(const std::string& prefix) {
    const std::string folder = DriveSearchPlaces::fromEnvironment(prefix).winePrefix;
    return folder.empty() ? std::string() : fs::joinPath(folder, "drive_c") + "/";
}

}  // namespace romshelf
