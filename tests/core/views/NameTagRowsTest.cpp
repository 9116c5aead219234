#include "core/views/NameTagRows.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "FileListFixture.h"
#include "core/views/FolderWindowModel.h"

using namespace romshelf;

namespace {

using V = std::vector<std::string>;

std::uint64_t regionBit(const char* name) { return std::uint64_t{1} << *text::regionNumber(name); }
std::uint64_t languageBit(const char* code) {
    return std::uint64_t{1} << *text::languageNumber(code);
}
std::vector<int> regions(const V& names) {
    std::vector<int> order;
    for (const auto& n : names) order.push_back(*text::regionNumber(n));
    return order;
}

struct NameTagRowsTest : romshelf::test::FileListFixture {
    // The listed file names in display order, joined by '|'.
    std::string files() const {
        std::string out;
        if (list.count() == 0) return out;
        for (const auto& row : list.rows())
            out += (out.empty() ? "" : "|") + std::string(row.fileName());
        return out;
    }
    std::string cells(int column) const {
        std::string out;
        for (const auto& row : list.rows()) out += (out.empty() ? "" : "|") + tagCell(row, column);
        return out;
    }
};

}  // namespace

TEST_F(NameTagRowsTest, RegionAndLanguageCells) {
    folder(0, "roms",
           {"Tetris (USA, Europe) (En,Ja).sfc", "Rockman (Japan).sfc", "Untagged.sfc",
            "Asterix (Europe) (En,Fr,De).sfc"});
    list.showAll(s);
    // Scan order is the names' byte order.
    EXPECT_EQ(files(),
              "Asterix (Europe) (En,Fr,De).sfc|Rockman (Japan).sfc|"
              "Tetris (USA, Europe) (En,Ja).sfc|Untagged.sfc");
    EXPECT_EQ(cells(kColumnRegion), "Europe|Japan|USA, Europe|");
    // Languages written, else those of the region: a Japanese release speaks Japanese.
    EXPECT_EQ(cells(kColumnLanguage), "En,Fr,De|Ja|En,Ja|");
    EXPECT_EQ(tagCell(list.rows()[1], 3), "");  // other columns are none of these
}

TEST_F(NameTagRowsTest, FiltersByRegionLanguageAndStatus) {
    folder(0, "roms",
           {"A (Japan).sfc", "B (USA).sfc", "C (Japan) (Beta).sfc", "D (Japan) [b].sfc",
            "E (Europe) (En,Ja).sfc", "F (Japan) (Proto).sfc", "G (Japan) (Demo).sfc",
            "H (Japan) (Sample).sfc", "I (Japan) (Unl).sfc", "J (Japan) (Pirate).sfc",
            "K (Japan) [!].sfc", "L (Japan) (Rev 1).sfc", "M.sfc"});
    s.tags.regions = regionBit("Japan");
    list.showAll(s);
    EXPECT_EQ(files(),
              "A (Japan).sfc|C (Japan) (Beta).sfc|D (Japan) [b].sfc|F (Japan) (Proto).sfc|"
              "G (Japan) (Demo).sfc|H (Japan) (Sample).sfc|I (Japan) (Unl).sfc|"
              "J (Japan) (Pirate).sfc|K (Japan) [!].sfc|L (Japan) (Rev 1).sfc");
    EXPECT_EQ(list.title(), "スーパーファミコン : 全ファイル / Japan (ファイル数 : 10)");

    // A verified dump and a revision are no status; the others are.
    s.tags.noStatus = true;
    list.showAll(s);
    EXPECT_EQ(files(), "A (Japan).sfc|K (Japan) [!].sfc|L (Japan) (Rev 1).sfc");

    // Japanese spoken: by the region's language, or written.
    s.tags = {};
    s.tags.languages = languageBit("Ja");
    s.tags.noStatus = true;
    list.showAll(s);
    EXPECT_EQ(files(),
              "A (Japan).sfc|E (Europe) (En,Ja).sfc|K (Japan) [!].sfc|"
              "L (Japan) (Rev 1).sfc");
    EXPECT_EQ(list.title(),
              "スーパーファミコン : 全ファイル / Ja・ステータスなし (ファイル数 : 4)");

    // Any of several regions.
    s.tags = {};
    s.tags.regions = regionBit("USA") | regionBit("Europe");
    list.showAll(s);
    EXPECT_EQ(files(), "B (USA).sfc|E (Europe) (En,Ja).sfc");

    // Nothing passes: the placeholder row.
    s.tags.regions = regionBit("Korea");
    list.showAll(s);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.rows().size(), 1u);
}

// The preferred file of each game: region order, then language, then the latest revision; never
// a bad dump or an unfinished release while a good one is there.
TEST_F(NameTagRowsTest, OnePerGamePrefersGoodReleasesByRegionOrder) {
    folder(0, "roms",
           {"Zelda (Japan) [b].sfc", "Zelda (Europe).sfc", "Zelda (USA) (Beta).sfc",
            "Mario (Japan) (Proto).sfc", "Mario (Japan) [b].sfc", "Kirby (USA).sfc",
            "Kirby (Japan).sfc", "Kirby (World).sfc", "Metroid (Japan) (Rev 10).sfc",
            "Metroid (Japan).sfc", "Metroid (Japan) (Rev 2).sfc", "Lone (Brazil).sfc",
            "Pirated (Japan) (Pirate).sfc", "Pirated (USA) (Beta).sfc"});
    s.tags.onePerGame = true;
    list.showAll(s);
    // Default order Japan, World, USA, Europe. The Japanese Zelda is a bad dump and the USA one
    // a beta: the European release. Mario has no good release: the proto before the bad dump.
    // Metroid: Rev 10 after Rev 2 after none. A pirate before a beta.
    EXPECT_EQ(files(),
              "Kirby (Japan).sfc|Lone (Brazil).sfc|Mario (Japan) (Proto).sfc|"
              "Metroid (Japan) (Rev 10).sfc|Pirated (Japan) (Pirate).sfc|"
              "Zelda (Europe).sfc");
    EXPECT_EQ(list.title(), "スーパーファミコン : 全ファイル / 1ゲーム1ROM (ファイル数 : 6)");

    // Another order picks other files.
    s.regionOrder = regions({"USA", "Europe"});
    list.showAll(s);
    EXPECT_EQ(files(),
              "Kirby (USA).sfc|Lone (Brazil).sfc|Mario (Japan) (Proto).sfc|"
              "Metroid (Japan) (Rev 10).sfc|Pirated (Japan) (Pirate).sfc|"
              "Zelda (Europe).sfc");
    s.regionOrder = regions({"World", "USA"});
    list.showAll(s);
    EXPECT_EQ(files().substr(0, std::string("Kirby (World).sfc").size()), "Kirby (World).sfc");
}

TEST_F(NameTagRowsTest, OnePerGameThenLanguageThenVerified) {
    folder(0, "roms",
           {"Tetris (Europe) (Fr).sfc", "Tetris (Europe) (En,Fr).sfc", "Puyo (Japan).sfc",
            "Puyo (Japan) [!].sfc"});
    s.tags.onePerGame = true;
    s.regionOrder = regions({"Europe", "Japan"});  // speaks English, then Japanese
    list.showAll(s);
    EXPECT_EQ(files(), "Puyo (Japan) [!].sfc|Tetris (Europe) (En,Fr).sfc");
}

// A clone whose title differs from its parent's goes with the parent when the DAT says so.
TEST_F(NameTagRowsTest, OnePerGameGroupsClonesByTheDat) {
    folder(
        0, "roms",
        {"Rockman (Japan).sfc", "Mega Man (USA).sfc", "Mega Man (Europe).sfc", "Other (USA).sfc"});
    s.tags.onePerGame = true;
    s.regionOrder = regions({"USA", "Japan"});
    list.showAll(s);
    EXPECT_EQ(files(), "Mega Man (USA).sfc|Other (USA).sfc|Rockman (Japan).sfc");
    GameParents parents;
    parents.emplace("Rockman (Japan)", "Mega Man (USA)");
    parents.emplace("Mega Man (Europe)", "Mega Man (USA)");
    s.parents = &parents;
    list.showAll(s);
    EXPECT_EQ(files(), "Mega Man (USA).sfc|Other (USA).sfc");
    s.regionOrder = regions({"Japan"});
    list.showAll(s);
    EXPECT_EQ(files(), "Other (USA).sfc|Rockman (Japan).sfc");
}

// A file the user owns goes before one listed as not owned.
TEST(NameTagRowsPreference, OwnedBeforeUnowned) {
    const ReleasePreference p(defaultRegionOrder());
    const text::NameTags japan = text::parseNameTags("X (Japan)");
    const text::NameTags usa = text::parseNameTags("X (USA)");
    EXPECT_TRUE(p.better(japan, true, usa, true));
    EXPECT_FALSE(p.better(usa, true, japan, true));
    EXPECT_TRUE(p.better(usa, true, japan, false));
    EXPECT_FALSE(p.better(japan, true, japan, true));  // equal: neither
}

// Sorting by region follows the region order; rows without a region go last, and the sort is
// stable; descending turns it round.
TEST_F(NameTagRowsTest, SortsByRegionAndLanguage) {
    folder(0, "roms",
           {"A (USA).sfc", "B (Europe).sfc", "C (Japan).sfc", "D.sfc", "E (World).sfc",
            "F (Japan, USA).sfc", "G (Brazil).sfc", "H (USA).sfc"});
    s.neverSort = false;
    list.showAll(s);
    list.clickColumn(kColumnRegion, s);  // flips to descending
    list.clickColumn(kColumnRegion, s);  // ascending
    EXPECT_EQ(list.direction(kColumnRegion), SortDirection::Ascending);
    // Japan, World, USA, Europe, then the others in the table's order (Brazil).
    EXPECT_EQ(files(),
              "C (Japan).sfc|F (Japan, USA).sfc|E (World).sfc|A (USA).sfc|H (USA).sfc|"
              "B (Europe).sfc|G (Brazil).sfc|D.sfc");
    list.clickColumn(kColumnRegion, s);
    EXPECT_EQ(files(),
              "D.sfc|G (Brazil).sfc|B (Europe).sfc|A (USA).sfc|H (USA).sfc|"
              "E (World).sfc|F (Japan, USA).sfc|C (Japan).sfc");
    // Another region order, another order; a rebuild keeps sorting by the column.
    s.regionOrder = regions({"Europe", "USA"});
    list.showAll(s);
    list.clickColumn(kColumnRegion, s);
    EXPECT_EQ(files(),
              "B (Europe).sfc|A (USA).sfc|H (USA).sfc|F (Japan, USA).sfc|"
              "E (World).sfc|C (Japan).sfc|G (Brazil).sfc|D.sfc");
    // Languages in the order the regions speak them: English (Europe, USA) first.
    list.clickColumn(kColumnLanguage, s);
    EXPECT_EQ(list.direction(kColumnLanguage), SortDirection::Descending);
    list.clickColumn(kColumnLanguage, s);
    EXPECT_EQ(files(),
              "A (USA).sfc|B (Europe).sfc|E (World).sfc|H (USA).sfc|"
              "F (Japan, USA).sfc|C (Japan).sfc|G (Brazil).sfc|D.sfc");
}

// The folder window's choices: "指定しない" first, then the names as the tags write them.
TEST(TagFilterChoices, ItemsAndTheFilterTheyMake) {
    const auto regions = TagFilterChoices::regionItems();
    const auto languages = TagFilterChoices::languageItems();
    ASSERT_GT(regions.size(), 5u);
    EXPECT_EQ(regions[0], "指定しない");
    EXPECT_EQ(languages[0], "指定しない");
    const auto japan = std::find(regions.begin(), regions.end(), "Japan");
    const auto ja = std::find(languages.begin(), languages.end(), "Ja");
    ASSERT_NE(japan, regions.end());
    ASSERT_NE(ja, languages.end());

    TagFilterChoices c;
    EXPECT_FALSE(c.filter().active());
    c.region = static_cast<int>(japan - regions.begin());
    c.language = static_cast<int>(ja - languages.begin());
    c.noStatus = true;
    const TagFilter f = c.filter();
    EXPECT_EQ(f.regions, regionBit("Japan"));
    EXPECT_EQ(f.languages, languageBit("Ja"));
    EXPECT_TRUE(f.noStatus);
    EXPECT_FALSE(f.onePerGame);
    const TagFilterChoices back = TagFilterChoices::of(f);
    EXPECT_EQ(back.region, c.region);
    EXPECT_EQ(back.language, c.language);
    EXPECT_TRUE(back.noStatus);
    // Out of range: any.
    c.region = 10000;
    c.language = -3;
    EXPECT_EQ(c.filter().regions, 0u);
    EXPECT_EQ(c.filter().languages, 0u);
}
