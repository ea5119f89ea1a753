"""The package's own conventions: its data, its constants from the core, pickling, and pandas on demand."""

import builtins
import pickle
import subprocess
import sys

import numpy as np
import pytest

import wagerlens
from wagerlens import _core

RED = "European roulette - red/black"


def test_the_planner_kinds_and_parameter_limits_are_the_cores(games, systems):
    kinds = wagerlens.chart_kinds()
    assert "by bankroll" in kinds[_core.risk_by_bankroll_kind].name.lower()
    assert wagerlens.Kind.RISK_OF_RUIN_BY_BANKROLL == _core.risk_by_bankroll_kind
    assert wagerlens.Kind.SUCCESS_BY_BANKROLL == _core.success_by_bankroll_kind
    pair = [(games[RED], systems["Flat bet, 1 unit"])]
    with pytest.raises(ValueError, match=f"0..{wagerlens.PARAM_MAXIMUM}"):
        wagerlens.chart(wagerlens.Kind.RISK_OF_RUIN, pair, wagerlens.PARAM_MAXIMUM + 1)
    assert wagerlens.chart(wagerlens.Kind.RISK_OF_RUIN, pair, wagerlens.PARAM_MINIMUM + 10, 20).series


def test_shipped_files_come_from_the_package_not_a_prefix():
    # Run where no share/wagerlens lies above the package: a virtual environment's situation.
    code = ("import wagerlens, importlib.resources as r; "
            "print(len(wagerlens.shipped_games()), len(wagerlens.shipped_systems()), len(wagerlens.chart_kinds()), "
            "r.files('wagerlens').joinpath('data', 'games.ini').is_file())")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, cwd="/", check=True)
    games, systems, kinds, found = run.stdout.split()
    assert int(games) > 10 and int(systems) > 5 and int(kinds) == _core.chart_kind_count and found == "True"


PICKLED = {
    "game": lambda games, systems: games[RED],
    "system": lambda games, systems: systems["Martingale, 10 doublings"],
    "made game": lambda games, systems: wagerlens.Game("third", [(2, 1 / 3), (-1, 2 / 3)]),
    "system kept as given": lambda games, systems: wagerlens.System("gap", [(1, 0, 0), (7, 1, 0)]),
}


@pytest.mark.parametrize("make", PICKLED.values(), ids=PICKLED.keys())
def test_games_and_systems_travel_by_value(make, games, systems):
    made = make(games, systems)
    copy = pickle.loads(pickle.dumps(made))
    assert copy == made and repr(copy) == repr(made) and copy is not made


@pytest.fixture(scope="module")
def results(games, systems):
    pairs = [(games[RED], systems["Martingale, 3 doublings"]), (games[RED], systems["Flat bet, 1 unit"])]
    return {
        "chart": wagerlens.chart(wagerlens.Kind.RISK_OF_RUIN, pairs, 50, 100),
        "summary": wagerlens.summary(wagerlens.Kind.RISK_OF_RUIN, pairs, 50, 100),
        "curve": wagerlens.bankroll_curve(*pairs[0], rounds=200, target=100, success=True),
    }


def test_chart_frame_has_a_column_per_series_by_caption(results):
    chart = results["chart"]
    frame = chart.to_frame()
    assert list(frame.columns) == [s.caption for s in chart.series]
    assert frame.index.name == chart.x_title and np.array_equal(frame.index.to_numpy(), chart.x)
    assert np.array_equal(frame.to_numpy().T, chart.table)


def test_summary_frame_has_a_row_per_figure(results):
    summary = results["summary"]
    frame = summary.to_frame()
    assert list(frame.columns) == summary.captions and list(frame.index) == [f.id for f in summary.figures]
    for figure in summary.figures:
        for caption, value in zip(summary.captions, figure.values):
            cell = frame.at[figure.id, caption]
            assert (np.isnan(cell) if value is None else cell == value), (figure.id, caption)


def test_curve_frame_is_indexed_by_bankroll(results):
    curve = results["curve"]
    frame = curve.to_frame()
    assert list(frame.columns) == ["risk", "success"] and frame.index.name == "bankroll"
    assert np.array_equal(frame["risk"].to_numpy(), curve.risk)
    assert np.array_equal(frame["success"].to_numpy(), curve.success)


@pytest.mark.parametrize("name", ["chart", "summary", "curve"])
def test_without_pandas_to_frame_says_what_to_install(name, results, monkeypatch):
    real_import = builtins.__import__

    def no_pandas(module, *args, **kwargs):
        if module == "pandas" or module.startswith("pandas."):
            raise ImportError("No module named 'pandas'")
        return real_import(module, *args, **kwargs)

    monkeypatch.delitem(sys.modules, "pandas", raising=False)
    monkeypatch.setattr(builtins, "__import__", no_pandas)
    monkeypatch.setattr("importlib.import_module", lambda module: no_pandas(module))
    with pytest.raises(ImportError, match="install python3-pandas"):
        results[name].to_frame()


def test_importing_the_package_leaves_pandas_alone():
    code = "import sys, wagerlens; wagerlens.shipped_games(); print('pandas' in sys.modules)"
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert run.stdout.strip() == "False"
