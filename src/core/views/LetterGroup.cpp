#include "core/views/LetterGroup.h"

#include <cstdint>

namespace romshelf {

namespace {

// The code point at the start of `text` and its length; a broken byte is taken alone.
char32_t firstCodePoint(std::string_view text, std::size_t& length) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = b(0);
    std::size_t n = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 1;
    if (n > text.size()) n = 1;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) n = 1;
    length = n;
    if (n == 1) return lead;
    char32_t cp = lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) cp = (cp << 6) | (b(i) & 0x3F);
    return cp;
}

void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Half-width katakana U+FF66..U+FF9D as their full-width letters.
constexpr char16_t kHalfWidthKana[] = {
    u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ', u'ョ', u'ッ', u'ー', u'ア',
    u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ', u'サ', u'シ', u'ス',
    u'セ', u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ', u'ネ', u'ノ',
    u'ハ', u'ヒ', u'フ', u'ヘ', u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ', u'ユ',
    u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ', u'ン'};

// A katakana letter without its voicing and at full size.
char32_t plainKatakana(char32_t cp) {
    switch (cp) {
        case U'ァ':
        case U'ィ':
        case U'ゥ':
        case U'ェ':
        case U'ォ':
        case U'ッ':
        case U'ャ':
        case U'ュ':
        case U'ョ':
        case U'ヮ':
            return cp + 1;
        case U'ヵ':
            return U'カ';
        case U'ヶ':
            return U'ケ';
        case U'ヴ':
            return U'ウ';
        case U'ヷ':
        case U'ヸ':
        case U'ヹ':
        case U'ヺ':
            return U'ワ' + (cp - U'ヷ');
        default:
            break;
    }
    // カ..ヂ and ツ..ド alternate plain and voiced; ハ..ポ go plain, voiced, half-voiced.
    if (cp >= U'カ' && cp <= U'ヂ') return cp - (cp - U'カ') % 2;
    if (cp >= U'ツ' && cp <= U'ド') return cp - (cp - U'ツ') % 2;
    if (cp >= U'ハ' && cp <= U'ポ') return cp - (cp - U'ハ') % 3;
    return cp;
}

bool isSign(char32_t cp) {
    if (cp < 0x80) return !((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z'));
    return (cp >= 0xFF01 && cp <= 0xFF20) || (cp >= 0xFF3B && cp <= 0xFF40) ||
           (cp >= 0xFF5B && cp <= 0xFF65) || (cp >= 0x3000 && cp <= 0x303F) ||
           (cp >= 0x2000 && cp <= 0x206F) || (cp >= 0x00A0 && cp <= 0x00BF);
}

}  // namespace

std::string letterGroup(std::string_view cell, bool kanaSensitive) {
    // Blanks, the ideographic one too, are not the text's first letter.
    for (;;) {
        if (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t')) {
            cell.remove_prefix(1);
        } else if (cell.substr(0, 3) == "\xE3\x80\x80") {
            cell.remove_prefix(3);
        } else {
            break;
        }
    }
    if (cell.empty()) return {};
    std::size_t length = 0;
    char32_t cp = firstCodePoint(cell, length);
    if (kanaSensitive) return std::string(cell.substr(0, length));
    if (isSign(cp)) return "#";
    if (cp >= 'a' && cp <= 'z') cp -= 'a' - 'A';
    if (cp >= 0xFF21 && cp <= 0xFF3A) cp = 'A' + (cp - 0xFF21);
    if (cp >= 0xFF41 && cp <= 0xFF5A) cp = 'A' + (cp - 0xFF41);
    if (cp >= 0xFF66 && cp <= 0xFF9D) cp = kHalfWidthKana[cp - 0xFF66];
    if (cp >= U'ぁ' && cp <= U'ゖ') cp += U'ァ' - U'ぁ';  // hiragana as katakana
    cp = plainKatakana(cp);
    std::string out;
    appendUtf8(cp, out);
    return out;
}

}  // namespace romshelf
