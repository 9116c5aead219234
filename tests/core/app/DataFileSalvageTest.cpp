// Recovering what can be read of a damaged data file: every whole record before the damage, in a
// new file of the same kind, the damaged one left as it is.
#include "core/app/DataFileSalvage.h"

#include <gtest/gtest.h>

#include "DataFileFixtures.h"
#include "core/settings/MainSettings.h"

namespace romshelf::test {
namespace {

using Salvage = DataFileTest;

TEST_F(Salvage, TheWholeRecordsBeforeACutAreWrittenAsTheFileOfThoseRecordsAlone) {
    const std::vector<RawRomRecord> records = {RawRomRecord("One", -1, 1),
                                               RawRomRecord("Two", 3, 2, 1, "two"),
                                               RawRomRecord("Three", -1, 3)};
    const std::string whole = rawRomFile(records);
    const std::size_t third = rawRomFile({records[0], records[1]}).size();
    // Cut inside the third record, and kept under the name the program keeps damaged files.
    const std::string damaged = whole.substr(0, third + 9);
    const std::string path = dir.write("data/RomData_FC.slb.broken-20261208-101010", damaged);
    const SalvageResult result = salvageDataFile(path);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.recovered, 2);
    EXPECT_EQ(result.promised, 3);
    EXPECT_GE(result.damageOffset, third);
    EXPECT_LE(result.damageOffset, third + 9);
    EXPECT_EQ(result.output.rfind(dir.file("data/RomData_FC.slb.salvaged-"), 0), 0u)
        << result.output;
    // Byte for byte the file another program writes with the two records.
    std::string expected = rawRomFile({records[0], records[1]});
    EXPECT_EQ(dir.read(result.output.substr(dir.path().size())), expected);
    EXPECT_EQ(dir.read("data/RomData_FC.slb.broken-20261208-101010"), damaged);

    // A second salvage never replaces the first's file, nor one named by the caller.
    const SalvageResult again = salvageDataFile(path);
    ASSERT_TRUE(again.ok);
    EXPECT_NE(again.output, result.output);
    dir.write("taken.slb", "mine");
    const SalvageResult refused = salvageDataFile(path, dir.file("taken.slb"));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(dir.read("taken.slb"), "mine");
}

TEST_F(Salvage, CategoryItemsAndSettingsKeepWhatWasReadAndABrokenHeaderRecoversNothing) {
    // A category list cut inside its third item, found by its magic under another name.
    const std::string list =
        RawBytes().header("ROMSHELF_CLASS2DATA", 1).i32(3).str("ACT").str("RPG").bytes();
    const std::string cut = list + RawBytes().i32(5).raw("ST").bytes();
    const std::string path = dir.write("copy-of-a-list", cut);
    const SalvageResult items = salvageDataFile(path, dir.file("out.slb"));
    ASSERT_TRUE(items.ok) << items.error;
    EXPECT_EQ(items.recovered, 2);
    EXPECT_EQ(items.promised, 3);
    EXPECT_EQ(dir.read("out.slb"),
              RawBytes().header("ROMSHELF_CLASS2DATA", 1).i32(2).str("ACT").str("RPG").bytes());

    // Settings: the fields read before the cut are kept, the rest take their defaults.
    MainSettings settings;
    settings.currentHardware = "MD";
    DataStream s;
    dir.makeFolder("data");
    ASSERT_TRUE(saveMainSettings(s, dir.file("data/MainData.slb"), settings));
    const std::string main = dir.read("data/MainData.slb");
    dir.write("data/MainData.slb", main.substr(0, main.size() / 2));
    const SalvageResult fields = salvageDataFile(dir.file("data/MainData.slb"));
    ASSERT_TRUE(fields.ok) << fields.error;
    EXPECT_TRUE(fields.settings);
    MainSettings read;
    ASSERT_EQ(loadMainSettings(stream, fields.output, prompter, read), LoadResult::Loaded);
    EXPECT_EQ(read.currentHardware, "MD");

    dir.write("bad.slb", RawBytes().str("ROMSHELF_ROMD").bytes());
    EXPECT_FALSE(salvageDataFile(dir.file("bad.slb")).ok);
    EXPECT_FALSE(salvageDataFile(dir.file("missing.slb")).ok);
}

}  // namespace
}  // namespace romshelf::test
