#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/ArchiveExtractor.h"

namespace romshelf::test {
namespace {

using namespace romshelf::archive;

// Runs `read` beside the FIFO `fifo`. A reader that opens it the blocking way waits for a
// writer; after a while one comes and goes, so that such a reader fails the test instead of
// hanging it. True when `read` finished on its own.
bool finishesWithoutAWriter(const std::string& fifo, const std::function<void()>& read) {
    std::future<void> done = std::async(std::launch::async, read);
    bool alone = true;
    for (auto wait = std::chrono::seconds(5); done.wait_for(wait) != std::future_status::ready;
         wait = std::chrono::seconds(0)) {
        alone = false;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    done.get();
    return alone;
}

// The CRC-32 of `count` zero bytes followed by `tail`, without going through the zeros.
std::uint32_t crcOfZerosThen(std::uint64_t count, const std::string& tail) {
    uLong zeros = 0;
    uLong block = crc32(0, reinterpret_cast<const Bytef*>("\0"), 1);
    for (z_off_t length = 1; count > 0; count >>= 1, length *= 2) {
        if (count & 1) zeros = crc32_combine(zeros, block, length);
        block = crc32_combine(block, block, length);
    }
    const uLong tailCrc = crc32(0, reinterpret_cast<const Bytef*>(tail.data()), tail.size());
    return static_cast<std::uint32_t>(
        crc32_combine(zeros, tailCrc, static_cast<z_off_t>(tail.size())));
}

// A file "*.zip" of its own in memory (/dev/shm) when there is such a place, else beside the
// test's other files; removed at the end. Reading a hole on disk fills fresh page cache with
// zeros, seconds for gigabytes; in memory it reads the one shared zero page.
class ScratchZip {
public:
    explicit ScratchZip(const TempFolder& fallback) {
        std::string pattern = "/dev/shm/romshelf-test-XXXXXX.zip";
        const int fd = ::mkstemps(pattern.data(), 4);
        if (fd >= 0) {
            ::close(fd);
            path_ = pattern;
            owned_ = true;
        } else {
            path_ = fallback.file("hostile.zip");
        }
    }
    ~ScratchZip() {
        if (owned_) ::unlink(path_.c_str());
    }
    ScratchZip(const ScratchZip&) = delete;
    ScratchZip& operator=(const ScratchZip&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool owned_ = false;
};

// A ZIP of one stored ZIP64 member of `size` bytes, all zeros but `tail` at the end, as only a
// streaming reader reads it (no central directory). The zeros are a hole in the archive, so
// it takes no room whatever its size.
void writeSparseZip64(const std::string& path, const std::string& name, std::uint64_t size,
                      const std::string& tail) {
    std::string bytes;
    const auto le = [&bytes](std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    le(0x04034b50, 4);
    le(45, 2);                                  // version needed: ZIP64
    le(0, 2), le(0, 2), le(0, 2), le(0x21, 2);  // flags, stored, time, date
    le(crcOfZerosThen(size - tail.size(), tail), 4);
    le(0xFFFFFFFF, 4), le(0xFFFFFFFF, 4);  // the sizes are in the ZIP64 field
    le(name.size(), 2), le(20, 2);
    bytes += name;
    le(1, 2), le(16, 2), le(size, 8), le(size, 8);
    std::filesystem::remove(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const auto end = static_cast<off_t>(bytes.size() + size);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(::pwrite(fd, tail.data(), tail.size(), end - static_cast<off_t>(tail.size())),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
}

// The archive lies in the root of a scratch folder; the destination is a folder inside it, so
// that anything written outside the destination shows up beside the archive.
class HostileArchiveTest : public ::testing::Test {
protected:
    std::string extractZip(const std::string& bytes, std::uint64_t maxMemberBytes = 0) {
        ExtractOptions options;
        if (maxMemberBytes != 0) options.maxMemberBytes = maxMemberBytes;
        root_.write("hostile.zip", bytes);
        return extract(root_.file("hostile.zip"), dest_, {}, options);
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

TEST_F(HostileArchiveTest, ClimbingAbsoluteAndWindowsPathsLandInsideTheDestination) {
    const std::string rom = romBytes(300);
    const std::pair<std::string, std::string> cases[] = {
        {"../../climb.nes", "climb.nes"},
        {"..\\..\\back.nes", "back.nes"},
        {root_.file("absolute.nes"), "absolute.nes"},
        {"a\\b\\rom.nes", "rom.nes"},
        {"C:\\Windows\\drive.nes", "drive.nes"},
        {"ok/../../mixed\\..\\m.nes", "m.nes"},
    };
    for (const auto& [stored, expected] : cases) {
        EXPECT_EQ(extractZip(ZipBuilder().add(stored, rom).bytes()), dest_ + expected) << stored;
        EXPECT_TRUE(sameBytes(root_.read("dest/" + expected), rom)) << stored;
    }
    // Members without a usable name are not written at all.
    for (const std::string stored : {"..", "a/..", "x\\..", "."})
        EXPECT_EQ(extractZip(ZipBuilder().add(stored, "data").bytes()), "") << stored;
    expectNothingOutside();
    EXPECT_EQ(folderEntries(dest_).size(), std::size(cases));
}

TEST_F(HostileArchiveTest, LinksAreNeverCreated) {
    // Made by the real zip, which stores the link itself (-y).
    std::filesystem::create_directory(root_.file("pack"));
    std::filesystem::create_symlink(root_.file("target.txt"), root_.file("pack/link.nes"));
    std::filesystem::create_symlink("/etc/passwd", root_.file("pack/passwd.txt"));
    for (const char* link : {"link.nes", "passwd.txt"}) {
        std::filesystem::remove(root_.file("hostile.zip"));
        ASSERT_TRUE(packWithTool(Packer::Zip, root_.file("pack/"), "../hostile.zip", {link}));
        EXPECT_EQ(extract(root_.file("hostile.zip"), dest_, {}), "") << link;
    }
    EXPECT_EQ(
        extractZip(
            ZipBuilder()
                .add({.rawName = "evil.nes", .data = "../../outside.nes", .unixMode = 0120777})
                .bytes()),
        "");
    expectNothingOutside({"pack"});
    EXPECT_TRUE(folderEntries(dest_).empty());
}

// The limit normally comes from the free space of the destination's disk; here it is set.
TEST_F(HostileArchiveTest, SizesOverTheLimitAreRefusedWhetherDeclaredOrNot) {
    const std::string bomb = std::string(1024 * 1024, 'A');
    const std::string declared =
        ZipBuilder().add({.rawName = "bomb.nes", .data = bomb, .deflate = true}).bytes();
    ASSERT_LT(declared.size(), 8u * 1024);
    // Sizes only after the data and no central directory: nothing tells the size beforehand.
    // (A member follows, as the streaming reader looks ahead past the data descriptor.)
    const std::string undeclared =
        ZipBuilder()
            .add({.rawName = "bomb.nes", .data = bomb, .deflate = true, .dataDescriptor = true})
            .add("tail.txt", "tail")
            .bytes(false);
    for (const std::string& bytes : {declared, undeclared}) {
        EXPECT_EQ(extractZip(bytes, 64 * 1024), "");
        EXPECT_TRUE(folderEntries(dest_).empty());
        EXPECT_EQ(extractZip(bytes), dest_ + "bomb.nes");  // the same within the limit is fine
        EXPECT_TRUE(sameBytes(root_.read("dest/bomb.nes"), bomb));
        std::filesystem::remove(dest_ + "bomb.nes");
    }
}

// A size that lies either way, or a damaged stream, leaves no partial file and the older copy.
TEST_F(HostileArchiveTest, LiesAndCorruptDataLeaveNothingAndKeepTheOlderCopy) {
    root_.write("dest/game.nes", "the older copy");
    const std::string rom = romBytes(1024 * 1024);
    std::string damaged =
        ZipBuilder().add({.rawName = "game.nes", .data = rom, .deflate = true}).bytes();
    damaged[30 + 8 + 60000] ^= 0x55;  // inside the deflate stream, past the name
    const auto liar = [&](std::uint32_t size) {
        return ZipBuilder()
            .add({.rawName = "game.nes", .data = rom, .deflate = true, .declaredSize = size})
            .bytes();
    };
    for (const std::string& bytes : {liar(100), liar(2 * 1024 * 1024), damaged}) {
        EXPECT_EQ(extractZip(bytes), "");
        EXPECT_EQ(folderEntries(dest_), Names{"game.nes"});
        EXPECT_EQ(root_.read("dest/game.nes"), "the older copy");
    }
    expectNothingOutside();
}

TEST_F(HostileArchiveTest, TruncatedAndGarbageArchivesFailCleanly) {
    root_.write("pack/game.nes", romBytes(300 * 1024));
    root_.write("pack/readme.txt", "read me");
    for (const auto& [packer, name] :
         {std::pair{Packer::Zip, "x.zip"}, std::pair{Packer::SevenZipNonSolid, "x.7z"}}) {
        ASSERT_TRUE(packWithTool(packer, root_.file("pack/"), name, {"readme.txt", "game.nes"}));
        const std::string whole = root_.read("pack/" + std::string(name));
        for (std::size_t keep : {whole.size() / 2, std::size_t{10}}) {
            const std::string cut = root_.write("cut/" + std::string(name), whole.substr(0, keep));
            EXPECT_EQ(extract(cut, dest_, {}), "") << name << " " << keep;
        }
    }
    EXPECT_EQ(extractZip(romBytes(5000)), "");
    EXPECT_EQ(extractZip(""), "");
    EXPECT_EQ(extractZip(std::string("PK\x03\x04", 4) + romBytes(100)), "");
    expectNothingOutside({"cut", "pack"});
    EXPECT_TRUE(folderEntries(dest_).empty());
}

// A disc image may well be larger than 4 GiB; a disk with room for it takes it whole.
TEST_F(HostileArchiveTest, AMemberLargerThanFourGibibytesComesOutWhenTheDiskHasRoom) {
    const std::uint64_t size = (4ull << 30) + 3;
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(dest_.c_str(), &disk), 0);
    const std::uint64_t free = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
    if (free / 100 * 99 < size + kKeptFreeBytes + (256u << 20))
        GTEST_SKIP() << "the scratch disk has too little room for the member";
    const ScratchZip zip(root_);
    writeSparseZip64(zip.path(), "disc.iso", size, "END");
    if (HasFatalFailure()) return;

    ExtractOptions options;
    options.flushToDisk = false;
    const std::string out = extract(zip.path(), dest_, {"iso"}, options);
    ASSERT_EQ(out, dest_ + "disc.iso");
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), size);
    // The zeros stayed a hole: the image took next to no room.
    EXPECT_LT(static_cast<std::uint64_t>(st.st_blocks) * 512, 16u << 20);
    const int fd = ::open(out.c_str(), O_RDONLY | O_CLOEXEC);
    char ends[2][4] = {};
    EXPECT_EQ(::pread(fd, ends[0], 3, 0), 3);
    EXPECT_EQ(::pread(fd, ends[1], 3, static_cast<off_t>(size - 3)), 3);
    ::close(fd);
    EXPECT_EQ(std::string(ends[0], 3), std::string(3, '\0'));
    EXPECT_EQ(std::string(ends[1]), "END");
    EXPECT_EQ(folderEntries(dest_), Names{"disc.iso"});
}

// Zero runs inside and at the end of a member come back as they were.
TEST_F(HostileArchiveTest, ZeroStretchesAreWrittenBackExactly) {
    const std::string zeros(1024 * 1024, '\0');
    const std::string cases[] = {
        romBytes(300 * 1024) + zeros + romBytes(300 * 1024, 2) + zeros,
        zeros + romBytes(1000),
        zeros,
    };
    for (const std::string& data : cases) {
        for (bool deflate : {false, true}) {
            const std::string zip =
                ZipBuilder().add({.rawName = "game.nes", .data = data, .deflate = deflate}).bytes();
            ASSERT_EQ(extractZip(zip), dest_ + "game.nes");
            EXPECT_TRUE(sameBytes(root_.read("dest/game.nes"), data)) << data.size();
        }
    }
    expectNothingOutside();
}

TEST_F(HostileArchiveTest, AFifoIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = root_.file("hostile.zip");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string out = "not run";
    EXPECT_TRUE(finishesWithoutAWriter(fifo, [&] { out = extract(fifo, dest_, {}); }));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(folderEntries(dest_).empty());
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
