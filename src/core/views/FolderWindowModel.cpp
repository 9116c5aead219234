#include "core/views/FolderWindowModel.h"

#include <bit>

namespace romshelf {

std::vector<std::string> TagFilterChoices::regionItems() {
    std::vector<std::string> items{std::string(kNoCondition)};
    for (const std::string_view name : text::regionNames()) items.emplace_back(name);
    return items;
}

std::vector<std::string> TagFilterChoices::languageItems() {
    std::vector<std::string> items{std::string(kNoCondition)};
    for (const std::string_view code : text::languageNames()) items.emplace_back(code);
    return items;
}

TagFilterChoices TagFilterChoices::of(const TagFilter& filter) {
    TagFilterChoices c;
    c.region = filter.regions ? std::countr_zero(filter.regions) + 1 : 0;
    c.language = filter.languages ? std::countr_zero(filter.languages) + 1 : 0;
    c.noStatus = filter.noStatus;
    return c;
}

TagFilter TagFilterChoices::filter() const {
    TagFilter f;
    if (region > 0 && static_cast<std::size_t>(region) <= text::regionNames().size())
        f.regions = std::uint64_t{1} << (region - 1);
    if (language > 0 && static_cast<std::size_t>(language) <= text::languageNames().size())
        f.languages = std::uint64_t{1} << (language - 1);
    f.noStatus = noStatus;
    return f;
}

std::array<std::string, kFolderWindowKindCount> FolderWindowModel::kindLabels(
    const std::array<std::string, kCategoryListCount>& categoryNames) {
    std::array<std::string, kFolderWindowKindCount> labels;
    labels[static_cast<int>(FolderWindowKind::RomFolder)] = "フォルダ";
    labels[static_cast<int>(FolderWindowKind::Rating)] = "評価";
    for (int list = 0; list < kCategoryListCount; ++list)
        labels[static_cast<std::size_t>(categoryKind(list))] =
            categoryNames[static_cast<std::size_t>(list)];
    labels[static_cast<int>(FolderWindowKind::Favourites)] = "お気に入り";
    return labels;
}

void FolderWindowModel::list(FolderWindowKind kind, const FileListSources& s) {
    kind_ = kind;
    items_.clear();
    const int list = categoryListOf(kind);
    if (kind == FolderWindowKind::RomFolder) {
        // Other software has locations, not folders: nothing to narrow to.
        if (!s.otherSoftware && s.folders)
            for (int slot = 0; slot < kRomFolderCount; ++slot)
                if (const auto& name = s.folders->romFolderNames[static_cast<std::size_t>(slot)];
                    !name.empty())
                    items_.push_back({name, slot});
    } else if (kind == FolderWindowKind::Rating) {
        items_.push_back({std::string(kUnregisteredItem), 0});
        for (int stars = 1; stars <= 5; ++stars) items_.push_back({ratingText(stars), stars});
    } else if (list >= 0) {
        items_.push_back({std::string(kUnregisteredItem), 0});
        if (s.lists)
            for (const std::string& item : s.lists->items[static_cast<std::size_t>(list)])
                items_.push_back({item, static_cast<int>(items_.size())});
    } else if (kind == FolderWindowKind::Favourites) {
        items_ = {{std::string(kUnregisteredItem), 0}, {std::string(kRegisteredItem), 1}};
    }

    const std::string counted = " (項目数 : " + std::to_string(items_.size()) + ")";
    title_ = "フォルダウィンドウ : ";
    if (kind == FolderWindowKind::RomFolder)
        title_ += "フォルダ" + counted;
    else if (list >= 0)
        title_ += s.categoryNames[static_cast<std::size_t>(list)] + counted;
    else if (kind == FolderWindowKind::Rating)
        title_ += "評価";
    else if (kind == FolderWindowKind::Favourites)
        title_ += "お気に入り";
}

}  // namespace romshelf
