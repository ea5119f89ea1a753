// The gather kernel for any processor: two-lane vectors, which every x86-64 and most other processors have.
#include "engine/StepKernel.h"

#include <cstring>

#define WL_GATHER_LANES 2
#define WL_GATHER_BLOCK 8

namespace wl {
namespace {
#include "engine/StepGather.inc"
} // namespace

void GatherPortable(const TGatherRow& row, int32_t lo, int32_t hi) {
    GatherRange(row, lo, hi);
}

void ScalePortable(double* cells, int32_t count, double p) {
    ScaleRange(cells, count, p);
}

} // namespace wl
