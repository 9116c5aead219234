#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf::archive {

// The archive types the launcher knows, told apart by the file's extension alone.
enum class ArchiveType { Zip, Lzh, Cab, Rar, Gca, SevenZip };

// The type of an archive from its extension (".zip", ".lzh", ".cab", ".rar", ".gca", ".7z",
// ASCII case-insensitive); nullopt for any other extension.
std::optional<ArchiveType> archiveTypeOf(std::string_view path);

inline bool hasArchiveExtension(std::string_view path) { return archiveTypeOf(path).has_value(); }

// The fixed ROM extensions, upper case with their dot. The same for every hardware.
extern const std::vector<std::string_view> kRomExtensions;

// True when the name's extension is a ROM extension: one of kRomExtensions or one of the
// hardware's extra extensions (given without the dot, e.g. "nes"; empty ones are ignored).
// Compared ASCII case-insensitively.
bool isRomFile(std::string_view name, const std::vector<std::string>& extraExtensions);

}  // namespace romshelf::archive
