"""Calculations stop at Ctrl+C or a failing progress callback, and run side by side without the GIL."""

import _thread
import threading
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import wagerlens

RED = "European roulette - red/black"


def long_chart(games, systems, progress=None):
    # Risk of ruin of wide systems: many round blocks, so that a stop lands in the middle.
    pairs = [(games[RED], systems[name]) for name in ("Martingale, 10 doublings", "Martingale, 7 doublings")]
    return wagerlens.chart(wagerlens.Kind.RISK_OF_RUIN, pairs, 1000, 2000, progress=progress)


def long_curve(games, systems, progress=None):
    # The planner stops between its backward steps, not between round blocks.
    curve = wagerlens.bankroll_curve(games[RED], systems["Martingale, 10 doublings"], 1000, progress=progress)
    return curve.risk


class Stop(Exception):
    pass


def values(result):
    return [s.y for s in result.series] if isinstance(result, wagerlens.Chart) else [result]


@pytest.mark.parametrize("calculate", [long_chart, long_curve], ids=["chart", "bankroll curve"])
@pytest.mark.parametrize("how", ["Ctrl+C", "raising callback"])
def test_a_stopped_calculation_raises_and_the_next_one_is_whole(how, calculate, games, systems):
    seen = []

    def progress(percent):
        seen.append(percent)
        if percent >= 2:
            if how == "Ctrl+C":
                _thread.interrupt_main()
            else:
                raise Stop()

    with pytest.raises(KeyboardInterrupt if how == "Ctrl+C" else Stop):
        calculate(games, systems, progress)
    assert max(seen) < 100
    after = values(calculate(games, systems))
    again = values(calculate(games, systems))
    assert len(after[0]) > 100 and all(np.array_equal(a, b) for a, b in zip(after, again))


def test_two_threads_calculate_at_once(games, systems):
    alone = long_chart(games, systems)
    events = []  # (thread, percent) in the order the callbacks ran

    def run(_):
        name = threading.current_thread().name
        return long_chart(games, systems, lambda percent: events.append((name, percent)))

    with ThreadPoolExecutor(2) as pool:
        results = list(pool.map(run, range(2)))
    for result in results:
        assert all(np.array_equal(a.y, b.y) for a, b in zip(alone.series, result.series))
    # With the GIL held through a calculation, the second could only start once the first had ended.
    first_end = min(max(i for i, (name, _) in enumerate(events) if name == thread) for thread in {n for n, _ in events})
    assert len({name for name, _ in events[:first_end]}) == 2


def test_planner_progress_runs_once_through_both_passes(games, systems):
    seen = []
    curve = wagerlens.bankroll_curve(games[RED], systems["Martingale, 10 doublings"], 2000, 3000, success=True,
                                     progress=seen.append)
    assert seen == sorted(seen) and seen[-1] == 100 and any(0 < p < 50 for p in seen) and curve.success.any()
