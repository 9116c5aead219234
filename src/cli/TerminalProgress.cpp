#include "cli/TerminalProgress.h"

#include <unistd.h>

#include "cli/Interrupts.h"

namespace romshelf::cli {

TerminalProgress::TerminalProgress(std::ostream& out, int fd)
    : out_(out), terminal_(::isatty(fd) == 1) {}

TerminalProgress::~TerminalProgress() { end(); }

void TerminalProgress::begin(const std::string& title, int total, std::string_view) {
    title_ = title;
    total_ = total;
    shown_ = false;
}

void TerminalProgress::step(int done, const std::string& item) {
    if (!terminal_) return;
    shown_ = true;
    // \r and "erase to the end of the line": a shorter item leaves nothing of the last one.
    out_ << "\r\x1b[K" << title_ << " " << done << "/" << total_ << " " << item << std::flush;
}

bool TerminalProgress::cancelRequested() const { return interruptRequested(); }

// Nobody sits at a window to be asked: the signal itself was the answer.
bool TerminalProgress::cancelDecided() const { return interruptRequested(); }

void TerminalProgress::clearCancelRequest() { clearInterruptRequest(); }

void TerminalProgress::end() {
    if (shown_ && terminal_) out_ << "\r\x1b[K" << std::flush;
    shown_ = false;
}

}  // namespace romshelf::cli
