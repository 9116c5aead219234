#pragma once

#include <string>

#include "core/settings/DriveMap.h"
#include "core/settings/FolderSettings.h"
#include "core/platform/Prompter.h"

namespace romshelf {

// Other software (HARD) keeps programs and documents in the ROM-folder rows and uses only snap
// folder 1 besides; its dialog edits just those.
enum class FolderDialogKind { RomFolders, OtherSoftware };

// What the folder-settings dialog edits: its own copy of one hardware's folder file, shown five
// ROM folders to a page. The dialog widget only displays it.
class FolderDialogModel {
public:
    static constexpr int kRowsPerPage = 5;
    static constexpr int kPageCount = kRomFolderCount / kRowsPerPage;

    FolderDialogModel(FolderSettings stored, std::string displayName, std::string programFolder,
                      FolderDialogKind kind = FolderDialogKind::RomFolders);

    FolderSettings& settings() { return settings_; }
    const FolderSettings& settings() const { return settings_; }
    std::string displayName;

    int page() const { return page_; }
    std::string pageLabel() const;  // "ページ 1" … "ページ 50"
    int folderNumber(int row) const { return page_ * kRowsPerPage + row; }  // 0-based
    FolderDialogKind kind() const { return kind_; }
    std::string nameLabel(int row) const;  // "ロムフォルダ1の名前" / "ソフト 1の名前"
    std::string pathLabel(int row) const;  // "ロムフォルダ1の場所" / "ソフト 1の場所"
    std::string& name(int row) { return settings_.romFolderNames[folderNumber(row)]; }
    std::string& path(int row) { return settings_.romFolderPaths[folderNumber(row)]; }

    bool canGoPrevious() const { return page_ > 0; }
    bool canGoNext() const { return page_ < kPageCount - 1; }
    void previousPage();
    void nextPage();

    // A row with a path and no name is named after the path's last component.
    void commitPage();

    // "ロムフォルダの一括登録": asks, lets the user pick a folder, and puts each of its sub-folders
    // that is not a ROM folder yet into the first free slot. Returns how many were added.
    int registerSubfolders(Prompter& prompter);

    // A row's "参照": a folder for a ROM folder; for other software a file, which also names the
    // row. False when the user cancels.
    bool browse(int row, Prompter& prompter);

    // What "設定の保存" writes: for other software the fields its dialog does not show are empty.
    FolderSettings settingsToSave() const;

    // The rows' conversion buttons.
    std::string makeAbsolute(const std::string& p) const;
    std::string makeRelative(const std::string& p) const;
    const std::string& programFolder() const { return programFolder_; }
    // A folder picked under a mapped drive is kept in its Windows form.
    void setDrives(DriveMap drives) { drives_ = std::move(drives); }

private:
    FolderSettings settings_;
    std::string programFolder_;
    DriveMap drives_;
    FolderDialogKind kind_;
    int page_ = 0;
};

inline constexpr std::string_view kChooseFolderTitle = "フォルダを選択してください。";
inline constexpr std::string_view kChooseSoftwareTitle = "その他のソフトの場所を指定してください";

}  // namespace romshelf
