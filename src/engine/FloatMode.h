// The floating-point mode of every thread that steps a calculator.
//
// Flush-to-zero and denormals-are-zero: a probability below the smallest normal double (2.2e-308) counts as zero,
// read or written. Without it, the far tails of a long calculation decay through the subnormal range, where each
// multiply or add costs a hundred times the normal one. The kernels stay bit-identical to each other in this mode, as
// in any other, because they perform the same operations in the same order.
#pragma once

#include <cstdint>

namespace wl {

class TFloatModeGuard {
public:
    // Sets the mode on the calling thread; the destructor puts back what was there.
    TFloatModeGuard();
    ~TFloatModeGuard();
    TFloatModeGuard(const TFloatModeGuard&) = delete;
    TFloatModeGuard& operator=(const TFloatModeGuard&) = delete;

    // Whether the calling thread flushes subnormal results and reads subnormal operands as zero.
    static bool Active();

private:
    uint64_t FSaved;
};

} // namespace wl
