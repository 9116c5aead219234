#include "core/settings/RegionOrderModel.h"

#include <algorithm>
#include <utility>

#include "core/settings/PlusSettings.h"
#include "core/text/NameTags.h"

namespace romshelf {

bool RegionOrderModel::moveUp(int row) {
    if (row <= 0 || row >= static_cast<int>(order_.size())) return false;
    std::swap(order_[static_cast<std::size_t>(row)], order_[static_cast<std::size_t>(row - 1)]);
    return true;
}

bool RegionOrderModel::moveDown(int row) {
    if (row < 0 || row + 1 >= static_cast<int>(order_.size())) return false;
    std::swap(order_[static_cast<std::size_t>(row)], order_[static_cast<std::size_t>(row + 1)]);
    return true;
}

bool RegionOrderModel::add(const std::string& name) {
    const auto region = text::regionNumber(name);
    if (!region) return false;
    const std::string written(text::regionNames()[static_cast<std::size_t>(*region)]);
    if (std::find(order_.begin(), order_.end(), written) != order_.end()) return false;
    order_.push_back(written);
    return true;
}

bool RegionOrderModel::remove(int row) {
    if (row < 0 || row >= static_cast<int>(order_.size())) return false;
    order_.erase(order_.begin() + row);
    return true;
}

void RegionOrderModel::reset() { order_ = PlusSettings{}.regionOrder; }

}  // namespace romshelf
