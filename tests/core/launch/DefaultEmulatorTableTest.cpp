#include "core/launch/DefaultEmulatorTable.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace romshelf;

namespace {
const std::vector<int> kUserSlots = {59, 60, 61, 62, 63};
}

TEST(DefaultEmulatorTable, NamedRowsWithoutGapsThenTheFiveUserSlots) {
    // Famicom: 26 named rows, slots 0-25, then the user slots.
    const DefaultEmulatorTable fc("FC");
    std::vector<int> expected(26);
    std::iota(expected.begin(), expected.end(), 0);
    expected.insert(expected.end(), kUserSlots.begin(), kUserSlots.end());
    EXPECT_EQ(fc.offeredSlots(), expected);
    EXPECT_EQ(fc.row(25).defaultName, "Pretendo");
    EXPECT_TRUE(fc.row(26) == DefaultEmulator{});
    EXPECT_TRUE(fc.row(58) == DefaultEmulator{});
    // A user slot takes any executable, ZIP files and a quoted path.
    EXPECT_TRUE(fc.row(59) ==
                (DefaultEmulator{"ユーザ設定エミュレータ 1", "*.exe", false, true, true}));
    EXPECT_EQ(fc.row(63).defaultName, "ユーザ設定エミュレータ 5");
    // No named rows: the user slots only, also for a code that is not in the table.
    for (const char* code : {"GC", "HARD", "", "fc"})
        EXPECT_EQ(DefaultEmulatorTable(code).offeredSlots(), kUserSlots) << code;
    EXPECT_EQ(DefaultEmulatorTable("MAME").offeredSlots().size(), 15u);
}

TEST(DefaultEmulatorTable, UserHardwareOffersAllSixtyFourSlots) {
    const DefaultEmulatorTable user("USER3");
    ASSERT_EQ(user.offeredSlots().size(), 64u);
    EXPECT_EQ(user.offeredSlots()[40], 40);
    EXPECT_EQ(user.row(0).defaultName, "ユーザ設定 1");
    EXPECT_TRUE(user.row(63) == (DefaultEmulator{"ユーザ設定 64", "*.exe", false, true, true}));
}

TEST(DefaultEmulatorTable, MasterSystemAndGameGearShareTheirEmulators) {
    const DefaultEmulatorTable msys("MSYS"), gg("GG");
    for (int slot = 0; slot < 64; ++slot) EXPECT_TRUE(msys.row(slot) == gg.row(slot)) << slot;
    EXPECT_EQ(msys.offeredSlots().size(), 10u);
}
