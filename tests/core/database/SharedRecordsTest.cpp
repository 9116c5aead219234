// The records file as two programs (two machines on one share) and damaged disks see it: a file
// that cannot be read whole is never written over, and a save takes in what another program saved
// meanwhile instead of writing over it.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "DataFileFixtures.h"
#include "core/database/RomTable.h"

namespace romshelf::test {
namespace {

std::vector<RawRomRecord> fiveRecords() {
    return {RawRomRecord("Alpha", -1, 1), RawRomRecord("Bravo", 2, 2),
            RawRomRecord("Charlie", -1, 3, 1, "c"), RawRomRecord("Delta", -1, 4),
            RawRomRecord("Echo", 0, 5)};
}

RomRecord fresh(const std::string& title) {
    RomRecord r;
    r.fileTitle = r.gameName = r.reading = title;
    return r;
}

struct DamagedRecords : DataFileTest {
    std::string path = dir.file("RomData_FC.slb");

    // Loads the file as it is, adds a record as `set` would, and saves.
    void loadEditAndSave(RomTable& table, bool& saved,
                         std::vector<DataStream::FailedSave>& failed) {
        table.load(stream, path, prompter);
        table.append(fresh("New"));
        bool merged = false;
        saved = table.saveMerging(stream, path, merged);
        failed = stream.takeFailedSaves();
    }
};

// Every cut of the file inside its records: refused, named with the byte where reading failed
// (within the record that was cut), and the file is left exactly as it was.
TEST_F(DamagedRecords, AFileCutAnywhereIsNeverWrittenOverNorTakenForAShorterOne) {
    const std::vector<RawRomRecord> records = fiveRecords();
    const std::string whole = rawRomFile(records);
    // Where each record starts: a file of the first k records has the same header and count.
    std::vector<std::size_t> starts;
    for (std::size_t k = 0; k <= records.size(); ++k)
        starts.push_back(
            rawRomFile({records.begin(), records.begin() + static_cast<long>(k)}).size());
    ASSERT_EQ(starts.back(), whole.size());
    for (std::size_t cut = starts[0]; cut < whole.size(); cut += 17) {
        SCOPED_TRACE(cut);
        const std::string damaged = whole.substr(0, cut);
        dir.write("RomData_FC.slb", damaged);
        RomTable table;
        bool saved = true;
        std::vector<DataStream::FailedSave> failed;
        loadEditAndSave(table, saved, failed);
        EXPECT_FALSE(saved);
        ASSERT_EQ(failed.size(), 1u);
        EXPECT_EQ(failed[0].error, EBADMSG);
        EXPECT_EQ(dir.read("RomData_FC.slb"), damaged);
        const std::optional<std::size_t> at = DataStream::damageOffset(path);
        ASSERT_TRUE(at.has_value());
        const auto record = std::upper_bound(starts.begin(), starts.end(), cut) - 1;
        EXPECT_GE(*at, *record);
        EXPECT_LE(*at, cut);
        EXPECT_NE(failedSavesText(failed).find(std::to_string(*at) + " バイト目"),
                  std::string::npos);
    }
}

TEST_F(DamagedRecords, FlippedLengthsAndAnotherVersionAreRefusedAlikeAndAGoneFileIsWrittenAnew) {
    std::string flipped = rawRomFile(fiveRecords());
    // The third byte of the first title's length: a title of 65,541 bytes, beyond the limit.
    const std::size_t firstTitle = rawRomFile({}).size();
    flipped[firstTitle + 2] = '\x01';
    std::string newer = rawRomFile(fiveRecords());
    const std::size_t version = RawBytes().str("ROMSHELF_ROMDATA").bytes().size();
    newer[version] = '\x02';
    for (const std::string& bytes : {flipped, newer}) {
        dir.write("RomData_FC.slb", bytes);
        RomTable table;
        bool saved = true;
        std::vector<DataStream::FailedSave> failed;
        loadEditAndSave(table, saved, failed);
        EXPECT_FALSE(saved);
        EXPECT_EQ(dir.read("RomData_FC.slb"), bytes);
    }
    // The user removed the damaged file: nothing is lost by writing the records anew.
    std::filesystem::remove(path);
    RomTable table;
    table.append(fresh("Only"));
    bool merged = false;
    EXPECT_TRUE(table.saveMerging(stream, path, merged));
    EXPECT_EQ(dir.read("RomData_FC.slb").substr(rawRomFile({}).size() - 4, 4),
              RawBytes().i32(1).bytes());
}

// Two machines: each sees the file through its own mount (here two links to one folder, so
// each path is read and written as its own program would).
struct TwoMachines : DataFileTest {
    std::string real = dir.makeFolder("share");
    std::string pathA, pathB;
    DataStream streamA, streamB;
    RomTable a, b;

    void SetUp() override {
        std::filesystem::create_directory_symlink(real, dir.file("mountA"));
        std::filesystem::create_directory_symlink(real, dir.file("mountB"));
        pathA = dir.file("mountA/RomData_FC.slb");
        pathB = dir.file("mountB/RomData_FC.slb");
        dir.write("share/RomData_FC.slb", rawRomFile(fiveRecords()));
        ASSERT_EQ(a.load(streamA, pathA, prompter), LoadResult::Loaded);
        ASSERT_EQ(b.load(streamB, pathB, prompter), LoadResult::Loaded);
    }
    RomTable reread() {
        RomTable t;
        DataStream s;
        t.load(s, dir.file("share/RomData_FC.slb"), prompter);
        return t;
    }
    static const RomRecord& byTitle(const RomTable& t, const std::string& title) {
        const int i = t.findRecordByTitle(title);
        EXPECT_GE(i, 0) << title;
        static const RomRecord none;
        return i >= 0 ? t[i] : none;
    }
};

TEST_F(TwoMachines, EditsOfOtherRecordsAndFieldsAreMergedNotOverwritten) {
    // B: a rating, a new record, a deletion. A (later): another record's comment, the same
    // record's other field, a new record of its own, and a deletion.
    b.edit(b.findRecordByTitle("Alpha"), [](RomRecord& r) { r.rating = 5; });
    b.append(fresh("FromB"));
    b.deleteRecords({b.findRecordByTitle("Echo")});
    bool merged = true;
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    EXPECT_FALSE(merged);
    a.edit(a.findRecordByTitle("Alpha"), [](RomRecord& r) { r.comment = "from A"; });
    a.edit(a.findRecordByTitle("Bravo"), [](RomRecord& r) { r.favourite = true; });
    a.append(fresh("FromA"));
    a.deleteRecords({a.findRecordByTitle("Delta")});
    ASSERT_TRUE(a.saveMerging(streamA, pathA, merged));
    EXPECT_TRUE(merged);
    const RomTable disk = reread();
    for (const RomTable* t : std::vector<const RomTable*>{&a, &disk}) {
        const RomTable& seen = *t;
        EXPECT_EQ(byTitle(seen, "Alpha").rating, 5);
        EXPECT_EQ(byTitle(seen, "Alpha").comment, "from A");
        EXPECT_TRUE(byTitle(seen, "Bravo").favourite);
        EXPECT_GE(seen.findRecordByTitle("FromA"), 0);
        EXPECT_GE(seen.findRecordByTitle("FromB"), 0);
        EXPECT_LT(seen.findRecordByTitle("Echo"), 0);
        EXPECT_LT(seen.findRecordByTitle("Delta"), 0);
        EXPECT_EQ(byTitle(seen, "Charlie").comment, "c");
    }
    // B's next save takes A's in the same way: nothing of A's is lost either.
    b.edit(b.findRecordByTitle("Charlie"), [](RomRecord& r) { r.rating = 1; });
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    const RomTable after = reread();
    EXPECT_EQ(byTitle(after, "Charlie").rating, 1);
    EXPECT_EQ(byTitle(after, "Alpha").comment, "from A");
    EXPECT_GE(after.findRecordByTitle("FromA"), 0);
}

TEST_F(TwoMachines, ClashesAreRefusedByNameAndTheOtherMachinesFileStays) {
    b.edit(b.findRecordByTitle("Bravo"), [](RomRecord& r) { r.rating = 1; });
    b.edit(b.findRecordByTitle("Delta"), [](RomRecord& r) { r.comment = "B's"; });
    bool merged = false;
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    const std::string theirs = dir.read("share/RomData_FC.slb");
    // The same field to another value; a record B changed, deleted here.
    a.edit(a.findRecordByTitle("Bravo"), [](RomRecord& r) { r.rating = 4; });
    a.deleteRecords({a.findRecordByTitle("Delta")});
    EXPECT_FALSE(a.saveMerging(streamA, pathA, merged));
    const auto failed = streamA.takeFailedSaves();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].error, ESTALE);
    EXPECT_NE(failed[0].detail.find("Bravo"), std::string::npos);
    EXPECT_NE(failed[0].detail.find("Delta"), std::string::npos);
    EXPECT_EQ(dir.read("share/RomData_FC.slb"), theirs);
    // Refused again at the next try: the clash is not forgotten by having been told.
    EXPECT_FALSE(a.saveMerging(streamA, pathA, merged));
    EXPECT_EQ(dir.read("share/RomData_FC.slb"), theirs);
    // The same value on both sides is no clash.
    RomTable c;
    DataStream streamC;
    ASSERT_EQ(c.load(streamC, pathA, prompter), LoadResult::Loaded);
    b.edit(b.findRecordByTitle("Echo"), [](RomRecord& r) { r.rating = 2; });
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    c.edit(c.findRecordByTitle("Echo"), [](RomRecord& r) { r.rating = 2; });
    EXPECT_TRUE(c.saveMerging(streamC, pathA, merged));
}

TEST_F(TwoMachines, AWindowWithoutEditsTakesTheOtherMachinesRecordsAndOneWithEditsWaitsForItsSave) {
    b.edit(b.findRecordByTitle("Alpha"), [](RomRecord& r) { r.gameName = "B"; });
    bool merged = false;
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    EXPECT_FALSE(a.edited());
    EXPECT_TRUE(a.takeChangesFromDisk(streamA, pathA));
    EXPECT_EQ(byTitle(a, "Alpha").gameName, "B");
    EXPECT_FALSE(a.edited());
    EXPECT_FALSE(a.takeChangesFromDisk(streamA, pathA));  // nothing new
    b.edit(b.findRecordByTitle("Bravo"), [](RomRecord& r) { r.gameName = "B2"; });
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    a.edit(a.findRecordByTitle("Charlie"), [](RomRecord& r) { r.gameName = "A"; });
    EXPECT_TRUE(a.edited());
    EXPECT_FALSE(a.takeChangesFromDisk(streamA, pathA));
    ASSERT_TRUE(a.saveMerging(streamA, pathA, merged));
    EXPECT_TRUE(merged);
    EXPECT_EQ(byTitle(reread(), "Bravo").gameName, "B2");
    EXPECT_EQ(byTitle(reread(), "Charlie").gameName, "A");
}

// Each kind of change counts as an edit of a table just read, and is measured against the records
// as read: a change taken back is none, and the merge of a later save starts from them.
TEST_F(TwoMachines, EveryKindOfChangeIsAnEditAndAChangeTakenBackIsNone) {
    const std::vector<std::pair<std::string, std::function<void(RomTable&)>>> changes = {
        {"edit", [](RomTable& t) { t.edit(0, [](RomRecord& r) { r.comment = "x"; }); }},
        {"title", [](RomTable& t) { t.setFileTitle(1, "Renamed"); }},
        {"append", [](RomTable& t) { t.append(fresh("New")); }},
        {"clear", [](RomTable& t) { t.clearRecord(2); }},
        {"delete", [](RomTable& t) { t.deleteRecords({3}); }},
    };
    for (const auto& [name, change] : changes) {
        RomTable t;
        DataStream s;
        ASSERT_EQ(t.load(s, pathA, prompter), LoadResult::Loaded);
        EXPECT_FALSE(t.edited()) << name;
        change(t);
        EXPECT_TRUE(t.edited()) << name;
    }
    // Alpha's comment is empty in the file (fiveRecords).
    a.edit(a.findRecordByTitle("Alpha"), [](RomRecord& r) { r.comment = "changed"; });
    EXPECT_TRUE(a.edited());
    a.edit(a.findRecordByTitle("Alpha"), [](RomRecord& r) { r.comment = ""; });
    EXPECT_FALSE(a.edited());
    // B saves a change of Bravo meanwhile; A's change of Alpha goes on top of it, and Bravo's is
    // kept: A's merge measured its own edits against the records it had read.
    b.edit(b.findRecordByTitle("Bravo"), [](RomRecord& r) { r.gameName = "by B"; });
    bool merged = false;
    ASSERT_TRUE(b.saveMerging(streamB, pathB, merged));
    a.edit(a.findRecordByTitle("Alpha"), [](RomRecord& r) { r.gameName = "by A"; });
    ASSERT_TRUE(a.saveMerging(streamA, pathA, merged));
    EXPECT_TRUE(merged);
    EXPECT_FALSE(a.edited());
    EXPECT_EQ(byTitle(reread(), "Alpha").gameName, "by A");
    EXPECT_EQ(byTitle(reread(), "Bravo").gameName, "by B");
}

// A file another program made while this one found none is merged too, not replaced.
TEST_F(DamagedRecords, AFileMadeMeanwhileIsMergedAndOtherKindsRefuseAChangedFile) {
    RomTable table;
    ASSERT_EQ(table.load(stream, path, prompter), LoadResult::Missing);
    table.append(fresh("Mine"));
    dir.write("RomData_FC.slb", rawRomFile({RawRomRecord("Theirs")}));
    bool merged = false;
    ASSERT_TRUE(table.saveMerging(stream, path, merged));
    EXPECT_TRUE(merged);
    RomTable disk;
    DataStream s;
    disk.load(s, path, prompter);
    EXPECT_GE(disk.findRecordByTitle("Mine"), 0);
    EXPECT_GE(disk.findRecordByTitle("Theirs"), 0);
    // Without a merge (a plain save), a file changed since it was read is refused.
    const std::string changed = rawRomFile({RawRomRecord("Other")});
    dir.write("RomData_FC.slb", changed);
    EXPECT_FALSE(table.save(stream, path));
    const auto failed = stream.takeFailedSaves();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].error, ESTALE);
    EXPECT_EQ(dir.read("RomData_FC.slb"), changed);
}

}  // namespace
}  // namespace romshelf::test
