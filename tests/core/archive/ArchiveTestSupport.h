#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "RawBytes.h"
#include "ShellQuote.h"

// Helpers of the archive and LZH tests: the real archivers and libarchive as independent peers
// (packing, listing, reading members back), ZIP and LZH members built byte by byte for the cases
// our writers and other archivers would not make, and test data.
namespace romshelf::test {

using Names = std::vector<std::string>;

struct ShellResult {
    int exitCode = -1;
    std::string output;  // standard output only
};
ShellResult runShell(const std::string& command);

enum class Packer { Zip, SevenZip, SevenZipNonSolid, Cab };
// Packs `names` (relative to `folder`) into `folder` + `archive` with the real tool, in the
// order given. True when the tool succeeded.
bool packWithTool(Packer packer, const std::string& folder, const std::string& archive,
                  const Names& names);

// What the real tool of the archive's extension (any case) sees in it: the member names one a
// line in archive order (zip, 7z, cab), and one member's bytes (those and lzh).
std::string peerNames(const std::string& archive);
std::string peerMember(const std::string& archive, const std::string& member);
// `lha t`: true when the tool tests exactly `members` members as good. `lha x` into a folder.
bool lhaTests(const std::string& archive, int members);
bool lhaExtracts(const std::string& archive, const std::string& folder);

// Names in a folder, sorted (hidden ones included).
Names folderEntries(const std::string& folder);

// Deterministic noise; each byte masked with `mask` (the default leaves some redundancy, like
// real ROM data; 0xFF does not compress at all).
std::string romBytes(std::size_t size, unsigned seed = 1, unsigned mask = 0x3F);
// Words and numbers: compresses well, so compression levels make a visible difference.
std::string textLike(std::size_t size, unsigned seed = 1);

class ZipBuilder {
public:
    struct Member {
        std::string rawName;  // stored as is
        std::string data;
        bool deflate = false;
        bool utf8Flag = false;
        std::optional<std::uint32_t> declaredSize{};  // a lie about the uncompressed size
        std::optional<std::uint32_t> unixMode{};      // e.g. 0120777 for a symbolic link
        bool dataDescriptor = false;  // sizes and CRC only after the data (flag bit 3)
    };
    ZipBuilder& add(Member member) {
        members_.push_back(std::move(member));
        return *this;
    }
    ZipBuilder& add(std::string rawName, std::string data) {
        return add(Member{.rawName = std::move(rawName), .data = std::move(data)});
    }
    // The archive; without the central directory only a streaming reader can read it.
    std::string bytes(bool withCentralDirectory = true) const;

private:
    std::vector<Member> members_;
};

// LZH

struct LzhEntry {
    std::string path;  // UTF-8
    std::string data;
    std::int64_t size = -1;
    std::time_t mtime = 0;
    std::string format;  // e.g. "lha -lh5-"
};
struct LzhRead {
    bool ok = false;  // every header and every member's data read without error
    std::vector<LzhEntry> entries;
    std::string error;
};
// Reads a whole archive with libarchive; hdrcharset is passed as the reader option when given.
LzhRead readLzh(std::string_view archive, const char* hdrcharset = nullptr);
// The member paths in archive order; when reading failed, the reader's error comes last.
Names pathsOf(const LzhRead& read);

// Our own bit-by-bit CRC-16 (0xA001), kept apart from the product's table version.
std::uint16_t referenceCrc16(std::string_view data);

// Members with the older header levels, as other LHA tools write them. Level 1 (stored) keeps
// a long name (extension type 1) or a folder (type 2) in an extension header.
std::string level0Member(std::string_view name, std::string_view methodId, std::string_view packed,
                         std::string_view original);
std::string level1Member(std::string_view baseName, char extType, std::string_view extData,
                         std::string_view data);

// Text, runs, noise and copies from far back (beyond the smaller dictionaries): like a ROM.
std::string mixed(std::size_t size, std::uint32_t seed);
// No two-byte string occurs twice (up to 65,280 bytes), so an LZ coder finds no match at all
// and emits exactly one literal per byte.
std::string noRepeatedPairs(std::size_t size);
}  // namespace romshelf::test
