#include "core/text/NameTags.h"

#include <array>
#include <cctype>

#include "core/platform/AsciiCase.h"

namespace romshelf::text {

namespace {

// Numbered for their masks: keep the order, add only at the end (at most 64 of each).
constexpr std::array<std::string_view, 40> kRegions = {
    "World",   "Japan",        "USA",         "Europe",        "Asia",        "Korea",
    "China",   "Taiwan",       "Hong Kong",   "Australia",     "Brazil",      "Canada",
    "France",  "Germany",      "Italy",       "Spain",         "Netherlands", "Sweden",
    "UK",      "Russia",       "Scandinavia", "Latin America", "Mexico",      "Argentina",
    "Denmark", "Finland",      "Norway",      "Poland",        "Portugal",    "Greece",
    "India",   "Ireland",      "Israel",      "New Zealand",   "Switzerland", "Austria",
    "Belgium", "South Africa", "Turkey",      "Unknown"};

constexpr std::array<std::string_view, 36> kLanguages = {
    "En", "Ja", "Fr", "De", "Es", "It", "Nl", "Pt", "Sv", "No", "Da", "Fi",
    "Zh", "Ko", "Pl", "Ru", "Ca", "Cs", "El", "Hu", "Tr", "Ar", "He", "Hi",
    "Id", "Th", "Vi", "Uk", "Ro", "Hr", "Sk", "Sl", "Sr", "Bg", "Is", "Ms"};

constexpr std::uint64_t bit(int n) { return std::uint64_t{1} << n; }

std::uint64_t regionBit(std::string_view name) {
    const auto n = regionNumber(name);
    return n ? bit(*n) : 0;
}
std::uint64_t languageBit(std::string_view code) {
    const auto n = languageNumber(code);
    return n ? bit(*n) : 0;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}

// Calls `item` with each of `list`'s items split at `separator`, trimmed; false as soon as one
// returns false.
template <class Item>
bool eachItem(std::string_view list, char separator, Item&& item) {
    while (true) {
        const std::size_t at = list.find(separator);
        if (!item(ascii::trimmed(list.substr(0, at)))) return false;
        if (at == std::string_view::npos) return true;
        list.remove_prefix(at + 1);
    }
}

// "En", "Zh-Hant", "Pt-BR": a language code, what follows a hyphen being its variant.
std::uint64_t languageOf(std::string_view item) {
    const std::string_view base = item.substr(0, item.find('-'));
    if (base.size() != 2 || !std::isupper(static_cast<unsigned char>(base[0])) ||
        !std::islower(static_cast<unsigned char>(base[1])))
        return 0;
    return languageBit(base);
}

// "Beta", "Beta 2", "Proto 1": the word alone or followed by a number.
bool wordWithNumber(std::string_view tag, std::string_view word) {
    if (tag == word) return true;
    return tag.size() > word.size() + 1 && tag.substr(0, word.size()) == word &&
           tag[word.size()] == ' ' && allDigits(tag.substr(word.size() + 1));
}

void readRoundTag(std::string_view tag, NameTags& out) {
    if (tag.empty()) return;
    std::uint64_t regions = 0;
    if (eachItem(tag, ',', [&](std::string_view item) {
            const std::uint64_t b = regionBit(item);
            regions |= b;
            return b != 0 && item == kRegions[static_cast<std::size_t>(*regionNumber(item))];
        })) {
        out.regions |= regions;
        return;
    }
    std::uint64_t languages = 0;
    if (eachItem(tag, ',', [&](std::string_view item) {
            const std::uint64_t b = languageOf(item);
            languages |= b;
            return b != 0;
        })) {
        if (!out.languages) out.languages = languages;
        return;
    }
    if (tag.size() > 4 && tag.substr(0, 4) == "Rev ") {
        const std::string_view rev = ascii::trimmed(tag.substr(4));
        if (!rev.empty() && out.revision.empty()) out.revision = rev;
        return;
    }
    if (tag.size() > 1 && tag[0] == 'v' && isDigit(tag[1])) {
        if (out.version.empty()) out.version = tag.substr(1);
        return;
    }
    if (wordWithNumber(tag, "Alpha"))
        out.status |= kStatusAlpha;
    else if (wordWithNumber(tag, "Beta"))
        out.status |= kStatusBeta;
    else if (wordWithNumber(tag, "Proto"))
        out.status |= kStatusProto;
    else if (wordWithNumber(tag, "Demo"))
        out.status |= kStatusDemo;
    else if (wordWithNumber(tag, "Sample"))
        out.status |= kStatusSample;
    else if (tag == "Unl")
        out.status |= kStatusUnlicensed;
    else if (tag == "Pirate")
        out.status |= kStatusPirate;
}

void readSquareTag(std::string_view tag, NameTags& out) {
    // [b], [b1], [b2]…: bad dumps; [!]: verified good.
    if (tag == "!")
        out.status |= kStatusVerified;
    else if (!tag.empty() && tag[0] == 'b' && (tag.size() == 1 || allDigits(tag.substr(1))))
        out.status |= kStatusBadDump;
}

}  // namespace

std::span<const std::string_view> regionNames() { return kRegions; }
std::span<const std::string_view> languageNames() { return kLanguages; }

std::optional<int> regionNumber(std::string_view name) {
    for (std::size_t i = 0; i < kRegions.size(); ++i)
        if (sameLetters(kRegions[i], name)) return static_cast<int>(i);
    return std::nullopt;
}

std::optional<int> languageNumber(std::string_view code) {
    for (std::size_t i = 0; i < kLanguages.size(); ++i)
        if (sameLetters(kLanguages[i], code)) return static_cast<int>(i);
    return std::nullopt;
}

std::string regionList(std::uint64_t regions, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < kRegions.size(); ++i) {
        if (!(regions & bit(static_cast<int>(i)))) continue;
        if (!out.empty()) out += separator;
        out += kRegions[i];
    }
    return out;
}

std::string languageList(std::uint64_t languages, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < kLanguages.size(); ++i) {
        if (!(languages & bit(static_cast<int>(i)))) continue;
        if (!out.empty()) out += separator;
        out += kLanguages[i];
    }
    return out;
}

std::uint64_t impliedLanguages(std::uint64_t regions) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 21> kSpoken = {{
        {"World", "En"},       {"Japan", "Ja"},     {"USA", "En"},    {"Europe", "En"},
        {"Asia", "En"},        {"Korea", "Ko"},     {"China", "Zh"},  {"Taiwan", "Zh"},
        {"Hong Kong", "Zh"},   {"Australia", "En"}, {"Brazil", "Pt"}, {"Canada", "En"},
        {"France", "Fr"},      {"Germany", "De"},   {"Italy", "It"},  {"Spain", "Es"},
        {"Netherlands", "Nl"}, {"Sweden", "Sv"},    {"UK", "En"},     {"Russia", "Ru"},
        {"Poland", "Pl"},
    }};
    std::uint64_t out = 0;
    for (const auto& [region, language] : kSpoken)
        if (regions & regionBit(region)) out |= languageBit(language);
    return out;
}

NameTags parseNameTags(std::string_view name) {
    NameTags out;
    std::size_t titleEnd = std::string_view::npos;
    std::size_t i = 0;
    while (i < name.size()) {
        const char open = name[i];
        if (open != '(' && open != '[') {
            ++i;
            continue;
        }
        // The tag's end, with tags of the same bracket inside it counted.
        const char close = open == '(' ? ')' : ']';
        std::size_t depth = 0;
        std::size_t end = i;
        for (; end < name.size(); ++end) {
            if (name[end] == open) {
                ++depth;
            } else if (name[end] == close && --depth == 0) {
                break;
            }
        }
        if (end >= name.size()) break;  // left open: no tag, and none after it
        if (titleEnd == std::string_view::npos) titleEnd = i;
        const std::string_view tag = ascii::trimmed(name.substr(i + 1, end - i - 1));
        if (open == '(')
            readRoundTag(tag, out);
        else
            readSquareTag(tag, out);
        i = end + 1;
    }
    out.title = ascii::trimmed(name.substr(0, titleEnd));
    return out;
}

int compareRevisions(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Numbers by value: leading zeros aside, the longer is the larger.
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            std::size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            if (ei - i != ej - j) return ei - i < ej - j ? -1 : 1;
            if (const int c = a.substr(i, ei - i).compare(b.substr(j, ej - j)); c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const int ca = std::toupper(static_cast<unsigned char>(a[i]));
        const int cb = std::toupper(static_cast<unsigned char>(b[j]));
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    const bool aLeft = i < a.size(), bLeft = j < b.size();
    return aLeft == bLeft ? 0 : (aLeft ? 1 : -1);
}

}  // namespace romshelf::text
