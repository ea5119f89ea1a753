// Zeroed doubles straight from the kernel: pages never touched cost neither memory nor clearing. The heap would not
// do: once a block of this size has been freed, malloc serves the next from memory it has to clear whole.
#pragma once

#include <cstddef>
#include <memory>

namespace wl {

struct TZeroPagesDelete {
    size_t Shift; // from the block's start to the aligned doubles
    size_t Bytes; // the block's size, for the pages given back
    void operator()(double* p) const;
};
using TZeroPages = std::unique_ptr<double[], TZeroPagesDelete>;

// Sanitizer builds take the heap instead, whose guards catch a read past the block.
#if defined(__SANITIZE_ADDRESS__)
#define WL_ZERO_PAGES_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define WL_ZERO_PAGES_FROM_HEAP 1
#endif
#endif
#ifdef WL_ZERO_PAGES_FROM_HEAP
inline constexpr bool ZeroPagesFromHeap = true;
#else
inline constexpr bool ZeroPagesFromHeap = false;
#endif

// At least 64-byte aligned; throws std::bad_alloc. Huge: a block that is touched whole soon after takes huge pages
// where the kernel has them, a fault per 2 MiB instead of per 4 KiB.
TZeroPages AllocateZeroPages(size_t bytes, bool huge = false);

// Sets first..last-1 to +0 in a block from AllocateZeroPages; long stretches give their pages back instead, which
// then read +0 and cost nothing until touched again.
void ClearZeroPages(double* first, double* last);

} // namespace wl
