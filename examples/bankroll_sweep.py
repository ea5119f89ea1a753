"""The bankroll needed for at most a 5 % risk of ruin within 1000 spins of European red/black, for the martingales
of 3 to 10 doublings. The bankroll planner gives the risk of every starting bankroll in one pass, and its answer is
the smallest bankroll that is enough: the risk does not always fall as the bankroll grows, so a search that stops
at the first bankroll below 5 % could miss a smaller one."""

import wagerlens

SPINS = 1000
roulette = {g.name: g for g in wagerlens.shipped_games()}["European roulette - red/black"]


def martingale(doublings: int) -> wagerlens.System:
    """Bets 1, 2, 4, ... doubling after each loss; back to 1 after a win or after the last loss."""
    return wagerlens.System(f"Martingale, {doublings} doublings",
                            [(2**i, 0, (i + 1) % (doublings + 1)) for i in range(doublings + 1)])


print(f"Bankroll for a risk of ruin of at most 5 % within {SPINS} spins of {roulette.name}:")
for doublings in range(3, 11):
    system = martingale(doublings)
    curve = wagerlens.bankroll_curve(roulette, system, rounds=SPINS)
    needed = curve.bankroll_for[0.05]
    if needed is None:
        shown = f"more than {curve.last_bankroll}"
    else:
        risk = curve.risk[curve.bankrolls == needed][0]
        shown = f"{needed:5d} units ({needed / 2**doublings:4.1f} times the largest bet; risk {risk:.2f} %)"
    print(f"  {system.name:26s} {shown}")
