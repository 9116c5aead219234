#include "core/rename/FileIdentity.h"
#include "core/rename/RenameData.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <vector>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"
#include "cli/DumpCommand.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

// Bytes that vary in value and sign, so that a sum or a CRC over the wrong range shows.
std::string pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + seed * 7 + i / 253) & 0xFF);
    return s;
}

// The identities Python's zlib and its own byte sums give, one "size crc s1 s2 s3" line a file.
std::string pythonIdentities(const std::vector<std::string>& paths) {
    std::string cmd =
        "python3 -c \"import sys,zlib,struct\nfor f in sys.argv[1:]:\n d=open(f,'rb').read()\n"
        " s=lambda o:abs(sum(struct.unpack('32b',d[o:o+32])))\n"
        " p=[s(0),s(256),s(512)] if len(d)>560 else [0,1,2]\n"
        " print(len(d),struct.unpack('<i',struct.pack('<I',zlib.crc32(d)))[0],*p)\"";
    for (const std::string& path : paths) cmd += " '" + path + "'";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    while (pipe && std::fgets(buf, sizeof buf, pipe)) out += buf;
    if (pipe) ::pclose(pipe);
    return out;
}

std::string text(const FileIdentity& id) {
    std::ostringstream s;
    s << id.size << ' ' << id.crc << ' ' << id.sum1 << ' ' << id.sum2 << ' ' << id.sum3 << '\n';
    return s.str();
}

TEST(FileIdentityTest, MatchesPythonsZlibAcrossTheProbeBoundaryAndLargeReads) {
    TempFolder dir;
    std::vector<std::string> paths;
    std::string ours;
    for (std::size_t size : {0, 1, 255, 560, 561, 600, 3 * 1024 * 1024 + 17}) {
        paths.push_back(dir.write("f" + std::to_string(size), pattern(size, size % 13)));
        ours += text(fileIdentity(paths.back()));
    }
    const std::string python = pythonIdentities(paths);
    ASSERT_FALSE(python.empty()) << "python3 with zlib is needed";
    EXPECT_EQ(ours, python);
}

TEST(FileIdentityTest, SumsOfSignedBytesByHandAndFilesThatAreNoFiles) {
    TempFolder dir;
    // 32 x 0xFF at 0, 32 x 0x7F at 256, 32 x 0x80 at 512, then one byte past the 560 limit.
    std::string bytes(561, '\x01');
    bytes.replace(0, 32, 32, '\xFF').replace(256, 32, 32, '\x7F').replace(512, 32, 32, '\x80');
    FileIdentity id = fileIdentity(dir.write("a.bin", bytes));
    EXPECT_EQ(id.size, 561);
    EXPECT_EQ((std::array{id.sum1, id.sum2, id.sum3}), (std::array{32, 4064, 4096}));
    id = fileIdentity(dir.write("b.bin", bytes.substr(0, 560)));
    EXPECT_EQ((std::array{id.sum1, id.sum2, id.sum3}), (std::array{0, 1, 2}));

    // A FIFO is refused without waiting for a writer; a missing file is an empty one.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(fileIdentity(dir.file("fifo")), FileIdentity{});
    EXPECT_EQ(fileIdentity(dir.file("none")), (FileIdentity{0, 0, 0, 1, 2}));
}

// What the identify command prints: nothing for what is no regular file, else the identity.
TEST(FileIdentityTest, ARegularFilesIdentityOrNothing) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(regularFileIdentity(dir.file("fifo")), std::nullopt);
    EXPECT_EQ(regularFileIdentity(dir.file("none")), std::nullopt);
    EXPECT_EQ(regularFileIdentity(dir.path()), std::nullopt);
    // An empty file is one: size 0, CRC 0, the fixed sums.
    EXPECT_EQ(regularFileIdentity(dir.write("empty", "")), (FileIdentity{0, 0, 0, 1, 2}));
    // python3: zlib.crc32(b"123456789") is 0xcbf43926, as a signed 32-bit number.
    EXPECT_EQ(regularFileIdentity(dir.write("digits", "123456789")),
              (FileIdentity{9, -873187034, 0, 1, 2}));
}

// "マリオ" in the file's Shift-JIS.
constexpr std::string_view kMarioSjis = "\x83\x7d\x83\x8a\x83\x49";

RawBytes renameFile(std::string_view magic, int version, int records) {
    RawBytes raw;
    raw.header(magic, version).str("FC");
    for (int i = 0; i < records; ++i) {
        raw.str(i == 0 ? kMarioSjis : "Game " + std::to_string(i));
        raw.i32(40960 + i).i32(-1234567).i32(32).i32(4064).i32(i).str("").i32(0);
    }
    raw.str("EOF");
    return raw;
}

struct RenameDataFile : ::testing::Test {
    TempFolder dir;
    ScriptedPrompter prompter;
    DataStream stream;
    RenameData data;
    LoadResult load(const std::string& bytes) {
        return loadRenameData(stream, dir.write("Rename_FC.dat", bytes), prompter, data);
    }
};

TEST_F(RenameDataFile, RoundTripIsByteExactAndDumpReadsIt) {
    const RawBytes raw = renameFile("ROMSHELF_RENAMEDATA", 1, 2);
    ASSERT_EQ(load(raw.bytes()), LoadResult::Loaded);
    EXPECT_TRUE(prompter.boxes().empty());
    ASSERT_EQ(data.records.size(), 2u);
    EXPECT_EQ(data.hardware, "FC");
    EXPECT_EQ(data.records[0].name, "マリオ");
    EXPECT_EQ(data.records[1].identity, (FileIdentity{40961, -1234567, 32, 4064, 1}));
    ASSERT_TRUE(saveRenameData(stream, dir.file("out.dat"), data));
    EXPECT_TRUE(sameBytes(dir.read("out.dat"), raw.bytes()));

    std::ostringstream out, err;
    ASSERT_EQ(cli::dumpDataFile(dir.file("Rename_FC.dat"), out, err), 0) << err.str();
    EXPECT_NE(out.str().find("\"name\": \"マリオ\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"crc\": -1234567"), std::string::npos);
}

TEST_F(RenameDataFile, BeyondTheTableLimitTheFirstRecordsAreUsedAndTheRestIsNamed) {
    ASSERT_EQ(load(renameFile("ROMSHELF_RENAMEDATA", 1, 5003).bytes()), LoadResult::Loaded);
    EXPECT_EQ(data.records.size(), 5000u);
    EXPECT_EQ(data.records.back().name, "Game 4999");
    EXPECT_EQ(data.leftOut, 3u);
    EXPECT_TRUE(
        prompter.shownOnce("リネームデータに記録されたファイルが 5003 件あります。\n"
                           "使えるのは先頭の 5000 件までなので、「Game 5000」から後の 3 件"));
}

TEST_F(RenameDataFile, HeaderChecksAndTruncationRefuseTheFileAndLeaveItUntouched) {
    const std::string cut = renameFile("ROMSHELF_RENAMEDATA", 1, 2).bytes();
    const std::pair<std::string, std::string> cases[] = {
        {renameFile("ROMSHELF_ROMDATA", 1, 2).bytes(), "リネームデータが破損しています。"},
        {renameFile("ROMSHELF_RENAMEDATA", 2, 2).bytes(), "リネームデータのバージョンが違います。"},
        {cut.substr(0, cut.size() - 9), "リネームデータが破損しています。"},
    };
    for (const auto& [bytes, message] : cases) {
        prompter.clear();
        data.hardware = "kept";
        EXPECT_EQ(load(bytes), LoadResult::Rejected);
        EXPECT_TRUE(prompter.shownOnce(message));
        EXPECT_EQ(data.hardware, "kept");
        EXPECT_TRUE(sameBytes(dir.read("Rename_FC.dat"), bytes));
    }
}

}  // namespace
