#pragma once

#include <ostream>
#include <string>

#include "core/platform/Progress.h"

namespace romshelf::cli {

// Progress on the terminal: one line on `out`, rewritten in place, and only when `fd` (the
// stream's descriptor) is a terminal, so that redirected output stays clean. Ctrl+C or SIGTERM
// (caught for the whole run, see Interrupts.h) is the cancel request, and it needs no question.
class TerminalProgress : public Progress {
public:
    TerminalProgress(std::ostream& out, int fd);
    ~TerminalProgress() override;

    void begin(const std::string& title, int total, std::string_view counts) override;
    void step(int done, const std::string& item) override;
    bool cancelRequested() const override;
    bool cancelDecided() const override;
    void clearCancelRequest() override;
    void end() override;

private:
    std::ostream& out_;
    bool terminal_;
    bool shown_ = false;
    std::string title_;
    int total_ = 0;
};

}  // namespace romshelf::cli
