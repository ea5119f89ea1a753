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


def test_a_calculation_runs_whole_while_another_is_midway(games, systems):
    """The first calculation waits in its progress callback until a second one, in another thread, has finished:
    with the GIL held through a calculation, or one calculation blocking the others, the second could not finish."""
    alone = long_chart(games, systems)
    first_running, second_done = threading.Event(), threading.Event()
    waited = []

    def hold(percent):
        if not first_running.is_set():
            first_running.set()
            waited.append(second_done.wait(timeout=120))

    def second():
        first_running.wait(timeout=120)
        try:
            return long_chart(games, systems)
        finally:
            second_done.set()

    with ThreadPoolExecutor(2) as pool:
        first_result, second_result = pool.submit(long_chart, games, systems, hold), pool.submit(second)
        results = [first_result.result(), second_result.result()]
    assert waited == [True]
    for result in results:
        assert all(np.array_equal(a.y, b.y) for a, b in zip(alone.series, result.series))


def test_planner_progress_runs_once_through_both_passes(games, systems):
    seen = []
    curve = wagerlens.bankroll_curve(games[RED], systems["Martingale, 10 doublings"], 2000, 3000, success=True,
                                     progress=seen.append)
    assert seen == sorted(seen) and seen[-1] == 100 and any(0 < p < 50 for p in seen) and curve.success.any()
