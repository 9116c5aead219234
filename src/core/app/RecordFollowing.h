#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/rename/IdentityWorker.h"
#include "core/platform/FileSystem.h"
#include "core/rename/FileIdentity.h"
#include "core/storage/IdentityCache.h"

namespace romshelf {

class Application;

// Records follow files renamed or moved outside the program. The files of each list build are
// summed into the identity cache (identity.sqlite in the cache folder), so that when a later build
// lists every file and a record's file is gone while an unregistered file holds the same bytes, the
// record, its snaps, TEMP and save files and its recent launches take the new name (journaled as
// the program's own renames are), and the system log says so. Building the list never waits for the
// sums: with a thread (the window) the work runs there and is taken up on the event loop; without
// one, only the files that could be a record's file are summed, at once.
class RecordFollowing {
public:
    explicit RecordFollowing(Application& app);
    ~RecordFollowing();
    RecordFollowing(const RecordFollowing&) = delete;
    RecordFollowing& operator=(const RecordFollowing&) = delete;

    // The window: sums on a thread of their own, their results taken up from the event loop.
    void runInBackground();
    void setHashLimit(std::uint64_t bytes) { worker_.setLimit(bytes); }
    // After each list build; `everyFile`: the build listed all files.
    void listBuilt(bool everyFile);
    // Runs the summing still to do here and now (waiting for the thread's when it has one), then
    // lets the records follow what it found.
    void hashPending();
    // Returns once the thread has done what it was given (the window's results are still taken up
    // from the event loop).
    void waitUntilIdle() { worker_.waitUntilIdle(); }
    // At exit: the summing stops within one piece of a file.
    void stop() { worker_.stop(); }

    // The optimisation: of `titles` (records without a file in the list of all files, just
    // built), those whose file can be found renamed; for each, the move is offered (a record
    // with several such files is kept and the log says why). The titles kept, as they were.
    std::vector<std::string> offerMoves(const std::vector<std::string>& titles);
    // The optimisation's own list builds do not let records follow unasked.
    class Pause {
    public:
        explicit Pause(RecordFollowing& f) : f_(f) { ++f_.paused_; }
        ~Pause() { --f_.paused_; }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        RecordFollowing& f_;
    };
    // Removes the entries of files that are gone from the current hardware's ROM folders and
    // whose title no record has (they can help nobody any more).
    void forgetGoneFiles();

    // The rename tool's identity of a file; its size and CRC-32 go into the cache too.
    FileIdentity renameIdentity(const std::string& path);

    // Sums a verification made of a file opened as `opened`: kept as keepSums() keeps them,
    // a few hundred files at a time (each write of the cache alone is a transaction of its own).
    // flushKept() writes what is waiting; a verification calls it when it ends.
    void keep(const std::string& path, const fs::OpenedFile& opened, std::uint32_t crc,
              const std::string& sha1);
    void flushKept();

    // The cache, opened (its folder made) on first use.
    IdentityCache& cache() {
        openCache();
        return cache_;
    }

private:
    bool openCache();
    // The current hardware's ROM folders and, when `withOrphans`, the titles of the records
    // without a file in the list; addFiles() adds the list's files; jobWithFiles() both.
    IdentityJob job(bool withOrphans) const;
    void addFiles(IdentityJob& j) const;
    IdentityJob jobWithFiles(bool withOrphans) const;
    // Takes up what the thread found; again later while it works.
    void poll();
    void schedulePoll();
    enum class Ask { No, Yes };
    // Lets the records follow what was found (asking first when `ask`); the titles of the records
    // that were found (moved or not).
    std::vector<std::string> follow(std::vector<RenamedFile> found, Ask ask);
    // A record to move to the file that has its old file's bytes.
    struct RecordMove {
        std::string oldPath, oldName, newPath, newName;
        int record = -1, folder = -1;
    };
    // The moves `found` calls for that still hold, are unambiguous and (when `ask`) agreed to;
    // `titles` takes the titles of the records found.
    std::vector<RecordMove> movesOf(const std::vector<RenamedFile>& found, Ask ask,
                                    std::vector<std::string>& titles);
    // Moves the records, journaled as the program's own renames, and tells the companions left.
    void carryOut(const std::vector<RecordMove>& moves, Ask ask);

    Application& app_;
    IdentityCache cache_;
    // Atomic: the cache is opened beside the event loop, whose timers may ask for it meanwhile.
    std::atomic<bool> cacheFolderMade_ = false;
    std::vector<std::pair<std::string, CachedIdentity>> kept_;
    IdentityWorker worker_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    bool polling_ = false;
    bool hashLater_ = false;  // without a thread: the list's files are still to be summed
    int paused_ = 0;
    bool following_ = false;
    std::set<std::string> toldAmbiguous_;                     // old paths already logged
    std::set<std::pair<std::string, std::string>> declined_;  // (old path, new path)
};

}  // namespace romshelf
