#include "core/commands/RenameCommands.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <tuple>
#include <unordered_set>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
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

constexpr const char* kWarning = "警告";
constexpr const char* kCreateFailed = "リネームデータの作成に失敗しました。";

// A listed file the loops work on, taken before the loop: the list is rebuilt only after it.
struct ListedFile {
    std::string name;  // as shown: file name with extension
    std::string path;  // on disk
    int recordIndex = -1;
};

// The rows the rename loops look at, in display order; rows without a file (the placeholder,
// unowned titles) and archives are left out and counted nowhere.
struct Listed {
    int total = 0;                                  // every row, for the progress range
    std::vector<std::pair<int, ListedFile>> files;  // (row number, file)
};

Listed listedFiles(const Application& app) {
    Listed listed;
    const FileListView rows = app.fileList().rows();
    listed.total = static_cast<int>(rows.size());
    const auto& folders = app.folders().folders.romFolderPaths;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const FileListRow& row = rows[i];
        if (row.folderNumber < 0 || row.folderNumber >= kRomFolderCount) continue;
        if (archive::hasArchiveExtension(row.fileName())) continue;
        const std::string& folder = folders[static_cast<std::size_t>(row.folderNumber)];
        if (folder.empty()) continue;
        listed.files.push_back(
            {static_cast<int>(i),
             {row.fileName(), text::pathOnDisk(folder, row.fileName()), row.recordIndex}});
    }
    return listed;
}

// The hardware's rename data file name, or the warning and empty.
std::string renameFileOrWarn(Application& app) {
    std::string name = renameDataFileName(app.currentCode());
    if (name.empty()) app.prompter().inform(kNoRenameDataMessage, kWarning);
    return name;
}

// The save picker for rename data and the overwrite question; the chosen path or nothing.
std::optional<std::string> chooseRenameDataTarget(Application& app, const std::string& fileName) {
    Prompter& prompter = app.prompter();
    auto path = prompter.chooseSaveFile("リネームデータの作成場所を指定してください",
                                        app.displayName(app.currentCode()) + "用リネームデータ",
                                        fileName, app.programFolder().dataFolder(), fileName);
    if (!path || path->empty()) return std::nullopt;
    if (fs::pathExists(*path) &&
        !prompter.ask("同名のファイルが既に存在しています。\n上書きしてもいいですか？",
                      "上書き確認"))
        return std::nullopt;
    return path;
}

bool writeOrWarn(Application& app, const std::string& path, const RenameData& data) {
    DataStream stream;
    if (saveRenameData(stream, path, data)) return true;
    app.prompter().inform(kCreateFailed, kWarning);
    return false;
}

// The DAT the hardware's rename data were cut from, as the settings keep it; empty when none.
std::string keptRenameDat(const Application& app) {
    for (const auto& [code, dat] : app.plusSettings().renameDats)
        if (code == app.currentCode()) return dat;
    return {};
}

// Keeps `dat` as the DAT of the hardware's rename data, or forgets it when empty.
void keepRenameDat(Application& app, const std::string& dat) {
    PlusSettings plus = app.plusSettings();
    std::erase_if(plus.renameDats,
                  [&](const auto& kept) { return kept.first == app.currentCode(); });
    if (!dat.empty()) plus.renameDats.emplace_back(app.currentCode(), dat);
    app.changePlusSettings(plus);
}

// Loads a rename data file for merging or applying; its own messages on a refusal, `missing`
// when it cannot be read at all.
std::optional<RenameData> loadOrWarn(Application& app, const std::string& path,
                                     const std::string& missing, std::size_t limit) {
    DataStream stream;
    RenameData data;
    switch (loadRenameData(stream, path, app.prompter(), data, limit)) {
        case LoadResult::Loaded:
            return data;
        case LoadResult::Missing:
            app.prompter().inform(missing, kWarning);
            return std::nullopt;
        case LoadResult::Rejected:
            break;
    }
    return std::nullopt;
}

bool exists(const std::string& path) { return fs::pathExists(path); }

// `path` names an entry directly inside `folder` (which ends in '/'), nothing above or below it.
bool isInFolder(const std::string& path, const std::string& folder) {
    if (!path.starts_with(folder)) return false;
    const std::string_view name = std::string_view(path).substr(folder.size());
    return name.find('/') == std::string_view::npos && isUsableRenameTitle(name);
}

// The names refused as file titles, listed under the counts (at most ten, then a count).
std::string unusableNamesText(const std::vector<std::string>& names, const char* heading) {
    if (names.empty()) return {};
    constexpr std::size_t kListed = 10;
    std::string text = std::string("\n\n") + heading;
    for (std::size_t i = 0; i < names.size() && i < kListed; ++i)
        text += "\n「" + visibleText(names[i]) + "」";
    if (names.size() > kListed) text += "\nほか " + std::to_string(names.size() - kListed) + " 件";
    return text;
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
RenameReason renameMatched(Application& app, JournaledChange& change, const ListedFile& file,
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
void moveToFailed(Application& app, JournaledChange& change, const ListedFile& file) {
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

std::string renameDataFileName(std::string_view code) {
    static constexpr std::string_view kWithRenameData[] = {
        "FC", "SFC", "N64", "PCE", "MSYS", "MD", "GB", "GBA", "WS", "GG", "NGP", "LYNX"};
    for (std::string_view c : kWithRenameData)
        if (c == code) return "Rename_" + std::string(code) + ".dat";
    return {};
}

std::optional<int> createRenameData(Application& app) {
    const std::string fileName = renameFileOrWarn(app);
    if (fileName.empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    if (!prompter.ask("現在ファイルリストに表示しているファイルからリネーム用データを作成します。\n"
                      "リネームデータを抽出しますか？\n\n"
                      "※ 圧縮されているファイルからはデータを抽出できません。\n"
                      "   解凍してから実行してください。",
                      "リネームデータ作成確認"))
        return std::nullopt;
    const auto target = chooseRenameDataTarget(app, fileName);
    if (!target) return std::nullopt;
    // Told now rather than after every file has been read.
    if (!fs::isWritableDirectory(fs::pathFolder(*target))) {
        prompter.inform(kCreateFailed, kWarning);
        return std::nullopt;
    }
    const auto busy = app.busyScope();
    const Listed listed = listedFiles(app);
    Progress& progress = app.host().progress;
    progress.begin("リネームデータの作成状況", listed.total, kDoneOfTotal);
    RenameData data;
    data.hardware = app.currentCode();
    bool aborted = false;
    for (const auto& [row, file] : listed.files) {
        progress.step(row, file.name + " の情報を取得中…");
        data.records.push_back(
            {fs::pathTitle(file.name), app.recordFollowing().renameIdentity(file.path), {}});
        if (stopRequested(progress, prompter, "データ作成処理を中止しますか？")) {
            aborted = true;
            break;
        }
    }
    progress.step(listed.total, "");
    progress.end();
    if (!writeOrWarn(app, *target, data)) return std::nullopt;
    // The hardware's rename data no longer come from the DAT kept for them.
    if (*target == app.programFolder().dataFile(fileName)) keepRenameDat(app, {});
    const int written = static_cast<int>(data.records.size());
    if (aborted)
        prompter.inform("リネームデータの作成を中断しました。\n\n作成したリネームデータ数 : " +
                            std::to_string(written),
                        "中断確認");
    else
        prompter.inform("リネームデータの作成を終了しました。\n\n作成したリネームデータ数 : " +
                            std::to_string(written),
                        "終了確認");
    return written;
}

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
                       const std::vector<RenameRecord>& records, const ListedFile& file,
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
    const Listed listed = listedFiles(app);
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

std::optional<MergeCounts> mergeRenameData(Application& app) {
    Prompter& prompter = app.prompter();
    if (!prompter.ask("二つのリネームデータファイルを結合して一つのファイルにします。\n"
                      "リネームデータを結合しますか？\n\n"
                      "※ もし同一のファイルが登録されていた場合は、\n"
                      "   後で選択したリネームデータファイルの方が優先されます。",
                      "リネームデータの結合確認"))
        return std::nullopt;
    const std::string dataFolder = app.programFolder().dataFolder();
    const auto first = prompter.chooseOpenFile("リネームデータ1の場所を指定してください",
                                               "リネームデータ1", "*.dat", dataFolder);
    if (!first || first->empty()) return std::nullopt;
    // The first file is written back whole, so none of its records may be left out.
    auto merged = loadOrWarn(app, *first, "リネームデータ1の取得に失敗しました。", SIZE_MAX);
    if (!merged) return std::nullopt;
    const auto second = prompter.chooseOpenFile("リネームデータ2の場所を指定してください",
                                                "リネームデータ2", "*.dat", dataFolder);
    if (!second || second->empty()) return std::nullopt;
    std::error_code ec;
    if (*second == *first || std::filesystem::equivalent(*first, *second, ec)) {
        prompter.inform("同じリネームデータが指定されています。", kWarning);
        return std::nullopt;
    }
    const auto added = loadOrWarn(app, *second, "リネームデータ2の取得に失敗しました。", SIZE_MAX);
    if (!added) return std::nullopt;
    if (added->hardware != merged->hardware) {
        prompter.inform("結合するリネームデータの機種が違います。", kWarning);
        return std::nullopt;
    }
    // The first record of each identity, looked up instead of searched for every added record.
    using Key = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t>;
    auto keyOf = [](const FileIdentity& id) {
        return Key{id.size, id.crc, id.sum1, id.sum2, id.sum3};
    };
    std::map<Key, std::size_t> firstOf;
    for (std::size_t i = 0; i < merged->records.size(); ++i)
        firstOf.try_emplace(keyOf(merged->records[i].identity), i);
    std::vector<std::string> refused;
    MergeCounts counts;
    for (const RenameRecord& r : added->records) {
        if (!isUsableRenameTitle(r.name)) {
            refused.push_back(r.name);
            continue;
        }
        const auto [it, isNew] = firstOf.try_emplace(keyOf(r.identity), merged->records.size());
        if (isNew) {
            merged->records.push_back(r);
            ++counts.added;
        } else {
            merged->records[it->second].name = r.name;
            ++counts.renamed;
        }
    }
    if (!writeOrWarn(app, *first, *merged)) return std::nullopt;
    if (const std::string own = renameDataFileName(app.currentCode());
        !own.empty() && *first == app.programFolder().dataFile(own))
        keepRenameDat(app, {});
    prompter.inform(
        "リネームデータ1 (" + fs::pathName(*first) + ") に\nリネームデータ2 (" +
            fs::pathName(*second) + ") の内容を追加しました。" +
            unusableNamesText(refused, "ファイル名として使えない名前のため追加しなかった記録 :"),
        "結合の確認");
    counts.refused = static_cast<int>(refused.size());
    counts.total = merged->records.size();
    return counts;
}

std::optional<int> createRenameDataFromDat(Application& app) {
    const std::string fileName = renameFileOrWarn(app);
    if (fileName.empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    const auto dat = prompter.chooseOpenFile("DATファイルの場所を指定してください", "DATファイル",
                                             "*.dat *.xml *.txt", app.programFolder().dataFolder());
    if (!dat || dat->empty()) return std::nullopt;
    std::string error;
    std::optional<DatImport> imported = readLogiqxDat(*dat, error);
    if (!imported) {
        prompter.inform(error, kWarning);
        return std::nullopt;
    }
    if (imported->records.empty()) {
        prompter.inform("DATファイルに大きさとCRCの分かるROMの記録がありません。", kWarning);
        return std::nullopt;
    }
    const auto target = chooseRenameDataTarget(app, fileName);
    if (!target) return std::nullopt;
    RenameData data;
    data.hardware = app.currentCode();
    data.records = std::move(imported->records);
    // The file keeps the other program's limit; the rest of the DAT is read when renaming.
    const std::size_t inDat = data.records.size();
    if (inDat > kRenameTableLimit) data.records.resize(kRenameTableLimit);
    if (!writeOrWarn(app, *target, data)) return std::nullopt;
    const bool ownFile = *target == app.programFolder().dataFile(fileName);
    if (ownFile) keepRenameDat(app, inDat > kRenameTableLimit ? *dat : std::string());
    const int written = static_cast<int>(data.records.size());
    std::string text =
        "DATファイルからリネームデータを作成しました。\n\n作成したリネームデータ数 : " +
        std::to_string(written);
    text += datImportNotesText(*imported);
    if (imported->verifyOnly > 0)
        text += "\nうち、SHA-1かMD5で「DATファイルで照合」に使えるROMの数 : " +
                std::to_string(imported->verifyOnly);
    if (imported->header != HeaderKind::None)
        text +=
            "\n\nこのDATファイルの記録は" + std::string(headerKindName(imported->header)) +
            "ヘッダーを除いた内容のものです。ヘッダー付きのファイルもヘッダーを除いて照合します。";
    if (inDat > kRenameTableLimit) {
        text += "\n\nリネームデータに入るのは先頭の " + std::to_string(kRenameTableLimit) +
                " 件までです。残りの " + std::to_string(inDat - kRenameTableLimit) +
                " 件はDATファイルにだけあります。";
        text += ownFile ? "\nリネームではDATファイル「" + *dat + "」の記録をすべて使います。"
                        : "\nリネームで使うには、DATファイルを指定してください。";
    }
    prompter.inform(text, "終了確認");
    return written;
}

}  // namespace romshelf
