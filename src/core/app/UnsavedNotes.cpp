#include "core/app/UnsavedNotes.h"

#include <cstdlib>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr const char* kNoteFile = "romshelf-unsaved.txt";

// One note a line: the program folder, a tab, the text with its line breaks as \n.
std::string noteLine(const ProgramFolder& folder, const std::string& text) {
    std::string line = folder.path() + "\t";
    for (const char c : text) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '\n')
            line += "\\n";
        else if (c != '\r')
            line += c;
    }
    return line + "\n";
}

std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            out += text[i + 1] == 'n' ? '\n' : text[i + 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool appendLine(const std::string& path, const std::string& line) {
    const auto old = fs::readFile(path, 1 << 20);
    return fs::writeFileAtomically(path, old.value_or("") + line);
}

// Takes the notes of `folder` out of the file at `path`, keeping the others.
void takeFrom(const std::string& path, const ProgramFolder& folder,
              std::vector<std::string>& notes) {
    const auto bytes = fs::readFile(path, 1 << 20);
    if (!bytes) return;
    std::string kept;
    std::string_view rest(*bytes);
    const std::string prefix = folder.path() + "\t";
    bool taken = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.starts_with(prefix)) {
            notes.push_back(unescaped(line.substr(prefix.size())));
            taken = true;
        } else if (!line.empty()) {
            kept += std::string(line) + "\n";
        }
    }
    if (!taken) return;
    if (kept.empty())
        fs::removeFile(path);
    else
        fs::writeFileAtomically(path, kept);
}

}  // namespace

std::string userStateFolder() {
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/')
        return fs::joinPath(xdg, "romshelf-plus/");
    const char* home = std::getenv("HOME");
    return fs::joinPath(std::string(home && *home ? home : "/tmp") + "/.local/state",
                        "romshelf-plus/");
}

void leaveUnsavedNote(const ProgramFolder& folder, const std::string& text) {
    const std::string line = noteLine(folder, text);
    if (fs::directoryExists(folder.dataFolder()) && appendLine(folder.dataFile(kNoteFile), line))
        return;
    const std::string state = userStateFolder();
    for (std::size_t i = 1; i <= state.size(); ++i)
        if (i == state.size() || state[i] == '/') fs::createDirectory(state.substr(0, i));
    appendLine(state + kNoteFile, line);
}

std::vector<std::string> takeUnsavedNotes(const ProgramFolder& folder) {
    std::vector<std::string> notes;
    takeFrom(folder.dataFile(kNoteFile), folder, notes);
    takeFrom(userStateFolder() + kNoteFile, folder, notes);
    return notes;
}

}  // namespace romshelf
