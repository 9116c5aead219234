#pragma once

#include <ostream>
#include <string>

#include "core/platform/Progress.h"

namespace romshelf::cli {

// Progress on the terminal: one line on `out`, rewritten in place, and only when `fd` (the
// stream's descriptor) is a terminal, so that redirected output stays clean. Ctrl+C during a
// loop raises the cancel request instead of ending the program; the old handler comes back at
// the end.
class TerminalProgress : public Progress {
public:
    TerminalProgress(std::ostream& out, int fd);
    ~TerminalProgress() override;

    void begin(const std::string& title, int total, std::string_view counts) override;
    void step(int done, const std::string& item) override;
    bool cancelRequested() const override;
    void clearCancelRequest() override;
    void end() override;

private:
    std::ostream& out_;
    bool terminal_;
    bool catching_ = false;
    std::string title_;
    int total_ = 0;
};

}  // namespace romshelf::cli
