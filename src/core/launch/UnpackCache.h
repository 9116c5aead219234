#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace romshelf {

// One image the unpack cache holds.
struct UnpackedImage {
    std::string key;  // the name of the entry's folder
    std::string archivePath;
    std::string member;  // the image's file name
    std::uint64_t size = 0;
    std::int64_t lastUseNs = 0;  // since the epoch
    std::string path;            // the image itself
};

// Images unpacked from archives for launching, kept so that the next launch of the same archive
// does not unpack it again. Each entry is a folder <key>/ holding the image and a file `entry`
// that says what it is; the key is made of the archive's path, size and modification time and of
// the extensions that choose its member, so a changed archive never finds an old image. An
// entry is unpacked into a folder of its own name pattern (.partial-*) and only renamed to its
// key once the image and `entry` are complete: a killed unpack leaves nothing that counts, and
// the next run removes its leftovers. The entries take at most `limit` bytes; the least
// recently used go first. Only files the cache made are ever deleted: a file anyone else put
// into its folders stays. Processes sharing the folder (the window and the command line) take
// an advisory lock on its `.lock` file around each change; the index is the entries themselves.
//
// The launch gets the image in the TEMP folder as before, as a hard link to the entry (a copy
// where the two folders are on different file systems), so emulators find it, and write their
// save files beside it, where they always did. An image changed in place by an emulator no
// longer matches its entry and is unpacked afresh at the next launch, as it would have been:
// its bytes are checked against the CRC-32 taken when it was unpacked before it is handed out,
// since a rewrite may keep the size, and the time may be set back.
class UnpackCache {
public:
    enum class Outcome {
        Unpacked,  // a new entry, handed over
        TooLarge,  // larger than the cap: not kept
        NoSpace,   // the cache's file system is full
        Unusable,  // the folder or its lock cannot be made
        Failed,    // the archive did not unpack (or the image could not be handed over)
    };
    struct Result {
        Outcome outcome = Outcome::Failed;
        std::string path;  // the image in the destination folder
    };

    // `folder` with or without a trailing '/'.
    UnpackCache(std::string folder, std::uint64_t limit);

    const std::string& folder() const { return folder_; }

    static std::string keyOf(const std::string& archivePath, std::uint64_t size,
                             std::int64_t mtimeNs, const std::vector<std::string>& extraExtensions);

    // The archive's image put into `destinationFolder` under its own name, when an entry holds
    // it with the bytes it was unpacked with (it then counts as just used); nullopt otherwise
    // (an entry whose image changed goes).
    std::optional<std::string> reuse(const std::string& archivePath,
                                     const std::vector<std::string>& extraExtensions,
                                     const std::string& destinationFolder);
    // Unpacks the archive into a new entry (older entries of the same archive go, then the least
    // recently used beyond the cap) and puts its image into `destinationFolder`.
    Result unpack(const std::string& archivePath, const std::vector<std::string>& extraExtensions,
                  const std::string& destinationFolder);

    // The complete entries, least recently used first.
    std::vector<UnpackedImage> entries() const;
    // Deletes entries, least recently used first, until they take at most `limit` bytes, and
    // what killed runs left; how many entries went. -1 when the cache's lock cannot be taken.
    int evictTo(std::uint64_t limit);
    int clear() { return evictTo(0); }

private:
    std::string folder_;
    std::uint64_t limit_;
};

// "512M", "4G", "700K" or plain bytes (binary units K, M, G, T, with an optional B or iB);
// nullopt for anything else.
std::optional<std::uint64_t> parseByteSize(const std::string& text);

}  // namespace romshelf
