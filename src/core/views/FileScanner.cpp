#include "core/views/FileScanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <ctime>

#include "core/platform/AsciiCase.h"
#include "core/text/FileNames.h"
#include "core/text/SearchFold.h"
#include "core/text/TextCodec.h"
#include "core/platform/FileSystem.h"
#include "core/platform/MappedFile.h"
#include "core/database/CategoryLists.h"
#include "core/views/DiscSets.h"
#include "core/views/ExtensionTable.h"
#include "core/views/FileListSorter.h"

namespace romshelf {

namespace {

bool hasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

// Whether `haystack` holds the search text, both in the search's folded form (`folded` is the
// scanner's scratch room: names are folded without allocating).
bool containsFolded(std::string_view haystack, const std::string& foldedNeedle,
                    std::string& folded) {
    if (foldedNeedle.empty()) return true;
    text::searchFold(haystack, folded);
    return folded.find(foldedNeedle) != std::string::npos;
}

// Up to eight bytes as a number that compares as the bytes do (shorter ones padded with zeros,
// which no name holds).
std::uint64_t bigEndian(std::string_view bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i)
        v = (v << 8) | (i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u);
    return v;
}

// What reading a folder found besides its names.
struct FolderRead {
    bool opened = false;
    bool everyKindTold = true;  // no entry whose kind only a look at it tells (a link, say)
    FolderStamp stamp;          // as the folder was when opened
    bool localStamps = false;   // see FileScanner::keepsStamps
};

// Appends the names of the files in `folder` to `names`, as fs::listDirectory tells files from
// folders (links followed), but into one buffer that is kept between folders and builds.
// `keepsStamps(device, fd)` answers FolderRead::localStamps for the open folder.
template <class Ref, class KeepsStamps>
FolderRead readFileNames(const std::string& folder, std::string& names, std::vector<Ref>& refs,
                         KeepsStamps&& keepsStamps) {
    FolderRead read;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return read;
    read.opened = true;
    // The folder's own size bounds the bytes of its names on the usual file systems: one
    // allocation instead of a buffer that grows, and is copied, a dozen times per folder.
    struct stat st {};
    constexpr off_t kLargestReserve = 16 * 1024 * 1024;
    if (::fstat(::dirfd(dir), &st) == 0) {
        read.stamp = FolderStamp::of(st);
        read.localStamps = keepsStamps(read.stamp.device, ::dirfd(dir));
        if (st.st_size > 0)
            names.reserve(names.size() +
                          static_cast<std::size_t>(std::min(st.st_size, kLargestReserve)));
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        if (e->d_type == DT_DIR) continue;  // only files can be launched
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            // What the link leads to may change without the folder changing.
            read.everyKindTold = false;
            if (fs::directoryExists(fs::joinPath(folder, name))) continue;
        }
        refs.push_back({bigEndian(name), static_cast<std::uint32_t>(names.size()),
                        static_cast<std::uint32_t>(name.size())});
        names.append(name);
        names.push_back('\0');
    }
    ::closedir(dir);
    return read;
}

std::int64_t systemWallClock() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

std::string ratingText(int rating) {
    if (rating < 1 || rating > 5) return {};
    std::string stars;
    for (int i = 0; i < rating; ++i) stars += "★";
    return stars;
}

FileScanner::FileScanner(const ScanContext& context) : c_(context) {
    const HardwareExtensions& table = extensionsFor(c_.code);
    for (const auto& e : table.extensions) passes_.push_back({std::string(e.extension), e.icon});
    if (table.archivePass) {
        int icon = table.firstArchiveIcon;
        for (std::string_view ext : kArchiveExtensions)
            passes_.push_back({std::string(ext), icon++});
    }
    if (c_.folders) {
        int icon = 0;
        for (const auto& ext : c_.folders->extraExtensions)
            if (!ext.empty()) passes_.push_back({ext, icon++});
    }
    // A name ends with "." + ext exactly when the part after one of its dots is ext: each name
    // is then matched by looking up the parts after its dots, not by trying every pass on it.
    for (std::uint32_t p = 0; p < passes_.size(); ++p) {
        Pass& pass = passes_[p];
        pass.wildcard = hasWildcard(pass.extension);
        if (pass.wildcard || pass.extension.empty()) continue;
        const std::string lower = ascii::lower(pass.extension);
        auto key = std::find_if(keys_.begin(), keys_.end(),
                                [&](const ExtensionKey& k) { return k.lower == lower; });
        if (key == keys_.end())
            key = keys_.insert(keys_.end(), ExtensionKey{lower, bigEndian(lower), {}});
        key->passes.push_back(p);
        longestKey_ = std::max(longestKey_, lower.size());
    }
    matches_.resize(passes_.size());
}

void FileScanner::fillRow(FileListRow& row, std::string_view name, std::size_t titleSize,
                          int recordIndex, int folder, int icon, int param) const {
    row.icon = icon;
    row.param = param;
    row.folderNumber = folder;
    row.recordIndex = recordIndex;
    row.show(name, titleSize,
             recordIndex >= 0 ? &c_.recordTexts[static_cast<std::size_t>(recordIndex)] : nullptr);
}

bool FileScanner::keepsStamps(std::uint64_t device, int fd) {
    for (const auto& [known, keeps] : devices_)
        if (known == device) return keeps;
    // A share's folder times come from another machine, in whole seconds, without a change time
    // of their own: only local file systems (those whose files are mapped safely).
    const bool keeps = MappedFile::mapsSafely(fd);
    devices_.emplace_back(device, keeps);
    return keeps;
}

void FileScanner::listFolder(int folderIndex, ListMode mode, FolderHits& out,
                             const FolderHits* previous) {
    out.clear();
    const std::string& folder = c_.folders->romFolderPaths[static_cast<std::size_t>(folderIndex)];
    if (folder.empty()) return;
    out.folder = folder;
    out.slot = folderIndex;
    names_.clear();
    read_.clear();
    if (previous && previous->folder != folder) previous = nullptr;
    // Names kept by the last build or the listing file stand for the folder while its stamp stays
    // the same: one stat instead of reading it.
    enum class From { Folder, Previous, File } from = From::Folder;
    const bool keptBefore = previous && previous->kept;
    if (keptBefore || (c_.listings && c_.listings->size() > 0)) {
        struct stat st {};
        // Names this user could not read are not shown from a file another user may have written.
        if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            ::faccessat(AT_FDCWD, folder.c_str(), R_OK, AT_EACCESS) == 0) {
            const FolderStamp stamp = FolderStamp::of(st);
            if (keptBefore && previous->stamp == stamp) {
                from = From::Previous;
                out.readHash = previous->readHash;
                out.readSize = previous->readSize;
            } else if (c_.listings && c_.listings->readNames(folder, stamp, out.names, out.readHash,
                                                             out.readSize)) {
                from = From::File;
            }
            if (from != From::Folder) {
                out.stamp = stamp;
                out.kept = true;
                out.inFile = from == From::File || previous->inFile;
            }
        }
    }
    if (from == From::Folder) {
        // The clock before the folder is opened: a change made while it is read, in the tick of
        // the stamp the opening finds, is then no more than a moment after this time, and the
        // stamp is not taken for settled.
        const std::int64_t now = c_.wallClock ? c_.wallClock() : systemWallClock();
        const FolderRead read =
            readFileNames(folder, read_, names_,
                          [this](std::uint64_t device, int fd) { return keepsStamps(device, fd); });
        if (!read.opened) return;
        // A hash stands for the names read: keeping them all for the comparison would cost as
        // much memory as the names themselves.
        out.readHash = SortKeyCache::hashOf(read_);
        out.readSize = read_.size();
        out.stamp = read.stamp;
        out.kept = read.everyKindTold && read.localStamps && read.stamp.settledAt(now);
        if (previous && previous->readHash == out.readHash && previous->readSize == out.readSize)
            from = From::Previous;
    }
    out.titlesRevision = c_.records->titlesRevision();
    // With the same names and the same titles in the records, the records found are the same.
    bool sameRecords = false;
    if (from == From::Previous) {
        out.names = previous->names;
        out.namesListed = previous->namesListed;
        out.nameCount = previous->nameCount;
        // The hits stand for the matches when every match was taken (their records aside).
        out.matched = previous->everyMatchHit ? previous->hits : previous->matched;
        sameRecords = previous->everyMatchHit && previous->titlesRevision == out.titlesRevision;
    } else if (from == From::File) {
        takeKeptNames(out);
        matchNames(out);
    } else {
        match(out);
    }
    // Only names a listing file would give back (a name the system could not make text of would
    // have the folder written again at every listing, never taken).
    if (out.kept && !out.inFile)
        out.kept =
            keepableNames(std::string_view(out.names).substr(0, out.namesListed), out.nameCount);
    if (out.matched.empty()) return;
    titles_.clear();
    for (const FolderHits::Hit& m : out.matched)
        titles_.push_back(out.name(m).substr(0, m.titleSize));
    if (!sameRecords) {
        records_.resize(titles_.size());
        c_.records->findRecordsByTitle(titles_, records_);
    }
    out.hits.reserve(out.matched.size());
    for (std::size_t k = 0; k < out.matched.size(); ++k) {
        const FolderHits::Hit& m = out.matched[k];
        const int record = sameRecords ? m.record : records_[k];
        if (!accept(titles_[k], record, mode)) continue;
        out.hits.push_back({m.nameStart, m.nameSize, m.titleSize, record, m.icon});
    }
    titles_.clear();  // views of out.names
    // Then the matches are not kept twice (the usual list of all files).
    out.everyMatchHit = out.hits.size() == out.matched.size();
    if (out.everyMatchHit) std::vector<FolderHits::Hit>().swap(out.matched);
}

void FileScanner::match(FolderHits& out) {
    // The passes list names in the byte order of the names on disk.
    const std::string_view raw = read_;
    auto bytesOf = [&](const NameRef& r) { return raw.substr(r.start, r.size); };
    std::sort(names_.begin(), names_.end(), [&](const NameRef& a, const NameRef& b) {
        return a.head != b.head ? a.head < b.head : bytesOf(a) < bytesOf(b);
    });
    // The names' texts, in that order, into the folder's own buffer. Valid UTF-8 is its own text
    // (text::fileNameText keeps it as it is): only the other names are converted.
    out.names.reserve(read_.size());
    for (NameRef& r : names_) {
        std::string_view name = bytesOf(r);
        if (!text::isValidUtf8(name)) {
            converted_ = text::fileNameText(std::string(name));
            name = converted_;
        }
        r = {r.head, static_cast<std::uint32_t>(out.names.size()),
             static_cast<std::uint32_t>(name.size())};
        out.names.append(name);
        out.names.push_back('\0');  // as a listing file keeps them
    }
    out.namesListed = out.names.size();
    out.nameCount = static_cast<std::uint32_t>(names_.size());
    matchNames(out);
}

void FileScanner::takeKeptNames(FolderHits& out) {
    // The file's names were checked when read: each is ended by a NUL.
    const std::string_view names = out.names;
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = names.find('\0', at);
        names_.push_back({0, static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(end - at)});
        at = end + 1;
    }
    out.namesListed = names.size();
    out.nameCount = static_cast<std::uint32_t>(names_.size());
}

void FileScanner::matchNames(FolderHits& out) {
    const std::string_view names = out.names;
    auto nameOf = [&](std::uint32_t i) { return names.substr(names_[i].start, names_[i].size); };

    for (auto& m : matches_) m.clear();
    out.matched.reserve(names_.size());
    for (std::uint32_t i = 0; i < names_.size(); ++i) {
        const std::string_view name = nameOf(i);
        // The parts after each dot, shortest first, as long as a key could match them. Names
        // are taken in order, so each pass's matches are in name order too.
        for (std::size_t dot = name.size(); dot-- > 0;) {
            const std::size_t size = name.size() - dot - 1;
            if (size > longestKey_) break;
            if (name[dot] != '.') continue;
            const std::string_view part = name.substr(dot + 1);
            if (size <= 8) {
                // Lower-cased into a number, and compared with the keys as numbers.
                std::uint64_t packed = 0;
                for (std::size_t k = 0; k < 8; ++k)
                    packed = (packed << 8) |
                             (k < size ? static_cast<unsigned char>(ascii::lower(part[k])) : 0u);
                for (const ExtensionKey& key : keys_)
                    if (key.packed == packed && key.lower.size() == size)
                        for (std::uint32_t p : key.passes) matches_[p].push_back(i);
                continue;
            }
            for (const ExtensionKey& key : keys_) {
                if (key.lower.size() != size) continue;
                std::size_t k = 0;
                while (k < size && ascii::lower(part[k]) == key.lower[k]) ++k;
                if (k == size)
                    for (std::uint32_t p : key.passes) matches_[p].push_back(i);
            }
        }
    }
    for (std::uint32_t p = 0; p < passes_.size(); ++p) {
        if (!passes_[p].wildcard) continue;
        const std::string pattern = "*." + passes_[p].extension;
        for (std::uint32_t i = 0; i < names_.size(); ++i)
            if (fs::matchesPattern(nameOf(i), pattern)) matches_[p].push_back(i);
    }

    for (std::uint32_t p = 0; p < passes_.size(); ++p) {
        for (std::uint32_t i : matches_[p]) {
            const std::string_view name = nameOf(i);
            const std::size_t titleSize = std::min(name.find_last_of('.'), name.size());
            out.matched.push_back({names_[i].start, static_cast<std::uint16_t>(names_[i].size),
                                   static_cast<std::uint16_t>(titleSize), -1, passes_[p].icon});
        }
    }
    if (c_.discSets) {
        std::vector<std::string_view> all;
        all.reserve(names_.size());
        for (std::uint32_t i = 0; i < names_.size(); ++i) all.push_back(nameOf(i));
        groupDiscSets(out, all);
    }
}

void FileScanner::fillRows(const FolderHits& hits, int folderIndex, std::span<FileListRow> rows,
                           int firstParam) const {
    fillRowsAt(hits, hits.names.data(), folderIndex, rows, firstParam);
}

void FileScanner::fillRowsAt(const FolderHits& hits, const char* names, int folderIndex,
                             std::span<FileListRow> rows, int firstParam) const {
    for (std::size_t k = 0; k < hits.hits.size(); ++k) {
        const FolderHits::Hit& h = hits.hits[k];
        fillRow(rows[k], std::string_view(names + h.nameStart, h.nameSize), h.titleSize, h.record,
                folderIndex, h.icon, firstParam + static_cast<int>(k));
    }
}

void FileScanner::scanFolder(FileRows& rows, int folderIndex, ListMode mode) {
    listFolder(folderIndex, mode, own_);
    if (own_.hits.empty()) return;
    const int first = static_cast<int>(rows.size());
    // own_ lists the next folder: its names are kept with the rows.
    fillRowsAt(own_, c_.texts->keep(own_.names).data(), folderIndex, rows.extend(own_.hits.size()),
               first);
}

int FileScanner::appendUnowned(FileRows& rows) {
    auto bytes = fs::readFile(c_.noHavePath);
    if (!bytes) return 0;
    const std::string content = text::decodeTextFile(*bytes);
    int added = 0;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const int record = c_.records->findRecordByTitle(line);
        if (!accept(line, record, ListMode::Selection)) continue;
        fillRow(rows.add(), c_.texts->keep(line), line.size(), record, kUnownedFolder, 1,
                static_cast<int>(rows.size()));
        ++added;
    }
    return added;
}

void FileScanner::appendOtherSoftware(FileRows& rows, ListMode mode) {
    for (int slot = 0; slot < kRomFolderCount; ++slot) {
        const std::string& location = c_.folders->romFolderPaths[static_cast<std::size_t>(slot)];
        if (location.empty() || !fs::pathExists(location)) continue;
        const std::string name = fs::pathName(location);
        const std::string title = fs::pathTitle(name);
        const int record = c_.records->findRecordByTitle(title);
        if (!accept(title, record, mode)) continue;
        // The title is the name without its extension.
        fillRow(rows.add(), c_.texts->keep(name), title.size(), record, slot, 1,
                static_cast<int>(rows.size()));
    }
}

bool FileScanner::hasSnap(std::string_view title) const {
    if (!snapsListed_) {
        // "title.*" matches every name that starts with the title and a dot.
        for (const auto& e : fs::listDirectory(c_.snapFolder)) {
            if (e.isDirectory) continue;
            const std::string lower = ascii::lower(text::fileNameText(e.name));
            snapTitles_.insert(lower);
            for (std::size_t dot = lower.find('.'); dot != std::string::npos;
                 dot = lower.find('.', dot + 1))
                snapTitles_.insert(lower.substr(0, dot));
        }
        snapsListed_ = true;
    }
    return snapTitles_.count(ascii::lower(title)) > 0;
}

bool FileScanner::accept(std::string_view title, int recordIndex, ListMode mode) const {
    const RomRecord* r = recordIndex >= 0 ? &(*c_.records)[recordIndex] : nullptr;
    switch (mode) {
        case ListMode::Unregistered:
            return r == nullptr;
        case ListMode::NoSnap:
            return c_.snapFolder.empty() || !hasSnap(title);
        case ListMode::Search: {
            const SearchCriteria& s = c_.criteria;
            if (!r) {
                const bool unset = [&] {
                    for (const auto& t : s.classes)
                        if (t != kNoCondition && !t.empty()) return false;
                    return (s.rating == kNoCondition || s.rating.empty()) &&
                           (s.favourite == kNoCondition || s.favourite.empty());
                }();
                return s.field != 3 && unset && containsFolded(title, s.text, folded_);
            }
            const std::string* fields[] = {&r->gameName, &r->reading, &r->fileTitle, &r->comment};
            const int field = std::clamp(s.field, 0, 3);
            if (!containsFolded(*fields[field], s.text, folded_)) return false;
            if (s.rating != kNoCondition && ratingText(r->rating) != s.rating) return false;
            for (int k = 0; k < 6; ++k) {
                const std::string& want = s.classes[static_cast<std::size_t>(k)];
                if (want == kNoCondition) continue;
                const std::string& have =
                    k < 5 ? r->classes[static_cast<std::size_t>(k)] : r->hardwareClass;
                if (have != want) return false;
            }
            if (s.favourite == kNoCondition) return true;
            return s.favourite.empty() ? !r->favourite
                                       : (s.favourite == kRegisteredItem && r->favourite);
        }
        case ListMode::Selection:
            break;
    }
    const FolderWindowKind kind = c_.kind;
    if (c_.itemGone) return false;
    if (kind == FolderWindowKind::None || kind == FolderWindowKind::RomFolder) return true;
    if (kind == FolderWindowKind::Rating) return (r ? r->rating : 0) == c_.selectedItem;
    if (const int list = categoryListOf(kind); list >= 0) {
        if (!r) return c_.selectedItemText.empty();
        const std::string& value = list == kHardwareClassList
                                       ? r->hardwareClass
                                       : r->classes[static_cast<std::size_t>(list)];
        return value == c_.selectedItemText;
    }
    if (kind == FolderWindowKind::Favourites) {
        if (!r) return c_.selectedItem == 0;
        return r->favourite == (c_.selectedItem == 1);
    }
    return false;
}

}  // namespace romshelf
