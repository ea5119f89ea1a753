// The one check of a series before any pass over it, forward or backward.
#pragma once

namespace wl {

class TGameDescription;
class TBetDescription;

// Raises for a missing game or system, and in the user family for a system without states or with a successor
// beyond its states (the system editor mends those); returns the outcomes in use, a negative count meaning none.
int CheckedSeries(const TGameDescription* game, const TBetDescription* system);

} // namespace wl
