#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/roms/HeaderSkip.h"

namespace romshelf {

// One ROM entry of a DAT as it is written: any of size, CRC-32, MD5 and SHA-1 may be missing.
struct DatRom {
    std::string game;  // the game (set, machine) it belongs to
    std::string name;  // as the DAT writes it, folders and all
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> crc;
    std::string md5, sha1;  // lower-case hex; empty when absent or malformed
    bool nodump = false;
    std::string merge{};  // an arcade set's rom shared with its parent: its name there
    bool operator==(const DatRom&) const = default;
};

// A game (set, machine) of a DAT, once per name, with the set it is a clone of (cloneof) and the
// set it takes shared roms from (romof: the parent, or a BIOS set).
struct DatGame {
    std::string name, description, cloneof, romof;
    bool operator==(const DatGame&) const = default;
};

// Where an arcade DAT keeps the roms a clone shares with its parent (the header's
// forcemerging): split, each in its parent's set only; full (merged), the clones' roms all in
// the parent's set; none (non-merged), every set whole in itself.
enum class DatMerging { Split, Full, None };

// A DAT file of either format, Logiqx XML or clrmamepro text, read the same way.
struct DatFile {
    std::string name;     // the header's name
    std::string version;  // the header's version, if any
    std::string skipper;  // the header skipper it names ("No-Intro_NES.xml"), if any
    HeaderKind header = HeaderKind::None;    // what that skipper skips
    DatMerging merging = DatMerging::Split;  // the default of the arcade DATs
    std::vector<DatRom> roms;                // file order
    std::vector<DatGame> games;              // file order, the first of each name
};

// DAT files larger than this are refused before they are read.
inline constexpr std::uint64_t kDatSizeLimit = 512ull * 1024 * 1024;

// Reads a DAT: Logiqx XML (<datafile> of <game>s, or a <mame> list of <machine>s, each holding
// <rom name= size= crc= md5= sha1=/>; the skipper in <header><clrmamepro header=…/>) or
// clrmamepro text (clrmamepro ( name … header … ) then game, machine or resource blocks of
// name, description and rom ( name … size … crc … md5 … sha1 … )). Numbers that do not parse
// (a size of 20 digits, a CRC of 7) are left absent. nullopt with `error` set (a sentence for
// the user) when the file cannot be read, is too large, is neither format, or (XML) declares
// entities.
std::optional<DatFile> readDatFile(const std::string& path, std::string& error);

// The whole of a DAT file as readDatFile reads it (what is no regular file, or larger than
// kDatSizeLimit, refused with `error` naming it).
std::optional<std::string> readDatBytes(const std::string& path, std::string& error);

// The bytes of a DAT in memory, read as readDatFile reads a file (`shown`: its name in messages).
std::optional<DatFile> parseDat(std::string bytes, const std::string& shown, std::string& error);

// One top-level block of a clrmamepro text file (`game ( … )`, `clrmamepro ( … )`) as written:
// its key-value pairs in order, and its nested blocks (`rom ( … )`) with their keys.
struct DatTextBlock {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    std::string kind;
    Pairs values;
    std::vector<std::pair<std::string, Pairs>> blocks;
    // The first value of `key`; empty when there is none.
    std::string_view value(std::string_view key) const;
};

// Hands each top-level block of clrmamepro text to `each`, in file order, with every key kept
// (the per-field DATs' genre, users, serial …). False, with `error` naming `shown`, when the text
// is not of that form; blocks before the fault have been handed on.
bool forEachDatTextBlock(std::string_view text, const std::string& shown,
                         const std::function<void(const DatTextBlock&)>& each, std::string& error);

// The header of a DAT this program writes. Name, description, version and author are what the
// Logiqx DTD requires; the skipper is kept so that a fixdat of headerless dumps says so.
struct LogiqxHeader {
    std::string name, description, version, author, date, skipper;
};

// A Logiqx XML DAT of `roms`, valid against the Logiqx DTD (the form other ROM managers read, for
// a list of what is missing): one game per game name, in the order each first appears, holding
// its roms in their order, one per name and CRC; a rom without a size (which the DTD requires)
// is left out. An empty description takes the name.
std::string writeLogiqxDat(const LogiqxHeader& header, const std::vector<DatRom>& roms);

// Of `roms`, those writeLogiqxDat leaves out for want of a size.
std::size_t romsWithoutSize(const std::vector<DatRom>& roms);

}  // namespace romshelf
