#include "core/launch/UnpackCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string_view>

#include "core/archive/ArchiveExtractor.h"
#include "core/launch/UnpackEntryFile.h"
#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"

namespace romshelf {

namespace {

constexpr const char* kPartialLock = "lock";
constexpr std::string_view kPartialPrefix = ".partial-";
constexpr std::size_t kKeyLength = 16;

std::int64_t nanoseconds(const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::int64_t nowNs() {
    struct timespec t {};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

bool isKey(std::string_view name) {
    return name.size() == kKeyLength && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// An advisory lock on an open file (OFD: two holders in one process exclude each other too);
// the kernel drops it when its holder dies.
class FileLock {
public:
    FileLock(const std::string& path, bool create, bool wait) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0644);
        if (fd_ < 0) return;
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        int r;
        do {
            r = ::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
        } while (r != 0 && errno == EINTR);
        if (r != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The image still as it was made, as far as its inode tells: the same file, not changed since.
// Cheap enough for listing every entry; what is handed out is checked by its bytes as well.
bool imageMatches(const std::string& path, const EntryFile& e) {
    struct stat st {};
    return e.crc && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_ino) == e.inode &&
           static_cast<std::uint64_t>(st.st_size) == e.size && nanoseconds(st.st_mtim) == e.mtimeNs;
}

// The image's bytes still those unpacked. An emulator writing into its image through the TEMP
// link may keep its size and set its time back; reading the image costs far less than the
// unpack it spares.
bool imageBytesMatch(const std::string& path, const EntryFile& e) {
    const std::optional<ContentSums> sums = fileSums(path, SumKinds::Crc32);
    return sums && e.crc && sums->size == e.size && sums->crc32 == *e.crc;
}

bool sameInode(const std::string& path, std::uint64_t inode) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_ino) == inode;
}

bool isDirectoryNotLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Entry {
    std::string key;
    std::string folder;  // with '/'
    EntryFile file;
    std::int64_t lastUseNs = 0;
    bool valid = false;  // the image matches
};

// The entry in folder <key>/, when it has an `entry` file that reads.
std::optional<Entry> readEntry(const std::string& cacheFolder, const std::string& key) {
    Entry e;
    e.key = key;
    e.folder = cacheFolder + key + "/";
    if (!isDirectoryNotLink(e.folder)) return std::nullopt;
    const std::string entryPath = e.folder + kEntryFile;
    struct stat st {};
    if (::lstat(entryPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::optional<EntryFile> file = readEntryFile(entryPath);
    if (!file) return std::nullopt;
    e.file = std::move(*file);
    e.lastUseNs = nanoseconds(st.st_mtim);
    e.valid = imageMatches(e.folder + e.file.member, e.file);
    return e;
}

std::vector<Entry> readEntries(const std::string& cacheFolder) {
    std::vector<Entry> found;
    for (const fs::DirEntry& d : fs::listDirectory(cacheFolder)) {
        if (!d.isDirectory || !isKey(d.name)) continue;
        if (std::optional<Entry> e = readEntry(cacheFolder, d.name)) found.push_back(std::move(*e));
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.lastUseNs != b.lastUseNs ? a.lastUseNs < b.lastUseNs : a.key < b.key;
    });
    return found;
}

// Deletes what the cache made of an entry: its image (only the very file it made), temporary
// files of its own pattern, then `entry` last, so that an interrupted removal is finished next
// time; the folder goes when nothing else is left in it.
void removeEntry(const Entry& e) {
    const std::string image = e.folder + e.file.member;
    if (sameInode(image, e.file.inode)) ::unlink(image.c_str());
    for (const fs::DirEntry& d : fs::listDirectory(e.folder))
        if (!d.isDirectory && isPendingFileName(d.name)) ::unlink((e.folder + d.name).c_str());
    ::unlink((e.folder + kEntryFile).c_str());
    ::rmdir(e.folder.c_str());
}

// Every regular file of a folder of the cache's own making, then the folder.
void removeOwnFolder(const std::string& folder) {
    for (const fs::DirEntry& d : fs::listDirectory(folder)) {
        const std::string path = fs::joinPath(folder, d.name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
    ::rmdir(folder.c_str());
}

// The folders of unpacks whose process is gone: nobody holds their lock.
void removeDeadUnpacks(const std::string& cacheFolder) {
    for (const fs::DirEntry& d : fs::listDirectory(cacheFolder)) {
        if (!d.isDirectory || !d.name.starts_with(kPartialPrefix)) continue;
        const std::string folder = cacheFolder + d.name + "/";
        if (!isDirectoryNotLink(folder)) continue;
        bool alive = false;
        if (fs::pathExists(folder + kPartialLock)) {
            const FileLock probe(folder + kPartialLock, false, false);
            alive = !probe.held();
        }
        if (!alive) removeOwnFolder(folder);
    }
}

// Puts `image` into `destinationFolder` under `name`: a hard link, or a copy where no link can
// be made; an older file of that name is replaced.
std::string placeInto(const std::string& image, const std::string& name,
                      const std::string& destinationFolder) {
    const std::string target = fs::joinPath(destinationFolder, name);
    struct stat a {};
    struct stat b {};
    if (::stat(image.c_str(), &a) != 0) return "";
    if (::lstat(target.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
        return target;
    const std::string link =
        fs::joinPath(destinationFolder, "." + name + ".link-" + std::to_string(::getpid()));
    ::unlink(link.c_str());
    if (::link(image.c_str(), link.c_str()) == 0) {
        if (::rename(link.c_str(), target.c_str()) == 0) return target;
        ::unlink(link.c_str());
        return "";
    }
    return fs::copyFile(image, target) ? target : "";
}

// Makes the complete unpack in `partial` the entry `folder`: renamed as a whole, or, where a
// removed entry's folder stayed for the files someone else left in it, its two files moved in
// (the image first, `entry` last) when no file there has the image's name.
bool moveInto(const std::string& partial, const std::string& folder, const std::string& member) {
    if (!fs::pathExists(folder)) return ::rename(partial.c_str(), folder.c_str()) == 0;
    const std::string into = folder + "/";
    if (!isDirectoryNotLink(into) || fs::pathExists(into + kEntryFile) ||
        fs::pathExists(into + member))
        return false;
    if (::rename((partial + member).c_str(), (into + member).c_str()) != 0) return false;
    if (::rename((partial + kEntryFile).c_str(), (into + kEntryFile).c_str()) != 0) {
        ::rename((into + member).c_str(), (partial + member).c_str());
        return false;
    }
    removeOwnFolder(partial);
    return true;
}

}  // namespace

UnpackCache::UnpackCache(std::string folder, std::uint64_t limit)
    : folder_(std::move(folder)), limit_(limit) {
    if (folder_.empty()) folder_ = "/";
    folder_ = fs::asFolder(folder_);
}

std::string UnpackCache::keyOf(const std::string& archivePath, std::uint64_t size,
                               std::int64_t mtimeNs,
                               const std::vector<std::string>& extraExtensions) {
    std::string text = archivePath;
    text += '\0' + std::to_string(size) + '\0' + std::to_string(mtimeNs);
    for (const std::string& ext : extraExtensions) text += '\0' + ext;
    ContentHasher hasher(SumKinds::Sha1);
    hasher.update(text.data(), text.size());
    return hasher.finish().sha1.substr(0, kKeyLength);
}

namespace {

struct ArchiveStamp {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};

std::optional<ArchiveStamp> stampOf(const std::string& archivePath) {
    struct stat st {};
    if (::stat(archivePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return ArchiveStamp{static_cast<std::uint64_t>(st.st_size), nanoseconds(st.st_mtim)};
}

// The entry's image when the entry is complete and of this very archive.
std::optional<Entry> matchingEntry(const std::string& cacheFolder, const std::string& key,
                                   const std::string& archivePath, const ArchiveStamp& stamp) {
    std::optional<Entry> e = readEntry(cacheFolder, key);
    if (!e) return std::nullopt;
    if (e->valid && e->file.archivePath == archivePath && e->file.archiveSize == stamp.size &&
        e->file.archiveMtimeNs == stamp.mtimeNs &&
        imageBytesMatch(e->folder + e->file.member, e->file))
        return e;
    removeEntry(*e);  // changed in place, or a key that two archives share
    return std::nullopt;
}

void markUsed(const Entry& e) {
    const std::int64_t now = nowNs();
    const struct timespec times[2] = {{0, UTIME_OMIT}, {now / 1'000'000'000, now % 1'000'000'000}};
    ::utimensat(AT_FDCWD, (e.folder + kEntryFile).c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace

std::optional<std::string> UnpackCache::reuse(const std::string& archivePath,
                                              const std::vector<std::string>& extraExtensions,
                                              const std::string& destinationFolder) {
    if (limit_ == 0 || !fs::directoryExists(folder_)) return std::nullopt;
    const std::optional<ArchiveStamp> stamp = stampOf(archivePath);
    if (!stamp) return std::nullopt;
    const FileLock lock(folder_ + ".lock", true, true);
    if (!lock.held()) return std::nullopt;
    const std::string key = keyOf(archivePath, stamp->size, stamp->mtimeNs, extraExtensions);
    const std::optional<Entry> e = matchingEntry(folder_, key, archivePath, *stamp);
    if (!e) return std::nullopt;
    std::string placed = placeInto(e->folder + e->file.member, e->file.member, destinationFolder);
    if (placed.empty()) return std::nullopt;
    markUsed(*e);
    return placed;
}

namespace {

// An unpack's own folder and the lock that tells it from a dead process's.
struct PartialFolder {
    std::string path;
    std::unique_ptr<FileLock> lock;
};

// Made under the cache's lock, so that no other process takes the folder for a dead one's in
// between. nullopt when the folder or a lock cannot be made.
std::optional<PartialFolder> makePartialFolder(const std::string& cacheFolder) {
    PartialFolder partial{cacheFolder + std::string(kPartialPrefix) + "XXXXXX", nullptr};
    const FileLock lock(cacheFolder + ".lock", true, true);
    if (!lock.held() || !::mkdtemp(partial.path.data())) return std::nullopt;
    partial.path += '/';
    partial.lock = std::make_unique<FileLock>(partial.path + kPartialLock, true, false);
    if (!partial.lock->held()) {
        removeOwnFolder(partial.path);
        return std::nullopt;
    }
    return partial;
}

// Extracts the archive's image into `partial` and writes the entry beside it. The cap counts
// whole images: one larger than `limit` is refused before a byte is written. nullopt, with
// `outcome` saying why, when nothing was kept (the folder is then removed).
std::optional<EntryFile> extractEntry(const std::string& cacheFolder, const std::string& partial,
                                      const std::string& archivePath, const ArchiveStamp& stamp,
                                      const std::vector<std::string>& extraExtensions,
                                      std::uint64_t limit, UnpackCache::Outcome& outcome) {
    using Outcome = UnpackCache::Outcome;
    const std::uint64_t space = archive::spaceForExtraction(cacheFolder);
    archive::ExtractFailure failure = archive::ExtractFailure::None;
    archive::ExtractOptions options;
    options.maxMemberBytes = std::min(limit, space);
    options.failure = &failure;
    const std::string image = archive::extract(archivePath, partial, extraExtensions, options);
    struct stat st {};
    const std::string member = fs::pathName(image);
    if (image.empty() || ::lstat(image.c_str(), &st) != 0 || !isMemberName(member)) {
        removeOwnFolder(partial);
        if (failure == archive::ExtractFailure::TooLarge)
            outcome = limit <= space ? Outcome::TooLarge : Outcome::NoSpace;
        else if (failure == archive::ExtractFailure::NoSpace)
            outcome = Outcome::NoSpace;
        return std::nullopt;
    }
    const std::optional<ContentSums> sums = fileSums(image, SumKinds::Crc32);
    const EntryFile file{archivePath,
                         stamp.size,
                         stamp.mtimeNs,
                         member,
                         static_cast<std::uint64_t>(st.st_size),
                         static_cast<std::uint64_t>(st.st_ino),
                         nanoseconds(st.st_mtim),
                         sums ? std::optional(sums->crc32) : std::nullopt};
    if (!sums || sums->size != file.size) {
        removeOwnFolder(partial);
        return std::nullopt;
    }
    if (!fs::writeFileAtomically(partial + kEntryFile, entryText(file))) {
        removeOwnFolder(partial);
        outcome = Outcome::NoSpace;
        return std::nullopt;
    }
    return file;
}

// Older images of the same archive are of no more use; then the cap, the entry `key` kept.
void trimEntries(const std::string& cacheFolder, const std::string& key,
                 const std::string& archivePath, std::uint64_t limit) {
    std::uint64_t total = 0;
    std::vector<Entry> all = readEntries(cacheFolder);
    for (Entry& e : all) {
        if (e.key != key && e.file.archivePath == archivePath) {
            removeEntry(e);
            e.valid = false;
        }
        if (e.valid) total += e.file.size;
    }
    for (const Entry& e : all) {
        if (total <= limit) break;
        if (!e.valid || e.key == key) continue;
        removeEntry(e);
        total -= e.file.size;
    }
}

}  // namespace

UnpackCache::Result UnpackCache::unpack(const std::string& archivePath,
                                        const std::vector<std::string>& extraExtensions,
                                        const std::string& destinationFolder) {
    Result result;
    const std::optional<ArchiveStamp> stamp = stampOf(archivePath);
    if (!stamp) return result;
    std::optional<PartialFolder> partial;
    if (limit_ == 0 || !fs::createDirectories(folder_) || !(partial = makePartialFolder(folder_))) {
        result.outcome = Outcome::Unusable;
        return result;
    }
    const std::string key = keyOf(archivePath, stamp->size, stamp->mtimeNs, extraExtensions);
    const std::optional<EntryFile> file = extractEntry(folder_, partial->path, archivePath, *stamp,
                                                       extraExtensions, limit_, result.outcome);
    if (!file) return result;
    const std::string& member = file->member;

    const FileLock lock(folder_ + ".lock", true, true);
    if (!lock.held()) {
        removeOwnFolder(partial->path);
        result.outcome = Outcome::Unusable;
        return result;
    }
    ::unlink((partial->path + kPartialLock).c_str());
    partial->lock.reset();
    std::optional<Entry> stored = matchingEntry(folder_, key, archivePath, *stamp);
    if (stored) {
        removeOwnFolder(partial->path);  // another process unpacked it meanwhile
    } else {
        if (!moveInto(partial->path, folder_ + key, member)) {
            // A folder of that name that is taken otherwise is left alone: the image is handed
            // over, and not kept.
            result.path = placeInto(partial->path + member, member, destinationFolder);
            removeOwnFolder(partial->path);
            if (!result.path.empty()) result.outcome = Outcome::Unpacked;
            return result;
        }
        stored = readEntry(folder_, key);
        if (!stored || !stored->valid) return result;
    }
    markUsed(*stored);
    trimEntries(folder_, key, archivePath, limit_);
    removeDeadUnpacks(folder_);
    result.path = placeInto(stored->folder + member, member, destinationFolder);
    if (!result.path.empty()) result.outcome = Outcome::Unpacked;
    return result;
}

std::vector<UnpackedImage> UnpackCache::entries() const {
    std::vector<UnpackedImage> images;
    for (const Entry& e : readEntries(folder_)) {
        if (!e.valid) continue;
        images.push_back({e.key, e.file.archivePath, e.file.member, e.file.size, e.lastUseNs,
                          e.folder + e.file.member});
    }
    return images;
}

int UnpackCache::evictTo(std::uint64_t limit) {
    if (!fs::directoryExists(folder_)) return 0;
    const FileLock lock(folder_ + ".lock", true, true);
    if (!lock.held()) return -1;
    removeDeadUnpacks(folder_);
    std::vector<Entry> all = readEntries(folder_);
    std::uint64_t total = 0;
    for (const Entry& e : all) {
        if (e.valid) {
            total += e.file.size;
        } else {
            removeEntry(e);  // an image changed or gone: the entry can never be used again
        }
    }
    int removed = 0;
    for (const Entry& e : all) {
        if (total <= limit) break;
        if (!e.valid) continue;
        removeEntry(e);
        total -= e.file.size;
        ++removed;
    }
    return removed;
}

std::optional<std::uint64_t> parseByteSize(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    std::uint64_t value = 0;
    // Digits only, so the one failure left is a number too large.
    if (digits == 0 || std::from_chars(text.data(), text.data() + digits, value).ec != std::errc())
        return std::nullopt;
    std::string unit = text.substr(digits);
    for (char& c : unit)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (unit.ends_with("IB")) {
        unit.resize(unit.size() - 2);
        if (unit.empty()) return std::nullopt;
    } else if (unit.ends_with("B")) {
        unit.pop_back();
    }
    int shift = 0;
    if (unit == "K") {
        shift = 10;
    } else if (unit == "M") {
        shift = 20;
    } else if (unit == "G") {
        shift = 30;
    } else if (unit == "T") {
        shift = 40;
    } else if (!unit.empty()) {
        return std::nullopt;
    }
    if (shift > 0 && value > (~std::uint64_t{0} >> shift)) return std::nullopt;
    return value << shift;
}

}  // namespace romshelf
