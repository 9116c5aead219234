#include "core/views/SearchDialogModel.h"

#include <algorithm>

namespace romshelf {

namespace {

constexpr std::array<std::string_view, SearchDialogModel::kFieldCount> kFieldLabels = {
    "ゲーム名", "ゲーム名読み方", "ファイル名", "コメント"};

}  // namespace

SearchDialogModel::SearchDialogModel(
    const CategoryLists& lists, const std::array<std::string, kCategoryListCount>& categoryNames) {
    const std::vector<std::string> head = {std::string(kNoCondition),
                                           std::string(kUnregisteredItem)};
    labels_[Rating] = "評価";
    items_[Rating] = head;
    for (int stars = 1; stars <= 5; ++stars) items_[Rating].push_back(ratingText(stars));
    for (int list = 0; list < kCategoryListCount; ++list) {
        const auto at = static_cast<std::size_t>(Category1 + list);
        labels_[at] = categoryNames[static_cast<std::size_t>(list)];
        items_[at] = head;
        const auto& entries = lists.items[static_cast<std::size_t>(list)];
        items_[at].insert(items_[at].end(), entries.begin(), entries.end());
    }
    labels_[Favourite] = "お気に入り";
    items_[Favourite] = head;
    items_[Favourite].emplace_back(kRegisteredItem);
}

std::string_view SearchDialogModel::fieldChoice(int field) {
    static constexpr std::array<std::string_view, kFieldCount> kChoices = {
        "ゲーム名で検索する", "ゲーム名読み方で検索する", "ファイル名で検索する",
        "コメントで検索する"};
    return kChoices[static_cast<std::size_t>(std::clamp(field, 0, kFieldCount - 1))];
}

std::string_view SearchDialogModel::fieldLabel(int field) {
    return kFieldLabels[static_cast<std::size_t>(std::clamp(field, 0, kFieldCount - 1))];
}

const std::string& SearchDialogModel::comboLabel(int combo) const {
    return labels_[static_cast<std::size_t>(combo)];
}

const std::vector<std::string>& SearchDialogModel::comboItems(int combo) const {
    return items_[static_cast<std::size_t>(combo)];
}

bool SearchDialogModel::choose(int combo, std::string_view item) {
    const auto& items = comboItems(combo);
    const auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end()) return false;
    chosen[static_cast<std::size_t>(combo)] = static_cast<int>(it - items.begin());
    return true;
}

SearchCriteria SearchDialogModel::criteria() const {
    auto textOf = [&](int combo) {
        const auto& items = comboItems(combo);
        const int i = chosen[static_cast<std::size_t>(combo)];
        std::string t = i >= 0 && i < static_cast<int>(items.size())
                            ? items[static_cast<std::size_t>(i)]
                            : std::string(kNoCondition);
        return t == kUnregisteredItem ? std::string() : t;
    };
    SearchCriteria c;
    c.typed = text;
    c.field = std::clamp(field, 0, kFieldCount - 1);
    c.rating = textOf(Rating);
    for (int list = 0; list < kCategoryListCount; ++list)
        c.classes[static_cast<std::size_t>(list)] = textOf(Category1 + list);
    c.favourite = textOf(Favourite);
    return c;
}

}  // namespace romshelf
