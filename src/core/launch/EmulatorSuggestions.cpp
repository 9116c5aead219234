#include "core/launch/EmulatorSuggestions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <string_view>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// What the command line of a known emulator needs besides the file.
enum class Arguments { FileOnly, MameRomPath, Pc98Machine };

struct KnownEmulator {
    std::string_view name;
    std::vector<std::string_view> programs;    // names looked for, preferred first
    std::vector<std::string_view> flatpakIds;  // the exported launchers of its Flatpak
    std::vector<std::string_view> hardware;
    Arguments arguments = Arguments::FileOnly;
};

// Dedicated emulators before the ones that cover many systems; within each, the ones that play
// the most files well first.
const std::vector<KnownEmulator>& knownEmulators() {
    static const std::vector<KnownEmulator> kKnown = {
        {"FCEUX", {"fceux"}, {"net.fceux.FCEUX"}, {"FC"}, Arguments::FileOnly},
        {"Nestopia", {"nestopia"}, {"ca._0ldsk00l.Nestopia"}, {"FC"}, Arguments::FileOnly},
        {"Snes9x", {"snes9x-gtk", "snes9x"}, {"com.snes9x.Snes9x"}, {"SFC"}, Arguments::FileOnly},
        {"Mupen64Plus", {"mupen64plus"}, {}, {"N64"}, Arguments::FileOnly},
        {"BlastEm", {"blastem"}, {}, {"MD"}, Arguments::FileOnly},
        {"mGBA", {"mgba-qt", "mgba"}, {"io.mgba.mGBA"}, {"GB", "GBA"}, Arguments::FileOnly},
        {"MAME", {"mame"}, {"org.mamedev.MAME"}, {"MAME"}, Arguments::MameRomPath},
        {"openMSX", {"openmsx"}, {"org.openmsx.openMSX"}, {"MSX"}, Arguments::FileOnly},
        {"QUASI88", {"quasi88"}, {}, {"PC88"}, Arguments::FileOnly},
        {"Neko Project II kai",
         {"xnp21kai", "xnp2kai", "np2kai", "xnp2"},
         {},
         {"PC98"},
         Arguments::FileOnly},
        {"DOSBox-X", {"dosbox-x"}, {"com.dosbox_x.DOSBox-X"}, {"PC98"}, Arguments::Pc98Machine},
        {"mednafen",
         {"mednafen"},
         {},
         {"FC", "SFC", "PCE", "MSYS", "MD", "GB", "GBA", "WS", "GG", "NGP", "LYNX"},
         Arguments::FileOnly},
        // User hardware is whatever the user makes of it; DOS programs are a common choice.
        {"DOSBox",
         {"dosbox", "dosbox-staging"},
         {"io.github.dosbox-staging"},
         {"USER1", "USER2", "USER3", "USER4", "USER5"},
         Arguments::FileOnly},
    };
    return kKnown;
}

std::string commandLineFor(Arguments arguments, const std::vector<std::string>& romFolders) {
    switch (arguments) {
        case Arguments::FileOnly:
            break;
        case Arguments::MameRomPath: {
            // MAME is handed the set name alone: it finds the set through its rompath. A folder
            // with a quote or a ';' in its name cannot be written into it and is left out.
            std::string rompath;
            for (std::string folder : romFolders) {
                if (folder.empty() || folder.find_first_of("\";") != std::string::npos) continue;
                if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
                if (!rompath.empty()) rompath += ';';
                rompath += folder;
            }
            if (!rompath.empty()) return "-rompath \"" + rompath + "\" $P";
            break;
        }
        case Arguments::Pc98Machine:
            return "-machine pc98 $P";
    }
    return "$P";
}

// The real file behind a path, so that one program reached through two folders (a link in
// /usr/bin to /usr/games, say) is offered once.
std::string identityOf(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;
    return path;
}

// The first executable named `program` in the folders, in their order.
std::string findIn(const std::vector<std::string>& folders, std::string_view program) {
    for (const std::string& folder : folders) {
        if (folder.empty() || folder.front() != '/') continue;  // never the current folder
        const std::string candidate = fs::joinPath(folder, program);
        if (isExecutableFile(candidate)) return candidate;
    }
    return {};
}

}  // namespace

bool isExecutableFile(const std::string& path) {
    return fs::fileExists(path) && ::access(path.c_str(), X_OK) == 0;
}

EmulatorSearchPlaces EmulatorSearchPlaces::fromEnvironment() {
    EmulatorSearchPlaces places;
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const std::string_view part = rest.substr(0, colon);
            if (!part.empty()) places.pathFolders.emplace_back(part);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    places.extraFolders = {"/usr/games", "/usr/local/games"};
    places.flatpakFolders.emplace_back("/var/lib/flatpak/exports/bin");
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        places.flatpakFolders.push_back(fs::joinPath(data, "flatpak/exports/bin"));
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        places.flatpakFolders.push_back(fs::joinPath(home, ".local/share/flatpak/exports/bin"));
    return places;
}

std::vector<EmulatorSuggestion> suggestEmulators(const std::string& hardwareCode,
                                                 const EmulatorSearchPlaces& places,
                                                 const std::vector<std::string>& romFolders) {
    std::vector<EmulatorSuggestion> found;
    std::set<std::string> seen;
    const auto offer = [&](std::string name, const std::string& executable,
                           const std::string& commandLine) {
        if (!seen.insert(identityOf(executable)).second) return;
        found.push_back({std::move(name), executable, commandLine});
    };
    for (const KnownEmulator& known : knownEmulators()) {
        if (std::find(known.hardware.begin(), known.hardware.end(), hardwareCode) ==
            known.hardware.end())
            continue;
        const std::string commandLine = commandLineFor(known.arguments, romFolders);
        // One installed copy per emulator: the first program name found, on PATH before the
        // games folders, as a shell would find it.
        for (std::string_view program : known.programs) {
            std::string path = findIn(places.pathFolders, program);
            if (path.empty()) path = findIn(places.extraFolders, program);
            if (path.empty()) continue;
            offer(std::string(known.name), path, commandLine);
            break;
        }
        for (std::string_view id : known.flatpakIds) {
            const std::string path = findIn(places.flatpakFolders, id);
            if (path.empty()) continue;
            offer(std::string(known.name) + " (Flatpak)", path, commandLine);
            break;
        }
    }
    return found;
}

}  // namespace romshelf
