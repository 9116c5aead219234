#pragma once

#include "core/platform/Desktop.h"

namespace romshelf {

class QtDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
};

}  // namespace romshelf
