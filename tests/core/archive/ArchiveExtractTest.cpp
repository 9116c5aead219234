#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveTypes.h"

namespace romshelf::test {
namespace {

using namespace romshelf::archive;

std::string testData(const std::string& name) {
    const char* root = std::getenv("ROMSHELF_TEST_DATA");
    return std::string(root != nullptr ? root : ROMSHELF_TEST_DATA_DIR) + "/archive/" + name;
}

// Each tool packs the members in the order given; exactly the chosen one comes out, under its
// own name without the stored folders, replacing an older copy.
TEST(ExtractTest, TheFirstRomMemberElseTheLastMemberIsTaken) {
    const std::tuple<Names, Names, std::size_t> cases[] = {
        {{"info.txt", "Game [!].nes", "notes.txt"}, {}, 1},
        {{"a.txt", "b.sfc", "c.nes"}, {}, 1},
        {{"alpha.txt", "beta.txt"}, {}, 1},
        {{"a.txt", "b.tap", "c.txt"}, {"", "TAP"}, 1},  // the hardware's own extensions
        {{"deep/er/game.pce", "z.txt"}, {}, 0}};
    for (const auto& [packer, archive] : {std::pair{Packer::Zip, "x.zip"},
                                          {Packer::SevenZip, "x.7z"},
                                          {Packer::SevenZipNonSolid, "x.7z"},
                                          {Packer::Cab, "x.cab"}}) {
        for (const auto& [members, extraExtensions, chosen] : cases) {
            const std::string name = std::filesystem::path(members[chosen]).filename().string();
            SCOPED_TRACE(std::string(archive) + " " + name);
            TempFolder src, dest;
            for (std::size_t i = 0; i < members.size(); ++i)
                src.write(members[i], romBytes(2000 + i * 10, static_cast<unsigned>(i)));
            ASSERT_TRUE(packWithTool(packer, src.path(), archive, members));
            dest.write(name, "an older copy");
            const std::string noSlash = dest.path().substr(0, dest.path().size() - 1);
            EXPECT_EQ(extract(src.file(archive), noSlash, extraExtensions), dest.file(name));
            EXPECT_TRUE(sameBytes(dest.read(name), src.read(members[chosen])));
            EXPECT_EQ(folderEntries(dest.path()), Names{name});
        }
    }
}

TEST(ExtractTest, LzhArchivesFollowTheSameRules) {
    TempFolder dest;
    // Level-2 headers; the ROM member's name is CP932.
    EXPECT_EQ(extract(testData("text_then_rom.lzh"), dest.path(), {}), dest.file("ゲーム.nes"));
    std::string expected;
    for (int i = 0; i < 1024; ++i) expected += static_cast<char>((i * 7 + 3) & 0xFF);
    EXPECT_TRUE(sameBytes(dest.read("ゲーム.nes"), expected));
    // Level-0 headers, no ROM.
    EXPECT_EQ(extract(testData("two_texts.lzh"), dest.path(), {}), dest.file("second.txt"));
    EXPECT_EQ(dest.read("second.txt"), "second\n");
}

// Nothing comes out of an empty archive, one of folders only, one of no known extension (in any
// case) or type readable here, nor into a missing folder; an empty member is still a member.
TEST(ExtractTest, WhatCannotBeTakenWritesNothing) {
    TempFolder src, dest;
    src.write("empty.zip", zipOf({}));
    src.makeFolder("only/inner");
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "folders.zip", {"only", "only/inner"}));
    src.write("empty.nes", "");
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "ZERO.ZIP", {"empty.nes"}));
    std::filesystem::copy_file(src.file("ZERO.ZIP"), src.file("zip.tar"));
    src.write("game.gca", "GCA0 not readable here");
    for (const char* archive : {"empty.zip", "folders.zip", "zip.tar", "game.gca", "missing.zip"})
        EXPECT_EQ(extract(src.file(archive), dest.path(), {}), "") << archive;
    EXPECT_EQ(extract(src.file("ZERO.ZIP"), dest.file("no-such-folder/"), {}), "");
    EXPECT_TRUE(folderEntries(dest.path()).empty());
    EXPECT_EQ(extract(src.file("ZERO.ZIP"), dest.path(), {}), dest.file("empty.nes"));
    EXPECT_EQ(dest.read("empty.nes"), "");
}

TEST(ArchiveTypesTest, OnlyTheLastExtensionCountsInAnyCaseAndRomFilesByExtension) {
    using T = ArchiveType;
    const std::pair<const char*, T> cases[] = {
        {"/roms/game.ZIP", T::Zip}, {"game.Lzh", T::Lzh}, {"game.cab", T::Cab},
        {"game.rar", T::Rar},       {"game.gca", T::Gca}, {"game.7Z", T::SevenZip}};
    for (const auto& [path, type] : cases) EXPECT_EQ(archiveTypeOf(path), type) << path;
    for (const char* path :
         {"game.zip.nes", "folder.zip/game", "zip", "game.tar.gz", "game.zipx", ""})
        EXPECT_FALSE(archiveTypeOf(path)) << path;
    // ROM files: by the fixed list or the hardware's extra extensions.
    const std::vector<std::string> extras = {"", "xyz", "", "Tap"};
    for (const char* name : {"Mario.nes", "disk.1", "folder/Sonic.Md"})  // the fixed list
        EXPECT_TRUE(isRomFile(name, {}) && isRomFile(name, extras)) << name;
    for (const char* name : {"game.XYZ", "game.tap"})  // what the hardware adds
        EXPECT_TRUE(isRomFile(name, extras) && !isRomFile(name, {})) << name;
    for (const char* name :
         {"readme.txt", "game.nes.txt", "nes", "game.ne", "game.2", "", "game.xy", "game.", "game"})
        EXPECT_FALSE(isRomFile(name, extras)) << name;
}

// The CRC-32 of `count` zero bytes followed by `tail`, without going through the zeros.
std::uint32_t crcOfZerosThen(std::uint64_t count, const std::string& tail) {
    uLong zeros = 0, block = crc32(0, reinterpret_cast<const Bytef*>("\0"), 1);
    for (z_off_t length = 1; count > 0; count >>= 1, length *= 2) {
        if (count & 1) zeros = crc32_combine(zeros, block, length);
        block = crc32_combine(block, block, length);
    }
    return crc32_combine(zeros, crc32(0, reinterpret_cast<const Bytef*>(tail.data()), tail.size()),
                         tail.size());
}

// The archive lies in the root of a scratch folder; the destination is a folder inside it, so
// that anything written outside the destination shows up beside the archive.
struct HostileArchiveTest : ::testing::Test {
    std::string extractZip(const std::string& bytes, std::uint64_t maxMemberBytes = 0) {
        ExtractOptions options;
        if (maxMemberBytes != 0) options.maxMemberBytes = maxMemberBytes;
        return extract(root_.write("hostile.zip", bytes), dest_, {}, options);
    }
    // Only the archive (and whatever the test put there) beside the destination.
    void expectNothingOutside(Names alsoThere = {}) {
        alsoThere.insert(alsoThere.end(), {"dest", "hostile.zip"});
        std::sort(alsoThere.begin(), alsoThere.end());
        EXPECT_EQ(folderEntries(root_.path()), alsoThere);
    }

    TempFolder root_;
    std::string dest_ = root_.makeFolder("dest");
};

// Climbing, absolute and Windows paths land inside the destination; names come out as UTF-8.
TEST_F(HostileArchiveTest, MemberNamesComeOutAsUtf8InsideTheDestination) {
    const std::string rom = romBytes(300);
    const std::pair<ZipMember, std::string> cases[] = {
        {{"../../climb.nes", rom}, "climb.nes"},
        {{"..\\..\\back.nes", rom}, "back.nes"},
        {{root_.file("absolute.nes"), rom}, "absolute.nes"},
        {{"a\\b\\rom.nes", rom}, "rom.nes"},
        {{"C:\\Windows\\drive.nes", rom}, "drive.nes"},
        {{"ok/../../mixed\\..\\m.nes", rom}, "m.nes"},
        // "ゲーム.nes" without the UTF-8 flag, as Japanese Windows archivers write it.
        {{"\x83\x51\x81\x5B\x83\x80.nes", rom}, "ゲーム.nes"},
        {{.rawName = "ロム.nes", .data = rom, .utf8Flag = true}, "ロム.nes"},
        // UTF-8 without the flag, as archivers on other systems often write it: still readable.
        {{"ファイナルファンタジーVI.sfc", rom}, "ファイナルファンタジーVI.sfc"},
    };
    for (const auto& [member, expected] : cases) {
        EXPECT_EQ(extractZip(zipOf({member})), dest_ + expected) << member.rawName;
        EXPECT_TRUE(sameBytes(root_.read("dest/" + expected), rom)) << member.rawName;
    }
    // Members without a usable name are not written at all.
    for (const std::string stored : {"..", "a/..", "x\\..", "."})
        EXPECT_EQ(extractZip(zipOf({{stored, "data"}})), "") << stored;
    expectNothingOutside();
    EXPECT_EQ(folderEntries(dest_).size(), std::size(cases));
}

TEST_F(HostileArchiveTest, LinksAreNeverCreated) {
    // One made by the real zip, which stores the link itself (-y), and one named as a ROM.
    std::filesystem::create_directory(root_.file("pack"));
    std::filesystem::create_symlink("/etc/passwd", root_.file("pack/passwd.txt"));
    ASSERT_TRUE(packWithTool(Packer::Zip, root_.file("pack/"), "../hostile.zip", {"passwd.txt"}));
    EXPECT_EQ(extract(root_.file("hostile.zip"), dest_, {}), "");
    const ZipMember link{.rawName = "evil.nes", .data = "../../outside.nes", .unixMode = 0120777};
    EXPECT_EQ(extractZip(zipOf({link})), "");
    expectNothingOutside({"pack"});
    EXPECT_TRUE(folderEntries(dest_).empty());
}

// Over the size limit (set here; it comes from the disk's free space), declared or not, a size
// that lies either way, a damaged stream: refused, leaving no partial file and the older copy.
TEST_F(HostileArchiveTest, OversizeLiesAndDamageLeaveNothingAndKeepTheOlderCopy) {
    root_.write("dest/game.nes", "the older copy");
    const std::string rom = romBytes(1024 * 1024);
    const auto zip = [&](std::optional<std::uint32_t> declaredSize, bool late = false) {
        return zipOf({{"game.nes", rom, true, false, declaredSize, {}, late}}, !late);
    };
    // Sizes only after the data and no central directory: nothing tells the size beforehand. (A
    // member follows, as the streaming reader looks ahead past the data descriptor.)
    const std::string undeclared = zip(std::nullopt, true) + zipOf({{"tail.txt", "tail"}}, false);
    std::string damaged = zip(std::nullopt);
    damaged[30 + 8 + 60000] ^= 0x55;  // inside the deflate stream, past the name
    const auto refused = [&](const std::string& bytes, std::uint64_t limit) {
        EXPECT_EQ(extractZip(bytes, limit), "") << bytes.size() << " bytes, limit " << limit;
        EXPECT_EQ(folderEntries(dest_), Names{"game.nes"});
        EXPECT_EQ(root_.read("dest/game.nes"), "the older copy");
    };
    for (const std::string& bytes : {zip(std::nullopt), undeclared}) refused(bytes, 64 * 1024);
    for (const std::string& bytes : {zip(100), zip(2 << 20), damaged}) refused(bytes, 0);
    expectNothingOutside();
    // The same within the limit is fine.
    for (const std::string& bytes : {zip(std::nullopt), undeclared}) {
        EXPECT_EQ(extractZip(bytes), dest_ + "game.nes");
        EXPECT_TRUE(sameBytes(root_.read("dest/game.nes"), rom));
        std::filesystem::remove(dest_ + "game.nes");
    }
}

TEST_F(HostileArchiveTest, TruncatedAndGarbageArchivesFailCleanly) {
    root_.write("pack/game.nes", romBytes(300 * 1024));
    root_.write("pack/readme.txt", "read me");
    for (const std::string name : {"x.zip", "x.7z"}) {
        const Packer packer = name == "x.zip" ? Packer::Zip : Packer::SevenZipNonSolid;
        ASSERT_TRUE(packWithTool(packer, root_.file("pack/"), name, {"readme.txt", "game.nes"}));
        const std::string whole = root_.read("pack/" + name);
        for (std::size_t keep : {whole.size() / 2, std::size_t{10}})
            EXPECT_EQ(extract(root_.write("cut/" + name, whole.substr(0, keep)), dest_, {}), "")
                << name << " " << keep;
    }
    for (const std::string& garbage : {romBytes(5000), std::string(), "PK\x03\x04" + romBytes(100)})
        EXPECT_EQ(extractZip(garbage), "");
    expectNothingOutside({"cut", "pack"});
    EXPECT_TRUE(folderEntries(dest_).empty());
}

// A disc image may pass 4 GiB: a stored ZIP64 member of zeros but "END", a hole in an archive in
// memory where possible (a hole read from disk fills fresh page cache: seconds per gigabyte).
TEST_F(HostileArchiveTest, AMemberLargerThanFourGibibytesComesOutWhenTheDiskHasRoom) {
    const std::uint64_t size = (4ull << 30) + 3;
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(dest_.c_str(), &disk), 0);
    if (disk.f_bavail * disk.f_frsize / 100 * 99 < size + kKeptFreeBytes + (256u << 20))
        GTEST_SKIP() << "the scratch disk has too little room for the member";
    const std::string zip = std::filesystem::is_directory("/dev/shm")
                                ? "/dev/shm/romshelf-test-" + std::to_string(::getpid()) + ".zip"
                                : root_.file("big.zip");
    std::string header;
    put(header, 4, {0x04034b50});
    put(header, 2, {45, 0, 0, 0, 0x21});  // ZIP64; flags, stored, time, date
    put(header, 4, {crcOfZerosThen(size - 3, "END"), 0xFFFFFFFF, 0xFFFFFFFF});  // sizes: below
    put(header, 2, {8, 20});
    header += "disc.iso";
    put(header, 2, {1, 16});
    put(header, 8, {size, size});
    std::ofstream(zip, std::ios::binary) << header;
    std::filesystem::resize_file(zip, header.size() + size - 3);
    std::ofstream(zip, std::ios::binary | std::ios::app) << "END";
    ExtractOptions options;
    options.flushToDisk = false;
    const std::string out = extract(zip, dest_, {"iso"}, options);
    std::filesystem::remove(zip);
    ASSERT_EQ(out, dest_ + "disc.iso");
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, static_cast<off_t>(size));
    EXPECT_LT(st.st_blocks * 512, 16 << 20);  // the zeros stayed a hole: next to no room
    std::ifstream in(out, std::ios::binary);
    std::string ends(6, 'x');
    in.read(ends.data(), 3).seekg(static_cast<std::streamoff>(size - 3)).read(ends.data() + 3, 3);
    EXPECT_EQ(ends, std::string(3, '\0') + "END");
    EXPECT_EQ(folderEntries(dest_), Names{"disc.iso"});
}

// Zero runs inside and at the end of a member come back as they were.
TEST_F(HostileArchiveTest, ZeroStretchesAreWrittenBackExactly) {
    const std::string zeros(1024 * 1024, '\0');
    for (const std::string& data : {romBytes(300 * 1024) + zeros + romBytes(300 * 1024, 2) + zeros,
                                    zeros + romBytes(1000), zeros}) {
        for (bool deflate : {false, true}) {
            ASSERT_EQ(extractZip(zipOf({{"game.nes", data, deflate}})), dest_ + "game.nes");
            EXPECT_TRUE(sameBytes(root_.read("dest/game.nes"), data)) << data.size();
        }
    }
    expectNothingOutside();
}

TEST_F(HostileArchiveTest, AnArchiveNeverReplacesItselfWithAMemberOfItsName) {
    root_.write("pack/hostile.zip", "inner");
    ASSERT_TRUE(packWithTool(Packer::Zip, root_.file("pack/"), "../hostile.zip", {"hostile.zip"}));
    const std::string before = root_.read("hostile.zip");
    EXPECT_EQ(extract(root_.file("hostile.zip"), root_.path(), {}), "");
    EXPECT_EQ(root_.read("hostile.zip"), before);
    expectNothingOutside({"pack"});
}

}  // namespace
}  // namespace romshelf::test
