#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/app/HardwareSession.h"
#include "core/database/CategoryOrganiser.h"

namespace romshelf {

// The category organiser's commands that reach beyond its own copy of the list: renaming an item
// in the records of every hardware, finding the values records use that the list lacks, and
// applying the result to the program's list.
class CategoryCommands {
public:
    CategoryCommands(HardwareSession& session, DataStream& stream, Prompter& prompter)
        : session_(session), stream_(stream), prompter_(prompter) {}

    // An organiser over the items of list `list` (0-4 categories 1-5, 5 the hardware class).
    CategoryOrganiser open(int list) const;

    enum class RenameResult { Nothing, Duplicate, Renamed, Kept };
    // "変更": the selected item becomes the rename edit's text. For categories 1-5 every
    // hardware's records change: the others' files are read, changed and written one by one (a
    // missing or refused file is skipped, the refusal told once), the current hardware's records
    // in memory and then its file. For the hardware class only the current records change.
    // Duplicate: the message was shown and nothing changed. Kept: some file could not be written,
    // the user was told which hardware kept the old text, and the item keeps its old text too, so
    // that the same rename can be done again; the others stay renamed.
    RenameResult rename(CategoryOrganiser& organiser);
    // Told when a rename changed the current hardware's records (the file list shows them).
    void whenRecordsChanged(std::function<void()> changed) { recordsChanged_ = std::move(changed); }

    // "ファイル情報に登録したのに現在の項目に存在しない分類項目を探して追加": categories 1-5 look
    // through every hardware's records (the current one's in memory), the hardware class through
    // the current records. Returns how many items were added.
    int addMissing(CategoryOrganiser& organiser);

    // "項目の確定": the list takes the organiser's current items; the delete list's items are
    // dropped from the list only. The files are written by the next save of the hardware's data.
    void apply(const CategoryOrganiser& organiser) {
        session_.setCategoryItems(organiser.list(), organiser.current());
    }
    // A text typed into a category combo of the registration dialog: appended to list `list`
    // unless it is empty or an item already equals it in any letter case. True when appended.
    bool addTypedItem(int list, const std::string& text);
    // Saves the current hardware's records and lists now; false (and told) when some file could
    // not be written.
    bool save();

private:
    // Runs `visit(code, table)` over every hardware's records in hardware-index order: the
    // current hardware's in memory (`table` is nullptr then), the others' as read from their
    // files into `table` (skipping those that are missing or refused).
    template <class Visit>
    void forEveryHardware(Visit&& visit);

    HardwareSession& session_;
    DataStream& stream_;
    Prompter& prompter_;
    std::function<void()> recordsChanged_;
};

}  // namespace romshelf
