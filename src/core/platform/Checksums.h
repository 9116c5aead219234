#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/platform/FileSystem.h"

namespace romshelf {

// The CRC-32 of zlib, gzip and ZIP, continued from `crc` (0 for the first bytes). Carry-less
// multiply through ISA-L where the build has it, zlib's table otherwise: the values are the same.
std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t size);

namespace detail {
// zlib's CRC-32 whatever the build uses, so that tests hold both to the same values.
std::uint32_t zlibCrc32Update(std::uint32_t crc, const void* data, std::size_t size);
}  // namespace detail

// Which sums to take besides the length.
enum class SumKinds { Crc32, Sha1, Crc32AndSha1 };

// What DAT files and rename data tell a file's contents by.
struct ContentSums {
    std::uint64_t size = 0;
    std::uint32_t crc32 = 0;  // 0 when not asked for
    std::string sha1;  // lower-case hex, the form DAT files give it in; "" when not asked for

    bool operator==(const ContentSums&) const = default;
};

// Sums bytes handed over piece by piece: an archive member as it is decompressed, a file as it
// is read. One pass computes every sum asked for.
class ContentHasher {
public:
    explicit ContentHasher(SumKinds kinds = SumKinds::Crc32);
    ~ContentHasher();
    ContentHasher(ContentHasher&& other) noexcept;
    ContentHasher& operator=(ContentHasher&& other) noexcept;
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void update(const void* data, std::size_t size);
    std::uint64_t size() const { return size_; }
    // The sums of everything handed over so far; the hasher starts again from nothing.
    ContentSums finish();

private:
    void* sha1_ = nullptr;  // EVP_MD_CTX, when a SHA-1 is asked for
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
    bool crc32_ = true;
};

// Reads `fd` from its position to its end in large reads, handing everything to `hasher`; the
// first `headSize` bytes are copied to `head` as well (fewer when the file is shorter: the
// hasher's size tells). False when a read fails.
bool hashDescriptor(int fd, ContentHasher& hasher, unsigned char* head = nullptr,
                    std::size_t headSize = 0);

// What became of reading a file by its path.
enum class FileRead {
    NotRegular,  // nothing there, or no regular file: never opened
    Unopened,    // a regular file that could not be opened
    Failed,      // a read failed before the end
    Stopped,     // `stop` answered true before the end
    Whole,       // every byte handed to the hasher
};

// Reads the regular file at `path` from its start into `hasher` (and its first `headSize` bytes
// into `head`, as hashDescriptor), up to the size it had when it was opened (to its end when that
// was 0, or when it has shrunk since), with as few system calls as a pass over many files
// allows: one stat of the path (a FIFO or a device is never opened), the open, one fstat of it,
// the reads and the close. `file` receives the size and modification time the file had when it
// was opened (those of the path when it could not be opened). `stop`, when given, is asked before
// every read.
//
// A file of 64 KiB or more on a local file system, in the page cache, is hashed from a mapping of
// its pages rather than read (`way` Reads: read whatever it is): the open and fstat, then an
// fstatfs, the mapping, a call or two per megabyte, a last fstat and the unmapping. A file cut
// short while it is mapped is then read again from its start (`stop` asked again from there),
// with the same outcome as reads would have had.
enum class FileReading { Chosen, Reads };
FileRead hashFile(const std::string& path, ContentHasher& hasher, fs::OpenedFile* file = nullptr,
                  unsigned char* head = nullptr, std::size_t headSize = 0,
                  const std::function<bool()>& stop = {}, FileReading way = FileReading::Chosen);

// The sums of the regular file at `path`, read once. nullopt when it is not a regular file (a
// FIFO is refused without waiting) or cannot be read to its end.
std::optional<ContentSums> fileSums(const std::string& path, SumKinds kinds = SumKinds::Crc32);

}  // namespace romshelf
