#pragma once

#include "core/platform/Desktop.h"

namespace romshelf {

class QtDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
    // On X11 only; elsewhere nothing is grabbed.
    std::optional<DecodedImage> grabForegroundWindow() override;
};

}  // namespace romshelf
