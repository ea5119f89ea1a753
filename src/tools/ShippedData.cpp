// The shipped games and systems: each probability follows from the game's rules, each system from its definition.
#include "ShippedData.h"

#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"

#include <QDir>

#include <memory>
#include <utility>
#include <vector>

namespace wl {

namespace {

struct TOutcome {
    int32_t Result;
    double Probability;
};

void AddGame(TGameList& games, const char* name, std::initializer_list<TOutcome> outcomes) {
    auto game = std::make_unique<TGameDescription>();
    game->Name = QString::fromUtf8(name);
    for (const TOutcome& o : outcomes) {
        game->InsertOutcome(game->OutcomeCount);
        game->SetResult(game->OutcomeCount - 1, o.Result);
        game->SetProbability(game->OutcomeCount - 1, o.Probability);
    }
    games.Add(std::move(game));
}

double Ratio(uint64_t part, uint64_t whole) {
    return static_cast<double>(part) / static_cast<double>(whole);
}

// The ways to choose k of n; exact for the draws below (the largest is C(80, 8), about 2.9e10).
uint64_t Choose(int n, int k) {
    uint64_t ways = 1;
    for (int i = 1; i <= k; ++i)
        ways = ways * static_cast<uint64_t>(n - k + i) / static_cast<uint64_t>(i);
    return ways;
}

// Of the C(n, picked) tickets, those that match exactly k of the drawn numbers.
uint64_t Matching(int n, int drawn, int picked, int k) {
    return Choose(drawn, k) * Choose(n - drawn, picked - k);
}

// Whether the banker draws a third card, by the banker's total and the player's third card (-1: none drawn).
bool BankerDraws(int banker, int playerThird) {
    if (playerThird < 0)
        return banker <= 5;
    switch (banker) {
    case 0:
    case 1:
    case 2:
        return true;
    case 3:
        return playerThird != 8;
    case 4:
        return playerThird >= 2 && playerThird <= 7;
    case 5:
        return playerThird >= 4 && playerThird <= 7;
    case 6:
        return playerThird == 6 || playerThird == 7;
    default:
        return false;
    }
}

struct TShoe {
    uint64_t Count[10]; // cards left of each point value; 10, J, Q and K count 0
    int Left;

    // Draws a card of value v: the number of ways, and the shoe after it.
    uint64_t Take(int v) {
        const uint64_t ways = Count[v];
        --Count[v];
        --Left;
        return ways;
    }
    void Put(int v) {
        ++Count[v];
        ++Left;
    }
};

} // namespace

TBaccaratCounts CountBaccarat(int decks) {
    TShoe shoe{};
    shoe.Count[0] = static_cast<uint64_t>(16 * decks);
    for (int v = 1; v <= 9; ++v)
        shoe.Count[v] = static_cast<uint64_t>(4 * decks);
    shoe.Left = 52 * decks;

    TBaccaratCounts counts;
    const auto settle = [&counts](int player, int banker, uint64_t ways) {
        if (banker > player)
            counts.Banker += ways;
        else if (player > banker)
            counts.Player += ways;
        else
            counts.Tie += ways;
    };
    // The unused cards of a short hand: every way they could still be dealt, so all hands share one denominator.
    const auto rest = [&shoe](int cards) {
        uint64_t ways = 1;
        for (int i = 0; i < cards; ++i)
            ways *= static_cast<uint64_t>(shoe.Left - i);
        return ways;
    };

    for (int p1 = 0; p1 < 10; ++p1) {
        const uint64_t w1 = shoe.Take(p1);
        for (int b1 = 0; b1 < 10; ++b1) {
            const uint64_t w2 = w1 * shoe.Take(b1);
            for (int p2 = 0; p2 < 10; ++p2) {
                const uint64_t w3 = w2 * shoe.Take(p2);
                for (int b2 = 0; b2 < 10; ++b2) {
                    const uint64_t w4 = w3 * shoe.Take(b2);
                    const int player = (p1 + p2) % 10;
                    const int banker = (b1 + b2) % 10;
                    if (w4 == 0) {
                        // no such card left
                    } else if (player >= 8 || banker >= 8) {
                        settle(player, banker, w4 * rest(2));
                    } else if (player <= 5) {
                        for (int p3 = 0; p3 < 10; ++p3) {
                            const uint64_t w5 = w4 * shoe.Take(p3);
                            const int player3 = (player + p3) % 10;
                            if (w5 == 0) {
                                // no such card left
                            } else if (BankerDraws(banker, p3)) {
                                for (int b3 = 0; b3 < 10; ++b3) {
                                    const uint64_t w6 = w5 * shoe.Count[b3];
                                    settle(player3, (banker + b3) % 10, w6);
                                }
                            } else {
                                settle(player3, banker, w5 * rest(1));
                            }
                            shoe.Put(p3);
                        }
                    } else if (BankerDraws(banker, -1)) {
                        // The player stands; the banker's third card is the fifth card dealt.
                        for (int b3 = 0; b3 < 10; ++b3) {
                            const uint64_t w5 = w4 * shoe.Take(b3);
                            settle(player, (banker + b3) % 10, w5 * rest(1));
                            shoe.Put(b3);
                        }
                    } else {
                        settle(player, banker, w4 * rest(2));
                    }
                    shoe.Put(b2);
                }
                shoe.Put(p2);
            }
            shoe.Put(b1);
        }
        shoe.Put(p1);
    }
    return counts;
}

void AddShippedGames(TGameList& games) {
    AddGame(games, "Coin toss - fair coin", {{1, 0.5}, {-1, 0.5}});

    // 37 pockets: 18 red, 18 black, one zero.
    AddGame(games, "European roulette - red/black", {{1, 18.0 / 37}, {-1, 19.0 / 37}});
    AddGame(games, "European roulette - dozen", {{2, 12.0 / 37}, {-1, 25.0 / 37}});
    AddGame(games, "European roulette - single number", {{35, 1.0 / 37}, {-1, 36.0 / 37}});
    // 38 pockets: 18 red, 18 black, zero and double zero.
    AddGame(games, "American roulette - red/black", {{1, 18.0 / 38}, {-1, 20.0 / 38}});
    AddGame(games, "American roulette - single number", {{35, 1.0 / 38}, {-1, 37.0 / 38}});

    // Pass line: 7 or 11 on the come-out (8/36), or a point repeated before a 7: 244/495 in all.
    AddGame(games, "Craps - pass line", {{1, 244.0 / 495}, {-1, 251.0 / 495}});
    // Don't pass, a 12 on the come-out a push (1/36 = 55/1980); it loses whenever the pass line wins.
    AddGame(games, "Craps - don't pass, bar 12", {{1, 949.0 / 1980}, {0, 55.0 / 1980}, {-1, 976.0 / 1980}});
    // Field: 3, 4, 9, 10, 11 pay even money (14/36), 2 pays double, 12 pays triple; 5 to 8 lose (20/36).
    AddGame(games, "Craps - field, 2 pays double, 12 pays triple",
            {{1, 14.0 / 36}, {2, 1.0 / 36}, {3, 1.0 / 36}, {-1, 20.0 / 36}});

    const TBaccaratCounts b = CountBaccarat(8);
    const uint64_t total = b.Total();
    AddGame(games, "Baccarat - player",
            {{1, Ratio(b.Player, total)}, {0, Ratio(b.Tie, total)}, {-1, Ratio(b.Banker, total)}});
    // A bet is 20 units, so that the 5 % commission on a banker win is a whole 1 unit.
    AddGame(games, "Baccarat - banker, commission 1/20 (a bet is 20 units)",
            {{19, Ratio(b.Banker, total)}, {0, Ratio(b.Tie, total)}, {-20, Ratio(b.Player, total)}});
    AddGame(games, "Baccarat - tie, pays 8 to 1", {{8, Ratio(b.Tie, total)}, {-1, Ratio(b.Banker + b.Player, total)}});

    // Three dice, one number called: paid once per die showing it, lost when none does.
    AddGame(games, "Chuck-a-luck - one number", {{1, 75.0 / 216}, {2, 15.0 / 216}, {3, 1.0 / 216}, {-1, 125.0 / 216}});
    // Each side rolls one die; the higher wins, equal dice are a push.
    AddGame(games, "Dice duel - higher die wins, a tie is a push", {{1, 15.0 / 36}, {0, 6.0 / 36}, {-1, 15.0 / 36}});

    // Keno: 20 of 80 numbers are drawn, the ticket marks 8. Paid for 1 (the stake included): 4 hits 1, 5 hits 12,
    // 6 hits 100, 7 hits 1000, 8 hits 8000; fewer hits lose. The player keeps 73.3 % of the stakes.
    const auto keno = [](int hits) { return Matching(80, 20, 8, hits); };
    const uint64_t tickets = Choose(80, 8);
    AddGame(games, "Keno - 8 spots, top award 8000 for 1",
            {{7999, Ratio(keno(8), tickets)},
             {999, Ratio(keno(7), tickets)},
             {99, Ratio(keno(6), tickets)},
             {11, Ratio(keno(5), tickets)},
             {0, Ratio(keno(4), tickets)},
             {-1, Ratio(keno(0) + keno(1) + keno(2) + keno(3), tickets)}});

    // A lottery: 6 of 49 numbers are drawn, the ticket picks 6. Fixed prizes for 1: 3 right 10, 4 right 100,
    // 5 right 10,000, all 6 right 1,000,000; the players get back 52.9 % of the stakes.
    const auto lottery = [](int right) { return Matching(49, 6, 6, right); };
    const uint64_t draws = Choose(49, 6);
    AddGame(games, "Lottery - 6 of 49, jackpot 1000000 for 1",
            {{999999, Ratio(lottery(6), draws)},
             {9999, Ratio(lottery(5), draws)},
             {99, Ratio(lottery(4), draws)},
             {9, Ratio(lottery(3), draws)},
             {-1, Ratio(lottery(0) + lottery(1) + lottery(2), draws)}});
}

namespace {

struct TState {
    int32_t Bet;
    int32_t Win;
    int32_t Loss;
};

void AddSystem(TBetList& systems, const QString& name, const std::vector<TState>& states) {
    auto system = std::make_unique<TBetDescription>();
    system->Name = name;
    system->StateCount = static_cast<int32_t>(states.size());
    for (int i = 0; i < system->StateCount; ++i) {
        system->SetBet(i, states[static_cast<size_t>(i)].Bet);
        system->WinStates[i] = states[static_cast<size_t>(i)].Win;
        system->LossStates[i] = states[static_cast<size_t>(i)].Loss;
    }
    systems.Add(std::move(system));
}

// Bets grow by factor and add after each loss; any win, or a loss at the last step, starts over.
std::vector<TState> Progression(int steps, int32_t (*next)(int32_t)) {
    std::vector<TState> states;
    int32_t bet = 1;
    for (int i = 0; i <= steps; ++i) {
        states.push_back({bet, 0, i < steps ? i + 1 : 0});
        bet = next(bet);
    }
    return states;
}

} // namespace

void AddShippedSystems(TBetList& systems) {
    AddSystem(systems, QStringLiteral("Flat bet, 1 unit"), {{1, 0, 0}});

    for (const int doublings : {3, 5, 7, 10})
        AddSystem(systems, QStringLiteral("Martingale, %1 doublings").arg(doublings),
                  Progression(doublings, [](int32_t bet) { return 2 * bet; }));
    // Doubles and adds one unit, so that a win recovers the losses and gains one unit per round played.
    AddSystem(systems, QStringLiteral("Grand martingale, 5 raises"),
              Progression(5, [](int32_t bet) { return 2 * bet + 1; }));

    // Let the winnings ride: doubles after each win, collects after the third win in a row, restarts on a loss.
    AddSystem(systems, QStringLiteral("Paroli, 3 steps"), {{1, 1, 0}, {2, 2, 0}, {4, 0, 0}});
    AddSystem(systems, QStringLiteral("1-3-2-6 system"), {{1, 1, 0}, {3, 2, 0}, {2, 3, 0}, {6, 0, 0}});

    // One unit up after a loss, one down after a win, between 1 and 10 units.
    std::vector<TState> dalembert;
    std::vector<TState> contra;
    for (int i = 0; i < 10; ++i) {
        dalembert.push_back({i + 1, i > 0 ? i - 1 : 0, i < 9 ? i + 1 : 9});
        contra.push_back({i + 1, i < 9 ? i + 1 : 9, i > 0 ? i - 1 : 0});
    }
    AddSystem(systems, QStringLiteral("d'Alembert, 1 to 10 units"), dalembert);
    AddSystem(systems, QStringLiteral("Contra d'Alembert, 1 to 10 units"), contra);

    // 1, 1, 2, 3, 5, 8, 13, 21: one step on after a loss, two steps back after a win; a loss at 21 starts over.
    std::vector<TState> fibonacci;
    const int32_t fib[] = {1, 1, 2, 3, 5, 8, 13, 21};
    for (int i = 0; i < 8; ++i)
        fibonacci.push_back({fib[i], i >= 2 ? i - 2 : 0, i < 7 ? i + 1 : 0});
    AddSystem(systems, QStringLiteral("Fibonacci, 8 steps"), fibonacci);
}

void WriteShippedData(const QString& folder) {
    QDir dir(folder);
    dir.mkpath(QStringLiteral("."));
    // From scratch: nothing of an older file may be carried over.
    dir.remove(QStringLiteral("games.ini"));
    dir.remove(QStringLiteral("bets.ini"));
    TStorage storage(folder);
    AddShippedGames(*storage.Games);
    AddShippedSystems(*storage.Systems);
    storage.Games->Modified = true;
    storage.Systems->Modified = true;
    storage.Save();
}

} // namespace wl
