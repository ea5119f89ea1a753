"""Wagerlens for Python: the exact distribution of a betting system played on a game of chance.

Nothing is simulated. Every function computes the exact probability of every balance, round after round, with the
engine of the Wagerlens program, and its numbers are those of ``wagerlens-calc --format full`` to the bit.

>>> import wagerlens
>>> games = {g.name: g for g in wagerlens.shipped_games()}
>>> systems = {s.name: s for s in wagerlens.shipped_systems()}
>>> ruin = wagerlens.chart(wagerlens.Kind.RISK_OF_RUIN,
...                        [(games["European roulette - red/black"], systems["Martingale, 3 doublings"])],
...                        param0=100, param1=200)
"""

from ._charts import (PARAM_MAXIMUM, PARAM_MINIMUM, BankrollCurve, Chart, ChartKind, Distribution, Figure, Kind,
                      Series, Session, Summary, bankroll_curve, chart, chart_kinds, distribution, session, summary)
from ._model import Game, System, load_games, load_systems, shipped_games, shipped_systems
from ._core import version as __version__

__all__ = [
    "PARAM_MAXIMUM",
    "PARAM_MINIMUM",
    "BankrollCurve",
    "Chart",
    "ChartKind",
    "Distribution",
    "Figure",
    "Game",
    "Kind",
    "Series",
    "Session",
    "Summary",
    "System",
    "bankroll_curve",
    "chart",
    "chart_kinds",
    "distribution",
    "load_games",
    "load_systems",
    "session",
    "shipped_games",
    "shipped_systems",
    "summary",
    "__version__",
]
