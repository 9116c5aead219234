#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "core/platform/LargeAllocator.h"

namespace romshelf {

inline constexpr int kFileListColumns = 12;
inline constexpr int kColumnFolderNumber = 10;
inline constexpr int kColumnRecordIndex = 11;

// Folder numbers with a meaning of their own.
inline constexpr int kPlaceholderFolder = -1;  // "ファイルがありません": no file at all
inline constexpr int kUnownedFolder = -2;      // a file the user does not own

// One row of the file list: twelve texts, an icon number and the insertion number.
struct FileListRow {
    std::array<std::string, kFileListColumns> cells;
    int icon = 0;
    int param = 0;
    // Cells 10 and 11 as numbers, kept beside their texts.
    int folderNumber = kPlaceholderFolder;
    int recordIndex = -1;

    const std::string& gameName() const { return cells[0]; }
    const std::string& fileName() const { return cells[2]; }
};

// The rows of one build. Row objects, and the storage of their texts, are reused by the next
// build, so rebuilding a large list allocates little.
class FileRows {
public:
    void reset() { used_ = 0; }
    // The next row, with stale contents: the caller assigns every field.
    FileListRow& add() {
        if (used_ == rows_.size()) rows_.emplace_back();
        return rows_[used_++];
    }
    // `count` more rows with stale contents, for the caller (or several threads) to fill in.
    std::span<FileListRow> extend(std::size_t count) {
        reserveMore(count);
        while (rows_.size() < used_ + count) rows_.emplace_back();
        used_ += count;
        return {rows_.data() + (used_ - count), count};
    }
    void reserveMore(std::size_t extra) {
        const std::size_t needed = used_ + extra;
        // Geometric growth: reserving exactly per folder would copy every row once per folder.
        if (rows_.capacity() < needed) rows_.reserve(std::max(needed, rows_.capacity() * 2));
    }
    std::size_t size() const { return used_; }
    std::span<const FileListRow> view() const { return {rows_.data(), used_}; }
    std::span<FileListRow> view() { return {rows_.data(), used_}; }

private:
    std::vector<FileListRow, LargeAllocator<FileListRow>> rows_;
    std::size_t used_ = 0;
};

// Rows in display order: an order over rows that are never moved, so sorting moves indexes only.
class FileListView {
public:
    FileListView(std::span<const FileListRow> rows, const std::vector<std::uint32_t>* order)
        : rows_(rows), order_(order) {}

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const FileListRow& operator[](std::size_t i) const {
        return order_ && order_->size() == rows_.size() ? rows_[(*order_)[i]] : rows_[i];
    }

    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = FileListRow;
        using difference_type = std::ptrdiff_t;
        using pointer = const FileListRow*;
        using reference = const FileListRow&;
        iterator(const FileListView* view, std::size_t i) : view_(view), i_(i) {}
        reference operator*() const { return (*view_)[i_]; }
        pointer operator->() const { return &(*view_)[i_]; }
        iterator& operator++() {
            ++i_;
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++i_;
            return old;
        }
        bool operator==(const iterator& o) const { return i_ == o.i_; }

    private:
        const FileListView* view_;
        std::size_t i_;
    };
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, size()}; }

private:
    std::span<const FileListRow> rows_;
    const std::vector<std::uint32_t>* order_;
};

// Which folder-window list narrows the current list, numbered as the folder window's buttons.
enum class FolderWindowKind : int {
    None = -1,
    RomFolder = 0,
    Rating = 1,
    Category1 = 2,  // … Category1 + 4 is category 5
    HardwareClass = 7,
    Favourites = 8,
};

// The category list (0-4 shared, 5 the hardware class) a kind narrows by; -1 for other kinds.
constexpr int categoryListOf(FolderWindowKind kind) {
    const int k = static_cast<int>(kind);
    return k >= static_cast<int>(FolderWindowKind::Category1) &&
                   k <= static_cast<int>(FolderWindowKind::HardwareClass)
               ? k - static_cast<int>(FolderWindowKind::Category1)
               : -1;
}
constexpr FolderWindowKind categoryKind(int list) {
    return static_cast<FolderWindowKind>(static_cast<int>(FolderWindowKind::Category1) + list);
}

enum class SortDirection : int { Ascending = 1, Descending = 2 };

}  // namespace romshelf
