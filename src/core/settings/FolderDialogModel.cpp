#include "core/settings/FolderDialogModel.h"

#include "core/settings/PathRules.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

FolderDialogModel::FolderDialogModel(FolderSettings stored, std::string name,
                                     std::string programFolder, FolderDialogKind kind)
    : displayName(std::move(name)),
      settings_(std::move(stored)),
      programFolder_(std::move(programFolder)),
      kind_(kind) {}

std::string FolderDialogModel::pageLabel() const { return "ページ " + std::to_string(page_ + 1); }

std::string FolderDialogModel::nameLabel(int row) const {
    const char* prefix = kind_ == FolderDialogKind::OtherSoftware ? "ソフト " : "ロムフォルダ";
    return prefix + std::to_string(folderNumber(row) + 1) + "の名前";
}

std::string FolderDialogModel::pathLabel(int row) const {
    const char* prefix = kind_ == FolderDialogKind::OtherSoftware ? "ソフト " : "ロムフォルダ";
    return prefix + std::to_string(folderNumber(row) + 1) + "の場所";
}

void FolderDialogModel::previousPage() {
    commitPage();
    if (canGoPrevious()) --page_;
}

void FolderDialogModel::nextPage() {
    commitPage();
    if (canGoNext()) ++page_;
}

void FolderDialogModel::commitPage() {
    for (int row = 0; row < kRowsPerPage; ++row) {
        if (name(row).empty() && !path(row).empty())
            name(row) = paths::lastComponentTitle(path(row));
    }
}

int FolderDialogModel::registerSubfolders(Prompter& prompter) {
    if (!prompter.ask(
            "指定したフォルダにあるサブフォルダを、\n全てロムフォルダに指定します。\n\n実行しますか？",
            "フォルダ登録確認"))
        return 0;
    commitPage();
    auto chosen = prompter.chooseFolder(std::string(kChooseFolderTitle), programFolder_);
    if (!chosen) return 0;
    auto sameFolder = [](const std::string& a, const std::string& b) {
        return !a.empty() && !b.empty() && fs::asFolder(a) == fs::asFolder(b);
    };
    int added = 0;
    for (const auto& entry : fs::listDirectory(*chosen)) {
        if (!entry.isDirectory) continue;
        const std::string folder = fs::joinPath(*chosen, entry.name) + "/";
        bool known = false;
        int freeSlot = -1;
        for (int i = 0; i < kRomFolderCount; ++i) {
            const std::string& p = settings_.romFolderPaths[static_cast<std::size_t>(i)];
            if (sameFolder(p, folder)) known = true;
            if (p.empty() && freeSlot < 0) freeSlot = i;
        }
        if (known) continue;
        if (freeSlot < 0) break;
        settings_.romFolderPaths[static_cast<std::size_t>(freeSlot)] = folder;
        settings_.romFolderNames[static_cast<std::size_t>(freeSlot)] = entry.name;
        ++added;
    }
    return added;
}

bool FolderDialogModel::browse(int row, Prompter& prompter) {
    if (kind_ == FolderDialogKind::RomFolders) {
        auto chosen = prompter.chooseFolder(std::string(kChooseFolderTitle), programFolder_);
        if (!chosen) return false;
        path(row) = paths::storedForm(*chosen, &drives_);
        return true;
    }
    auto chosen = prompter.chooseOpenFile(std::string(kChooseSoftwareTitle), "その他のソフト", "*",
                                          programFolder_);
    if (!chosen || chosen->empty()) return false;
    path(row) = paths::storedForm(*chosen, &drives_);
    name(row) = paths::lastComponentTitle(*chosen);
    return true;
}

FolderSettings FolderDialogModel::settingsToSave() const {
    if (kind_ == FolderDialogKind::RomFolders) return settings_;
    FolderSettings kept;
    kept.romFolderNames = settings_.romFolderNames;
    kept.romFolderPaths = settings_.romFolderPaths;
    kept.snapFolderNames[0] = settings_.snapFolderNames[0];
    kept.snapFolderPaths[0] = settings_.snapFolderPaths[0];
    return kept;
}

std::string FolderDialogModel::makeAbsolute(const std::string& p) const {
    return paths::makeAbsolute(p, programFolder_);
}

std::string FolderDialogModel::makeRelative(const std::string& p) const {
    return paths::makeRelative(p, programFolder_);
}

}  // namespace romshelf
