// Games and systems as Python holds them: fixed once made, and shared with the calculations that use them, so that
// nothing a caller does can change a description while a calculation reads it without the GIL.
#pragma once

#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <memory>

namespace wl::python {

struct TPyGame {
    std::shared_ptr<const TGameDescription> Game;
};

struct TPySystem {
    std::shared_ptr<const TBetDescription> System;
};

} // namespace wl::python
