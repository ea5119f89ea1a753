"""The examples of the README run as a reader would run them, and say what they should."""

import os
import subprocess
import sys

import pytest

import wagerlens
from conftest import SOURCE

EXAMPLES = {
    "risk_of_ruin.py": "Martingale, 10 doublings]: ",
    "house_edge_table.py": "European roulette - red/black",
    # wagerlens-calc --chart 9 --param0 1000 answers 1563; the risk is above 5 % again from 1600 on
    "bankroll_sweep.py": "Martingale, 9 doublings     1563 units",
}


@pytest.mark.parametrize("name", EXAMPLES)
def test_example_runs(name, tmp_path):
    # The package under test, wherever the current folder is.
    env = dict(os.environ, MPLBACKEND="Agg", PYTHONPATH=os.path.dirname(os.path.dirname(wagerlens.__file__)))
    env.pop("DISPLAY", None)
    run = subprocess.run([sys.executable, os.path.join(SOURCE, "examples", name)], cwd=tmp_path, env=env,
                         capture_output=True, text=True, timeout=600)
    assert run.returncode == 0, run.stderr
    assert EXAMPLES[name] in run.stdout
    assert name != "risk_of_ruin.py" or (tmp_path / "risk-of-ruin.png").stat().st_size > 10000


def test_readme_shows_the_examples_as_they_are():
    with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    for name in EXAMPLES:
        with open(os.path.join(SOURCE, "examples", name), encoding="utf-8") as f:
            lines = f.read().rstrip("\n").split("\n")
        assert "\n".join("    " + line if line.strip() else "" for line in lines) in readme, name
