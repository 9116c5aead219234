#include "cli/TerminalProgress.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace romshelf::cli {

namespace {

std::atomic<bool> interrupted{false};
struct sigaction previous {};

extern "C" void onInterrupt(int) { interrupted.store(true); }

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& out, int fd)
    : out_(out), terminal_(::isatty(fd) == 1) {}

TerminalProgress::~TerminalProgress() { end(); }

void TerminalProgress::begin(const std::string& title, int total, std::string_view) {
    title_ = title;
    total_ = total;
    interrupted.store(false);
    if (!catching_) {
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        catching_ = ::sigaction(SIGINT, &action, &previous) == 0;
    }
}

void TerminalProgress::step(int done, const std::string& item) {
    if (!terminal_) return;
    // \r and "erase to the end of the line": a shorter item leaves nothing of the last one.
    out_ << "\r\x1b[K" << title_ << " " << done << "/" << total_ << " " << item << std::flush;
}

bool TerminalProgress::cancelRequested() const { return interrupted.load(); }

void TerminalProgress::clearCancelRequest() { interrupted.store(false); }

void TerminalProgress::end() {
    if (catching_) {
        ::sigaction(SIGINT, &previous, nullptr);
        catching_ = false;
        if (terminal_) out_ << "\r\x1b[K" << std::flush;
    }
}

}  // namespace romshelf::cli
