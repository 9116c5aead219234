#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <string>
#include <string_view>

namespace romshelf {

// A regular file's bytes, kept while the program runs without a copy where that is safe: mapped
// read-only on a local file system, read into memory on any other (a page read again from a
// network share whose file another machine replaced would fault) and wherever mapping fails. The
// bytes stay as they were when the file is replaced by a rename or deleted; a file cut short in
// place by another program would fault, so only the program's own files, always replaced whole,
// are opened this way. Pages of a mapped file come into memory as they are read.
class MappedFile {
public:
    enum class Way { Chosen, Read };
    // nullptr when `path` is not a regular file of 1 to `maxBytes` bytes or cannot be read.
    // `way`: Read reads it whatever its file system.
    static std::shared_ptr<const MappedFile> open(const std::string& path, std::uint64_t maxBytes,
                                                  Way way = Way::Chosen);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Whether the file open as `fd` lies on a file system whose pages, once read, can be read
    // again for as long as the file stays open: local disks and memory, not network shares or
    // FUSE.
    static bool mapsSafely(int fd);

    std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }
    bool mapped() const { return read_.empty(); }
    // Gives the memory of the mapped bytes [from, from + size) back (whole pages within them):
    // they are read from the file again when next used. Read bytes stay in memory.
    void release(std::size_t from, std::size_t size) const;

private:
    MappedFile(const void* data, std::size_t size) : data_(data), size_(size) {}
    explicit MappedFile(std::string read)
        : read_(std::move(read)), data_(read_.data()), size_(read_.size()) {}
    std::string read_;  // the bytes when they were read rather than mapped
    const void* data_;
    std::size_t size_;
};

}  // namespace romshelf
