#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "ShellQuote.h"

// Independent peers for checking the LZH writer: libarchive and the `lha` tool read what we
// write, and archives of other header levels are put together here by hand.
namespace romshelf::test::lzh {

struct ReadEntry {
    std::string path;  // UTF-8
    std::string data;
    std::int64_t size = -1;
    std::time_t mtime = 0;
    std::string format;  // e.g. "lha -lh5-"
    bool dataOk = false;
};

struct ReadResult {
    bool ok = false;  // every header and every member's data read without error
    std::vector<ReadEntry> entries;
    std::string error;
};

// Reads a whole archive with libarchive; hdrcharset is passed as the reader option when given.
ReadResult readWithLibarchive(const std::string& path, const char* hdrcharset = nullptr);
ReadResult readMemoryWithLibarchive(std::string_view bytes, const char* hdrcharset = nullptr);

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

bool lhaAvailable();
using romshelf::test::shellQuote;
CommandResult runCommand(const std::string& command);

// `lha t`: true when the tool reports every one of `members` members as tested.
bool lhaTests(const std::string& archive, int members, std::string* output = nullptr);
// `lha x` into the folder; true when the tool succeeded.
bool lhaExtracts(const std::string& archive, const std::string& folder);

// Our own bit-by-bit CRC-16 (0xA001), kept apart from the product's table version.
std::uint16_t referenceCrc16(std::string_view data);

// Hand-made archives in the older header levels, as other LHA tools write them.
std::string level0Member(std::string_view name, std::string_view methodId, std::string_view packed,
                         std::uint32_t originalSize, std::uint16_t crc);
std::string level1Member(std::string_view baseName, std::string_view extName,
                         std::string_view directory, std::string_view packed,
                         std::uint32_t originalSize, std::uint16_t crc);

// Test data (deterministic for a seed).
std::string randomBytes(std::size_t size, std::uint32_t seed);
std::string textLike(std::size_t size, std::uint32_t seed);  // words and numbers: compresses well
std::string mixed(std::size_t size, std::uint32_t seed);     // text, runs, noise and repeats
// A prefix of a de Bruijn sequence over bytes: no three-byte string occurs twice, so an
// LZ coder finds no match at all and emits exactly one literal per byte.
std::string noRepeatedTriples(std::size_t size);
// Bytes whose frequencies follow the Fibonacci numbers: an unlimited Huffman tree would need
// codes far longer than 16 bits.
std::string fibonacciSkewed(std::size_t symbols, std::uint32_t seed);

}  // namespace romshelf::test::lzh
