"""The session until ruin or target: the solver's arrays against the charts and the summary that show them."""

import numpy as np
import pytest

import wagerlens

RED = "European roulette - red/black"


@pytest.mark.parametrize("system,target", [("Flat bet, 1 unit", 200), ("Martingale, 7 doublings", 300)])
def test_session_is_what_the_charts_and_the_planner_show(games, systems, system, target):
    s = wagerlens.session(games[RED], systems[system], target)
    assert s.method == "elimination" and s.error_bound == 0.0
    assert list(s.bankrolls[[0, -1]]) == [1, target - 1]
    np.testing.assert_allclose(s.ruin + s.success, 1.0, atol=1e-13)
    pair = [(games[RED], systems[system])]
    rounds = wagerlens.chart(wagerlens.Kind.EXPECTED_ROUNDS_BY_BANKROLL, pair, param0=target).series[0]
    net = wagerlens.chart(wagerlens.Kind.NET_RESULT_AT_END_BY_BANKROLL, pair, param0=target).series[0]
    shown = rounds.x >= 1
    assert np.array_equal(rounds.y[shown], s.rounds) and np.array_equal(net.y[net.x >= 1], s.net_at_end)
    curve = wagerlens.bankroll_curve(games[RED], systems[system], rounds=0, target=target, success=True)
    assert np.array_equal(curve.risk, 100 * s.ruin) and np.array_equal(curve.success, 100 * s.success)


def test_worked_example(games, systems):
    s = wagerlens.session(games[RED], systems["Flat bet, 1 unit"], 200)
    assert round(100 * s.ruin[99], 6) == 99.553372 and round(s.rounds[99], 6) == 3666.949494


@pytest.mark.parametrize("call", [
    lambda g, s: wagerlens.session(g, s, 1),
    lambda g, s: wagerlens.session(g, s, 10001),
    lambda g, s: wagerlens.bankroll_curve(g, s, rounds=0),
])
def test_refused_in_words(games, systems, call):
    with pytest.raises(ValueError):
        call(games[RED], systems["Flat bet, 1 unit"])
