#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace romshelf {

// Storage for arrays of megabytes (the rows of a large list, the sort-key tables): mapped on its
// own and, where the system allows it, backed by huge pages, so that filling it in takes a few
// page faults instead of one per 4 KB (on some virtual machines each fault costs microseconds,
// and the rows of 40,000 files are 16 MB). Small arrays come from the heap as usual.
template <class T>
struct LargeAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    // From here on an array is mapped on its own: at least one huge page of it is huge.
    static constexpr std::size_t kThreshold = kHugePage;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > (static_cast<std::size_t>(-1) - 2 * kHugePage) / sizeof(T))
            throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kThreshold) return std::allocator<T>().allocate(n);
        // One huge page more than needed, so that the block can start on a huge-page boundary;
        // the unused ends are given back at once. The block ends at the page its last byte is on:
        // the whole huge pages within it are huge, the rest are not (a 2.1 MB array would take
        // 4 MB, and the memory a listed file costs would grow in steps of 2 MB).
        const std::size_t size = roundUp(bytes);
        void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        const auto start = reinterpret_cast<std::uintptr_t>(mapped);
        const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
        if (aligned > start) ::munmap(mapped, aligned - start);
        if (const std::size_t tail = start + size + kHugePage - (aligned + size); tail > 0)
            ::munmap(reinterpret_cast<void*>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
        ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
        return reinterpret_cast<T*>(aligned);
    }

    void deallocate(T* p, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kThreshold)
            std::allocator<T>().deallocate(p, n);
        else
            ::munmap(p, roundUp(bytes));
    }

    friend bool operator==(const LargeAllocator&, const LargeAllocator&) { return true; }

private:
    static constexpr std::size_t kPage = 4096;
    static std::size_t roundUp(std::size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }
};

}  // namespace romshelf
