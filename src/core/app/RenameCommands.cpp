#include "core/app/RenameCommands.h"

#include <filesystem>
#include <map>
#include <tuple>
#include <unordered_set>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/FileSystem.h"
#include "core/rename/DatImport.h"
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

// Control characters shown as \xNN, so that a hostile name cannot break up the message.
std::string visibleText(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        else
            out += c;
    }
    return out;
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

enum class Outcome { Done, Clash, Failed, Unusable };

// The ROM folder number of `folder` (ending in '/'), -1 when it is none.
int romFolderNumber(const Application& app, const std::string& folder) {
    const auto& paths = app.folders().folders.romFolderPaths;
    for (int k = 0; k < kRomFolderCount; ++k)
        if (paths[static_cast<std::size_t>(k)] == folder) return k;
    return -1;
}

// Moves one matched file to its canonical name as the rename rules say; companions follow.
Outcome renameMatched(Application& app, JournaledChange& change, const ListedFile& file,
                      const std::string& newName, RenameCounts& counts) {
    const FolderSettings& folders = app.folders().folders;
    const std::string ownFolder = fs::pathFolder(file.path);
    std::string destination = folders.renameOkFolder.empty() ? ownFolder : folders.renameOkFolder;
    std::string target = destination + newName;
    if (target == file.path) return Outcome::Done;
    bool clash = false;
    if (exists(target)) {
        clash = true;
        if (!folders.duplicateFolder.empty()) {
            destination = folders.duplicateFolder;
            target = destination + newName;
        }
    }
    // The joined path must still name a file right in the destination folder.
    if (!isInFolder(target, destination)) return Outcome::Failed;
    // A file moved into another ROM folder (the OK folder usually is one) is found there again
    // from the recent-files menu.
    const int newFolder = romFolderNumber(app, fs::pathFolder(target));
    CompanionReport report;
    if (change.move(file.path, target, file.name, fs::pathName(target), file.recordIndex, newFolder,
                    report) != fs::MoveResult::Moved)
        return Outcome::Failed;
    for (std::string& left : report.leftInPlace) counts.companionsLeft.push_back(std::move(left));
    for (std::string& left : report.failed) counts.companionsLeft.push_back(std::move(left));
    return clash ? Outcome::Clash : Outcome::Done;
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

std::string countsText(const RenameCounts& c) {
    std::string text = std::string(c.aborted ? "ファイルのリネームを中断しました。"
                                             : "ファイルのリネームが終了しました。") +
                       "\n\n正常にリネームしたファイル数 : " + std::to_string(c.done) +
                       "\n同名のファイルが存在したファイル数 : " + std::to_string(c.clash) +
                       "\nリネームできなかったファイル数 : " + std::to_string(c.failed);
    if (c.unusable > 0)
        text += "\n名前が使えない記録のためリネームしなかったファイル数 : " +
                std::to_string(c.unusable);
    if (c.bySizeAndCrc > 0)
        text += "\n\nうち、DATファイルの記録と大きさとCRCだけで一致したファイル数 : " +
                std::to_string(c.bySizeAndCrc);
    if (c.withoutHeader > 0)
        text +=
            "\nうち、ヘッダーを除いた内容で一致したファイル数 : " + std::to_string(c.withoutHeader);
    return text + unusableNamesText(c.unusableNames, "ファイル名として使えない記録の名前 :");
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

std::optional<RenameCounts> applyRenameData(Application& app) {
    const std::string fileName = renameFileOrWarn(app);
    if (fileName.empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    if (!prompter.ask("現在ファイルリストに表示しているファイルをリネームします。\n"
                      "一度リネームしたら元に戻せませんが、リネームしますか？\n\n"
                      "※ 圧縮されているファイルはリネームできません。\n"
                      "   解凍してから実行してください。",
                      "リネーム確認"))
        return std::nullopt;
    const auto data =
        loadOrWarn(app, app.programFolder().dataFile(fileName),
                   "リネームデータの取得に失敗しました。\ndataフォルダにリネームデータ「" +
                       fileName + "」がありません。",
                   kRenameTableLimit);
    if (!data) return std::nullopt;
    if (data->hardware != app.currentCode()) {
        prompter.inform("リネームデータの機種が違います。", kWarning);
        return std::nullopt;
    }

    const auto busy = app.busyScope();
    const Listed listed = listedFiles(app);
    const RenameMatcher matcher(data->records);
    Progress& progress = app.host().progress;
    progress.begin("リネームの進行状況", listed.total, kDoneOfTotal);
    RenameCounts counts;
    // Every move is journaled, and the records' new keys go to the disk as the files move, at
    // most once a second: a kill midway leaves little for the next start to finish.
    JournaledChange change(app);
    for (const auto& [row, file] : listed.files) {
        progress.step(row, file.name + " の情報を取得中…");
        RenameMatch match = matcher.find(fileIdentity(file.path), file.path);
        // A headered file against a DAT of headerless dumps.
        if (match.index < 0) match = matcher.findWithoutHeader(file.path);
        Outcome outcome = Outcome::Failed;
        if (match.index >= 0) {
            const std::string& name = data->records[static_cast<std::size_t>(match.index)].name;
            if (isUsableRenameTitle(name)) {
                outcome =
                    renameMatched(app, change, file, name + fs::pathExtension(file.name), counts);
            } else {
                // Rename data come from others: such a name never moves a file anywhere.
                outcome = Outcome::Unusable;
                counts.unusableNames.push_back(name);
            }
        }
        if (outcome == Outcome::Failed) moveToFailed(app, change, file);
        (outcome == Outcome::Done       ? counts.done
         : outcome == Outcome::Clash    ? counts.clash
         : outcome == Outcome::Unusable ? counts.unusable
                                        : counts.failed)++;
        if (outcome == Outcome::Done || outcome == Outcome::Clash) {
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
    prompter.inform(countsText(counts), counts.aborted ? "リネーム中断確認" : "リネーム完了確認");
    if (!counts.companionsLeft.empty())
        prompter.inform(companionsLeftMessage(counts.companionsLeft), kWarning);
    if (!counts.aborted) offerUnownedList(app, data->records);
    return counts;
}

bool mergeRenameData(Application& app) {
    Prompter& prompter = app.prompter();
    if (!prompter.ask("二つのリネームデータファイルを結合して一つのファイルにします。\n"
                      "リネームデータを結合しますか？\n\n"
                      "※ もし同一のファイルが登録されていた場合は、\n"
                      "   後で選択したリネームデータファイルの方が優先されます。",
                      "リネームデータの結合確認"))
        return false;
    const std::string dataFolder = app.programFolder().dataFolder();
    const auto first = prompter.chooseOpenFile("リネームデータ1の場所を指定してください",
                                               "リネームデータ1", "*.dat", dataFolder);
    if (!first || first->empty()) return false;
    // The first file is written back whole, so none of its records may be left out.
    auto merged = loadOrWarn(app, *first, "リネームデータ1の取得に失敗しました。", SIZE_MAX);
    if (!merged) return false;
    const auto second = prompter.chooseOpenFile("リネームデータ2の場所を指定してください",
                                                "リネームデータ2", "*.dat", dataFolder);
    if (!second || second->empty()) return false;
    std::error_code ec;
    if (*second == *first || std::filesystem::equivalent(*first, *second, ec)) {
        prompter.inform("同じリネームデータが指定されています。", kWarning);
        return false;
    }
    const auto added = loadOrWarn(app, *second, "リネームデータ2の取得に失敗しました。", SIZE_MAX);
    if (!added) return false;
    if (added->hardware != merged->hardware) {
        prompter.inform("結合するリネームデータの機種が違います。", kWarning);
        return false;
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
    for (const RenameRecord& r : added->records) {
        if (!isUsableRenameTitle(r.name)) {
            refused.push_back(r.name);
            continue;
        }
        const auto [it, isNew] = firstOf.try_emplace(keyOf(r.identity), merged->records.size());
        if (isNew)
            merged->records.push_back(r);
        else
            merged->records[it->second].name = r.name;
    }
    if (!writeOrWarn(app, *first, *merged)) return false;
    prompter.inform(
        "リネームデータ1 (" + fs::pathName(*first) + ") に\nリネームデータ2 (" +
            fs::pathName(*second) + ") の内容を追加しました。" +
            unusableNamesText(refused, "ファイル名として使えない名前のため追加しなかった記録 :"),
        "結合の確認");
    return true;
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
    if (!writeOrWarn(app, *target, data)) return std::nullopt;
    const int written = static_cast<int>(data.records.size());
    std::string text =
        "DATファイルからリネームデータを作成しました。\n\n作成したリネームデータ数 : " +
        std::to_string(written);
    if (imported->skipped > 0)
        text += "\n大きさかCRCがないため除いたROMの数 : " + std::to_string(imported->skipped);
    text += skippedRomNamesText(*imported);
    if (imported->verifyOnly > 0)
        text += "\nうち、SHA-1かMD5で「DATファイルで照合」に使えるROMの数 : " +
                std::to_string(imported->verifyOnly);
    if (imported->header != HeaderKind::None)
        text +=
            "\n\nこのDATファイルの記録は" + std::string(headerKindName(imported->header)) +
            "ヘッダーを除いた内容のものです。ヘッダー付きのファイルもヘッダーを除いて照合します。";
    if (data.records.size() > kRenameTableLimit)
        text +=
            "\n\nリネームで使えるのは先頭の " + std::to_string(kRenameTableLimit) + " 件までです。";
    prompter.inform(text, "終了確認");
    return written;
}

}  // namespace romshelf
