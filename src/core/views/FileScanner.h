#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/settings/FolderSettings.h"
#include "core/database/RomTable.h"
#include "core/views/FileListRow.h"
#include "core/views/FolderListingFile.h"

namespace romshelf {

// How FileFilter narrows the rows of a build.
enum class ListMode { Selection = 0, Search = 1, Unregistered = 2, NoSnap = 3 };

// The search dialog's choices. Each condition text is "指定しない" (no condition), empty (not
// set) or a value.
struct SearchCriteria {
    std::string text;   // in the search's folded form (text::searchFold)
    std::string typed;  // as typed, for the title
    int field = 0;      // 0 game name, 1 reading, 2 file name, 3 comment
    std::string rating;
    std::array<std::string, 6> classes;  // categories 1-5, hardware class
    std::string favourite;
};

inline constexpr std::string_view kNoCondition = "指定しない";
inline constexpr std::string_view kUnregisteredItem = "未登録";
inline constexpr std::string_view kRegisteredItem = "登録済み";

// The rating texts of the registration dialog: "" (none) and ★ … ★★★★★.
std::string ratingText(int rating);

// Everything a build reads besides the directories.
struct ScanContext {
    std::string code;
    bool otherSoftware = false;
    const FolderSettings* folders = nullptr;
    const RomTable* records = nullptr;
    std::string snapFolder;  // the snap window's current snap folder (mode 3)
    std::string noHavePath;  // data/NoHave_<code>.txt
    FolderWindowKind kind = FolderWindowKind::None;
    bool itemGone = false;  // the narrowing item no longer exists: nothing matches
    int selectedItem = 0;
    std::string selectedItemText;  // the folder-window item's text ("未登録" → "")
    SearchCriteria criteria;
    bool discSets = false;  // a folder's disc sets and playlists are one row each
    // What each record shows in its rows, by record index, and where the texts of rows that are
    // not a folder's names are kept.
    std::span<const RecordTexts> recordTexts;
    TextStore* texts = nullptr;
    // The names the last listings kept (nullptr: none), and the wall clock in seconds that tells
    // whether a folder's names may be kept (nullptr: the system's).
    const FolderListingFile* listings = nullptr;
    std::int64_t (*wallClock)() = nullptr;
};

// The rows one folder gives, before they are filled in: the texts of the folder's file names back
// to back, and for each row its name, the length of its title, its record and its icon. Kept
// between builds, so that listing a folder again allocates little.
struct FolderHits {
    // Sixteen bytes: a name holds at most 255 bytes on disk, a few times that as text.
    struct Hit {
        std::uint32_t nameStart = 0;
        std::uint16_t nameSize = 0;
        std::uint16_t titleSize = 0;
        std::int32_t record = -1;
        std::int32_t icon = 0;
    };
    std::string names;
    std::vector<Hit> hits;
    int slot = -1;  // the ROM folder's number
    // How they came about: the folder, a hash and the size of its names as read (each ended by a
    // NUL, which no name holds) and every name an extension pass took, before the join and the
    // narrowing. A folder read the same again is matched the same again.
    std::string folder;
    std::uint64_t readHash = 0;
    std::size_t readSize = 0;
    std::vector<Hit> matched;  // empty when everyMatchHit: the hits are the matches
    bool everyMatchHit = false;
    std::uint64_t titlesRevision = 0;  // of the records the hits' records were found in
    // The folder's own names are the first namesListed bytes of `names`, each ended by a NUL (a
    // disc set's name may follow them). They stand for the folder for as long as its stamp stays
    // the same when `kept`: read from a local file system, settled, every entry's kind told by
    // the folder itself. `inFile`: the listing file holds them with this stamp.
    std::size_t namesListed = 0;
    std::uint32_t nameCount = 0;
    FolderStamp stamp;
    bool kept = false;
    bool inFile = false;

    // The same rows: the same names, each with the same title, record and icon.
    bool operator==(const FolderHits& o) const {
        return names == o.names && hits.size() == o.hits.size() &&
               std::equal(hits.begin(), hits.end(), o.hits.begin(), [](const Hit& a, const Hit& b) {
                   return a.nameStart == b.nameStart && a.nameSize == b.nameSize &&
                          a.titleSize == b.titleSize && a.record == b.record && a.icon == b.icon;
               });
    }

    std::string_view name(const Hit& h) const {
        return std::string_view(names).substr(h.nameStart, h.nameSize);
    }
    void clear() {
        names.clear();
        hits.clear();
        slot = -1;
        folder.clear();
        readHash = 0;
        readSize = 0;
        matched.clear();
        everyMatchHit = false;
        titlesRevision = 0;
        namesListed = 0;
        nameCount = 0;
        stamp = {};
        kept = false;
        inFile = false;
    }
};

// Lists the ROM folders of one hardware into rows, each folder read once and matched in memory.
// One scanner per thread: it keeps scratch space and the snap folder's names.
class FileScanner {
public:
    explicit FileScanner(const ScanContext& context);

    // One ROM folder: the table's extensions, the archive pass, then the extra extensions.
    void scanFolder(FileRows& rows, int folderIndex, ListMode mode);
    // The same in two steps, so that several folders can be listed at once and their rows filled
    // in where they belong: the rows of a folder, then those rows filled in (numbered from
    // `firstParam`), pointing at the names of `hits`, which stay for as long as the rows.
    // `previous`, when given, is the same folder's listing by the last build with the same
    // extensions: when the folder reads the same, its names and matches are taken from there.
    void listFolder(int folderIndex, ListMode mode, FolderHits& out,
                    const FolderHits* previous = nullptr);
    void fillRows(const FolderHits& hits, int folderIndex, std::span<FileListRow> rows,
                  int firstParam) const;
    // The titles of data/NoHave_<code>.txt, grey, folder -2. Returns how many were added.
    int appendUnowned(FileRows& rows);
    // The other-software locations that exist.
    void appendOtherSoftware(FileRows& rows, ListMode mode);

    bool accept(std::string_view title, int recordIndex, ListMode mode) const;

private:
    // `name` stays for as long as the row; its title is its first `titleSize` bytes.
    void fillRow(FileListRow& row, std::string_view name, std::size_t titleSize, int recordIndex,
                 int folder, int icon, int param) const;
    void fillRowsAt(const FolderHits& hits, const char* names, int folderIndex,
                    std::span<FileListRow> rows, int firstParam) const;
    bool hasSnap(std::string_view title) const;
    // The names read (read_), sorted and as text into out.names, and the passes' matches.
    void match(FolderHits& out);
    // The passes' matches among names_, views of out.names.
    void matchNames(FolderHits& out);
    // The names of a listing file (in out.names, checked when read) into names_.
    void takeKeptNames(FolderHits& out);
    // Whether the file system of the folder whose device is `device`, open as `fd`, changes a
    // folder's stamp with every change of its names (local disks): asked once per device.
    bool keepsStamps(std::uint64_t device, int fd);

    const ScanContext& c_;
    // The extension passes in list order; those without wildcards are also found by their
    // lower-cased extension.
    struct Pass {
        std::string extension;
        int icon = 0;
        bool wildcard = false;
    };
    struct ExtensionKey {
        std::string lower;
        std::uint64_t packed = 0;  // `lower` as a number when it has at most eight bytes
        std::vector<std::uint32_t> passes;
    };
    std::vector<Pass> passes_;
    std::vector<ExtensionKey> keys_;
    std::size_t longestKey_ = 0;
    // Scratch space of listFolder.
    struct NameRef {
        std::uint64_t head;  // the first eight bytes, big-endian: most names differ there
        std::uint32_t start;
        std::uint32_t size;
    };
    std::vector<NameRef> names_;
    std::string read_;                                 // the names as read
    std::vector<std::vector<std::uint32_t>> matches_;  // per pass: indexes into names_
    std::string converted_;
    // The titles of a folder's matches and the records found for them.
    std::vector<std::string_view> titles_;
    std::vector<int> records_;
    std::vector<std::pair<std::uint64_t, bool>> devices_;  // keepsStamps' answers
    FolderHits own_;                                       // scanFolder's
    // The snap folder is listed once, on the first question.
    mutable bool snapsListed_ = false;
    mutable std::unordered_set<std::string> snapTitles_;  // lower-cased "title" of every "title.*"
    mutable std::string folded_;                          // a name in the search's folded form
};

}  // namespace romshelf
