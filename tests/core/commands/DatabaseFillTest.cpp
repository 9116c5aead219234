#include "core/commands/DatabaseFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "AppChecks.h"
#include "RdbWriter.h"
#include "core/commands/DatabaseSources.h"

namespace romshelf {
namespace {

// The files of the ROM folder: one the database knows by its CRC-32, one by the CRC-32 of what
// follows its iNES header, one by its name only, one it does not know.
const std::string kTetris = "tetris cartridge bytes";
const std::string kMarioBody = "mario program and character banks";
const std::string kMario =
    std::string("NES\x1A\x02\x01\x01\x00", 8) + std::string(8, '\0') + kMarioBody;

// The database, its CRCs made by Python's zlib from the same bytes.
const char* const kGames =
    "[{'name': 'Tetris (Japan)', 'crc': zlib.crc32(b'tetris cartridge bytes').to_bytes(4, 'big'),"
    "  'size': 22, 'genre': 'Puzzle', 'developer': 'Bullet-Proof Software', 'releaseyear': 1988,"
    "  'users': 2},"
    " {'name': 'Super Mario Bros. (World)',"
    "  'crc': zlib.crc32(b'mario program and character banks').to_bytes(4, 'big'), 'size': 33,"
    "  'genre': 'Platform', 'developer': 'Nintendo', 'releaseyear': 1985, 'users': 2},"
    " {'name': 'Zelda (Japan)', 'rom_name': 'Zelda (Japan).fds', 'crc': bytes(4), 'size': 1,"
    "  'genre': 'Action', 'developer': 'Nintendo', 'releaseyear': 1986, 'users': 1}]";

struct DatabaseFillTest : test::AppChecks {
    DatabaseFillTest() {
        setUpHardware("FC");
        dir.write("roms/FC/Tetris.nes", kTetris);
        dir.write("roms/FC/Mario.nes", kMario);
        dir.write("roms/FC/Zelda (Japan).nes", "not the database's bytes");
        dir.write("roms/FC/Other.nes", "nobody knows this");
        // What the user typed: odd spaces, half-width kana and a comment of two lines.
        zelda = record("Zelda (Japan)", "ゼルダの伝説");
        zelda.reading = "ｾﾞﾙﾀﾞ ";
        zelda.classes[0] = " ｱｸｼｮﾝ  ";
        zelda.comment = "mine\r\n2nd";
        zelda.rating = 4;
        writeRecords("FC", {zelda});
        rdb = test::writeRdb(dir, "db/Nintendo - Nintendo Entertainment System.rdb", kGames);
        options.lists = {0, 1, -1, -1, 2, 3};  // genre, developer, year, players
    }
    RomRecord saved(const std::string& title) {
        const RomTable table = savedRecords("FC");
        const int i = table.findRecordByTitle(title);
        EXPECT_GE(i, 0) << title;
        return i < 0 ? RomRecord{} : table[i];
    }
    std::optional<FillRun> fill(bool dryRun) {
        std::string error;
        auto run = fillFromDatabases(app, {dir.file("db")}, options, dryRun, error);
        EXPECT_TRUE(run) << error;
        return run;
    }
    MatchedBy matchOf(const FillRun& run, const std::string& file) {
        for (const FillMatch& m : run.plan.matches)
            if (m.file == file) return m.by;
        ADD_FAILURE() << file << " is not listed";
        return MatchedBy::None;
    }
    RomRecord zelda;
    std::string rdb;
    FillOptions options;
};

TEST_F(DatabaseFillTest, FilesMatchByCrcWithoutTheirHeaderAndByName) {
    ASSERT_FALSE(rdb.empty()) << "/usr/bin/python3 with python3-msgpack is needed";
    start("FC");
    const auto run = fill(true);
    ASSERT_TRUE(run);
    EXPECT_EQ(matchOf(*run, "Tetris.nes"), MatchedBy::Crc);
    EXPECT_EQ(matchOf(*run, "Mario.nes"), MatchedBy::CrcWithoutHeader);
    EXPECT_EQ(matchOf(*run, "Zelda (Japan).nes"), MatchedBy::Name);
    EXPECT_EQ(matchOf(*run, "Other.nes"), MatchedBy::None);
    EXPECT_EQ(std::tuple(run->plan.byCrc, run->plan.byName, run->plan.notFound),
              std::tuple(2, 1, 1));
}

TEST_F(DatabaseFillTest, FillsOnlyWhatIsEmptyAndKeepsWhatTheUserTypedByteForByte) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    const auto run = fill(false);
    ASSERT_TRUE(run);
    EXPECT_TRUE(run->written);
    // Two new records and the user's one; the user's genre is no change.
    EXPECT_EQ(std::tuple(run->plan.records, run->plan.newRecords), std::tuple(3, 2));
    EXPECT_EQ(run->plan.changes.size(), 4u + 4u + 3u);
    const RomRecord tetris = saved("Tetris");
    EXPECT_EQ(tetris.classes,
              (std::array<std::string, 5>{"パズル", "Bullet-Proof Software", "1988", "2人", ""}));
    EXPECT_EQ(tetris.gameName, "Tetris");
    const RomRecord mario = saved("Mario");
    EXPECT_EQ(mario.classes[0], "プラットフォームアクション");
    RomRecord expected = zelda;
    expected.classes[1] = "Nintendo";
    expected.classes[2] = "1986";
    expected.classes[3] = "1人";
    EXPECT_EQ(saved("Zelda (Japan)"), expected);
    // The new items are in the lists, in the organiser's sort order.
    EXPECT_EQ(app.categoryLists().items[1],
              (std::vector<std::string>{"Bullet-Proof Software", "Nintendo"}));
    EXPECT_EQ(app.categoryLists().items[2], (std::vector<std::string>{"1985", "1986", "1988"}));
}

TEST_F(DatabaseFillTest, ADryRunListsEveryChangeAndWritesNothing) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    const std::string before = dir.read("data/RomData_FC.slb");
    const auto run = fill(true);
    ASSERT_TRUE(run);
    EXPECT_FALSE(run->written);
    EXPECT_TRUE(run->backupPath.empty());
    EXPECT_EQ(run->plan.changes.size(), 11u);
    bool zeldaYear = false;
    for (const FillChange& c : run->plan.changes)
        if (c.file == "Zelda (Japan).nes" && c.field == FillField::Year)
            zeldaYear = c.oldValue.empty() && c.newValue == "1986" && c.record == 0;
    EXPECT_TRUE(zeldaYear);
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/ClassData2.slb")));
    EXPECT_EQ(app.romTable().count(), 1);
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("data")))
        EXPECT_EQ(entry.path().filename().string().find("before-fill"), std::string::npos);
}

TEST_F(DatabaseFillTest, OverwriteReplacesAndTellsTheOldValue) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    options.overwrite = true;
    options.originalGenreNames = true;
    const auto run = fill(false);
    ASSERT_TRUE(run);
    bool told = false;
    for (const FillChange& c : run->plan.changes)
        if (c.title == "Zelda (Japan)" && c.field == FillField::Genre)
            told = c.oldValue == " ｱｸｼｮﾝ  " && c.newValue == "Action";
    EXPECT_TRUE(told);
    EXPECT_EQ(saved("Zelda (Japan)").classes[0], "Action");
    EXPECT_EQ(saved("Tetris").classes[0], "Puzzle");
}

TEST_F(DatabaseFillTest, TheRecordsBeforeAreKeptUnderADatedNameAndRestoreThem) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    const std::string before = dir.read("data/RomData_FC.slb");
    const auto run = fill(false);
    ASSERT_TRUE(run);
    ASSERT_FALSE(run->backupPath.empty());
    const std::string name = std::filesystem::path(run->backupPath).filename().string();
    // RomData_FC_before-fill-YYYYMMDD-HHMMSS.slb
    ASSERT_EQ(name.rfind("RomData_FC_before-fill-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("RomData_FC_before-fill-20260101-120000.slb").size());
    // Put back, the copy gives the records as they were.
    std::filesystem::copy_file(run->backupPath, dir.file("data/RomData_FC.slb"),
                               std::filesystem::copy_options::overwrite_existing);
    const RomTable restored = savedRecords("FC");
    ASSERT_EQ(restored.count(), 1);
    EXPECT_EQ(restored[0], zelda);
    EXPECT_NE(dir.read("data/RomData_FC.slb"), "");
    (void)before;
}

TEST_F(DatabaseFillTest, AnUnreadableDatabaseChangesNothing) {
    start("FC");
    dir.write("bad/Nintendo - Nintendo Entertainment System.rdb", "RARCHDB");
    const std::string before = dir.read("data/RomData_FC.slb");
    std::string error;
    EXPECT_FALSE(fillFromDatabases(app, {dir.file("bad")}, options, false, error));
    EXPECT_NE(error.find("Nintendo - Nintendo Entertainment System.rdb"), std::string::npos);
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), before);
}

TEST_F(DatabaseFillTest, OnlyTheKeptChangesAreWrittenAndTheRestStaysAsItWas) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    std::string error;
    const auto files = fillDatabaseFiles(app, {dir.file("db")}, error);
    ASSERT_TRUE(files) << error;
    const auto database = loadGameDatabase(*files, error);
    ASSERT_TRUE(database) << error;
    const FillPlan plan = planListedFill(app, *database, options);
    ASSERT_EQ(plan.changes.size(), 11u);
    // Tetris's genre and everything of the user's Zelda are left unchecked.
    std::vector<bool> keep;
    for (const FillChange& c : plan.changes)
        keep.push_back(!(c.title == "Tetris" && c.field == FillField::Genre) &&
                       c.title != "Zelda (Japan)");
    const auto run = applyFill(app, plan, keep, error);
    ASSERT_TRUE(run) << error;
    EXPECT_TRUE(run->written);
    EXPECT_EQ(run->plan.changes.size(), 3u + 4u);
    EXPECT_EQ(std::tuple(run->plan.records, run->plan.newRecords), std::tuple(2, 2));
    EXPECT_EQ(saved("Tetris").classes,
              (std::array<std::string, 5>{"", "Bullet-Proof Software", "1988", "2人", ""}));
    EXPECT_EQ(saved("Mario").classes, (std::array<std::string, 5>{"プラットフォームアクション",
                                                                  "Nintendo", "1985", "2人", ""}));
    EXPECT_EQ(saved("Zelda (Japan)"), zelda);
    const auto& genres = app.categoryLists().items[0];
    EXPECT_EQ(std::count(genres.begin(), genres.end(), "パズル"), 0);
    EXPECT_EQ(std::count(genres.begin(), genres.end(), "プラットフォームアクション"), 1);
    EXPECT_EQ(app.categoryLists().items[2], (std::vector<std::string>{"1985", "1988"}));
}

TEST_F(DatabaseFillTest, NothingKeptWritesNothing) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    const std::string before = dir.read("data/RomData_FC.slb");
    std::string error;
    const auto database = loadGameDatabase(*fillDatabaseFiles(app, {dir.file("db")}, error), error);
    ASSERT_TRUE(database) << error;
    const FillPlan plan = planListedFill(app, *database, options);
    const auto run = applyFill(app, plan, std::vector<bool>(plan.changes.size(), false), error);
    ASSERT_TRUE(run) << error;
    EXPECT_FALSE(run->written);
    EXPECT_TRUE(run->backupPath.empty());
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), before);
}

TEST_F(DatabaseFillTest, StoppingTheMatchingWritesNothing) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    const std::string before = dir.read("data/RomData_FC.slb");
    ports.progress.pressAt = {2};
    answers({true});  // "stop?" yes
    std::string error;
    EXPECT_FALSE(fillFromDatabases(app, {dir.file("db")}, options, false, error));
    EXPECT_EQ(error, "情報の取得を中止しました。");
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), before);
    EXPECT_EQ(ports.progress.calls.front(), "begin データベースから情報を取得 4");
}

TEST_F(DatabaseFillTest, TheUsersGenreNamesReplaceTheBuiltInOnes) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    options.genreNames = {{"Puzzle", "落ち物"}, {"Action", "アクション"}};
    const auto run = fill(true);
    ASSERT_TRUE(run);
    std::map<std::string, std::string> genres;
    for (const FillChange& c : run->plan.changes)
        if (c.field == FillField::Genre) genres[c.title] = c.newValue;
    // Platform is not in the user's table: the database's word stays.
    EXPECT_EQ(genres,
              (std::map<std::string, std::string>{{"Mario", "Platform"}, {"Tetris", "落ち物"}}));
}

TEST(DatabaseFillDefaults, TheEditedGenreTableIsKeptInOurSettings) {
    test::TempFolder dir;
    PlusSettings settings;
    settings.unknown = {{"gameDatabase.FC", "Mine"}};
    EXPECT_EQ(genreNames(settings), builtInGenreNames());
    const GenreNames edited = {{"Beat'em Up", "ベルトアクション"}, {"Puzzle", "落ち物"}};
    setGenreNames(edited, settings);
    const std::string path = dir.file("romshelf-plus.ini");
    ASSERT_TRUE(savePlusSettings(path, settings));
    EXPECT_NE(dir.read("romshelf-plus.ini").find("genreName.Beat'em Up=ベルトアクション\n"),
              std::string::npos);
    PlusSettings read;
    ASSERT_TRUE(loadPlusSettings(path, read));
    EXPECT_EQ(genreNames(read), edited);
    // The built-in table again: no entry is kept, the other settings stay.
    setGenreNames(builtInGenreNames(), read);
    EXPECT_EQ(read.unknown,
              (std::vector<std::pair<std::string, std::string>>{{"gameDatabase.FC", "Mine"}}));
    EXPECT_EQ(genreNames(read).size(), genreNameTable().size());
}

TEST_F(DatabaseFillTest, TheWindowFindsAGameByTheSumsAlreadyKeptElseByTitleWithoutReading) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    std::string error;
    const auto database = loadGameDatabase({rdb}, error);
    ASSERT_TRUE(database) << error;
    IdentityCache& cache = app.recordFollowing().cache();
    const auto game = [&](const std::string& name) {
        const GameFacts* found = knownGame(*database, cache, dir.file("roms/FC/" + name), name);
        return found ? found->name : std::string("-");
    };
    // Nothing summed yet: Tetris's title is not the database's name; Zelda's rom name is.
    EXPECT_EQ(game("Tetris.nes"), "-");
    EXPECT_EQ(game("Zelda (Japan).nes"), "Zelda (Japan)");
    ASSERT_TRUE(fill(true));  // sums every file into the cache
    EXPECT_EQ(game("Tetris.nes"), "Tetris (Japan)");
    EXPECT_EQ(game("Other.nes"), "-");
    // A file changed since it was summed is not taken for what it was.
    dir.write("roms/FC/Tetris.nes", "tetris cartridge bytes, patched");
    EXPECT_EQ(game("Tetris.nes"), "-");

    GameFacts tetris;
    tetris.name = "Tetris (Japan)";
    tetris.releaseYear = 1988;
    tetris.users = 2;
    EXPECT_EQ(databaseFactsText(tetris),
              "ゲームデータベース : Tetris (Japan)\n発売年 : 1988\n人数 : 2人\n");
    tetris.users.reset();
    tetris.description = "Falling blocks.";
    EXPECT_EQ(databaseFactsText(tetris),
              "ゲームデータベース : Tetris (Japan)\n発売年 : 1988\n\nFalling blocks.");
    GameFacts bare;
    bare.name = "Bare";
    bare.genre = "Puzzle";
    EXPECT_EQ(databaseFactsText(bare), "");
}

TEST(DatabaseFillDefaults, ListsAreChosenByTheirNames) {
    EXPECT_EQ(defaultFillLists({"ジャンル", "開発メーカー", "発売元", "発売年", "分類 5", "人数"}),
              (FillLists{0, 1, 2, -1, 3, 5}));
    EXPECT_EQ(defaultFillLists({"分類 1", "分類 2", "分類 3", "分類 4", "分類 5", "機種別分類"}),
              (FillLists{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(japaneseGenre("Role-Playing"), "ロールプレイング");
    EXPECT_EQ(japaneseGenre("Sports"), "スポーツ");
    EXPECT_EQ(japaneseGenre("Unheard Of"), "Unheard Of");
}

TEST(DatabaseFillDefaults, EachHardwareNamesItsDatabases) {
    EXPECT_EQ(gameDatabaseNames("FC").front(), "Nintendo - Nintendo Entertainment System");
    EXPECT_EQ(gameDatabaseNames("SFC").front(), "Nintendo - Super Nintendo Entertainment System");
    EXPECT_EQ(gameDatabaseNames("MD").front(), "Sega - Mega Drive - Genesis");
    EXPECT_EQ(gameDatabaseNames("PCE").front(), "NEC - PC Engine - TurboGrafx 16");
    EXPECT_EQ(gameDatabaseNames("MAME").front(), "MAME");
    EXPECT_TRUE(gameDatabaseNames("USER1").empty());
    EXPECT_TRUE(gameDatabaseNames("HARD").empty());
}

TEST(DatabaseFillDefaults, RetroArchsFoldersAreFoundAndTheSettingsChooseFiles) {
    test::TempFolder home;
    const std::string own = home.makeFolder("elsewhere/rdb");
    home.write(".config/retroarch/retroarch.cfg",
               "video_driver = \"gl\"\ncontent_database_path = \"~/elsewhere/rdb\"\n");
    home.makeFolder(".var/app/org.libretro.RetroArch/config/retroarch/database/rdb");
    const auto folders =
        retroArchDatabaseFolders(home.path().substr(0, home.path().size() - 1), "");
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0], own);
    EXPECT_EQ(folders[1],
              home.path() + ".var/app/org.libretro.RetroArch/config/retroarch/database/rdb/");

    const std::string rdb = home.write("elsewhere/rdb/Sega - Mega Drive - Genesis.rdb", "x");
    const std::string genre =
        home.write("elsewhere/metadat/genre/Sega - Mega Drive - Genesis.dat", "x");
    PlusSettings settings;
    EXPECT_EQ(gameDatabaseFiles("MD", {own, home.file("elsewhere/metadat")}, settings),
              (std::vector<std::string>{rdb, genre}));
    chooseGameDatabases("MD", {"Sega - Saturn", home.file("mine.dat")}, settings);
    EXPECT_EQ(chosenGameDatabases("MD", settings),
              (std::vector<std::string>{"Sega - Saturn", home.file("mine.dat")}));
    EXPECT_EQ(gameDatabaseFiles("MD", {own}, settings),
              (std::vector<std::string>{home.file("mine.dat")}));
    chooseGameDatabases("MD", {}, settings);
    EXPECT_TRUE(settings.unknown.empty());
}

}  // namespace
}  // namespace romshelf
