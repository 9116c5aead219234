#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `emulators [--program-folder DIR] --hardware CODE [--suggest | --set N NAME]`: the emulator
// slots of a hardware (number, name, executable and command line, tab-separated, one a line, the
// slots the settings dialog offers); --suggest prints the Linux emulators installed for it
// instead (name, executable, command line); --set fills slot N (1-64) from the installed
// emulator NAME as the dialog's "インストール済みから選択…" does, saves, and prints the slot.
// Exit status 0 done, 1 no such emulator or slot or the file not written, 2 no hardware set up,
// 64 wrong arguments.
int emulatorsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
