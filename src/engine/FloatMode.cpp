// Flush-to-zero and denormals-are-zero through the control register of the processor.
#include "engine/FloatMode.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace wl {

namespace {

#if defined(__x86_64__)
constexpr uint64_t FlushBits = 0x8040; // MXCSR: FTZ (bit 15) and DAZ (bit 6)
uint64_t ReadMode() {
    return _mm_getcsr();
}
void WriteMode(uint64_t mode) {
    _mm_setcsr(static_cast<unsigned>(mode));
}
#elif defined(__aarch64__)
constexpr uint64_t FlushBits = uint64_t{1} << 24; // FPCR.FZ flushes subnormal operands and results alike
uint64_t ReadMode() {
    uint64_t mode;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(mode));
    return mode;
}
void WriteMode(uint64_t mode) {
    __asm__ __volatile__("msr fpcr, %0" : : "r"(mode));
}
#else
// Elsewhere subnormals are computed in full: slower, and bit-identical between the kernels all the same.
constexpr uint64_t FlushBits = 0;
uint64_t ReadMode() {
    return 0;
}
void WriteMode(uint64_t) {}
#endif

} // namespace

TFloatModeGuard::TFloatModeGuard() : FSaved(ReadMode()) {
    WriteMode(FSaved | FlushBits);
}

TFloatModeGuard::~TFloatModeGuard() {
    WriteMode(FSaved);
}

bool TFloatModeGuard::Active() {
    return FlushBits != 0 && (ReadMode() & FlushBits) == FlushBits;
}

} // namespace wl
