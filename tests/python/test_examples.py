"""The examples of the README run as a reader would run them, and say what they should."""

import os
import subprocess
import sys

import pytest

from conftest import SOURCE

EXAMPLES = {
    "risk_of_ruin.py": "Martingale, 10 doublings]: ",
    "house_edge_table.py": "European roulette - red/black",
    "bankroll_sweep.py": "Martingale, 10 doublings",
}


@pytest.mark.parametrize("name", EXAMPLES)
def test_example_runs(name, tmp_path):
    env = dict(os.environ, MPLBACKEND="Agg")
    env.pop("DISPLAY", None)
    run = subprocess.run([sys.executable, os.path.join(SOURCE, "examples", name)], cwd=tmp_path, env=env,
                         capture_output=True, text=True, timeout=600)
    assert run.returncode == 0, run.stderr
    assert EXAMPLES[name] in run.stdout
    assert name != "risk_of_ruin.py" or (tmp_path / "risk-of-ruin.png").stat().st_size > 10000
