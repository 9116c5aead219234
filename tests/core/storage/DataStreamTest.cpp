#include "core/storage/DataStream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

std::string written(const std::function<void(DataStream&)>& body) {
    DataStream s;
    s.openMemoryForWriting();
    body(s);
    std::string out = s.buffer();
    s.close();
    return out;
}

}  // namespace

TEST(DataStream, PrimitiveEncodings) {
    EXPECT_EQ(written([](DataStream& s) { s.writeString(""); }), std::string("\0\0\0\0\0", 5));
    EXPECT_EQ(written([](DataStream& s) { s.writeInteger(-2); }), "\xFE\xFF\xFF\xFF");
    EXPECT_EQ(written([](DataStream& s) { s.writeFlag(true); }), std::string("\1\0\0\0", 4));
    // Double-byte text stores its byte length, not its character count.
    EXPECT_EQ(written([](DataStream& s) { s.writeString("あい"); }),
              std::string("\4\0\0\0\x82\xA0\x82\xA2\0", 9));
    // Text CP932 cannot hold is stored as the marker and UTF-8, all bytes counted.
    EXPECT_EQ(written([](DataStream& s) { s.writeString("한"); }),
              std::string("\6\0\0\0\xEF\xBB\xBF\xED\x95\x9C\0", 11));
}

TEST(DataStream, ReadsBackWhatWasWritten) {
    DataStream s;
    s.openBuffer(RawBytes().str("").i32(7).i32(INT32_MIN).str("\x82\xA0").str("\xEF\xBB\xBF한").bytes());
    EXPECT_EQ(s.readString(), "");
    EXPECT_TRUE(s.readFlag());  // any non-zero flag is true
    EXPECT_EQ(s.readInteger(), INT32_MIN);
    EXPECT_EQ(s.readString(), "あ");
    EXPECT_EQ(s.readString(), "한");
    EXPECT_FALSE(s.failed());
}

TEST(DataStream, TextEndsAtTheFirstNul) {
    DataStream s;
    s.openBuffer(RawBytes().i32(5).raw(std::string("ab\0cd\0", 6)).i32(1).bytes());
    EXPECT_EQ(s.readString(), "ab");
    EXPECT_EQ(s.readInteger(), 1);
    EXPECT_FALSE(s.failed());
}

TEST(DataStream, HostileLengthsAndTruncationFailTheStream) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"negative length", RawBytes().i32(-1).raw("x").bytes()},
        {"length over the limit", RawBytes().i32(12288).raw(std::string(12289, 'a')).bytes()},
        {"huge length", RawBytes().i32(INT32_MAX).bytes()},
        {"missing NUL", RawBytes().i32(3).raw("abc").bytes()},
        {"cut inside the length", std::string("\3\0", 2)},
        {"empty", std::string()},
    };
    for (const auto& c : cases) {
        DataStream s;
        s.openBuffer(c.bytes);
        EXPECT_EQ(s.readString(), "") << c.what;
        EXPECT_TRUE(s.failed()) << c.what;
        // Once failed, everything reads empty.
        EXPECT_EQ(s.readInteger(), 0) << c.what;
    }
    // The longest string the format carries is accepted.
    DataStream s;
    s.openBuffer(RawBytes().str(std::string(12287, 'a')).bytes());
    EXPECT_EQ(s.readString().size(), 12287u);
    EXPECT_FALSE(s.failed());
}

TEST(DataStream, OverlongTextIsCutSoTheFileStaysReadable) {
    std::string bytes = written([](DataStream& s) {
        s.writeString(std::string(20000, 'x'));
        s.writeInteger(42);
    });
    DataStream s;
    s.openBuffer(bytes);
    EXPECT_EQ(s.readString().size(), DataStream::kMaxStringBytes);
    EXPECT_EQ(s.readInteger(), 42);
    EXPECT_FALSE(s.failed());
}

TEST(DataStream, HeaderChecks) {
    auto check = [](std::string bytes, DataFileKind kind) {
        DataStream s;
        s.openBuffer(std::move(bytes));
        return readHeader(s, kind);
    };
    EXPECT_EQ(check(RawBytes().header("ROMSHELF_MAINDATA", 1).bytes(), DataFileKind::Main), HeaderStatus::Ok);
    // Another kind's magic is a broken file, not a wrong version.
    EXPECT_EQ(check(RawBytes().header("ROMSHELF_FOLDERDATA", 1).bytes(), DataFileKind::Main),
              HeaderStatus::BrokenMagic);
    EXPECT_EQ(check(RawBytes().header("ROMSHELF_MAINDATA", 2).bytes(), DataFileKind::Main),
              HeaderStatus::WrongVersion);
    EXPECT_EQ(check(RawBytes().header("ROMSHELF_WINDOWDATA", 1).bytes(), DataFileKind::Window),
              HeaderStatus::WrongVersion);
    EXPECT_EQ(check(RawBytes().header("ROMSHELF_WINDOWDATA", 2).bytes(), DataFileKind::Window), HeaderStatus::Ok);
    EXPECT_EQ(check(RawBytes().str("ROMSHELF_MAINDATA").bytes(), DataFileKind::Main),
              HeaderStatus::BrokenMagic);
    EXPECT_EQ(check("garbage", DataFileKind::Main), HeaderStatus::BrokenMagic);
}

TEST(DataStream, LoadStepsReportAndRejectWholeFiles) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    DataStream stream;
    int readBodies = 0;
    auto load = [&](const std::string& path) {
        return loadDataFile(stream, path, DataFileKind::Folder, prompter, [&](DataStream& s) {
            ++readBodies;
            s.readString();
            s.readInteger();
        });
    };
    EXPECT_EQ(load(dir.file("missing.slb")), LoadResult::Missing);
    EXPECT_TRUE(prompter.boxes().empty());

    EXPECT_EQ(load(dir.write("ok.slb", RawBytes().header("ROMSHELF_FOLDERDATA", 1).str("x").i32(3).bytes())),
              LoadResult::Loaded);
    EXPECT_TRUE(prompter.boxes().empty());

    EXPECT_EQ(load(dir.write("cut.slb", RawBytes().header("ROMSHELF_FOLDERDATA", 1).str("x").bytes())),
              LoadResult::Rejected);
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].text, "フォルダ設定ファイルが異常です。\nデータを読み込めません。");
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
    EXPECT_FALSE(prompter.boxes()[0].question);

    const int before = readBodies;
    EXPECT_EQ(load(dir.write("old.slb", RawBytes().header("ROMSHELF_FOLDERDATA", 0).bytes())),
              LoadResult::Rejected);
    EXPECT_EQ(prompter.boxes().back().text,
              "フォルダ設定ファイルのバージョンが違います。\nデータを読み込めません。");
    EXPECT_EQ(readBodies, before);  // a wrong header never reaches the body
}

TEST(DataStream, SaveIsAtomicAndFailsQuietly) {
    romshelf::test::TempFolder dir;
    DataStream stream;
    const std::string path = dir.write("a.slb", "old contents");
    EXPECT_TRUE(saveDataFile(stream, path, DataFileKind::Main, [](DataStream& s) { s.writeInteger(5); }));
    EXPECT_EQ(dir.read("a.slb"), RawBytes().header("ROMSHELF_MAINDATA", 1).i32(5).bytes());
    // No folder, no file: false, and nothing is left behind.
    EXPECT_FALSE(saveDataFile(stream, dir.file("nowhere/a.slb"), DataFileKind::Main,
                              [](DataStream& s) { s.writeInteger(5); }));
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));
    // A file that cannot be replaced keeps its old contents.
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    if (::access(dir.path().c_str(), W_OK) != 0) {  // root ignores the permission bits
        EXPECT_FALSE(saveDataFile(stream, path, DataFileKind::Main, [](DataStream& s) { s.writeInteger(9); }));
        EXPECT_EQ(dir.read("a.slb"), RawBytes().header("ROMSHELF_MAINDATA", 1).i32(5).bytes());
    }
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++leftovers;
    }
    EXPECT_EQ(leftovers, 1);
}
