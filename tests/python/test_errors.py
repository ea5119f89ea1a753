"""Bad input gives ValueError, and files OSError, each with the program's message."""

import warnings

import pytest

import wagerlens

COIN = [(1, 0.5), (-1, 0.5)]
FLAT = [(1, 0, 0)]
# what is made, the exception, a part of its message
BAD = {
    "empty name": (lambda: wagerlens.Game("", COIN), ValueError, "The name is empty"),
    "line break in a name": (lambda: wagerlens.System("a\nb", FLAT), ValueError, "control character"),
    "no outcomes": (lambda: wagerlens.Game("g", []), ValueError, "no outcomes"),
    "33 outcomes": (lambda: wagerlens.Game("g", [(1, 0.01)] * 33), ValueError, "at most 32 outcomes"),
    "fractional result": (lambda: wagerlens.Game("g", [(1.5, 1.0)]), ValueError, "not a whole number"),
    "result beyond 32 bits": (lambda: wagerlens.Game("g", [(2**31, 1.0)]), ValueError, "outside -2147483647"),
    "lowest 32-bit result": (lambda: wagerlens.Game("g", [(-2**31, 1.0)]), ValueError, "outside -2147483647"),
    "probability nan": (lambda: wagerlens.Game("g", [(1, float("nan"))]), ValueError, "not a finite number"),
    "probability text": (lambda: wagerlens.Game("g", [(1, "half")]), ValueError, "not a number"),
    "outcome not a pair": (lambda: wagerlens.Game("g", [(1,)]), ValueError, "(result, probability)"),
    "no states": (lambda: wagerlens.System("s", []), ValueError, "no states"),
    "22 states": (lambda: wagerlens.System("s", [(1, 0, 0)] * 22), ValueError, "at most 21 states"),
    "successor beyond the states": (lambda: wagerlens.System("s", [(1, 0, 1)]), ValueError,
                                    "state 0 goes to state 1, but the system has only the states 0..0"),
    "negative successor": (lambda: wagerlens.System("s", [(1, -1, 0)]), ValueError, "goes to state -1"),
    "chart kind 99": (lambda: wagerlens.chart(99, [(G, S)]), ValueError, "chart kind must lie in 0.."),
    "bankroll below 0": (lambda: wagerlens.chart(6, [(G, S)], param0=-1), ValueError, "param0 must lie in 0..10000"),
    "target below the bankroll": (lambda: wagerlens.summary(6, [(G, S)], 100, 50), ValueError,
                                  "must be above the bankroll"),
    "second parameter of a one-parameter kind": (lambda: wagerlens.chart(2, [(G, S)], 0, 5), ValueError,
                                                 "no second parameter"),
    "no series": (lambda: wagerlens.chart(0, []), ValueError, "at least one"),
    "eleven series": (lambda: wagerlens.chart(0, [(G, S)] * 11), ValueError, "at most 10 series"),
    "series not a pair of a game and a system": (lambda: wagerlens.chart(0, [(S, G)]), ValueError, "(Game, System)"),
    "no rounds": (lambda: wagerlens.distribution(G, S, 0), ValueError, "rounds must lie in 1..10000"),
    "planner with no round limit and no target": (lambda: wagerlens.bankroll_curve(G, S, 0), ValueError,
                                                  "needs a target bankroll"),
    "planner with negative rounds": (lambda: wagerlens.bankroll_curve(G, S, -1), ValueError,
                                     "rounds must lie in 1..10000"),
    "planner target of 1": (lambda: wagerlens.bankroll_curve(G, S, 100, 1), ValueError, "target bankroll of 1"),
    "planner success without a target": (lambda: wagerlens.bankroll_curve(G, S, 100, success=True), ValueError,
                                         "needs a target bankroll"),
    "planner target beyond the range": (lambda: wagerlens.bankroll_curve(G, S, 100, 10001), ValueError,
                                        "target must lie in 0..10000"),
    "missing file": (lambda: wagerlens.load_games("/nonexistent/games.ini"), OSError, "no such file"),
    "a folder for a file": (lambda: wagerlens.load_systems("/"), OSError, "not a file"),
}
G = wagerlens.Game("Coin", COIN)
S = wagerlens.System("Flat", FLAT)


@pytest.mark.parametrize("case", BAD.values(), ids=BAD.keys())
def test_bad_input_raises_with_the_message(case):
    make, error, message = case
    with pytest.raises(error) as raised:
        make()
    assert message in str(raised.value)


def test_unreadable_sections_are_left_out_with_a_warning(tmp_path):
    path = tmp_path / "games.ini"
    outcomes = "".join(f"Result{i}=1\r\nProbability{i}=0.01\r\n" for i in range(33))
    path.write_text(f"[Too many]\r\nCount=33\r\n{outcomes}[Fine]\r\nCount=1\r\nResult0=1\r\nProbability0=1\r\n")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        games = wagerlens.load_games(path)
    assert [g.name for g in games] == ["Fine"]
    assert len(caught) == 1 and '"Too many"' in str(caught[0].message)


ODD = {
    "probabilities adding up to 1.1": (lambda: wagerlens.Game("g", [(1, 0.6), (-1, 0.5)]), "add up to 1.1, not 1"),
    "a negative probability": (lambda: wagerlens.Game("g", [(1, 1.25), (-1, -0.25)]), "less than 0"),
    "a negative bet": (lambda: wagerlens.System("s", [(-2, 0, 0)]), "state 0 bets -2 units"),
}


@pytest.mark.parametrize("case", ODD.values(), ids=ODD.keys())
def test_odd_games_and_systems_are_made_with_a_warning(case):
    make, message = case
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        made = make()
    assert made is not None
    assert [str(w.message) for w in caught if message in str(w.message)], [str(w.message) for w in caught]


def test_numbers_that_cannot_be_read_are_named_when_loaded(tmp_path):
    path = tmp_path / "games.ini"
    path.write_text("[Comma]\r\nCount=2\r\nResult0=1\r\nProbability0=0,486\r\nResult1=-1\r\nProbability1=1\r\n")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        wagerlens.load_games(path)
    assert any('section [Comma]: the value "0,486" of Probability0 is not a number' in str(w.message) for w in caught)
