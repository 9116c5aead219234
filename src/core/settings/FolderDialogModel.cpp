#include "core/settings/FolderDialogModel.h"

#include "core/settings/PathRules.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

FolderDialogModel::FolderDialogModel(FolderSettings stored, std::string name,
                                     std::string programFolder)
    : displayName(std::move(name)),
      settings_(std::move(stored)),
      programFolder_(std::move(programFolder)) {}

std::string FolderDialogModel::pageLabel() const { return "ページ " + std::to_string(page_ + 1); }

std::string FolderDialogModel::nameLabel(int row) const {
    return "ロムフォルダ" + std::to_string(folderNumber(row) + 1) + "の名前";
}

std::string FolderDialogModel::pathLabel(int row) const {
    return "ロムフォルダ" + std::to_string(folderNumber(row) + 1) + "の場所";
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
    auto sameFolder = [](std::string a, std::string b) {
        if (a.empty() || b.empty()) return false;
        if (a.back() != '/') a += '/';
        if (b.back() != '/') b += '/';
        return a == b;
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

std::string FolderDialogModel::makeAbsolute(const std::string& p) const {
    return paths::makeAbsolute(p, programFolder_);
}

std::string FolderDialogModel::makeRelative(const std::string& p) const {
    return paths::makeRelative(p, programFolder_);
}

}  // namespace romshelf
