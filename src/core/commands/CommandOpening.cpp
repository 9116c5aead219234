#include "core/commands/CommandOpening.h"

#include <algorithm>

#include "core/settings/HardwareTable.h"

namespace romshelf {

namespace {

using Outcome = CommandEntry::Outcome;

// Before anything is read: what is read must be what this command writes back.
Outcome lockForWriting(Application& app, const CommandOpening& o, CommandEntry& entry) {
    if (o.writerRole.empty()) return Outcome::Opened;
    auto result = app.lockProgramFolder(o.writerRole, o.takeOver ? 0 : o.waitMs,
                                        [&](const WriterLock::Holder& holder) {
                                            if (!o.takeOver && o.waiting) o.waiting(holder);
                                        });
    if (result == WriterLock::Result::Held && o.takeOver && o.askTakeOver &&
        o.askTakeOver(app.writerLock().holder()))
        result = app.lockProgramFolder(o.writerRole, 0, {}, true);
    switch (result) {
        case WriterLock::Result::Acquired:
            entry.tookOverFrom = app.writerLock().tookOverFrom();
            return Outcome::Opened;
        case WriterLock::Result::Held:
            return Outcome::Locked;
        case WriterLock::Result::Failed:
            break;
    }
    return Outcome::Unlockable;
}

// A writer refuses to start while a data file it read could not be read whole: whatever it saved
// would be measured against a file taken for empty.
bool damagedData(const Application& app, const CommandOpening& o, CommandEntry& entry) {
    if (o.writerRole.empty()) return false;
    std::vector<DataStream::Damage> damaged = DataStream::damagedFiles();
    const std::string data = app.programFolder().dataFolder();
    std::erase_if(damaged, [&](const DataStream::Damage& d) { return !d.path.starts_with(data); });
    entry.damaged = std::move(damaged);
    return !entry.damaged.empty();
}

Outcome startHardware(Application& app, const CommandOpening& o, CommandEntry& entry) {
    if (!o.code.empty()) {
        if (hardwareIndexOf(o.code) < 0) return Outcome::UnknownHardware;
        if (!app.folderSettingsExist(o.code)) return Outcome::NoFolderSettings;
        app.preferHardware(o.code);
    }
    app.startUp(Application::StartList::Skip);
    if (damagedData(app, o, entry)) return Outcome::Damaged;
    if (app.currentCode().empty() || (!o.code.empty() && app.currentCode() != o.code))
        return Outcome::NoHardware;
    return Outcome::Opened;
}

}  // namespace

int CommandEntry::exitStatus() const {
    switch (outcome) {
        case Outcome::Opened:
            return 0;
        case Outcome::Locked:
            return 75;
        case Outcome::Unlockable:
            return 1;
        case Outcome::UnknownHardware:
            return 64;
        case Outcome::Damaged:
        case Outcome::NoFolderSettings:
        case Outcome::NoHardware:
            return 2;
    }
    return 1;
}

CommandEntry lockForCommand(Application& app, const CommandOpening& opening) {
    CommandEntry entry;
    entry.outcome = lockForWriting(app, opening, entry);
    return entry;
}

CommandEntry enterForCommand(Application& app, const CommandOpening& opening) {
    CommandEntry entry = lockForCommand(app, opening);
    if (!entry.opened()) return entry;
    app.loadMainSettings();
    if (damagedData(app, opening, entry)) {
        entry.outcome = Outcome::Damaged;
        return entry;
    }
    if (opening.hardware) entry.outcome = startHardware(app, opening, entry);
    return entry;
}

}  // namespace romshelf
