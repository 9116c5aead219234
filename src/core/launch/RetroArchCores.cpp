#include "core/launch/RetroArchCores.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// A .info file is a few kilobytes; anything far larger is not one.
constexpr std::uint64_t kMaxInfoBytes = 256 * 1024;
constexpr std::size_t kMaxNameBytes = 64;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// libretro's database names, which name the systems as the DAT groups do, and the hardware
// that plays their files. The add-ons that need the console's own cartridge (Satellaview, 64DD)
// and the systems this program has no hardware for are not here.
const std::vector<std::pair<std::string_view, std::string_view>>& databaseTable() {
    static const std::vector<std::pair<std::string_view, std::string_view>> kTable = {
        {"Nintendo - Nintendo Entertainment System", "FC"},
        {"Nintendo - Family Computer Disk System", "FC"},
        {"Nintendo - Super Nintendo Entertainment System", "SFC"},
        {"Nintendo - Nintendo 64", "N64"},
        {"Nintendo - GameCube", "GC"},
        {"NEC - PC Engine - TurboGrafx 16", "PCE"},
        {"NEC - PC Engine SuperGrafx", "PCE"},
        {"NEC - PC Engine CD - TurboGrafx-CD", "PCE"},
        {"NEC - PC-FX", "FX"},
        {"Sega - Master System - Mark III", "MSYS"},
        {"Sega - Mega Drive - Genesis", "MD"},
        {"Sega - Saturn", "SAT"},
        {"Sega - Dreamcast", "DC"},
        {"Sony - PlayStation", "PS"},
        {"Sony - PlayStation 2", "PS2"},
        {"Nintendo - Game Boy", "GB"},
        {"Nintendo - Game Boy Color", "GB"},
        {"Nintendo - Game Boy Advance", "GBA"},
        {"Bandai - WonderSwan", "WS"},
        {"Bandai - WonderSwan Color", "WS"},
        {"Sega - Game Gear", "GG"},
        {"SNK - Neo Geo Pocket", "NGP"},
        {"SNK - Neo Geo Pocket Color", "NGP"},
        {"Atari - Lynx", "LYNX"},
        {"Microsoft - MSX", "MSX"},
        {"Microsoft - MSX2", "MSX"},
        {"Sharp - X68000", "X68"},
        {"NEC - PC-98", "PC98"},
    };
    return kTable;
}

// The system names of cores whose .info has no database (as libretro's files write them).
const std::vector<std::pair<std::string_view, std::string_view>>& systemNameTable() {
    static const std::vector<std::pair<std::string_view, std::string_view>> kTable = {
        {"Nintendo Entertainment System", "FC"},
        {"Super Nintendo Entertainment System", "SFC"},
        {"Nintendo 64", "N64"},
        {"PC Engine/PCE-CD", "PCE"},
        {"PC Engine/SuperGrafx/CD", "PCE"},
        {"Sega Master System", "MSYS"},
        {"Sega Genesis", "MD"},
        {"PlayStation", "PS"},
        {"Game Boy/Game Boy Color", "GB"},
        {"Game Boy Advance", "GBA"},
        {"WonderSwan/Color", "WS"},
        {"Neo Geo Pocket (Color)", "NGP"},
        {"Lynx", "LYNX"},
        {"MSX", "MSX"},
        {"Sharp X68000", "X68"},
        {"PC-8000 / PC-8800 series", "PC88"},
        {"PC-98", "PC98"},
    };
    return kTable;
}

std::string_view field(const CoreInfo& info, std::string_view key) {
    const auto it = info.find(key);
    return it == info.end() ? std::string_view{} : ascii::trimmed(it->second);
}

// Printable text only, cut at a character boundary.
std::string cleanName(std::string_view name) {
    std::string out;
    for (const char c : ascii::trimmed(name))
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    if (out.size() > kMaxNameBytes) {
        std::size_t end = kMaxNameBytes;
        while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
        out.resize(end);
    }
    return std::string(ascii::trimmed(out));
}

}  // namespace

CoreInfo parseCoreInfo(std::string_view text) {
    CoreInfo info;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = ascii::trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with("\xEF\xBB\xBF")) line = ascii::trimmed(line.substr(3));
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = ascii::trimmed(line.substr(0, equals));
        if (key.empty() || std::ranges::any_of(key, isBlank)) continue;
        std::string_view value = ascii::trimmed(line.substr(equals + 1));
        if (value.starts_with('"')) {
            value.remove_prefix(1);
            const std::size_t close = value.find('"');
            if (close == std::string_view::npos) continue;  // a value cut short is not trusted
            value = value.substr(0, close);
        } else {
            const auto blank = std::ranges::find_if(value, isBlank);
            value = value.substr(0, static_cast<std::size_t>(blank - value.begin()));
        }
        info.insert_or_assign(std::string(key), std::string(value));
    }
    return info;
}

std::vector<std::string> retroArchDatabaseNames(std::string_view code) {
    std::vector<std::string> names;
    for (const auto& [name, hardware] : databaseTable())
        if (hardware == code) names.emplace_back(name);
    return names;
}

std::vector<std::string> coreHardware(const CoreInfo& info) {
    std::string_view names = field(info, "database");
    const auto* table = &databaseTable();
    if (names.empty()) {
        names = field(info, "systemname");
        table = &systemNameTable();
    }
    std::vector<std::string> codes;
    while (!names.empty()) {
        const std::size_t bar = names.find('|');
        const std::string_view name = ascii::trimmed(names.substr(0, bar));
        names.remove_prefix(bar == std::string_view::npos ? names.size() : bar + 1);
        for (const auto& [system, code] : *table)
            if (system == name && std::ranges::find(codes, code) == codes.end())
                codes.emplace_back(code);
    }
    return codes;
}

std::string coreName(const CoreInfo& info, std::string_view fallback) {
    std::string name = cleanName(field(info, "corename"));
    if (!name.empty()) return name;
    // "Nintendo - NES / Famicom (Nestopia UE)"
    const std::string_view display = field(info, "display_name");
    const std::size_t open = display.rfind('(');
    if (display.ends_with(')') && open != std::string_view::npos)
        name = cleanName(display.substr(open + 1, display.size() - open - 2));
    return name.empty() ? cleanName(fallback) : name;
}

std::vector<InstalledCore> findCores(const RetroArchFolders& folders) {
    static constexpr std::string_view kSuffix = "_libretro.so";
    std::vector<InstalledCore> cores;
    std::set<std::string> seen;
    for (const std::string& folder : folders.cores) {
        if (folder.empty() || folder.front() != '/') continue;
        for (const fs::DirEntry& entry : fs::listDirectory(folder)) {
            if (entry.isDirectory || !entry.name.ends_with(kSuffix)) continue;
            const std::string path = fs::joinPath(folder, entry.name);
            if (!fs::fileExists(path) || !seen.insert(entry.name).second) continue;
            // nestopia_libretro.so is described by nestopia_libretro.info.
            const std::string infoName =
                entry.name.substr(0, entry.name.size() - 3) + std::string(".info");
            std::optional<std::string> text =
                fs::readFile(fs::joinPath(folder, infoName), kMaxInfoBytes);
            for (std::size_t i = 0; !text && i < folders.infos.size(); ++i)
                if (!folders.infos[i].empty() && folders.infos[i].front() == '/')
                    text = fs::readFile(fs::joinPath(folders.infos[i], infoName), kMaxInfoBytes);
            if (!text) continue;
            const CoreInfo info = parseCoreInfo(*text);
            InstalledCore core{
                path, coreName(info, entry.name.substr(0, entry.name.size() - kSuffix.size())),
                coreHardware(info)};
            if (!core.name.empty() && !core.hardware.empty()) cores.push_back(std::move(core));
        }
    }
    return cores;
}

}  // namespace romshelf
