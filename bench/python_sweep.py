"""Throughput of the Dask sweep (examples/dask_sweep.py) on a LocalCluster of 1 and of 2 single-threaded workers.

    PYTHONPATH=build/python python3 bench/python_sweep.py [SERIES] [BANKROLL] [TARGET]

The d'Alembert progressions of the sweep on two games, bankroll 5000 and target 10000 by default: series of a
second or more, so that the cluster's own cost per task (milliseconds) does not count; both clusters are started before timing, and each runs the same series in one run.
"""

import os
import sys
import time

from distributed import Client, LocalCluster

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")
sys.path.insert(0, EXAMPLES)
# The workers import the example by name, as they would an installed module.
os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [EXAMPLES, os.environ.get("PYTHONPATH")]))

import dask_sweep  # noqa: E402


def throughput(workers: int, pairs: list, bankroll: int, target: int) -> float:
    with LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        client.wait_for_workers(workers)
        started = time.perf_counter()
        dask_sweep.run(client, pairs, bankroll, target)
        seconds = time.perf_counter() - started
    print(f"{workers} worker(s): {len(pairs)} series in {seconds:.1f} s, {len(pairs) / seconds:.3f} series/s",
          flush=True)
    return len(pairs) / seconds


def main() -> None:
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 16
    bankroll = int(sys.argv[2]) if len(sys.argv) > 2 else 5000
    target = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    pairs = dask_sweep.sweep(["European roulette - red/black", "Craps - pass line"], 0, 8)[:count]
    one = throughput(1, pairs, bankroll, target)
    two = throughput(2, pairs, bankroll, target)
    print(f"speed-up on 2 workers: {two / one:.2f}")


if __name__ == "__main__":
    main()
