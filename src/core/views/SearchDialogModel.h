#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/database/CategoryLists.h"
#include "core/views/FileScanner.h"

namespace romshelf {

// The search dialog's controls. A model is made for each opening, so the dialog always starts
// with an empty text, the game-name field and "指定しない" in every combo.
class SearchDialogModel {
public:
    // The combos in the dialog's order.
    enum Combo : int { Rating = 0, Category1 = 1, HardwareClass = 6, Favourite = 7 };
    static constexpr int kComboCount = 8;
    static constexpr int kFieldCount = 4;

    SearchDialogModel(const CategoryLists& lists,
                      const std::array<std::string, kCategoryListCount>& categoryNames);

    // The radio button of a search field, and the label of the text box it gives.
    static std::string_view fieldChoice(int field);
    static std::string_view fieldLabel(int field);
    // A combo's label (the category names for the six category combos) and its entries.
    const std::string& comboLabel(int combo) const;
    const std::vector<std::string>& comboItems(int combo) const;
    // Chooses the entry with this text; false, and nothing changes, when the combo has none.
    bool choose(int combo, std::string_view item);

    std::string text;
    int field = 0;  // 0 game name, 1 reading, 2 file name, 3 comment
    std::array<int, kComboCount> chosen{};

    // What the file list is handed: each combo's text, with "未登録" as the empty text.
    SearchCriteria criteria() const;

private:
    std::array<std::string, kComboCount> labels_;
    std::array<std::vector<std::string>, kComboCount> items_;
};

}  // namespace romshelf
