#include "core/commands/BatchOperations.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <unordered_set>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveReadBack.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"
#include "core/platform/Trash.h"
#include "core/text/FileNames.h"

namespace romshelf {

namespace {

constexpr const char* kWarning = "警告";

// A listed file a batch works on, taken before the loop: the list is rebuilt only after it.
struct Target {
    int row = 0;
    std::string name;    // as shown
    std::string folder;  // its ROM folder's path
    std::string path;    // on disk
    int folderNumber = -1;
    int recordIndex = -1;
};

const std::string& romFolderPath(const Application& app, int folder) {
    static const std::string none;
    if (folder < 0 || folder >= kRomFolderCount) return none;
    return app.folders().folders.romFolderPaths[static_cast<std::size_t>(folder)];
}

// Rows without a ROM folder (unowned titles, the placeholder, a folder no longer set) are never
// touched.
std::optional<Target> targetOf(const Application& app, int row) {
    const FileListView rows = app.fileList().rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return std::nullopt;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    const std::string& folder = romFolderPath(app, r.folderNumber);
    if (folder.empty() || r.fileName().empty()) return std::nullopt;
    return Target{
        row,          r.fileName(), folder, text::pathOnDisk(folder, r.fileName()), r.folderNumber,
        r.recordIndex};
}

std::vector<Target> targetsOf(const Application& app, const std::vector<int>& rows) {
    std::vector<Target> targets;
    for (const int row : rows)
        if (auto t = targetOf(app, row)) targets.push_back(std::move(*t));
    return targets;
}

// Deletes the files of one run: into the trash unless "delete permanently" is on. A file no trash
// can take is deleted for good only when the user agrees, asked once a run.
class Deleter {
public:
    explicit Deleter(Application& app)
        : app_(app), permanent_(app.settings().option(Option::DeleteWithoutTrash)) {}

    bool remove(const std::string& path) {
        if (permanent_) return fs::removeFile(path);
        switch (fs::moveToTrash(path)) {
            case fs::TrashResult::Trashed:
                return true;
            case fs::TrashResult::Failed:
                return false;
            case fs::TrashResult::Unavailable:
                break;
        }
        if (!forGood_)
            forGood_ = app_.prompter().ask(
                fs::pathName(path) +
                    " はゴミ箱に移動できません。\n(ゴミ箱の使えないドライブにあります)\n\n"
                    "ゴミ箱を使わずに完全に削除しますか？",
                "削除確認");
        return *forGood_ && fs::removeFile(path);
    }

private:
    Application& app_;
    bool permanent_;
    std::optional<bool> forGood_;
};

enum class Packed { Ok, Failed };

// Packs `path` and reads the archive back: the member must hold the source's bytes (length and
// CRC-32), or the source may not be deleted. An archive this call made that does not read back is
// removed again. Without `flushNow` the caller flushes the folder to disk later.
Packed packChecked(Application& app, const std::string& path, const Packer& pack,
                   std::string& archivePath, bool flushNow) {
    archive::Compression how = chosenCompression(app);
    how.flushToDisk = flushNow;
    archivePath = archive::compressedArchivePath(path, how);
    const bool existed = fs::pathExists(archivePath);
    if (archivePath.empty() || !pack(path, how, app.prompter())) return Packed::Failed;
    const auto source = archive::fileSum(path);
    const auto member = archive::memberSum(archivePath, fs::pathName(path));
    if (source && member && *source == *member) return Packed::Ok;
    if (!existed) fs::removeFile(archivePath);
    return Packed::Failed;
}

enum class Unpacked { Ok, Taken, Failed };

constexpr std::string_view kUnpackFolderPrefix = ".romshelf-unpack-";

// Unpacking folders that a run which did not end left in `folder`: only this program's pattern,
// only folders last changed more than a minute before this run started (another instance's
// unpacking goes on).
void removeLeftoverUnpackFolders(const std::string& folder, long long startedAt) {
    namespace sfs = std::filesystem;
    std::error_code ec;
    for (const sfs::directory_entry& e : sfs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (!name.starts_with(kUnpackFolderPrefix) || name.size() != kUnpackFolderPrefix.size() + 6)
            continue;
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            static_cast<long long>(st.st_mtime) + 60 > startedAt)
            continue;
        sfs::remove_all(e.path(), ec);
    }
}

// Unpacks into a private folder beside the target and then gives the member its name without
// replacing anything: an existing file of that name stays as it is. A member of another title
// than the archive takes over the archive's record and companions: that is journaled in `change`
// first (`seq` its entry), so that a kill cannot part them.
Unpacked unpackInto(const Application& app, const std::string& archivePath,
                    const std::string& folder, std::string& memberName, JournaledChange& change,
                    int folderNumber, int& seq) {
    std::string temp = folder + std::string(kUnpackFolderPrefix) + "XXXXXX";
    if (::mkdtemp(temp.data()) == nullptr) return Unpacked::Failed;
    const auto& extras = app.folders().folders.extraExtensions;
    const std::string extracted =
        archive::extract(archivePath, temp, std::vector<std::string>(extras.begin(), extras.end()));
    Unpacked result = Unpacked::Failed;
    if (!extracted.empty()) {
        memberName = fs::pathName(extracted);
        // A name that is taken is never journaled: the file there is not the member.
        const bool taken = fs::pathExists(folder + memberName);
        seq = taken || fs::pathTitle(memberName) == fs::pathTitle(fs::pathName(archivePath))
                  ? 0
                  : change.intend(MoveJournal::Kind::Unpack, archivePath, folder + memberName,
                                  folderNumber);
        switch (seq < 0 ? fs::MoveResult::Failed
                        : fs::moveFileNoReplace(extracted, folder + memberName)) {
            case fs::MoveResult::Moved:
                result = Unpacked::Ok;
                break;
            case fs::MoveResult::TargetExists:
                result = Unpacked::Taken;
                break;
            case fs::MoveResult::Failed:
                break;
        }
        if (seq > 0) change.moved(seq, result == Unpacked::Ok);
        if (result != Unpacked::Ok) fs::removeFile(extracted);
    }
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return result;
}

std::string formatted(const char* format, const std::string& name) {
    std::string text = format;
    text.replace(text.find("%s"), 2, name);
    return text;
}

// The texts of one kind of packing run.
struct PackRun {
    bool unpack = false;
    bool bulk = false;  // the selection's run: cancel asked after each file
    std::string title, item, cancelQuestion, failed, failedTitle, done, doneTitle;
};

PackRun packRun(bool unpack, bool bulk) {
    PackRun run;
    run.unpack = unpack, run.bulk = bulk;
    const std::string verb = unpack ? "解凍" : "圧縮";
    run.item = "%s を" + verb + "中…";
    run.cancelQuestion = verb + "処理を中止しますか？";
    if (bulk) {
        run.title = "複数ファイル" + verb + "の進行状況";
        run.failed = "%s の" + verb + "に失敗しました。\n処理を中断します。";
        run.failedTitle = verb + "失敗";
        run.done = "ファイルの" + verb + "が完了しました。\n\n" + verb + "したファイル数 : ";
        run.doneTitle = verb + "完了確認";
    } else {
        run.title = "全てのファイルを" + verb;
        run.failed = "%sの" + verb + "に失敗しました。\n" + verb + "処理を中断します。";
        run.failedTitle = kWarning;
        run.done = "%d 個のファイルを" + verb + "しました。";
        run.doneTitle = verb + "完了";
    }
    return run;
}

// What a run could not do, below its count.
std::string extraLines(const BatchCounts& c, const std::string& skippedLine) {
    std::string text;
    if (c.skipped > 0) text += "\n" + skippedLine + std::to_string(c.skipped);
    if (c.failed > 0) text += "\n削除できなかったファイル数 : " + std::to_string(c.failed);
    return text.empty() ? text : "\n" + text;
}

// The loop shared by the file menu's and the selection's packing runs. `total` is the progress
// range: every listed row for the menu's commands, the selection for the bulk ones.
BatchCounts runPacking(Application& app, const PackRun& run, const std::vector<Target>& targets,
                       int total, bool deleteSource, const Packer& pack) {
    const auto busy = app.busyScope();
    Prompter& prompter = app.prompter();
    Progress& progress = app.host().progress;
    Deleter deleter(app);
    BatchCounts counts;
    std::vector<std::string> companionsLeft;
    JournaledChange change(app);
    std::unordered_set<std::string> cleaned;  // folders whose leftover unpacking folders went
    progress.begin(run.title, total,
                   run.bulk ? "処理したファイル数 %d / 処理するファイル総数 %d"
                            : "処理済みのファイル数 %d / 処理するファイルの総数 %d");
    for (std::size_t k = 0; k < targets.size(); ++k) {
        const Target& t = targets[k];
        progress.step(run.bulk ? static_cast<int>(k) : t.row, formatted(run.item.c_str(), t.name));
        if (!run.bulk && stopRequested(progress, prompter, run.cancelQuestion)) {
            counts.aborted = true;
            break;
        }
        if (archive::hasArchiveExtension(t.name) != run.unpack) continue;
        bool ok = false;
        // What a killed run left in the folder this one writes to goes first: once a folder a
        // run, not once a file, as a folder may hold thousands of archives.
        if (cleaned.insert(t.folder).second) {
            removeLeftoverPendingFiles(t.folder, app.startedAt());
            if (run.unpack) removeLeftoverUnpackFolders(t.folder, app.startedAt());
        }
        if (run.unpack) {
            std::string member;
            int seq = 0;
            const Unpacked result =
                unpackInto(app, t.path, t.folder, member, change, t.folderNumber, seq);
            ok = result != Unpacked::Failed;
            if (result == Unpacked::Taken) ++counts.skipped;
            if (result == Unpacked::Ok) {
                ++counts.done;
                if (deleteSource && !deleter.remove(t.path)) ++counts.failed;
                // "Game v1.2.zip" holding "Game v1.2.nes" keeps its title, dots and all.
                if (seq > 0) {
                    CompanionReport report =
                        change.follow(seq, t.name, member, t.recordIndex, t.folderNumber);
                    for (auto* list : {&report.leftInPlace, &report.failed})
                        companionsLeft.insert(companionsLeft.end(), list->begin(), list->end());
                }
            }
            change.checkpoint();
        } else {
            std::string archivePath;
            // The archive must be on the disk before its source goes; a run that keeps its
            // sources flushes its folders once at the end instead of once an archive.
            ok = packChecked(app, t.path, pack, archivePath, deleteSource) == Packed::Ok;
            if (ok) {
                ++counts.done;
                if (deleteSource && !deleter.remove(t.path)) ++counts.failed;
            }
        }
        if (!ok) {
            counts.stopped = true;
            prompter.inform(formatted(run.failed.c_str(), t.name), run.failedTitle);
            break;
        }
        if (run.bulk && stopRequested(progress, prompter, run.cancelQuestion)) {
            counts.aborted = true;
            break;
        }
    }
    if (!run.unpack && !deleteSource && counts.done > 0)
        fs::syncFileSystems(std::vector<std::string>(cleaned.begin(), cleaned.end()));
    progress.step(total, "");
    progress.end();
    // The records' new keys reach the disk now, and the journal goes.
    change.finish();
    app.showStartList();
    std::string done = run.done;
    if (const auto at = done.find("%d"); at != std::string::npos)
        done.replace(at, 2, std::to_string(counts.done));
    else
        done += std::to_string(counts.done);
    prompter.inform(
        done + extraLines(counts, "同じ名前のファイルが既にあるため解凍しなかったファイル数 : "),
        run.doneTitle);
    if (!companionsLeft.empty()) prompter.inform(companionsLeftMessage(companionsLeft), kWarning);
    return counts;
}

std::optional<BatchCounts> allFiles(Application& app, bool unpack, const Packer& pack) {
    if (app.fileList().count() == 0) return std::nullopt;
    Prompter& prompter = app.prompter();
    const std::string verb = unpack ? "解凍" : "圧縮";
    if (!prompter.ask("表示されている全てのファイルを" + verb + "しますか？", verb + "確認"))
        return std::nullopt;
    const bool deleteSource = prompter.ask(verb + "前のファイルを削除しますか？", "削除確認");
    std::vector<int> rows(app.fileList().rows().size());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
    return runPacking(app, packRun(unpack, false), targetsOf(app, rows),
                      static_cast<int>(rows.size()), deleteSource, pack);
}

std::optional<BatchCounts> selectedFiles(Application& app, const std::vector<int>& rows,
                                         bool unpack, const Packer& pack) {
    Prompter& prompter = app.prompter();
    const std::string verb = unpack ? "解凍" : "圧縮";
    if (!prompter.ask("選択しているファイル全てを" + verb + "しますか？",
                      "ファイル" + verb + "確認"))
        return std::nullopt;
    const bool deleteSource = prompter.ask(verb + "前のファイルを削除しますか？", "削除確認");
    return runPacking(app, packRun(unpack, true), targetsOf(app, rows),
                      static_cast<int>(rows.size()), deleteSource, pack);
}

std::string dialogFilePath(const Application& app, const DialogFile& file) {
    const std::string& folder = romFolderPath(app, file.folderNumber);
    if (folder.empty() || file.title.empty()) return "";
    return text::pathOnDisk(folder, file.title + "." + file.extension);
}

}  // namespace

archive::Compression chosenCompression(const Application& app) {
    const CompressionSettings& c = app.settings().compression;
    archive::Compression how;
    how.format = static_cast<archive::CompressionFormat>(c.format);
    const std::int32_t level = c.format == 1 ? c.lzhMethod : c.format == 2 ? c.cabRate : c.zipRate;
    how.level = static_cast<archive::CompressionLevel>(level >= 0 && level <= 2 ? level : 1);
    how.sevenZipType =
        c.sevenZipType == 1 ? archive::SevenZipType::Zip : archive::SevenZipType::SevenZip;
    how.upperCaseExtension = app.settings().option(Option::UpperCaseExtension);
    how.sevenZipForBrackets = app.settings().option(Option::SevenZipForBrackets);
    return how;
}

std::optional<BatchCounts> decompressAll(Application& app) {
    return allFiles(app, true, archive::compress);
}

std::optional<BatchCounts> compressAll(Application& app, const Packer& pack) {
    return allFiles(app, false, pack);
}

bool copySelectedFile(Application& app, int row) {
    const auto t = targetOf(app, row);
    if (!t) return false;
    const auto chosen =
        app.prompter().chooseSaveFile(t->name + "のコピー先を指定してください", "All File", "*.*",
                                      app.programFolder().path(), t->name);
    if (!chosen || chosen->empty() || !fs::fileExists(t->path)) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(t->path, *chosen, ec)) return false;
    // Not every desktop's picker asks before a file is replaced; the program always does.
    if (fs::pathExists(*chosen) &&
        !app.prompter().ask("同名のファイルが既に存在しています。\n上書きしてもいいですか？",
                            "上書き確認"))
        return false;
    // Written beside the target and renamed over it: an older file there is replaced only whole.
    return fs::copyFile(t->path, *chosen);
}

std::optional<BatchCounts> compressRows(Application& app, const std::vector<int>& rows,
                                        const Packer& pack) {
    return selectedFiles(app, rows, false, pack);
}

BatchCounts packRows(Application& app, const std::vector<int>& rows, bool unpack, bool deleteSource,
                     const Packer& pack) {
    return runPacking(app, packRun(unpack, true), targetsOf(app, rows),
                      static_cast<int>(rows.size()), deleteSource, pack);
}

std::optional<BatchCounts> decompressRows(Application& app, const std::vector<int>& rows) {
    return selectedFiles(app, rows, true, archive::compress);
}

std::optional<BatchCounts> deleteRows(Application& app, const std::vector<int>& rows) {
    Prompter& prompter = app.prompter();
    if (!prompter.ask("選択しているファイル全てを削除しますか？", "ファイル削除確認"))
        return std::nullopt;
    const auto busy = app.busyScope();
    Deleter deleter(app);
    BatchCounts counts;
    for (const Target& t : targetsOf(app, rows)) {
        ++(deleter.remove(t.path) ? counts.done : counts.failed);
        if (stopRequested(app.host().progress, prompter, "削除処理を中止しますか？")) {
            counts.aborted = true;
            break;
        }
    }
    app.showStartList();
    std::string text =
        "ファイルの削除が完了しました。\n\n削除したファイル数 : " + std::to_string(counts.done);
    if (counts.failed > 0)
        text += "\n削除できなかったファイル数 : " + std::to_string(counts.failed);
    prompter.inform(text, "削除完了確認");
    return counts;
}

BatchCounts moveRows(Application& app, const std::vector<int>& rows, int destination) {
    BatchCounts counts;
    const std::string& to = romFolderPath(app, destination);
    if (!to.empty()) {
        const auto busy = app.busyScope();
        // Journaled: the recent launches follow each file into its new folder, kill or not.
        JournaledChange change(app);
        for (const Target& t : targetsOf(app, rows)) {
            if (t.folderNumber == destination) continue;
            CompanionReport unchanged;
            switch (change.move(t.path, to + fs::pathName(t.path), t.name, t.name, t.recordIndex,
                                destination, unchanged)) {
                case fs::MoveResult::Moved:
                    ++counts.done;
                    break;
                case fs::MoveResult::TargetExists:
                    ++counts.skipped;
                    break;
                case fs::MoveResult::Failed:
                    ++counts.failed;
                    break;
            }
            change.checkpoint();
            if (stopRequested(app.host().progress, app.prompter(), "移動処理を中止しますか？")) {
                counts.aborted = true;
                break;
            }
        }
    }
    app.showStartList();
    std::string text =
        "ファイルの移動が完了しました。\n\n移動したファイル数 : " + std::to_string(counts.done);
    if (counts.skipped > 0)
        text += "\n移動先に同じ名前のファイルがあるため移動しなかったファイル数 : " +
                std::to_string(counts.skipped);
    if (counts.failed > 0)
        text += "\n移動できなかったファイル数 : " + std::to_string(counts.failed);
    app.prompter().inform(text, "移動完了確認");
    return counts;
}

std::optional<DialogFile> compressOrDecompressFile(Application& app, const DialogFile& file,
                                                   const Packer& pack) {
    const std::string path = dialogFilePath(app, file);
    if (path.empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    const bool unpack = archive::hasArchiveExtension(path);
    if (!prompter.ask(unpack ? "ファイルを解凍しますか？" : "ファイルを圧縮しますか？",
                      unpack ? "ファイル解凍確認" : "ファイル圧縮確認"))
        return std::nullopt;
    const auto busy = app.busyScope();
    DialogFile changed = file;
    if (unpack) {
        std::string member;
        const std::string& folder = romFolderPath(app, file.folderNumber);
        removeLeftoverUnpackFolders(folder, app.startedAt());
        removeLeftoverPendingFiles(folder, app.startedAt());
        JournaledChange change(app);
        int seq = 0;
        switch (unpackInto(app, path, folder, member, change, file.folderNumber, seq)) {
            case Unpacked::Ok:
                break;
            case Unpacked::Taken:
                prompter.inform("ファイルの解凍に失敗しました。\n同じ名前のファイル「" + member +
                                    "」が既にあります。",
                                kWarning);
                return std::nullopt;
            case Unpacked::Failed:
                prompter.inform("ファイルの解凍に失敗しました。", kWarning);
                return std::nullopt;
        }
        if (prompter.ask("ファイルの解凍に成功しました。\n解凍前のファイルを削除しますか？",
                         "ファイル削除確認") &&
            !Deleter(app).remove(path))
            prompter.inform("ファイルの削除に失敗しました。", kWarning);
        changed.title = fs::pathTitle(member);
        const std::string ext = fs::pathExtension(member);
        changed.extension = ext.empty() ? "" : ext.substr(1);
        if (seq > 0) {
            const CompanionReport report =
                change.follow(seq, fs::pathName(path), member,
                              app.romTable().findRecordByTitle(file.title), file.folderNumber);
            change.finish();
            std::vector<std::string> left = report.leftInPlace;
            left.insert(left.end(), report.failed.begin(), report.failed.end());
            if (!left.empty()) prompter.inform(companionsLeftMessage(left), kWarning);
        }
        return changed;
    }
    std::string archivePath;
    if (packChecked(app, path, pack, archivePath, true) != Packed::Ok) {
        prompter.inform("ファイルの圧縮に失敗しました。", kWarning);
        return std::nullopt;
    }
    if (prompter.ask("ファイルの圧縮に成功しました。\n圧縮前のファイルを削除しますか？",
                     "ファイル削除確認") &&
        !Deleter(app).remove(path))
        prompter.inform("ファイルの削除に失敗しました。", kWarning);
    changed.extension = fs::pathExtension(archivePath).substr(1);
    return changed;
}

bool moveDialogFile(Application& app, const DialogFile& file, int destination) {
    const std::string path = dialogFilePath(app, file);
    const std::string& to = romFolderPath(app, destination);
    fs::MoveResult result = fs::MoveResult::Failed;
    if (!path.empty() && !to.empty() && destination != file.folderNumber) {
        const auto busy = app.busyScope();
        const std::string name = file.title + "." + file.extension;
        JournaledChange change(app);
        CompanionReport unchanged;
        result = change.move(path, to + fs::pathName(path), name, name,
                             app.romTable().findRecordByTitle(file.title), destination, unchanged);
    }
    if (result == fs::MoveResult::Moved) return true;
    app.prompter().inform(
        result == fs::MoveResult::TargetExists
            ? "ファイルの移動に失敗しました\n移動先に同じ名前のファイルがあります。"
            : "ファイルの移動に失敗しました",
        kWarning);
    return false;
}

bool deleteDialogFile(Application& app, const DialogFile& file) {
    const std::string path = dialogFilePath(app, file);
    if (path.empty()) return false;
    if (!app.prompter().ask("このファイルを削除しますか？", "ファイル削除確認")) return false;
    if (!Deleter(app).remove(path))
        app.prompter().inform("ファイルの削除に失敗しました。", kWarning);
    return true;
}

std::string moveDestinationPrompt(const std::string& name) {
    return name + " の移動先を指定してください";
}

bool canMoveTo(const Application& app, int folder, int sourceFolder) {
    return folder != sourceFolder && !romFolderPath(app, folder).empty();
}

bool confirmMoveTo(Application& app, int folder) {
    if (folder < 0 || folder >= kRomFolderCount) return false;
    return app.prompter().ask(
        "フォルダ 「" + app.folders().folders.romFolderNames[static_cast<std::size_t>(folder)] +
            "」 に移動させますか？",
        "移動確認");
}

}  // namespace romshelf
