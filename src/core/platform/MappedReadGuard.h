#pragma once

#include <cstddef>

namespace romshelf {

// Reading a mapped file that another program cuts short meanwhile raises SIGBUS at the first page
// past its new end, which would end the program. While a guard is armed on a thread, such a fault
// inside the guarded bytes is answered by zero pages in place of the rest of them, and the guard
// remembers it: the reader goes on to the end of what it was doing and then knows that the bytes
// it read are not the file's. A fault anywhere else is left to whatever handled SIGBUS before.
//
// Arm it only around mappings the thread made itself and unmaps afterwards (the zero pages take
// their place until then). One guard per thread at a time. The handler is installed with the
// first guard: one installed later without passing SIGBUS on takes the guard's place, and a
// fault the zero pages cannot be mapped for (the process at its limit of mappings) still ends the
// program.
class MappedReadGuard {
public:
    MappedReadGuard(const void* bytes, std::size_t size);
    ~MappedReadGuard();
    MappedReadGuard(const MappedReadGuard&) = delete;
    MappedReadGuard& operator=(const MappedReadGuard&) = delete;

    // True once a read within the guarded bytes found no page of the file there.
    bool faulted() const;
};

}  // namespace romshelf
