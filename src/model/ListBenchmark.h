// The load and save benchmark of the two lists, run by wagerlens-calc --bench and by bench/ListBench.
#pragma once

#include <QString>

#include <ostream>

namespace wl {

// Writes games.ini with count games (two to four outcomes) and bets.ini with count systems (one to twelve states),
// sized like the shipped ones, into folder, names in no sorted order, as a user's hand-grown files would be.
void WriteGeneratedLists(const QString& folder, int count);

struct TListTimes {
    int GameCount = 0;
    int SystemCount = 0;
    double GamesLoad = 0; // processor seconds
    double GamesSave = 0;
    double SystemsLoad = 0;
    double SystemsSave = 0;
};

// Loads both lists of folder and saves each back, timing each step.
TListTimes TimeListLoadAndSave(const QString& folder);

// Generates count games and count systems in a temporary folder and prints
//   lists: <n> games load <s> s save <s> s, <n> systems load <s> s save <s> s (processor time)
// Returns 0, or 1 when the lists did not load back whole.
int RunListBenchmark(int count, std::ostream& out);

} // namespace wl
