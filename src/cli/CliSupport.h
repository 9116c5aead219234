#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentReader.h"
#include "cli/StreamPrompter.h"
#include "cli/TerminalProgress.h"
#include "core/app/Application.h"
#include "core/app/Host.h"

namespace romshelf::cli {

std::optional<int> parseNumber(const std::string& text);

// One line per row and one cell per tab: a backslash, tab, carriage return or line feed inside a
// text is written as \\, \t, \r or \n, so that printed names can be given back as arguments.
std::string escapeText(std::string_view text);
void appendEscapedText(std::string_view text, std::string& out);
// The cells as one line: escaped, tab-separated, ended by a line feed.
void appendEscapedRow(std::span<const std::string> cells, std::string& out);
void appendEscapedRow(std::span<const std::string_view> cells, std::string& out);
// The reverse; a backslash before any other character (or at the end) stays a backslash.
std::string unescapeText(std::string_view text);

// A file argument as an absolute path (taken from the current folder), so that nothing later
// depends on the current folder.
std::string absoluteFile(const std::string& path);

// `path` as an absolute path: a relative one is taken from the current folder, once, so that
// nothing later depends on it (a started emulator runs in a folder of its own).
std::string absoluteFolder(const std::string& path);

// The program folder a command works on: `given` (taken from the current folder when relative),
// or the located one when it is empty.
ProgramFolder programFolderFrom(const std::string& given);

// The rows of the list (as `list` prints them) that a FILE argument names: a bare name every
// listed file of that name, a path the file at that place only. With `folder`, the file of that
// name (as `list` prints it) in that ROM folder.
std::vector<int> rowsNamed(const Application& app, const std::string& file,
                           std::optional<int> folder = {});

// `--row N` or `--folder N FILE` (FILE as `list` prints it): the row a command works on, among
// the rows `list` prints.
struct RowChoice {
    std::optional<int> row, folder;
    std::string file;

    ArgumentReader& addTo(ArgumentReader& reader);
    // 0, or 64 after saying that one of the two is needed.
    int check(std::ostream& err) const;
    // The row's index in the shown list; nullopt after saying on `err` why there is none.
    std::optional<std::size_t> find(const Application& app, std::ostream& err) const;
};

// An application on a program folder (the located one when empty; a relative one is taken from
// the current folder) with `code` (the saved one
// when empty) as the current hardware, started the way the program starts, without building the
// start list. On failure `exitStatus` says why (64 an unknown code, 2 no such hardware set up)
// and `err` tells the user what to do.
struct OpenedApplication {
    std::unique_ptr<StreamPrompter> prompter;
    std::unique_ptr<HeadlessPorts> ports;
    std::unique_ptr<TerminalProgress> progress;  // on `err`, when that is the terminal's
    std::unique_ptr<Application> app;
    int exitStatus = 0;
};
OpenedApplication openHardware(const std::string& programFolder, const std::string& code,
                               std::ostream& err, bool answerYes = false);
// The same without a hardware: the writer lock taken (for a writer) and the main settings read.
OpenedApplication openProgramFolder(const std::string& programFolder, std::ostream& err,
                                    bool answerYes = false);

// The role under which the commands of this process write ("romshelf-cli set"); empty for a
// command that only reads. openHardware takes the program folder's writer lock for a writer,
// waiting up to `waitMs` while another program holds it (a line on `err` says so), and fails
// with status 75 and the holder's name when it is still held.
void setWriterRole(std::string role, int waitMs = 5000);
// `--take-over`: a writer takes the program folder's owner file over from a holder that looks
// alive (after asking; --yes answers), for a holder the user knows is gone.
void setTakeOver(bool on);
inline constexpr int kLockedStatus = 75;
// The writer lock taken again by a writer that let it go meanwhile (with
// Application::unlockProgramFolder), waiting as openHardware does; false after saying on `err`
// who holds it and `what` follows ("the play is not recorded"). True at once for a command that
// only reads.
bool lockAgainForWriting(Application& app, const std::string& what, std::ostream& err);

// Freeing what a command built piece by piece can take longer than the command (the rows of a
// large list): once main allows it, a finished command leaves it to the end of the process,
// which main then ends without freeing anything. Tests, running commands in one process, free
// as usual.
void leaveToProcessEnd(bool allowed);
void finishWith(OpenedApplication&& opened);

}  // namespace romshelf::cli
