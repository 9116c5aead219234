#include "core/views/LetterGroup.h"

#include <unicode/utf8.h>

#include <cstdint>

#include "core/text/SearchFold.h"

namespace romshelf {

namespace {

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

// After the search's folding: full-width signs are ASCII ones by then.
bool isSign(char32_t cp) {
    if (cp < 0x80) return !((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z'));
    return (cp >= 0x3000 && cp <= 0x303F) || (cp >= 0x2000 && cp <= 0x206F) ||
           (cp >= 0x00A0 && cp <= 0x00BF) || (cp >= 0xFF5F && cp <= 0xFF65) || cp == 0x30FB;
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
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(cell.data());
    const auto size = static_cast<std::int32_t>(cell.size());
    std::int32_t first = 0;
    U8_FWD_1(bytes, first, size);
    if (kanaSensitive) return std::string(cell.substr(0, static_cast<std::size_t>(first)));
    // The first letter and what may follow it as its voiced mark (ｶﾞ), folded as the search
    // folds names: case, width, hiragana as katakana.
    std::int32_t second = first;
    if (second < size) U8_FWD_1(bytes, second, size);
    const std::string folded = text::searchFold(cell.substr(0, static_cast<std::size_t>(second)));
    const auto* f = reinterpret_cast<const std::uint8_t*>(folded.data());
    std::int32_t i = 0;
    UChar32 cp = 0;
    U8_NEXT(f, i, static_cast<std::int32_t>(folded.size()), cp);
    if (cp < 0) return folded.substr(0, static_cast<std::size_t>(i));  // a byte of no UTF-8
    if (isSign(static_cast<char32_t>(cp))) return "#";
    const char32_t plain = plainKatakana(static_cast<char32_t>(cp));
    std::uint8_t out[U8_MAX_LENGTH];
    std::int32_t length = 0;
    U8_APPEND_UNSAFE(out, length, plain);
    return std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(length));
}

}  // namespace romshelf
