#!/usr/bin/env bash
# Sets up, builds and runs every test. The last lines are ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

# The threaded core tests once more under ThreadSanitizer.
cmake --preset dev-tsan >/dev/null
cmake --build --preset dev-tsan -j"$jobs" --target wl_tsan_tests
ctest --test-dir build-dev-tsan -L tsan --output-on-failure -j"$jobs"

cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
