// Other frontends' metadata files, written by hand from their formats' public descriptions.
#include "core/database/FrontendMetadata.h"

#include <gtest/gtest.h>

namespace romshelf {
namespace {

TEST(FrontendMetadata, AnEsdeGamelistReadsItsGames) {
    const std::string xml = R"(<?xml version="1.0"?>
<gameList>
	<folder>
		<path>./Hacks</path>
		<name>Hacks</name>
	</folder>
	<game>
		<path>./Super Mario Bros. (World).zip</path>
		<name>Super Mario Bros.</name>
		<desc>Mario and Luigi save the princess.
Second line.</desc>
		<rating>0.9</rating>
		<releasedate>19850913T000000</releasedate>
		<developer>Nintendo</developer>
		<genre>Platform</genre>
		<favorite>true</favorite>
		<playcount>5</playcount>
		<lastplayed>20231005T120000</lastplayed>
	</game>
	<game>
		<path>./sub/Zelda.nes</path>
		<name>The Legend of Zelda</name>
		<rating>0.5</rating>
		<favorite>false</favorite>
	</game>
	<game><name>No path</name><rating>7</rating></game>
</gameList>
)";
    EXPECT_EQ(detectFrontendFormat("\xEF\xBB\xBF  \n" + xml), FrontendFormat::EsDe);
    std::string error;
    const auto games = readEsdeGamelist(xml, error);
    ASSERT_TRUE(games) << error;
    ASSERT_EQ(games->size(), 3u);
    EXPECT_EQ((*games)[0], (FrontendGame{{"./Super Mario Bros. (World).zip"},
                                         "Super Mario Bros.",
                                         "Mario and Luigi save the princess.\nSecond line.",
                                         "Platform",
                                         5,  // 0.9 of five stars, rounded
                                         true,
                                         5,
                                         "20231005T120000"}));
    EXPECT_EQ(std::tuple((*games)[1].paths, (*games)[1].stars, (*games)[1].favourite),
              std::tuple(std::vector<std::string>{"./sub/Zelda.nes"}, 3, false));
    // A rating beyond the scale is no rating.
    EXPECT_EQ(std::tuple((*games)[2].paths.empty(), (*games)[2].stars.has_value()),
              std::tuple(true, false));

    for (const char* refused :
         {"<gameList><game>", "<datafile/>", "<!DOCTYPE gameList [<!ENTITY a \"b\">]><gameList/>"})
        EXPECT_FALSE(readEsdeGamelist(refused, error)) << refused;
}

TEST(FrontendMetadata, APegasusFileReadsItsGames) {
    const std::string text =
        "collection: Nintendo Entertainment System\n"
        "shortname: nes\n"
        "extensions: nes, zip\n"
        "\n"
        "game: Super Mario Bros.\n"
        "file: Super Mario Bros. (World).zip\n"
        "rating: 90%\n"
        "genre: Platform, Action\n"
        "description:\n"
        "  Mario and Luigi\n"
        "  save the princess.\n"
        "  .\n"
        "  Second paragraph.\r\n"
        "\n"
        "# a comment line\n"
        "game: Zelda\n"
        "files:\n"
        "  Zelda (Disk 1).fds\n"
        "\tZelda (Disk 2).fds\n"
        "x-favorite: true\n"
        "developer: Nintendo\n";
    EXPECT_EQ(detectFrontendFormat(text), FrontendFormat::Pegasus);
    std::string error;
    const auto games = readPegasusMetadata(text, error);
    ASSERT_TRUE(games) << error;
    ASSERT_EQ(games->size(), 2u);
    EXPECT_EQ((*games)[0], (FrontendGame{{"Super Mario Bros. (World).zip"},
                                         "Super Mario Bros.",
                                         "Mario and Luigi save the princess.\nSecond paragraph.",
                                         "Platform",
                                         5,
                                         std::nullopt,
                                         std::nullopt,
                                         ""}));
    EXPECT_EQ(
        std::tuple((*games)[1].name, (*games)[1].paths, (*games)[1].favourite),
        std::tuple("Zelda", std::vector<std::string>{"Zelda (Disk 1).fds", "Zelda (Disk 2).fds"},
                   true));
    EXPECT_FALSE(readPegasusMetadata("just words without keys", error));
    EXPECT_FALSE(readPegasusMetadata("", error));
}

}  // namespace
}  // namespace romshelf
