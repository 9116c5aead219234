#include "core/pad/PadProfile.h"

#include <charconv>

#include "core/pad/KeyNames.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

enum class Section { None, Keys, Timing };

// A period read from the file: whole milliseconds from 1 to a minute.
std::optional<int> readMs(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < 1 || value > 60000) return std::nullopt;
    return value;
}

// The value's words, split at blanks.
std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

PadProfileReading failed(int line, std::string message) {
    return {std::nullopt, PadProfileError{line, std::move(message)}};
}

// A [timing] line: the value of `name` set in `profile`; the message when it cannot be.
std::optional<std::string> readTiming(std::string_view name, std::string_view value,
                                      PadProfile& profile) {
    int* target = ascii::equalsIgnoringCase(name, "turbo")            ? &profile.turboMs
                  : ascii::equalsIgnoringCase(name, "repeatDelay")    ? &profile.repeatDelayMs
                  : ascii::equalsIgnoringCase(name, "repeatInterval") ? &profile.repeatIntervalMs
                                                                      : nullptr;
    if (!target)
        return "「" + std::string(name) +
               "」は知りません（turbo、repeatDelay、repeatInterval です）";
    const std::optional<int> ms = readMs(value);
    if (!ms) return "「" + std::string(value) + "」は 1 から 60000 までのミリ秒ではありません";
    *target = *ms;
    return std::nullopt;
}

// A [keys] line: the control `name` and the key (and turbo or repeat) `value` gives it, in
// `mapping`; the message when they are not known.
std::optional<std::string> readMapping(std::string_view name, std::string_view value,
                                       PadKeyMapping& mapping) {
    const std::optional<PadControl> control = controlNamed(ascii::lower(name));
    if (!control) return "ボタン「" + std::string(name) + "」は知りません";
    const std::vector<std::string_view> parts = words(value);
    if (parts.empty()) return "ボタン「" + std::string(name) + "」に送るキーがありません";
    const std::optional<std::uint32_t> keysym = keysymNamed(parts[0]);
    if (!keysym) return "キー「" + std::string(parts[0]) + "」は知りません";
    mapping.control = *control;
    mapping.keysym = *keysym;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        KeyRepeat repeat = KeyRepeat::None;
        if (ascii::equalsIgnoringCase(parts[i], "turbo")) {
            repeat = KeyRepeat::Turbo;
        } else if (ascii::equalsIgnoringCase(parts[i], "repeat")) {
            repeat = KeyRepeat::Repeat;
        } else {
            return "「" + std::string(parts[i]) +
                   "」は知りません（キーの後は turbo か repeat です）";
        }
        if (mapping.repeat != KeyRepeat::None && mapping.repeat != repeat)
            return std::string("turbo と repeat は同時に使えません");
        mapping.repeat = repeat;
    }
    return std::nullopt;
}

}  // namespace

std::string PadProfileError::text() const {
    if (line <= 0) return message;
    return std::to_string(line) + " 行目: " + message;
}

PadProfileReading readPadProfile(std::string_view text) {
    PadProfile profile;
    Section section = Section::None;
    std::string_view rest = text;
    // A file saved by a Windows editor may open with a BOM.
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    int number = 0;
    while (!rest.empty()) {
        ++number;
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        // A comment runs from ';' or '#' to the end of the line.
        line = line.substr(0, line.find_first_of(";#"));
        line = ascii::trimmed(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') return failed(number, "節の名前が ] で閉じていません");
            const std::string_view name = ascii::trimmed(line.substr(1, line.size() - 2));
            if (ascii::equalsIgnoringCase(name, "keys")) {
                section = Section::Keys;
            } else if (ascii::equalsIgnoringCase(name, "timing")) {
                section = Section::Timing;
            } else {
                return failed(number, "節「" + std::string(name) +
                                          "」は知りません（[keys] か [timing] です）");
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return failed(number, "「名前 = 値」の形ではありません: " + std::string(line));
        const std::string_view name = ascii::trimmed(line.substr(0, eq));
        const std::string_view value = ascii::trimmed(line.substr(eq + 1));
        if (section == Section::None) return failed(number, "[keys] か [timing] の節の外です");
        if (section == Section::Timing) {
            if (auto error = readTiming(name, value, profile)) return failed(number, *error);
            continue;
        }
        PadKeyMapping mapping{0, 0, KeyRepeat::None, number};
        if (auto error = readMapping(name, value, mapping)) return failed(number, *error);
        for (const PadKeyMapping& before : profile.mappings)
            if (before.control == mapping.control)
                return failed(number, "ボタン「" + controlName(mapping.control) + "」は " +
                                          std::to_string(before.line) + " 行目にもあります");
        profile.mappings.push_back(mapping);
    }
    if (profile.mappings.empty())
        return failed(0, "[keys] の節にキーの割り当てがひとつもありません");
    return {std::move(profile), std::nullopt};
}

std::string writePadProfile(const PadProfile& profile) {
    std::string text = "[keys]\n";
    for (const PadKeyMapping& m : profile.mappings) {
        text += controlName(m.control) + " = " + keysymName(m.keysym);
        if (m.repeat == KeyRepeat::Turbo) text += " turbo";
        if (m.repeat == KeyRepeat::Repeat) text += " repeat";
        text += '\n';
    }
    text += "\n[timing]\nturbo = " + std::to_string(profile.turboMs) +
            "\nrepeatDelay = " + std::to_string(profile.repeatDelayMs) +
            "\nrepeatInterval = " + std::to_string(profile.repeatIntervalMs) + "\n";
    return text;
}

std::string padProfileFolder(const std::string& programFolder) {
    return fs::joinPath(programFolder, "data/pad/");
}

std::vector<std::string> padProfileNames(const std::string& programFolder) {
    std::vector<std::string> names;
    for (const fs::DirEntry& entry : fs::listDirectory(padProfileFolder(programFolder)))
        if (!entry.isDirectory && ascii::endsWithIgnoringCase(entry.name, ".ini"))
            names.push_back(fs::pathTitle(entry.name));
    return names;
}

namespace {

// The file of profile `name`: the one there whatever the case of its .ini ("Shooter.INI" is
// profile "Shooter" too), else <name>.ini.
std::string profilePath(const std::string& programFolder, const std::string& name) {
    const std::string folder = padProfileFolder(programFolder);
    for (const fs::DirEntry& entry : fs::listDirectory(folder))
        if (!entry.isDirectory && ascii::endsWithIgnoringCase(entry.name, ".ini") &&
            fs::pathTitle(entry.name) == name)
            return folder + entry.name;
    return folder + name + ".ini";
}

}  // namespace

PadProfileReading loadPadProfile(const std::string& programFolder, const std::string& name) {
    const std::string path = profilePath(programFolder, name);
    // A profile of more than a megabyte is no profile of ours.
    const std::optional<std::string> text = fs::readFile(path, 1u << 20);
    if (!text) return failed(0, "プロファイルを読めません: " + path);
    return readPadProfile(*text);
}

bool isPadProfileName(std::string_view name) {
    return !name.empty() && name.front() != '.' &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos &&
           ascii::trimmed(name) == name;
}

bool savePadProfile(const std::string& programFolder, const std::string& name,
                    const PadProfile& profile) {
    if (!isPadProfileName(name)) return false;
    if (!fs::createDirectories(padProfileFolder(programFolder))) return false;
    return fs::writeFileAtomically(profilePath(programFolder, name), writePadProfile(profile));
}

bool removePadProfile(const std::string& programFolder, const std::string& name) {
    if (!isPadProfileName(name)) return false;
    return fs::removeFile(profilePath(programFolder, name));
}

bool isBuiltInPadSetting(std::string_view setting) {
    return setting.size() > kBuiltInPadMark.size() &&
           setting.substr(0, kBuiltInPadMark.size()) == kBuiltInPadMark;
}

std::string builtInPadSetting(std::string_view profileName) {
    return std::string(kBuiltInPadMark) + std::string(profileName);
}

std::string builtInPadProfileName(std::string_view setting) {
    if (!isBuiltInPadSetting(setting)) return {};
    return std::string(setting.substr(kBuiltInPadMark.size()));
}

}  // namespace romshelf
