#pragma once

#include <string>
#include <unordered_set>

#include "core/platform/FileSystem.h"
#include "core/rename/RenameCompanions.h"
#include "core/storage/MoveJournal.h"

namespace romshelf {

class Application;

// A change of the current hardware's files that moves ROM files: every move goes through the
// move journal, so that a kill at any point leaves each file with its record, companions and
// recent launches (the next start finishes the journal). The records and main settings are saved
// at checkpoints and at the end; the journal goes once everything is saved.
class JournaledChange {
public:
    explicit JournaledChange(Application& app);
    ~JournaledChange() { finish(); }
    JournaledChange(const JournaledChange&) = delete;
    JournaledChange& operator=(const JournaledChange&) = delete;

    // Writes down that `to` is about to take over from `from` (flushed to disk); its number, or
    // -1 when the journal cannot be written: the move must not happen then, and the system log
    // says why.
    int intend(MoveJournal::Kind kind, const std::string& from, const std::string& to,
               int newFolder);
    void moved(int seq, bool done) { journal_.moved(seq, done); }
    // The file of move `seq` has its new name: its record (`recordIndex`, -1 none), snaps, TEMP
    // and save files and recent launches follow (`oldName`, `newName`: names as text).
    CompanionReport follow(int seq, const std::string& oldName, const std::string& newName,
                           int recordIndex, int newFolder);

    // A journaled move with no replacing; when it moved, everything follows as above.
    fs::MoveResult move(const std::string& from, const std::string& to, const std::string& oldName,
                        const std::string& newName, int recordIndex, int newFolder,
                        CompanionReport& report);

    // Saves the records and main settings when a second has passed since the last save (`now`:
    // whatever the time), so that a replay after a kill has little to do.
    void checkpoint(bool now = false);
    // Saves everything and removes the journal; false when a save failed (the journal stays, and
    // the next start finishes from it).
    bool finish();

    // Removes the partial files a killed run left in `folder`, once a change, before it is
    // written to (moves do it for their destination themselves).
    void sweep(const std::string& folder);

private:
    bool save();
    int refuse();

    Application& app_;
    MoveJournal journal_;
    long long lastSaveMs_ = 0;
    bool refused_ = false;
    std::unordered_set<std::string> swept_;
};

}  // namespace romshelf
