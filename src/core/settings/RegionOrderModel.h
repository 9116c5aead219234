#pragma once

#include <string>
#include <vector>

namespace romshelf {

// The region order of the environment dialog: the regions one file per game prefers, most wanted
// first, each once, each a region the names' tags know.
class RegionOrderModel {
public:
    explicit RegionOrderModel(std::vector<std::string> order) : order_(std::move(order)) {}

    const std::vector<std::string>& order() const { return order_; }
    // Moves row `row` one up or down; false when it cannot go (the first up, the last down).
    bool moveUp(int row);
    bool moveDown(int row);
    // Adds a region at the end, written as the tags write it ("hong kong" becomes "Hong Kong");
    // false for a name no tag has or one already in the list.
    bool add(const std::string& name);
    bool remove(int row);
    // Japan, World, USA, Europe.
    void reset();

private:
    std::vector<std::string> order_;
};

}  // namespace romshelf
