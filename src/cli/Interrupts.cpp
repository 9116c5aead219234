#include "cli/Interrupts.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace romshelf::cli {

namespace {

std::atomic<int> received{0};
std::atomic<bool> requested{false};

extern "C" void onInterrupt(int signal) {
    // Kept before the request is raised: whoever sees the request finds its signal.
    int none = 0;
    received.compare_exchange_strong(none, signal);
    // A request still pending: the user means it.
    if (requested.exchange(true)) ::_exit(128 + signal);
}

}  // namespace

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int interruptSignal() { return received.load(); }
void clearInterruptRequest() { requested.store(false); }
bool interruptRequested() { return requested.load(); }

int takeInterruptRequest() { return requested.exchange(false) ? received.load() : 0; }

}  // namespace romshelf::cli
