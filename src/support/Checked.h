// Checked indexes and checked 32-bit arithmetic: a bad index raises ERangeError, an overflow EOverflowError.
#pragma once

#include "support/Exception.h"

#include <array>
#include <cstdint>

// Inlined even in debug builds, so that the raise address recorded by the helpers below is the checking code.
#define WL_ALWAYS_INLINE inline __attribute__((always_inline))

namespace wl {

[[noreturn]] void RaiseRangeError(const char* what, long long index, long long low, long long high);
[[noreturn]] void RaiseOverflowError(const char* operation, long long a, long long b);

WL_ALWAYS_INLINE int CheckIndex(int index, int low, int high, const char* what) {
    if (index < low || index > high) [[unlikely]]
        RaiseRangeError(what, index, low, high);
    return index;
}

WL_ALWAYS_INLINE int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) [[unlikely]]
        RaiseOverflowError("+", a, b);
    return r;
}

WL_ALWAYS_INLINE int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) [[unlikely]]
        RaiseOverflowError("-", a, b);
    return r;
}

WL_ALWAYS_INLINE int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) [[unlikely]]
        RaiseOverflowError("*", a, b);
    return r;
}

// A fixed array indexed Low..High; operator[] and At check the index.
template <typename T, int Low, int High> class TCheckedArray {
public:
    static_assert(Low <= High);
    static constexpr int LowIndex = Low;
    static constexpr int HighIndex = High;
    static constexpr int Size = High - Low + 1;

    T& operator[](int i) { return FData[static_cast<size_t>(CheckIndex(i, Low, High, "array index") - Low)]; }
    const T& operator[](int i) const {
        return FData[static_cast<size_t>(CheckIndex(i, Low, High, "array index") - Low)];
    }
    void Fill(const T& v) { FData.fill(v); }
    // Unchecked access to the storage: element i of the array is Data()[i - Low].
    T* Data() { return FData.data(); }
    const T* Data() const { return FData.data(); }

private:
    std::array<T, Size> FData{};
};

} // namespace wl
