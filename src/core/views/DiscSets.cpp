#include "core/views/DiscSets.h"

#include <algorithm>
#include <map>
#include <unordered_set>
#include <utility>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Up to three digits from `at`; nullopt when there are none or more.
std::optional<int> readNumber(std::string_view s, std::size_t& at) {
    int value = 0, digits = 0;
    while (at < s.size() && isDigit(s[at])) {
        if (++digits > 3) return std::nullopt;
        value = value * 10 + (s[at++] - '0');
    }
    if (digits == 0) return std::nullopt;
    return value;
}

// "Disk 1 of 2", "Disc2", "Side B": the text between the parentheses.
std::optional<DiscPart> readGroup(std::string_view inside) {
    if (inside.size() < 5) return std::nullopt;
    DiscPart part;
    part.word = ascii::lower(inside.substr(0, 4));
    if (part.word != "disk" && part.word != "disc" && part.word != "side") return std::nullopt;
    std::size_t at = 4;
    if (inside[at] == ' ') ++at;
    if (at < inside.size() && isLetter(inside[at])) {
        part.letter = true;
        part.number = ascii::lower(inside[at++]) - 'a' + 1;
    } else if (const std::optional<int> n = readNumber(inside, at)) {
        part.number = *n;
    } else {
        return std::nullopt;
    }
    if (at < inside.size()) {
        // " of N", and nothing after it ("Disk Magazine" ends here: a letter is followed).
        if (!ascii::equalsIgnoringCase(inside.substr(at, 4), " of ")) return std::nullopt;
        at += 4;
        const std::optional<int> of = readNumber(inside, at);
        if (!of || at != inside.size()) return std::nullopt;
        part.of = *of;
    }
    return part;
}

std::string_view extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

}  // namespace

std::optional<DiscPart> parseDiscPart(std::string_view title) {
    std::optional<DiscPart> found;
    for (std::size_t open = title.find('('); open != std::string_view::npos;
         open = title.find('(', open + 1)) {
        const std::size_t close = title.find(')', open);
        if (close == std::string_view::npos) break;
        std::optional<DiscPart> part = readGroup(title.substr(open + 1, close - open - 1));
        if (!part) continue;
        // One blank goes with the group: the one before it, or after it at the very start.
        part->start = open;
        part->size = close + 1 - open;
        if (open > 0 && title[open - 1] == ' ') {
            --part->start;
            ++part->size;
        } else if (open == 0 && close + 1 < title.size() && title[close + 1] == ' ') {
            ++part->size;
        }
        found = std::move(part);  // the last such group is the disc part
    }
    if (found && setTitleOf(title, *found).empty()) return std::nullopt;
    return found;
}

std::string setTitleOf(std::string_view title, const DiscPart& part) {
    std::string out(title.substr(0, part.start));
    out += title.substr(part.start + part.size);
    return out;
}

std::vector<DiscSet> findDiscSets(std::span<const std::string_view> names) {
    struct Disc {
        std::uint32_t index;
        DiscPart part;
    };
    // By set title and extension, the extension in lower case (no name holds a NUL).
    std::map<std::string, std::vector<Disc>> groups;
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        const std::string_view ext = extensionOf(names[i]);
        const std::string_view title = names[i].substr(0, names[i].size() - ext.size());
        std::optional<DiscPart> part = parseDiscPart(title);
        if (!part) continue;
        std::string key = setTitleOf(title, *part);
        key += '\0';
        key += ascii::lower(ext);
        groups[key].push_back({i, std::move(*part)});
    }
    const std::unordered_set<std::string_view> present(names.begin(), names.end());
    std::vector<DiscSet> sets;
    for (auto& [key, discs] : groups) {
        if (discs.size() < 2) continue;  // a lone disc stays a file of its own
        const DiscPart& first = discs.front().part;
        const bool alike = std::all_of(discs.begin(), discs.end(), [&](const Disc& d) {
            return d.part.word == first.word && d.part.letter == first.letter &&
                   d.part.of == first.of;
        });
        if (!alike) continue;
        std::stable_sort(discs.begin(), discs.end(), [](const Disc& a, const Disc& b) {
            return a.part.number < b.part.number;
        });
        const bool twice = std::adjacent_find(discs.begin(), discs.end(), [](auto& a, auto& b) {
                               return a.part.number == b.part.number;
                           }) != discs.end();
        if (twice) continue;
        DiscSet set;
        set.name = key.substr(0, key.find('\0'));
        set.name += extensionOf(names[discs.front().index]);
        if (present.count(set.name)) continue;  // a file of that name is a row of its own
        for (const Disc& d : discs) set.discs.push_back(d.index);
        sets.push_back(std::move(set));
    }
    std::sort(sets.begin(), sets.end(), [](const DiscSet& a, const DiscSet& b) {
        return *std::min_element(a.discs.begin(), a.discs.end()) <
               *std::min_element(b.discs.begin(), b.discs.end());
    });
    return sets;
}

std::vector<std::string> playlistEntries(std::string_view text) {
    std::vector<std::string> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        std::replace(line.begin(), line.end(), '\\', '/');
        if (line.starts_with("./")) line.erase(0, 2);
        if (line.find('/') != std::string::npos) continue;  // another folder's file
        entries.push_back(std::move(line));
    }
    return entries;
}

namespace {

// A sheet's lines, without their line ends and leading blanks.
template <typename Each>
void forEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        each(line);
    }
}

// The next word of `line` from `at`: a "quoted name" (blanks and all) or up to a blank.
std::string nextWord(std::string_view line, std::size_t& at) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size()) return {};
    if (line[at] == '"') {
        const std::size_t close = line.find('"', at + 1);
        if (close == std::string_view::npos) {  // a broken line names nothing
            at = line.size();
            return {};
        }
        std::string word(line.substr(at + 1, close - at - 1));
        at = close + 1;
        return word;
    }
    const std::size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    return std::string(line.substr(start, at - start));
}

// A sheet's file name, if it is one of the sheet's own folder.
void addOwnFolderName(std::vector<std::string>& names, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.starts_with("./")) name.erase(0, 2);
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return;
    names.push_back(std::move(name));
}

}  // namespace

std::vector<std::string> cueSheetFiles(std::string_view text) {
    std::vector<std::string> names;
    forEachLine(text, [&](std::string_view line) {
        std::size_t at = 0;
        if (!ascii::equalsIgnoringCase(nextWord(line, at), "FILE")) return;
        addOwnFolderName(names, nextWord(line, at));
    });
    return names;
}

std::vector<std::string> gdiTrackFiles(std::string_view text) {
    std::vector<std::string> names;
    bool first = true;
    forEachLine(text, [&](std::string_view line) {
        if (std::exchange(first, false) || line.empty()) return;  // the count of tracks
        std::size_t at = 0;
        for (int field = 0; field < 4; ++field) nextWord(line, at);  // number, LBA, type, sector
        addOwnFolderName(names, nextWord(line, at));
    });
    return names;
}

std::vector<RowFile> rowFiles(const std::string& folder, const std::string& rowName) {
    std::vector<RowFile> files;
    std::unordered_set<std::string> seen;
    constexpr std::size_t kLargestSheet = 1u << 20;
    // `depth`: a playlist of cue sheets is as deep as it goes; a sheet naming a sheet stops.
    auto add = [&](auto& self, const std::string& name, int depth) -> void {
        if (!seen.insert(ascii::lower(name)).second) return;
        const std::string path = text::pathOnDisk(folder, name);
        const bool playlist = ascii::endsWithIgnoringCase(name, ".m3u");
        const bool cue = ascii::endsWithIgnoringCase(name, ".cue");
        const bool gdi = ascii::endsWithIgnoringCase(name, ".gdi");
        if (!playlist) files.push_back({path, name});
        if ((!playlist && !cue && !gdi) || depth >= 2) return;
        const auto bytes = fs::readFile(path, kLargestSheet);
        if (!bytes) return;
        const std::string text = text::decodeTextFile(*bytes);
        for (const std::string& entry : playlist ? playlistEntries(text)
                                        : cue    ? cueSheetFiles(text)
                                                 : gdiTrackFiles(text))
            self(self, entry, depth + 1);
    };
    // A set's row has a name no file has: only then is the folder read for its discs.
    const std::vector<std::string> discs = fs::pathExists(text::pathOnDisk(folder, rowName))
                                               ? std::vector<std::string>{}
                                               : discSetPaths(folder, rowName);
    if (discs.empty()) add(add, rowName, 0);
    for (const std::string& disc : discs) add(add, text::fileNameText(fs::pathName(disc)), 0);
    return files;
}

std::vector<std::string> discSetPaths(const std::string& folder, const std::string& setName) {
    std::vector<std::string> texts;
    for (const fs::DirEntry& e : fs::listDirectory(folder))
        if (!e.isDirectory) texts.push_back(text::fileNameText(e.name));
    const std::vector<std::string_view> names(texts.begin(), texts.end());
    for (const DiscSet& set : findDiscSets(names)) {
        if (set.name != setName) continue;
        std::vector<std::string> paths;
        for (std::uint32_t i : set.discs) paths.push_back(text::pathOnDisk(folder, texts[i]));
        return paths;
    }
    return {};
}

void groupDiscSets(FolderHits& hits, std::span<const std::string_view> folderNames) {
    // Playlists of the folder, and the lower-cased names they hide.
    std::vector<std::string_view> playlists;
    std::unordered_set<std::string> hidden;
    constexpr std::size_t kLargestPlaylist = 1u << 20;
    for (std::string_view name : folderNames) {
        if (!ascii::endsWithIgnoringCase(name, ".m3u")) continue;
        playlists.push_back(name);
        const auto bytes =
            fs::readFile(text::pathOnDisk(hits.folder, std::string(name)), kLargestPlaylist);
        if (!bytes) continue;
        for (const std::string& entry : playlistEntries(text::decodeTextFile(*bytes)))
            hidden.insert(ascii::lower(entry));
    }
    std::vector<FolderHits::Hit> rows;
    rows.reserve(hits.matched.size() + playlists.size());
    for (const FolderHits::Hit& h : hits.matched)
        if (hidden.empty() || !hidden.count(ascii::lower(hits.name(h)))) rows.push_back(h);

    std::vector<std::string_view> names;
    names.reserve(rows.size());
    for (const FolderHits::Hit& h : rows) names.push_back(hits.name(h));
    // The set's name goes after the folder's names, once every view of them is done with.
    std::string added;
    std::vector<char> dropped(rows.size(), 0);
    const auto base = static_cast<std::uint32_t>(hits.names.size());
    for (const DiscSet& set : findDiscSets(names)) {
        const std::uint32_t first = *std::min_element(set.discs.begin(), set.discs.end());
        for (std::uint32_t i : set.discs) dropped[i] = i != first;
        const std::size_t title = std::min(set.name.rfind('.'), set.name.size());
        rows[first] = {base + static_cast<std::uint32_t>(added.size()),
                       static_cast<std::uint16_t>(set.name.size()),
                       static_cast<std::uint16_t>(title), -1, rows[first].icon};
        added += set.name;
    }
    std::vector<FolderHits::Hit> kept;
    kept.reserve(rows.size() + playlists.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!dropped[i]) kept.push_back(rows[i]);
    // A playlist no extension pass listed is a row all the same, with the plain icon.
    for (std::string_view name : playlists) {
        const auto start = static_cast<std::uint32_t>(name.data() - hits.names.data());
        const bool listed =
            std::any_of(hits.matched.begin(), hits.matched.end(),
                        [&](const FolderHits::Hit& h) { return h.nameStart == start; });
        if (listed || hidden.count(ascii::lower(name))) continue;
        kept.push_back({start, static_cast<std::uint16_t>(name.size()),
                        static_cast<std::uint16_t>(std::min(name.rfind('.'), name.size())), -1, 0});
    }
    hits.matched = std::move(kept);
    hits.names += added;
}

}  // namespace romshelf
