#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
