#include <gtest/gtest.h>

#include "AppChecks.h"
#include "DataFileFixtures.h"
#include "core/app/CategoryCommands.h"

namespace romshelf {
namespace {

struct CategoryCommandsTest : test::AppChecks {};

// A renamed item reaches the records beyond the table's 5000 rows too, in the current hardware's
// file (saved through the session) and in another's (read and written by the rename).
TEST_F(CategoryCommandsTest, RenameReachesTheRecordsBeyondTheTable) {
    std::vector<test::RawRomRecord> records;
    for (int i = 0; i < RomTable::kCapacity + 3; ++i) records.emplace_back("t" + std::to_string(i));
    for (const char* code : {"FC", "MD"}) {
        setUpHardware(code);
        dir.write(std::string("data/RomData_") + code + ".slb", test::rawRomFile(records));
    }
    CategoryLists lists;
    lists.items[0] = {"ACT"};  // the first category of every record
    DataStream s;
    lists.save(s, app.programFolder(), "FC");
    start("FC");

    CategoryOrganiser organiser = app.categoryCommands().open(0);
    organiser.selectCurrent(0);
    organiser.renameText = "アクション";
    ASSERT_EQ(app.categoryCommands().rename(organiser), CategoryCommands::RenameResult::Renamed);
    for (const char* code : {"FC", "MD"}) {
        SCOPED_TRACE(code);
        const RomTable saved = savedRecords(code);
        ASSERT_EQ(saved.overflow().size(), 3u);
        EXPECT_EQ(saved[RomTable::kCapacity - 1].classes[0], "アクション");
        for (const RomRecord& r : saved.overflow()) EXPECT_EQ(r.classes[0], "アクション");
    }
}

}  // namespace
}  // namespace romshelf
