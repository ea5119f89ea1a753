"""Charts and distributions, computed as the program and wagerlens-calc compute them."""

from __future__ import annotations

import enum
import functools
from dataclasses import dataclass, field
from typing import Any, Callable, Dict, List, Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

from . import _core
from ._frames import pandas
from ._model import Game, System
from ._shipped import read_shipped

Progress = Optional[Callable[[int], object]]
FloatArray = npt.NDArray[np.float64]
IntArray = npt.NDArray[np.int64]


class Kind(enum.IntEnum):
    """The chart kinds, by the identifiers that ``wagerlens-calc --chart`` takes, and their parameters.

    - NET_RESULT (0), NET_RESULT_CUMULATIVE (1): param0 the bankroll, param1 the rounds.
    - EXPECTED_RESULT (2), WIN_PROBABILITY (3), LOSS_PROBABILITY (4), WIN_LOSS_RATE (5): param0 the bankroll.
    - RISK_OF_RUIN (6), CHANCE_OF_SUCCESS (7), SUCCESS_RUIN_RATE (8): param0 the bankroll, param1 the target.
    - RISK_OF_RUIN_BY_BANKROLL (9), SUCCESS_BY_BANKROLL (10): param0 the rounds, param1 the target (0: none).
    """

    NET_RESULT = 0
    NET_RESULT_CUMULATIVE = 1
    EXPECTED_RESULT = 2
    WIN_PROBABILITY = 3
    LOSS_PROBABILITY = 4
    WIN_LOSS_RATE = 5
    RISK_OF_RUIN = 6
    CHANCE_OF_SUCCESS = 7
    SUCCESS_RUIN_RATE = 8
    RISK_OF_RUIN_BY_BANKROLL = _core.risk_by_bankroll_kind
    SUCCESS_BY_BANKROLL = _core.success_by_bankroll_kind
    EXPECTED_ROUNDS_BY_BANKROLL = _core.rounds_by_bankroll_kind
    NET_RESULT_AT_END_BY_BANKROLL = _core.net_at_end_by_bankroll_kind


PARAM_MINIMUM: int = _core.param_minimum
"""The smallest value of a chart parameter, as the window's fields and ``wagerlens-calc`` take it."""
PARAM_MAXIMUM: int = _core.param_maximum
"""The largest value of a chart parameter: bankrolls, targets and rounds."""


@dataclass(frozen=True)
class ChartKind:
    """A chart kind as the program names it.

    Attributes
    ----------
    kind : int
        Its identifier, a :class:`Kind`.
    name : str
        Its English name in the chart list.
    x_title, y_title : str
        The titles of its axes.
    params : tuple of str
        The names of its parameters, param0 then param1.
    """

    kind: int
    name: str
    x_title: str
    y_title: str
    params: Tuple[str, ...]


@functools.lru_cache(maxsize=None)
def _kinds() -> Tuple[ChartKind, ...]:
    texts = read_shipped("ENG.ini", _core.chart_kinds)
    return tuple(ChartKind(k, name, x, y, tuple(params)) for k, (name, x, y, params) in enumerate(texts))


def chart_kinds() -> List[ChartKind]:
    """Every chart kind with its English name, axis titles and parameter names.

    Returns
    -------
    list of ChartKind
        Indexed by :class:`Kind`.
    """
    return list(_kinds())


@dataclass(frozen=True)
class Series:
    """One series of a chart.

    Attributes
    ----------
    caption : str
        "game [system]", as the chart's legend shows it.
    x : numpy.ndarray of int64
        The chart's x (balances, rounds or bankrolls).
    y : numpy.ndarray of float64
        The series' value at each x.
    """

    caption: str
    x: IntArray
    y: FloatArray


@dataclass(frozen=True)
class Chart:
    """A computed chart: what the program's data view and ``wagerlens-calc --format full`` show.

    Every series has the same x, the rows of the exact formats (balances, rounds or bankrolls), with every value
    the calculation gave, those too small to draw included, and 0 where a series has no value. ``warning`` is the
    program's line saying where the values are not exact because probability reached the balance limits, or ""
    when every value is exact. ``answers`` holds, for the bankroll planner's kinds, the program's line per series
    giving the bankrolls for a risk of ruin of at most 1, 5 and 10 %.

    Attributes
    ----------
    kind : int
        The chart kind, a :class:`Kind`.
    name, x_title, y_title : str
        The kind's English name and axis titles.
    series : list of Series
        One per (game, system) pair, in the order given.
    warning : str
        The limit line, or "".
    answers : list of str
        The bankroll planner's answer per series; empty for the other kinds.
    """

    kind: int
    name: str
    x_title: str
    y_title: str
    series: List[Series]
    warning: str
    answers: List[str]

    @property
    def x(self) -> IntArray:
        """The x shared by every series."""
        return self.series[0].x

    @property
    def table(self) -> FloatArray:
        """The values as one array, a row per series."""
        return np.vstack([s.y for s in self.series])

    def to_frame(self) -> Any:
        """The chart as a pandas DataFrame: the x as index (named by the x axis), a column per series.

        Returns
        -------
        pandas.DataFrame
            Columns named by caption, in the series' order; the values of :attr:`table`, unchanged.

        Raises
        ------
        ImportError
            pandas is not installed.
        """
        pd = pandas()
        index = pd.Index(self.x, name=self.x_title)
        return pd.DataFrame(self.table.T, index=index, columns=[s.caption for s in self.series])


def _pairs(series: Sequence[Tuple[Game, System]]) -> List[Tuple[Any, Any]]:
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
    """Computes a chart of the program for up to ten (game, system) series, as ``wagerlens-calc --chart``.

    Parameters
    ----------
    kind : Kind or int
        The chart, 0..10: 0 net results, 1 cumulative net results, 2 expected result, 3 win probability, 4 loss
        probability, 5 win/loss rate, 6 risk of ruin, 7 chance of success, 8 success/ruin rate, 9 risk of ruin by
        bankroll, 10 chance of success by bankroll.
    series : sequence of (Game, System)
        One to ten pairs, drawn in the order given.
    param0 : int, optional
        The bankroll (0..10000), or for kinds 9 and 10 the rounds (1..10000, default 1000). None keeps the kind's
        default, as the companion does when ``--param0`` is left out.
    param1 : int, optional
        The rounds (kinds 0, 1) or the target bankroll (kinds 6..10; for 9 and 10, 0 means none), 0..10000.
        Kinds 2..5 take none.
    progress : callable, optional
        Called with the percentage done (0..100) in the calling thread; an exception it raises stops the
        calculation and is raised here.

    Returns
    -------
    Chart
        The numbers of ``--format full``, to the bit.

    Raises
    ------
    ValueError
        A kind, parameter or series the program would refuse, or a series it cannot calculate (a result that
        leaves the tracked balances in the first round, say), with the program's message.
    KeyboardInterrupt
        Ctrl+C, seen within 20 ms while the calculation runs.

    Notes
    -----
    tolerance is the smallest probability followed (0..1e-9), as ``wagerlens-calc --tolerance``: the far tails of a
    series leave play while all that left stays below it over the whole run, so every value is exact to within it;
    0 follows every balance until it underflows.

    The calculation runs without the GIL, so other Python threads, and other calculations, go on meanwhile.
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
    """One figure of a summary.

    Attributes
    ----------
    id : str
        Its identifier, as in ``wagerlens-calc --summary --format json``.
    label : str
        Its English label.
    unit : str
        "%", "bets", "rounds" or "whole".
    values : tuple of float or None
        Its value per series; None where it does not apply.
    cut : tuple of bool
        Per series, whether the balance limits cut it.
    """

    id: str
    label: str
    unit: str
    values: Tuple[Optional[float], ...]
    cut: Tuple[bool, ...]


@dataclass(frozen=True)
class Summary:
    """The program's summary of every series.

    The game per unit bet, the result after the horizon, the system's bets and, for the risk kinds, the session
    until it ends; for the bankroll planner's kinds, the game and the bankrolls for a risk of ruin of 1, 5 and 10 %
    ("PlannerBankroll1" ...). Probabilities are percentages.

    Attributes
    ----------
    captions : list of str
        The series' captions, in their order.
    figures : list of Figure
        The figures, in the summary's order.
    warning : str
        The limit line, or "".
    """

    captions: List[str]
    figures: List[Figure]
    warning: str
    #: Per series, why its starred figures (``Figure.cut``) are not exact; "" where none is starred.
    reasons: List[str] = field(default_factory=list)

    def __getitem__(self, figure_id: str) -> Tuple[Optional[float], ...]:
        """The values of the figure with this identifier, one per series."""
        for figure in self.figures:
            if figure.id == figure_id:
                return figure.values
        raise KeyError(figure_id)

    def as_dict(self) -> Dict[str, List[Optional[float]]]:
        """{figure id: [value per series]}, ready for ``pandas.DataFrame(..., index=captions)``."""
        return {f.id: list(f.values) for f in self.figures}

    def to_frame(self) -> Any:
        """The summary as a pandas DataFrame: a row per figure (its identifier as index), a column per series.

        Returns
        -------
        pandas.DataFrame
            Columns named by caption; NaN where a figure does not apply to a series.

        Raises
        ------
        ImportError
            pandas is not installed.
        """
        pd = pandas()
        values = [[np.nan if v is None else v for v in f.values] for f in self.figures]
        index = pd.Index([f.id for f in self.figures], name="figure")
        return pd.DataFrame(np.array(values, dtype=np.float64).reshape(len(self.figures), len(self.captions)),
                            index=index, columns=list(self.captions))


def summary(kind: int, series: Sequence[Tuple[Game, System]], param0: Optional[int] = None,
            param1: Optional[int] = None, *, progress: Progress = None, tolerance: float = 1e-15) -> Summary:
    """The summary of up to ten series for the parameters of a chart kind, as ``wagerlens-calc --summary``.

    Parameters
    ----------
    kind, series, param0, param1, progress, tolerance
        As for :func:`chart`. The net-result kinds give the figures after param1 rounds with the bankroll param0;
        the round-by-round kinds after their 3000 rounds; the risk kinds also the session with bankroll param0
        and target param1 until it ends.

    Returns
    -------
    Summary
        The figures of ``--summary --format json``.

    Raises
    ------
    ValueError, KeyboardInterrupt
        As for :func:`chart`.
    """
    kind = _int(kind, "kind")
    values = _core.summary(kind, _pairs(series), _optional_int(param0, "param0"), _optional_int(param1, "param1"),
                           progress, _tolerance(tolerance))
    figures = [Figure(i, label, unit, tuple(v), tuple(cut)) for i, label, unit, v, cut in values["rows"]]
    return Summary(list(values["captions"]), figures, values["warning"], list(values["reasons"]))


@dataclass(frozen=True)
class BankrollCurve:
    """The risk of ruin within some rounds for every starting bankroll, from the bankroll planner.

    ``risk[i]`` is the chance, in percent, that a player who starts with ``bankrolls[i]`` bets is ruined within the
    rounds (and, with a target, before his money reaches it); ``success[i]``, when asked for, the chance that his
    money reaches the target first. ``bankroll_for`` holds the planner's own answer: for a risk of 1, 5 and 10 %
    (keys 0.01, 0.05, 0.10), the smallest starting bankroll whose risk is at most that, or None when no bankroll up
    to ``last_bankroll`` is enough; ``answer`` is the program's line giving it.

    Attributes
    ----------
    bankrolls : numpy.ndarray of int64
        The starting bankrolls, from 1 up.
    risk : numpy.ndarray of float64
        The risk of ruin of each, in percent.
    success : numpy.ndarray of float64 or None
        The chance of success of each, in percent, when asked for.
    bankroll_for : dict of float to int or None
        The planner's answer.
    last_bankroll : int
        The largest bankroll the planner looked at.
    answer, warning : str
        The program's answer line, and its limit line or "".
    """

    bankrolls: IntArray
    risk: FloatArray
    success: Optional[FloatArray]
    bankroll_for: Dict[float, Optional[int]]
    last_bankroll: int
    answer: str
    warning: str

    def to_frame(self) -> Any:
        """The curve as a pandas DataFrame: the bankroll as index, a column "risk" and, when asked for, "success".

        Returns
        -------
        pandas.DataFrame
            Percentages, as in :attr:`risk` and :attr:`success`.

        Raises
        ------
        ImportError
            pandas is not installed.
        """
        pd = pandas()
        columns = {"risk": self.risk} if self.success is None else {"risk": self.risk, "success": self.success}
        return pd.DataFrame(columns, index=pd.Index(self.bankrolls, name="bankroll"), copy=True)


def bankroll_curve(game: Game, system: System, rounds: int = 1000, target: int = 0, *, success: bool = False,
                   progress: Progress = None) -> BankrollCurve:
    """The risk of ruin within some rounds, or until the session ends, for every starting bankroll, in one pass.

    The risks are those of chart kind 9 (``Kind.RISK_OF_RUIN_BY_BANKROLL``, ``wagerlens-calc --chart 9``).

    Parameters
    ----------
    game : Game
    system : System
    rounds : int, default 1000
        The rounds played at most, 1..10000; 0 means until the session ends, which needs a target.
    target : int, default 0
        0: none, the player plays the rounds or until he is ruined, and the bankrolls run from 1 up to where the
        risk falls below 1e-6 %. 2..10000: he also stops when his money reaches it, and the bankrolls run from 1
        to target - 1.
    success : bool, default False
        With a target, adds the chance of success of chart kind 10, at the cost of a second pass.
    progress : callable, optional
        As for :func:`chart`; with success=True it runs to 50 in the first pass and on to 100 in the second.

    Returns
    -------
    BankrollCurve

    Raises
    ------
    ValueError
        Rounds or a target the program refuses.
    KeyboardInterrupt
        Ctrl+C.
    """
    if not isinstance(game, Game) or not isinstance(system, System):
        raise ValueError("bankroll_curve needs a Game and a System")
    rounds, target = _int(rounds, "rounds"), _int(target, "target")
    if not isinstance(success, bool):
        raise ValueError(f"success must be True or False, not {success!r}")

    def run(want_success: bool, shown: Progress) -> Tuple[int, FloatArray, Any, str]:
        return _core.bankroll_curve(game._core, system._core, rounds, target, want_success, shown)

    chances, last_pass = None, progress
    if success:
        first_pass: Progress = None
        if progress is not None:
            whole = progress
            first_pass, last_pass = (lambda percent: whole(percent // 2)), (lambda percent: whole(50 + percent // 2))
        first, chances, _, _ = run(True, first_pass)
    first, risk, answer, warning = run(False, last_pass)
    bankrolls = np.arange(first, first + len(risk), dtype=np.int64)
    shown = bankrolls >= 1  # the table's first row is bankroll 0, which no player starts with
    bankroll_for, last, line = answer if answer is not None else ({}, 0, "")
    return BankrollCurve(bankrolls[shown], risk[shown], None if chances is None else chances[shown],
                         dict(bankroll_for), last, line, warning)


@dataclass(frozen=True)
class Session:
    """A player who leaves at ruin or at the target, with no limit on rounds, for every starting bankroll
    ``bankrolls`` (1 .. target - 1): the chances of ruin and of success, the expected rounds and their standard
    deviation, and the expected net result at the end, in bets. A player who cannot pay the first state's bet has
    ended and counts as ruined.

    ``method`` is "elimination" (exact to a few units in the last place; ``error_bound`` 0) or "stepping" (where the
    system's bets are too wide for the memory: ``error_bound`` is what was still in play when it stopped, the largest
    error of a chance). A start that can play for ever has rounds ``inf`` and net_at_end ``nan``.
    """

    bankrolls: IntArray
    ruin: FloatArray
    success: FloatArray
    rounds: FloatArray
    rounds_sd: FloatArray
    net_at_end: FloatArray
    method: str
    error_bound: float

    def to_frame(self) -> Any:
        """The answers as a pandas DataFrame, one column each, indexed by the starting bankroll.

        Raises
        ------
        ImportError
            pandas is not installed.
        """
        pd = pandas()
        columns = {"ruin": self.ruin, "success": self.success, "rounds": self.rounds, "rounds_sd": self.rounds_sd,
                   "net_at_end": self.net_at_end}
        return pd.DataFrame(columns, index=pd.Index(self.bankrolls, name="bankroll"), copy=True)


def session(game: Game, system: System, target: int) -> Session:
    """Ruin, success, duration and the result at the end for every starting bankroll below the target.

    The values of chart kinds 11 and 12 and of the risk charts' summary, for a player who leaves at ruin or at the
    target, with no limit on rounds.

    Parameters
    ----------
    game : Game
    system : System
    target : int
        2..10000.

    Returns
    -------
    Session

    Raises
    ------
    ValueError
        A target out of range.
    """
    if not isinstance(game, Game) or not isinstance(system, System):
        raise ValueError("session needs a Game and a System")
    target = _int(target, "target")
    ruin, success, rounds, rounds_sd, net, method, bound = _core.session(game._core, system._core, target)
    return Session(np.arange(1, target, dtype=np.int64), ruin, success, rounds, rounds_sd, net, method, bound)


@dataclass(frozen=True)
class Distribution:
    """The exact probability of every balance after some rounds, by the stretches of balances that may hold any.

    Attributes
    ----------
    stretches : list of (int, numpy.ndarray of float64)
        Each ``(first, probabilities)`` gives the chance of ending with the balance ``first + i`` (in bets; negative
        is a loss), the stretches ascending and apart, every balance between them holding none.
    warning : str
        The program's line when probability reached the balance limits; "" when every value is exact.

    ``probabilities`` and ``balances`` give one dense array from the first stretch to the last instead, zeros
    between the stretches included: ask for them only where the stretches lie close, as they take memory for
    every balance in between.
    """

    stretches: List[Tuple[int, FloatArray]]
    warning: str

    @property
    def first_balance(self) -> int:
        """The lowest balance covered."""
        return self.stretches[0][0] if self.stretches else 0

    @property
    def probabilities(self) -> FloatArray:
        """The dense array of the probabilities from ``first_balance`` to the last balance covered."""
        if not self.stretches:
            return np.zeros(0)
        first = self.first_balance
        last_first, last_values = self.stretches[-1]
        dense = np.zeros(last_first + len(last_values) - first)
        for start, values in self.stretches:
            dense[start - first:start - first + len(values)] = values
        return dense

    @property
    def balances(self) -> IntArray:
        """The balance of each of ``probabilities``."""
        return np.arange(self.first_balance, self.first_balance + len(self.probabilities), dtype=np.int64)


def distribution(game: Game, system: System, rounds: int, bankroll: int = 0, *,
                 progress: Progress = None, tolerance: float = 1e-15) -> Distribution:
    """The exact distribution of the balance after rounds rounds (1..10000) of system played on game.

    Parameters
    ----------
    game : Game
    system : System
    rounds : int
        1..10000.
    bankroll : int, default 0
        0: none. 1..10000: a player who cannot afford the bet of his state bets state 0's bet instead, and one who
        cannot afford that either stops, as in the program.
    progress : callable, optional
        As for :func:`chart`.
    tolerance : float, default 1e-15
        As for :func:`chart`.

    Returns
    -------
    Distribution
        The probabilities from which the net-result chart is drawn (its values are 100 times these), by the
        stretches that hold them; the dense array is ``Distribution.probabilities``.

    Raises
    ------
    ValueError, KeyboardInterrupt
        As for :func:`chart`.
    """
    if not isinstance(game, Game) or not isinstance(system, System):
        raise ValueError("distribution needs a Game and a System")
    stretches, warning = _core.distribution(game._core, system._core, _int(rounds, "rounds"),
                                            _int(bankroll, "bankroll"), progress, _tolerance(tolerance))
    return Distribution([(int(first), values) for first, values in stretches], warning)


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
