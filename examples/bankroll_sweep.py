"""The bankroll needed for at most a 5 % risk of ruin within 1000 spins of European red/black, for the martingales
of 3 to 10 doublings. A ruined player (no money left for a 1-unit bet) stays where he is, so the risk is the
probability of the balance -bankroll after the spins. The risk does not always fall as the bankroll grows, so the
bankrolls are tried from below: every 100 units, then every 10 below the first that is enough. Where the risk dips
between the bankrolls tried (at 9 doublings), a smaller one is enough too: the bankroll planner of the program
(wagerlens-calc --chart 9) finds the smallest for every bankroll at once."""

import wagerlens

SPINS, RISK = 1000, 0.05
roulette = {g.name: g for g in wagerlens.shipped_games()}["European roulette - red/black"]


def martingale(doublings):
    """Bets 1, 2, 4, ... doubling after each loss; back to 1 after a win or after the last loss."""
    return wagerlens.System(f"Martingale, {doublings} doublings",
                            [(2**i, 0, (i + 1) % (doublings + 1)) for i in range(doublings + 1)])


def risk_of_ruin(system, bankroll):
    d = wagerlens.distribution(roulette, system, SPINS, bankroll=bankroll)
    return d.probabilities[-bankroll - d.first_balance]


def bankroll_needed(system, step=100, finer=10, highest=5000):
    """The smallest bankroll, to finer units, with a risk of ruin of at most RISK; None up to highest."""
    for coarse in range(step, highest + 1, step):
        if risk_of_ruin(system, coarse) <= RISK:
            return next((b for b in range(coarse - step + finer, coarse, finer) if risk_of_ruin(system, b) <= RISK),
                        coarse)
    return None


print(f"Bankroll for a risk of ruin of at most {RISK:.0%} within {SPINS} spins of {roulette.name}:")
for doublings in range(3, 11):
    system = martingale(doublings)
    needed = bankroll_needed(system)
    shown = f"{needed:5d} units ({needed / 2**doublings:4.1f} times the largest bet)" if needed else "more than 5000"
    print(f"  {system.name:26s} {shown}")
