#include "core/commands/RenameDataFiles.h"

#include "core/app/Application.h"
#include "core/commands/RenameCommands.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"

namespace romshelf {

LoopFiles listedFiles(const Application& app) {
    LoopFiles listed;
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

std::string renameFileOrWarn(Application& app) {
    std::string name = renameDataFileName(app.currentCode());
    if (name.empty()) app.prompter().inform(kNoRenameDataMessage, kWarning);
    return name;
}

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

std::string keptRenameDat(const Application& app) {
    for (const auto& [code, dat] : app.plusSettings().renameDats)
        if (code == app.currentCode()) return dat;
    return {};
}

void keepRenameDat(Application& app, const std::string& dat) {
    PlusSettings plus = app.plusSettings();
    std::erase_if(plus.renameDats,
                  [&](const auto& kept) { return kept.first == app.currentCode(); });
    if (!dat.empty()) plus.renameDats.emplace_back(app.currentCode(), dat);
    app.changePlusSettings(plus);
}

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

std::string unusableNamesText(const std::vector<std::string>& names, const char* heading) {
    if (names.empty()) return {};
    constexpr std::size_t kListed = 10;
    std::string text = std::string("\n\n") + heading;
    for (std::size_t i = 0; i < names.size() && i < kListed; ++i)
        text += "\n「" + visibleText(names[i]) + "」";
    if (names.size() > kListed) text += "\nほか " + std::to_string(names.size() - kListed) + " 件";
    return text;
}

}  // namespace romshelf
