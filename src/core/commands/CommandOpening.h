#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/app/Application.h"
#include "core/storage/DataStream.h"
#include "core/platform/WriterLock.h"

namespace romshelf {

// How a command comes into a program folder: the writer lock for a command that writes, the main
// settings read, the data files checked whole, then the hardware chosen and started. The
// command-line program and the window come in through here and only tell the outcome their way.
struct CommandOpening {
    // Empty for a command that only reads: no lock is taken and nothing is refused over damage.
    std::string writerRole;
    int waitMs = 5000;
    // Takes the owner file over from a holder that looks alive, after `askTakeOver` agrees.
    bool takeOver = false;
    // Start the hardware `code` (the saved one when empty); false: the program folder alone.
    bool hardware = true;
    std::string code;

    std::function<void(const WriterLock::Holder&)> waiting;
    std::function<bool(const WriterLock::Holder&)> askTakeOver;
};

struct CommandEntry {
    enum class Outcome {
        Opened,
        Locked,            // another program holds the folder: nothing was read
        Unlockable,        // the owner file cannot be made or locked
        Damaged,           // a data file this writer read is not whole
        UnknownHardware,   // `code` names no hardware
        NoFolderSettings,  // `code` has never been set up
        NoHardware,        // no hardware is set up (or not the one asked for)
    };
    Outcome outcome = Outcome::Opened;
    std::optional<WriterLock::Holder> tookOverFrom;
    std::vector<DataStream::Damage> damaged;

    bool opened() const { return outcome == Outcome::Opened; }
    // The command-line program's exit status for the outcome: 75 locked, 2 what the user must
    // set up or salvage first, 64 a code that is no hardware's.
    int exitStatus() const;
};

// The whole way in; the entry says how far it went.
CommandEntry enterForCommand(Application& app, const CommandOpening& opening);
// Its first step alone, for the window, which makes its demo and reads its settings between.
CommandEntry lockForCommand(Application& app, const CommandOpening& opening);

}  // namespace romshelf
