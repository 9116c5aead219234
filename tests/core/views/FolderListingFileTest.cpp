#include "core/views/FolderListingFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <utility>
#include <filesystem>
#include <fstream>
#include <thread>

#include "FileListFixture.h"
#include "TempFolder.h"
#include "core/platform/WriterLock.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t zlibCrc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

template <class T>
T at(const std::string& bytes, std::size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

template <class T>
void setAt(std::string& bytes, std::size_t offset, T v) {
    std::memcpy(bytes.data() + offset, &v, sizeof v);
}

// The header's sum made again by zlib, after a test changed the header or the index.
void resum(std::string& bytes) {
    const auto index = at<std::uint64_t>(bytes, 16);
    std::uint32_t crc = zlibCrc(std::string_view(bytes).substr(0, 32));
    crc = static_cast<std::uint32_t>(
        ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + 40), static_cast<uInt>(index)));
    setAt(bytes, 32, crc);
}

const FolderStamp kStamp{1, 2, 3, 4};

// What a file of `bytes` gives for `folder` with kStamp: "-" when nothing, else the names (NULs
// as '|') with their hash and size.
std::string taken(const test::TempFolder& dir, std::string_view bytes, const std::string& folder,
                  std::string_view host = "pc") {
    writeAll(dir.file("listing.bin"), bytes);
    const FolderListingFile file = FolderListingFile::open(dir.file("listing.bin"), host);
    std::string names;
    std::uint64_t hash = 0, size = 0;
    if (!file.readNames(folder, kStamp, names, hash, size)) return "-";
    std::replace(names.begin(), names.end(), '\0', '|');
    return names + " " + std::to_string(hash) + " " + std::to_string(size);
}

}  // namespace

// The layout, field by field, with the sums made by zlib; read back, a folder's names come only
// with its own stamp, and only on the machine that wrote them.
TEST(FolderListingFileTest, LayoutAsWrittenAndReadBack) {
    test::TempFolder dir;
    const FolderListing one{"/r", kStamp, 5, 6, std::string_view("a.sfc\0", 6), 1};
    const std::string bytes = folderListingBytes("pc", {&one, 1});
    ASSERT_EQ(bytes.size(), 134u);  // 40 header, 8 host, 72 entry, 8 path, 6 names
    EXPECT_EQ(bytes.substr(0, 8), "RSFOLD01");
    EXPECT_EQ(at<std::uint32_t>(bytes, 8), 2u);     // host size
    EXPECT_EQ(at<std::uint32_t>(bytes, 12), 1u);    // folders
    EXPECT_EQ(at<std::uint64_t>(bytes, 16), 88u);   // index
    EXPECT_EQ(at<std::uint64_t>(bytes, 24), 134u);  // file
    const std::string sumOver = bytes.substr(0, 32) + bytes.substr(40, 88);
    EXPECT_EQ(at<std::uint32_t>(bytes, 32), zlibCrc(sumOver));
    EXPECT_EQ(bytes.substr(40, 8), std::string("pc\0\0\0\0\0\0", 8));
    const std::size_t e = 48;
    EXPECT_EQ(at<std::uint64_t>(bytes, e), 1u);       // device
    EXPECT_EQ(at<std::uint64_t>(bytes, e + 8), 2u);   // inode
    EXPECT_EQ(at<std::int64_t>(bytes, e + 16), 3);    // modified
    EXPECT_EQ(at<std::int64_t>(bytes, e + 24), 4);    // changed
    EXPECT_EQ(at<std::uint64_t>(bytes, e + 32), 5u);  // hash as read
    EXPECT_EQ(at<std::uint64_t>(bytes, e + 40), 6u);  // size as read
    EXPECT_EQ(at<std::uint64_t>(bytes, e + 48), 128u);
    EXPECT_EQ(at<std::uint32_t>(bytes, e + 56), 6u);
    EXPECT_EQ(at<std::uint32_t>(bytes, e + 60), zlibCrc(std::string_view("a.sfc\0", 6)));
    EXPECT_EQ(at<std::uint32_t>(bytes, e + 64), 1u);
    EXPECT_EQ(at<std::uint32_t>(bytes, e + 68), 2u);
    EXPECT_EQ(bytes.substr(120, 8), std::string("/r\0\0\0\0\0\0", 8));

    EXPECT_EQ(taken(dir, bytes, "/r"), "a.sfc| 5 6");
    EXPECT_EQ(taken(dir, bytes, "/r/"), "-");
    EXPECT_EQ(taken(dir, bytes, "/r", "pc2"), "-");  // another machine's
    EXPECT_EQ(taken(dir, bytes, "/r", "p"), "-");
    const FolderListingFile file = FolderListingFile::open(dir.file("listing.bin"), "pc");
    std::string names;
    std::uint64_t hash = 0, size = 0;
    for (const FolderStamp& other : {FolderStamp{9, 2, 3, 4}, FolderStamp{1, 9, 3, 4},
                                     FolderStamp{1, 2, 9, 4}, FolderStamp{1, 2, 3, 9}})
        EXPECT_FALSE(file.readNames("/r", other, names, hash, size));
    EXPECT_TRUE(names.empty());

    // Saved, two folders, one of them empty; a second save replaces the first.
    const FolderListing two[] = {{"/a", kStamp, 7, 8, std::string_view("x\0yy\0", 5), 2},
                                 {"/b", kStamp, 0, 0, {}, 0}};
    ASSERT_TRUE(saveFolderListingFile(dir.file("cache/l.bin"), "pc", two));
    EXPECT_EQ(readAll(dir.file("cache/l.bin")), folderListingBytes("pc", two));
    EXPECT_EQ(taken(dir, readAll(dir.file("cache/l.bin")), "/a"), "x|yy| 7 8");
    EXPECT_EQ(taken(dir, readAll(dir.file("cache/l.bin")), "/b"), " 0 0");
    ASSERT_TRUE(saveFolderListingFile(dir.file("cache/l.bin"), "pc", {&one, 1}));
    EXPECT_EQ(readAll(dir.file("cache/l.bin")), bytes);
}

// A damaged file never gives names that were not written: cut anywhere, or any byte changed, it
// gives the names as written or none.
TEST(FolderListingFileTest, ADamagedFileGivesTheNamesWrittenOrNone) {
    test::TempFolder dir;
    const FolderListing two[] = {
        {"/roms/a", kStamp, 11, 12, std::string_view("a.sfc\0b.smc\0", 12), 2},
        {"/roms/b", kStamp, 13, 14, std::string_view("c.sfc\0", 6), 1}};
    const std::string bytes = folderListingBytes("pc", two);
    const std::string a = "a.sfc|b.smc| 11 12", b = "c.sfc| 13 14";
    ASSERT_EQ(taken(dir, bytes, "/roms/a"), a);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_EQ(taken(dir, bytes.substr(0, n), "/roms/a"), "-") << n;
        EXPECT_EQ(taken(dir, bytes.substr(0, n), "/roms/b"), "-") << n;
    }
    EXPECT_EQ(taken(dir, bytes + "x", "/roms/a"), "-");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string damaged = bytes;
            damaged[i] = static_cast<char>(damaged[i] ^ flip);
            const std::string gotA = taken(dir, damaged, "/roms/a");
            const std::string gotB = taken(dir, damaged, "/roms/b");
            EXPECT_TRUE(gotA == "-" || gotA == a) << i << ": " << gotA;
            EXPECT_TRUE(gotB == "-" || gotB == b) << i << ": " << gotB;
        }
    }
}

// Names whose sums are right but that are no names of a folder's files are refused, as are
// names said to lie outside the file's names.
TEST(FolderListingFileTest, WhatIsNoFileNameIsRefused) {
    test::TempFolder dir;
    const std::pair<std::string_view, std::uint32_t> cases[] = {
        {std::string_view("ok.sfc\0", 7), 1},  // as a control
        {std::string_view("../x.sfc\0", 9), 1},
        {std::string_view("a/b.sfc\0", 8), 1},
        {std::string_view("..\0", 3), 1},
        {std::string_view(".\0", 2), 1},
        {std::string_view("a\0\0b\0", 5), 3},  // an empty name
        {std::string_view("a\0b", 3), 2},      // the last one not ended
        {std::string_view("a\0b\0", 4), 1},    // more names than said
        {std::string_view("a\0b\0", 4), 3},    // fewer
        {std::string_view("\xFF.sfc\0", 6), 1},
        {std::string_view("\xE3\x81.sfc\0", 7), 1},  // a character cut short
    };
    for (const auto& [names, count] : cases) {
        const FolderListing one{"/r", kStamp, 1, 1, names, count};
        const bool control = count == 1 && names == std::string_view("ok.sfc\0", 7);
        EXPECT_EQ(taken(dir, folderListingBytes("pc", {&one, 1}), "/r") != "-", control)
            << std::string(names);
    }
    // Names said to begin within the index, or to reach past the file's end: the whole file
    // is refused, its sums made right again.
    const FolderListing one{"/r", kStamp, 1, 1, std::string_view("ok.sfc\0", 7), 1};
    const std::string bytes = folderListingBytes("pc", {&one, 1});
    for (const auto& [field, value] : {std::pair<std::size_t, std::uint64_t>{48 + 48, 40},
                                       {48 + 48, 127},
                                       {48 + 48, 129},
                                       {48 + 48, ~0ull}}) {
        std::string lying = bytes;
        setAt(lying, field, value);
        resum(lying);
        EXPECT_EQ(taken(dir, lying, "/r"), "-") << value;
    }
    std::string longer = bytes;
    setAt(longer, 48 + 56, std::uint32_t{8});
    resum(longer);
    EXPECT_EQ(taken(dir, longer, "/r"), "-");
    std::string many = bytes;
    setAt(many, 12, std::uint32_t{2});
    resum(many);
    EXPECT_EQ(taken(dir, many, "/r"), "-");

    // An index that ends within the padding of its last path, and says a second folder follows:
    // nothing past the index is read as that folder's entry.
    const std::string path65 = "/" + std::string(64, 'p');
    const FolderListing long1{path65, kStamp, 1, 1, std::string_view("ok.sfc\0", 7), 1};
    const std::string whole = folderListingBytes("h", {&long1, 1});
    ASSERT_EQ(at<std::uint64_t>(whole, 16), 8u + 72u + 72u);
    std::string cut = whole.substr(0, 40 + 8 + 72 + 65) + "ok.sfc" + std::string(1, '\0');
    setAt(cut, 12, std::uint32_t{2});
    setAt(cut, 16, std::uint64_t{145});
    setAt(cut, 24, std::uint64_t{cut.size()});
    setAt(cut, 48 + 48, std::uint64_t{185});
    resum(cut);
    EXPECT_EQ(taken(dir, cut, path65, "h"), "-");
    setAt(cut, 12, std::uint32_t{1});
    resum(cut);
    EXPECT_EQ(taken(dir, cut, path65, "h"), "-");  // the path's padding is part of the index
}

namespace {

std::int64_t aMinuteOn() { return static_cast<std::int64_t>(std::time(nullptr)) + 60; }

// Past the file system's clock tick: the test's clock says every folder is settled, so a change
// must not fall in the tick of the stamp kept (a real listing is never kept that early).
void afterATick() { std::this_thread::sleep_for(std::chrono::milliseconds(15)); }

FolderStamp stampOf(const std::string& folder) {
    struct stat st {};
    EXPECT_EQ(::stat(folder.c_str(), &st), 0);
    return FolderStamp::of(st);
}

// A file list whose folders' names are kept in the fixture's cache folder, its clock a minute on
// (every folder settled) unless a test says otherwise.
struct KeptListingTest : test::FileListFixture {
    void SetUp() override {
        FileListFixture::SetUp();
        keep(list);
    }
    void keep(FileList& l, bool settled = true) {
        l.setFolderListingFolder(dir.file("cache/"));
        l.setWallClock(settled ? &aMinuteOn : nullptr);
    }
    std::string listingFile() const { return list.folderListingFile("SFC"); }
    // The file names of a build, in scan order, by a list that starts afresh (as the next run
    // of the program would) or by the fixture's own.
    std::string files(FileList& l) {
        l.showAll(s);
        std::string out;
        for (const auto& row : l.rows())
            if (l.count() > 0) out += (out.empty() ? "" : "|") + row.cells[2];
        return out;
    }
    std::string filesAfresh() {
        FileList fresh;
        keep(fresh);
        return files(fresh);
    }
    // The listing file with `extra` names given to `folder` beside its own, under its stamp
    // now: a build that shows them took the file's names.
    void plant(const std::string& folder, std::string_view names, std::uint32_t count) {
        const FolderListing l{folder, stampOf(folder), 0, 0, names, count};
        ASSERT_TRUE(saveFolderListingFile(listingFile(), WriterLock::thisHost(), {&l, 1}));
    }
};

}  // namespace

// Names kept stand for a folder while its stamp stays: a file added, removed or renamed, or the
// folder replaced, moves the stamp, and the folder is read again, by the next run as by the
// next build of the same list.
TEST_F(KeptListingTest, KeptNamesStandForAFolderUntilItChanges) {
    folder(0, "roms/a", {"a.sfc", "b.sfc"});
    EXPECT_EQ(files(list), "a.sfc|b.sfc");
    ASSERT_TRUE(fsys::exists(listingFile()));
    EXPECT_EQ(filesAfresh(), "a.sfc|b.sfc");
    const std::string a = folders.romFolderPaths[0];
    plant(a, std::string_view("a.sfc\0ghost.sfc\0", 16), 2);
    EXPECT_EQ(filesAfresh(), "a.sfc|ghost.sfc");  // the file's names, not the folder's

    // Changes move the stamp: each is seen afresh and by the list that kept the names before.
    FileList kept;
    keep(kept);
    EXPECT_EQ(files(kept), "a.sfc|ghost.sfc");
    plant(a, std::string_view("a.sfc\0ghost.sfc\0", 16), 2);
    afterATick();
    dir.write("roms/a/c.sfc", "rom");
    EXPECT_EQ(files(kept), "a.sfc|b.sfc|c.sfc");
    EXPECT_EQ(filesAfresh(), "a.sfc|b.sfc|c.sfc");
    plant(a, std::string_view("ghost.sfc\0", 10), 1);
    afterATick();
    fsys::remove(a + "b.sfc");
    EXPECT_EQ(filesAfresh(), "a.sfc|c.sfc");
    EXPECT_EQ(files(kept), "a.sfc|c.sfc");
    plant(a, std::string_view("ghost.sfc\0", 10), 1);
    afterATick();
    fsys::rename(a + "c.sfc", a + "d.sfc");
    EXPECT_EQ(files(kept), "a.sfc|d.sfc");
    EXPECT_EQ(filesAfresh(), "a.sfc|d.sfc");
    // Another folder at the same path, with the same names.
    plant(a, std::string_view("ghost.sfc\0", 10), 1);
    fsys::rename(a, dir.file("roms/old"));
    folder(0, "roms/a", {"a.sfc", "d.sfc"});
    EXPECT_EQ(files(kept), "a.sfc|d.sfc");
    EXPECT_EQ(filesAfresh(), "a.sfc|d.sfc");
    // A folder that is gone lists nothing, whatever the file keeps.
    plant(a, std::string_view("ghost.sfc\0", 10), 1);
    fsys::remove_all(a);
    EXPECT_EQ(files(kept), "");
    EXPECT_EQ(filesAfresh(), "");
}

// Listings someone holds (the identity pass, on its thread) are never written into by later
// builds, whatever the folders do meanwhile; once let go, their buffers serve again.
TEST_F(KeptListingTest, HeldListingsStayAsTheyWere) {
    for (int k = 0; k < 10; ++k)
        folder(k, "roms/f" + std::to_string(k), {"g" + std::to_string(k) + ".sfc"});
    list.showAll(s);
    std::shared_ptr<const FileList::Listings> held = list.listings();
    ASSERT_EQ(held->size(), 10u);
    std::vector<std::string> before;
    for (const FolderHits& h : *held) before.push_back(h.names);
    EXPECT_EQ((*held)[3].slot, 3);
    for (int round = 0; round < 3; ++round) {
        afterATick();
        for (int k = 0; k < 10; ++k)
            dir.write("roms/f" + std::to_string(k) + "/n" + std::to_string(round) + ".sfc", "x");
        list.showAll(s);
        EXPECT_NE(list.listings().get(), held.get());
    }
    for (std::size_t k = 0; k < before.size(); ++k) EXPECT_EQ((*held)[k].names, before[k]) << k;
    // Let go, the buffers of the build before serve the next one again.
    held.reset();
    list.showAll(s);
    const FileList::Listings* const last = list.listings().get();
    list.showAll(s);
    list.showAll(s);
    EXPECT_EQ(list.listings().get(), last);
    EXPECT_EQ(files(list).substr(0, 31), "g0.sfc|n0.sfc|n1.sfc|n2.sfc|g1.");
}

// Many folders are listed on two threads: each takes its folders' names from the file at once.
TEST_F(KeptListingTest, ManyFoldersAreTakenOnTwoThreads) {
    std::string expected;
    for (int k = 0; k < 12; ++k) {
        const std::string n = std::to_string(k);
        folder(k, "roms/f" + n, {"g" + n + ".sfc", "h" + n + ".sfc"});
        expected += (k ? "|g" : "g") + n + ".sfc|h" + n + ".sfc";
    }
    EXPECT_EQ(files(list), expected);
    EXPECT_EQ(FolderListingFile::open(listingFile(), WriterLock::thisHost()).size(), 12u);
    EXPECT_EQ(filesAfresh(), expected);
    EXPECT_EQ(files(list), expected);
    afterATick();
    dir.write("roms/f5/i5.sfc", "rom");
    const std::string changed = expected.replace(expected.find("h5.sfc") + 6, 0, "|i5.sfc");
    EXPECT_EQ(filesAfresh(), changed);
    EXPECT_EQ(files(list), changed);
}

namespace {

// A clock that removes a file the first time it is read: a change made just after the clock was
// read for a folder's listing.
std::string gRemovedAtTheClock;
std::int64_t removingClock() {
    if (!gRemovedAtTheClock.empty()) fsys::remove(std::exchange(gRemovedAtTheClock, ""));
    return aMinuteOn();
}

}  // namespace

// The clock is read before the folder is: a change made after that reading is in the names read,
// or it moved the stamp after the opening; the names kept are never older than the stamp says.
TEST_F(KeptListingTest, TheClockIsReadBeforeTheFolder) {
    folder(0, "roms/a", {"a.sfc", "b.sfc"});
    gRemovedAtTheClock = dir.file("roms/a/b.sfc");
    list.setWallClock(&removingClock);
    EXPECT_EQ(files(list), "a.sfc");
    EXPECT_EQ(filesAfresh(), "a.sfc");
}

// Kept names are not shown to a user who cannot read the folder (a program folder shared by two
// users on one machine: the other may have written them).
TEST_F(KeptListingTest, AFolderThisUserCannotReadShowsNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    folder(0, "roms/a", {"a.sfc"});
    const std::string a = folders.romFolderPaths[0];
    ::chmod(a.c_str(), 0300);
    plant(a, std::string_view("a.sfc\0", 6), 1);
    EXPECT_EQ(filesAfresh(), "");
    ::chmod(a.c_str(), 0755);
}

// A folder is not kept when names read now could miss a change: changed within the settling
// time, holding a link (what it leads to may change unseen) or an entry of unknown kind.
TEST_F(KeptListingTest, OnlySettledFoldersOfPlainEntriesAreKept) {
    folder(0, "roms/a", {"a.sfc"});
    folder(1, "roms/b", {"b.sfc"});
    fsys::create_symlink(dir.file("roms/a/a.sfc"), dir.file("roms/b/link.sfc"));
    keep(list, false);  // the folders were made just now
    EXPECT_EQ(files(list), "a.sfc|b.sfc|link.sfc");
    EXPECT_FALSE(fsys::exists(listingFile()));
    keep(list);
    EXPECT_EQ(files(list), "a.sfc|b.sfc|link.sfc");
    const FolderListingFile file = FolderListingFile::open(listingFile(), WriterLock::thisHost());
    EXPECT_EQ(file.size(), 1u);
    EXPECT_TRUE(file.lists(folders.romFolderPaths[0], stampOf(folders.romFolderPaths[0])));
    EXPECT_FALSE(file.lists(folders.romFolderPaths[1], stampOf(folders.romFolderPaths[1])));
    // The link now leads to a folder: it is no row, without its folder changing.
    afterATick();
    fsys::remove(dir.file("roms/a/a.sfc"));
    fsys::create_directory(dir.file("roms/a/a.sfc"));
    EXPECT_EQ(filesAfresh(), "b.sfc");
    // Each machine keeps a file of its own (another's is not read: see the layout test).
    EXPECT_EQ(fsys::path(listingFile()).filename().string(),
              "folders-SFC@" + WriterLock::thisHost() + ".bin");
}

// The rows from kept names are those from the folder read: names that are not UTF-8 (shown as
// their text), in byte order, with every extension pass, and with disc sets whose playlists are
// read again though the names are kept.
TEST_F(KeptListingTest, KeptNamesGiveTheRowsTheFolderGives) {
    folder(0, "roms/a",
           {"b.SFC", "a.smc", "\x83\x7D\x83\x8A\x83\x49.sfc", "Z.zip", "c (Disc 1).sfc",
            "c (Disc 2).sfc", "list.m3u", "x.txt", "\xC3\xA9.sfc"});
    folders.extraExtensions = {"txt"};
    s.discSets = true;
    FileList plain;
    const std::string read = files(plain);
    EXPECT_EQ(files(list), read);
    ASSERT_TRUE(fsys::exists(listingFile()));
    EXPECT_EQ(filesAfresh(), read);
    EXPECT_EQ(read,
              "a.smc|b.SFC|c.sfc|\xE3\x83\x9E\xE3\x83\xAA\xE3\x82\xAA.sfc|\xC3\xA9.sfc|Z.zip|x.txt|"
              "list.m3u");
    // A playlist that now hides the first disc: the file's content changed, not the folder.
    dir.write("roms/a/list.m3u", "c (Disc 1).sfc\n");
    const std::string hidden = files(plain);
    EXPECT_EQ(
        hidden,
        "a.smc|b.SFC|c (Disc 2).sfc|\xE3\x83\x9E\xE3\x83\xAA\xE3\x82\xAA.sfc|\xC3\xA9.sfc|Z.zip|x.txt|"
        "list.m3u");
    EXPECT_EQ(filesAfresh(), hidden);
}
