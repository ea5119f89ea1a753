#include "engine/ZeroPages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace wl {

void TZeroPagesDelete::operator()(double* p) const {
    char* block = reinterpret_cast<char*>(p) - Shift;
#ifdef WL_ZERO_PAGES_FROM_HEAP
    std::free(block);
#else
    ::munmap(block, Bytes);
#endif
}

TZeroPages AllocateZeroPages(size_t bytes, [[maybe_unused]] bool huge) {
#ifdef WL_ZERO_PAGES_FROM_HEAP
    constexpr size_t alignment = 64;
    char* raw = static_cast<char*>(std::calloc(bytes + alignment, 1));
    if (!raw)
        throw std::bad_alloc();
    const size_t shift = alignment - reinterpret_cast<uintptr_t>(raw) % alignment;
    return TZeroPages(reinterpret_cast<double*>(raw + shift), TZeroPagesDelete{shift, bytes + alignment});
#else
    void* raw = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    if (huge)
        ::madvise(raw, bytes, MADV_HUGEPAGE); // advice only: without huge pages the block works the same
    return TZeroPages(static_cast<double*>(raw), TZeroPagesDelete{0, bytes}); // page-aligned
#endif
}

void ClearZeroPages(double* first, double* last) {
    if (last <= first)
        return;
    if constexpr (!ZeroPagesFromHeap) {
        // Past a few pages, clearing would only fault in pages between clusters that were never touched.
        constexpr uintptr_t page = 4096;
        const uintptr_t from = (reinterpret_cast<uintptr_t>(first) + page - 1) / page * page;
        const uintptr_t to = reinterpret_cast<uintptr_t>(last) / page * page;
        if (to >= from + 16 * page) {
            std::fill(first, reinterpret_cast<double*>(from), 0.0);
            ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
            std::fill(reinterpret_cast<double*>(to), last, 0.0);
            return;
        }
    }
    std::fill(first, last, 0.0);
}

} // namespace wl
