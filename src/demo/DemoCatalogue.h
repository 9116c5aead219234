#pragma once

#include <string>
#include <vector>

#include "core/launch/EmulatorSuggestions.h"
#include "core/platform/Prompter.h"
#include "core/settings/ProgramFolder.h"

namespace romshelf {

// What making the demo catalogue did: the hardware it set up (the first one is the one to show)
// and the files it wrote. A second run on the same folder writes only what is missing.
struct DemoReport {
    std::vector<std::string> codes;
    std::vector<std::string> written;  // paths relative to the program folder
    std::vector<std::string> failed;   // the same, for files that could not be written
    bool ok() const { return failed.empty(); }
};

// Fills `folder` with a small catalogue made entirely by this program: home-made ROM images for
// the Famicom, the Game Boy and the Mega Drive (each a valid image that runs), their folder
// settings, records with Japanese names, readings, ratings, categories and comments, snaps and a
// media picture, and the emulators found in `places` for each hardware. Anything already there is
// kept as it is: a changed record, a replaced snap or the user's own emulator settings survive.
DemoReport makeDemoCatalogue(const ProgramFolder& folder, Prompter& prompter,
                             const EmulatorSearchPlaces& places);

}  // namespace romshelf
