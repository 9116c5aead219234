#include "core/launch/IniFile.h"

#include <vector>

#include "core/platform/AsciiCase.h"
#include "core/text/TextCodec.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

struct Line {
    std::string_view text;   // without its line break
    std::size_t begin, end;  // byte range of the whole line, break included
};

}  // namespace

bool writeIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
    std::string content = fs::readFile(path).value_or(std::string());
    const bool utf8File = content.compare(0, text::kUtf8Marker.size(), text::kUtf8Marker) == 0;
    // The byte-order mark belongs to the file, not to its first line: that line is still a
    // section header. The mark stays where it is.
    const std::size_t bodyStart = utf8File ? text::kUtf8Marker.size() : 0;
    const bool noLines = content.size() == bodyStart;
    const std::string encodedValue =
        utf8File ? std::string(value) : text::toCp932(value).value_or(std::string(value));
    const std::string newline =
        content.find("\r\n") != std::string::npos || noLines ? "\r\n" : "\n";
    const std::string entry = std::string(key) + "=" + encodedValue;

    std::vector<Line> lines;
    for (std::size_t at = bodyStart; at < content.size();) {
        std::size_t nl = content.find('\n', at);
        const std::size_t end = nl == std::string::npos ? content.size() : nl + 1;
        std::string_view text(content.data() + at,
                              (nl == std::string::npos ? content.size() : nl) - at);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        lines.push_back({text, at, end});
        at = end;
    }

    long sectionLine = -1, lastEntryLine = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view t = ascii::trimmed(lines[i].text);
        if (!t.empty() && t.front() == '[') {
            const std::size_t close = t.find(']');
            const std::string_view name = ascii::trimmed(
                t.substr(1, close == std::string_view::npos ? t.size() - 1 : close - 1));
            if (sectionLine >= 0) break;  // past our section
            if (ascii::equalsIgnoringCase(name, section)) {
                sectionLine = static_cast<long>(i);
                lastEntryLine = static_cast<long>(i);
            }
            continue;
        }
        if (sectionLine < 0) continue;
        if (!t.empty() && t.front() != ';') lastEntryLine = static_cast<long>(i);
        const std::size_t eq = t.find('=');
        if (eq != std::string_view::npos &&
            ascii::equalsIgnoringCase(ascii::trimmed(t.substr(0, eq)), key)) {
            const Line& l = lines[i];
            const std::string lineBreak(
                content.begin() + static_cast<long>(l.begin + l.text.size()),
                content.begin() + static_cast<long>(l.end));
            content.replace(l.begin, l.end - l.begin, entry + lineBreak);
            return fs::writeFileAtomically(path, content);
        }
    }

    if (sectionLine < 0) {
        if (!noLines && content.back() != '\n') content += newline;
        content += "[" + std::string(section) + "]" + newline + entry + newline;
    } else {
        const Line& after = lines[static_cast<std::size_t>(lastEntryLine)];
        std::string insert = entry + newline;
        std::size_t at = after.end;
        // The last line has no break yet (it may still end in a lone CR): the entry needs its own.
        if (content[after.end - 1] != '\n') insert = newline + entry;
        content.insert(at, insert);
    }
    return fs::writeFileAtomically(path, content);
}

}  // namespace romshelf
