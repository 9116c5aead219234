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

#include "cli/BackupCommand.h"
#include "cli/CategoryCommand.h"
#include "cli/CacheCommand.h"
#include "cli/CleanTempCommand.h"
#include "cli/CliSupport.h"
#include "cli/DemoCommand.h"
#include "cli/DiscSetsCommand.h"
#include "cli/DrivesCommand.h"
#include "cli/DumpCommand.h"
#include "cli/EmulatorsCommand.h"
#include "cli/FileOpsCommand.h"
#include "cli/FillCommand.h"
#include "cli/Interrupts.h"
#include "cli/GameListCommand.h"
#include "cli/HistoryCommand.h"
#include "cli/IdentifyCommand.h"
#include "cli/ImportMetadataCommand.h"
#include "cli/InfoCommand.h"
#include "cli/LaunchCommand.h"
#include "cli/ListCommand.h"
#include "cli/OptimiseCommand.h"
#include "cli/PadCommand.h"
#include "cli/RenameCommand.h"
#include "cli/SetCommand.h"
#include "cli/VerifyCommand.h"

namespace {

// The usage of each command, as the general usage lists it: the first line names the command
// (words joined by '|' for several that share their usage), the lines after it are indented.
constexpr const char* kCommandUsages[] = {
    "  dump FILE   print a data file (.slb) as JSON; a file named as the program names\n"
    "              its files (MainData.slb, Folder_FC.slb, ...) is read as that kind;\n"
    "              with --salvage [--output NEW], copy every whole record before the\n"
    "              damage of a file that cannot be read whole into a new file (NEW, or\n"
    "              FILE.salvaged-DATE-TIME), leaving FILE as it is\n",
    "  list [--program-folder DIR] [--hardware CODE] [--yes]\n"
    "      [--sort playtime|lastplayed|playcount] [--region NAME] [--language XX]\n"
    "      [--no-status] [--one-per-game] [MODE]\n"
    "              print the file list, twelve tab-separated cells a row (with --sort\n"
    "              the most played, or the last played, first); --region (Japan, USA,\n"
    "              Europe, World, ...) and --language (En, Ja, ...; the region's own\n"
    "              when the name gives none), each repeatable, keep the files whose name\n"
    "              tags say so; --no-status leaves out betas, protos, demos, samples,\n"
    "              unlicensed and pirate releases and bad dumps; --one-per-game keeps\n"
    "              one file per game (clones with their parent when the hardware has a\n"
    "              DAT), the first by the region order of the settings; MODE is\n"
    "              all, unregistered, nosnap, favourites, folder N, rating N,\n"
    "              category K N, class N or search TEXT [--field name|reading|file|comment]\n"
    "              [--rating N] [--category K TEXT] [--class TEXT] [--favourite yes|no|unset]\n"
    "              as in the search dialog: N 0 or TEXT 未登録 finds files without a value,\n"
    "              --favourite no those that are no favourite, unset (the default) any;\n"
    "              the text matches in any letter case or width, hiragana as katakana\n",
    "  launch [--program-folder DIR] [--hardware CODE] [--emulator NAME] [--dry-run] [--wait]\n"
    "      [--yes] (--folder N FILE | --row N)\n"
    "              run the launch sequence and print its log; --dry-run prints the\n"
    "              arguments it would start instead; the TEMP folder an archive was\n"
    "              unpacked into is emptied by the next clean;\n"
    "              --wait waits for the emulator and exits with its status (128 + the\n"
    "              signal that ended it), telling a failure on stderr; Ctrl+C or SIGTERM\n"
    "              is passed on to the emulator (killed 3 seconds later), its play is\n"
    "              recorded and the exit status is 130 or 143\n",
    "  info [--program-folder DIR] [--hardware CODE] (--folder N FILE | --row N)\n"
    "       [--snap-picture OUT.bmp] [--media-picture OUT.bmp]\n"
    "              print what the database, file-information, snap and media windows\n"
    "              show for a file (key, tab, text); --snap-picture and --media-picture\n"
    "              write those windows' 320 x 240 pictures as BMP files\n",
    "  info --header FILE [--hardware CODE]\n"
    "              print the cartridge header of a ROM file (FC, SFC, MD, MSYS, GB, GBA;\n"
    "              by the extension unless --hardware says), an archive's member unpacked;\n"
    "              exit status 1 when the header is not valid\n",
    "  clean-temp [--program-folder DIR] [--hardware CODE] [--yes]\n"
    "              empty the TEMP folders (save data .SAV .SRM .RAM .INI stays); asks first\n",
    "  cache [--program-folder DIR] list | clear | --max SIZE\n"
    "              the images kept from unpacked archives, so that a second launch does\n"
    "              not unpack: list them (archive, member, bytes, last use) and the total\n"
    "              against the cap, delete them (files put there by others stay), or set\n"
    "              the cap (512M, 4G or bytes; 0 turns the cache off), the least recently\n"
    "              used going first\n",
    "  category [--program-folder DIR] [--hardware CODE] [--yes] OPERATION K ...\n"
    "              organise category list K (1-5, or class for the hardware's own list)\n"
    "              and save it as 項目の確定 does, then print its items; OPERATION is\n"
    "              list, add TEXT..., rename OLD NEW (every hardware's records too),\n"
    "              delete ITEM... (records keep it), move ITEM up|down [N], sort or\n"
    "              find-missing (the values records use that the list lacks)\n",
    "  optimise [--program-folder DIR] --hardware CODE [--yes]\n"
    "              ファイル情報の最適化: delete the records of files no ROM folder holds\n"
    "              and those with nothing but their title, then save; asks first, and\n"
    "              deletes nothing while a ROM folder is missing or unreadable\n",
    "  rename create|apply [--program-folder DIR] --hardware CODE [list's MODE and\n"
    "      options] [--output FILE] [--unowned FILE] [--dat FILE] [--report FILE.csv]\n"
    "      [--yes]\n"
    "              create rename data from the rows list would print (into the data\n"
    "              folder's Rename_CODE.dat, or FILE), or rename those files from it (or\n"
    "              from every entry of the DAT given by --dat) and sort them into the\n"
    "              OK, duplicate and failed folders with their snaps, TEMP and save\n"
    "              files; prints a count for each reason; --unowned writes the records\n"
    "              no file answers to, --report each file's target name and reason\n",
    "  rename merge [--program-folder DIR] FILE1 FILE2 [--yes]\n"
    "              add FILE2's records to FILE1 (FILE2's name wins on the same file)\n",
    "  rename --dat FILE.dat [--program-folder DIR] --hardware CODE [--output FILE]\n"
    "              rename data from a DAT file, Logiqx XML or clrmamepro text (No-Intro,\n"
    "              Redump, libretro and the like); the file holds its first 5000\n"
    "              records, and renaming reads the rest from the DAT\n",
    "  compress|decompress|delete|move|copy [--program-folder DIR] --hardware CODE\n"
    "      (FILE... | --all) [--to FOLDER_NO] [--output PATH] [--delete-source]\n"
    "      [--permanent] [--yes]\n"
    "              pack, unpack, delete (into the trash unless --permanent), move (--to a\n"
    "              ROM folder number as list prints it) the listed files called FILE (or\n"
    "              at that path), or every listed file; copy one FILE to --output PATH\n"
    "              (an existing folder, or a PATH ending in /, takes it under its own\n"
    "              name). --delete-source deletes what was packed or unpacked once the\n"
    "              result reads back; packing, unpacking and moving never replace a file,\n"
    "              and copy replaces one only with --yes; progress on stderr, counts on\n"
    "              stdout\n",
    "  set [--program-folder DIR] --hardware CODE FILE [--name TEXT] [--reading TEXT]\n"
    "      [--rating N] [--category K TEXT] [--class TEXT] [--comment TEXT]\n"
    "      [--favourite yes|no] [--emulator NAME] [--rename NEWTITLE] [--clear] [--yes]\n"
    "              register or edit FILE's information as the registration dialog does\n"
    "              (a record that tells nothing beyond the title is dropped; --rename\n"
    "              asks first and takes snaps, TEMP and save files along; --clear\n"
    "              deletes the record), save it and print the row\n",
    "  gamelist [list's options and MODE] --hardware CODE [--csv]\n"
    "      [--items file,size,rating,cat1,...,cat5,class] [--blank-lines] [--second-line]\n"
    "      [--out FOLDER] [--encoding cp932|utf-8]\n"
    "              write the rows list would print as gamelist_code.txt (a game a line,\n"
    "              the items in parentheses) or, with --csv, gamelist_code.csv (every\n"
    "              field of the registered rows) into FOLDER or the program folder; in\n"
    "              CP932 by default (UTF-8 with a byte-order mark when a name does not\n"
    "              fit), as the window writes it, or in UTF-8 without a byte-order mark\n",
    "  import-csv [--program-folder DIR] --hardware CODE FILE [--old-format] [--yes]\n"
    "              replace the hardware's file information with a CSV file's (as gamelist\n"
    "              --csv writes it, or the older program's list_code.csv with\n"
    "              --old-format); the replaced records are saved to a copy first\n",
    "  import-metadata [--program-folder DIR] --hardware CODE\n"
    "      (--esde gamelist.xml | --pegasus metadata.pegasus.txt) [--overwrite]\n"
    "              fill the listed files' records from another frontend's metadata (name,\n"
    "              description, rating, genre as category 1, favourite); a game finds\n"
    "              its file by the file name, then the title; only empty fields are\n"
    "              filled unless --overwrite; the records are copied aside first\n",
    "  fill [--program-folder DIR] --hardware CODE [--from DIR|FILE]... [--dry-run]\n"
    "      [--map genre=1,developer=2,...] [--overwrite] [--genre-names original]\n"
    "              fill the listed files' records from the hardware's game databases\n"
    "              (RetroArch's .rdb files, found in its database folder without\n"
    "              --from, and per-field DATs): a file matches by size and CRC-32\n"
    "              (whole or without its header), then by its name; genre, developer,\n"
    "              publisher, franchise, year and players go to the category lists\n"
    "              whose names say so (ジャンル, メーカー/開発, 発売元, シリーズ, 発売年,\n"
    "              人数) or those --map names (1-5, 6 the hardware class, 0 none);\n"
    "              only empty values are filled unless --overwrite (the old values\n"
    "              are listed); genres in Japanese unless --genre-names original;\n"
    "              --dry-run lists every change and writes nothing; the records are\n"
    "              copied aside under a dated name before they are saved\n",
    "  verify [--program-folder DIR] --hardware CODE --dat FILE [--report FILE.csv]\n"
    "      [--fixdat FILE.dat] [--sets FILE.csv]\n"
    "              check every listed file (archive members too, without unpacking)\n"
    "              against a DAT (Logiqx XML or clrmamepro text): have (right name),\n"
    "              rename (another name), unknown, bad (an entry's name, other\n"
    "              contents), missing (no file for the entry), unreadable; prints the\n"
    "              counts, writes the report as CSV and the missing entries as a Logiqx\n"
    "              DAT valid against its DTD (with the DAT's header skipper); a file\n"
    "              with an iNES, FDS, Lynx, Atari 7800 or SNES copier header also\n"
    "              matches by the bytes after it; a disc set, playlist, cue sheet or\n"
    "              .gdi is verified file by file; with a DAT of sets (arcade sets with\n"
    "              parents and clones, discs of several tracks) the games are counted as\n"
    "              complete, incomplete or missing sets (a set zip named as its game; a\n"
    "              clone's shared roms found as the DAT's forcemerging says), and\n"
    "              --sets writes them as CSV with the missing roms' names\n",
    "  emulators [--program-folder DIR] --hardware CODE [--suggest | --set N NAME]\n"
    "              print the hardware's emulator slots (number, name, executable,\n"
    "              command line); --suggest prints the Linux emulators installed for it\n"
    "              (on PATH, in /usr/games, as Flatpaks) with a command line that works;\n"
    "              --set fills slot N (1-64) from the installed emulator NAME and saves\n",
    "  history [--program-folder DIR] [--hardware CODE] [--since YYYY-MM-DD]\n"
    "              print the play history, a game a line (hardware, title, play count,\n"
    "              play time H:MM:SS, last played), the last played first; a run shorter\n"
    "              than 10 seconds that failed is no play\n",
    "  disc-sets [--program-folder DIR] [--hardware CODE] [on|off]\n"
    "              show each disc or floppy set (Title (Disk 1 of 2), (Disc 2), (Side B)\n"
    "              in one folder) and each .m3u as one row, the files an .m3u names\n"
    "              hidden (on), or every file as a row (off); saved for the window too;\n"
    "              without on or off prints the setting\n",
    "  drives [--program-folder DIR] [--set ROOT DIR | --unset ROOT]\n"
    "              the drive map of a program folder from Windows: a row per drive\n"
    "              letter or network share (ROOT: D: or \\\\NAS\\games), the settings'\n"
    "              own first: the Linux folder it leads to or 未設定, where that comes\n"
    "              from (設定, the Wine prefix, the desktop's SMB shares, cifs mounts)\n"
    "              and 使用中 when the settings use it; --set maps ROOT to DIR, --unset\n"
    "              drops ROOT's mapping; kept in data/romshelf-plus.ini\n",
    "  check-folder [--program-folder DIR] [--hardware CODE]\n"
    "              every path the settings keep (folders, emulators, tools): as stored,\n"
    "              where it leads here and whether it exists; exit status 1 when one\n"
    "              does not\n",
    "  wine [--program-folder DIR] [--program WINE] [--prefix FOLDER]\n"
    "              the Wine that starts the Windows programs of the settings (emulators,\n"
    "              JoyToKey, other software): the setting and the program found, the\n"
    "              prefix set and the one used; --program names another Wine (a path, or\n"
    "              a name on PATH; \"\" for wine on PATH), --prefix another prefix (\"\" for\n"
    "              $WINEPREFIX or ~/.wine); exit status 3 when no Wine is found\n",
    "  pad [--program-folder DIR] [--test PROFILE [--seconds N]]\n"
    "              the game controllers SDL sees: name, GUID, and mapping or no mapping\n"
    "              (whether their button layout is known); --test prints the keys the\n"
    "              built-in profile PROFILE (data/pad/PROFILE.ini, or a path to an .ini)\n"
    "              would send for the pad's live input, down KEY and up KEY a line each,\n"
    "              until Ctrl+C or N seconds; exit status 2 when the profile does not\n"
    "              read (the error names its line), 3 without joystick support\n",
    "  backup [--program-folder DIR]\n"
    "              copy every file of the data folder into the backup folder\n",
    "  demo DIR    make a demo program folder in DIR (home-made ROMs for FC, GB and MD,\n"
    "              their records, snaps and the emulators installed), or fill in what\n"
    "              is missing from one; romshelf --demo DIR starts on it\n",
    "  identify FILE...\n"
    "              print the size, CRC-32 and three probe sums that rename data records\n"
    "              for each file (signed 32-bit integers, tab-separated, then the name)\n",
};

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
    for (const char* usage : kCommandUsages) out << usage;
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

// The command words a usage is for: its first word, split at '|'.
std::vector<std::string> commandsOf(std::string_view usage) {
    usage.remove_prefix(usage.find_first_not_of(' '));
    usage = usage.substr(0, usage.find_first_of(" \n"));
    std::vector<std::string> words;
    for (std::size_t start = 0;;) {
        const std::size_t bar = usage.find('|', start);
        words.emplace_back(usage.substr(start, bar - start));
        if (bar == std::string_view::npos) return words;
        start = bar + 1;
    }
}

// `command`'s lines of the usage, as a usage of their own; false for no such command.
bool printCommandUsage(const std::string& command, std::ostream& out) {
    bool found = false;
    for (const char* usage : kCommandUsages) {
        const std::vector<std::string> words = commandsOf(usage);
        if (std::find(words.begin(), words.end(), command) == words.end()) continue;
        const std::string_view text(usage);
        out << (found ? "   or: romshelf-cli " : "Usage: romshelf-cli ")
            << text.substr(text.find_first_not_of(' '));
        found = true;
    }
    return found;
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

// Every command word, for telling an unknown one.
bool isCommand(const std::string& word) {
    for (const char* usage : kCommandUsages) {
        const std::vector<std::string> words = commandsOf(usage);
        if (std::find(words.begin(), words.end(), word) != words.end()) return true;
    }
    return false;
}

int run(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cerr << "romshelf-cli: a command is needed (romshelf-cli --help lists them)\n";
        return 64;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        if (args.size() == 2 && printCommandUsage(args[1], std::cout)) return 0;
        printUsage(std::cout);
        return 0;
    }
    if (command == "--version") {
        printVersion(std::cout);
        return 0;
    }
    if (!isCommand(command))
        return romshelf::cli::usageError(std::cerr, command,
                                         command.starts_with("-")
                                             ? "unknown option (romshelf-cli --help lists them)"
                                             : "unknown command (romshelf-cli --help lists them)");
    // A command's --help answers instead of running it.
    const auto optionsEnd = std::find(args.begin() + 1, args.end(), "--");
    if (std::find(args.begin() + 1, optionsEnd, "--help") != optionsEnd)
        return printCommandUsage(command, std::cout) ? 0 : 64;
    // The commands on files alone take the common options too, and need none of them.
    romshelf::cli::CommonOptions common;
    const bool onFiles = command == "dump" || command == "identify";
    bool salvage = false;
    std::string salvageOutput;
    if (onFiles) {
        romshelf::cli::ArgumentReader reader;
        if (command == "dump") {
            reader.flag("--salvage", salvage);
            reader.option("--output", 1, [&](std::span<const std::string> v, std::ostream&) {
                salvageOutput = v[0];
                return 0;
            });
        }
        if (const int status = reader.read({args.begin() + 1, args.end()}, common, std::cerr))
            return status;
    }
    if (command == "dump") {
        if (common.words.empty())
            return romshelf::cli::usageError(std::cerr, "dump", "needs a FILE");
        if (common.words.size() > 1)
            return romshelf::cli::usageError(std::cerr, common.words[1], "unexpected argument");
        if (!salvage && !salvageOutput.empty())
            return romshelf::cli::usageError(std::cerr, "--output", "goes with --salvage");
        if (salvage)
            return romshelf::cli::salvageFile(common.words[0], salvageOutput, std::cout, std::cerr);
        return romshelf::cli::dumpDataFile(common.words[0], std::cout, std::cerr);
    }
    if (command == "launch")
        return romshelf::cli::launchFile({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "info")
        return romshelf::cli::showInfo({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "list")
        return romshelf::cli::listFiles({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "category")
        return romshelf::cli::organiseCategory({args.begin() + 1, args.end()}, std::cout,
                                               std::cerr);
    if (command == "emulators")
        return romshelf::cli::emulatorsCommand({args.begin() + 1, args.end()}, std::cout,
                                               std::cerr);
    if (command == "demo")
        return romshelf::cli::makeDemo({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "disc-sets")
        return romshelf::cli::discSetsCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "drives")
        return romshelf::cli::drivesCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "wine")
        return romshelf::cli::wineCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "check-folder")
        return romshelf::cli::checkFolderCommand({args.begin() + 1, args.end()}, std::cout,
                                                 std::cerr);
    if (command == "pad")
        return romshelf::cli::padCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "backup")
        return romshelf::cli::backUp({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "history")
        return romshelf::cli::historyCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "identify")
        return romshelf::cli::identifyFiles(common.words, std::cout, std::cerr);
    if (command == "rename")
        return romshelf::cli::renameCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "compress" || command == "decompress" || command == "delete" ||
        command == "move" || command == "copy")
        return romshelf::cli::fileOperation(command, {args.begin() + 1, args.end()}, std::cout,
                                            std::cerr);
    if (command == "set")
        return romshelf::cli::setFileInfo({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "gamelist")
        return romshelf::cli::gameListCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "import-csv")
        return romshelf::cli::importCsvCommand({args.begin() + 1, args.end()}, std::cout,
                                               std::cerr);
    if (command == "import-metadata")
        return romshelf::cli::importMetadataCommand({args.begin() + 1, args.end()}, std::cout,
                                                    std::cerr);
    if (command == "fill")
        return romshelf::cli::fillCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "verify")
        return romshelf::cli::verifyCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "optimise")
        return romshelf::cli::optimise({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "clean-temp")
        return romshelf::cli::cleanTemp({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (command == "cache")
        return romshelf::cli::cacheCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    return romshelf::cli::usageError(std::cerr, command, "unknown command");
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
