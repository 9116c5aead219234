#include "core/commands/Optimisation.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/app/Application.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/text/TextCodec.h"
#include "core/views/DiscSets.h"

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

// `step` is told of each record before it is judged. The records' titles are hashed, not the
// rows': a collection has far more files than records.
template <class Step>
std::vector<int> findUseless(const RomTable& table, const FileListView& rows, Step&& step) {
    // Records whose titles are equal in upper case share a group.
    std::unordered_map<std::string, int> groupOf;
    std::vector<int> recordGroup(static_cast<std::size_t>(table.count()), -1);
    for (int i = 0; i < table.count(); ++i) {
        const std::string& title = table[i].fileTitle;
        if (title.empty()) continue;  // deleted earlier in this run
        const auto [it, added] =
            groupOf.try_emplace(text::toUpper(title), static_cast<int>(groupOf.size()));
        recordGroup[static_cast<std::size_t>(i)] = it->second;
    }
    // Disc sets shown one way or the other keep the records of the other: a disc's record stays
    // while its set is listed, a set's while one of its discs is.
    std::vector<int> setGroup(static_cast<std::size_t>(table.count()), -1);
    for (int i = 0; i < table.count(); ++i) {
        const std::string& title = table[i].fileTitle;
        if (const std::optional<DiscPart> part = parseDiscPart(title)) {
            const auto [it, added] = groupOf.try_emplace(text::toUpper(setTitleOf(title, *part)),
                                                         static_cast<int>(groupOf.size()));
            setGroup[static_cast<std::size_t>(i)] = it->second;
        }
    }
    // Unowned rows count (their records stay while they are listed); the placeholder is no file.
    std::vector<char> found(groupOf.size(), 0);
    auto mark = [&](std::string_view title) {
        if (const auto it = groupOf.find(text::toUpper(title)); it != groupOf.end())
            found[static_cast<std::size_t>(it->second)] = 1;
    };
    for (const FileListRow& row : rows) {
        if (row.folderNumber == kPlaceholderFolder) continue;
        // Full-width letters fold too (ＧＡＭＥ is ｇａｍｅ.nes's record). An unowned row holds the
        // bare title, dots and all ("Super Mario Bros. 3"): there is no extension to cut.
        const std::string_view name = row.fileName();
        const std::string_view title =
            row.folderNumber == kUnownedFolder ? name : name.substr(0, name.rfind('.'));
        mark(title);
        if (const std::optional<DiscPart> part = parseDiscPart(title))
            mark(setTitleOf(title, *part));
    }
    std::vector<int> useless;
    for (int i = 0; i < table.count(); ++i) {
        const RomRecord& r = table[i];
        step(i, r);
        const int group = recordGroup[static_cast<std::size_t>(i)];
        if (group < 0) continue;
        const int set = setGroup[static_cast<std::size_t>(i)];
        const bool listed = found[static_cast<std::size_t>(group)] ||
                            (set >= 0 && found[static_cast<std::size_t>(set)]);
        if (!listed || holdsOnlyTitle(r)) useless.push_back(i);
    }
    return useless;
}

// Of the records about to go, those whose file is gone but can be found under another name stay:
// the move is offered instead (as are those with several such files, which the log names).
std::vector<int> keepFollowed(Application& app, const std::vector<int>& useless) {
    const RomTable& table = app.romTable();
    std::vector<std::string> titles, lost;  // as they are before any record follows its file
    std::vector<char> holdsMore;
    for (const int i : useless) {
        titles.push_back(table[i].fileTitle);
        holdsMore.push_back(!holdsOnlyTitle(table[i]));
        if (holdsMore.back()) lost.push_back(titles.back());
    }
    const std::vector<std::string> found = app.recordFollowing().offerMoves(lost);
    const std::unordered_set<std::string> kept(found.begin(), found.end());
    std::vector<int> doomed;
    for (std::size_t k = 0; k < useless.size(); ++k)
        if (!holdsMore[k] || !kept.contains(titles[k])) doomed.push_back(useless[k]);
    return doomed;
}

}  // namespace

std::vector<int> uselessRecords(const RomTable& table, const FileListView& rows) {
    return findUseless(table, rows, [](int, const RomRecord&) {});
}

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
    {
        // The files renamed outside are offered below, not followed unasked.
        const RecordFollowing::Pause pause(app.recordFollowing());
        app.showAll();
    }
    bool anyFile = false;
    for (const FileListRow& row : app.fileList().rows()) anyFile = anyFile || row.folderNumber >= 0;
    if (!anyFile) {
        // An empty folder (a card not yet filled, a share half there) would lose every record.
        prompter.inform("ファイルが存在しません。", "警告");
        return std::nullopt;
    }
    const RomTable& table = app.romTable();
    const int count = table.count();
    if (count == 0) return std::nullopt;

    Progress& progress = app.host().progress;
    progress.begin("ファイ情報の整理", count, "処理済みのファイル数 / 処理するファイルの総数 %d");
    const std::vector<int> useless = findUseless(
        table, app.fileList().rows(),
        [&](int i, const RomRecord& r) { progress.step(i, r.fileTitle + " の情報を検索中…"); });
    progress.step(count, "");
    progress.end();
    const std::vector<int> doomed = keepFollowed(app, useless);
    app.deleteRecords(doomed);
    app.recordFollowing().forgetGoneFiles();
    const int deleted = static_cast<int>(doomed.size());
    prompter.inform(std::to_string(deleted) + " 個の不要と思われるファイル情報を削除しました。",
                    "整理完了");
    app.showStartList();
    return deleted;
}

}  // namespace romshelf
