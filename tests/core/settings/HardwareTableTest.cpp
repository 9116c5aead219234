#include "core/settings/HardwareTable.h"

#include <gtest/gtest.h>

#include <set>

using namespace romshelf;

TEST(HardwareTable, RowsSlotsAndTraits) {
    const auto& table = hardwareTable();
    ASSERT_EQ(table.size(), 29u);
    std::set<int> indexes;
    for (const auto& row : table) {
        indexes.insert(row.index);
        EXPECT_EQ(hardwareCodeOf(row.index), row.code);
        EXPECT_EQ(defaultNameToCode(row.defaultName), row.code);
        // Each trait belongs to one hardware only.
        const HardwareTraits& t = traitsOf(row.code);
        EXPECT_EQ(t.setNames, row.code == "MAME") << row.code;
        EXPECT_EQ(t.pc98Preparation, row.code == "PC98") << row.code;
        EXPECT_EQ(t.alternativeStart, row.code == "WS") << row.code;
        EXPECT_EQ(t.otherSoftware, row.code == "HARD") << row.code;
    }
    EXPECT_EQ(indexes.size(), 29u);
    for (int i = 23; i <= 41; ++i) EXPECT_EQ(hardwareCodeOf(i), "") << i;
    EXPECT_EQ(hardwareIndexOf("PC98"), 22);
    EXPECT_EQ(hardwareIndexOf("HARD"), 42);
    EXPECT_EQ(hardwareIndexOf("USER5"), 47);
    EXPECT_EQ(hardwareIndexOf(""), -1);
    EXPECT_EQ(hardwareIndexOf("fc"), -1);  // codes are case-sensitive
    EXPECT_FALSE(traitsOf("mame").setNames);
}

TEST(HardwareTable, NameConversions) {
    CustomNames names{};
    EXPECT_EQ(codeToDefaultName(""), "未設定");
    EXPECT_EQ(codeToCustomName("", names), "未設定");
    EXPECT_EQ(defaultNameToCode("未設定"), "");
    EXPECT_EQ(customNameToCode("未設定", names), "");
    EXPECT_EQ(customNameToCode("no such name", names), "");

    // An empty custom name shows the default one and keeps it from then on.
    EXPECT_EQ(codeToCustomName("SFC", names), "スーパーファミコン");
    EXPECT_EQ(names[1], "スーパーファミコン");

    names[0] = "ファミコン";
    EXPECT_EQ(codeToCustomName("FC", names), "ファミコン");
    EXPECT_EQ(customNameToCode("ファミコン", names), "FC");
    // Renamed: the old name is gone.
    EXPECT_EQ(customNameToCode("ファミリーコンピュータ", names), "");
    EXPECT_EQ(defaultNameToCode("ファミリーコンピュータ"), "FC");
    // A name never shown yet still stands for its default name.
    EXPECT_EQ(customNameToCode("メガドライブ", names), "MD");
}
