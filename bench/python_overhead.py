"""The Python module's overhead over the companion's calculation, for the engine benchmark's W2 workload.

W2: European red/black (18/37) with ten series of a 7-state martingale (bets 1..64), 3000 rounds, no bankroll,
here as the chance-of-being-ahead chart. Both sides compute the same chart through the same controller: the
companion's calculation in-process (wl_calc_timing, no program start and no printing) and wagerlens.chart (the
data table copied into numpy arrays). Each pass runs the companion's calculation three times in one process, then
wagerlens.chart three times, and each side keeps the best of its three, of the clock and of the processor time; the
best and the median of those over the passes are compared. On a machine whose load changes, the "paired" line is
the steadier one: the median over the passes of the module's best over the companion's best of the same pass.

    PYTHONPATH=build/python python3 bench/python_overhead.py build/bin/wl_calc_timing [PASSES]
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

import wagerlens

timing = sys.argv[1]
passes = int(sys.argv[2]) if len(sys.argv) > 2 else 5
game = wagerlens.Game("W2 red/black", [(1, 18 / 37), (-1, 19 / 37)])
system = wagerlens.System("W2 martingale", [(2**i, 0, (i + 1) % 7) for i in range(7)])

with tempfile.TemporaryDirectory() as folder:
    games, bets = os.path.join(folder, "games.ini"), os.path.join(folder, "bets.ini")
    with open(games, "w") as f:
        f.write(f"[{game.name}]\r\nCount=2\r\nResult0=1\r\nProbability0={18 / 37!r}\r\n"
                f"Result1=-1\r\nProbability1={19 / 37!r}\r\n")
    with open(bets, "w") as f:
        f.write(f"[{system.name}]\r\nCount=7\r\n" + "".join(
            f"Bet{i}={b}\r\nWin{i}={w}\r\nLoss{i}={l}\r\n" for i, (b, w, l) in enumerate(system.states)))
    assert wagerlens.load_games(games) == [game] and wagerlens.load_systems(bets) == [system]
    args = [timing, "3", "--games", games, "--systems", bets, "--chart", "3", "--param0", "0"]
    args += ["--series", game.name, system.name] * 10

    # Each side: the clock, and the processor time of all its threads (less moved by other load on the machine).
    native, module = ([], []), ([], [])
    for _ in range(passes):
        out = subprocess.run(args, capture_output=True, text=True, check=True).stdout.split()
        native[0].append(float(out[1]))  # the best of its three
        native[1].append(float(out[5]))
        runs = ([], [])
        for _ in range(3):
            start, cpu = time.perf_counter(), time.process_time()
            wagerlens.chart(wagerlens.Kind.WIN_PROBABILITY, [(game, system)] * 10, 0)
            runs[0].append(time.perf_counter() - start)
            runs[1].append(time.process_time() - cpu)
        module[0].append(min(runs[0]))
        module[1].append(min(runs[1]))

for what, i in (("clock", 0), ("processor", 1)):
    n, m = native[i], module[i]
    print(f"{what:9s} companion's calculation best {min(n):.4f} s median {statistics.median(n):.4f} s; "
          f"wagerlens.chart best {min(m):.4f} s median {statistics.median(m):.4f} s; overhead best "
          f"{100 * (min(m) / min(n) - 1):+.1f} % median {100 * (statistics.median(m) / statistics.median(n) - 1):+.1f} %")
for what, i in (("clock", 0), ("processor", 1)):
    ratios = [m / n for n, m in zip(native[i], module[i])]
    print(f"{what:9s} paired overhead, pass by pass: median {100 * (statistics.median(ratios) - 1):+.1f} %, "
          f"lowest {100 * (min(ratios) - 1):+.1f} %, highest {100 * (max(ratios) - 1):+.1f} % over {passes} passes")
