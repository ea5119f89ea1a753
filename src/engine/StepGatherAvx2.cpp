// The gather kernel with four-lane vectors; on x86-64 this file alone is built for AVX2 and only called when the
// processor has it.
#include "engine/StepKernel.h"

#include <cstring>

#if defined(__AVX__)
#include <immintrin.h>
#endif

#define WL_GATHER_LANES 4
#define WL_GATHER_BLOCK 12

namespace wl {
namespace {
#include "engine/StepGather.inc"
} // namespace

void GatherAvx2(const TGatherRow& row, int32_t lo, int32_t hi) {
    GatherRange(row, lo, hi);
}

void ScaleAvx2(double* cells, int32_t count, double p) {
    ScaleRange(cells, count, p);
}

} // namespace wl
