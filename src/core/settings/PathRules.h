#pragma once

#include <string>
#include <string_view>

// Conversions of the paths kept in the settings. Paths are stored as the user typed them; a
// relative one (beginning with "./" or ".\", or containing "..") is relative to the program
// folder, and one written on Windows has its backslashes turned into '/' when it is resolved.
namespace romshelf {
class DriveMap;
}

namespace romshelf::paths {

bool isRelative(std::string_view path);

// Resolves "." and ".." segments without touching the disk; keeps a trailing '/'.
std::string canonicalise(std::string_view path);

// A folder path as loaded: empty stays empty; a relative one is joined to the program folder and
// canonicalised; a Windows one ("D:\…", "\\server\share\…") leads where `drives` maps it, and
// stays as stored where nothing does; the result ends with exactly one '/'.
std::string resolveFolderPath(std::string_view path, std::string_view programFolder,
                              const DriveMap* drives = nullptr);

// A file path as loaded: like a folder path, but without any trailing-separator handling.
std::string resolveFilePath(std::string_view path, std::string_view programFolder,
                            const DriveMap* drives = nullptr);

// The form a path the user picked is kept in: the Windows form under a mapped drive or share,
// so the settings still work when they go back to Windows; else the path itself.
std::string storedForm(std::string_view path, const DriveMap* drives);

// "相対パスに変換": the path relative to the program folder, beginning with "./" or "../".
// A path that is already relative (or empty) is returned unchanged.
std::string makeRelative(std::string_view path, std::string_view programFolder);

// "絶対パスに変換": program folder + the relative path, canonicalised. An absolute (or empty)
// path is returned unchanged.
std::string makeAbsolute(std::string_view path, std::string_view programFolder);

// The last component of a path, without its extension: the name a folder row gets when its name
// is empty. A path ending in a separator has no last component, so the result is empty.
std::string lastComponentTitle(std::string_view path);

}  // namespace romshelf::paths
