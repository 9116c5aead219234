#include "core/launch/EmulatorSuggestions.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <set>
#include <string_view>

#include "core/launch/DefaultEmulatorTable.h"
#include "core/launch/WindowsPrograms.h"
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

// RetroArch with one of its cores: `-L` loads the core, the file follows. A core path that the
// command line cannot hold as it is (a quote, or a '$' that could read as a placeholder) is left
// out.
void offerCores(const std::string& retroArch, const RetroArchFolders& folders,
                std::string_view hardwareCode, std::string_view kind,
                const std::function<void(std::string, const std::string&, const std::string&,
                                         const std::string&)>& offer) {
    for (const InstalledCore& core : findCores(folders)) {
        if (std::ranges::find(core.hardware, hardwareCode) == core.hardware.end() ||
            core.path.find_first_of("\"$") != std::string::npos)
            continue;
        offer("RetroArch (" + core.name + std::string(kind) + ")", retroArch,
              "-L \"" + core.path + "\" $P", core.path);
    }
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
    const auto absolute = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value && *value == '/' ? value : "";
    };
    const std::string home = absolute("HOME");
    std::string data = absolute("XDG_DATA_HOME"), config = absolute("XDG_CONFIG_HOME");
    if (data.empty() && !home.empty()) data = fs::joinPath(home, ".local/share");
    if (config.empty() && !home.empty()) config = fs::joinPath(home, ".config");

    places.flatpakFolders.emplace_back("/var/lib/flatpak/exports/bin");
    if (!data.empty()) places.flatpakFolders.push_back(fs::joinPath(data, "flatpak/exports/bin"));

    // RetroArch keeps the cores it downloads, and their .info files, in its configuration
    // folder; the distribution's are in the multiarch library folder (Debian), /usr/lib64
    // (Fedora) or /usr/lib (Arch), their .info files in /usr/share/libretro/info.
    RetroArchFolders& native = places.retroArch;
    if (!config.empty()) {
        native.cores.push_back(fs::joinPath(config, "retroarch/cores"));
        native.infos.push_back(fs::joinPath(config, "retroarch/info"));
    }
    for (const fs::DirEntry& entry : fs::listDirectory("/usr/lib"))
        if (entry.isDirectory && entry.name.find("-linux-") != std::string::npos &&
            fs::directoryExists("/usr/lib/" + entry.name + "/libretro"))
            native.cores.push_back("/usr/lib/" + entry.name + "/libretro");
    native.cores.insert(native.cores.end(), {"/usr/lib64/libretro", "/usr/lib/libretro"});
    native.infos.emplace_back("/usr/share/libretro/info");
    // The Flatpak downloads its cores into its own configuration folder (seen at the same path
    // inside it); the .info files come with the application.
    static constexpr std::string_view kFlatpakInfo =
        "app/org.libretro.RetroArch/current/active/files/share/libretro/info";
    RetroArchFolders& flatpak = places.retroArchFlatpak;
    if (!home.empty()) {
        const std::string own = fs::joinPath(home, ".var/app/org.libretro.RetroArch/config");
        flatpak.cores.push_back(fs::joinPath(own, "retroarch/cores"));
        flatpak.infos.push_back(fs::joinPath(own, "retroarch/info"));
    }
    flatpak.infos.push_back(fs::joinPath("/var/lib/flatpak", kFlatpakInfo));
    if (!data.empty())
        flatpak.infos.push_back(fs::joinPath(data, "flatpak/" + std::string(kFlatpakInfo)));
    places.wineDriveC = romshelf::wineDriveC({});
    return places;
}

std::vector<EmulatorSuggestion> suggestEmulators(const std::string& hardwareCode,
                                                 const EmulatorSearchPlaces& places,
                                                 const std::vector<std::string>& romFolders) {
    std::vector<EmulatorSuggestion> found;
    std::set<std::string> seen;
    // One program, or one RetroArch core, is offered once, under one name.
    const auto offer = [&](std::string name, const std::string& executable,
                           const std::string& commandLine, const std::string& core) {
        const std::string identity =
            identityOf(executable) + (core.empty() ? "" : "\n" + identityOf(core));
        if (std::ranges::find(found, name, &EmulatorSuggestion::name) != found.end() ||
            !seen.insert(identity).second)
            return;
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
            offer(std::string(known.name), path, commandLine, {});
            break;
        }
        for (std::string_view id : known.flatpakIds) {
            const std::string path = findIn(places.flatpakFolders, id);
            if (path.empty()) continue;
            offer(std::string(known.name) + " (Flatpak)", path, commandLine, {});
            break;
        }
    }
    std::string retroArch = findIn(places.pathFolders, "retroarch");
    if (retroArch.empty()) retroArch = findIn(places.extraFolders, "retroarch");
    if (!retroArch.empty()) offerCores(retroArch, places.retroArch, hardwareCode, "", offer);
    const std::string flatpak = findIn(places.flatpakFolders, "org.libretro.RetroArch");
    if (!flatpak.empty())
        offerCores(flatpak, places.retroArchFlatpak, hardwareCode, ", Flatpak", offer);
    // The Windows emulators the hardware's slots are meant for, copied into the Wine prefix.
    // Their slots' command line is empty: they take the bare path.
    if (!places.wineDriveC.empty()) {
        const DefaultEmulatorTable table(hardwareCode);
        std::vector<std::string> names;
        std::vector<const DefaultEmulator*> rows;
        for (int slot : table.offeredSlots()) {
            const DefaultEmulator& row = table.row(slot);
            // A user slot's "*.exe" names no program.
            if (!isWindowsProgram(row.executableName) ||
                row.executableName.find('*') != std::string::npos)
                continue;
            names.push_back(row.executableName);
            rows.push_back(&row);
        }
        const std::vector<std::string> paths = findWindowsPrograms(places.wineDriveC, names);
        for (std::size_t k = 0; k < paths.size(); ++k)
            if (!paths[k].empty()) offer(rows[k]->defaultName + " (Windows)", paths[k], "", {});
    }
    return found;
}

}  // namespace romshelf
