#include "core/database/CategoryOrganiser.h"

#include <algorithm>
#include <numeric>

#include "core/database/CategoryLists.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

bool validRow(int row, const std::vector<std::string>& items) {
    return row >= 0 && row < static_cast<int>(items.size());
}

// Moves row `row` of `from` to the end of `to`; returns the row selected after it in `from`:
// the one that followed, the new last one when the last went, -1 when none is left.
int moveRow(std::vector<std::string>& from, std::vector<std::string>& to, int row) {
    to.push_back(std::move(from[static_cast<std::size_t>(row)]));
    from.erase(from.begin() + row);
    return std::min(row, static_cast<int>(from.size()) - 1);
}

}  // namespace

CategoryOrganiser::CategoryOrganiser(int list, std::string name, std::vector<std::string> items)
    : list_(list), name_(std::move(name)), current_(std::move(items)) {}

void CategoryOrganiser::selectCurrent(int row) {
    currentSelection_ = validRow(row, current_) ? row : -1;
    if (currentSelection_ >= 0) renameText = current_[static_cast<std::size_t>(row)];
}

void CategoryOrganiser::selectToDelete(int row) {
    deleteSelection_ = validRow(row, toDelete_) ? row : -1;
}

int CategoryOrganiser::findCurrent(const std::string& text) const {
    const auto it = std::find(current_.begin(), current_.end(), text);
    return it == current_.end() ? -1 : static_cast<int>(it - current_.begin());
}

void CategoryOrganiser::moveToDelete() {
    if (!validRow(currentSelection_, current_)) return;
    selectCurrent(moveRow(current_, toDelete_, currentSelection_));
}

void CategoryOrganiser::moveAllToDelete() {
    toDelete_.insert(toDelete_.end(), std::make_move_iterator(current_.begin()),
                     std::make_move_iterator(current_.end()));
    current_.clear();
    currentSelection_ = -1;
}

void CategoryOrganiser::moveUp() {
    if (currentSelection_ <= 0 || !validRow(currentSelection_, current_)) return;
    std::swap(current_[static_cast<std::size_t>(currentSelection_)],
              current_[static_cast<std::size_t>(currentSelection_ - 1)]);
    --currentSelection_;
}

void CategoryOrganiser::moveDown() {
    if (!validRow(currentSelection_ + 1, current_) || currentSelection_ < 0) return;
    std::swap(current_[static_cast<std::size_t>(currentSelection_)],
              current_[static_cast<std::size_t>(currentSelection_ + 1)]);
    ++currentSelection_;
}

void CategoryOrganiser::moveAllBack() {
    current_.insert(current_.end(), std::make_move_iterator(toDelete_.begin()),
                    std::make_move_iterator(toDelete_.end()));
    toDelete_.clear();
    deleteSelection_ = -1;
}

void CategoryOrganiser::moveBack() {
    if (!validRow(deleteSelection_, toDelete_)) return;
    deleteSelection_ = moveRow(toDelete_, current_, deleteSelection_);
}

void CategoryOrganiser::sort() {
    // Sorting by the stored bytes puts ASCII before full-width text, and kana in Shift-JIS order.
    std::vector<std::string> keys;
    keys.reserve(current_.size());
    for (const std::string& item : current_) keys.push_back(text::cp932Form(item));
    std::vector<std::size_t> order(current_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(current_.size());
    int selection = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == currentSelection_) selection = static_cast<int>(i);
        sorted.push_back(std::move(current_[order[i]]));
    }
    current_ = std::move(sorted);
    currentSelection_ = selection;  // the selected item stays selected
}

void CategoryOrganiser::add() {
    if (addText.empty()) return;
    if (findCurrent(addText) < 0) current_.push_back(addText);
    addText.clear();
}

CategoryOrganiser::RenameCheck CategoryOrganiser::checkRename() const {
    if (renameText.empty() || !validRow(currentSelection_, current_)) return RenameCheck::Nothing;
    return findCurrent(renameText) >= 0 ? RenameCheck::Duplicate : RenameCheck::Ready;
}

void CategoryOrganiser::renameSelected(const std::string& text) {
    if (validRow(currentSelection_, current_))
        current_[static_cast<std::size_t>(currentSelection_)] = text;
}

int CategoryOrganiser::addMissing(const std::vector<std::string>& used) {
    int added = 0;
    for (const std::string& value : used) {
        if (value.empty() || findCurrent(value) >= 0) continue;
        current_.push_back(value);
        ++added;
    }
    return added;
}

CategoryOrganiser::EnterAction CategoryOrganiser::enterAction(Focus focus) {
    switch (focus) {
        case Focus::RenameEdit:
            return EnterAction::Rename;
        case Focus::AddEdit:
            return EnterAction::Add;
        case Focus::Other:
            break;
    }
    return EnterAction::Apply;
}

std::string& categoryField(RomRecord& r, int list) {
    return list == kHardwareClassList ? r.hardwareClass : r.classes[static_cast<std::size_t>(list)];
}

const std::string& categoryField(const RomRecord& r, int list) {
    return list == kHardwareClassList ? r.hardwareClass : r.classes[static_cast<std::size_t>(list)];
}

int replaceCategoryValue(RomTable& table, int list, const std::string& from,
                         const std::string& to) {
    int changed = 0;
    // An empty item stands for no category at all: the records without one stay without.
    if (from.empty()) return 0;
    auto replace = [&](RomRecord& r) {
        std::string& value = categoryField(r, list);
        if (value != from) return;
        value = to;
        ++changed;
    };
    for (int i = 0; i < table.count(); ++i)
        if (categoryField(table[i], list) == from) table.edit(i, replace);
    table.editOverflow(replace);
    return changed;
}

void collectCategoryValues(const RomTable& table, int list, std::vector<std::string>& out) {
    for (int i = 0; i < table.count(); ++i) {
        const std::string& value = categoryField(table[i], list);
        if (!value.empty() && !table[i].fileTitle.empty()) out.push_back(value);  // no dead slot
    }
    for (const RomRecord& r : table.overflow()) {
        const std::string& value = categoryField(r, list);
        if (!value.empty()) out.push_back(value);
    }
}

}  // namespace romshelf
