#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace romshelf::sqlite {
struct Opened;
}

namespace romshelf {

// A game as the history knows it: its hardware and file title, and its size and CRC-32 once the
// identity cache has summed the file (then the history follows the file under another title).
struct PlayKey {
    std::string hardware;
    std::string title;  // file title: the name without folder and extension
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> crc;
    // Since when the file has held these bytes (its modification time, in seconds; 0: not known):
    // a run of its title from before was another game's, e.g. of a file it replaced.
    long long since = 0;
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
// same title (if it is no older than the file's bytes).
//
// A writer checks the file when it opens it (quick_check, version, layout). One it cannot use is
// moved aside as <name>.broken-<date>-<time> (never deleted, never overwriting a file) and a new
// one is made, with every run that could still be read from the old one; one made by a later
// version of the program is left alone and nothing is recorded. A reader opens the file read-only
// and changes nothing, also when it is damaged: then it finds no history. Either says what it
// found through its report. Without a database nothing is kept and nothing found. Used from one
// thread.
class PlayHistory {
public:
    enum class Access {
        Read,   // opens the file read-only; record() does nothing
        Write,  // opens it to write, and makes a damaged one anew
    };
    using Report = std::function<void(const std::string& message)>;

    explicit PlayHistory(std::string path, Access access = Access::Write)
        : path_(std::move(path)), access_(access) {}
    ~PlayHistory();
    PlayHistory(const PlayHistory&) = delete;
    PlayHistory& operator=(const PlayHistory&) = delete;

    const std::string& path() const { return path_; }
    Access access() const { return access_; }
    // Takes effect at the next call (the file is opened again).
    void setAccess(Access access);
    // Where messages go: the file made anew (and where the old one went), a file not used.
    void setReport(Report report) { report_ = std::move(report); }

    // The database file was replaced because it could not be used; the old one was kept as
    // brokenCopy(), and so many runs were read back from it.
    bool rebuilt() const { return rebuilt_; }
    const std::string& brokenCopy() const { return brokenCopy_; }
    int salvaged() const { return salvaged_; }

    // False when the run could not be kept.
    bool record(const PlayRecord& run);
    // The game's counted runs: those of its hardware with its sums (when it has them) or its
    // title (unless they carry other sums, or, unsummed, are older than its bytes).
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
    // Opens the database once it is needed; a reader makes no file.
    bool open();
    bool openToWrite();
    bool openToRead();
    // Takes the connection opened for writing (or not) and tells what became of a file that
    // could not be used: moved aside, a new one made and the old one's runs read into it.
    bool took(sqlite::Opened opened);
    void close();
    void tell(const std::string& message);
    // After a failed call: a damaged database is replaced (by a writer).
    void failed(int rc);
    std::vector<Row> rows(const char* sql, const std::vector<std::string>& texts,
                          const PlayKey* key);

    std::string path_;
    Access access_;
    Report report_;
    sqlite3* db_ = nullptr;
    bool tried_ = false;
    bool rebuilt_ = false;
    std::string brokenCopy_;
    int salvaged_ = 0;
};

}  // namespace romshelf
