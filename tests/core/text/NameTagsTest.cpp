#include "core/text/NameTags.h"

#include <gtest/gtest.h>

#include <string>

using namespace romshelf::text;

namespace {

// The status bits as words, in a fixed order, for readable expectations.
std::string statusWords(std::uint32_t status) {
    const std::pair<std::uint32_t, const char*> words[] = {
        {kStatusAlpha, "alpha"},   {kStatusBeta, "beta"},     {kStatusProto, "proto"},
        {kStatusDemo, "demo"},     {kStatusSample, "sample"}, {kStatusUnlicensed, "unl"},
        {kStatusPirate, "pirate"}, {kStatusBadDump, "bad"},   {kStatusVerified, "verified"},
    };
    std::string out;
    for (const auto& [b, word] : words) {
        if (!(status & b)) continue;
        if (!out.empty()) out += ' ';
        out += word;
    }
    return out;
}

struct Expected {
    const char* name;
    const char* title;
    const char* regions;    // as regionList writes them
    const char* languages;  // as written in the name, as languageList writes them
    const char* status;
    const char* revision;
    const char* version;
};

}  // namespace

// Names as the No-Intro and Redump DATs write them, each read by hand.
TEST(NameTags, RealNames) {
    const Expected cases[] = {
        {"Super Mario Bros. (World)", "Super Mario Bros.", "World", "", "", "", ""},
        {"Rockman (Japan) (En) (Rev 1)", "Rockman", "Japan", "En", "", "1", ""},
        {"Dragon Quest (Japan) (Beta)", "Dragon Quest", "Japan", "", "beta", "", ""},
        {"Tetris (USA, Europe) (En,Ja)", "Tetris", "USA, Europe", "En,Ja", "", "", ""},
        {"Game (Japan) (Proto) [b]", "Game", "Japan", "", "proto bad", "", ""},
        {"Legend of Zelda, The (USA) (Rev 1)", "Legend of Zelda, The", "USA", "", "", "1", ""},
        {"Zelda no Densetsu 1 - The Hyrule Fantasy (Japan)",
         "Zelda no Densetsu 1 - The Hyrule Fantasy", "Japan", "", "", "", ""},
        {"Super Mario World (USA)", "Super Mario World", "USA", "", "", "", ""},
        {"Super Mario World (Europe) (Rev 1)", "Super Mario World", "Europe", "", "", "1", ""},
        {"Pokemon - Red Version (USA, Europe) (SGB Enhanced)", "Pokemon - Red Version",
         "USA, Europe", "", "", "", ""},
        {"Pocket Monsters - Aka (Japan) (Rev A) (SGB Enhanced)", "Pocket Monsters - Aka", "Japan",
         "", "", "A", ""},
        {"Sonic The Hedgehog (USA, Europe, Brazil) (En)", "Sonic The Hedgehog",
         "USA, Europe, Brazil", "En", "", "", ""},
        {"Street Fighter II - The World Warrior (Japan) (Beta 2)",
         "Street Fighter II - The World Warrior", "Japan", "", "beta", "", ""},
        {"Mother (Japan) (Proto 1)", "Mother", "Japan", "", "proto", "", ""},
        {"Chrono Trigger (USA) (Sample)", "Chrono Trigger", "USA", "", "sample", "", ""},
        {"Star Fox (Europe) (Demo)", "Star Fox", "Europe", "", "demo", "", ""},
        {"Action 52 (USA) (Unl)", "Action 52", "USA", "", "unl", "", ""},
        {"Super Mario 7 (China) (Pirate)", "Super Mario 7", "China", "", "pirate", "", ""},
        {"Final Fantasy (Japan) [!]", "Final Fantasy", "Japan", "", "verified", "", ""},
        {"Final Fantasy (Japan) [b1]", "Final Fantasy", "Japan", "", "bad", "", ""},
        {"Kirby's Dream Land (USA, Europe) (v1.1)", "Kirby's Dream Land", "USA, Europe", "", "", "",
         "1.1"},
        {"Metroid II - Return of Samus (World) (v1.0)", "Metroid II - Return of Samus", "World", "",
         "", "", "1.0"},
        {"Asterix (Europe) (En,Fr,De,Es,It)", "Asterix", "Europe", "En,Fr,De,Es,It", "", "", ""},
        {"Densetsu no Stafy (Japan) (Rev 2)", "Densetsu no Stafy", "Japan", "", "", "2", ""},
        {"Final Fantasy VII (Japan) (Disc 1)", "Final Fantasy VII", "Japan", "", "", "", ""},
        {"Ridge Racer (Japan) (Rev 1) (Disc 1)", "Ridge Racer", "Japan", "", "", "1", ""},
        {"Gran Turismo (Europe, Australia) (En,Fr,De,Es,It)", "Gran Turismo", "Europe, Australia",
         "En,Fr,De,Es,It", "", "", ""},
        {"Tekken 3 (Asia)", "Tekken 3", "Asia", "", "", "", ""},
        {"Tobal No. 1 (Korea)", "Tobal No. 1", "Korea", "", "", "", ""},
        {"Sakura Taisen (Japan) (Disc 1) (Rev 1)", "Sakura Taisen", "Japan", "", "", "1", ""},
        {"Puyo Puyo Tsuu (Japan) (Rev B) [b]", "Puyo Puyo Tsuu", "Japan", "", "bad", "B", ""},
        {"Shenmue (Europe) (En,Fr,De,Es) (Disc 3)", "Shenmue", "Europe", "En,Fr,De,Es", "", "", ""},
        {"Castlevania (USA) (Alpha)", "Castlevania", "USA", "", "alpha", "", ""},
        {"Mega Man X (Japan, USA) (En)", "Mega Man X", "Japan, USA", "En", "", "", ""},
        {"Xenogears (Taiwan) (Zh-Hant)", "Xenogears", "Taiwan", "Zh", "", "", ""},
        {"Aladdin (USA) (Beta) (1993-07-21)", "Aladdin", "USA", "", "beta", "", ""},
        {"Kingdom Hearts (USA) (Demo) (Unl)", "Kingdom Hearts", "USA", "", "demo unl", "", ""},
        {"Ballblazer (USA) (Pirate) [b]", "Ballblazer", "USA", "", "pirate bad", "", ""},
        {"Bomberman (Japan).nes", "Bomberman", "Japan", "", "", "", ""},
        {"NoTags", "NoTags", "", "", "", "", ""},
        {"Mr. Do! (USA)", "Mr. Do!", "USA", "", "", "", ""},
    };
    for (const Expected& e : cases) {
        const NameTags t = parseNameTags(e.name);
        EXPECT_EQ(t.title, e.title) << e.name;
        EXPECT_EQ(regionList(t.regions), e.regions) << e.name;
        EXPECT_EQ(languageList(t.languages), e.languages) << e.name;
        EXPECT_EQ(statusWords(t.status), e.status) << e.name;
        EXPECT_EQ(t.revision, e.revision) << e.name;
        EXPECT_EQ(t.version, e.version) << e.name;
    }
}

// The languages a name gives, else those its region speaks.
TEST(NameTags, SpokenLanguages) {
    EXPECT_EQ(languageList(parseNameTags("Rockman (Japan)").spokenLanguages()), "Ja");
    EXPECT_EQ(languageList(parseNameTags("Rockman (Japan) (En)").spokenLanguages()), "En");
    EXPECT_EQ(languageList(parseNameTags("Mega Man (USA)").spokenLanguages()), "En");
    EXPECT_EQ(languageList(parseNameTags("Rockman (Japan, USA)").spokenLanguages()), "En,Ja");
    EXPECT_EQ(languageList(parseNameTags("Astérix (France)").spokenLanguages()), "Fr");
    EXPECT_EQ(parseNameTags("No Tags At All").spokenLanguages(), 0u);
}

// Words that only look like tags are not taken for them.
TEST(NameTags, LookAlikesAreNoTags) {
    // A region word with other words, a language in lower case, a revision word alone.
    const NameTags a = parseNameTags("Game (Japan Edition) (en) (Rev) (Betamax) [bonus]");
    EXPECT_EQ(a.regions, 0u);
    EXPECT_EQ(a.languages, 0u);
    EXPECT_EQ(a.status, 0u);
    EXPECT_EQ(a.revision, "");
    EXPECT_EQ(a.title, "Game");
    // A region list with one unknown item is not a region tag.
    EXPECT_EQ(parseNameTags("Game (USA, Mars)").regions, 0u);
    EXPECT_EQ(parseNameTags("Game (japan)").regions, 0u);
}

TEST(NameTags, NamesAndCodesLookedUp) {
    ASSERT_TRUE(regionNumber("japan"));
    EXPECT_EQ(regionNames()[static_cast<std::size_t>(*regionNumber("japan"))], "Japan");
    EXPECT_EQ(regionNames()[static_cast<std::size_t>(*regionNumber("hong kong"))], "Hong Kong");
    EXPECT_FALSE(regionNumber("Atlantis"));
    EXPECT_FALSE(regionNumber(""));
    ASSERT_TRUE(languageNumber("ja"));
    EXPECT_EQ(languageNames()[static_cast<std::size_t>(*languageNumber("ja"))], "Ja");
    EXPECT_FALSE(languageNumber("Xx"));
}

TEST(NameTags, RevisionsOrder) {
    EXPECT_LT(compareRevisions("", "0"), 0);
    EXPECT_LT(compareRevisions("1", "2"), 0);
    EXPECT_LT(compareRevisions("2", "10"), 0);
    EXPECT_LT(compareRevisions("1.0", "1.1"), 0);
    EXPECT_LT(compareRevisions("1.1", "1.10"), 0);
    EXPECT_LT(compareRevisions("A", "B"), 0);
    EXPECT_GT(compareRevisions("1.02", "1.1"), 0);  // 02 is two, more than one
    EXPECT_EQ(compareRevisions("01", "1"), 0);
    EXPECT_EQ(compareRevisions("a", "A"), 0);
    EXPECT_GT(compareRevisions("1A", "1"), 0);
}

// Unbalanced brackets, empty names, a flood of tags: read without harm.
TEST(NameTags, HostileNames) {
    EXPECT_EQ(parseNameTags("").title, "");
    EXPECT_EQ(parseNameTags("()").title, "");
    EXPECT_EQ(parseNameTags("(Japan)").regions, parseNameTags("X (Japan)").regions);
    // Left open: not a tag, and it stays in the title.
    NameTags open = parseNameTags("Game (Japan");
    EXPECT_EQ(open.title, "Game (Japan");
    EXPECT_EQ(open.regions, 0u);
    // Left open after a tag: the tag before it counts, nothing after it does.
    open = parseNameTags("Game (USA) (Beta [b] (Japan)");
    EXPECT_EQ(regionList(open.regions), "USA");
    EXPECT_EQ(open.status, 0u);
    EXPECT_EQ(open.title, "Game");
    // A closing bracket with nothing open is passed over.
    const NameTags stray = parseNameTags("Game) (Japan)) ] (Proto)");
    EXPECT_EQ(stray.title, "Game)");
    EXPECT_EQ(regionList(stray.regions), "Japan");
    EXPECT_EQ(statusWords(stray.status), "proto");
    // Tags within tags end where their brackets do.
    const NameTags nested = parseNameTags("Game (Bonus (Japan)) (USA)");
    EXPECT_EQ(regionList(nested.regions), "USA");
    // Ten thousand tags, and ten thousand brackets never closed.
    std::string many = "Flood";
    for (int i = 0; i < 10000; ++i) many += i % 2 ? " (Japan)" : " (Beta)";
    const NameTags flood = parseNameTags(many);
    EXPECT_EQ(flood.title, "Flood");
    EXPECT_EQ(regionList(flood.regions), "Japan");
    EXPECT_EQ(statusWords(flood.status), "beta");
    EXPECT_EQ(parseNameTags("Deep " + std::string(10000, '(')).title,
              "Deep " + std::string(10000, '('));
    const std::string nul("A\0B (Japan)", 11);
    EXPECT_EQ(parseNameTags(nul).title, std::string_view("A\0B", 3));
}
