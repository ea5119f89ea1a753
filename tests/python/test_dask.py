"""The Dask sweep on a LocalCluster of two worker processes gives, series by series, the serial call's figures."""

import importlib.util
import os
import subprocess
import sys

import pandas as pd

import wagerlens
from conftest import SOURCE

EXAMPLE = os.path.join(SOURCE, "examples", "dask_sweep.py")
GAMES = ["European roulette - red/black", "Coin toss - fair coin"]


def load_example():
    spec = importlib.util.spec_from_file_location("dask_sweep", EXAMPLE)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def test_the_sweep_on_two_workers_equals_the_serial_calls_bit_for_bit(tmp_path):
    out = tmp_path / "sweep.pkl"
    env = dict(os.environ, PYTHONPATH=os.path.dirname(os.path.dirname(wagerlens.__file__)))
    run = subprocess.run([sys.executable, EXAMPLE, "--workers", "2", "--threads", "1", "--martingales", "4", "--dalemberts", "4", "--games",
                          *GAMES, "--bankroll", "30", "--target", "60", "--out", str(out)],
                         cwd=tmp_path, env=env, capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    assert "16 series, bankroll 30, target 60" in run.stdout
    gathered = pd.read_pickle(out)

    sweep = load_example()
    pairs = sweep.sweep(GAMES, 4, 4)
    serial = sweep.table([sweep.evaluate(game, system, 30, 60) for game, system in pairs])
    assert len(gathered) == len(pairs) == 16
    # Same rows in the same order, and every figure the same float: the cluster adds no arithmetic of its own.
    pd.testing.assert_frame_equal(gathered, serial, check_exact=True)
    assert gathered["ruin, %"].is_monotonic_increasing
