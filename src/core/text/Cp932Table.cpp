#include "core/text/Cp932Table.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/text/TextCodec.h"

namespace romshelf::text {

namespace {

bool isLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

}  // namespace

Cp932Table::Entry Cp932Table::entryOf(char16_t unit) {
    const unsigned u = unit;
    // Surrogates and the escapes of bytes the converter could not read are left to it.
    if ((u >= 0xD800 && u <= 0xDFFF) || (u >= kEscapedByteBase && u <= kEscapedByteBase + 0xFF))
        return 0;
    if (u < 0x80) return (1u << 24) | u;
    if (u < 0x800) return (2u << 24) | (0xC0 | u >> 6) | (0x80 | (u & 0x3F)) << 8;
    return (3u << 24) | (0xE0 | u >> 12) | (0x80 | ((u >> 6) & 0x3F)) << 8 |
           (0x80 | (u & 0x3F)) << 16;
}

Cp932Table::Cp932Table(const char* converterName) {
    int leads = 0;
    for (unsigned b = 0; b < 0x100; ++b)
        leadNumber_[b] = static_cast<std::int8_t>(isLead(b) ? leads++ : -1);
    pair_.assign(static_cast<std::size_t>(leads) * 256, 0);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> opened(
        ucnv_open(converterName, &status), &ucnv_close);
    UConverter* converter = opened.get();
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return;
    // A conversion a lead byte, so that nothing large is made for a moment. ASCII too: ICU's
    // table swaps three control characters (1A, 1C, 7F), and texts holding them are left to it
    // as they always were.
    std::vector<Code> codes;
    for (unsigned b = 1; b < 0x100; ++b)
        codes.push_back({{static_cast<std::uint8_t>(b), 0}, 1, &single_[b]});
    read(converter, codes);
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
        if (!isLead(lead)) continue;
        codes.clear();
        for (unsigned trail = 0; trail < 0x100; ++trail)
            if (isTrail(trail))
                codes.push_back(
                    {{static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)},
                     2,
                     &pair_[pairAt(lead, trail)]});
        read(converter, codes);
    }
}

void Cp932Table::read(UConverter* converter, const std::vector<Code>& codes) {
    // Each code alone, a space after it: a code the converter takes apart cannot run into the
    // next one, and is seen to have been taken apart.
    std::string source;
    for (const Code& c : codes) {
        source.append(reinterpret_cast<const char*>(c.bytes), c.size);
        source += ' ';
    }
    std::vector<char16_t> units(source.size() * 2 + 16);
    std::vector<std::int32_t> offsets(units.size(), -1);
    UChar* target = reinterpret_cast<UChar*>(units.data());
    const char* from = source.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    ucnv_toUnicode(converter, &target, reinterpret_cast<UChar*>(units.data() + units.size()), &from,
                   source.data() + source.size(), offsets.data(), true, &status);
    ucnv_reset(converter);
    if (U_FAILURE(status) || from != source.data() + source.size()) return;
    // How many units each source byte started, and the last of them.
    std::vector<std::uint8_t> count(source.size(), 0);
    std::vector<char16_t> unitAt(source.size(), 0);
    const auto made = static_cast<std::size_t>(target - reinterpret_cast<UChar*>(units.data()));
    for (std::size_t k = 0; k < made; ++k) {
        const std::int32_t at = offsets[k];
        if (at < 0 || static_cast<std::size_t>(at) >= source.size()) continue;
        std::uint8_t& n = count[static_cast<std::size_t>(at)];
        n = static_cast<std::uint8_t>(std::min(n + 1, 9));
        unitAt[static_cast<std::size_t>(at)] = units[k];
    }
    // A code is held when it made one character of its own (one it could not read makes none),
    // and its space a space of its own.
    std::size_t at = 0;
    for (const Code& c : codes) {
        const std::size_t space = at + c.size;
        bool whole = count[at] == 1 && count[space] == 1 && unitAt[space] == u' ';
        for (std::size_t i = at + 1; i < space; ++i) whole = whole && count[i] == 0;
        if (whole) *c.entry = entryOf(unitAt[at]);
        at = space + 1;
    }
}

bool Cp932Table::decode(std::string_view cp932, std::string& out) const {
    // A short text (a record's, at most 12 KB) is written into the thread's own buffer, then kept
    // at its exact size: a string sized for the longest possible text would keep three times the
    // room for as long as the record lives. A long one (a whole text file) is written in place:
    // the buffer would keep three times its size for as long as the thread lives.
    constexpr std::size_t kLongText = 64 * 1024;
    thread_local std::string room;
    const bool inPlace = cp932.size() > kLongText;
    std::string& into = inPlace ? out : room;
    if (into.size() < cp932.size() * 3) into.resize(cp932.size() * 3);
    char* const start = into.data();
    char* o = start;
    const auto* s = reinterpret_cast<const unsigned char*>(cp932.data());
    const std::size_t n = cp932.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned b = s[i];
        Entry e = single_[b];
        std::size_t used = 1;
        if (e == 0 && i + 1 < n && leadNumber_[b] >= 0) {
            e = pair_[static_cast<std::size_t>(leadNumber_[b]) * 256 + s[i + 1]];
            used = 2;
        }
        if (e == 0) return false;
        // Three bytes written, as many kept.
        const char bytes[3] = {static_cast<char>(e & 0xFF), static_cast<char>((e >> 8) & 0xFF),
                               static_cast<char>((e >> 16) & 0xFF)};
        std::memcpy(o, bytes, 3);
        o += e >> 24;
        i += used;
    }
    if (inPlace)
        out.resize(static_cast<std::size_t>(o - start));
    else
        out.assign(start, static_cast<std::size_t>(o - start));
    return true;
}

std::size_t Cp932Table::singles() const {
    return static_cast<std::size_t>(
        std::count_if(single_.begin(), single_.end(), [](Entry e) { return e != 0; }));
}

std::size_t Cp932Table::pairs() const {
    return static_cast<std::size_t>(
        std::count_if(pair_.begin(), pair_.end(), [](Entry e) { return e != 0; }));
}

}  // namespace romshelf::text
