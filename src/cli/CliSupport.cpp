#include "cli/CliSupport.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/commands/CommandOpening.h"
#include "core/settings/PathRules.h"
#include "core/text/FileNames.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

std::optional<int> parseNumber(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

namespace {

// The bytes of `word` that are control characters or backslashes, each marked by its high bit
// (exact as to whether there is one): every character that may need an escape.
std::uint64_t escapeMarks(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    const std::uint64_t control = (word - kOnes * 0x20) & ~word & kHighBits;
    const std::uint64_t x = word ^ (kOnes * '\\');
    const std::uint64_t backslash = (x - kOnes) & ~x & kHighBits;
    return control | backslash;
}

std::uint64_t load64(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

std::uint64_t load32(const char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

// A word at a time, the last one overlapping, and a short text in one word padded with letters:
// a list prints millions of bytes, nearly none of them to escape, so a row costs a few loads.
// Nonzero when there is one.
std::uint64_t escapeMarks(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n == 0) return 0;
#ifdef __SSE2__
    // Sixteen bytes at a time, the last sixteen overlapping: a whole row is checked at once.
    if (n >= 16) {
        const __m128i lastControl = _mm_set1_epi8(0x1F), backslash = _mm_set1_epi8('\\');
        __m128i found = _mm_setzero_si128();
        const auto check = [&](const char* at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(v, lastControl), lastControl);
            found = _mm_or_si128(found, _mm_or_si128(control, _mm_cmpeq_epi8(v, backslash)));
        };
        for (std::size_t i = 0; i + 16 < n; i += 16) check(p + i);
        check(p + n - 16);
        return static_cast<std::uint64_t>(_mm_movemask_epi8(found));
    }
#endif
    if (n >= 8) {
        std::uint64_t marks = escapeMarks(load64(p + n - 8));
        for (std::size_t i = 0; i + 8 < n; i += 8) marks |= escapeMarks(load64(p + i));
        return marks;
    }
    constexpr std::uint64_t kLetters = 0x4141414141414141u;
    if (n >= 4) return escapeMarks(load32(p) | (load32(p + n - 4) << 32));
    // One to three bytes: the first, the middle and the last.
    const auto byte = [](char c) { return std::uint64_t{static_cast<unsigned char>(c)}; };
    return escapeMarks((kLetters & ~std::uint64_t{0xFFFFFF}) | byte(p[0]) | byte(p[n / 2]) << 8 |
                       byte(p[n - 1]) << 16);
}

bool mayNeedEscape(std::string_view text) { return escapeMarks(text) != 0; }

}  // namespace

void appendEscapedText(std::string_view text, std::string& out) {
    if (!mayNeedEscape(text)) {
        out.append(text);
        return;
    }
    // Runs without a character to escape go in at once.
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* escape = nullptr;
        switch (text[i]) {
            case '\\':
                escape = "\\\\";
                break;
            case '\t':
                escape = "\\t";
                break;
            case '\r':
                escape = "\\r";
                break;
            case '\n':
                escape = "\\n";
                break;
            default:
                continue;
        }
        out.append(text, from, i - from);
        out += escape;
        from = i + 1;
    }
    out.append(text, from, text.size() - from);
}

namespace {

template <class Cell>
void appendEscapedCells(std::span<const Cell> cells, std::string& out) {
    // A tab after each cell but the last, which gets the line feed.
    std::size_t bytes = cells.size();
    for (const Cell& cell : cells) bytes += cell.size();
    // Nearly every row has nothing to escape: it goes in cell by cell with one resize, a letter
    // where each tab or line feed will be, and is then checked whole, a word at a time, rather
    // than cell by cell (most cells are short or empty).
    const std::size_t at = out.size();
    out.resize(at + bytes);
    char* const row = out.data() + at;
    char* p = row;
    for (const Cell& cell : cells) {
        // An empty cell may have no address, which memcpy must not be given.
        if (!cell.empty()) std::memcpy(p, cell.data(), cell.size());
        p += cell.size();
        *p++ = 'A';
    }
    if (escapeMarks(std::string_view(row, bytes)) != 0) {
        out.resize(at);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            appendEscapedText(cells[c], out);
            out += c + 1 < cells.size() ? '\t' : '\n';
        }
        return;
    }
    p = row;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        p += cells[c].size();
        *p++ = c + 1 < cells.size() ? '\t' : '\n';
    }
}

}  // namespace

void appendEscapedRow(std::span<const std::string> cells, std::string& out) {
    appendEscapedCells(cells, out);
}

void appendEscapedRow(std::span<const std::string_view> cells, std::string& out) {
    appendEscapedCells(cells, out);
}

std::string escapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscapedText(text, out);
    return out;
}

std::string unescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            const char plain = next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
            if (next == '\\' || plain != next) {
                out += plain;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<int> rowsNamed(const Application& app, const std::string& file,
                           std::optional<int> folder) {
    const bool isPath = file.find('/') != std::string::npos;
    const std::string wanted = isPath ? absoluteFile(file) : file;
    std::vector<int> rows;
    const FileListView list = app.fileList().rows();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FileListRow& row = list[i];
        if (row.folderNumber < 0 || row.folderNumber >= kRomFolderCount) continue;
        if (folder && row.folderNumber != *folder) continue;
        const std::string& romFolder =
            app.folders().folders.romFolderPaths[static_cast<std::size_t>(row.folderNumber)];
        if (folder) {
            if (row.folderNumber == *folder && row.fileName() == file)
                rows.push_back(static_cast<int>(i));
            continue;
        }
        const bool match = isPath
                               ? absoluteFile(text::pathOnDisk(romFolder, row.fileName())) == wanted
                               : row.fileName() == wanted;
        if (match) rows.push_back(static_cast<int>(i));
    }
    return rows;
}

ArgumentReader& RowChoice::addTo(ArgumentReader& reader) {
    reader.number("--row", row);
    return reader.option("--folder", 2, [this](std::span<const std::string> v, std::ostream& err) {
        folder = parseNumber(v[0]);
        file = unescapeText(v[1]);  // as `list` prints it
        if (folder) return 0;
        return usageError(err, "--folder", "needs a folder number and a file, not " + v[0]);
    });
}

int RowChoice::check(std::ostream& err) const {
    if (folder.has_value() != row.has_value()) return 0;
    return usageError(err, row ? "--row" : "--folder",
                      row ? "goes without --folder" : "needs N FILE, or --row N instead");
}

std::optional<std::size_t> RowChoice::find(const Application& app, std::ostream& err) const {
    const std::size_t rows = app.fileList().rows().size();
    if (row) {
        if (*row >= 0 && static_cast<std::size_t>(*row) < rows) return *row;
        err << "no row " << *row << ": the list has " << rows << " rows (0 to "
            << (rows > 0 ? rows - 1 : 0) << ")\n";
        return std::nullopt;
    }
    const std::vector<int> named = rowsNamed(app, file, folder);
    if (!named.empty()) return named.front();
    err << "no such file in the list: " << *folder << " " << escapeText(file) << "\n";
    return std::nullopt;
}

std::string absoluteFile(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    const std::filesystem::path p = std::filesystem::absolute(path, error);
    return error ? path : p.lexically_normal().string();
}

std::string absoluteFolder(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::error_code error;
    const std::string current = std::filesystem::current_path(error).string();
    if (error) return path;
    return paths::canonicalise(fs::asFolder(fs::joinPath(current, path)));
}

ProgramFolder programFolderFrom(const std::string& given) {
    return given.empty() ? ProgramFolder::locate() : ProgramFolder(absoluteFolder(given));
}

namespace {

void tellHowToSetUp(std::ostream& err, const Application& app) {
    err << "Set up a hardware's ROM folders first: start romshelf and use the Settings menu "
           "(フォルダ設定). The program folder used is "
        << app.programFolder().path() << " (choose another with --program-folder DIR).\n";
}

}  // namespace

namespace {
std::string writerRole;
int lockWaitMs = 5000;
}  // namespace

void setWriterRole(std::string role, int waitMs) {
    writerRole = std::move(role);
    lockWaitMs = waitMs;
}

namespace {
bool takeOverAsked = false;
}  // namespace

void setTakeOver(bool on) { takeOverAsked = on; }

bool lockAgainForWriting(Application& app, const std::string& what, std::ostream& err) {
    if (writerRole.empty()) return true;
    const std::string folder = app.programFolder().pathWithoutSlash();
    const auto result =
        app.lockProgramFolder(writerRole, lockWaitMs, [&](const WriterLock::Holder& holder) {
            err << "romshelf-cli: the program folder " << folder << " is in use by "
                << describeHolder(holder) << "; waiting...\n";
        });
    if (result == WriterLock::Result::Acquired) return true;
    err << "romshelf-cli: ";
    if (result == WriterLock::Result::Held)
        err << "the program folder " << folder << " is in use by "
            << describeHolder(app.writerLock().holder());
    else
        err << "cannot lock " << app.writerLock().path() << " ("
            << std::strerror(app.writerLock().error()) << ")";
    err << ": " << what << ".\n";
    return false;
}

namespace {

// The outcome of coming in, told the user; what the window shows in boxes is said here in lines.
void tellEntry(const CommandEntry& entry, const CommandOpening& opening, const Application& app,
               std::ostream& err) {
    using Outcome = CommandEntry::Outcome;
    const std::string folder = app.programFolder().pathWithoutSlash();
    if (entry.tookOverFrom)
        err << "romshelf-cli: took the program folder over from "
            << describeHolder(*entry.tookOverFrom) << ", which is no longer running\n";
    for (const DataStream::Damage& d : entry.damaged)
        err << "romshelf-cli: " << d.path << " cannot be read whole (damaged from byte " << d.offset
            << "): nothing was changed. `romshelf-cli dump --salvage " << d.path
            << "` recovers the whole records before the damage into a new file.\n";
    switch (entry.outcome) {
        case Outcome::Opened:
        case Outcome::Damaged:
            break;
        case Outcome::Locked:
            err << "romshelf-cli: the program folder " << folder << " is in use by "
                << describeHolder(app.writerLock().holder())
                << ": nothing was changed. Try again when it has finished.\n";
            break;
        case Outcome::Unlockable:
            err << "romshelf-cli: cannot lock " << app.writerLock().path() << ": "
                << std::strerror(app.writerLock().error()) << "\n";
            break;
        case Outcome::UnknownHardware:
            err << "unknown hardware: " << opening.code << "\n";
            break;
        case Outcome::NoFolderSettings:
            err << "hardware " << opening.code << " has no folder settings.\n";
            tellHowToSetUp(err, app);
            break;
        case Outcome::NoHardware:
            err << "no hardware is set up" << (opening.code.empty() ? "" : " for " + opening.code)
                << ".\n";
            tellHowToSetUp(err, app);
            break;
    }
}

OpenedApplication open(const std::string& programFolder, bool hardware, const std::string& code,
                       std::ostream& err, bool answerYes) {
    OpenedApplication opened;
    opened.prompter = std::make_unique<StreamPrompter>(err, answerYes);
    opened.ports = std::make_unique<HeadlessPorts>();
    opened.progress =
        std::make_unique<TerminalProgress>(err, &err == &std::cerr ? STDERR_FILENO : -1);
    HeadlessPorts& p = *opened.ports;
    const Host host{*opened.prompter, *opened.progress, p.processes, p.desktop,
                    p.sound,          p.images,         p.clock,     p.windows};
    opened.app = std::make_unique<Application>(programFolderFrom(programFolder), host);
    Application& app = *opened.app;
    const std::string folder = app.programFolder().pathWithoutSlash();
    CommandOpening opening;
    opening.writerRole = writerRole;
    opening.waitMs = lockWaitMs;
    opening.takeOver = takeOverAsked;
    opening.hardware = hardware;
    opening.code = code;
    opening.waiting = [&](const WriterLock::Holder& holder) {
        err << "romshelf-cli: the program folder " << folder << " is in use by "
            << describeHolder(holder) << "; waiting...\n";
    };
    opening.askTakeOver = [&](const WriterLock::Holder& holder) {
        return opened.prompter->ask("The program folder " + folder + " is in use by " +
                                        describeHolder(holder) +
                                        ". Take it over? Only when that program is no longer "
                                        "running: two writers lose each other's changes.",
                                    "romshelf-cli");
    };
    const CommandEntry entry = enterForCommand(app, opening);
    tellEntry(entry, opening, app, err);
    opened.exitStatus = entry.exitStatus();
    return opened;
}

}  // namespace

OpenedApplication openProgramFolder(const std::string& programFolder, std::ostream& err,
                                    bool answerYes) {
    return open(programFolder, false, {}, err, answerYes);
}

OpenedApplication openHardware(const std::string& programFolder, const std::string& code,
                               std::ostream& err, bool answerYes) {
    return open(programFolder, true, code, err, answerYes);
}

namespace {
bool leftToProcessEnd = false;
}  // namespace

void leaveToProcessEnd(bool allowed) { leftToProcessEnd = allowed; }

void finishWith(OpenedApplication&& opened) {
    if (!leftToProcessEnd) {
        OpenedApplication freed = std::move(opened);
        return;
    }
    // Never freed: reachable until the end, and the process ends without running destructors.
    static std::vector<OpenedApplication> kept;
    kept.push_back(std::move(opened));
}

}  // namespace romshelf::cli
