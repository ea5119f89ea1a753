"""The bankroll needed for at most a 5 % risk of ruin within 1000 spins of European red/black, for the martingales
of 3 to 10 doublings. A ruined player (no money left for a 1-unit bet) stays where he is, so the risk is the
probability of the balance -bankroll after the spins; it falls as the bankroll grows, and a bisection finds the
smallest bankroll that is enough."""

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


def bankroll_needed(system, highest=5000):
    """The smallest bankroll up to highest with a risk of ruin of at most RISK, or None."""
    if risk_of_ruin(system, highest) > RISK:
        return None
    low, high = 0, highest  # risk(low) > RISK >= risk(high)
    while high - low > 1:
        middle = (low + high) // 2
        low, high = (middle, high) if risk_of_ruin(system, middle) > RISK else (low, middle)
    return high


print(f"Bankroll for a risk of ruin of at most {RISK:.0%} within {SPINS} spins of {roulette.name}:")
for doublings in range(3, 11):
    system = martingale(doublings)
    needed = bankroll_needed(system)
    shown = f"{needed:5d} units ({needed / 2**doublings:.1f} times the largest bet)" if needed else "more than 5000"
    print(f"  {system.name:26s} {shown}")
