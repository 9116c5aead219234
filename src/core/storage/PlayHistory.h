#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace romshelf {

// A game as the history knows it: its hardware and file title, and its size and CRC-32 once the
// identity cache has summed the file (then the history follows the file under another title).
struct PlayKey {
    std::string hardware;
    std::string title;  // file title: the name without folder and extension
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> crc;
    bool hashed() const { return size.has_value() && crc.has_value(); }
};

// One run of an emulator on a game.
struct PlayRecord {
    PlayKey key;
    long long started = 0;  // seconds since the epoch
    long long seconds = 0;  // how long the emulator ran
    int status = 0;         // as a shell has it; -1 unknown
    bool failed = false;    // non-zero exit or a signal
};

// What the counted runs of a game add up to.
struct PlayStats {
    int count = 0;
    long long seconds = 0;
    long long lastPlayed = 0;  // start of the last counted run; 0: never
    bool operator==(const PlayStats&) const = default;
};

struct GamePlays {
    std::string hardware, title;  // as the game's last run had them
    PlayStats stats;
};

// A run shorter than this that failed was no play: the emulator refused the game.
inline constexpr long long kShortestFailedPlay = 10;
bool countsAsPlay(long long seconds, bool failed);

// "H:MM:SS", and a local time as "YYYY-MM-DDTHH:MM:SS".
std::string playTimeText(long long seconds);
std::string localDateTimeText(long long secondsSinceEpoch);
// Local midnight of "YYYY-MM-DD"; nothing for another text.
std::optional<long long> localDayStart(std::string_view date);

// Every run of an emulator on a game, in an SQLite database in the data folder (so the backup
// takes it along). Rollback-journal mode (DELETE), not WAL: between two writes the one file is
// the whole database, so a copy of the folder is never a file without its -wal half. Runs are
// kept by both keys; one of a title that was not summed yet takes the sums of a later run of the
// same title. A damaged file is made anew; without a database nothing is kept and nothing found.
// Used from one thread.
class PlayHistory {
public:
    explicit PlayHistory(std::string path) : path_(std::move(path)) {}
    ~PlayHistory();
    PlayHistory(const PlayHistory&) = delete;
    PlayHistory& operator=(const PlayHistory&) = delete;

    const std::string& path() const { return path_; }
    // The database file was replaced because it could not be used.
    bool rebuilt() const { return rebuilt_; }

    void record(const PlayRecord& run);
    // The game's counted runs: those of its hardware with its sums (when it has them) or its
    // title (unless they carry other sums).
    PlayStats stats(const PlayKey& key);
    // Each game with counted runs since `since` (of `hardware`, or of all when empty), the last
    // played first.
    std::vector<GamePlays> games(std::string_view hardware, long long since = 0);

private:
    struct Row {
        PlayKey key;
        long long started, seconds;
        bool counted;
    };
    // Opens the database once it is needed; a reader (`create` false) makes no file.
    bool open(bool create);
    bool openFile();
    void close();
    // After a failed call: a damaged database is replaced.
    void failed(int rc);
    std::vector<Row> rows(const char* sql, const std::vector<std::string>& texts,
                          const PlayKey* key);

    std::string path_;
    sqlite3* db_ = nullptr;
    bool tried_ = false;
    bool rebuilt_ = false;
};

}  // namespace romshelf
