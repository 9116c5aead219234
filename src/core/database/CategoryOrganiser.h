#pragma once

#include <string>
#include <vector>

#include "core/database/RomTable.h"

namespace romshelf {

inline constexpr std::string_view kDuplicateItemMessage = "既に同名の項目が存在しています。";

// The organiser dialog of one category list, over a copy of its items: the list kept, the list to
// delete, their selections, the rename and add edits and every list button. Nothing here touches
// the records or the lists the program keeps; renaming in the records and applying the result
// are the caller's.
class CategoryOrganiser {
public:
    // `list`: 0-4 the categories 1-5, 5 the hardware class; `name` the list's display name.
    CategoryOrganiser(int list, std::string name, std::vector<std::string> items);

    int list() const { return list_; }
    // "<name>の項目を整理".
    std::string title() const { return name_ + "の項目を整理"; }

    const std::vector<std::string>& current() const { return current_; }
    const std::vector<std::string>& toDelete() const { return toDelete_; }
    // The selected rows, -1 for none.
    int currentSelection() const { return currentSelection_; }
    int deleteSelection() const { return deleteSelection_; }
    // Selecting an item of the current list copies its text into the rename edit.
    void selectCurrent(int row);
    void selectToDelete(int row);
    // The current row holding exactly `text`; -1 for none.
    int findCurrent(const std::string& text) const;

    std::string renameText;  // "項目の変更"
    std::string addText;     // "項目の追加"

    // "→": the selected item goes to the end of the delete list; the item after it (or, for the
    // last one, the one before) becomes selected.
    void moveToDelete();
    // "全て →".
    void moveAllToDelete();
    // "↑" / "↓": swaps with the neighbour; the moved item stays selected.
    void moveUp();
    void moveDown();
    // "← 全て".
    void moveAllBack();
    // "←": the selected delete item goes to the end of the current list (the delete list's
    // selection moves on as for "→").
    void moveBack();
    // "ソート": ascending by the bytes of the texts' stored (Shift-JIS) form.
    void sort();
    // "追加": appends the add edit's text unless it is empty or already an item; an existing
    // item only clears the edit.
    void add();

    enum class RenameCheck { Nothing, Duplicate, Ready };
    // Step one of "変更": Nothing when the edit is empty or no item is selected; Duplicate when
    // some current item (the selected one included) already has the new text.
    RenameCheck checkRename() const;
    // The selected item's text, once the records have been changed.
    void renameSelected(const std::string& text);

    // Appends the values of `used` (in order) that are neither empty nor current items.
    // Returns how many were added.
    int addMissing(const std::vector<std::string>& used);

    // Where Enter goes: the rename edit presses "変更", the add edit "追加", anything else
    // "項目の確定".
    enum class Focus { RenameEdit, AddEdit, Other };
    enum class EnterAction { Rename, Add, Apply };
    static EnterAction enterAction(Focus focus);

private:
    int list_;
    std::string name_;
    std::vector<std::string> current_;
    std::vector<std::string> toDelete_;
    int currentSelection_ = -1;
    int deleteSelection_ = -1;
};

// The value of list `list` in record `r` (a category 1-5 or the hardware class).
std::string& categoryField(RomRecord& r, int list);
const std::string& categoryField(const RomRecord& r, int list);

// Replaces `from` by `to` in list `list`'s field of every record of `table`, those beyond the
// shown capacity too. Returns how many records changed.
int replaceCategoryValue(RomTable& table, int list, const std::string& from, const std::string& to);

// Every non-empty value of list `list`'s field in `table`, in record order (repeats included).
void collectCategoryValues(const RomTable& table, int list, std::vector<std::string>& out);

}  // namespace romshelf
