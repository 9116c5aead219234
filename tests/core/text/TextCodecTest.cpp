#include "core/text/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace romshelf::text;

namespace {
// "ファミコン" and "あいう" in CP932.
const std::string kFamicomCp932 = "\x83\x74\x83\x40\x83\x7E\x83\x52\x83\x93";
const std::string kAiuCp932 = "\x82\xA0\x82\xA2\x82\xA4";
}  // namespace

TEST(TextCodec, Cp932RoundTripsJapaneseAndAscii) {
    EXPECT_EQ(toCp932("ファミコン"), kFamicomCp932);
    EXPECT_EQ(fromCp932(kFamicomCp932), "ファミコン");
    EXPECT_EQ(toCp932("あいう"), kAiuCp932);
    EXPECT_EQ(toCp932("abc [!] (J).nes"), "abc [!] (J).nes");
    // Half-width katakana are single bytes; full-width letters are two.
    EXPECT_EQ(toCp932("ｱ")->size(), 1u);
    EXPECT_EQ(toCp932("Ａ")->size(), 2u);
    // The wave dash typed on Linux has no exact CP932 form (CP932 holds the full-width tilde).
    EXPECT_FALSE(toCp932("\u301C").has_value());
    EXPECT_TRUE(toCp932("\uFF5E").has_value());
    EXPECT_FALSE(toCp932("한국").has_value());
    EXPECT_FALSE(toCp932("\xFF\xFE bad utf8").has_value());
}

TEST(TextCodec, DataStringEscapesWhatCp932CannotHold) {
    EXPECT_EQ(encodeDataString("ファミコン"), kFamicomCp932);
    EXPECT_EQ(encodeDataString("한국"), "\xEF\xBB\xBF" "한국");
    EXPECT_EQ(decodeDataString("\xEF\xBB\xBF" "한국"), "한국");
    EXPECT_EQ(decodeDataString(kFamicomCp932), "ファミコン");
    EXPECT_EQ(encodeDataString(""), "");
    // Mixed text: escaped whole, comes back whole.
    const std::string mixed = "ゲーム \u301C 한국 🎮";
    EXPECT_EQ(decodeDataString(encodeDataString(mixed)), mixed);
    // Malformed UTF-8 in memory is never written behind the marker as is.
    std::string enc = encodeDataString("a\xC3");
    EXPECT_TRUE(isValidUtf8(std::string_view(enc).substr(3)));
}

TEST(TextCodec, BytesThatAreNotCp932ComeBackUnchanged) {
    // Stray bytes in a file written by another program are kept, not replaced.
    for (const std::string& bytes : {std::string("A\x83"), std::string("\x80"), std::string("\xA0x"),
                                    std::string("\xFD\xFE\xFF"), std::string("\x81 end"),
                                    std::string("\x85\x40"), std::string("\x82\xA0\x80\x82\xA2")}) {
        const std::string text = decodeDataString(bytes);
        EXPECT_TRUE(isValidUtf8(text));
        EXPECT_EQ(encodeDataString(text), bytes);
    }
    EXPECT_EQ(fromCp932("A\x83"), "A\uF783");
    // With a character CP932 cannot hold, the whole text is kept as UTF-8 instead.
    const std::string mixed = fromCp932("\x80") + "한";
    EXPECT_EQ(decodeDataString(encodeDataString(mixed)), mixed);
    // NEC-selected duplicates are read as their characters and written in the usual code, as
    // Windows itself writes them.
    EXPECT_EQ(decodeDataString("\xED\x40"), decodeDataString("\xFA\x5C"));
    EXPECT_EQ(encodeDataString(decodeDataString("\xED\x40")), "\xFA\x5C");
    // Characters that the converter would drop silently are never lost.
    for (const char* t : {"a\u200Bb", "\u00AD", "葛\U000E0100"})
        EXPECT_EQ(decodeDataString(encodeDataString(t)), t) << t;
}

TEST(TextCodec, TextFilesChooseTheirEncoding) {
    EXPECT_EQ(encodeTextFile("あいう\r\n"), kAiuCp932 + "\r\n");
    EXPECT_EQ(encodeTextFile("한국\n"), "\xEF\xBB\xBF" "한국\n");
    EXPECT_EQ(decodeTextFile("\xEF\xBB\xBF" "한국\n"), "한국\n");
    EXPECT_EQ(decodeTextFile(kAiuCp932), "あいう");
    // UTF-8 without a mark is taken as UTF-8 when it is not CP932.
    EXPECT_EQ(decodeTextFile("ゲーム\n"), "ゲーム\n");
}

TEST(TextCodec, UpperCasingCoversFullWidthLetters) {
    EXPECT_EQ(toUpper("abc xyz"), "ABC XYZ");
    EXPECT_EQ(toUpper("ｍａｒｉｏ"), "ＭＡＲＩＯ");
    EXPECT_EQ(toUpper("straße"), "STRASSE");
    EXPECT_EQ(toUpper("ぱっくまん"), "ぱっくまん");
}

TEST(TextCodec, TruncationKeepsWholeCharacters) {
    // "あいう" takes 6 bytes in CP932: 5 bytes keep two characters.
    EXPECT_EQ(truncateToCp932Bytes("あいう", 5), "あい");
    EXPECT_EQ(truncateToCp932Bytes("あいう", 6), "あいう");
    EXPECT_EQ(truncateToCp932Bytes("あいう", 1), "");
    // Escaped text counts its marker.
    EXPECT_EQ(truncateToCp932Bytes("한국", 6), "한");
}

TEST(TextCodec, CollationIgnoresKanaTypeButSortsJapanese) {
    JapaneseCollator c;
    EXPECT_EQ(c.sortKey("アイス"), c.sortKey("あいす"));
    EXPECT_EQ(c.compare("アイス", "あいす"), 0);
    EXPECT_LT(c.compare("あいす", "かき"), 0);
    EXPECT_LT(c.compare("カキ", "さくら"), 0);
    std::vector<std::string> names = {"さくら", "アイス", "かき", "Zelda", "adventure"};
    std::sort(names.begin(), names.end(),
              [&](const std::string& a, const std::string& b) { return c.sortKey(a) < c.sortKey(b); });
    EXPECT_EQ(names, (std::vector<std::string>{"adventure", "Zelda", "アイス", "かき", "さくら"}));
}

TEST(TextCodec, Cp932ByteOrderSeesKanaTypes) {
    // In CP932 every hiragana sorts before every katakana: the kana-sensitive order.
    EXPECT_LT(cp932Form("ん"), cp932Form("ア"));
    EXPECT_NE(cp932Form("アイス"), cp932Form("あいす"));
}
