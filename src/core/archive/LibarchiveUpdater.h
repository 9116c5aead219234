#pragma once

#include <string>

namespace romshelf::archive {

// zlib's level when no level is asked for.
inline constexpr int kDefaultDeflateLevel = 6;

// Adds one file to a ZIP archive (deflate at `deflateLevel`, 1..9), creating the archive when
// it does not exist. The member is stored under the file's own name without any folder, its
// name in UTF-8 with the UTF-8 flag. A member of that name (ASCII case-insensitive, as the
// Windows archivers match names) is replaced; every other member is kept with its data and
// metadata. The archive is rewritten beside itself and renamed over the old one, so on failure
// (a corrupt old archive, a missing file, a full disk) the old archive stays as it was. With
// `flushToDisk` the archive is on the disk before this returns (see PendingFile::commit).
bool addFileToZip(const std::string& archivePath, const std::string& filePath, int deflateLevel,
                  bool flushToDisk = true);

// The same for a 7z archive: one solid LZMA2 stream (see SevenZipWriter), the dictionary sized
// for the data the archive holds.
bool addFileTo7z(const std::string& archivePath, const std::string& filePath,
                 bool flushToDisk = true);

// True when an archive member path names the same member as `name` does.
bool isSameMemberName(const std::string& memberPath, const std::string& name);

}  // namespace romshelf::archive
