#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace romshelf::archive {

// One member of a 7z archive as SevenZipWriter stores it.
struct SevenZipMember {
    std::string name;  // UTF-8, stored as UTF-16
    bool directory = false;
    unsigned mode = 0;  // st_mode bits (type and permissions), kept in the attributes
    std::optional<std::int64_t> mtimeSeconds;  // since the epoch
    long mtimeNanoseconds = 0;
};

// The LZMA2 dictionary for `inputBytes` of data: the next power of two at or above it, at least
// 64 KiB and at most `presetBytes`, as 7-Zip sizes it. A dictionary larger than the data buys no
// compression but costs its tables' setup and cache misses on every archive.
std::uint32_t sevenZipDictionarySize(std::uint64_t inputBytes, std::uint32_t presetBytes);

// While one lives on a thread, the 7z archives written there reuse one LZMA2 encoder: its match
// finder's tables and buffers (a few MiB for a small file's dictionary) are set up once for a
// batch instead of being allocated, faulted in page by page and freed again for every archive.
// The kept encoder is freed when the last one on the thread ends.
class SevenZipEncoderReuse {
public:
    SevenZipEncoderReuse();
    ~SevenZipEncoderReuse();
    SevenZipEncoderReuse(const SevenZipEncoderReuse&) = delete;
    SevenZipEncoderReuse& operator=(const SevenZipEncoderReuse&) = delete;
};

// Writes a 7z archive to `fd` (a new, empty file) front to back: every member with data in one
// solid LZMA2 stream (strength 6, as libarchive's writer uses by default) with the dictionary
// sized for `expectedBytes` of data in all, then an unpacked header with names, times, attributes
// and CRCs. Written data may exceed the expectation: it is only the dictionary's size.
class SevenZipWriter {
public:
    SevenZipWriter(int fd, std::uint64_t expectedBytes);
    ~SevenZipWriter();
    SevenZipWriter(const SevenZipWriter&) = delete;
    SevenZipWriter& operator=(const SevenZipWriter&) = delete;

    // Starts a member; its data follows through write() (none for a folder).
    bool begin(const SevenZipMember& member);
    bool write(const void* data, std::size_t size);
    // Writes what is left and the header. Nothing can be added afterwards.
    bool close();

    std::uint32_t dictionarySize() const { return dictionary_; }

    // The LZMA2 stream and its output buffer, which SevenZipEncoderReuse keeps between archives.
    struct Encoder;

private:
    struct Entry {
        SevenZipMember member;
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
    };

    bool code(const void* data, std::size_t size, bool finish);
    bool flushOutput();
    std::string header() const;
    void appendStreamsInfo(std::string& h) const;
    void appendNames(std::string& h) const;
    void appendTimes(std::string& h) const;
    void appendAttributes(std::string& h) const;

    int fd_;
    std::uint32_t dictionary_;
    std::unique_ptr<Encoder> encoder_;
    std::vector<Entry> entries_;
    std::uint64_t packed_ = 0;  // compressed bytes written after the signature header
    bool failed_ = false;
    bool closed_ = false;
};

}  // namespace romshelf::archive
