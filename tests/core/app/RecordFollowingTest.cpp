// Records follow files renamed outside the program: the listed files are summed into the
// identity cache, and a later list of all files lets a record whose file is gone take the name of
// the unregistered file that holds the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "AppChecks.h"
#include "core/rename/IdentityScan.h"
#include "core/rename/ContentHash.h"
#include "core/commands/RenameCommands.h"
#include "core/storage/IdentityCache.h"
#include "core/storage/MoveJournal.h"

namespace romshelf {
namespace {

const std::string kRom(1000, 'r');
// As long as kRom, other bytes.
const std::string kOther = std::string(999, 'r') + 's';

class RecordFollowingTest : public test::AppChecks {
protected:
    RecordFollowingTest() {
        FolderSettings f;
        f.romFolderNames[0] = "FC", f.romFolderPaths[0] = "./roms/";
        f.snapFolderPaths[0] = "./snap/", f.tempFolder = "./temp/";
        writeFolderSettings("FC", f);
        dir.write("roms/a.nes", kRom);
        dir.write("snap/a.png", "snap");
        dir.makeFolder("temp");
        RomRecord a = record("a", "エー");
        a.rating = 4;
        writeRecords("FC", {a});
    }
    // `from` renamed `to` in roms/, as mv does.
    void rename(const std::string& from, const std::string& to) {
        std::filesystem::rename(dir.file("roms/" + from), dir.file("roms/" + to));
    }
    std::string title() const { return app.romTable()[0].fileTitle; }
    std::string shownName(const std::string& file) const {
        const int row = rowOf(file);
        return row < 0 ? "(not listed)"
                       : app.fileList().rows()[static_cast<std::size_t>(row)].gameName();
    }
    static std::string moved(const std::string& from, const std::string& to) {
        return "「" + from + "」の情報を「" + to + "」へ移しました";
    }
    // a.nes renamed b.nes; the thread finds it while `meanwhile` happens; then the window takes
    // up what was found.
    void renamedWhileTheThreadLooks(const std::function<void()>& meanwhile) {
        ports.clock.journal = &waits;
        ports.clock.queue = true;
        app.hashInBackground();
        start("FC");
        app.recordFollowing().waitUntilIdle();
        rename("a.nes", "b.nes");
        app.showAll();
        app.recordFollowing().waitUntilIdle();
        meanwhile();
        ports.clock.runQueued();
    }
    static std::string ambiguous(const std::string& from) {
        return "「" + from + "」と同じ内容のファイルが複数あるため、情報を移しませんでした";
    }
    std::vector<std::string> waits;
};

// The identity cache is first opened, and checked, away from the window: with a million files
// that check takes longer than a frame. Nothing is lost: the pass still sums the files.
TEST_F(RecordFollowingTest, TheCacheIsOpenedBesideTheEventLoop) {
    struct Beside : ApplicationListener {
        std::string cache;
        std::vector<std::pair<bool, bool>> cacheBeforeAndAfter;
        void besideEventLoop(const std::function<void()>& work) override {
            const bool before = std::filesystem::exists(cache);
            work();
            cacheBeforeAndAfter.emplace_back(before, std::filesystem::exists(cache));
        }
    } beside;
    beside.cache = app.programFolder().cacheFolder() + "identity.sqlite";
    app.setListener(&beside);
    app.hashInBackground();
    start("FC");
    app.recordFollowing().waitUntilIdle();
    app.setListener(nullptr);
    ASSERT_FALSE(beside.cacheBeforeAndAfter.empty());
    EXPECT_EQ(beside.cacheBeforeAndAfter.front(), std::make_pair(false, true));
    IdentityCache cache(beside.cache);
    ASSERT_TRUE(cache.open());
    EXPECT_EQ(cache.startingWith("").size(), 1u);
}

TEST_F(RecordFollowingTest, ARecordAndItsSnapFollowAFileRenamedOutside) {
    start("FC");
    app.hashPending();
    rename("a.nes", "b.nes");
    dir.write("roms/c.nes", kOther);  // the same size, another CRC
    app.showAll();

    EXPECT_EQ(title(), "b");
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "b");
    EXPECT_EQ(savedRecords("FC")[0].rating, 4);
    EXPECT_TRUE(has("snap/b.png"));
    EXPECT_FALSE(has("snap/a.png"));
    EXPECT_FALSE(has("data/" + MoveJournal::fileName()));
    EXPECT_EQ(shownName("b.nes"), "エー");
    EXPECT_EQ(shownName("c.nes"), "c");
    EXPECT_TRUE(logged(moved("a.nes", "b.nes")));

    // Renamed once more: the cache knows b.nes now.
    rename("b.nes", "d.nes");
    app.showAll();
    EXPECT_EQ(title(), "d");
    EXPECT_TRUE(has("snap/d.png"));
}

TEST_F(RecordFollowingTest, TwoFilesWithItsBytesMoveNothingAndTheLogSaysWhyOnce) {
    start("FC");
    app.hashPending();
    rename("a.nes", "b.nes");
    dir.write("roms/c.nes", kRom);
    app.showAll();
    app.showAll();
    EXPECT_EQ(title(), "a");
    EXPECT_TRUE(has("snap/a.png"));
    EXPECT_EQ(std::ranges::count(log(), ambiguous("a.nes")), 1);
    EXPECT_EQ(shownName("b.nes"), "b");

    // One of them gone: the other is the file.
    std::filesystem::remove(dir.file("roms/c.nes"));
    app.showAll();
    EXPECT_EQ(title(), "b");
}

TEST_F(RecordFollowingTest, OnlyAListOfAllFilesAndFilesWithinTheLimitAreFollowed) {
    app.setIdentityHashLimit(kRom.size() - 1);
    start("FC");
    app.hashPending();
    rename("a.nes", "b.nes");
    app.showAll();
    EXPECT_EQ(title(), "a");  // a.nes was too large to be summed

    app.setIdentityHashLimit(kRom.size());
    rename("b.nes", "a.nes");
    app.showAll();
    app.hashPending();
    rename("a.nes", "b.nes");
    app.showUnregistered();  // not every file: records are not judged
    EXPECT_EQ(title(), "a");
    app.showAll();
    EXPECT_EQ(title(), "b");
    EXPECT_EQ(std::ranges::count(log(), moved("a.nes", "b.nes")), 1);
}

// A name kept on disk in CP932 bytes is summed under those bytes, among more files than the pass
// looks up at once.
TEST_F(RecordFollowingTest, AFileNamedInCp932BytesAmongManyIsFollowed) {
    for (int i = 0; i < 300; ++i) dir.write("roms/f" + std::to_string(1000 + i) + ".nes", kOther);
    dir.write("roms/\x83\x51\x81\x5B\x83\x80.nes", std::string(kRom).replace(0, 1, "g"));
    writeRecords("FC", {record("ゲーム", "ゲーム")});
    start("FC");
    app.hashPending();
    std::filesystem::rename(dir.file("roms/\x83\x51\x81\x5B\x83\x80.nes"), dir.file("roms/z.nes"));
    app.showAll();
    EXPECT_EQ(title(), "z");
    EXPECT_TRUE(logged(moved("ゲーム.nes", "z.nes")));
}

// The rename tool's size and CRC-32 serve as well, without a SHA-1.
TEST_F(RecordFollowingTest, TheSumsOfTheRenameToolAreKept) {
    start("FC");
    prompter.answer(true);
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    ASSERT_EQ(createRenameData(app), 1);
    rename("a.nes", "b.nes");
    dir.write("roms/c.nes", kOther);
    app.showAll();
    EXPECT_EQ(title(), "b");
}

// A verification's sums are kept a batch at a time, and only for a file that has not changed
// since it was read.
TEST_F(RecordFollowingTest, AVerificationsSumsAreKeptUnlessTheFileChangedMeanwhile) {
    start("FC");
    dir.write("roms/b.nes", kOther);
    RecordFollowing& following = app.recordFollowing();
    std::optional<ContentIdentity> ids[2];
    const std::string paths[2] = {dir.file("roms/a.nes"), dir.file("roms/b.nes")};
    for (int i = 0; i < 2; ++i) {
        fs::OpenedFile opened;
        ids[i] = fileContentIdentity(paths[i], {}, &opened);
        ASSERT_TRUE(ids[i]);
        EXPECT_EQ(opened.size, ids[i]->whole.size);
        following.keep(paths[i], opened, ids[i]->whole.crc, ids[i]->whole.sha1);
    }
    dir.write("roms/b.nes", kOther + "changed");
    following.flushKept();
    const auto kept = following.cache().find(paths[0]);
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::tuple(kept->size, kept->crc, kept->sha1),
              std::tuple(ids[0]->whole.size, ids[0]->whole.crc, ids[0]->whole.sha1));
    EXPECT_FALSE(following.cache().find(paths[1]));
}

TEST_F(RecordFollowingTest, ADamagedCacheIsMadeAnew) {
    std::string garbage(8192, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 131 + 7);
    dir.write("cache/identity.sqlite", garbage);
    start("FC");
    app.hashPending();
    EXPECT_TRUE(app.recordFollowing().cache().rebuilt());
    EXPECT_EQ(dir.read("cache/identity.sqlite").substr(0, 16),
              std::string("SQLite format 3\0", 16));
    rename("a.nes", "b.nes");
    app.showAll();
    EXPECT_EQ(title(), "b");
}

// The window's way: the list is built at once, the sums are made on the thread and taken up from
// the event loop.
TEST_F(RecordFollowingTest, OnTheThreadTheListNeverWaitsAndTheEventLoopTakesUpTheResult) {
    renamedWhileTheThreadLooks([&] {
        EXPECT_EQ(shownName("b.nes"), "b");
        EXPECT_EQ(title(), "a");
        EXPECT_FALSE(ports.clock.queued.empty());
    });
    EXPECT_EQ(title(), "b");
    EXPECT_EQ(shownName("b.nes"), "エー");
    EXPECT_TRUE(logged(moved("a.nes", "b.nes")));
    EXPECT_TRUE(app.shutDown());
}

// A title of the list of games not owned shows as a grey row with its record; that row is no
// file, and the record still follows its file.
TEST_F(RecordFollowingTest, TheRowOfAGameNotOwnedIsNoFileOfTheRecord) {
    dir.write("data/NoHave_FC.txt", "a\r\n");
    app.changeSettings([](MainSettings& m) { m.setOption(Option::ListMissingFiles, true); });
    start("FC");
    app.hashPending();
    rename("a.nes", "b.nes");
    app.showAll();
    EXPECT_EQ(title(), "b");
}

// What the thread found for a list of before is taken up only where it still holds.
class FoundMeanwhileTest : public RecordFollowingTest {};

TEST_F(FoundMeanwhileTest, NotWhenTheOldFileIsBack) {
    renamedWhileTheThreadLooks([&] { dir.write("roms/a.nes", kRom); });
    EXPECT_EQ(title(), "a");
    EXPECT_FALSE(logged(moved("a.nes", "b.nes")));
}

TEST_F(FoundMeanwhileTest, NotOntoAFileThatWasRegisteredMeanwhile) {
    renamedWhileTheThreadLooks([&] { app.addRecord(record("b", "ビー")); });
    EXPECT_EQ(title(), "a");
    EXPECT_EQ(app.romTable().findRecordByTitle("b"), 1);
    EXPECT_FALSE(logged(moved("a.nes", "b.nes")));
}

TEST_F(FoundMeanwhileTest, NotForAnotherHardwaresRecords) {
    // The other hardware has a record of the same title and a file of the new name.
    setUpHardware("SFC");
    dir.write("roms/SFC/b.nes", kRom);
    writeRecords("SFC", {record("a", "エス")});
    renamedWhileTheThreadLooks([&] {
        app.chooseHardware(1);
        ASSERT_EQ(app.currentCode(), "SFC");
        app.recordFollowing().waitUntilIdle();  // the new list's pass
    });
    EXPECT_EQ(title(), "a");
    EXPECT_FALSE(logged(moved("a.nes", "b.nes")));
    EXPECT_TRUE(app.saveRecords());
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "a");
    EXPECT_EQ(savedRecords("SFC")[0].fileTitle, "a");
}

// Two records whose files held the same bytes, one file left under a new name: it follows one
// record, and the other keeps its title.
TEST_F(RecordFollowingTest, OneFileTakesOneRecordOnly) {
    dir.write("roms/c.nes", kRom);
    writeRecords("FC", {record("a", "エー"), record("c", "シー")});
    start("FC");
    app.hashPending();
    std::filesystem::remove(dir.file("roms/c.nes"));
    rename("a.nes", "b.nes");
    app.showAll();
    const std::string first = app.romTable()[0].fileTitle, second = app.romTable()[1].fileTitle;
    EXPECT_TRUE((first == "b" && second == "c") || (first == "a" && second == "b"))
        << first << " " << second;
}

// The pass over the listed files, a few hundred at a time: every file within the limit summed,
// none beyond it, and a file of no ROM folder passed over.
TEST(IdentityPass, EveryListedFileWithinTheLimitIsSummedAndNoneBeyond) {
    test::TempFolder dir;
    IdentityJob job;
    job.romFolders = {dir.makeFolder("roms"), ""};
    for (int i = 0; i < 600; ++i) {
        const std::string name = "f" + std::to_string(1000 + i) + ".nes";
        dir.write("roms/" + name, std::string(static_cast<std::size_t>(1 + i % 7), 'x'));
        job.files.add(name, 0, false);
    }
    dir.write("roms/check.nes", "123456789");
    dir.write("roms/big.nes", std::string(1001, 'b'));
    for (const char* name : {"check.nes", "big.nes", "gone.nes"}) job.files.add(name, 0, true);
    job.files.add("check.nes", 1, false);   // a folder without a path
    job.files.add("check.nes", 7, false);   // beyond the folders
    job.files.add("check.nes", -1, false);  // other software
    IdentityCache cache(dir.file("identity.sqlite"));
    ASSERT_TRUE(cache.open());
    hashListedFiles(job, cache, 1000);
    for (int i = 0; i < 600; ++i) {
        const auto id = cache.find(dir.file("roms/f" + std::to_string(1000 + i) + ".nes"));
        ASSERT_TRUE(id) << i;
        EXPECT_EQ(id->size, static_cast<std::uint64_t>(1 + i % 7));
    }
    const auto check = cache.find(dir.file("roms/check.nes"));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->crc, 0xCBF43926u);  // the CRC-32 check value
    EXPECT_EQ(check->sha1, "f7c3bc1d808e04732adf679965ccc34ca7ae3441");
    EXPECT_FALSE(cache.find(dir.file("roms/big.nes")));
    EXPECT_EQ(cache.startingWith(dir.path()).size(), 601u);
}

// The new sums are written a few hundred at a time, each lot in one commit, in the order of
// their paths (the cache's own) whatever the list's order: on a share every commit makes, syncs
// and removes a journal of every page it changes. The local write-ahead log shows the same: a
// frame (a page and its header) for each page each commit changed.
TEST(IdentityPass, SumsAreWrittenALotAtATimeInPathOrder) {
    test::TempFolder dir;
    IdentityJob job;
    job.romFolders = {dir.makeFolder("roms/b"), dir.makeFolder("roms/a"), dir.makeFolder("roms/c")};
    constexpr int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i) {
        // Listed as a list by title lists them: scattered over the folders and their names.
        const int n = i * 1237 % kFiles;
        const std::string name = "game " + std::to_string(10000 + n) + ".nes";
        dir.write("roms/" + std::string(1, "bac"[n % 3]) + "/" + name, std::to_string(n));
        job.files.add(name, n % 3, false);
    }
    IdentityCache cache(dir.file("identity.sqlite"));
    ASSERT_TRUE(cache.open());
    hashListedFiles(job, cache, 1000);
    EXPECT_EQ(cache.startingWith(dir.path()).size(), static_cast<std::size_t>(kFiles));
    const auto one = cache.find(dir.file("roms/a/game 10001.nes"));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->crc, 0x83DCEFB7u);  // CRC-32 of "1"
    const std::string wal = dir.file("identity.sqlite-wal");
    ASSERT_TRUE(std::filesystem::exists(wal));
    constexpr std::uintmax_t kFrame = 24 + 4096;
    EXPECT_LT(std::filesystem::file_size(wal), 250 * kFrame);
}

}  // namespace
}  // namespace romshelf

// The files of a list build: copies share one block of names until one of them takes another
// file; each file keeps its name, folder and whether it has a record (its top bit of the size);
// a name too long for any file is not taken.
TEST(IdentityPass, ListedFilesShareTheirNamesUntilOneChanges) {
    romshelf::ListedFiles files;
    EXPECT_TRUE(files.empty());
    files.add("b.nes", 3, true);
    files.add(std::string(romshelf::ListedFiles::kLongestName, 'x'), 1, false);
    files.add(std::string(romshelf::ListedFiles::kLongestName + 1, 'y'), 1, false);
    files.add("\xE3\x83\x9E.nes", -1, false);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files.name(0), "b.nes");
    EXPECT_EQ(files.folder(0), 3);
    EXPECT_TRUE(files.registered(0));
    EXPECT_EQ(files.name(1).size(), romshelf::ListedFiles::kLongestName);
    EXPECT_FALSE(files.registered(1));
    EXPECT_EQ(files[2].name, "\xE3\x83\x9E.nes");
    EXPECT_EQ(files[2].folder, -1);

    const romshelf::ListedFiles shared = files;
    EXPECT_EQ(shared.name(0).data(), files.name(0).data());  // one block
    files.add("c.nes", 0, false);
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(shared.size(), 3u);
    EXPECT_NE(shared.name(0).data(), files.name(0).data());
    EXPECT_EQ(shared.name(0), "b.nes");
    EXPECT_EQ(files.name(3), "c.nes");
}

// Names kept elsewhere are not copied: a file whose name lies within a block added is read from
// there (its owner kept alive), any other name is copied, and so is one given an unknown block.
TEST(IdentityPass, ListedNamesWithinAKeptBlockAreNotCopied) {
    auto owner = std::make_shared<std::string>(std::string("a.nes\0b.nes\0XYZ", 15));
    const std::string_view block = std::string_view(*owner).substr(0, 12);
    romshelf::ListedFiles files;
    files.keep(owner);
    const std::uint32_t b = files.addBlock(block);
    files.addKept(b, block.substr(6, 5), 2, true);
    const std::string elsewhere = "c.nes";
    files.addKept(b, elsewhere, 2, false);
    files.addKept(b, std::string_view(owner->data() + 8, 6), 2, false);  // past the block's end
    files.addKept(b + 1, block.substr(0, 5), 3, false);
    const char* const start = owner->data();
    owner.reset();  // the files keep it
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files.name(0).data(), start + 6);
    EXPECT_EQ(files.name(0), "b.nes");
    EXPECT_TRUE(files.registered(0));
    EXPECT_EQ(files.folder(0), 2);
    EXPECT_EQ(files.name(1), "c.nes");
    EXPECT_NE(files.name(1).data(), elsewhere.data());
    EXPECT_EQ(files.name(2), std::string_view("nes\0XY", 6));
    EXPECT_NE(files.name(2).data(), start + 8);
    EXPECT_EQ(files.name(3), "a.nes");
    EXPECT_NE(files.name(3).data(), start);
    EXPECT_EQ(files.folder(3), 3);
}
