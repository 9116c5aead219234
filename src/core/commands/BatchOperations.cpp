#include "core/commands/BatchOperations.h"

#include <filesystem>
#include <unordered_set>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/commands/BatchSteps.h"
#include "core/archive/ArchiveTypes.h"
#include "core/archive/SevenZipWriter.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"
#include "core/platform/Trash.h"
#include "core/text/FileNames.h"

namespace romshelf {

namespace {

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
        run.failedTitle = kBatchWarning;
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

// Unpacks one archive beside itself; the source deleted after (with `deleter`). A member of
// another title takes the archive's record and companions with it; the companions it could not
// take are added to `companionsLeft`. False when the archive did not unpack.
bool unpackTarget(Application& app, const Target& t, JournaledChange& change, Deleter* deleter,
                  BatchCounts& counts, std::vector<std::string>& companionsLeft) {
    std::string member;
    int seq = 0;
    const Unpacked result = unpackInto(app, t.path, t.folder, member, change, t.folderNumber, seq);
    if (result == Unpacked::Taken) ++counts.skipped;
    if (result == Unpacked::Ok) {
        ++counts.done;
        if (deleter && !deleter->remove(t.path)) ++counts.failed;
        // "Game v1.2.zip" holding "Game v1.2.nes" keeps its title, dots and all.
        if (seq > 0) {
            CompanionReport report =
                change.follow(seq, t.name, member, t.recordIndex, t.folderNumber);
            for (auto* list : {&report.leftInPlace, &report.failed})
                companionsLeft.insert(companionsLeft.end(), list->begin(), list->end());
        }
    }
    change.checkpoint();
    return result != Unpacked::Failed;
}

constexpr const char* kNotUnpackedLine =
    "同じ名前のファイルが既にあるため解凍しなかったファイル数 : ";

// The loop shared by the file menu's and the selection's packing runs. `total` is the progress
// range: every listed row for the menu's commands, the selection for the bulk ones.
BatchCounts runPacking(Application& app, const PackRun& run, const std::vector<Target>& targets,
                       int total, bool deleteSource, const Packer& pack) {
    const auto busy = app.busyScope();
    // Packing to 7z sets the encoder up once for the run, not once an archive.
    const archive::SevenZipEncoderReuse encoder;
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
            ok = unpackTarget(app, t, change, deleteSource ? &deleter : nullptr, counts,
                              companionsLeft);
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
    prompter.inform(done + extraLines(counts, kNotUnpackedLine), run.doneTitle);
    if (!companionsLeft.empty())
        prompter.inform(companionsLeftMessage(companionsLeft), kBatchWarning);
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

bool deleteDialogFile(Application& app, const DialogFile& file) {
    const std::string path = dialogFilePath(app, file);
    if (path.empty()) return false;
    if (!app.prompter().ask("このファイルを削除しますか？", "ファイル削除確認")) return false;
    if (!Deleter(app).remove(path))
        app.prompter().inform("ファイルの削除に失敗しました。", kBatchWarning);
    return true;
}

}  // namespace romshelf
