// The games and betting systems that Wagerlens ships, built from their rules.
#pragma once

#include <QString>

#include <cstdint>

namespace wl {

class TGameList;
class TBetList;

// Exact eight-deck baccarat under the standard drawing rules: the number of ordered six-card deals (416 cards)
// won by the banker, won by the player and tied. A hand that ends after four or five cards counts once for
// every way the remaining cards could follow, so the three add up to 416*415*414*413*412*411.
struct TBaccaratCounts {
    uint64_t Banker = 0;
    uint64_t Player = 0;
    uint64_t Tie = 0;
    uint64_t Total() const { return Banker + Player + Tie; }
};
TBaccaratCounts CountBaccarat(int decks);

void AddShippedGames(TGameList& games);
void AddShippedSystems(TBetList& systems);

// Writes games.ini and bets.ini into folder, through the program's own lists.
void WriteShippedData(const QString& folder);

} // namespace wl
