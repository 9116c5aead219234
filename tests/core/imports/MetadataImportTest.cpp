#include <gtest/gtest.h>

#include <ctime>

#include "AppChecks.h"
#include "core/imports/MetadataImport.h"

namespace romshelf {
namespace {

constexpr const char* kGamelist = R"(<?xml version="1.0"?>
<gameList>
	<game>
		<path>./Super Mario Bros. (World).zip</path>
		<name>Super Mario Bros.</name>
		<desc>Mario and Luigi.
Second line.</desc>
		<rating>0.9</rating>
		<genre>Platform</genre>
		<favorite>true</favorite>
		<playcount>3</playcount>
		<lastplayed>20231005T120000</lastplayed>
	</game>
	<game><path>./sub/Zelda.nes</path><name>The Legend of Zelda</name><rating>0.6</rating></game>
	<game><path>./Missing.nes</path><name>Not here</name></game>
	<game><name>No path</name></game>
</gameList>
)";

struct MetadataImportTest : test::AppChecks {
    MetadataImportTest() {
        setUpHardware("FC");
        dir.write("roms/FC/Super Mario Bros. (World).nes", "smb");
        dir.write("roms/FC/Zelda.nes", "zelda");
        RomRecord zelda = record("Zelda");
        zelda.comment = "mine";
        zelda.rating = 2;
        writeRecords("FC", {zelda});
        dir.write("gamelist.xml", kGamelist);
    }
    RomRecord saved(const std::string& title) {
        const RomTable table = savedRecords("FC");
        const int i = table.findRecordByTitle(title);
        EXPECT_GE(i, 0) << title;
        return i < 0 ? RomRecord{} : table[i];
    }
};

TEST_F(MetadataImportTest, AGamelistFillsTheEmptyFieldsOfTheListedFilesRecords) {
    start("FC");
    std::string error;
    const auto result = importFrontendMetadata(app, dir.file("gamelist.xml"), false, error);
    ASSERT_TRUE(result) << error;
    EXPECT_EQ(std::tuple(result->matched, result->unmatched, result->skipped), std::tuple(2, 1, 1));
    EXPECT_EQ(result->unmatchedNames, std::vector<std::string>{"./Missing.nes"});
    // Found by its title: the gamelist names the zip the user has since unpacked.
    const RomRecord smb = saved("Super Mario Bros. (World)");
    EXPECT_EQ(std::tuple(smb.gameName, smb.reading, smb.comment, smb.rating, smb.classes[0],
                         smb.favourite),
              std::tuple("Super Mario Bros.", "Super Mario Bros.",
                         "Mario and Luigi.\r\nSecond line.", 5, "Platform", true));
    // What the user wrote stays; the empty name is filled.
    const RomRecord zelda = saved("Zelda");
    EXPECT_EQ(std::tuple(zelda.gameName, zelda.comment, zelda.rating),
              std::tuple("The Legend of Zelda", "mine", 2));
    EXPECT_EQ(app.categoryLists().items[0], std::vector<std::string>{"Platform"});
    ASSERT_FALSE(result->backupPath.empty());
    EXPECT_TRUE(std::filesystem::exists(result->backupPath));

    // The plays ES-DE counted are in the play history, the last at its local time.
    std::tm noon{};
    noon.tm_year = 2023 - 1900, noon.tm_mon = 9, noon.tm_mday = 5, noon.tm_hour = 12;
    noon.tm_isdst = -1;
    const PlayKey key = app.playKey("FC", 0, "Super Mario Bros. (World).nes");
    EXPECT_EQ(app.playHistory().stats(key),
              (PlayStats{3, 0, static_cast<long long>(std::mktime(&noon))}));

    // Overwriting takes the file's values over the user's where it gives one; the plays are not
    // counted twice.
    ASSERT_TRUE(importFrontendMetadata(app, dir.file("gamelist.xml"), true, error));
    EXPECT_EQ(std::tuple(saved("Zelda").comment, saved("Zelda").rating), std::tuple("mine", 3));
    EXPECT_EQ(app.playHistory().stats(key).count, 3);
}

TEST_F(MetadataImportTest, TheCommandAsksAndTellsTheCounts) {
    dir.write("metadata.pegasus.txt",
              "collection: NES\n\ngame: Zelda 1\nfile: Zelda.nes\nrating: 100%\n"
              "description:\n  A sword.\n");
    start("FC");
    prompter.pickFile(dir.file("metadata.pegasus.txt"));
    prompter.answer(false);  // only the empty fields
    ASSERT_TRUE(importFrontendMetadataCommand(app));
    EXPECT_NE(lastBox().find("情報を読み込んだファイル数 : 1"), std::string::npos) << lastBox();
    EXPECT_EQ(std::tuple(saved("Zelda").gameName, saved("Zelda").rating), std::tuple("Zelda 1", 2));

    dir.write("broken.txt", "no keys here");
    prompter.clear();
    prompter.pickFile(dir.file("broken.txt"));
    prompter.answer(false);
    EXPECT_FALSE(importFrontendMetadataCommand(app));
    EXPECT_NE(lastBox().find("Pegasus"), std::string::npos) << lastBox();
}

}  // namespace
}  // namespace romshelf
