#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/rename/IdentityScan.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/rename/GameDatabase.h"
#include "core/rename/GameFacts.h"
#include "core/settings/PlusSettings.h"

namespace romshelf {

class Application;

// The facts of a game database a record's category can take.
enum class FillField { Genre, Developer, Publisher, Franchise, Year, Players };
inline constexpr int kFillFieldCount = 6;

// "genre", "developer", "publisher", "franchise", "year", "players" (the CLI's --map keys).
std::string_view fillFieldKey(FillField field);
// The field of a key; "releaseyear" and "users", the databases' own words, too.
std::optional<FillField> fillFieldOfKey(std::string_view key);

// Which category list (0-4 the categories, 5 the hardware class; -1 none) takes each field.
using FillLists = std::array<int, kFillFieldCount>;
// By the lists' names: one saying ジャンル takes the genre, メーカー or 開発 the developer,
// 発売元 the publisher, シリーズ the franchise, 発売年 the year, 人数 the players; the first such
// list of each, a list taking one field only.
FillLists defaultFillLists(const std::array<std::string, kCategoryListCount>& names);

// The names of the databases' genres in Japanese: pairs of the database's word and ours.
using GenreNames = std::vector<std::pair<std::string, std::string>>;
// The built-in names ("Role-Playing" -> "ロールプレイング").
const std::vector<std::pair<std::string_view, std::string_view>>& genreNameTable();
GenreNames builtInGenreNames();
// The Japanese name of a genre; the database's word when the table has none.
std::string japaneseGenre(std::string_view genre);
std::string japaneseGenre(std::string_view genre, const GenreNames& names);
// The user's table from the settings (`genreName.Action=アクション`, the whole table once the
// user has edited it), else the built-in one.
GenreNames genreNames(const PlusSettings& settings);
// Keeps `names` as the user's table; the built-in table is kept as no entry at all, so that a
// later version's names reach a user who never edited them.
void setGenreNames(const GenreNames& names, PlusSettings& settings);

struct FillOptions {
    FillLists lists{-1, -1, -1, -1, -1, -1};
    bool overwrite = false;           // replace values the records hold (the old ones are listed)
    bool originalGenreNames = false;  // the database's genre words, untranslated
    GenreNames genreNames = builtInGenreNames();
    std::uint64_t hashLimit = kIdentityHashLimit;
};

// The text a field of `game` gives a category: the genre (through `options.genreNames` unless
// `originalGenreNames`), the developer, publisher and franchise as written, the year as its
// digits, the players as "2人". Empty when the database has nothing for it.
std::string fillValue(const GameFacts& game, FillField field, const FillOptions& options);

enum class MatchedBy { Crc, CrcWithoutHeader, Name, None };
std::string_view matchedByWord(MatchedBy by);  // "crc", "crc-without-header", "name", "none"

// One value to write: `record` -1 for a file without a record (one is made for its title).
struct FillChange {
    std::string file;   // the file's name as listed
    std::string title;  // the record's title
    int record = -1;
    FillField field = FillField::Genre;
    int list = 0;
    std::string oldValue, newValue;
};

struct FillMatch {
    std::string file;
    MatchedBy by = MatchedBy::None;
    std::string game;  // the database's name of it
};

// Everything a fill would change, before anything is written.
struct FillPlan {
    std::vector<FillMatch> matches;  // every file, in list order
    std::vector<FillChange> changes;
    int byCrc = 0, byName = 0, notFound = 0;  // files (by CRC: whole or without header)
    // Records that get a value (new ones included) and how many of them are new.
    int records = 0, newRecords = 0;
    bool cancelled = false;  // the user stopped the matching: the plan is not whole
};

// Called before each file of a plan with the files done; false stops the matching.
using FillStep = std::function<bool(std::size_t done, const std::string& file)>;

// Matches every file of `job` against `database` (by size and CRC-32 from the identity cache,
// then without a header the file starts with, then by title) and lists what filling the records
// of `table` would change: only empty category values unless `overwrite`; files sharing a title
// share a record and are filled once.
FillPlan planFill(const GameDatabase& database, const IdentityJob& job, const RomTable& table,
                  IdentityCache& cache, const FillOptions& options, const FillStep& step = {});

// The records and new records the changes of `plan` give values, counted into it.
void countFilledRecords(FillPlan& plan);

// What a fill did.
struct FillRun {
    FillPlan plan;
    bool written = false;    // the records were changed and saved
    std::string backupPath;  // the records as they were before, kept aside
    int withoutRoom = 0;     // titles that got no record: the table was full
};

// The current hardware's game database files in `sources` (folders and files; none: the folders
// RetroArch keeps them in on this machine). nullopt, with `error`, when there is no hardware, a
// named source is not there or no database file is found.
std::optional<std::vector<std::string>> fillDatabaseFiles(Application& app,
                                                          const std::vector<std::string>& sources,
                                                          std::string& error);

// Shows every file of the current hardware and matches each against `database`, reporting
// through the host's progress; the user may stop it (the plan says `cancelled`).
FillPlan planListedFill(Application& app, const GameDatabase& database, const FillOptions& options);

// Makes the changes of `plan` that `keep` marks (all of them when `keep` is empty): the records
// are first copied aside under a dated name, then changed (new items appended to the category
// lists in the organiser's sort order) and the records and lists saved once. The run's plan
// holds the changes made, counted again. nullopt, with `error`, when the copy cannot be made.
std::optional<FillRun> applyFill(Application& app, const FillPlan& plan,
                                 const std::vector<bool>& keep, std::string& error);

// Fills the current hardware's records from its game databases in `sources` (as
// fillDatabaseFiles finds them): every listed file is matched; with `dryRun` nothing more
// happens, else every change is made as applyFill makes them. nullopt, with `error`, when there
// is no hardware, no database, a database cannot be read, the copy cannot be made or the user
// stopped the matching.
std::optional<FillRun> fillFromDatabases(Application& app, const std::vector<std::string>& sources,
                                         const FillOptions& options, bool dryRun,
                                         std::string& error);

// The database's game of the file at `path` (listed as `fileName`) without reading the file: by
// the CRC-32 the identity cache holds for it as it is now, else by its title. Null when unknown.
const GameFacts* knownGame(const GameDatabase& database, IdentityCache& cache,
                           const std::string& path, std::string_view fileName);
// What the database window shows of `game` for a file whose record has no comment: its name, the
// year and players when known ("発売年 : 1988", "人数 : 2人"), then its description. Empty when
// the database has none of the three.
std::string databaseFactsText(const GameFacts& game);

// "records filled 12 (new 3)\tfields filled 30 …": the summary line of a run.
std::string fillSummary(const FillPlan& plan);
// The same in the window's words, a line each: records, fields, files by CRC, by name, not found.
std::string fillReportText(const FillPlan& plan);

}  // namespace romshelf
