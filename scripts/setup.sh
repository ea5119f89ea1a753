#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    libgtest-dev googletest libbenchmark-dev
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev qt6-tools-dev qt6-documentation-tools
    libqt6sql6-sqlite libgif-dev qt6-translations-l10n
    xvfb xauth fonts-dejavu-core
    desktop-file-utils appstream lintian
    poppler-utils emf2svg libwmf-bin fonts-urw-base35
    clang-14 libfuzzer-14-dev libclang-rt-14-dev
    pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib python3-pandas
    python3-venv python3-mesonpy meson python3-distributed python3-mypy
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages are installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "setup: these packages are missing and I am not root and there is no sudo: ${missing[*]}" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo[@]}" apt-get update -qq; then
    echo "setup: apt-get update failed; check the network and /etc/apt/sources.list" >&2
    exit 1
fi
if ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    echo "setup: apt-get install failed for: ${missing[*]}" >&2
    exit 1
fi
echo "setup: done"
