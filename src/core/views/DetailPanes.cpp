#include "core/views/DetailPanes.h"

#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"
#include "core/views/DiscSets.h"
#include "core/views/SizeText.h"

namespace romshelf {

std::string rowFilePath(const FileListRow& row, const DetailSources& s) {
    if (row.folderNumber < 0 || row.folderNumber >= kRomFolderCount) return {};
    const std::string& folder =
        s.folders.folders.romFolderPaths[static_cast<std::size_t>(row.folderNumber)];
    if (s.otherSoftware) return folder;  // the entry names the file itself
    if (folder.empty()) return {};
    return text::pathOnDisk(folder, row.fileName());
}

std::uint64_t rowFileSize(const FileListRow& row, const DetailSources& s, std::size_t* discs) {
    if (discs) *discs = 0;
    const std::string path = rowFilePath(row, s);
    if (path.empty()) return 0;
    if (const std::optional<std::uint64_t> size = fs::fileSize(path)) return *size;
    if (s.otherSoftware) return 0;
    // Only a name no file has can be a set's: the others never list their folder here.
    const std::vector<std::string> set =
        discSetPaths(s.folders.folders.romFolderPaths[static_cast<std::size_t>(row.folderNumber)],
                     row.fileName());
    std::uint64_t total = 0;
    for (const std::string& disc : set) total += fs::fileSize(disc).value_or(0);
    if (discs) *discs = set.size();
    return total;
}

FileInfoTexts fileInfoTexts(const FileListRow& row, const DetailSources& s) {
    FileInfoTexts t;
    t.gameName = row.cells[0];
    t.rating = row.cells[3];
    for (std::size_t k = 0; k < t.categories.size(); ++k) {
        const std::string& value = row.cells[4 + k];
        t.categories[k] = s.showCategoryNames ? s.categoryNames[k] + " : " + value : value;
    }
    if (row.folderNumber >= 0) {
        const std::string path = rowFilePath(row, s);
        const std::string name =
            s.otherSoftware ? text::fileNameText(fs::pathName(path)) : row.fileName();
        // A file that cannot be examined counts as empty; a set tells its discs.
        std::size_t discs = 0;
        const std::uint64_t size = rowFileSize(row, s, &discs);
        t.status = name + (discs > 0 ? " (ディスク " + std::to_string(discs) + " 枚)" : "") +
                   std::string(kStatusSizeLabel) + sizeText(size);
    }
    return t;
}

std::string databaseText(const FileListRow& row, const RomTable& records) {
    if (row.recordIndex < 0 || row.recordIndex >= records.count()) return {};
    return records[row.recordIndex].comment;
}

std::string playedText(const PlayStats& plays) {
    if (plays.count == 0) return {};
    std::string last = localDateTimeText(plays.lastPlayed);
    if (last.size() > 10) last[10] = ' ';  // no ISO 'T' in the window
    return "プレイ回数 : " + std::to_string(plays.count) +
           " 回\nプレイ時間 : " + playTimeText(plays.seconds) + "\n最終プレイ : " + last + "\n\n";
}

}  // namespace romshelf
