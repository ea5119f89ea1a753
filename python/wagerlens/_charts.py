"""Charts and distributions, computed as the program and wagerlens-calc compute them."""

from __future__ import annotations

import enum
import functools
from dataclasses import dataclass
from typing import Callable, Dict, List, Optional, Sequence, Tuple

import numpy as np

from . import _core
from ._model import Game, System
from ._shipped import shipped_file

Progress = Optional[Callable[[int], object]]


class Kind(enum.IntEnum):
    """The chart kinds, by the identifiers that wagerlens-calc --chart takes."""

    NET_RESULT = 0
    NET_RESULT_CUMULATIVE = 1
    EXPECTED_RESULT = 2
    WIN_PROBABILITY = 3
    LOSS_PROBABILITY = 4
    WIN_LOSS_RATE = 5
    RISK_OF_RUIN = 6
    CHANCE_OF_SUCCESS = 7
    SUCCESS_RUIN_RATE = 8
    RISK_OF_RUIN_BY_BANKROLL = 9
    SUCCESS_BY_BANKROLL = 10


@dataclass(frozen=True)
class ChartKind:
    """A chart kind as the program names it: its axes and its parameters (param0, then param1)."""

    kind: int
    name: str
    x_title: str
    y_title: str
    params: Tuple[str, ...]


@functools.lru_cache(maxsize=None)
def _kinds() -> Tuple[ChartKind, ...]:
    texts = _core.chart_kinds(shipped_file("Langs/ENG.ini"))
    return tuple(ChartKind(k, name, x, y, tuple(params)) for k, (name, x, y, params) in enumerate(texts))


def chart_kinds() -> List[ChartKind]:
    """Every chart kind with its English name, axis titles and parameter names."""
    return list(_kinds())


@dataclass(frozen=True)
class Series:
    """One series of a chart: its caption "game [system]" and its values over the chart's x."""

    caption: str
    x: np.ndarray
    y: np.ndarray


@dataclass(frozen=True)
class Chart:
    """A computed chart: what the program's data view and ``wagerlens-calc --format full`` show.

    Every series has the same x, the rows of the exact formats (balances, rounds or bankrolls), with every value
    the calculation gave, those too small to draw included, and 0 where a series has no value. ``warning`` is the
    program's line saying where the values are not exact because probability reached the balance limits, or ""
    when every value is exact. ``answers`` holds, for the bankroll planner's kinds, the program's line per series
    giving the bankrolls for a risk of ruin of at most 1, 5 and 10 %.
    """

    kind: int
    name: str
    x_title: str
    y_title: str
    series: List[Series]
    warning: str
    answers: List[str]

    @property
    def x(self) -> np.ndarray:
        """The x shared by every series."""
        return self.series[0].x

    @property
    def table(self) -> np.ndarray:
        """The values as one array, a row per series."""
        return np.vstack([s.y for s in self.series])


def _pairs(series: Sequence[Tuple[Game, System]]) -> list:
    pairs = []
    for i, item in enumerate(series):
        try:
            game, system = item
        except (TypeError, ValueError):
            raise ValueError(f"series {i} must be a (game, system) pair, not {item!r}") from None
        if not isinstance(game, Game) or not isinstance(system, System):
            raise ValueError(f"series {i} must be a (Game, System) pair, not ({type(game).__name__}, "
                             f"{type(system).__name__})")
        pairs.append((game._core, system._core))
    return pairs


def chart(kind: int, series: Sequence[Tuple[Game, System]], param0: Optional[int] = None,
          param1: Optional[int] = None, *, progress: Progress = None, tolerance: float = 1e-15) -> Chart:
    """Computes a chart of the program for up to ten (game, system) series.

    kind is a :class:`Kind` (0..10, as ``wagerlens-calc --chart``). param0 is the bankroll; param1 the number of
    rounds (the net-result kinds) or the target bankroll (the risk kinds); for the bankroll planner's kinds (9, 10)
    param0 is the number of rounds and param1 the target (0: none). Both lie in 0..10000; None keeps the
    kind's default, as the companion does when an option is left out.

    The calculation runs without the GIL, so other Python threads go on meanwhile. Ctrl+C stops it
    (KeyboardInterrupt). progress, if given, is called with the percentage done (0..100) in the calling thread; an
    exception it raises stops the calculation and is raised here.

    tolerance is the smallest probability followed (0..1e-9), as ``wagerlens-calc --tolerance``: the far tails of a
    series leave play while all that left stays below it over the whole run, so every value is exact to within it;
    0 follows every balance until it underflows.

    Raises ValueError for a kind, parameter or series the program would refuse, and for a series it cannot
    calculate (a result that leaves the tracked balances in the first round, say), with the program's message.
    """
    kind = _int(kind, "kind")
    values = _core.chart(kind, _pairs(series), _optional_int(param0, "param0"),
                         _optional_int(param1, "param1"), progress, _tolerance(tolerance))
    described = _kinds()[kind]
    x = values["x"]
    return Chart(
        kind=kind,
        name=described.name,
        x_title=described.x_title,
        y_title=described.y_title,
        series=[Series(caption, x, y) for caption, y in zip(values["captions"], values["y"])],
        warning=values["warning"],
        answers=list(values["answers"]),
    )


@dataclass(frozen=True)
class Figure:
    """One figure of a summary: its identifier (as in ``wagerlens-calc --summary --format json``), its English
    label, its unit ("%", "bets", "rounds" or "whole"), its value per series (None where it does not apply) and
    whether the balance limits cut it, per series."""

    id: str
    label: str
    unit: str
    values: Tuple[Optional[float], ...]
    cut: Tuple[bool, ...]


@dataclass(frozen=True)
class Summary:
    """The program's summary of every series: the game per unit bet, the result after the horizon, the system's
    bets and, for the risk kinds, the session until it ends; for the bankroll planner's kinds, the game and the
    bankrolls for a risk of ruin of 1, 5 and 10 % ("PlannerBankroll1" ...). Probabilities are percentages."""

    captions: List[str]
    figures: List[Figure]
    warning: str

    def __getitem__(self, figure_id: str) -> Tuple[Optional[float], ...]:
        """The values of the figure with this identifier, one per series."""
        for figure in self.figures:
            if figure.id == figure_id:
                return figure.values
        raise KeyError(figure_id)

    def as_dict(self) -> dict:
        """{figure id: [value per series]}, ready for ``pandas.DataFrame(..., index=captions)``."""
        return {f.id: list(f.values) for f in self.figures}


def summary(kind: int, series: Sequence[Tuple[Game, System]], param0: Optional[int] = None,
            param1: Optional[int] = None, *, progress: Progress = None, tolerance: float = 1e-15) -> Summary:
    """The summary of up to ten series for the parameters of a chart kind, as ``wagerlens-calc --summary`` gives it.

    The net-result kinds give the figures after param1 rounds with the bankroll param0; the round-by-round kinds
    after their 3000 rounds; the risk kinds also the session with bankroll param0 and target param1 until it ends.
    Arguments, GIL, Ctrl+C, progress, tolerance and errors as for :func:`chart`.
    """
    kind = _int(kind, "kind")
    values = _core.summary(kind, _pairs(series), _optional_int(param0, "param0"), _optional_int(param1, "param1"),
                           progress, _tolerance(tolerance))
    figures = [Figure(i, label, unit, tuple(v), tuple(cut)) for i, label, unit, v, cut in values["rows"]]
    return Summary(list(values["captions"]), figures, values["warning"])


@dataclass(frozen=True)
class BankrollCurve:
    """The risk of ruin within some rounds for every starting bankroll, from the bankroll planner.

    ``risk[i]`` is the chance, in percent, that a player who starts with ``bankrolls[i]`` bets is ruined within the
    rounds (and, with a target, before his money reaches it); ``success[i]``, when asked for, the chance that his
    money reaches the target first. ``bankroll_for`` holds the planner's own answer: for a risk of 1, 5 and 10 %
    (keys 0.01, 0.05, 0.10), the smallest starting bankroll whose risk is at most that, or None when no bankroll up
    to ``last_bankroll`` is enough; ``answer`` is the program's line giving it.
    """

    bankrolls: np.ndarray
    risk: np.ndarray
    success: Optional[np.ndarray]
    bankroll_for: Dict[float, Optional[int]]
    last_bankroll: int
    answer: str
    warning: str


def bankroll_curve(game: Game, system: System, rounds: int = 1000, target: int = 0, *, success: bool = False,
                   progress: Progress = None) -> BankrollCurve:
    """The risk of ruin within rounds rounds (1..10000) for every starting bankroll, in one backward pass.

    Without a target (0), the player plays the rounds or until he is ruined, and the bankrolls run from 1 up to
    where the risk falls below 1e-6 %; with one (2..10000), he also stops when his money reaches it, and the
    bankrolls run from 1 to target - 1. The risks are those of chart kind 9 (``Kind.RISK_OF_RUIN_BY_BANKROLL``,
    ``wagerlens-calc --chart 9``). success=True (with a target) adds the chance of success of chart kind 10 at the
    cost of a second pass; progress then runs to 50 in the first and on to 100 in the second.

    GIL, Ctrl+C, progress and errors as for :func:`chart`: ValueError for rounds or a target the program refuses.
    """
    if not isinstance(game, Game) or not isinstance(system, System):
        raise ValueError("bankroll_curve needs a Game and a System")
    rounds, target = _int(rounds, "rounds"), _int(target, "target")
    if not isinstance(success, bool):
        raise ValueError(f"success must be True or False, not {success!r}")

    def run(want_success: bool, shown: Progress):
        return _core.bankroll_curve(game._core, system._core, rounds, target, want_success, shown)

    chances, last_pass = None, progress
    if success:
        whole = progress
        first, chances, _, _ = run(True, None if whole is None else (lambda percent: whole(percent // 2)))
        last_pass = None if whole is None else (lambda percent: whole(50 + percent // 2))
    first, risk, answer, warning = run(False, last_pass)
    bankrolls = np.arange(first, first + len(risk), dtype=np.int64)
    shown = bankrolls >= 1  # the table's first row is bankroll 0, which no player starts with
    bankroll_for, last, line = answer if answer is not None else ({}, 0, "")
    return BankrollCurve(bankrolls[shown], risk[shown], None if chances is None else chances[shown],
                         dict(bankroll_for), last, line, warning)


@dataclass(frozen=True)
class Distribution:
    """The exact probability of every balance after some rounds: ``probabilities[i]`` is the chance of ending with
    the balance ``first_balance + i`` (in bets; negative is a loss).

    ``warning`` is the program's line when probability reached the balance limits of ±5000 bets, where it is
    counted at the limit; "" when every value is exact.
    """

    first_balance: int
    probabilities: np.ndarray
    warning: str

    @property
    def balances(self) -> np.ndarray:
        """The balance of each probability."""
        return np.arange(self.first_balance, self.first_balance + len(self.probabilities), dtype=np.int64)


def distribution(game: Game, system: System, rounds: int, bankroll: int = 0, *,
                 progress: Progress = None, tolerance: float = 1e-15) -> Distribution:
    """The exact distribution of the balance after rounds rounds (1..10000) of system played on game.

    With a bankroll (1..10000), a player who cannot afford the bet of his state bets state 0's bet instead, and one
    who cannot afford that either stops, as in the program. The probabilities are those from which the net-result
    chart is drawn (its values are 100 times these). GIL, Ctrl+C, progress, tolerance and errors as for
    :func:`chart`.
    """
    if not isinstance(game, Game) or not isinstance(system, System):
        raise ValueError("distribution needs a Game and a System")
    first, probabilities, warning = _core.distribution(game._core, system._core, _int(rounds, "rounds"),
                                                       _int(bankroll, "bankroll"), progress, _tolerance(tolerance))
    return Distribution(first, probabilities, warning)


def _int(value: object, name: str) -> int:
    try:
        if isinstance(value, bool):
            raise TypeError
        number = int(value.__index__())  # type: ignore[attr-defined]
    except (AttributeError, TypeError):
        raise ValueError(f"{name} must be a whole number, not {value!r}") from None
    # Beyond 32 bits the engine's own check could not see it; its range is far smaller anyway.
    if not -2**31 <= number < 2**31:
        raise ValueError(f"{name} lies far outside its range: {number}")
    return number


def _tolerance(value: object) -> float:
    # bool is a number to Python, never a probability here.
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise ValueError(f"tolerance must be a number within 0..1e-9, not {value!r}")
    return float(value)


def _optional_int(value: object, name: str) -> Optional[int]:
    return None if value is None else _int(value, name)
