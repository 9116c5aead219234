#pragma once

#include <string>
#include <vector>

#include "core/settings/ProgramFolder.h"

namespace romshelf {

// What could not be saved when the window was ended by a signal, with nobody there to read a
// box: kept for the system log of the next start on the same program folder. Written into the
// data folder, or, when that cannot be written (the folder's stick was pulled), into the user's
// state folder ($XDG_STATE_HOME/romshelf-plus/, default ~/.local/state/romshelf-plus/).
void leaveUnsavedNote(const ProgramFolder& folder, const std::string& text);
// The notes left for `folder`, each a text as left; they are removed.
std::vector<std::string> takeUnsavedNotes(const ProgramFolder& folder);

// The user's state folder for such notes (tests point XDG_STATE_HOME elsewhere).
std::string userStateFolder();

}  // namespace romshelf
