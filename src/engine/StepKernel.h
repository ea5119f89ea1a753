// Internal to the engine: the plan of one fast round and the gather kernels that carry it out.
#pragma once

#include "engine/GameCalculator.h"

namespace wl {

struct TGameCalculator::TFastPlan {};

} // namespace wl
