#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/views/FileList.h"

namespace romshelf {

inline constexpr int kFolderWindowKindCount = 9;  // ROM folders … favourites

// One line of the folder window: the text shown ("フォルダ名") and the number in the hidden
// "フォルダNO" cell, which the file list takes as the chosen item.
struct FolderItem {
    std::string text;
    int number = 0;
    bool operator==(const FolderItem&) const = default;
};

// What the folder window lists: a kind (the ROM folders at first) and that kind's items, taken
// from the current hardware's folders and category lists.
class FolderWindowModel {
public:
    // The kind buttons' labels in kind order; the six category buttons show the category names.
    static std::array<std::string, kFolderWindowKindCount> kindLabels(
        const std::array<std::string, kCategoryListCount>& categoryNames);

    // Lists `kind`: its items, and the window's title with their count.
    void list(FolderWindowKind kind, const FileListSources& s);
    FolderWindowKind kind() const { return kind_; }
    const std::vector<FolderItem>& items() const { return items_; }
    const std::string& title() const { return title_; }

private:
    FolderWindowKind kind_ = FolderWindowKind::RomFolder;
    std::vector<FolderItem> items_;
    std::string title_;
};

// The folder window's filter by the names' tags ("タグで絞り込み"): a region, a language (item 0
// of each, "指定しない", is any) and "no status".
struct TagFilterChoices {
    static std::vector<std::string> regionItems();
    static std::vector<std::string> languageItems();
    // The choices showing `filter` (its first region and language, in number order).
    static TagFilterChoices of(const TagFilter& filter);
    TagFilter filter() const;

    int region = 0;
    int language = 0;
    bool noStatus = false;
};

inline constexpr std::string_view kShowAllFilesButton = "全ファイル表示";
inline constexpr std::string_view kTagFilterButton = "タグで絞り込み";
inline constexpr std::string_view kSearchFilesButton = "ファイルの検索";

}  // namespace romshelf
