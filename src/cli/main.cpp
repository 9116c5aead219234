#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentReader.h"
#include "cli/CommandTable.h"

#include "cli/CliSupport.h"
#include "cli/Interrupts.h"

namespace {

void printVersion(std::ostream& out) {
    out << "romshelf-cli (Romshelf Plus) " << ROMSHELF_VERSION << "\n";
    out << "Copyright (C) 2026 The Romshelf Plus project\n"
           "License GPL-3.0-or-later: GNU GPL version 3 or later "
           "<https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

void printUsage(std::ostream& out) {
    out << "Usage: romshelf-cli [--program-folder DIR] [--hardware CODE] [--yes] <command> "
           "[arguments]\n"
           "   or: romshelf-cli <command> --help\n"
           "   or: romshelf-cli --help | --version\n"
           "Romshelf Plus from a terminal: list, launch, register and organise the ROM files\n"
           "of a program folder as the window program romshelf does.\n"
           "\n"
           "Commands:\n";
    romshelf::cli::printCommandUsages(out);
    out << "\n"
           "A backslash, tab, carriage return or line feed in a name is printed as \\\\, \\t, \\r or\n"
           "\\n (in list's cells, info's texts and launch's argv: and working folder: lines);\n"
           "launch and info --folder N FILE take FILE in that form, so a name printed by list\n"
           "can be given back. The commands work on the program folder beside romshelf-cli\n"
           "(for an installed copy $XDG_DATA_HOME/romshelf-plus/, by default\n"
           "~/.local/share/romshelf-plus/; or --program-folder DIR) and its saved hardware\n"
           "(or --hardware CODE: FC, SFC, MD, GB, MAME, PC98, ...).\n"
           "Set up a hardware's ROM folders in romshelf first (設定 > フォルダ設定).\n"
           "--yes answers the program's questions with yes (otherwise no).\n"
           "One program writes to a program folder at a time: a command that changes anything\n"
           "waits a few seconds while the window or another command holds the folder, then\n"
           "stops with status 75, having changed nothing (list, dump, info, identify, gamelist,\n"
           "verify, history, backup and cache list never wait; they only read, but for list\n"
           "moving a record to its file renamed outside the program while the folder is free).\n"
           "This holds across machines on a shared folder too (data/romshelf.owner names the\n"
           "holder); --take-over takes the folder over from a holder known to be gone (asked,\n"
           "--yes answers). A data file that cannot be read whole is never written over: a\n"
           "command that would change anything stops with status 2 and names it, and\n"
           "dump --salvage recovers its whole records into a new file.\n"
           "Moves of ROM files are journaled: after a crash the next start of either program\n"
           "lets records, snaps and saves follow them. Ctrl+C or SIGTERM stops a batch after the\n"
           "file at hand and prints what was done (status 130 or 143); a second Ctrl+C stops at\n"
           "once, still leaving no file half-written.\n"
           "--program-folder, --hardware and --yes may stand before the command as well.\n"
           "Options take their value as --name VALUE or --name=VALUE (a value that begins with\n"
           "-- only in the second form); -- ends the options, so that the words after it may\n"
           "begin with -. Without --yes a question is asked when the standard input is a\n"
           "terminal; otherwise the command says that it needs --yes and exits with 64.\n"
           "\n"
           "Exit status:\n"
           "  0           done\n"
           "  1           some items failed (their number is said on stderr)\n"
           "  2           a file or folder could not be read or written\n"
           "  64          usage error: one line on stderr names the option or argument\n"
           "  75          another program holds the program folder; nothing was changed\n"
           "  130, 143    interrupted by Ctrl+C (SIGINT) or SIGTERM\n"
           "launch --wait exits with the emulator's status instead, and wine with 3 when no Wine\n"
           "is found.\n";
}

// The options every command on a program folder takes, which may also stand before the command
// word: moved after everything else, where each command's own parsing finds them (a command's
// first arguments can be words of its own, as rename's create or category's operation). Empty
// when one lacks its value.
// They go before a `--`, after which everything is a word. Empty, told on `err`, when one lacks its
// value.
std::optional<std::vector<std::string>> commandFirst(std::vector<std::string> args,
                                                     std::ostream& err) {
    std::vector<std::string> leading;
    std::size_t i = 0;
    auto is = [&](const char* name) {
        return args[i] == name || args[i].starts_with(std::string(name) + "=");
    };
    while (i < args.size() && (is("--yes") || is("--program-folder") || is("--hardware"))) {
        const std::size_t n = args[i] == "--program-folder" || args[i] == "--hardware" ? 2 : 1;
        if (i + n > args.size() || (n == 2 && args[i + 1].starts_with("--"))) {
            romshelf::cli::usageError(err, args[i], "needs a value");
            return std::nullopt;
        }
        leading.insert(leading.end(), args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i + n));
        i += n;
    }
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
    const auto end = std::find(args.begin(), args.end(), "--");
    args.insert(end, leading.begin(), leading.end());
    return args;
}

// The role a command writes under, or empty for one that only reads (and takes no lock).
std::string writerRole(const std::vector<std::string>& args) {
    const std::string& command = args[0];
    // An option before any `--`, alone or as --option=VALUE.
    const auto end = std::find(args.begin() + 1, args.end(), "--");
    auto has = [&](const char* option) {
        return std::find_if(args.begin() + 1, end, [&](const std::string& a) {
                   return a == option || a.starts_with(std::string(option) + "=");
               }) != end;
    };
    static const std::set<std::string> kReaders = {
        "dump",    "list",   "info", "identify",  "gamelist", "backup",       "demo", "help",
        "history", "--help", "-h",   "--version", "verify",   "check-folder", "pad"};
    if (kReaders.contains(command) || has("--help")) return {};
    if (command == "launch" && has("--dry-run")) return {};
    if (command == "cache" && has("list")) return {};
    if (command == "emulators" && !has("--set")) return {};
    if (command == "disc-sets" && !has("on") && !has("off")) return {};
    if (command == "drives" && !has("--set") && !has("--unset")) return {};
    if (command == "wine" && !has("--program") && !has("--prefix")) return {};
    if (command == "category") {
        // The first word that is no option or option value is the operation.
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--") return "romshelf-cli " + command;
            if (args[i] == "--program-folder" || args[i] == "--hardware") {
                ++i;
                continue;
            }
            if (args[i].starts_with("--")) continue;
            if (args[i] == "list" || args[i] == "find-missing") return {};
            break;
        }
    }
    return "romshelf-cli " + command;
}

int run(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cerr << "romshelf-cli: a command is needed (romshelf-cli --help lists them)\n";
        return 64;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        if (args.size() == 2 && romshelf::cli::printCommandUsage(args[1], std::cout)) return 0;
        printUsage(std::cout);
        return 0;
    }
    // The commands with a line each, for the shells' completion.
    if (command == "--commands") {
        romshelf::cli::printCommandSummaries(std::cout);
        return 0;
    }
    if (command == "--version") {
        printVersion(std::cout);
        return 0;
    }
    if (!romshelf::cli::isCommand(command))
        return romshelf::cli::usageError(std::cerr, command,
                                         command.starts_with("-")
                                             ? "unknown option (romshelf-cli --help lists them)"
                                             : "unknown command (romshelf-cli --help lists them)");
    // A command's --help answers instead of running it.
    const auto optionsEnd = std::find(args.begin() + 1, args.end(), "--");
    if (std::find(args.begin() + 1, optionsEnd, "--help") != optionsEnd)
        return romshelf::cli::printCommandUsage(command, std::cout) ? 0 : 64;
    return romshelf::cli::runCommand(args);
}

}  // namespace

int main(int argc, char* argv[]) {
    romshelf::cli::leaveToProcessEnd(true);
    romshelf::cli::catchInterrupts();
    romshelf::cli::Questions::fromTerminal = true;
    std::vector<std::string> given(argv + 1, argv + argc);
    // Any command that writes may take the folder over; the option stands anywhere before `--`.
    const auto optionsEnd = std::find(given.begin(), given.end(), "--");
    const auto kept = std::remove(given.begin(), optionsEnd, std::string("--take-over"));
    if (kept != optionsEnd) {
        given.erase(kept, optionsEnd);
        romshelf::cli::setTakeOver(true);
    }
    const auto args = commandFirst(given, std::cerr);
    if (args && !args->empty()) romshelf::cli::setWriterRole(writerRole(*args));
    int status = args ? run(*args) : 64;
    // A question refused for want of --yes: the run was not what was asked for.
    if (romshelf::cli::Questions::neededYes && status < 128) status = 64;
    if (const int signal = romshelf::cli::interruptSignal()) {
        // Stopped after the item at hand: the shell's way of saying so.
        std::cerr << "romshelf-cli: interrupted (" << (signal == SIGINT ? "SIGINT" : "SIGTERM")
                  << ")\n";
        status = 128 + signal;
    }
    // Output that could not be written (a full disk, a closed pipe) is a failure, not a listing.
    if (std::cout.flush().fail() || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "romshelf-cli: the output could not be written\n";
        if (status == 0) status = 1;
    }
    std::cerr.flush();
    // Every file is written and closed by now; what is left in memory goes with the process.
    std::_Exit(status);
}
