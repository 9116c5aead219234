#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Text conversions between the UTF-8 held in memory and the CP932 (Shift-JIS) kept on disk.
namespace romshelf::text {

// The CP932 bytes of a UTF-8 text, or nullopt when some character has no CP932 form
// (or would not come back unchanged).
std::optional<std::string> toCp932(std::string_view utf8);

// CP932 bytes to UTF-8. Bytes that are not CP932 become the private-use characters
// U+F700 + byte, which toCp932 turns back into the same bytes.
std::string fromCp932(std::string_view cp932);
inline constexpr char32_t kEscapedByteBase = 0xF700;
// The same through ICU's converter alone: what fromCp932's table was made from and stands in for.
std::string fromCp932ThroughConverter(std::string_view cp932);

// True when the bytes are well-formed CP932 (every lead byte has its trail byte, and every
// character is mapped).
bool isValidCp932(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);

// The marker that starts a data-file string holding UTF-8 instead of CP932.
inline constexpr std::string_view kUtf8Marker = "\xEF\xBB\xBF";

// A data-file string: CP932 when every character fits, else the marker and the UTF-8.
std::string encodeDataString(std::string_view utf8);
std::string decodeDataString(std::string_view bytes);

// A whole text file: CP932 when every character fits, else UTF-8 with a byte-order mark.
std::string encodeTextFile(std::string_view utf8);
// A byte-order mark means UTF-8; otherwise CP932, unless the bytes are no CP932 but valid UTF-8.
std::string decodeTextFile(std::string_view bytes);

// The on-disk (CP932) form of a text, used for the program's byte orders and byte limits.
inline std::string cp932Form(std::string_view utf8) { return encodeDataString(utf8); }

// Full Unicode upper-casing (full-width letters too); used for case-blind search.
std::string toUpper(std::string_view utf8);

// Shortens a UTF-8 text so that its CP932 form takes at most maxBytes, cutting only between
// characters.
std::string truncateToCp932Bytes(std::string_view utf8, std::size_t maxBytes);

// Japanese collation that sees no difference between hiragana and katakana.
// One instance per thread; sort keys compare with plain byte comparison.
class JapaneseCollator {
public:
    JapaneseCollator();
    ~JapaneseCollator();
    JapaneseCollator(const JapaneseCollator&) = delete;
    JapaneseCollator& operator=(const JapaneseCollator&) = delete;

    std::string sortKey(std::string_view utf8) const;
    // Appends the key to `out` (without allocating when `out` has room).
    void appendSortKey(std::string_view utf8, std::string& out) const;
    int compare(std::string_view a, std::string_view b) const;
    // Names the collation rules the keys come from: keys remembered under another stamp (another
    // ICU, other rules) would sort differently and must not be mixed with these.
    std::string versionStamp() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Katakana (full-width, U+30A1..U+30F6) turned into the matching hiragana.
std::u16string foldKatakanaToHiragana(std::u16string text);

}  // namespace romshelf::text
