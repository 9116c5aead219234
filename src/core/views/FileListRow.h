#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/platform/LargeAllocator.h"

namespace romshelf {

inline constexpr int kFileListColumns = 12;
inline constexpr int kColumnFolderNumber = 10;
inline constexpr int kColumnRecordIndex = 11;

// Folder numbers with a meaning of their own.
inline constexpr int kPlaceholderFolder = -1;  // "ファイルがありません": no file at all
inline constexpr int kUnownedFolder = -2;      // a file the user does not own

// A row's text where the row keeps it: a view, that becomes a std::string where one is wanted.
struct CellText : std::string_view {
    CellText() = default;
    CellText(std::string_view v) : std::string_view(v) {}
    CellText(const char* s) : std::string_view(s) {}  // `cond ? "literal" : row.gameName()`
    operator std::string() const { return std::string(*this); }
};

// What a record shows in the cells it fills (0, 1 and 3-9, by column; 2 unused), as it was when
// the rows were made: an edit of the record changes its rows only when they are made again.
struct RecordTexts {
    std::array<std::string_view, 10> columns;
};

// Texts the rows point at that live nowhere else (records' texts, unowned titles, edited rows),
// in blocks that never move: a text kept stays where it is until clear().
class TextStore {
public:
    std::string_view keep(std::string_view text);
    void clear();

private:
    static constexpr std::size_t kBlockSize = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = kBlockSize;
};

struct FileListRow;

// The twelve texts of a row, made when asked for: a row keeps where its texts are, not copies of
// them, so that a million rows fit in memory.
class RowCells {
public:
    std::string operator[](std::size_t column) const;
    std::size_t size() const { return kFileListColumns; }

private:
    // Only as part of a row: the cells find their row at their own address.
    friend struct FileListRow;
    RowCells() = default;
    RowCells(const RowCells&) = default;
    RowCells& operator=(const RowCells&) = default;
    const FileListRow& row() const;

    // The record's texts; nullptr: the file's title.
    const RecordTexts* shown_ = nullptr;
};

// One row of the file list: its file name (the title its first titleSize bytes), the texts of its
// record, an icon number and the insertion number. Thirty-two bytes: a million rows are 32 MB.
struct FileListRow {
    FileListRow() = default;

    // A file name holds at most 255 bytes, a few times that as text; a longer text (a line of the
    // list of files not owned) is shown cut at this size.
    static constexpr std::size_t kLongestName = 0xFFFF;

    RowCells cells;  // first (see RowCells::row)
    const char* name = nullptr;
    std::uint16_t nameSize = 0;
    std::uint16_t titleSize = 0;
    std::int16_t icon = 0;
    // Cell 10 as a number.
    std::int16_t folderNumber = kPlaceholderFolder;
    int param = 0;
    // Cell 11 as a number.
    int recordIndex = -1;

    // Cells 0-9 as views (cell 2 is the file name).
    std::string_view text(std::size_t column) const {
        if (column == 2) return {name, nameSize};
        if (cells.shown_) return cells.shown_->columns[column];
        return column <= 1 ? std::string_view(name, titleSize) : std::string_view();
    }
    // All twelve cells as views, the numbers written into `digits`.
    using CellViews = std::array<std::string_view, kFileListColumns>;
    void cellViews(CellViews& out, std::array<char, 32>& digits) const;
    CellText gameName() const { return text(0); }
    CellText fileName() const { return text(2); }
    const RecordTexts* shown() const { return cells.shown_; }
    // `fileName` (stored for as long as the row) of title: its first `title` bytes, showing the
    // record texts `record` (nullptr: the title).
    void show(std::string_view fileName, std::size_t title, const RecordTexts* record) {
        name = fileName.data();
        nameSize = static_cast<std::uint16_t>(std::min(fileName.size(), kLongestName));
        titleSize = static_cast<std::uint16_t>(std::min<std::size_t>(title, nameSize));
        cells.shown_ = record;
    }
};

static_assert(sizeof(FileListRow) == 32);

inline const FileListRow& RowCells::row() const {
    static_assert(std::is_standard_layout_v<FileListRow>);
    return *reinterpret_cast<const FileListRow*>(this);
}

// The rows of one build. Row objects, and the storage of their texts, are reused by the next
// build, so rebuilding a large list allocates little.
class FileRows {
public:
    void reset() { used_ = 0; }
    // Keeps the first `count` rows only.
    void truncate(std::size_t count) { used_ = std::min(used_, count); }
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
