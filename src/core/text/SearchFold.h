#pragma once

#include <string>
#include <string_view>

namespace romshelf::text {

// The form in which the file search compares texts, so that a name matches however it was
// typed: letters upper-cased, full-width letters, digits and signs as their ASCII forms (the
// wave dash 〜 too, as ~ like ～), half-width katakana as full-width (ｶﾞ as ガ, the voiced mark
// joined), hiragana as katakana.
// Only for comparing: the texts kept and shown stay as they are.
std::string searchFold(std::string_view utf8);
// The same into `out`, whose room is reused (one fold per name, without allocating).
void searchFold(std::string_view utf8, std::string& out);

}  // namespace romshelf::text
