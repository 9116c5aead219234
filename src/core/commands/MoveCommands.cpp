// Moving files between ROM folders, with their records, snaps and saves: the selection's and the
// file dialog's moves, and the destination picker's texts.

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/archive/ArchiveTypes.h"
#include "core/commands/BatchOperations.h"
#include "core/commands/BatchSteps.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"
#include "core/text/FileNames.h"

namespace romshelf {

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
                                kBatchWarning);
                return std::nullopt;
            case Unpacked::Failed:
                prompter.inform("ファイルの解凍に失敗しました。", kBatchWarning);
                return std::nullopt;
        }
        if (prompter.ask("ファイルの解凍に成功しました。\n解凍前のファイルを削除しますか？",
                         "ファイル削除確認") &&
            !Deleter(app).remove(path))
            prompter.inform("ファイルの削除に失敗しました。", kBatchWarning);
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
            if (!left.empty()) prompter.inform(companionsLeftMessage(left), kBatchWarning);
        }
        return changed;
    }
    std::string archivePath;
    if (packChecked(app, path, pack, archivePath, true) != Packed::Ok) {
        prompter.inform("ファイルの圧縮に失敗しました。", kBatchWarning);
        return std::nullopt;
    }
    if (prompter.ask("ファイルの圧縮に成功しました。\n圧縮前のファイルを削除しますか？",
                     "ファイル削除確認") &&
        !Deleter(app).remove(path))
        prompter.inform("ファイルの削除に失敗しました。", kBatchWarning);
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
        kBatchWarning);
    return false;
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
