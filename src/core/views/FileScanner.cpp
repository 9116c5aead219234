#include "core/views/FileScanner.h"

#include <algorithm>

#include "core/platform/AsciiCase.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"
#include "core/platform/FileSystem.h"
#include "core/database/CategoryLists.h"
#include "core/views/ExtensionTable.h"

namespace romshelf {

namespace {

bool hasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

// The files of a folder, listed once; "*.ext" is matched against them in memory.
struct FolderListing {
    std::vector<std::string> names;  // as text, in the byte order of the names on disk

    explicit FolderListing(const std::string& folder) {
        for (auto& e : fs::listDirectory(folder))
            if (!e.isDirectory)  // only files can be launched
                names.push_back(text::fileNameText(std::move(e.name)));
    }

    // Indexes of the names matching "*." + ext, ASCII case-insensitively.
    template <class Visit>
    void match(std::string_view ext, Visit&& visit) const {
        if (ext.empty()) return;
        if (hasWildcard(ext)) {
            const std::string pattern = "*." + std::string(ext);
            for (std::size_t i = 0; i < names.size(); ++i)
                if (fs::matchesPattern(names[i], pattern)) visit(i);
            return;
        }
        const std::string suffix = "." + std::string(ext);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (ascii::endsWithIgnoringCase(names[i], suffix)) visit(i);
    }
};

bool containsUpper(std::string_view haystack, const std::string& upperNeedle) {
    if (upperNeedle.empty()) return true;
    return text::toUpper(haystack).find(upperNeedle) != std::string::npos;
}

}  // namespace

std::string ratingText(int rating) {
    if (rating < 1 || rating > 5) return {};
    std::string stars;
    for (int i = 0; i < rating; ++i) stars += "★";
    return stars;
}

FileScanner::FileScanner(const ScanContext& context) : c_(context) {}

void FileScanner::fillRow(FileListRow& row, std::string_view name, std::string_view title,
                          int recordIndex, int folder, int icon, int param) const {
    row.icon = icon;
    row.param = param;
    row.folderNumber = folder;
    row.recordIndex = recordIndex;
    auto& cells = row.cells;
    if (recordIndex >= 0) {
        const RomRecord& r = (*c_.records)[recordIndex];
        cells[0].assign(r.gameName);
        cells[1].assign(r.reading);
        cells[3].assign(ratingText(r.rating));
        for (int k = 0; k < kRecordClassCount; ++k) cells[static_cast<std::size_t>(4 + k)].assign(r.classes[static_cast<std::size_t>(k)]);
        cells[9].assign(r.hardwareClass);
    } else {
        cells[0].assign(title);
        cells[1].assign(title);
        for (int k = 3; k <= 9; ++k) cells[static_cast<std::size_t>(k)].clear();
    }
    cells[2].assign(name);
    cells[kColumnFolderNumber].assign(std::to_string(folder));
    cells[kColumnRecordIndex].assign(std::to_string(recordIndex));
}

void FileScanner::scanFolder(FileRows& rows, int folderIndex, ListMode mode) {
    const std::string& folder = c_.folders->romFolderPaths[static_cast<std::size_t>(folderIndex)];
    if (folder.empty()) return;
    const FolderListing listing(folder);
    if (listing.names.empty()) return;
    rows.reserveMore(listing.names.size());

    auto pass = [&](std::string_view ext, int icon) {
        listing.match(ext, [&](std::size_t i) {
            const std::string_view name = listing.names[i];
            const std::string_view title = name.substr(0, std::min(name.find_last_of('.'), name.size()));
            const int record = c_.records->findRecordByTitle(title);
            if (!accept(title, record, mode)) return;
            const int param = static_cast<int>(rows.size());
            fillRow(rows.add(), name, title, record, folderIndex, icon, param);
        });
    };
    const HardwareExtensions& table = extensionsFor(c_.code);
    for (const auto& e : table.extensions) pass(e.extension, e.icon);
    if (table.archivePass) {
        int icon = table.firstArchiveIcon;
        for (std::string_view ext : kArchiveExtensions) pass(ext, icon++);
    }
    int icon = 0;
    for (const auto& ext : c_.folders->extraExtensions) {
        if (ext.empty()) continue;
        pass(ext, icon++);
    }
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
        fillRow(rows.add(), line, line, record, kUnownedFolder, 1, static_cast<int>(rows.size()));
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
        fillRow(rows.add(), name, title, record, slot, 1, static_cast<int>(rows.size()));
    }
}

bool FileScanner::hasSnap(std::string_view title) const {
    if (!snapsListed_) {
        // "title.*" matches every name that starts with the title and a dot.
        for (const auto& e : fs::listDirectory(c_.snapFolder)) {
            if (e.isDirectory) continue;
            const std::string lower = ascii::lower(text::fileNameText(e.name));
            snapTitles_.insert(lower);
            for (std::size_t dot = lower.find('.'); dot != std::string::npos; dot = lower.find('.', dot + 1))
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
                return s.field != 3 && unset && containsUpper(title, s.text);
            }
            const std::string* fields[] = {&r->gameName, &r->reading, &r->fileTitle, &r->comment};
            const int field = std::clamp(s.field, 0, 3);
            if (!containsUpper(*fields[field], s.text)) return false;
            if (s.rating != kNoCondition && ratingText(r->rating) != s.rating) return false;
            for (int k = 0; k < 6; ++k) {
                const std::string& want = s.classes[static_cast<std::size_t>(k)];
                if (want == kNoCondition) continue;
                const std::string& have = k < 5 ? r->classes[static_cast<std::size_t>(k)] : r->hardwareClass;
                if (have != want) return false;
            }
            if (s.favourite == kNoCondition) return true;
            return s.favourite.empty() ? !r->favourite : (s.favourite == kRegisteredItem && r->favourite);
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
