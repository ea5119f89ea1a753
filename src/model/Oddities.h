// What a game or system may store but makes no sense to chart: probabilities that are negative or do not add up to 1,
// negative bets, and values of its file that could not be read and count as 0. Kept as they are, and said where
// they are charted or made.
#pragma once

#include "support/Exception.h"

#include <vector>

namespace wl {

class TGameDescription;
class TBetDescription;

std::vector<TUserText> GameOddities(const TGameDescription& game);
std::vector<TUserText> SystemOddities(const TBetDescription& system);
// Both, for a series.
std::vector<TUserText> SeriesOddities(const TGameDescription& game, const TBetDescription& system);

} // namespace wl
