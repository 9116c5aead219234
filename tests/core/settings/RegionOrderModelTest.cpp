#include "core/settings/RegionOrderModel.h"

#include <gtest/gtest.h>

namespace romshelf {
namespace {

using V = std::vector<std::string>;

TEST(RegionOrderModel, MovesAddsAndRemoves) {
    RegionOrderModel m({"Japan", "World", "USA", "Europe"});
    EXPECT_FALSE(m.moveUp(0));
    EXPECT_FALSE(m.moveDown(3));
    EXPECT_FALSE(m.moveUp(4));
    EXPECT_FALSE(m.moveDown(-1));
    EXPECT_TRUE(m.moveUp(2));
    EXPECT_EQ(m.order(), (V{"Japan", "USA", "World", "Europe"}));
    EXPECT_TRUE(m.moveDown(0));
    EXPECT_EQ(m.order(), (V{"USA", "Japan", "World", "Europe"}));
    // As the tags write it; a region twice, or one no tag has, is refused.
    EXPECT_TRUE(m.add("hong kong"));
    EXPECT_FALSE(m.add("usa"));
    EXPECT_FALSE(m.add("Atlantis"));
    EXPECT_FALSE(m.add(""));
    EXPECT_EQ(m.order(), (V{"USA", "Japan", "World", "Europe", "Hong Kong"}));
    EXPECT_TRUE(m.remove(1));
    EXPECT_FALSE(m.remove(4));
    EXPECT_EQ(m.order(), (V{"USA", "World", "Europe", "Hong Kong"}));
    m.reset();
    EXPECT_EQ(m.order(), (V{"Japan", "World", "USA", "Europe"}));
}

}  // namespace
}  // namespace romshelf
