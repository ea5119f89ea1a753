#!/usr/bin/env bash
# Installs the build into a temporary root and runs what was installed, as a user whose home is empty.
# Usage: InstallTest.sh BUILD_DIR SOURCE_DIR [PYTHON3]   (PYTHON3: the interpreter the Python module is built for)
set -euo pipefail
build=$1
source=$2
python=${3:-}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR="$root/dest" cmake --install "$build" --prefix /usr >/dev/null
prefix="$root/dest/usr"
export HOME="$root/home" XDG_DATA_HOME="$root/home/.local/share" XDG_CONFIG_HOME="$root/home/.config"
export XDG_RUNTIME_DIR="$root/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
user="$XDG_DATA_HOME/Brellion/Wagerlens"
fail() { echo "FAIL: $*" >&2; exit 1; }

for f in bin/wagerlens bin/wagerlens-calc share/wagerlens/games.ini share/wagerlens/bets.ini \
         share/wagerlens/wagerlens.ini share/wagerlens/Langs/ENG.ini share/wagerlens/Help/Wagerlens_eng.qch \
         share/applications/com.brellion.wagerlens.desktop share/metainfo/com.brellion.wagerlens.metainfo.xml \
         share/icons/hicolor/scalable/apps/wagerlens.svg share/icons/hicolor/48x48/apps/wagerlens.png \
         share/man/man1/wagerlens.1.gz share/man/man1/wagerlens-calc.1.gz \
         share/bash-completion/completions/wagerlens-calc; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done

desktop-file-validate "$prefix/share/applications/com.brellion.wagerlens.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/com.brellion.wagerlens.metainfo.xml" >/dev/null

# The companion reads the shipped games before the window has made the user's folder.
"$prefix/bin/wagerlens-calc" --list | grep -q "^game 0: " || fail "installed wagerlens-calc --list shows no game"
[ ! -e "$user" ] || fail "the companion created the user's folder"

# --help and --version answer without a display (no platform plugin can start here).
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/wagerlens" --version) ||
    fail "installed wagerlens --version failed"
[ "$version" = "wagerlens $(sed -n 's/^project(wagerlens VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")" ] ||
    fail "installed wagerlens --version says \"$version\""
usage=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/wagerlens" --help) ||
    fail "installed wagerlens --help failed"
grep -q -- "--export FILE" <<<"$usage" || fail "installed wagerlens --help does not name --export"

# The shell mode reads the shipped languages and games before the window has ever started, in every type.
for ext in bmp gif emf wmf txt htm png svg pdf csv; do
    "$prefix/bin/wagerlens" --export "$root/chart.$ext" --chart 6 --param0 100 --param1 200 \
        --series "European roulette - red/black" "Flat bet, 1 unit" 2>"$root/export.log" ||
        { cat "$root/export.log" >&2; fail "installed wagerlens --export chart.$ext failed"; }
    [ -s "$root/chart.$ext" ] || fail "installed wagerlens --export wrote no chart.$ext"
done
[ -z "$(find "$user" -type f 2>/dev/null)" ] || fail "the export mode wrote into the user's folder"

# The window starts from share/, seeds the user's folder, and never writes under the prefix.
before=$(cd "$prefix" && find . -type f -newer "$build/CMakeCache.txt" -exec md5sum {} + | sort)
"$prefix/bin/wagerlens" >"$root/window.log" 2>&1 &
window=$!
# The copies are made before the window shows; give a loaded machine time, then make sure it still runs.
for _ in $(seq 1 300); do
    [ -f "$user/games.ini" ] && [ -f "$user/bets.ini" ] && break
    sleep 0.1
done
sleep 1
kill -0 "$window" 2>/dev/null || { cat "$root/window.log" >&2; fail "the installed window ended at start"; }
kill "$window"
wait "$window" || true
for f in games.ini bets.ini wagerlens.ini; do
    [ -f "$user/$f" ] || fail "the window did not copy $f into the user's folder"
done
after=$(cd "$prefix" && find . -type f -newer "$build/CMakeCache.txt" -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "the window changed files under the prefix"

# From now on the companion reads the user's games.
printf '[A game of the user]\r\nCount=1\r\nResult0=1\r\nProbability0=1\r\n' >"$user/games.ini"
"$prefix/bin/wagerlens-calc" --list | grep -q "^game 0: A game of the user$" || fail "the user's games are not read"

# --help and the manual page name the same options.
options() { grep -o -- '--[a-z][a-z0-9-]*' | sort -u; }
from_help=$("$prefix/bin/wagerlens-calc" --help | options)
from_man=$(zcat "$prefix/share/man/man1/wagerlens-calc.1.gz" | sed 's/\\-/-/g; s/\\f[BIR]//g' | options)
[ "$from_help" = "$from_man" ] || fail "--help and the manual page differ: $(diff <(echo "$from_help") <(echo "$from_man") | tr '\n' ' ')"
# The Python module, from the dist-packages folder of the prefix, reads the shipped games from share/.
if [ -n "$python" ]; then
    version=$(cd "$root" && PYTHONPATH="$prefix/lib/python3/dist-packages" "$python" -c \
        "import wagerlens; assert len(wagerlens.shipped_games()) > 0; print(wagerlens.__version__)") ||
        fail "the installed Python module does not import or finds no shipped games"
    [ -n "$version" ] || fail "the installed Python module has no version"
    "$prefix/bin/wagerlens-calc" --version | grep -qF "$version" || fail "the Python module's version $version differs"
fi
echo "install test: passed"
