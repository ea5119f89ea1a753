"""Charts and distributions: the companion's numbers to the bit, and a distribution known in closed form."""

import json
import math

import numpy as np
import pytest

import wagerlens
from conftest import companion, companion_full

RED = "European roulette - red/black"
# kind, param0, param1, series; each row a kind with its own parameters, balances far beyond 5000 in the last rows.
TABLE = {
    "net result, two series": (0, 0, 100, [(RED, "Flat bet, 1 unit"), ("Coin toss - fair coin", "Paroli, 3 steps")]),
    "cumulative net result with a bankroll": (1, 50, 60, [(RED, "Martingale, 5 doublings")]),
    "expected result": (2, None, None, [("Craps - pass line", "Flat bet, 1 unit"), (RED, "1-3-2-6 system")]),
    "chance of being ahead, bankroll": (3, 30, None, [(RED, "d'Alembert, 1 to 10 units")]),
    "chance of being behind": (4, None, None, [("Baccarat - player", "Fibonacci, 8 steps")]),
    "ahead/behind rate": (5, 0, None, [("Dice duel - higher die wins, a tie is a push", "Paroli, 3 steps")]),
    "risk of ruin, three systems": (6, 100, 200, [(RED, "Flat bet, 1 unit"), (RED, "Martingale, 3 doublings"),
                                                  (RED, "Martingale, 10 doublings")]),
    "chance of success": (7, 20, 45, [("American roulette - single number", "Flat bet, 1 unit")]),
    "success/ruin rate": (8, 100, 300, [("Craps - field, 2 pays double, 12 pays triple", "Grand martingale, 5 raises")]),
    "risk of ruin by bankroll": (9, 300, None, [(RED, "Martingale, 5 doublings"), (RED, "Flat bet, 1 unit")]),
    "risk of ruin by bankroll, target": (9, 500, 400, [("Baccarat - player", "Martingale, 7 doublings")]),
    "chance of success by bankroll": (10, 200, 150, [("Craps - pass line", "Paroli, 3 steps")]),
    "net result far beyond 5000 bets": (0, 0, 1000, [("European roulette - single number", "Martingale, 7 doublings")]),
}


@pytest.mark.parametrize("row", TABLE.values(), ids=TABLE.keys())
def test_chart_equals_companion(row, games, systems):
    kind, param0, param1, names = row
    result = wagerlens.chart(kind, [(games[g], systems[s]) for g, s in names], param0, param1)
    x, captions, columns, warning = companion_full(kind, names, param0, param1)
    assert [s.caption for s in result.series] == captions
    assert np.array_equal(result.x, x)
    for series, column in zip(result.series, columns):
        assert np.array_equal(series.y, column), series.caption
    assert "\n".join(result.answers + [result.warning]).strip() == warning
    for k, (game, system) in enumerate(names if kind >= wagerlens.Kind.RISK_OF_RUIN_BY_BANKROLL else []):
        # The planner's own call: each series alone, on the rows from bankroll 1 to where its curve ends.
        curve = wagerlens.bankroll_curve(games[game], systems[system], param0, param1 or 0, success=kind == 10)
        n, shown = len(curve.bankrolls), x >= 1
        assert np.array_equal(curve.bankrolls, x[shown][:n]) and not columns[k][shown][n:].any()
        assert np.array_equal(curve.success if kind == 10 else curve.risk, columns[k][shown][:n])
        assert curve.answer == result.answers[k] and (kind == 10) == (curve.success is not None)


def test_chart_of_own_game_and_system_from_files(tmp_path):
    """Games and systems read from files of the caller's go through the same readers as the companion's --games."""
    (tmp_path / "games.ini").write_text("[Skewed]\r\nCount=3\r\nResult0=2\r\nProbability0=0.3\r\n"
                                        "Result1=-1\r\nProbability1=0.6\r\nResult2=0\r\nProbability2=0.1\r\n")
    (tmp_path / "bets.ini").write_text("[Up two]\r\nCount=2\r\nBet0=1\r\nWin0=1\r\nLoss0=0\r\n"
                                       "Bet1=3\r\nWin1=0\r\nLoss1=0\r\n")
    game, = wagerlens.load_games(tmp_path / "games.ini")
    system, = wagerlens.load_systems(tmp_path / "bets.ini")
    assert game == wagerlens.Game("Skewed", [(2, 0.3), (-1, 0.6), (0, 0.1)])
    assert system == wagerlens.System("Up two", [(1, 1, 0), (3, 0, 0)])
    result = wagerlens.chart(6, [(game, system)], 10, 30)
    x, _, columns, _ = companion_full(6, [("Skewed", "Up two")], 10, 30, str(tmp_path / "games.ini"),
                                      str(tmp_path / "bets.ini"))
    assert np.array_equal(result.series[0].y, columns[0]) and np.array_equal(result.x, x)


def test_distribution_of_a_fair_coin_is_binomial(games, systems):
    rounds = 40
    d = wagerlens.distribution(games["Coin toss - fair coin"], systems["Flat bet, 1 unit"], rounds)
    expected = [math.comb(rounds, (rounds + b) // 2) / 2**rounds if (rounds + b) % 2 == 0 else 0.0
                for b in d.balances]
    assert d.first_balance == -rounds and d.warning == ""
    assert np.allclose(d.probabilities, expected, rtol=1e-13, atol=0)


def test_distribution_is_what_the_net_result_chart_draws(games, systems):
    game, system = games[RED], systems["Martingale, 5 doublings"]
    d = wagerlens.distribution(game, system, 200, bankroll=50)
    drawn = wagerlens.chart(wagerlens.Kind.NET_RESULT, [(game, system)], 50, 200).series[0]
    at = {int(x): y for x, y in zip(drawn.x, drawn.y) if y != 0}
    assert at and all(100.0 * d.probabilities[x - d.first_balance] == y for x, y in at.items())
    assert abs(d.probabilities.sum() - 1.0) < 1e-12


@pytest.mark.parametrize("outcomes, rounds", [([(-1, 0.999), (1000000, 0.001)], 3), ([(1, 0.5), (-1, 0.5)], 30)],
                         ids=["far clusters", "one stretch"])
def test_distribution_gives_the_stretches_that_hold_it(outcomes, rounds):
    game = wagerlens.Game("g", outcomes)
    flat = wagerlens.System("Flat", [(1, 0, 0)])
    d = wagerlens.distribution(game, flat, rounds)
    covered = sum(len(values) for _, values in d.stretches)
    assert covered <= 2 * 4096 * (rounds + 1)  # far less than the span when the clusters lie apart
    firsts = [first for first, _ in d.stretches]
    assert firsts == sorted(firsts) and d.first_balance == firsts[0]
    dense = d.probabilities
    for first, values in d.stretches:
        assert np.array_equal(dense[first - d.first_balance:first - d.first_balance + len(values)], values)
    assert abs(sum(values.sum() for _, values in d.stretches) - 1.0) < 1e-12


def test_starred_figures_give_their_reason(games, systems):
    """A session whose wins overshoot the target: its end balances pile at the limit, and the summary says so."""
    result = wagerlens.summary(6, [(games["European roulette - single number"], systems["Flat bet, 1 unit"])],
                               5000, 10000)
    assert any(f.cut[0] for f in result.figures)
    assert result.reasons[0].startswith("* ") and "round" in result.reasons[0]
    ruin = next(f for f in result.figures if f.id == "ChartRuin")
    assert not ruin.cut[0]  # the chance of ruin does not depend on where the ended players' balances lie


@pytest.mark.parametrize("kind, param0, param1", [(0, 50, 300), (6, 100, 200), (10, 300, 150)],
                         ids=["horizon", "session", "planner"])
def test_summary_equals_companion(kind, param0, param1, games, systems):
    names = [(RED, "Paroli, 3 steps"), ("Craps - pass line", "Martingale, 3 doublings")]
    result = wagerlens.summary(kind, [(games[g], systems[s]) for g, s in names], param0, param1)
    out, _ = companion(kind, names, param0, param1, form=("--summary", "--format", "json"))
    expected = json.loads(out)
    assert result.captions == [e["caption"] for e in expected]
    for k, e in enumerate(expected):
        assert {f.id: f.values[k] for f in result.figures if f.values[k] is not None} == e["figures"]


def test_bankroll_curve_is_the_forward_risk_of_every_bankroll(games):
    """The planner's backward pass against the forward distribution, where a ruined player stays at -bankroll."""
    nine = wagerlens.System("Martingale, 9 doublings", [(2**i, 0, (i + 1) % 10) for i in range(10)])
    curve = wagerlens.bankroll_curve(games[RED], nine, rounds=400)
    for bankroll in (1, 300, 1535, 1600, 1791):
        d = wagerlens.distribution(games[RED], nine, 400, bankroll=bankroll)
        forward = 100 * d.probabilities[-bankroll - d.first_balance]
        assert abs(curve.risk[curve.bankrolls == bankroll][0] - forward) < 1e-10, bankroll
    # The risk is not monotone in the bankroll here: the answer is the smallest bankroll, not a bisection's.
    for risk, needed in curve.bankroll_for.items():
        assert curve.risk[curve.bankrolls == needed][0] <= 100 * risk < curve.risk[curve.bankrolls < needed].min()


def test_tolerance_cuts_only_what_cannot_show(games, systems):
    game, system = games[RED], systems["Martingale, 10 doublings"]
    cut = wagerlens.distribution(game, system, 300)
    whole = wagerlens.distribution(game, system, 300, tolerance=0)
    assert cut.first_balance > whole.first_balance
    inside = whole.probabilities[cut.first_balance - whole.first_balance:][:len(cut.probabilities)]
    assert np.max(np.abs(inside - cut.probabilities)) <= 1e-15
    assert 1.0 - np.sum(cut.probabilities) <= 1e-15 + 1e-14  # what left, beside the sum's rounding
    for bad in (-1e-15, 1e-3, float("nan"), "1e-15", True):
        with pytest.raises(ValueError):
            wagerlens.distribution(game, system, 10, tolerance=bad)
