"""Games and betting systems: made from Python values, or read from games.ini and bets.ini."""

from __future__ import annotations

import os
import warnings
from typing import Iterable, List, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import _core
from ._shipped import read_shipped

PathLike = Union[str, "os.PathLike[str]"]


class Game:
    """A game of chance: up to 32 outcomes, each a result in bet units and its probability.

    A result of 1 wins as much as was staked, -1 loses the stake, 0 is a draw and 35 pays 35 to 1. The
    probabilities should add up to 1 (``probability_sum`` tells); as in the program's game editor, a game whose
    probabilities do not is accepted.

    Parameters
    ----------
    name : str
        The name, as the program lists it.
    outcomes : iterable of (int, float)
        The (result, probability) pairs, 1 to 32 of them.

    Raises
    ------
    ValueError
        A name that the editor refuses (empty, or with a control character), more than 32 outcomes or none, a
        result that is not a whole number in -2147483647..2147483647, or a probability that is not finite.
    """

    __slots__ = ("_core",)

    def __init__(self, name: str, outcomes: Iterable[Tuple[int, float]]) -> None:
        self._core = _core.Game(name, outcomes)

    @classmethod
    def _wrap(cls, core: "_core.Game") -> "Game":
        game = cls.__new__(cls)
        game._core = core
        return game

    @property
    def name(self) -> str:
        """The game's name, as the program lists it."""
        return self._core.name

    @property
    def outcomes(self) -> List[Tuple[int, float]]:
        """The (result, probability) pairs, in their order."""
        return self._core.outcomes

    @property
    def results(self) -> npt.NDArray[np.int64]:
        """The results of the outcomes in bet units, as an int64 array."""
        return np.array([r for r, _ in self.outcomes], dtype=np.int64)

    @property
    def probabilities(self) -> npt.NDArray[np.float64]:
        """The probabilities of the outcomes, as a float64 array."""
        return np.array([p for _, p in self.outcomes], dtype=np.float64)

    @property
    def expected_return(self) -> float:
        """What one unit staked brings back on average, stake included (the editor's first figure)."""
        return self._core.info(0)

    @property
    def expected_result(self) -> float:
        """The mean result of one round per unit of risk (the worst loss); its negative is the house edge."""
        return self._core.info(1)

    @property
    def std_deviation(self) -> float:
        """The standard deviation of one round's result per unit of risk."""
        return self._core.info(2)

    @property
    def variance(self) -> float:
        """The variance of one round's result per unit of risk."""
        return self._core.info(3)

    @property
    def win_probability(self) -> float:
        """The chance of a result above 0."""
        return self._core.info(4)

    @property
    def draw_probability(self) -> float:
        """The chance of a result of 0."""
        return self._core.info(5)

    @property
    def loss_probability(self) -> float:
        """The chance of a result below 0."""
        return self._core.info(6)

    @property
    def probability_sum(self) -> float:
        """The sum of the probabilities, 1 for a complete game."""
        return self._core.info(7)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Game):
            return NotImplemented
        return (self.name, self.outcomes) == (other.name, other.outcomes)

    def __hash__(self) -> int:
        return hash((self.name, tuple(self.outcomes)))

    def __repr__(self) -> str:
        return f"Game({self.name!r}, {self.outcomes!r})"

    def __reduce__(self) -> Tuple[type, Tuple[str, List[Tuple[int, float]]]]:
        # Pickled by value, so that a game travels to another process or host (multiprocessing, Dask).
        return (Game, (self.name, self.outcomes))


class System:
    """A betting system: up to 21 states, each a bet in units and the states that follow a won and a lost round.

    Play starts in state 0. ``System("Martingale, 1 doubling", [(1, 0, 1), (2, 0, 0)])`` bets 1, then 2 after a
    loss, and goes back to 1 after a win or after the second loss.

    Parameters
    ----------
    name : str
        The name, as the program lists it.
    states : iterable of (int, int, int)
        The (bet, win state, loss state) triples, state 0 first, 1 to 21 of them.

    Raises
    ------
    ValueError
        A name that the editor refuses, more than 21 states or none, a bet that is not a whole number in
        -2147483647..2147483647, or a win or loss state that the system does not have.
    """

    __slots__ = ("_core",)

    def __init__(self, name: str, states: Iterable[Tuple[int, int, int]]) -> None:
        self._core = _core.System(name, states)

    @classmethod
    def _wrap(cls, core: "_core.System") -> "System":
        system = cls.__new__(cls)
        system._core = core
        return system

    @property
    def name(self) -> str:
        """The system's name, as the program lists it."""
        return self._core.name

    @property
    def states(self) -> List[Tuple[int, int, int]]:
        """The (bet, win state, loss state) triples, state 0 first."""
        return self._core.states

    @property
    def bets(self) -> npt.NDArray[np.int64]:
        """The bets of the states, as an int64 array."""
        return np.array([b for b, _, _ in self.states], dtype=np.int64)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, System):
            return NotImplemented
        return (self.name, self.states) == (other.name, other.states)

    def __hash__(self) -> int:
        return hash((self.name, tuple(self.states)))

    def __repr__(self) -> str:
        return f"System({self.name!r}, {self.states!r})"

    def __reduce__(self) -> Tuple[type, Tuple[str, List[Tuple[int, int, int]]]]:
        return (System, (self.name, self.states))


def _warn_unread(path: PathLike, unread: List[str]) -> None:
    if unread:
        names = ", ".join(f'"{name}"' for name in unread)
        warnings.warn(f"{os.fspath(path)}: these sections could not be read and are left out: {names}",
                      stacklevel=3)


def load_games(path: PathLike) -> List[Game]:
    """The games of a games.ini file, in the program's order (by name, without regard to letter case).

    Parameters
    ----------
    path : str or os.PathLike
        The file, in the program's format.

    Returns
    -------
    list of Game
        Sections that the program cannot read either (more than 32 outcomes, or a name used before) are left out
        with a warning.

    Raises
    ------
    OSError
        The file is missing or cannot be read.
    """
    games, unread = _core.load_games(os.fspath(path))
    _warn_unread(path, unread)
    return [Game._wrap(g) for g in games]


def load_systems(path: PathLike) -> List[System]:
    """The betting systems of a bets.ini file, in the program's order (by name, without regard to letter case).

    Parameters
    ----------
    path : str or os.PathLike
        The file, in the program's format.

    Returns
    -------
    list of System
        Sections that the program cannot read either are left out with a warning.

    Raises
    ------
    OSError
        The file is missing or cannot be read.
    """
    systems, unread = _core.load_systems(os.fspath(path))
    _warn_unread(path, unread)
    return [System._wrap(s) for s in systems]


def shipped_games() -> List[Game]:
    """The games that come with Wagerlens, those of the program's own games.ini.

    Returns
    -------
    list of Game
        In the program's order. The package carries the file, so this works in any environment it is installed in.
    """
    return read_shipped("games.ini", load_games)


def shipped_systems() -> List[System]:
    """The betting systems that come with Wagerlens, those of the program's own bets.ini.

    Returns
    -------
    list of System
        In the program's order. The package carries the file, so this works in any environment it is installed in.
    """
    return read_shipped("bets.ini", load_systems)
