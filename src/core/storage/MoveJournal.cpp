#include "core/storage/MoveJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string_view>

#include "core/platform/CrashPoint.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::string_view kHeader = "romshelf-journal 1";

// Fields are tab-separated, one entry a line: paths are bytes and may hold both.
void appendField(std::string& line, std::string_view field) {
    line += '\t';
    for (const char c : field) {
        switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            default:
                line += c;
        }
    }
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::optional<int> number(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

MoveJournal::~MoveJournal() {
    if (fd_ >= 0) ::close(fd_);
}

bool MoveJournal::append(const std::string& line, bool flush) {
    if (fd_ < 0) return false;
    std::string_view left(line);
    while (!left.empty()) {
        const ssize_t n = ::write(fd_, left.data(), left.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        left.remove_prefix(static_cast<std::size_t>(n));
    }
    if (!flush || fs::syncData(fd_, path_)) return true;
    error_ = errno;
    return false;
}

bool MoveJournal::begin(const std::string& hardware) {
    if (fd_ >= 0) ::close(fd_);
    error_ = 0;
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    next_ = 1;
    std::string line = std::string(kHeader) + "\nbegin";
    appendField(line, hardware);
    if (!append(line + "\n", true)) {
        finish();  // keeps error_
        return false;
    }
    fs::syncFolderOf(path_);  // the journal's name is on the disk before the first move
    return true;
}

int MoveJournal::intend(Kind kind, const std::string& from, const std::string& to, int newFolder) {
    crashPoint();
    const int seq = next_++;
    std::string line = "move";
    appendField(line, std::to_string(seq));
    appendField(line, kind == Kind::Unpack ? "unpack" : "move");
    appendField(line, from);
    appendField(line, to);
    appendField(line, std::to_string(newFolder));
    if (!append(line + "\n", true)) return -1;
    crashPoint();
    return seq;
}

void MoveJournal::moved(int seq, bool done) {
    crashPoint();
    std::string line = "done";
    appendField(line, std::to_string(seq));
    appendField(line, done ? "moved" : "failed");
    append(line + "\n", false);
}

void MoveJournal::followed(int seq) {
    crashPoint();
    std::string line = "followed";
    appendField(line, std::to_string(seq));
    append(line + "\n", false);
}

bool MoveJournal::saved() {
    crashPoint();
    const bool ok = append("saved\n", true);
    crashPoint();
    return ok;
}

void MoveJournal::finish() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(path_.c_str());
}

std::optional<MoveJournal::Contents> MoveJournal::read(const std::string& path) {
    if (!fs::pathExists(path)) return std::nullopt;
    const auto bytes = fs::readFile(path, 64ull * 1024 * 1024);
    Contents contents;
    if (!bytes) return contents;
    std::string_view text(*bytes);
    bool headerSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) break;  // cut short by the crash
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!headerSeen) {
            headerSeen = line == kHeader;
            if (!headerSeen) return contents;  // not a journal this program can read
            continue;
        }
        const std::vector<std::string> f = splitFields(line);
        auto entry = [&](const std::string& seq) -> Entry* {
            const auto n = number(seq);
            for (Entry& e : contents.entries)
                if (n && e.seq == *n) return &e;
            return nullptr;
        };
        if (f[0] == "begin" && f.size() == 2) {
            contents.hardware = f[1];
            contents.entries.clear();
        } else if (f[0] == "move" && f.size() == 6) {
            const auto seq = number(f[1]);
            const auto folder = number(f[5]);
            if (!seq || !folder) continue;
            contents.entries.push_back({*seq, f[2] == "unpack" ? Kind::Unpack : Kind::Move, f[3],
                                        f[4], *folder, State::Intended, false});
        } else if (f[0] == "done" && f.size() == 3) {
            if (Entry* e = entry(f[1])) e->state = f[2] == "moved" ? State::Moved : State::Failed;
        } else if (f[0] == "followed" && f.size() == 2) {
            if (Entry* e = entry(f[1])) e->followed = true;
        } else if (f[0] == "saved") {
            contents.entries.clear();
        }
    }
    return contents;
}

}  // namespace romshelf
