#include "core/app/Optimisation.h"

#include <unordered_set>
#include <vector>

#include "core/app/Application.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"

namespace romshelf {

namespace {

// The first ROM folder that is set but cannot be listed (for other software: whose program is
// gone); -1 when every folder that is set can be seen.
int unreadableRomFolder(const Application& app) {
    const bool otherSoftware = traitsOf(app.currentCode()).otherSoftware;
    const auto& paths = app.folders().folders.romFolderPaths;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (paths[k].empty()) continue;
        if (otherSoftware ? !fs::pathExists(paths[k]) : !fs::isReadableDirectory(paths[k]))
            return static_cast<int>(k);
    }
    return -1;
}

}  // namespace

std::string missingRomFolderMessage(int folderNumber, const std::string& path) {
    return "ロムフォルダ" + std::to_string(folderNumber + 1) +
           " が見つからないか、読み込めません。\n" + path +
           "\n\nそこにあるファイルの情報まで削除してしまうため、最適化を中止しました。\n"
           "ドライブやネットワークの接続を確かめてから、もう一度実行してください。";
}

std::optional<int> optimiseFileInfo(Application& app) {
    if (app.currentCode().empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    if (!prompter.ask(kOptimiseQuestion, "最適化開始確認")) return std::nullopt;
    const auto busy = app.busyScope();

    if (const int k = unreadableRomFolder(app); k >= 0) {
        prompter.inform(missingRomFolderMessage(k, app.folders().folders.romFolderPaths[k]),
                        "警告");
        return std::nullopt;
    }
    app.showAll();
    // Titles as the comparison sees them: upper-cased, without the extension. Unowned rows
    // count (their records stay while they are listed); the placeholder row is no file.
    std::unordered_set<std::string> titles;
    bool anyFile = false;
    for (const FileListRow& row : app.fileList().rows()) {
        if (row.folderNumber == kPlaceholderFolder) continue;
        anyFile = anyFile || row.folderNumber >= 0;
        titles.insert(ascii::upper(fs::pathTitle(row.fileName())));
    }
    if (!anyFile) {
        // An empty folder (a card not yet filled, a share half there) would lose every record.
        prompter.inform("ファイルが存在しません。", "警告");
        return std::nullopt;
    }
    const RomTable& table = app.romTable();
    const int count = table.count();
    if (count == 0) return std::nullopt;

    Progress& progress = app.host().progress;
    progress.begin("ファイ情報の整理", count);
    std::vector<int> doomed;
    for (int i = 0; i < count; ++i) {
        const RomRecord& r = table[i];
        progress.step(i, r.fileTitle + " の情報を検索中…");
        if (r.fileTitle.empty()) continue;  // deleted earlier in this run
        if (!titles.contains(ascii::upper(r.fileTitle)) || holdsOnlyTitle(r)) doomed.push_back(i);
    }
    progress.step(count, "");
    progress.end();
    app.deleteRecords(doomed);
    const int deleted = static_cast<int>(doomed.size());
    prompter.inform(std::to_string(deleted) + " 個の不要と思われるファイル情報を削除しました。",
                    "整理完了");
    app.showStartList();
    return deleted;
}

}  // namespace romshelf
