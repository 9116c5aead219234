// The unpack cache: a second launch of an archive takes the image it kept, under a cap, least
// recently used first out, deleting nothing it did not make and nothing of a killed unpack
// counting.
#include "core/launch/UnpackCache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "TempFolder.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;
using romshelf::test::TempFolder;

namespace {

struct UnpackCacheTest : ::testing::Test {
    TempFolder dir;
    const std::string cacheFolder = dir.file("cache/unpacked/");
    const std::string temp = dir.makeFolder("temp");

    // roms/<name>.zip holding <name>.nes with `bytes`.
    std::string zip(const std::string& name, const std::string& bytes) {
        const std::string member = dir.write("pack/" + name + ".nes", bytes);
        const std::string archive = dir.file("roms/" + name + ".zip");
        std::filesystem::create_directories(dir.file("roms"));
        std::filesystem::remove(archive);
        const std::string command =
            "cd '" + dir.file("pack") + "' && zip -q '" + archive + "' '" + name + ".nes'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::filesystem::remove(member);
        return archive;
    }
    static ino_t inode(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    static std::vector<std::string> members(const UnpackCache& cache) {
        std::vector<std::string> names;
        for (const UnpackedImage& image : cache.entries()) names.push_back(image.member);
        return names;
    }
};

TEST(UnpackCacheKey, IsTheHeadOfTheSha1OfPathSizeTimeAndExtensions) {
    // Taken with python3: hashlib.sha1(b"/r/a.zip\0" b"100\0" b"5" [+ b"\0.xyz"]).hexdigest()
    const std::tuple<std::string, std::uint64_t, std::int64_t, std::vector<std::string>,
                     std::string>
        cases[] = {
            {"/r/a.zip", 100, 5, {}, "1bba28e68f65a376"},
            {"/r/a.zip", 101, 5, {}, "723eafcdfd756493"},
            {"/r/a.zip", 100, 6, {}, "a867f68bc9c97682"},
            {"/r/a.zip", 100, 5, {".xyz"}, "aefb31207297f386"},
        };
    for (const auto& [path, size, mtime, extensions, key] : cases)
        EXPECT_EQ(UnpackCache::keyOf(path, size, mtime, extensions), key) << size << " " << mtime;
}

TEST_F(UnpackCacheTest, TheSecondLaunchTakesTheKeptImage) {
    UnpackCache cache(cacheFolder, 1 << 20);
    const std::string archive = zip("Game", "NES image");
    EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
    const UnpackCache::Result first = cache.unpack(archive, {}, temp);
    ASSERT_EQ(first.outcome, UnpackCache::Outcome::Unpacked);
    EXPECT_EQ(first.path, temp + "Game.nes");
    EXPECT_EQ(dir.read("temp/Game.nes"), "NES image");
    ASSERT_EQ(cache.entries().size(), 1u);
    const UnpackedImage kept = cache.entries()[0];
    EXPECT_EQ(kept.archivePath, archive);
    EXPECT_EQ(kept.size, 9u);
    // TEMP holds the kept image itself, not a second copy.
    EXPECT_EQ(inode(first.path), inode(kept.path));

    // The TEMP copy cleaned away; the archive's bytes spoilt, its size and time kept: what comes
    // back is the kept image, not a new unpack.
    std::filesystem::remove(first.path);
    struct stat before {};
    ASSERT_EQ(::stat(archive.c_str(), &before), 0);
    std::string bytes = dir.read("roms/Game.zip");
    std::fill(bytes.begin(), bytes.end(), 'x');
    dir.write("roms/Game.zip", bytes);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, archive.c_str(), times, 0), 0);
    EXPECT_EQ(cache.reuse(archive, {}, temp), temp + "Game.nes");
    EXPECT_EQ(dir.read("temp/Game.nes"), "NES image");
    EXPECT_GT(cache.entries()[0].lastUseNs, kept.lastUseNs);
}

TEST_F(UnpackCacheTest, TheLeastRecentlyUsedGoFirstBeyondTheCap) {
    UnpackCache cache(cacheFolder, 250);
    const std::string a = zip("a", std::string(100, 'a'));
    const std::string b = zip("b", std::string(100, 'b'));
    const std::string c = zip("c", std::string(100, 'c'));
    ASSERT_EQ(cache.unpack(a, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    ASSERT_EQ(cache.unpack(b, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    ASSERT_TRUE(cache.reuse(a, {}, temp));
    ASSERT_EQ(cache.unpack(c, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    EXPECT_EQ(members(cache), (std::vector<std::string>{"a.nes", "c.nes"}));
    EXPECT_EQ(cache.reuse(b, {}, temp), std::nullopt);
    // A lower cap, then none.
    EXPECT_EQ(cache.evictTo(150), 1);
    EXPECT_EQ(members(cache), (std::vector<std::string>{"c.nes"}));
    EXPECT_EQ(cache.clear(), 1);
    EXPECT_TRUE(cache.entries().empty());
    // The TEMP copies are the launches', not the cache's.
    EXPECT_EQ(dir.read("temp/c.nes"), std::string(100, 'c'));
}

TEST_F(UnpackCacheTest, OnlyItsOwnFilesAreDeleted) {
    UnpackCache cache(cacheFolder, 1 << 20);
    const std::string archive = zip("Game", "NES image");
    ASSERT_EQ(cache.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    const std::string entryFolder = fs::pathFolder(cache.entries()[0].path);
    // Files a user put there: beside the entries, in an entry's folder, in a folder named like
    // an entry, and an image a user put in place of the cache's.
    dir.write("cache/unpacked/notes.txt", "mine");
    std::filesystem::copy_file(entryFolder + "entry", entryFolder + "../entry-copy");
    std::filesystem::create_directories(cacheFolder + "0123456789abcdef");
    dir.write("cache/unpacked/0123456789abcdef/Game.nes", "mine");
    const std::string saved = entryFolder + "Game.sav";
    dir.write(saved.substr(dir.path().size()), "save");
    EXPECT_EQ(cache.clear(), 1);
    EXPECT_EQ(dir.read("cache/unpacked/notes.txt"), "mine");
    EXPECT_EQ(dir.read("cache/unpacked/0123456789abcdef/Game.nes"), "mine");
    EXPECT_TRUE(std::filesystem::exists(cacheFolder + "entry-copy"));
    EXPECT_EQ(dir.read(saved.substr(dir.path().size())), "save");
    EXPECT_FALSE(std::filesystem::exists(entryFolder + "Game.nes"));
    EXPECT_FALSE(std::filesystem::exists(entryFolder + "entry"));

    // Unpacked again into the folder the save kept; then an image replaced by another file: the
    // entry goes, the file stays.
    ASSERT_EQ(cache.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    ASSERT_EQ(cache.entries().size(), 1u);
    EXPECT_EQ(fs::pathFolder(cache.entries()[0].path), entryFolder);
    const std::string image = cache.entries()[0].path;
    std::filesystem::remove(image);
    dir.write(image.substr(dir.path().size()), "other");
    EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(dir.read(image.substr(dir.path().size())), "other");
}

TEST_F(UnpackCacheTest, AnImageLargerThanTheCapIsNotKept) {
    UnpackCache cache(cacheFolder, 8);
    const std::string archive = zip("Big", "nine byte");
    const UnpackCache::Result r = cache.unpack(archive, {}, temp);
    EXPECT_EQ(r.outcome, UnpackCache::Outcome::TooLarge);
    EXPECT_TRUE(r.path.empty());
    EXPECT_TRUE(cache.entries().empty());
    // Nothing is left of the attempt: only the lock file.
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(cacheFolder))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{".lock"});
    // A cap of 0 turns the cache off.
    UnpackCache off(cacheFolder, 0);
    EXPECT_EQ(off.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unusable);
}

TEST_F(UnpackCacheTest, AKilledUnpackLeavesNothingThatCounts) {
    UnpackCache cache(cacheFolder, 1 << 20);
    const std::string archive = zip("Game", "NES image");
    // What a run killed at each step leaves: a half-written file, the image without `entry`,
    // both with `entry`; and one whose unpack is still running (its lock held).
    dir.write("cache/unpacked/.partial-aaaaaa/lock", "");
    dir.write("cache/unpacked/.partial-aaaaaa/.Game.nes.romshelf-tmp-1", "NES");
    dir.write("cache/unpacked/.partial-bbbbbb/Game.nes", "NES image");
    dir.write("cache/unpacked/.partial-cccccc/Game.nes", "NES image");
    dir.write("cache/unpacked/.partial-cccccc/entry", "romshelf-plus unpacked image 1\n");
    const std::string running = dir.write("cache/unpacked/.partial-dddddd/lock", "");
    const int fd = ::open(running.c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);

    EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
    EXPECT_TRUE(cache.entries().empty());
    EXPECT_EQ(cache.evictTo(1 << 20), 0);
    for (const char* gone : {".partial-aaaaaa", ".partial-bbbbbb", ".partial-cccccc"})
        EXPECT_FALSE(std::filesystem::exists(cacheFolder + gone)) << gone;
    EXPECT_TRUE(std::filesystem::exists(running));
    ::close(fd);
    EXPECT_EQ(cache.evictTo(1 << 20), 0);
    EXPECT_FALSE(std::filesystem::exists(running));
}

TEST_F(UnpackCacheTest, AChangedArchiveOrImageIsUnpackedAfresh) {
    UnpackCache cache(cacheFolder, 1 << 20);
    const std::string archive = zip("Game", "version 1");
    ASSERT_EQ(cache.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    zip("Game", "version 2 longer");
    EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
    ASSERT_EQ(cache.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    EXPECT_EQ(dir.read("temp/Game.nes"), "version 2 longer");
    // The old image went with the new one's arrival.
    ASSERT_EQ(cache.entries().size(), 1u);
    EXPECT_EQ(cache.entries()[0].size, 16u);

    // An emulator that wrote into its image (through the TEMP link) spoilt the kept one.
    dir.write("temp/Game.nes", "written by the emulator");
    EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
    EXPECT_TRUE(cache.entries().empty());
}

// An emulator that writes into its image in place (through the TEMP link) may keep its size, and
// may set its time back as well: neither image is handed out again.
TEST_F(UnpackCacheTest, AnImageRewrittenInPlaceAtItsSizeIsUnpackedAfresh) {
    for (const bool timeSetBack : {false, true}) {
        SCOPED_TRACE(timeSetBack ? "time set back" : "time left");
        UnpackCache cache(cacheFolder, 1 << 20);
        const std::string archive = zip("Game", "original bytes");
        const UnpackCache::Result first = cache.unpack(archive, {}, temp);
        ASSERT_EQ(first.outcome, UnpackCache::Outcome::Unpacked);
        ASSERT_EQ(cache.entries().size(), 1u);
        const std::string kept = cache.entries()[0].path;
        ASSERT_EQ(inode(first.path), inode(kept));  // the emulator's file is the kept one
        struct stat before {};
        ASSERT_EQ(::stat(kept.c_str(), &before), 0);

        const int fd = ::open(first.path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "SAVED", 5, 0), 5);
        ::close(fd);
        if (timeSetBack) {
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            ASSERT_EQ(::utimensat(AT_FDCWD, first.path.c_str(), times, 0), 0);
        }
        struct stat after {};
        ASSERT_EQ(::stat(kept.c_str(), &after), 0);
        ASSERT_EQ(after.st_size, before.st_size);
        ASSERT_EQ(dir.read("temp/Game.nes"), "SAVEDnal bytes");

        EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
        EXPECT_TRUE(cache.entries().empty());
        ASSERT_EQ(cache.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
        EXPECT_EQ(dir.read("temp/Game.nes"), "original bytes");
        // The fresh image is handed out again as it is.
        std::filesystem::remove(temp + "Game.nes");
        EXPECT_EQ(cache.reuse(archive, {}, temp), temp + "Game.nes");
        EXPECT_EQ(dir.read("temp/Game.nes"), "original bytes");
        cache.clear();
        std::filesystem::remove(temp + "Game.nes");
    }
}

// An entry an older version wrote carries no sum of its image: it is never handed out, and goes.
TEST_F(UnpackCacheTest, AnEntryWithoutTheImagesSumIsNotUsed) {
    UnpackCache cache(cacheFolder, 1 << 20);
    const std::string archive = zip("Game", "NES image");
    ASSERT_EQ(cache.unpack(archive, {}, temp).outcome, UnpackCache::Outcome::Unpacked);
    ASSERT_EQ(cache.entries().size(), 1u);
    const std::filesystem::path entry =
        std::filesystem::path(cache.entries()[0].path).parent_path() / "entry";
    std::string text;
    {
        std::ifstream in(entry, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t crc = text.find("\ncrc=");
    ASSERT_NE(crc, std::string::npos) << text;
    text.erase(crc, text.find('\n', crc + 1) - crc);
    std::ofstream(entry, std::ios::binary | std::ios::trunc) << text;
    std::filesystem::remove(temp + "Game.nes");

    EXPECT_EQ(cache.reuse(archive, {}, temp), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(ByteSize, TakesBinaryUnitsOrBytes) {
    const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
        {"4096", 4096},
        {"512M", 512ull << 20},
        {"4G", 4ull << 30},
        {"4g", 4ull << 30},
        {"4GB", 4ull << 30},
        {"4GiB", 4ull << 30},
        {"700k", 700ull << 10},
        {"2T", 2ull << 40},
        {"0", 0},
        {"", std::nullopt},
        {"G", std::nullopt},
        {"4X", std::nullopt},
        {"-1", std::nullopt},
        {"1.5G", std::nullopt},
        {"4iB", std::nullopt},
        {"99999999999T", std::nullopt},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(parseByteSize(text), bytes) << text;
}

}  // namespace
