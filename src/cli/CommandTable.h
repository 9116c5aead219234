#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf::cli {

// The commands of romshelf-cli, in one table: what runs each, and the usage lines the help prints
// for it. The help, the unknown-command check and the shells' completion (romshelf-cli
// --commands) all come from it.

// Each command's usage lines, in the help's order.
void printCommandUsages(std::ostream& out);
// `command`'s lines of the usage, as a usage of their own; false for no such command.
bool printCommandUsage(const std::string& command, std::ostream& out);
// Whether `word` is a command.
bool isCommand(std::string_view word);
// "name:summary" a line for each command and for help, as the shells' completion offers them.
void printCommandSummaries(std::ostream& out);
// Runs the command `args[0]` with the words after it (the common options already moved after
// the command's own words). 64 with a line on stderr for an unknown command.
int runCommand(const std::vector<std::string>& args);

}  // namespace romshelf::cli
