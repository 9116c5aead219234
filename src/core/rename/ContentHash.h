#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/platform/FileSystem.h"
#include "core/roms/HeaderSkip.h"

namespace romshelf {

// The sums of some bytes, as DATs give them: size, CRC-32 and lower-case hex SHA-1 and MD5.
struct DatSums {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::string sha1, md5;
    bool operator==(const DatSums&) const = default;
};

// What verification knows of a file or archive member: the sums of all its bytes and, when it
// starts with a known header, of the bytes after it.
struct ContentIdentity {
    DatSums whole;
    HeaderKind header = HeaderKind::None;
    std::optional<DatSums> withoutHeader;
};

// Which sums beyond size and CRC-32 to compute (each costs a pass's worth of CPU).
struct DatSumKinds {
    bool sha1 = true;
    bool md5 = true;
};

// Sums bytes fed in pieces, over the whole and, once the first bytes show a header, over what
// follows it: one pass over a file or an archive member, never held in memory.
class DatHasher {
public:
    // `size`: the whole length when known (the SNES copier header is told by it), else 0.
    explicit DatHasher(std::uint64_t size, DatSumKinds kinds = {});
    ~DatHasher();
    DatHasher(const DatHasher&) = delete;
    DatHasher& operator=(const DatHasher&) = delete;

    void add(const void* data, std::size_t size);
    ContentIdentity finish();

private:
    struct Sums;
    void feed(std::string_view bytes);
    std::uint64_t declared_;
    DatSumKinds kinds_;
    std::string head_;  // the first bytes, until the header is decided
    bool decided_ = false;
    std::size_t skip_ = 0;
    HeaderKind header_ = HeaderKind::None;
    std::unique_ptr<Sums> whole_, rest_;
};

// The identity of the file at `path`; nullopt when it is no regular file or cannot be read.
// `opened`, when given, receives the file's size and time of change as it was opened.
std::optional<ContentIdentity> fileContentIdentity(const std::string& path, DatSumKinds kinds = {},
                                                   fs::OpenedFile* opened = nullptr);

}  // namespace romshelf
