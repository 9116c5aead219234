#include "core/text/SearchFold.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

#include "core/text/TextCodec.h"

namespace romshelf::text {

namespace {

// Half-width U+FF61 (｡) … U+FF9D (ﾝ) as full-width; the two voiced marks after them are joined
// to the kana before them, or stand as ゛ and ゜.
constexpr char16_t kHalfWidth[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3};
static_assert(std::size(kHalfWidth) == 0xFF9D - 0xFF61 + 1);

constexpr char32_t kDakuten = 0x309B;     // ゛
constexpr char32_t kHandakuten = 0x309C;  // ゜

// ゛ or ゜ for the four forms of each mark (half-width, combining and spacing); 0 otherwise.
char32_t voicedMark(char32_t c) {
    if (c == 0xFF9E || c == 0x3099 || c == kDakuten) return kDakuten;
    if (c == 0xFF9F || c == 0x309A || c == kHandakuten) return kHandakuten;
    return 0;
}

// The katakana `kana` with the mark joined (ガ for カ and ゛), or 0 when there is no such kana.
char32_t joinMark(char32_t kana, char32_t mark) {
    const bool dakuten = mark == kDakuten;
    if ((kana >= 0x30AB && kana <= 0x30C2 && kana % 2 == 1) ||  // カ … チ
        (kana >= 0x30C4 && kana <= 0x30C8 && kana % 2 == 0))    // ツ テ ト
        return dakuten ? kana + 1 : 0;
    if (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0)  // ハ ヒ フ ヘ ホ
        return dakuten ? kana + 1 : kana + 2;
    if (!dakuten) return 0;
    if (kana == 0x30A6) return 0x30F4;                                    // ヴ
    if (kana >= 0x30EF && kana <= 0x30F2) return kana - 0x30EF + 0x30F7;  // ヷ ヸ ヹ ヺ
    if (kana == 0x30FD) return 0x30FE;                                    // ヾ
    return 0;
}

// Every form of a character that the search sees as one, as that one (before upper-casing).
char32_t foldOne(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) return c - 0xFF01 + 0x21;  // full-width ASCII
    if (c == 0x3000) return 0x20;                              // full-width space
    if (c >= 0x3041 && c <= 0x3096) return c + 0x60;           // hiragana
    if (c == 0x309D || c == 0x309E) return c + 0x60;           // ゝ ゞ
    // 〜 is the CP932 wave dash as other tables and input methods give it (CP932 names read as ～).
    if (c == 0x301C) return '~';
    if (c >= 0xFF61 && c <= 0xFF9D) return kHalfWidth[c - 0xFF61];
    if (const char32_t mark = voicedMark(c)) return mark;
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void searchFold(std::string_view utf8, std::string& out) {
    out.clear();
    const auto* s = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<std::int32_t>(utf8.size());
    bool otherCase = false;  // a letter beyond ASCII: upper-cased by ICU at the end
    for (std::int32_t i = 0; i < length;) {
        if (s[i] < 0x80) {
            const char a = static_cast<char>(s[i++]);
            out += a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a;
            continue;
        }
        const std::int32_t start = i;
        UChar32 read;
        U8_NEXT(s, i, length, read);
        if (read < 0) {  // a byte that is no UTF-8 stays, to match itself only
            out.append(
                utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
            continue;
        }
        char32_t c = foldOne(static_cast<char32_t>(read));
        if (c >= 0x30A1 && c <= 0x30FD && i < length) {
            std::int32_t next = i;
            UChar32 after;
            U8_NEXT(s, next, length, after);
            if (const char32_t mark = after > 0 ? voicedMark(static_cast<char32_t>(after)) : 0)
                if (const char32_t joined = joinMark(c, mark)) {
                    c = joined;
                    i = next;
                }
        }
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';  // from a full-width letter
        if (c >= 0x80 && (c < 0x3000 || c > 0x9FFF) &&
            u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_CHANGES_WHEN_UPPERCASED))
            otherCase = true;
        appendUtf8(out, c);
    }
    if (otherCase) out = toUpper(out);
}

std::string searchFold(std::string_view utf8) {
    std::string out;
    searchFold(utf8, out);
    return out;
}

}  // namespace romshelf::text
