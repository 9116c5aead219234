#pragma once

#include <string>

namespace romshelf {

// The desktop's "open": documents and folders in the application the user chose for them.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool open(const std::string& path) = 0;
};

// xdg-open, for programs without a window toolkit.
class XdgDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
};

}  // namespace romshelf
