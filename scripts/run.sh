#!/usr/bin/env bash
# Sets up, builds the release into build/ and starts Wagerlens.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
if [ -x build/bin/wagerlens ]; then
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "wagerlens: there is no display. Start it under a virtual one: xvfb-run -a bash scripts/run.sh" >&2
        exit 1
    fi
    exec build/bin/wagerlens "$@"
fi
exec build/bin/wagerlens-calc --help
