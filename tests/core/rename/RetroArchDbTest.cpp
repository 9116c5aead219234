#include "core/rename/RetroArchDb.h"

#include <gtest/gtest.h>

#include "RdbWriter.h"
#include "TempFolder.h"

namespace romshelf::test {
namespace {

// Two games as RetroArch's NES database holds them, with keys this program does not use.
const char* const kTwoGames =
    "[{'name': 'Super Mario Bros. (World)', 'description': 'Super Mario Bros. (World)',"
    "  'rom_name': 'Super Mario Bros. (World).nes', 'size': 40960,"
    "  'crc': bytes.fromhex('3337ec46'), 'md5': bytes(16), 'sha1': bytes(20),"
    "  'genre': 'Platform', 'developer': 'Nintendo R&D4', 'publisher': 'Nintendo',"
    "  'franchise': 'Mario', 'releaseyear': 1985, 'releasemonth': 9, 'users': 2,"
    "  'serial': b'NES-SM-USA', 'esrb_rating': 'E', 'rumble': 0},"
    " {'name': '\u30c6\u30c8\u30ea\u30b9 (Japan)', 'crc': bytes.fromhex('00ff10aa'),"
    "  'size': 32768, 'genre': 'Puzzle'}]";

TEST(RetroArchDbTest, ReadsEveryFieldOfAFileWrittenFromTheDescription) {
    TempFolder dir;
    const std::string path =
        writeRdb(dir, "Nintendo - Nintendo Entertainment System.rdb", kTwoGames);
    ASSERT_FALSE(path.empty()) << "/usr/bin/python3 with python3-msgpack is needed";
    std::string error;
    const auto games = readRetroArchDb(path, error);
    ASSERT_TRUE(games) << error;
    ASSERT_EQ(games->size(), 2u);
    const GameFacts& mario = (*games)[0];
    EXPECT_EQ(mario.name, "Super Mario Bros. (World)");
    EXPECT_EQ(mario.description, "Super Mario Bros. (World)");
    EXPECT_EQ(mario.romName, "Super Mario Bros. (World).nes");
    EXPECT_EQ(mario.size, 40960u);
    EXPECT_EQ(mario.crc, 0x3337EC46u);
    EXPECT_EQ(mario.genre, "Platform");
    EXPECT_EQ(mario.developer, "Nintendo R&D4");
    EXPECT_EQ(mario.publisher, "Nintendo");
    EXPECT_EQ(mario.franchise, "Mario");
    EXPECT_EQ(mario.releaseYear, 1985);
    EXPECT_EQ(mario.releaseMonth, 9);
    EXPECT_EQ(mario.users, 2);
    EXPECT_EQ(mario.serial, "NES-SM-USA");
    const GameFacts& tetris = (*games)[1];
    EXPECT_EQ(tetris.name, "\xE3\x83\x86\xE3\x83\x88\xE3\x83\xAA\xE3\x82\xB9 (Japan)");
    EXPECT_EQ(tetris.crc, 0x00FF10AAu);
    EXPECT_FALSE(tetris.users);
    EXPECT_TRUE(tetris.developer.empty());
}

TEST(RetroArchDbTest, AnEmptyDatabaseHasNoGames) {
    TempFolder dir;
    const std::string path = writeRdb(dir, "empty.rdb", "[]");
    ASSERT_FALSE(path.empty());
    std::string error;
    const auto games = readRetroArchDb(path, error);
    ASSERT_TRUE(games) << error;
    EXPECT_TRUE(games->empty());
}

// A refusal, never a crash: the message names the file.
void expectRefused(const std::string& path, const std::string& name) {
    ASSERT_FALSE(path.empty()) << "/usr/bin/python3 with python3-msgpack is needed";
    std::string error;
    EXPECT_FALSE(readRetroArchDb(path, error)) << name;
    EXPECT_NE(error.find(name), std::string::npos) << error;
}

TEST(RetroArchDbTest, AnOffsetThatLiesIsRefused) {
    TempFolder dir;
    expectRefused(writeRdb(dir, "beyond.rdb", kTwoGames, "None", "1 << 62"), "beyond.rdb");
    expectRefused(writeRdb(dir, "inside.rdb", kTwoGames, "None", "20"), "inside.rdb");
    expectRefused(writeRdb(dir, "header.rdb", kTwoGames, "None", "3"), "header.rdb");
}

TEST(RetroArchDbTest, ACountThatDisagreesIsRefused) {
    TempFolder dir;
    expectRefused(writeRdb(dir, "count.rdb", kTwoGames, "7"), "count.rdb");
    expectRefused(writeRdb(dir, "nocount.rdb", kTwoGames, "'two'"), "nocount.rdb");
}

TEST(RetroArchDbTest, ValuesOfTheWrongTypeAreRefused) {
    TempFolder dir;
    expectRefused(writeRdb(dir, "crc.rdb", "[{'name': 'A', 'crc': '3337EC46'}]"), "crc.rdb");
    expectRefused(writeRdb(dir, "crc5.rdb", "[{'name': 'A', 'crc': bytes(5)}]"), "crc5.rdb");
    expectRefused(writeRdb(dir, "size.rdb", "[{'name': 'A', 'size': '40960'}]"), "size.rdb");
    expectRefused(writeRdb(dir, "users.rdb", "[{'name': 'A', 'users': -1}]"), "users.rdb");
    expectRefused(writeRdb(dir, "name.rdb", "[{'name': 12}]"), "name.rdb");
    expectRefused(writeRdb(dir, "key.rdb", "[{1: 'A'}]"), "key.rdb");
    expectRefused(writeRdb(dir, "list.rdb", "[[1, 2]]"), "list.rdb");
    expectRefused(writeRdb(dir, "nested.rdb", "[{'name': {'en': 'A'}}]"), "nested.rdb");
}

TEST(RetroArchDbTest, TruncatedFilesAreRefused) {
    TempFolder dir;
    const std::string path = writeRdb(dir, "whole.rdb", kTwoGames);
    ASSERT_FALSE(path.empty());
    const std::string whole = dir.read("whole.rdb");
    // Cut everywhere but where a whole database ends.
    for (std::size_t size = 0; size + 1 < whole.size(); size += 7)
        expectRefused(dir.write("cut.rdb", whole.substr(0, size)), "cut.rdb");
}

// Hand-made headers that claim more than the file could hold.
std::string header(std::uint64_t offset) {
    std::string h("RARCHDB\0", 8);
    for (int shift = 56; shift >= 0; shift -= 8) h += static_cast<char>((offset >> shift) & 0xFF);
    return h;
}

TEST(RetroArchDbTest, ClaimsOfHugeMapsAndTextsAreRefusedUnallocated) {
    TempFolder dir;
    // A map32 of a billion entries, then a little: the offset points at the last byte.
    std::string map = header(16 + 9) + "\xDF\x3B\x9A\xCA\x00" + std::string(4, '\xC0') + "\x80";
    expectRefused(dir.write("map.rdb", map), "map.rdb");
    // A text32 of 4 GiB and an array32 of as many.
    std::string text = header(16 + 12) + "\x81\xA4name\xDB\xFF\xFF\xFF\xFF" + "ab\x80";
    expectRefused(dir.write("text.rdb", text), "text.rdb");
    std::string array = header(16 + 5) + "\xDD\xFF\xFF\xFF\xFF" + "\x80";
    expectRefused(dir.write("array.rdb", array), "array.rdb");
    // A binary crc of 4 GiB.
    std::string bin = header(16 + 10) +
                      "\x81\xA3"
                      "crc\xC6\xFF\xFF\xFF\xFF" +
                      "\x80";
    expectRefused(dir.write("bin.rdb", bin), "bin.rdb");
}

TEST(RetroArchDbTest, OtherFilesAreRefused) {
    TempFolder dir;
    expectRefused(dir.write("short.rdb", "RARCHDB"), "short.rdb");
    expectRefused(dir.write("magic.rdb", std::string("RARCHDX\0", 8) + std::string(8, '\0')),
                  "magic.rdb");
    std::string error;
    EXPECT_FALSE(readRetroArchDb(dir.file("missing.rdb"), error));
    EXPECT_NE(error.find("missing.rdb"), std::string::npos);
    EXPECT_FALSE(readRetroArchDb(dir.path(), error));
}

}  // namespace
}  // namespace romshelf::test
