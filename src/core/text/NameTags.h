#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace romshelf::text {

// The tags collectors' file names carry in parentheses and brackets after the title, as the
// No-Intro and Redump DATs name games: "Tetris (USA, Europe) (En,Ja) (Rev 1) [b]".

// The regions a name can give, by number: bit n of a region mask is region n.
std::span<const std::string_view> regionNames();
// The languages (two-letter codes as the names write them), by number: bit n of a language mask.
std::span<const std::string_view> languageNames();
// The number of a region or language named so (letter case aside); nullopt: none known.
std::optional<int> regionNumber(std::string_view name);
std::optional<int> languageNumber(std::string_view code);
// The names of a mask's regions or languages in number order, joined by `separator`.
std::string regionList(std::uint64_t regions, std::string_view separator = ", ");
std::string languageList(std::uint64_t languages, std::string_view separator = ",");
// The languages a release for those regions speaks when its name gives none: Japan's Japanese,
// the USA's English…; a region of many languages (Europe, World, Asia) implies English.
std::uint64_t impliedLanguages(std::uint64_t regions);

// What a name says of its release besides the region: bits of NameTags::status.
enum NameStatus : std::uint32_t {
    kStatusAlpha = 1u << 0,
    kStatusBeta = 1u << 1,
    kStatusProto = 1u << 2,
    kStatusDemo = 1u << 3,
    kStatusSample = 1u << 4,
    kStatusUnlicensed = 1u << 5,
    kStatusPirate = 1u << 6,
    kStatusBadDump = 1u << 7,   // [b], [b1]…
    kStatusVerified = 1u << 8,  // [!]
};
// Not a finished release: alpha, beta, prototype, demo or sample.
inline constexpr std::uint32_t kStatusPreRelease =
    kStatusAlpha | kStatusBeta | kStatusProto | kStatusDemo | kStatusSample;
// What a list "without status" leaves out: every status but a verified dump's.
inline constexpr std::uint32_t kStatusAny =
    kStatusPreRelease | kStatusUnlicensed | kStatusPirate | kStatusBadDump;

// A name's tags as fields. The texts are views into the name parsed.
struct NameTags {
    std::string_view title;       // before the first tag, blanks around it trimmed
    std::uint64_t regions = 0;    // of the region tags ("(USA, Europe)")
    std::uint64_t languages = 0;  // of the language tag ("(En,Ja)"), as written
    std::uint32_t status = 0;     // NameStatus bits
    std::string_view revision;    // "1" of "(Rev 1)", "A" of "(Rev A)"
    std::string_view version;     // "1.1" of "(v1.1)"

    // The languages written, else those the regions imply.
    std::uint64_t spokenLanguages() const {
        return languages ? languages : impliedLanguages(regions);
    }
};

// Reads every tag of `name` (a file's title, an extension after the tags does no harm). A tag is
// a balanced "(…)" or "[…]" after the title; one left open ends the tags, and text in it stays
// part of the title when no tag came before. Tags not known here are passed over.
NameTags parseNameTags(std::string_view name);

// How two revision or version texts order: "" before "0" before "1" before "1.1" before "2"
// before "10"; letters as letters ("A" before "B"); numbers by value.
int compareRevisions(std::string_view a, std::string_view b);

}  // namespace romshelf::text
