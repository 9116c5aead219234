#include "core/archive/ArchiveTypes.h"

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf::archive {

const std::vector<std::string_view> kRomExtensions = {
    ".NES", ".NEZ", ".FAM", ".FDS", ".NSF", ".SMC", ".SWC", ".SFC", ".FIG", ".048", ".058", ".068",
    ".078", ".1",   ".SPC", ".N64", ".V64", ".U64", ".Z64", ".BIN", ".MOV", ".ROM", ".PCE", ".ISO",
    ".SMS", ".SMZ", ".SG",  ".SC",  ".MD",  ".SMD", ".GEN", ".32X", ".GB",  ".GBC", ".SGB", ".GBA",
    ".AGB", ".WS",  ".WSC", ".GG",  ".GGZ", ".NGP", ".NPC", ".NGC", ".LNX", ".DSK", ".XDF", ".DIM",
    ".2HD", ".DUP", ".HDM", ".D88", ".T88", ".HDI", ".HDD", ".FDI", ".FDD", ".D98", ".THD",
};

std::optional<ArchiveType> archiveTypeOf(std::string_view path) {
    const std::string ext = ascii::upper(fs::pathExtension(path));
    if (ext == ".ZIP") return ArchiveType::Zip;
    if (ext == ".LZH") return ArchiveType::Lzh;
    if (ext == ".CAB") return ArchiveType::Cab;
    if (ext == ".RAR") return ArchiveType::Rar;
    if (ext == ".GCA") return ArchiveType::Gca;
    if (ext == ".7Z") return ArchiveType::SevenZip;
    return std::nullopt;
}

bool isRomFile(std::string_view name, const std::vector<std::string>& extraExtensions) {
    const std::string ext = ascii::upper(fs::pathExtension(name));
    if (ext.empty()) return false;
    for (std::string_view rom : kRomExtensions) {
        if (ext == rom) return true;
    }
    for (const std::string& extra : extraExtensions) {
        if (!extra.empty() && ext == "." + ascii::upper(extra)) return true;
    }
    return false;
}

}  // namespace romshelf::archive
