#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace romshelf {

// A regular file's bytes mapped read-only, for a large file read at random and kept while the
// program runs, without a copy. The bytes stay as they were when the file is replaced by a rename
// or deleted; a file cut short in place by another program would fault, so only the program's own
// files, always replaced whole, are mapped.
class MappedFile {
public:
    // nullptr when `path` is not a regular file of 1 to `maxBytes` bytes or cannot be mapped.
    static std::shared_ptr<const MappedFile> open(const std::string& path, std::uint64_t maxBytes);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

private:
    MappedFile(const void* data, std::size_t size) : data_(data), size_(size) {}
    const void* data_;
    std::size_t size_;
};

}  // namespace romshelf
