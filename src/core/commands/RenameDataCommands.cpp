// The rename data themselves: made from the listed files or from a DAT, and two files merged.
#include <algorithm>
#include <filesystem>
#include <map>

#include "core/app/Application.h"
#include "core/commands/RenameCommands.h"
#include "core/commands/RenameDataFiles.h"
#include "core/platform/FileSystem.h"
#include "core/rename/DatImport.h"
#include "core/rename/RenameData.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"

namespace romshelf {

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
    const LoopFiles listed = listedFiles(app);
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
