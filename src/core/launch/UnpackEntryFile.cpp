#include "core/launch/UnpackEntryFile.h"

#include <charconv>
#include <string_view>

#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"

namespace romshelf {

namespace {

constexpr std::string_view kMagic = "romshelf-plus unpacked image 1\n";

void appendEscaped(std::string_view text, std::string& out) {
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        if (text[i] == '\\') {
            out += '\\';
        } else if (text[i] == 'n') {
            out += '\n';
        } else {
            return std::nullopt;
        }
    }
    return out;
}

template <typename T>
bool readNumber(std::string_view text, T& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::string entryText(const EntryFile& e) {
    std::string text(kMagic);
    text += "archive=";
    appendEscaped(e.archivePath, text);
    text += "\narchiveSize=" + std::to_string(e.archiveSize);
    text += "\narchiveMtime=" + std::to_string(e.archiveMtimeNs);
    text += "\nmember=";
    appendEscaped(e.member, text);
    text += "\nsize=" + std::to_string(e.size);
    text += "\ninode=" + std::to_string(e.inode);
    text += "\nmtime=" + std::to_string(e.mtimeNs);
    if (e.crc) text += "\ncrc=" + std::to_string(*e.crc);
    return text + "\n";
}

bool isMemberName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name != kEntryFile &&
           name.find('/') == std::string::npos && !isPendingFileName(name);
}

std::optional<EntryFile> readEntryFile(const std::string& path) {
    const std::optional<std::string> text = fs::readFile(path, 64 * 1024);
    if (!text || !text->starts_with(kMagic)) return std::nullopt;
    EntryFile e;
    int seen = 0;
    std::string_view rest = std::string_view(*text).substr(kMagic.size());
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        bool ok = true;
        if (key == "archive" || key == "member") {
            const std::optional<std::string> v = unescaped(value);
            ok = v.has_value();
            if (ok) (key == "archive" ? e.archivePath : e.member) = *v;
        } else if (key == "archiveSize") {
            ok = readNumber(value, e.archiveSize);
        } else if (key == "archiveMtime") {
            ok = readNumber(value, e.archiveMtimeNs);
        } else if (key == "size") {
            ok = readNumber(value, e.size);
        } else if (key == "inode") {
            ok = readNumber(value, e.inode);
        } else if (key == "mtime") {
            ok = readNumber(value, e.mtimeNs);
        } else if (key == "crc") {
            // Not among the fields every version wrote: not counted.
            std::uint32_t crc = 0;
            if (!readNumber(value, crc)) return std::nullopt;
            e.crc = crc;
            continue;
        } else {
            continue;
        }
        if (!ok) return std::nullopt;
        ++seen;
    }
    if (seen != 7 || !isMemberName(e.member)) return std::nullopt;
    return e;
}

}  // namespace romshelf
