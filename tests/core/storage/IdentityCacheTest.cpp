#include "core/storage/IdentityCache.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <map>

#include "TempFolder.h"
#include "core/platform/FileSystem.h"

namespace romshelf::test {
namespace {

const CachedIdentity kAlpha{3, 1'700'000'000'123'456'789, 0x352441C2u,
                            "a9993e364706816aba3e25717850c26c9cd0d89d"};
const CachedIdentity kBeta{4'294'967'296, -5, 0xFFFFFFFFu, ""};

std::vector<std::string> pathsOf(const std::vector<CachedFile>& files) {
    std::vector<std::string> paths;
    for (const CachedFile& f : files) paths.push_back(f.path);
    return paths;
}

// Entries by path, found again by another connection; a prefix finds its own paths only.
TEST(IdentityCache, KeepsEntriesByPathAcrossRunsInWalMode) {
    TempFolder dir;
    const std::string db = dir.file("identity.sqlite");
    const std::string cp932 = dir.file("r/\x83\x51\x81\x5B\x83\x80.nes");  // not UTF-8
    {
        IdentityCache cache(db);
        ASSERT_TRUE(cache.open());
        EXPECT_FALSE(cache.rebuilt());
        cache.put(dir.file("r/a.nes"), kBeta);
        cache.put(dir.file("r/a.nes"), kAlpha);  // replaces
        cache.put(dir.file("r/a.b.nes"), kBeta);
        cache.put(dir.file("r/ab.nes"), kBeta);
        cache.put(dir.file("r/a.nes.old"), kBeta);
        cache.put(cp932, kBeta);
        cache.put(dir.file("s/a.nes"), kBeta);
        cache.remove(dir.file("s/a.nes"));
    }
    // The file format bytes of a WAL database (offsets 18 and 19 of its header).
    const std::string header = dir.read("identity.sqlite").substr(0, 20);
    EXPECT_EQ(header.substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(header[18], 2);
    EXPECT_EQ(header[19], 2);

    IdentityCache cache(db);
    ASSERT_TRUE(cache.open());
    EXPECT_EQ(cache.find(dir.file("r/a.nes")), kAlpha);
    EXPECT_EQ(cache.find(cp932), kBeta);
    EXPECT_EQ(cache.find(dir.file("s/a.nes")), std::nullopt);
    EXPECT_EQ(pathsOf(cache.startingWith(dir.file("r/a."))),
              (std::vector<std::string>{dir.file("r/a.b.nes"), dir.file("r/a.nes"),
                                        dir.file("r/a.nes.old")}));
    EXPECT_EQ(pathsOf(cache.startingWith(dir.file("r/\x83"))), std::vector<std::string>{cp932});
    EXPECT_TRUE(cache.startingWith(dir.file("s/")).empty());

    // Several at once, in their order; the read ends with the call, so what another connection
    // writes afterwards is seen by the next one.
    using Found = std::vector<std::optional<CachedIdentity>>;
    EXPECT_EQ(cache.findEach({dir.file("s/a.nes"), cp932, dir.file("r/a.nes")}),
              (Found{std::nullopt, kBeta, kAlpha}));
    EXPECT_TRUE(cache.findEach({}).empty());
    {
        IdentityCache other(db);
        ASSERT_TRUE(other.open());
        other.put(dir.file("s/a.nes"), kAlpha);
    }
    EXPECT_EQ(cache.findEach({dir.file("s/a.nes")}), Found{kAlpha});

    // Several written at once, the last of one path winning; what another connection finds
    // afterwards, since the transaction ends with the call.
    cache.putEach({{dir.file("t/1.nes"), kAlpha},
                   {dir.file("t/2.nes"), kBeta},
                   {dir.file("t/1.nes"), kBeta}});
    cache.putEach({});
    IdentityCache other(db);
    ASSERT_TRUE(other.open());
    EXPECT_EQ(other.findEach({dir.file("t/1.nes"), dir.file("t/2.nes")}), (Found{kBeta, kBeta}));
}

// A damaged database is made anew and works again; where none can be made there is no cache.
TEST(IdentityCache, ADamagedFileIsRebuiltAndAnUnusablePlaceMeansNoCache) {
    const struct {
        const char* what;
        std::size_t keep;  // bytes of the real file kept before the garbage
    } cases[] = {{"garbage over all of it", 0}, {"garbage after the header", 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const std::string db = dir.file("identity.sqlite");
        {
            IdentityCache cache(db);
            ASSERT_TRUE(cache.open());
            cache.put("/r/a.nes", kAlpha);
        }
        std::filesystem::remove(db + "-wal");
        std::filesystem::remove(db + "-shm");
        const std::string real = dir.read("identity.sqlite");
        ASSERT_GT(real.size(), c.keep);
        std::string damaged = real.substr(0, c.keep);
        for (std::size_t i = damaged.size(); i < real.size(); ++i)
            damaged += static_cast<char>((i * 37 + 11) & 0xFF);
        dir.write("identity.sqlite", damaged);

        IdentityCache cache(db);
        ASSERT_TRUE(cache.open());
        EXPECT_TRUE(cache.rebuilt());
        // Kept aside as it was, not deleted.
        EXPECT_EQ(cache.brokenCopy().substr(0, db.size() + 8), db + ".broken-");
        EXPECT_EQ(dir.read(fs::pathName(cache.brokenCopy())), damaged);
        EXPECT_EQ(cache.find("/r/a.nes"), std::nullopt);
        cache.put("/r/b.nes", kBeta);
        EXPECT_EQ(cache.find("/r/b.nes"), kBeta);
    }

    TempFolder dir;
    dir.makeFolder("taken.sqlite");  // a folder where the file should be
    for (const std::string& path :
         {dir.file("missing/identity.sqlite"), dir.file("taken.sqlite")}) {
        SCOPED_TRACE(path);
        IdentityCache cache(path);
        EXPECT_FALSE(cache.open());
        cache.put("/r/a.nes", kAlpha);
        EXPECT_EQ(cache.find("/r/a.nes"), std::nullopt);
        EXPECT_EQ(cache.findEach({"/r/a.nes", "/r/b.nes"}).size(), 2u);
        EXPECT_TRUE(cache.startingWith("/").empty());
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.sqlite")));
}

// A cache is trusted only in this layout and version. One a later version made is left as it is
// and not used; one of our version number with another layout (a path kept as text, which no
// lookup of the path's bytes would find) is moved aside and made anew, never read.
TEST(IdentityCache, ACacheOfAnotherVersionOrLayoutIsNotUsed) {
    const auto files = [](const TempFolder& dir) {
        std::map<std::string, std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            found[entry.path().filename().string()] = dir.read(entry.path().filename().string());
        return found;
    };
    const auto exec = [](const std::string& path, const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    };
    // kAlpha's entry for /r/a.nes, in our layout and in one with the path as text.
    const std::string ours =
        "CREATE TABLE files (path BLOB PRIMARY KEY NOT NULL, size INTEGER NOT NULL,"
        " mtime_ns INTEGER NOT NULL, crc INTEGER NOT NULL, sha1 TEXT NOT NULL) WITHOUT ROWID;"
        "INSERT INTO files VALUES (CAST('/r/a.nes' AS BLOB), 3, 1700000000123456789, 891568578,"
        " 'a9993e364706816aba3e25717850c26c9cd0d89d');";
    {
        TempFolder dir;
        const std::string db = dir.file("identity.sqlite");
        exec(db, ours + "PRAGMA user_version=1;");
        IdentityCache sound(db);
        ASSERT_TRUE(sound.open());
        EXPECT_EQ(sound.find("/r/a.nes"), kAlpha);  // the entry as written is what kAlpha is
    }
    {
        SCOPED_TRACE("a later version");
        TempFolder dir;
        const std::string db = dir.file("identity.sqlite");
        exec(db, ours + "PRAGMA user_version=2;");
        const auto before = files(dir);
        IdentityCache cache(db);
        EXPECT_FALSE(cache.open());
        EXPECT_TRUE(cache.refused());
        EXPECT_EQ(cache.find("/r/a.nes"), std::nullopt);
        cache.put("/r/b.nes", kBeta);
        EXPECT_EQ(files(dir), before);
    }
    {
        SCOPED_TRACE("our version, another layout");
        TempFolder dir;
        const std::string db = dir.file("identity.sqlite");
        std::string other = ours;
        other.replace(other.find("path BLOB"), 9, "path TEXT");
        other.replace(other.find("CAST('/r/a.nes' AS BLOB)"), 24, "'/r/a.nes'");
        exec(db, other + "PRAGMA user_version=1;");
        const std::string bytes = dir.read("identity.sqlite");
        IdentityCache cache(db);
        ASSERT_TRUE(cache.open());
        EXPECT_TRUE(cache.rebuilt());
        EXPECT_FALSE(cache.refused());
        EXPECT_EQ(dir.read(fs::pathName(cache.brokenCopy())), bytes);
        EXPECT_TRUE(cache.startingWith("/").empty());
        cache.put("/r/a.nes", kAlpha);
        EXPECT_EQ(cache.find("/r/a.nes"), kAlpha);
    }
}

// On a network share each machine keeps a cache file of its own, named after it.
TEST(IdentityCache, AMachinesOwnFileIsNamedAfterIt) {
    EXPECT_EQ(perMachinePath("/share/cache/identity.sqlite", "pc-1.local"),
              "/share/cache/identity-pc-1.local.sqlite");
    EXPECT_EQ(perMachinePath("/share/cache/identity.sqlite", "a/b c"),
              "/share/cache/identity-a_b_c.sqlite");
    EXPECT_EQ(perMachinePath("/share/cache/identity.sqlite", ""),
              "/share/cache/identity-unknown.sqlite");
    // On a local disk the file is the one given.
    TempFolder dir;
    IdentityCache cache(dir.file("identity.sqlite"));
    ASSERT_TRUE(cache.open());
    EXPECT_EQ(cache.path(), dir.file("identity.sqlite"));
}

}  // namespace
}  // namespace romshelf::test
