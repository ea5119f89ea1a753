"""Builds the compiled half of the wagerlens package with the project's CMake build, for meson-python.

Only the core library and the module are built: no window, tests or benchmarks, so that a pip install needs Qt Core,
pybind11 and Python's headers only.
"""

import argparse
import os
import shutil
import subprocess
import sys


def main() -> int:
    parser = argparse.ArgumentParser()
    for name in ("source", "build", "python", "cmake", "ninja", "output"):
        parser.add_argument(f"--{name}", required=True)
    parser.add_argument("--reuse", default="")
    args = parser.parse_args()

    build = args.reuse or args.build
    if not args.reuse and not os.path.isfile(os.path.join(build, "CMakeCache.txt")):
        subprocess.run([args.cmake, "-S", args.source, "-B", build, "-G", "Ninja",
                        f"-DCMAKE_MAKE_PROGRAM={args.ninja}", "-DCMAKE_BUILD_TYPE=Release",
                        f"-DPython3_EXECUTABLE={args.python}", "-DWL_BUILD_PYTHON=ON", "-DWL_BUILD_UI=OFF",
                        "-DWL_BUILD_TESTS=OFF", "-DWL_BUILD_BENCH=OFF"], check=True)
    jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
    subprocess.run([args.cmake, "--build", build, "--target", "wl_python_core", "-j", jobs], check=True)

    built = os.path.join(build, "python", "wagerlens", os.path.basename(args.output))
    if not os.path.isfile(built):
        # A reused tree built for another Python names the module otherwise; it would not import here.
        print(f"build_core: {built} is missing: was {build} configured for {args.python}?", file=sys.stderr)
        return 1
    shutil.copy2(built, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
