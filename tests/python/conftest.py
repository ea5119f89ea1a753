"""What the module's tests share: the shipped games and systems, and the companion's own tables to compare with."""

import os
import subprocess

import numpy as np
import pytest

import wagerlens

SOURCE = os.environ.get("WL_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))


@pytest.fixture(scope="session")
def games():
    return {g.name: g for g in wagerlens.shipped_games()}


@pytest.fixture(scope="session")
def systems():
    return {s.name: s for s in wagerlens.shipped_systems()}


def companion(kind, series, param0=None, param1=None, games_file=None, systems_file=None, form=("--format", "full")):
    """What wagerlens-calc prints for the same chart: its standard output and its standard error."""
    args = [os.environ["WL_CALC"], "--dir", os.path.join(SOURCE, "data"), "--chart", str(kind), *form]
    args += ["--games", games_file] if games_file else []
    args += ["--systems", systems_file] if systems_file else []
    args += ["--param0", str(param0)] if param0 is not None else []
    args += ["--param1", str(param1)] if param1 is not None else []
    for game, system in series:
        args += ["--series", game, system]
    run = subprocess.run(args, capture_output=True, text=True, check=True)
    return run.stdout, run.stderr.strip()


def companion_full(kind, series, param0=None, param1=None, games_file=None, systems_file=None):
    """wagerlens-calc --format full of the same chart: x, the captions, the columns and the warning."""
    out, err = companion(kind, series, param0, param1, games_file, systems_file)
    lines = out.splitlines()
    captions = lines[0].split("\t")[1:]
    rows = np.array([[float(v) for v in line.split("\t")] for line in lines[1:] if line])
    return rows[:, 0].astype(np.int64), captions, rows[:, 1:].T, err
