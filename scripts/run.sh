#!/usr/bin/env bash
# Sets up, builds the release of the window into build/ and starts Wagerlens.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "wagerlens: there is no display to open the window on (DISPLAY is not set)." >&2
    echo "Start it under a virtual one: xvfb-run -a bash scripts/run.sh" >&2
    exit 1
fi
bash scripts/setup.sh
cmake --preset release >/dev/null
# Only the program, its data files and its help files: the tests are built by scripts/test.sh.
cmake --build --preset release -j"$(nproc)" --target wagerlens
exec build/bin/wagerlens "$@"
