#include "core/rename/DatFields.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

namespace romshelf::test {
namespace {

TEST(DatFieldsTest, ReadsOneFieldPerGameKeyedByCrc) {
    TempFolder dir;
    const std::string path = dir.write("genre.dat",
                                       "clrmamepro (\n"
                                       "\tname \"Nintendo - Nintendo Entertainment System\"\n"
                                       "\tdescription \"Genre\"\n"
                                       ")\n\n"
                                       "game (\n"
                                       "\tcomment \"Dragon Quest (Japan)\"\n"
                                       "\tgenre \"Role-Playing\"\n"
                                       "\trom ( crc 44AA3EEB )\n"
                                       ")\n"
                                       "game ( comment \"Tetris (USA)\" genre \"Puzzle\" "
                                       "rom ( crc 6D72C53A size 49168 ) )\n");
    std::string error;
    const auto games = readFieldDat(path, error);
    ASSERT_TRUE(games) << error;
    ASSERT_EQ(games->size(), 2u);
    EXPECT_EQ((*games)[0].name, "Dragon Quest (Japan)");
    EXPECT_EQ((*games)[0].genre, "Role-Playing");
    EXPECT_EQ((*games)[0].crc, 0x44AA3EEBu);
    EXPECT_FALSE((*games)[0].size);
    EXPECT_EQ((*games)[1].name, "Tetris (USA)");
    EXPECT_EQ((*games)[1].crc, 0x6D72C53Au);
    EXPECT_EQ((*games)[1].size, 49168u);
}

TEST(DatFieldsTest, ReadsEveryFieldAndTheSerials) {
    std::string error;
    const auto games = parseFieldDat(
        "game ( comment \"Ridge Racer (Japan)\" developer \"Namco\" publisher \"Namco\" "
        "franchise \"Ridge Racer\" releaseyear \"1994\" releasemonth 12 users 2 "
        "description \"A race\" serial \"SLPS-00001\" )\n"
        "game ( comment \"Two (Japan)\" rom ( serial \"SLPS-00002\" ) )\n",
        "x.dat", error);
    ASSERT_TRUE(games) << error;
    ASSERT_EQ(games->size(), 2u);
    const GameFacts& ridge = (*games)[0];
    EXPECT_EQ(ridge.developer, "Namco");
    EXPECT_EQ(ridge.publisher, "Namco");
    EXPECT_EQ(ridge.franchise, "Ridge Racer");
    EXPECT_EQ(ridge.releaseYear, 1994);
    EXPECT_EQ(ridge.releaseMonth, 12);
    EXPECT_EQ(ridge.users, 2);
    EXPECT_EQ(ridge.description, "A race");
    EXPECT_EQ(ridge.serial, "SLPS-00001");
    EXPECT_FALSE(ridge.crc);
    EXPECT_EQ((*games)[1].serial, "SLPS-00002");
}

TEST(DatFieldsTest, NumbersThatDoNotReadAreAbsent) {
    std::string error;
    const auto games = parseFieldDat(
        "game ( comment \"A\" releaseyear \"198x\" users \"-1\" rom ( crc 1234567 ) )", "x.dat",
        error);
    ASSERT_TRUE(games) << error;
    ASSERT_EQ(games->size(), 1u);
    EXPECT_FALSE((*games)[0].releaseYear);
    EXPECT_FALSE((*games)[0].users);
    EXPECT_FALSE((*games)[0].crc);  // seven digits are no CRC-32
}

TEST(DatFieldsTest, BrokenTextIsRefusedNamingTheFile) {
    TempFolder dir;
    std::string error;
    EXPECT_FALSE(readFieldDat(dir.write("open.dat", "game ( comment \"A\" genre \"B\" "), error));
    EXPECT_NE(error.find("open.dat"), std::string::npos);
    EXPECT_FALSE(readFieldDat(dir.write("quote.dat", "game ( comment \"A )"), error));
    EXPECT_NE(error.find("quote.dat"), std::string::npos);
    EXPECT_FALSE(readFieldDat(dir.file("none.dat"), error));
    EXPECT_NE(error.find("none.dat"), std::string::npos);
}

// A ROM DAT in XML carries no game facts: the message says which files do.
TEST(DatFieldsTest, AnXmlDatIsToldApart) {
    std::string error;
    EXPECT_FALSE(
        parseFieldDat("\xEF\xBB\xBF\n  <?xml version=\"1.0\"?><datafile/>", "FC.dat", error));
    EXPECT_NE(error.find("「FC.dat」はXML形式です"), std::string::npos) << error;
}

}  // namespace
}  // namespace romshelf::test
