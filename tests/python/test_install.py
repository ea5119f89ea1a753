"""pip installs the package offline from a fresh clone into a virtual environment, where it imports and finds its
shipped files; pip show and pip uninstall know it.

The compiled module is taken from the build tree under test (meson option cmake-build), so that the test takes
seconds; WL_INSTALL_FULL=1 builds it inside pip as a user's install does (minutes).
"""

import os
import shutil
import subprocess
import sys
import venv

import pytest

import wagerlens
from conftest import SOURCE


def run(*args, cwd=None):
    done = subprocess.run(list(args), cwd=cwd, capture_output=True, text=True, timeout=1800)
    assert done.returncode == 0, f"{' '.join(args)}\n{done.stdout[-3000:]}\n{done.stderr[-3000:]}"
    return done.stdout


def package_files(folder):
    return sorted(os.path.relpath(os.path.join(root, name), folder) for root, _, names in os.walk(folder)
                  for name in names if "__pycache__" not in root)


@pytest.fixture(scope="module")
def clone(tmp_path_factory):
    target = tmp_path_factory.mktemp("clone") / "wagerlens"
    if os.path.exists(os.path.join(SOURCE, ".git")):
        run("git", "clone", "-q", "--no-hardlinks", SOURCE, str(target))
    else:
        shutil.copytree(SOURCE, target, ignore=shutil.ignore_patterns("build*", ".git"))
    return target


def test_venv_install_imports_and_uninstalls(clone, tmp_path):
    env_dir = tmp_path / "v"
    venv.create(env_dir, system_site_packages=True, with_pip=True)
    python, pip = str(env_dir / "bin" / "python"), [str(env_dir / "bin" / "python"), "-m", "pip"]
    settings = [] if os.environ.get("WL_INSTALL_FULL") == "1" else \
        [f"--config-settings=setup-args=-Dcmake-build={os.environ['WL_BUILD_DIR']}"]
    run(*pip, "install", "--no-build-isolation", "--no-index", *settings, str(clone))

    # From a folder of its own, with nothing of the build tree on the path: the venv's copy only.
    env_free = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    shown = subprocess.run([python, "-c", "import wagerlens; print(wagerlens.shipped_games()[0]); "
                            "print(wagerlens.__file__)"], cwd=tmp_path, env=env_free, capture_output=True,
                           text=True, check=True).stdout.splitlines()
    assert shown[0].startswith("Game('") and shown[1].startswith(str(env_dir))

    # pip's package holds what the CMake build assembles and installs, file for file.
    assert package_files(os.path.dirname(shown[1])) == package_files(os.path.dirname(wagerlens.__file__))

    info = run(*pip, "show", "wagerlens")
    assert f"Version: {wagerlens.__version__}" in info  # meson.build's version is the CMake project's
    run(*pip, "uninstall", "-y", "wagerlens")
    gone = subprocess.run([python, "-c", "import wagerlens"], cwd=tmp_path, env=env_free, capture_output=True)
    assert gone.returncode != 0
