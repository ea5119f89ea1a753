"""Which of several hundred progressions has the smallest risk of ruin, and what does each put through the table?

Martingales of 1 to 11 doublings and d'Alembert progressions of 2 to 21 units on every shipped game but the
keno and lottery tickets and the banker bet: 403 series. Each one is one exact calculation, and none needs
another, so Dask runs one task per series (client.map) and gathers the figures into one pandas table, sorted by
the risk of ruin. A calculation gives up the GIL, so a worker runs as many at once as it has threads.

    python3 examples/dask_sweep.py                      # a LocalCluster on this machine
    python3 examples/dask_sweep.py tcp://scheduler:8786 # any Dask scheduler; its workers need wagerlens
"""

from __future__ import annotations

import argparse
import os
import time
from typing import Any, Dict, List, Optional, Sequence, Tuple

import pandas as pd
from distributed import Client, LocalCluster

import wagerlens

# Tickets whose jackpots make every progression on them a matter of the jackpot alone, and the banker bet, which
# stakes 20 units: a bankroll of 100 would be five bets there.
LEFT_OUT = ("Keno", "Lottery", "Baccarat - banker")
Pair = Tuple[wagerlens.Game, wagerlens.System]


def martingale(doublings: int) -> wagerlens.System:
    """Bets 1, 2, 4, ... doubling after each loss; back to 1 after a win or after the last loss."""
    return wagerlens.System(f"Martingale, {doublings} doublings",
                            [(2**i, 0, (i + 1) % (doublings + 1)) for i in range(doublings + 1)])


def dalembert(top: int) -> wagerlens.System:
    """Bets one unit more after a loss and one less after a win, from 1 up to top units."""
    return wagerlens.System(f"d'Alembert, 1 to {top} units",
                            [(k + 1, max(k - 1, 0), min(k + 1, top - 1)) for k in range(top)])


def sweep(games: Optional[Sequence[str]] = None, martingales: int = 11, dalemberts: int = 20) -> List[Pair]:
    """Every (game, system) pair: martingales of 1..martingales doublings and d'Alembert progressions of
    2..dalemberts+1 units, on the games named (default: the shipped ones but LEFT_OUT)."""
    shipped = {g.name: g for g in wagerlens.shipped_games()}
    names = games or [name for name in shipped if not name.startswith(LEFT_OUT)]
    systems = [martingale(d) for d in range(1, martingales + 1)] + [dalembert(t) for t in range(2, dalemberts + 2)]
    return [(shipped[name], system) for name in names for system in systems]


def evaluate(game: wagerlens.Game, system: wagerlens.System, bankroll: int, target: int) -> Dict[str, Any]:
    """The figures of one series: a session from bankroll until ruin or target, one task."""
    figures = wagerlens.summary(wagerlens.Kind.RISK_OF_RUIN, [(game, system)], bankroll, target)
    return {
        "game": game.name,
        "system": system.name,
        "ruin, %": figures["SessionRuin"][0],
        "success, %": figures["SessionSuccess"][0],
        "rounds": figures["Duration"][0],
        "staked in 3000 rounds": figures["Staked"][0],
        "result": figures["EndResult"][0],
    }


def table(rows: Sequence[Dict[str, Any]]) -> pd.DataFrame:
    """The rows as one table, the smallest risk of ruin first (ties by the most staked)."""
    frame = pd.DataFrame(list(rows))
    return frame.sort_values(["ruin, %", "staked in 3000 rounds"], ascending=[True, False], kind="stable",
                             ignore_index=True)


def run(client: Client, pairs: Sequence[Pair], bankroll: int, target: int) -> pd.DataFrame:
    """One task per series on the client's cluster, gathered into the table."""
    futures = client.map(evaluate, [g for g, _ in pairs], [s for _, s in pairs], bankroll=bankroll, target=target,
                         pure=False)
    return table(client.gather(futures))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scheduler", nargs="?", help="a Dask scheduler's address (default: a LocalCluster)")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1, help="the LocalCluster's workers")
    parser.add_argument("--threads", type=int, default=1, help="threads per LocalCluster worker")
    parser.add_argument("--bankroll", type=int, default=100)
    parser.add_argument("--target", type=int, default=200)
    parser.add_argument("--martingales", type=int, default=11, help="martingales of 1..N doublings")
    parser.add_argument("--dalemberts", type=int, default=20, help="d'Alembert progressions up to N+1 units")
    parser.add_argument("--games", nargs="+", help="the games by name (default: all shipped but LEFT_OUT)")
    parser.add_argument("--out", help="also write the table to this file (pandas pickle)")
    args = parser.parse_args()

    pairs = sweep(args.games, args.martingales, args.dalemberts)
    cluster = None if args.scheduler else LocalCluster(n_workers=args.workers, threads_per_worker=args.threads,
                                                       dashboard_address=None)
    with Client(args.scheduler or cluster) as client:
        started = time.perf_counter()
        result = run(client, pairs, args.bankroll, args.target)
        seconds = time.perf_counter() - started
    if cluster is not None:
        cluster.close()
    if args.out:
        result.to_pickle(args.out)
    pd.set_option("display.width", None)
    pd.set_option("display.max_columns", None)
    print(f"{len(result)} series, bankroll {args.bankroll}, target {args.target}: {seconds:.1f} s, "
          f"{len(result) / seconds:.1f} series/s")
    print(result.head(15).round(3).to_string())


if __name__ == "__main__":  # the LocalCluster's workers import this file again
    main()
