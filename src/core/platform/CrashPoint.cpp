#include "core/platform/CrashPoint.h"

#include <csignal>
#include <cstdlib>

namespace romshelf {

void crashPoint() {
    // Read once: the variable is set only by tests, for the whole child process.
    static const long at = [] {
        const char* text = std::getenv("ROMSHELF_TEST_CRASH_AT");
        return text ? std::strtol(text, nullptr, 10) : 0L;
    }();
    // ROMSHELF_TEST_CRASH_SIGNAL: another signal than SIGKILL (Ctrl+C's SIGINT, say).
    static const int signal = [] {
        const char* text = std::getenv("ROMSHELF_TEST_CRASH_SIGNAL");
        return text ? static_cast<int>(std::strtol(text, nullptr, 10)) : SIGKILL;
    }();
    static long passed = 0;
    if (at > 0 && ++passed == at) std::raise(signal);
}

}  // namespace romshelf
