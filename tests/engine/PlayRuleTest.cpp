// The rules of play: the stretches handed to the passes place the same bets as the rule does balance by balance.
#include "engine/PlayRule.h"

#include "model/BetDescription.h"

#include <gtest/gtest.h>

#include <vector>

namespace wl {
namespace {

struct TRuleCase {
    const char* Name;
    std::vector<int> Bets;
    int Bankroll;
};

void PrintTo(const TRuleCase& c, std::ostream* os) {
    *os << c.Name;
}

class PlayRuleStretches : public ::testing::TestWithParam<TRuleCase> {};

TEST_P(PlayRuleStretches, AgreeWithThePlacedStateOfEveryBalance) {
    const TRuleCase& c = GetParam();
    TBetDescription system;
    for (size_t s = 0; s < c.Bets.size(); ++s)
        system.SetBet(static_cast<int>(s), c.Bets[s]);
    system.StateCount = static_cast<int>(c.Bets.size());
    const TPlayRule rule(system, c.Bankroll, 0);
    for (int s = 0; s < system.StateCount; ++s)
        for (const auto& [lo, hi] : {std::pair<int64_t, int64_t>{-40, 40}, {-3, -3}, {5, 4}, {30, 90}}) {
            int64_t next = lo;
            rule.ForEachPlaced(s, lo, hi, [&](int placed, int64_t first, int64_t last) {
                EXPECT_EQ(first, next) << "stretches ascending and adjoining";
                EXPECT_LE(first, last);
                for (int64_t b = first; b <= last; ++b)
                    EXPECT_EQ(placed, rule.PlacedState(s, b)) << "state " << s << ", balance " << b;
                next = last + 1;
            });
            EXPECT_EQ(next, std::max(lo, hi + 1)) << "state " << s << " covers " << lo << ".." << hi;
        }
}

INSTANTIATE_TEST_SUITE_P(Bankrolls, PlayRuleStretches,
                         ::testing::Values(TRuleCase{"NoBankroll", {1, 5, 20}, 0},
                                           TRuleCase{"FallBackAndStop", {2, 7, 30}, 10},
                                           TRuleCase{"LaterBetBelowTheFirst", {6, 1, 3}, 4},
                                           TRuleCase{"FirstBetAboveTheMoney", {50, 2}, 10},
                                           TRuleCase{"BetsOfNothing", {0, -3}, 5}),
                         [](const auto& row) { return row.param.Name; });

} // namespace
} // namespace wl
