#pragma once

#include <string>
#include <string_view>

namespace romshelf {

// The letter group of a file list cell, for the pad's shoulders that jump from group to group:
// its first character as the sort sees it. Sorted by Japanese collation (the kana option off),
// letters that sort as one are one group: a letter whatever its case and width ("a", "Ａ" and
// "A" are "A"), a kana whatever its script, width, size or voicing ("が", "カ", "ｶ" and "ヵ" are
// "カ"), and every digit and sign one group "#", since they all sort before the letters. Sorted
// byte by byte (the kana option on) the first character is its own group as it is. Leading
// blanks are skipped; an empty cell is group "".
std::string letterGroup(std::string_view cell, bool kanaSensitive);

}  // namespace romshelf
