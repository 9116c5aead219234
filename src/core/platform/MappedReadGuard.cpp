#include "core/platform/MappedReadGuard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>
#include <cstdint>
#include <mutex>

namespace romshelf {

namespace {

// What the thread guards. Read by the signal handler on the same thread: plain values, set before
// a read can fault.
struct Guarded {
    char* from = nullptr;
    char* to = nullptr;  // page-aligned end
    std::uintptr_t page = 0;
    volatile sig_atomic_t faulted = 0;
};
thread_local Guarded guarded;

struct sigaction previousBusAction {};

void passOn(int signal, siginfo_t* info, void* context) {
    const struct sigaction& before = previousBusAction;
    if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        if ((before.sa_flags & SA_SIGINFO) != 0)
            before.sa_sigaction(signal, info, context);
        else
            before.sa_handler(signal);
        return;
    }
    // No handler before: what ends the program without this one ends it now. A fault's access
    // runs again on return; a signal sent by someone is sent again, held until the return.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(SIGBUS, &fallback, nullptr);
    if (info->si_code <= 0) ::raise(SIGBUS);
}

void onBusError(int signal, siginfo_t* info, void* context) {
    // The interrupted code's errno is its own.
    struct KeptErrno {
        int value = errno;
        ~KeptErrno() { errno = value; }
    } const kept;
    Guarded& g = guarded;
    // Only a fault has an address (a signal sent by a program has its sender there instead).
    char* const at = info->si_code > 0 ? static_cast<char*>(info->si_addr) : nullptr;
    if (g.from != nullptr && at != nullptr && at >= g.from && at < g.to) {
        char* const start =
            reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(at) & ~(g.page - 1));
        // Zero pages over the rest of the guarded bytes: the read goes on, and every later one
        // finds a page too instead of faulting again.
        if (::mmap(start, static_cast<std::size_t>(g.to - start), PROT_READ,
                   MAP_PRIVATE | MAP_FIXED | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) {
            g.faulted = 1;
            return;
        }
    }
    passOn(signal, info, context);
}

void installHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
}

}  // namespace

MappedReadGuard::MappedReadGuard(const void* bytes, std::size_t size) {
    assert(guarded.from == nullptr && "one guard per thread at a time");
    installHandler();
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto from = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t to = (from + size + page - 1) & ~(page - 1);
    guarded.faulted = 0;
    guarded.page = page;
    guarded.to = reinterpret_cast<char*>(to);
    // Armed last, and before any read of the bytes: the handler looks at `from` first.
    guarded.from = static_cast<char*>(const_cast<void*>(bytes));
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

MappedReadGuard::~MappedReadGuard() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    guarded.from = nullptr;
    guarded.to = nullptr;
}

bool MappedReadGuard::faulted() const { return guarded.faulted != 0; }

}  // namespace romshelf
