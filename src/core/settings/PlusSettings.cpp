#include "core/settings/PlusSettings.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

bool readUnsigned(std::string_view text, std::uint64_t& out) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
    out = value;
    return true;
}

}  // namespace

bool loadPlusSettings(const std::string& path, PlusSettings& out) {
    out = PlusSettings{};
    if (!fs::fileExists(path)) return true;
    // A settings file of more than a megabyte is no file of ours.
    const auto text = fs::readFile(path, 1u << 20);
    if (!text) return false;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = ascii::trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        const std::size_t eq = line.find('=');
        if (line.empty() || line.front() == '#' || eq == std::string_view::npos) continue;
        const std::string_view key = ascii::trimmed(line.substr(0, eq));
        const std::string_view value = ascii::trimmed(line.substr(eq + 1));
        std::uint64_t number = 0;
        if (key == "discSets") {
            if (value == "1" || value == "0") out.discSets = value == "1";
        } else if (key == "unpackCacheLimit") {
            if (readUnsigned(value, number)) out.unpackCacheLimit = number;
        } else if (key.substr(0, 6) == "drive." && key.size() > 6 && !value.empty()) {
            out.drives.emplace_back(std::string(key.substr(6)), std::string(value));
        } else if (key.substr(0, 10) == "renameDat." && key.size() > 10 && !value.empty()) {
            out.renameDats.emplace_back(std::string(key.substr(10)), std::string(value));
        } else if (key == "onePerGame") {
            if (value == "1" || value == "0") out.onePerGame = value == "1";
        } else if (key == "regionOrder") {
            // Names as written, blanks around them aside; an empty list is a list too.
            out.regionOrder.clear();
            std::string_view names = value;
            while (!names.empty()) {
                const std::size_t comma = names.find(',');
                const std::string_view name = ascii::trimmed(names.substr(0, comma));
                if (!name.empty()) out.regionOrder.emplace_back(name);
                names =
                    comma == std::string_view::npos ? std::string_view{} : names.substr(comma + 1);
            }
        } else if (key == "listFontHeight") {
            // A height no font has is none chosen.
            if (readUnsigned(value, number) && number <= 1000)
                out.listFontHeight = static_cast<int>(number);
        } else if (key == "pad") {
            if (value == "1" || value == "0") out.pad = value == "1";
        } else if (key == "padQuitButtons") {
            out.padQuitButtons = value;
        } else if (key == "padQuitHoldMs") {
            // Up to a minute; 0 turns the hotkey off.
            if (readUnsigned(value, number) && number <= 60000)
                out.padQuitHoldMs = static_cast<int>(number);
        } else if (key == "wine") {
            out.wine = value;
        } else if (key == "winePrefix") {
            out.winePrefix = value;
        } else {
            out.unknown.emplace_back(std::string(key), std::string(value));
        }
    }
    return true;
}

bool savePlusSettings(const std::string& path, const PlusSettings& settings) {
    std::string text;
    text += "discSets=";
    text += settings.discSets ? "1" : "0";
    text += "\nunpackCacheLimit=" + std::to_string(settings.unpackCacheLimit) + "\n";
    for (const auto& [root, folder] : settings.drives)
        text += "drive." + root + "=" + folder + "\n";
    if (!settings.wine.empty()) text += "wine=" + settings.wine + "\n";
    if (!settings.winePrefix.empty()) text += "winePrefix=" + settings.winePrefix + "\n";
    for (const auto& [code, dat] : settings.renameDats)
        text += "renameDat." + code + "=" + dat + "\n";
    // Only what differs from the defaults: the files of users who never set them stay as
    // they were.
    if (settings.onePerGame) text += "onePerGame=1\n";
    if (settings.regionOrder != PlusSettings{}.regionOrder) {
        text += "regionOrder=";
        for (std::size_t i = 0; i < settings.regionOrder.size(); ++i)
            text += (i ? "," : "") + settings.regionOrder[i];
        text += "\n";
    }
    if (settings.listFontHeight > 0)
        text += "listFontHeight=" + std::to_string(settings.listFontHeight) + "\n";
    const PlusSettings defaults;
    if (settings.pad != defaults.pad) text += "pad=0\n";
    if (settings.padQuitButtons != defaults.padQuitButtons)
        text += "padQuitButtons=" + settings.padQuitButtons + "\n";
    if (settings.padQuitHoldMs != defaults.padQuitHoldMs)
        text += "padQuitHoldMs=" + std::to_string(settings.padQuitHoldMs) + "\n";
    for (const auto& [key, value] : settings.unknown) text += key + "=" + value + "\n";
    return fs::writeFileAtomically(path, text);
}

double pointsOfPixelHeight(int pixels, double dotsPerInch) {
    if (dotsPerInch <= 0) dotsPerInch = 96;
    return pixels * 72.0 / dotsPerInch;
}

int pixelHeightOfPoints(double points, double dotsPerInch) {
    if (dotsPerInch <= 0) dotsPerInch = 96;
    return static_cast<int>(std::lround(points * dotsPerInch / 72.0));
}

}  // namespace romshelf
