#include "cli/CommandTable.h"

#include <algorithm>
#include <iostream>
#include <span>

#include "cli/ArgumentReader.h"
#include "cli/BackupCommand.h"
#include "cli/CacheCommand.h"
#include "cli/CategoryCommand.h"
#include "cli/CleanTempCommand.h"
#include "cli/CliSupport.h"
#include "cli/DemoCommand.h"
#include "cli/DiscSetsCommand.h"
#include "cli/DrivesCommand.h"
#include "cli/DumpCommand.h"
#include "cli/EmulatorsCommand.h"
#include "cli/FileOpsCommand.h"
#include "cli/FillCommand.h"
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

namespace romshelf::cli {

namespace {

// The usage of each command, as the general usage lists it: the first line names the command
// (words joined by '|' for several that share their usage), the lines after it are indented.
constexpr const char* kUsages[] = {
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

// The commands on files alone: they take the common options too, and need none of them.
int dumpCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    CommonOptions common;
    bool salvage = false;
    std::string salvageOutput;
    ArgumentReader reader;
    reader.flag("--salvage", salvage);
    reader.option("--output", 1, [&](std::span<const std::string> v, std::ostream&) {
        salvageOutput = v[0];
        return 0;
    });
    if (const int status = reader.read({args.begin(), args.end()}, common, err)) return status;
    if (common.words.empty()) return usageError(err, "dump", "needs a FILE");
    if (common.words.size() > 1) return usageError(err, common.words[1], "unexpected argument");
    if (!salvage && !salvageOutput.empty())
        return usageError(err, "--output", "goes with --salvage");
    if (salvage) return salvageFile(common.words[0], salvageOutput, out, err);
    return dumpDataFile(common.words[0], out, err);
}

int identifyCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    CommonOptions common;
    ArgumentReader reader;
    if (const int status = reader.read({args.begin(), args.end()}, common, err)) return status;
    return identifyFiles(common.words, out, err);
}

// A command's body: the words after the command word.
using Body = int (*)(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// compress, decompress, delete, move and copy share one body that takes the command word too.
using BodyOf = int (*)(const std::string& command, std::span<const std::string> args,
                       std::ostream& out, std::ostream& err);

struct Command {
    std::string_view name;
    std::string_view summary;  // a line for the shells' completion
    Body body = nullptr;
    BodyOf bodyOf = nullptr;
};

template <auto F>
int call(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    return F({args.begin(), args.end()}, out, err);
}
template <auto F>
int callOf(const std::string& command, std::span<const std::string> args, std::ostream& out,
           std::ostream& err) {
    return F(command, {args.begin(), args.end()}, out, err);
}

const Command kCommands[] = {
    {"dump", "print a data file (.slb) as JSON", dumpCommand},
    {"list", "print the file list", call<listFiles>},
    {"launch", "run the launch sequence and print its log", call<launchFile>},
    {"info", "print what the windows show for a file, or a ROM header", call<showInfo>},
    {"clean-temp", "empty the TEMP folders", call<cleanTemp>},
    {"cache", "list, clear or cap the images kept from unpacked archives", call<cacheCommand>},
    {"category", "organise a category list", call<organiseCategory>},
    {"optimise", "delete the records of files no ROM folder holds", call<optimise>},
    {"rename", "create or apply rename data", call<renameCommand>},
    {"compress", "pack the listed files", nullptr, callOf<fileOperation>},
    {"decompress", "unpack the listed files", nullptr, callOf<fileOperation>},
    {"delete", "delete the listed files", nullptr, callOf<fileOperation>},
    {"move", "move the listed files to another ROM folder", nullptr, callOf<fileOperation>},
    {"copy", "copy a file", nullptr, callOf<fileOperation>},
    {"set", "register or edit a file's information", call<setFileInfo>},
    {"gamelist", "write the game list as text or CSV", call<gameListCommand>},
    {"import-csv", "replace the hardware's file information with a CSV file's",
     call<importCsvCommand>},
    {"import-metadata", "fill records from another frontend's metadata",
     call<importMetadataCommand>},
    {"fill", "fill records from the hardware's game databases", call<fillCommand>},
    {"verify", "check the listed files against a DAT", call<verifyCommand>},
    {"emulators", "print, suggest or set the hardware's emulators", call<emulatorsCommand>},
    {"history", "print the play history", call<historyCommand>},
    {"disc-sets", "show disc and floppy sets as one row each, or every file",
     call<discSetsCommand>},
    {"drives", "print or change where Windows drives and shares lead", call<drivesCommand>},
    {"check-folder", "check where every path of the settings leads", call<checkFolderCommand>},
    {"wine", "print or set the Wine that starts Windows programs", call<wineCommand>},
    {"pad", "list the game controllers, or print the keys of a pad profile", call<padCommand>},
    {"backup", "copy the data folder into the backup folder", call<backUp>},
    {"demo", "make a demo program folder", call<makeDemo>},
    {"identify", "print the sums rename data records for files", identifyCommand},
};

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

}  // namespace

bool printCommandUsage(const std::string& command, std::ostream& out) {
    bool found = false;
    for (const char* usage : kUsages) {
        const std::vector<std::string> words = commandsOf(usage);
        if (std::find(words.begin(), words.end(), command) == words.end()) continue;
        const std::string_view text(usage);
        out << (found ? "   or: romshelf-cli " : "Usage: romshelf-cli ")
            << text.substr(text.find_first_not_of(' '));
        found = true;
    }
    return found;
}

void printCommandUsages(std::ostream& out) {
    for (const char* usage : kUsages) out << usage;
}

bool isCommand(std::string_view word) {
    return std::any_of(std::begin(kCommands), std::end(kCommands),
                       [&](const Command& c) { return c.name == word; });
}

void printCommandSummaries(std::ostream& out) {
    for (const Command& c : kCommands) out << c.name << ':' << c.summary << '\n';
    out << "help:print the usage of the program or of a command\n";
}

int runCommand(const std::vector<std::string>& args) {
    const std::string& command = args.at(0);
    const std::span<const std::string> rest(args.begin() + 1, args.end());
    for (const Command& c : kCommands) {
        if (c.name != command) continue;
        return c.body ? c.body(rest, std::cout, std::cerr)
                      : c.bodyOf(command, rest, std::cout, std::cerr);
    }
    return usageError(std::cerr, command, "unknown command");
}

}  // namespace romshelf::cli
