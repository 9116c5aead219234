#include "core/text/TextCodec.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include "core/text/Cp932Table.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace romshelf::text;

namespace {
// "ファミコン" and "あいう" in CP932.
const std::string kFamicomCp932 = "\x83\x74\x83\x40\x83\x7E\x83\x52\x83\x93";
const std::string kAiuCp932 = "\x82\xA0\x82\xA2\x82\xA4";
const std::string kMark = "\xEF\xBB\xBF";
}  // namespace

// UTF-8 well-formed as Unicode defines it (no overlong forms, no surrogates, nothing above
// U+10FFFF, nothing cut short), against ICU's own reading of it: every one- and two-byte
// sequence, and every three- and four-byte one built of the bytes at the edges of the ranges,
// alone and behind eight letters (checked a word at a time first).
TEST(TextCodec, WellFormedUtf8IsWhatIcuReadsWithoutError) {
    const auto icuValid = [](const std::string& bytes) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = 0;
        u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()),
                      &status);
        return status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status) || bytes.empty();
    };
    std::size_t valid = 0, checked = 0;
    const auto check = [&](const std::string& bytes) {
        const bool expected = icuValid(bytes);
        valid += expected;
        ++checked;
        EXPECT_EQ(isValidUtf8(bytes), expected) << testing::PrintToString(bytes);
        EXPECT_EQ(isValidUtf8("abcdefgh" + bytes + "z"), expected) << testing::PrintToString(bytes);
        // Between Japanese characters and ASCII runs, where the check takes its short cuts.
        EXPECT_EQ(isValidUtf8("ア" + bytes + "zz"), expected) << testing::PrintToString(bytes);
        EXPECT_EQ(isValidUtf8("z" + bytes + "アイ"), expected) << testing::PrintToString(bytes);
    };
    for (int a = 0; a < 256; ++a) {
        check(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b) check({static_cast<char>(a), static_cast<char>(b)});
    }
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                   0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                   0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
    for (unsigned char a : edges)
        for (unsigned char b : edges)
            for (unsigned char c : edges) {
                const std::string three{static_cast<char>(a), static_cast<char>(b),
                                        static_cast<char>(c)};
                check(three);
                for (unsigned char d : edges) check(three + static_cast<char>(d));
            }
    // Both answers are well represented.
    EXPECT_GT(valid, checked / 40);
    EXPECT_LT(valid, checked / 2);
    EXPECT_TRUE(isValidUtf8("スーパーマリオ 12 (J) \U0001F3AE.sfc"));
    EXPECT_FALSE(isValidUtf8("スーパーマリオ\xE3\x83"));  // cut short at the end
}

TEST(TextCodec, DataStringsAreCp932OrMarkedUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        // text, as stored
        {"ファミコン", kFamicomCp932},
        {"abc [!] (J).nes", "abc [!] (J).nes"},
        {"", ""},
        {"ｱＡ", "\xB1\x82\x60"},       // half-width katakana take one byte, full-width letters two
        {"\uFF5E", "\x81\x60"},        // the full-width tilde is CP932's...
        {"\u301C", kMark + "\u301C"},  // ...the wave dash typed on Linux is not
        {"한국", kMark + "한국"},
        {"ゲーム \u301C 한국 🎮", kMark + "ゲーム \u301C 한국 🎮"},  // mixed text: escaped whole
        // Private-use text typed by the user, though it looks like escaped bytes ("A" and a lone
        // lead byte would read back as other text).
        {"\uF741\uF781", kMark + "\uF741\uF781"},
    };
    for (const auto& [text, stored] : cases) {
        EXPECT_EQ(encodeDataString(text), stored) << text;
        EXPECT_EQ(decodeDataString(stored), text) << text;
    }
    EXPECT_FALSE(toCp932("\xFF\xFE bad utf8").has_value());
    // Malformed UTF-8 in memory is never written behind the marker as is.
    EXPECT_TRUE(isValidUtf8(std::string_view(encodeDataString("a\xC3")).substr(3)));
}

TEST(TextCodec, BytesThatAreNotCp932ComeBackUnchanged) {
    // Stray bytes in a file written by another program are kept, not replaced.
    for (const std::string& bytes :
         {std::string("A\x83"), std::string("\x80"), std::string("\xA0x"),
          std::string("\xFD\xFE\xFF"), std::string("\x81 end"), std::string("\x85\x40"),
          std::string("\x82\xA0\x80\x82\xA2")}) {
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
    EXPECT_EQ(encodeTextFile("한국\n"), kMark + "한국\n");
    EXPECT_EQ(decodeTextFile(kMark + "한국\n"), "한국\n");
    EXPECT_EQ(decodeTextFile(kAiuCp932), "あいう");
    // UTF-8 without a mark is taken as UTF-8 when it is not CP932.
    EXPECT_EQ(decodeTextFile("ゲーム\n"), "ゲーム\n");
}

TEST(TextCodec, StrayBytesNeverMakeAFileLookLikeAnotherEncoding) {
    // EF BF is no CP932 character: read as two kept bytes, and FA 4A as "Ⅰ", which Windows
    // writes as 87 54. Written back as CP932 the bytes EF BF 87 would be well-formed UTF-8.
    const std::string odd = "\xEF\xBF\xFA\x4AIPS\n";
    const std::string text = decodeTextFile(odd);
    EXPECT_EQ(text, "\uF7EF\uF7BF\u2160IPS\n");
    EXPECT_EQ(decodeTextFile(encodeTextFile(text)), text);
    // Kept bytes that spell the UTF-8 marker must not be taken for it.
    const std::string markerBytes = "\uF7EF\uF7BBｿ";  // BF alone is a half-width kana
    ASSERT_EQ(decodeDataString("x\xEF\xBB\xBF"), "x" + markerBytes);
    EXPECT_EQ(decodeDataString(encodeDataString(markerBytes)), markerBytes);
    EXPECT_EQ(decodeTextFile(encodeTextFile(markerBytes)), markerBytes);
    // Kept bytes that read as neither stay bytes: the file is what it was.
    EXPECT_EQ(encodeTextFile(decodeTextFile("\x81\x20"
                                            "ab")),
              "\x81\x20"
              "ab");
}

TEST(TextCodec, UpperCasingAndTruncation) {
    EXPECT_EQ(toUpper("abc xyz"), "ABC XYZ");
    EXPECT_EQ(toUpper("ｍａｒｉｏ"), "ＭＡＲＩＯ");
    EXPECT_EQ(toUpper("straße"), "STRASSE");
    EXPECT_EQ(toUpper("ぱっくまん"), "ぱっくまん");
    // "あいう" takes 6 bytes in CP932: 5 bytes keep two whole characters.
    EXPECT_EQ(truncateToCp932Bytes("あいう", 5), "あい");
    EXPECT_EQ(truncateToCp932Bytes("あいう", 6), "あいう");
    EXPECT_EQ(truncateToCp932Bytes("あいう", 1), "");
    EXPECT_EQ(truncateToCp932Bytes("한국", 6), "한");  // escaped text counts its marker
}

TEST(TextCodec, CollationIgnoresKanaTypeButByteOrderSeesIt) {
    JapaneseCollator c;
    EXPECT_EQ(c.sortKey("アイス"), c.sortKey("あいす"));
    EXPECT_EQ(c.compare("アイス", "あいす"), 0);
    EXPECT_LT(c.compare("カキ", "さくら"), 0);
    std::vector<std::string> names = {"さくら", "アイス", "かき", "Zelda", "adventure"};
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return c.sortKey(a) < c.sortKey(b);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"adventure", "Zelda", "アイス", "かき", "さくら"}));
    // In CP932 every hiragana sorts before every katakana: the kana-sensitive order.
    EXPECT_LT(cp932Form("ん"), cp932Form("ア"));
    EXPECT_NE(cp932Form("アイス"), cp932Form("あいす"));
}

// CP932 is read by a table made from ICU's converter, which it must match byte for byte: every
// single byte and every pair of bytes, alone, between letters and doubled, and longer texts of
// both kinds, with escaped bytes, codes cut short and lead bytes before ASCII among them.
TEST(TextCodec, Cp932ReadByTableIsWhatTheConverterReads) {
    std::size_t checked = 0;
    const auto same = [&](const std::string& bytes) {
        ++checked;
        EXPECT_EQ(fromCp932(bytes), fromCp932ThroughConverter(bytes))
            << testing::PrintToString(bytes);
    };
    for (int a = 0x80; a < 0x100; ++a) {
        const std::string one(1, static_cast<char>(a));
        same(one);
        same("x" + one + "y");
        for (int b = 0; b < 0x100; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            same(two);
            same("A" + two + "B");
            same(two + two);
        }
    }
    EXPECT_GT(checked, 98000u);
    // Known characters, as Windows reads them.
    EXPECT_EQ(fromCp932(kFamicomCp932), "ファミコン");
    EXPECT_EQ(fromCp932("\xB6\xC0\xB6\xC5 " + kAiuCp932), "ｶﾀｶﾅ あいう");
    EXPECT_EQ(fromCp932("\x81\x60\x87\x54"), "\uFF5E\u2160");  // wave dash as Windows has it, Ⅰ
    EXPECT_EQ(fromCp932("\xED\x40"), fromCp932("\xFA\x5C"));   // an NEC-selected duplicate
    EXPECT_EQ(fromCp932("A\x83"), "A\uF783");                  // cut short: the byte kept
    EXPECT_EQ(fromCp932("\x83\x20"), "\uF783 ");

    // The table itself holds what CP932 has: ASCII but the swapped three, the half-width kana,
    // and the double-byte characters; nothing cut short.
    const Cp932Table table("windows-31j");
    EXPECT_GE(table.singles(), 124u + 63u);
    EXPECT_GT(table.pairs(), 7000u);
    EXPECT_LT(table.pairs(), 60u * 189u);
    std::string out;
    EXPECT_TRUE(table.decode(kFamicomCp932 + "\xB6 1", out));
    EXPECT_EQ(out, "ファミコンｶ 1");
    EXPECT_FALSE(table.decode("A\x83", out));
    EXPECT_FALSE(table.decode("\x83\x20", out));
    // A whole text file's worth, decoded in place rather than through the thread's buffer.
    std::string longText, longExpected;
    for (int i = 0; i < 8000; ++i) {
        longText += kFamicomCp932 + "\xB6 ";
        longExpected += "ファミコンｶ ";
    }
    ASSERT_GT(longText.size(), 64u * 1024);
    EXPECT_TRUE(table.decode(longText, out));
    EXPECT_EQ(out, longExpected);
    EXPECT_EQ(fromCp932(longText), longExpected);
    EXPECT_TRUE(table.decode(kFamicomCp932, out));  // and a short one after it
    EXPECT_EQ(out, "ファミコン");
}
