"""The Python module's overhead over the companion's calculation, for the engine benchmark's W2 workload.

W2: European red/black (18/37) with ten series of a 7-state martingale (bets 1..64), 3000 rounds, no bankroll,
here as the chance-of-being-ahead chart. Both sides compute the same chart through the same controller: the
companion's calculation in-process (wl_calc_timing, no program start and no printing) and wagerlens.chart (the
data table copied into numpy arrays). Each pass runs the companion's calculation three times in one process, then
wagerlens.chart three times, and each side keeps the best of its three, of the clock and of the processor time; the
best and the median of those over the passes are compared. On a machine whose load changes, the "paired" line is
steadier: the median over the passes of the module's best over the companion's best of the same pass. Steadiest is
the last line: the same ten series for one round (the best of 15 runs a side per pass), where what the call adds
to the calculation shows in milliseconds, set against the companion's W2.

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
    common = ["--games", games, "--systems", bets] + ["--series", game.name, system.name] * 10

    def measure(chart_args, call, repeats=3):
        """Per pass: the best of the companion's repeated runs and of the module's as many, of the clock and of the
        processor time of all the process's threads (less moved by other load on the machine)."""
        native, module = ([], []), ([], [])
        for _ in range(passes):
            run = [timing, str(repeats)] + common + chart_args
            out = subprocess.run(run, capture_output=True, text=True, check=True).stdout.split()
            native[0].append(float(out[1]))
            native[1].append(float(out[5]))
            runs = ([], [])
            for _ in range(repeats):
                start, cpu = time.perf_counter(), time.process_time()
                call()
                runs[0].append(time.perf_counter() - start)
                runs[1].append(time.process_time() - cpu)
            module[0].append(min(runs[0]))
            module[1].append(min(runs[1]))
        return native, module

    series = [(game, system)] * 10
    native, module = measure(["--chart", "3", "--param0", "0"],
                             lambda: wagerlens.chart(wagerlens.Kind.WIN_PROBABILITY, series, 0))
    # The same ten series for one round: what a call costs besides the rounds, hardly moved by the machine's load.
    fixed = measure(["--chart", "0", "--param0", "0", "--param1", "1"],
                    lambda: wagerlens.chart(wagerlens.Kind.NET_RESULT, series, 0, 1), repeats=15)

for what, i in (("clock", 0), ("processor", 1)):
    n, m = native[i], module[i]
    print(f"{what:9s} companion's calculation best {min(n):.4f} s median {statistics.median(n):.4f} s; "
          f"wagerlens.chart best {min(m):.4f} s median {statistics.median(m):.4f} s; overhead best "
          f"{100 * (min(m) / min(n) - 1):+.1f} % median {100 * (statistics.median(m) / statistics.median(n) - 1):+.1f} %")
for what, i in (("clock", 0), ("processor", 1)):
    ratios = [m / n for n, m in zip(native[i], module[i])]
    print(f"{what:9s} paired overhead, pass by pass: median {100 * (statistics.median(ratios) - 1):+.1f} %, "
          f"lowest {100 * (min(ratios) - 1):+.1f} %, highest {100 * (max(ratios) - 1):+.1f} % over {passes} passes")
for what, i in (("clock", 0), ("processor", 1)):
    extra = statistics.median(m - n for n, m in zip(fixed[0][i], fixed[1][i]))
    print(f"{what:9s} one round: companion's best {1000 * min(fixed[0][i]):.2f} ms, wagerlens.chart's best "
          f"{1000 * min(fixed[1][i]):.2f} ms; the call's extra cost (median of the passes) {1000 * extra:+.2f} ms, "
          f"{100 * extra / min(native[i]):+.2f} % of the companion's best W2")
