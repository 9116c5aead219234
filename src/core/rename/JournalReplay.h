#pragma once

#include <string>

#include "core/platform/Prompter.h"
#include "core/settings/MainSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/DataStream.h"

namespace romshelf {

struct ReplayReport {
    bool found = false;    // a journal was left behind
    int followed = 0;      // moves whose record, companions or recent launches followed now
    bool saved = false;    // the result is on disk and the journal is gone
    std::string hardware;  // the hardware whose files moved
};

// Finishes the change a killed run left in the move journal of `folder`'s data folder: for every
// move after its last save mark that happened (the file is at its new name, told by the journal
// or by the files), the record, its companions (snaps, TEMP and save files) and the recent
// launches take the new name, as the run would have done; a move that did not happen changes
// nothing; a copy whose source was still there is finished when the two are the same bytes.
// Nothing is moved twice. The hardware's records and `settings` (the recent launches) are saved,
// and then the journal is removed. Must run before the hardware's records are loaded for use.
ReplayReport finishMoveJournal(const ProgramFolder& folder, MainSettings& settings,
                               DataStream& stream, Prompter& prompter);

}  // namespace romshelf
