#include "core/views/FileListRow.h"

#include <charconv>
#include <cstring>

namespace romshelf {

std::string_view TextStore::keep(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > kBlockSize) {
        // A block of its own, before the one being filled.
        auto own = std::make_unique<char[]>(text.size());
        std::memcpy(own.get(), text.data(), text.size());
        const char* at = own.get();
        blocks_.insert(blocks_.begin(), std::move(own));
        return {at, text.size()};
    }
    if (used_ + text.size() > kBlockSize) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::memcpy(at, text.data(), text.size());
    used_ += text.size();
    return {at, text.size()};
}

void TextStore::clear() {
    // The first block stays for the next build.
    if (blocks_.size() > 1) blocks_.erase(blocks_.begin(), blocks_.end() - 1);
    used_ = blocks_.empty() ? kBlockSize : 0;
}

void FileListRow::cellViews(CellViews& out, std::array<char, 32>& digits) const {
    for (std::size_t c = 0; c < kColumnFolderNumber; ++c) out[c] = text(c);
    char* const half = digits.data() + digits.size() / 2;
    char* end = std::to_chars(digits.data(), half, folderNumber).ptr;
    out[kColumnFolderNumber] = {digits.data(), static_cast<std::size_t>(end - digits.data())};
    end = std::to_chars(half, digits.data() + digits.size(), recordIndex).ptr;
    out[kColumnRecordIndex] = {half, static_cast<std::size_t>(end - half)};
}

std::string RowCells::operator[](std::size_t column) const {
    const FileListRow& r = row();
    if (column == kColumnFolderNumber || column == kColumnRecordIndex) {
        char digits[16];
        const int value = column == kColumnFolderNumber ? r.folderNumber : r.recordIndex;
        return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    }
    return std::string(column < kFileListColumns ? r.text(column) : std::string_view());
}

}  // namespace romshelf
