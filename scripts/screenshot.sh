#!/usr/bin/env bash
# Renews docs/risk-of-ruin.png, the README's picture: the window of a first start (the risk of ruin of three
# systems on European roulette), on a virtual screen. Needs a release build (bash scripts/run.sh makes one).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in xvfb-run import; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (apt-get install xvfb imagemagick)" >&2; exit 1; }
done
[ -x build/bin/wagerlens ] || { echo "screenshot: build/bin/wagerlens is missing; run bash scripts/run.sh first" >&2; exit 1; }

# A copy of the program folder with the first-start state, so that the user's own files are not touched.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r build/bin/wagerlens build/bin/Langs build/bin/Help "$work/"
cp data/games.ini data/bets.ini data/wagerlens.ini "$work/"
out="$PWD/docs/risk-of-ruin.png"
HOME="$work/home" xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    "$1/wagerlens" & pid=$!
    sleep 5
    import -window root "$2.tmp.png"
    kill $pid' _ "$work" "$out"
/usr/bin/convert "$out.tmp.png" -trim +repage "$out"
rm -f "$out.tmp.png"
echo "screenshot: wrote $out"
