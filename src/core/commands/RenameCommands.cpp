#include "core/commands/RenameCommands.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <tuple>
#include <unordered_set>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/commands/RenameDataFiles.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/FileSystem.h"
#include "core/rename/DatImport.h"
#include "core/rename/DatVerify.h"
#include "core/text/CsvField.h"
#include "core/rename/FileIdentity.h"
#include "core/rename/RenameCompanions.h"
#include "core/rename/RenameData.h"
#include "core/rename/RenameMatcher.h"
#include "core/settings/HardwareTable.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

bool exists(const std::string& path) { return fs::pathExists(path); }

// `path` names an entry directly inside `folder` (which ends in '/'), nothing above or below it.
bool isInFolder(const std::string& path, const std::string& folder) {
    if (!path.starts_with(folder)) return false;
    const std::string_view name = std::string_view(path).substr(folder.size());
    return name.find('/') == std::string_view::npos && isUsableRenameTitle(name);
}

// The ROM folder number of `folder` (ending in '/'), -1 when it is none.
int romFolderNumber(const Application& app, const std::string& folder) {
    const auto& paths = app.folders().folders.romFolderPaths;
    for (int k = 0; k < kRomFolderCount; ++k)
        if (paths[static_cast<std::size_t>(k)] == folder) return k;
    return -1;
}

// The longest file name the file systems take, in bytes.
constexpr std::size_t kNameMax = 255;

// Moves one matched file to its canonical name as the rename rules say; companions follow.
RenameReason renameMatched(Application& app, JournaledChange& change, const LoopFile& file,
                           const std::string& newName, std::string& target, RenameCounts& counts) {
    const FolderSettings& folders = app.folders().folders;
    const std::string ownFolder = fs::pathFolder(file.path);
    std::string destination = folders.renameOkFolder.empty() ? ownFolder : folders.renameOkFolder;
    target = destination + newName;
    if (target == file.path) return RenameReason::AlreadyNamed;
    bool clash = false;
    if (exists(target)) {
        // Without a duplicate folder the file stays where it is, under its own name.
        if (folders.duplicateFolder.empty()) return RenameReason::SameName;
        clash = true;
        destination = folders.duplicateFolder;
        target = destination + newName;
        if (target == file.path) return RenameReason::Duplicate;
    }
    // The joined path must still name a file right in the destination folder.
    if (!isInFolder(target, destination)) return RenameReason::Failed;
    // A file moved into another ROM folder (the OK folder usually is one) is found there again
    // from the recent-files menu.
    const int newFolder = romFolderNumber(app, fs::pathFolder(target));
    CompanionReport report;
    if (change.move(file.path, target, file.name, fs::pathName(target), file.recordIndex, newFolder,
                    report) != fs::MoveResult::Moved)
        return RenameReason::Failed;
    for (std::string& left : report.leftInPlace) counts.companionsLeft.push_back(std::move(left));
    for (std::string& left : report.failed) counts.companionsLeft.push_back(std::move(left));
    return clash ? RenameReason::Duplicate : RenameReason::Renamed;
}

// The failed folder takes what could not be renamed, under its own name, when there is room.
void moveToFailed(Application& app, JournaledChange& change, const LoopFile& file) {
    const std::string& failed = app.folders().folders.renameFailedFolder;
    if (failed.empty()) return;
    const std::string target = failed + fs::pathName(file.path);
    if (target == file.path) return;
    CompanionReport unchanged;  // the same name: only recent launches change their folder
    change.move(file.path, target, file.name, file.name, file.recordIndex,
                romFolderNumber(app, failed), unchanged);
}

// "  うち、…ファイル数 : N" when there are any.
std::string ofWhichLine(const RenameCounts& c, RenameReason r, const char* what) {
    const int n = c.count(r);
    return n > 0 ? std::string("\n  うち、") + what + " : " + std::to_string(n) : std::string();
}

// The files of one reason as "「old」→「new」" lines, at most ten, then a count.
std::string rowsText(const RenameCounts& c, RenameReason r, const char* heading) {
    constexpr std::size_t kListed = 10;
    std::string text;
    std::size_t listed = 0, more = 0;
    for (const RenameRow& row : c.rows) {
        if (row.reason != r) continue;
        if (listed == kListed) {
            ++more;
            continue;
        }
        if (listed++ == 0) text = std::string("\n\n") + heading;
        text += "\n「" + visibleText(fs::pathName(row.file)) + "」→「" +
                visibleText(fs::pathName(row.target)) + "」";
    }
    if (more > 0) text += "\nほか " + std::to_string(more) + " 件";
    return text;
}

std::string countsText(const RenameCounts& c) {
    using R = RenameReason;
    std::string text = std::string(c.aborted ? "ファイルのリネームを中断しました。"
                                             : "ファイルのリネームが終了しました。") +
                       "\n\n正常にリネームしたファイル数 : " + std::to_string(c.count(R::Renamed));
    if (c.count(R::AlreadyNamed) > 0)
        text += "\n既に正しい名前だったファイル数 : " + std::to_string(c.count(R::AlreadyNamed));
    text += "\n同名のファイルが存在したファイル数 : " +
            std::to_string(c.count(R::Duplicate) + c.count(R::SameName));
    if (c.count(R::SameName) > 0)
        text += ofWhichLine(c, R::Duplicate, "重複ファイルのフォルダに移したファイル数") +
                ofWhichLine(c, R::SameName, "そのままにしたファイル数 (同名)");
    int notRenamed = 0;
    for (const R r :
         {R::Unknown, R::TooLarge, R::Unreadable, R::NameTooLong, R::BadCharacter, R::Failed})
        notRenamed += c.count(r);
    text += "\nリネームできなかったファイル数 : " + std::to_string(notRenamed);
    // The reasons are told apart only when more than "no record" is among them.
    if (notRenamed > c.count(R::Unknown))
        text += ofWhichLine(c, R::Unknown, "記録にないファイル数") +
                ofWhichLine(c, R::TooLarge, "4GiB以上のファイル数") +
                ofWhichLine(c, R::Unreadable, "読み取れなかったファイル数") +
                ofWhichLine(c, R::NameTooLong, "新しい名前が255バイトを超えるファイル数") +
                ofWhichLine(c, R::BadCharacter, "記録の名前がファイル名に使えないファイル数") +
                ofWhichLine(c, R::Failed, "移動できなかったファイル数");
    if (c.bySizeAndCrc > 0)
        text += "\n\nうち、DATファイルの記録と大きさとCRCだけで一致したファイル数 : " +
                std::to_string(c.bySizeAndCrc);
    if (c.withoutHeader > 0)
        text +=
            "\nうち、ヘッダーを除いた内容で一致したファイル数 : " + std::to_string(c.withoutHeader);
    std::vector<std::string> unusable;
    for (const RenameRow& row : c.rows)
        if (row.reason == R::BadCharacter) unusable.push_back(row.target);
    return text + rowsText(c, R::SameName, "同名のファイルがあるためそのままにしたファイル :") +
           rowsText(c, R::NameTooLong, "新しい名前が長すぎるためそのままにしたファイル :") +
           unusableNamesText(unusable, "ファイル名として使えない記録の名前 :");
}

// "NoHave_<code>.txt": the records no listed file answers to, one name a line.
void offerUnownedList(Application& app, const std::vector<RenameRecord>& records) {
    Prompter& prompter = app.prompter();
    if (!prompter.ask("所有していないファイル一覧をテキスト化しますか？",
                      "未所有ファイル一覧作成確認"))
        return;
    const std::string name = "NoHave_" + app.currentCode() + ".txt";
    const auto path =
        prompter.chooseSaveFile("未所有ファイル一覧の作成場所を指定してください", name,
                                "NoHave_*.txt", app.programFolder().dataFolder(), name);
    if (!path || path->empty()) return;
    // Only files the user has count: a row of the last list of unowned files stays unowned.
    std::unordered_set<std::string> present;
    for (const FileListRow& row : app.fileList().rows())
        if (row.folderNumber >= 0) present.insert(fs::pathTitle(row.fileName()));
    std::string lines;
    for (const RenameRecord& r : records)
        if (!present.contains(r.name)) lines += r.name + "\n";
    // A target that cannot be written is passed over without a word, as before.
    fs::writeFileAtomically(*path, text::encodeTextFile(lines));
}

}  // namespace

const char* renameReasonWord(RenameReason reason) {
    static constexpr const char* kWords[kRenameReasonCount] = {
        "renamed",   "already named", "duplicate",     "same name",     "unknown",
        "too large", "unreadable",    "name too long", "bad character", "failed"};
    return kWords[static_cast<int>(reason)];
}

std::string renameReportCsv(const RenameCounts& counts) {
    std::string csv =
        "\xEF\xBB\xBF"
        "file,target,reason\r\n";
    for (const RenameRow& row : counts.rows)
        csv += csvField(row.file) + "," + csvField(row.target) + "," +
               renameReasonWord(row.reason) + "\r\n";
    return csv;
}

namespace {

// The records a rename runs on, and what the user is told of where they came from.
struct RenameTable {
    std::vector<RenameRecord> records;
    std::string datPath;  // empty: the hardware's rename data
    std::string notes;
};

RenameTable tableOfImport(const std::string& path, DatImport&& imported) {
    RenameTable table;
    table.records = std::move(imported.records);
    table.datPath = path;
    table.notes = "\n\nDATファイル「" + fs::pathName(path) + "」の記録 " +
                  std::to_string(table.records.size()) + " 件すべてで照合しました。" +
                  datImportNotesText(imported);
    return table;
}

// Every record of a DAT, however many; the DAT's own messages on a refusal.
std::optional<RenameTable> tableOfDat(Application& app, const std::string& path) {
    std::string error;
    std::optional<DatImport> imported = readLogiqxDat(path, error);
    if (!imported) {
        app.prompter().inform(error, kWarning);
        return std::nullopt;
    }
    if (imported->records.empty()) {
        app.prompter().inform("DATファイルに大きさとCRCの分かるROMの記録がありません。", kWarning);
        return std::nullopt;
    }
    return tableOfImport(path, std::move(*imported));
}

std::optional<RenameTable> renameTable(Application& app, const std::string& fileName,
                                       const std::string& datPath) {
    if (!datPath.empty()) return tableOfDat(app, datPath);
    const auto data =
        loadOrWarn(app, app.programFolder().dataFile(fileName),
                   "リネームデータの取得に失敗しました。\ndataフォルダにリネームデータ「" +
                       fileName + "」がありません。",
                   kRenameTableLimit);
    if (!data) return std::nullopt;
    if (data->hardware != app.currentCode()) {
        app.prompter().inform("リネームデータの機種が違います。", kWarning);
        return std::nullopt;
    }
    const std::string kept = keptRenameDat(app);
    std::string notes;
    if (!kept.empty() && fs::fileExists(kept)) {
        // Only while the rename data are still the DAT's first records: a file put there since
        // (by the other program, say) is the user's newer choice.
        std::string error;
        if (std::optional<DatImport> whole = readLogiqxDat(kept, error);
            whole && whole->records.size() >= data->records.size() &&
            std::equal(data->records.begin(), data->records.end(), whole->records.begin(),
                       [](const RenameRecord& a, const RenameRecord& b) {
                           return a.name == b.name && a.identity == b.identity;
                       }))
            return tableOfImport(kept, std::move(*whole));
        notes = "\n\nリネームデータがDATファイル「" + kept +
                "」から作ったものではなくなっているため、リネームデータの記録だけで照合しました。";
    } else if (!kept.empty()) {
        notes = "\n\nリネームデータの元のDATファイル「" + kept +
                "」が見つからないため、リネームデータの記録だけで照合しました。";
    }
    RenameTable table;
    table.records = std::move(data->records);
    table.notes = std::move(notes);
    return table;
}

// What a file is renamed to, or why not; `target` the name it takes or would take.
RenameReason renameOne(Application& app, JournaledChange& change, const RenameMatcher& matcher,
                       const std::vector<RenameRecord>& records, const LoopFile& file,
                       std::string& target, RenameMatch& match, RenameCounts& counts) {
    // Identities hold 32-bit sizes: a larger file would match a record by its wrapped size.
    if (const auto size = fs::fileSize(file.path);
        size && *size > std::numeric_limits<std::uint32_t>::max())
        return RenameReason::TooLarge;
    const std::optional<FileIdentity> id = readFileIdentity(file.path);
    if (!id) return RenameReason::Unreadable;
    match = matcher.find(*id, file.path);
    // A headered file against a DAT of headerless dumps.
    if (match.index < 0) match = matcher.findWithoutHeader(file.path);
    if (match.index < 0) return RenameReason::Unknown;
    const std::string& name = records[static_cast<std::size_t>(match.index)].name;
    const std::string newName = name + fs::pathExtension(file.name);
    target = newName;
    // Rename data come from others: such a name never moves a file anywhere.
    if (!isUsableRenameTitle(name)) {
        target = name;
        return RenameReason::BadCharacter;
    }
    if (newName.size() > kNameMax) return RenameReason::NameTooLong;
    return renameMatched(app, change, file, newName, target, counts);
}

}  // namespace

std::optional<RenameCounts> applyRenameData(Application& app, const std::string& datPath) {
    // With a DAT of its own any hardware can be renamed.
    const std::string fileName = datPath.empty() ? renameFileOrWarn(app) : "";
    if (datPath.empty() && fileName.empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    if (!prompter.ask("現在ファイルリストに表示しているファイルをリネームします。\n"
                      "一度リネームしたら元に戻せませんが、リネームしますか？\n\n"
                      "※ 圧縮されているファイルはリネームできません。\n"
                      "   解凍してから実行してください。",
                      "リネーム確認"))
        return std::nullopt;
    const std::optional<RenameTable> table = renameTable(app, fileName, datPath);
    if (!table) return std::nullopt;

    const auto busy = app.busyScope();
    const LoopFiles listed = listedFiles(app);
    const RenameMatcher matcher(table->records);
    Progress& progress = app.host().progress;
    progress.begin("リネームの進行状況", listed.total, kDoneOfTotal);
    RenameCounts counts;
    counts.datPath = table->datPath;
    // Every move is journaled, and the records' new keys go to the disk as the files move, at
    // most once a second: a kill midway leaves little for the next start to finish.
    JournaledChange change(app);
    for (const auto& [row, file] : listed.files) {
        progress.step(row, file.name + " の情報を取得中…");
        std::string target;
        RenameMatch match;
        const RenameReason reason =
            renameOne(app, change, matcher, table->records, file, target, match, counts);
        // What matched nothing goes to the failed folder; what matched stays in sight.
        if (reason == RenameReason::Unknown || reason == RenameReason::TooLarge ||
            reason == RenameReason::Unreadable || reason == RenameReason::Failed)
            moveToFailed(app, change, file);
        ++counts.byReason[static_cast<std::size_t>(reason)];
        // The name alone; a refused record's name as it stands, path or not.
        counts.rows.push_back({file.path,
                               reason == RenameReason::BadCharacter ? target : fs::pathName(target),
                               reason});
        if (reason == RenameReason::Renamed || reason == RenameReason::AlreadyNamed ||
            reason == RenameReason::Duplicate) {
            counts.bySizeAndCrc += match.bySizeAndCrc;
            counts.withoutHeader += match.withoutHeader;
        }
        change.checkpoint();
        if (stopRequested(progress, prompter, "リネーム処理を中止しますか？")) {
            counts.aborted = true;
            break;
        }
    }
    progress.step(listed.total, "");
    progress.end();
    change.finish();
    app.showAll();
    prompter.inform(countsText(counts) + table->notes,
                    counts.aborted ? "リネーム中断確認" : "リネーム完了確認");
    if (!counts.companionsLeft.empty())
        prompter.inform(companionsLeftMessage(counts.companionsLeft), kWarning);
    if (!counts.aborted) offerUnownedList(app, table->records);
    return counts;
}

}  // namespace romshelf
