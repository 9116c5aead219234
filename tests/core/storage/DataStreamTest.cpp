#include "core/storage/DataStream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "DataFileFixtures.h"

using namespace romshelf;
using romshelf::test::RawBytes;

using DataFileSteps = romshelf::test::DataFileTest;

// The encodings themselves are checked by the files written against hand-built bytes. Text over
// the limit is written cut, so that the file stays readable.
TEST(DataStream, TextEndsAtTheFirstNulAnyNonZeroFlagIsTrueAndOverlongTextIsCut) {
    DataStream w, s;
    w.openMemoryForWriting();
    w.writeString(std::string(20000, 'x'));
    w.writeInteger(42);
    s.openBuffer(RawBytes().i32(5).raw(std::string("ab\0cd\0", 6)).i32(-7).i32(INT32_MIN).bytes() +
                 w.buffer());
    EXPECT_EQ(s.readString(), "ab");
    EXPECT_TRUE(s.readFlag());
    EXPECT_EQ(s.readInteger(), INT32_MIN);
    EXPECT_EQ(s.readString().size(), DataStream::kMaxStringBytes);
    EXPECT_EQ(s.readInteger(), 42);
    EXPECT_FALSE(s.failed());
}

TEST(DataStream, HostileLengthsAndTruncationFailTheStream) {
    const std::pair<const char*, std::string> cases[] = {
        {"negative length", RawBytes().i32(-1).raw("x").bytes()},
        {"length over the limit", RawBytes().i32(12288).raw(std::string(12289, 'a')).bytes()},
        {"huge length", RawBytes().i32(INT32_MAX).bytes()},
        {"missing NUL", RawBytes().i32(3).raw("abc").bytes()},
        {"cut inside the length", std::string("\3\0", 2)},
        {"empty", std::string()},
    };
    for (const auto& [what, bytes] : cases) {
        DataStream s;
        s.openBuffer(bytes);
        EXPECT_EQ(s.readString(), "") << what;
        EXPECT_TRUE(s.failed()) << what;
        EXPECT_EQ(s.readInteger(), 0) << what;  // once failed, everything reads empty
    }
    // The longest string the format carries is accepted.
    DataStream s;
    s.openBuffer(RawBytes().str(std::string(12287, 'a')).bytes());
    EXPECT_EQ(s.readString().size(), 12287u);
    EXPECT_FALSE(s.failed());
}

TEST(DataStream, HeaderChecks) {
    using K = DataFileKind;
    // The window file alone is at version 2; a magic without its version, or no magic at all, is
    // a broken file.
    const std::tuple<std::string, K, HeaderStatus> cases[] = {
        {RawBytes().header("ROMSHELF_WINDOWDATA", 1).bytes(), K::Window,
         HeaderStatus::WrongVersion},
        {RawBytes().header("ROMSHELF_WINDOWDATA", 2).bytes(), K::Window, HeaderStatus::Ok},
        {RawBytes().str("ROMSHELF_MAINDATA").bytes(), K::Main, HeaderStatus::BrokenMagic},
        {"garbage", K::Main, HeaderStatus::BrokenMagic}};
    for (const auto& [bytes, kind, status] : cases) {
        DataStream s;
        s.openBuffer(bytes);
        EXPECT_EQ(readHeader(s, kind), status) << bytes;
    }
}

// A missing file is no message; a cut one is refused whole; a wrong header never reaches the body.
TEST_F(DataFileSteps, LoadReportsAndRejectsWholeFiles) {
    int readBodies = 0;
    auto load = [&](const std::string& name, const std::string& bytes) {
        const std::string path = bytes.empty() ? dir.file(name) : dir.write(name, bytes);
        return loadDataFile(stream, path, DataFileKind::Folder, prompter, [&](DataStream& s) {
            ++readBodies;
            s.readString();
            s.readInteger();
        });
    };
    const RawBytes head = RawBytes().header("ROMSHELF_FOLDERDATA", 1);
    EXPECT_EQ(load("missing.slb", ""), LoadResult::Missing);
    EXPECT_EQ(load("ok.slb", RawBytes(head).str("x").i32(3).bytes()), LoadResult::Loaded);
    EXPECT_TRUE(prompter.boxes().empty());  // for neither
    EXPECT_EQ(load("cut.slb", RawBytes(head).str("x").bytes()), LoadResult::Rejected);
    EXPECT_TRUE(warnedOnce("フォルダ設定ファイルが異常です。\nデータを読み込めません。"));
    EXPECT_EQ(readBodies, 3);  // read once more before it is refused, and told once
    prompter.clear();
    EXPECT_EQ(load("old.slb", RawBytes().header("ROMSHELF_FOLDERDATA", 0).bytes()),
              LoadResult::Rejected);
    EXPECT_TRUE(
        warnedOnce("フォルダ設定ファイルのバージョンが違います。\nデータを読み込めません。"));
    EXPECT_EQ(readBodies, 3);  // another version is what it says: not read again
}

// A file caught while another machine writes it (cut at the first read, whole a moment later) is
// read whole the second time, and nothing is told.
TEST_F(DataFileSteps, AFileCaughtMidWriteIsReadAgainWhole) {
    const RawBytes head = RawBytes().header("ROMSHELF_FOLDERDATA", 1);
    const std::string whole = RawBytes(head).str("x").i32(3).bytes();
    const std::string path = dir.write("busy.slb", whole.substr(0, whole.size() - 2));
    int reads = 0;
    std::int32_t value = 0;
    EXPECT_EQ(loadDataFile(stream, path, DataFileKind::Folder, prompter,
                           [&](DataStream& s) {
                               if (++reads == 1) dir.write("busy.slb", whole);
                               s.readString();
                               value = s.readInteger();
                           }),
              LoadResult::Loaded);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(value, 3);
    EXPECT_TRUE(prompter.boxes().empty());
    // What was read is what the next save may write over.
    EXPECT_EQ(DataStream::diskState(path), DataStream::DiskState::AsSeen);
}

TEST_F(DataFileSteps, SaveIsAtomicAndFailsQuietly) {
    namespace fs = std::filesystem;
    auto save = [&](const std::string& path, std::int32_t value) {
        return saveDataFile(stream, path, DataFileKind::Main,
                            [=](DataStream& s) { s.writeInteger(value); });
    };
    const std::string saved = RawBytes().header("ROMSHELF_MAINDATA", 1).i32(5).bytes();
    const std::string path = dir.write("a.slb", "old contents");
    EXPECT_TRUE(save(path, 5));
    EXPECT_EQ(dir.read("a.slb"), saved);
    // No folder, no file: false, and nothing is left behind.
    EXPECT_FALSE(save(dir.file("nowhere/a.slb"), 5));
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    // A file that cannot be replaced keeps its old contents.
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.path().c_str(), W_OK) != 0) {  // root ignores the permission bits
        EXPECT_FALSE(save(path, 9));
        EXPECT_EQ(dir.read("a.slb"), saved);
    }
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
