#!/usr/bin/env bash
# Runs every command of the README that starts with wagerlens-calc, as a reader would paste it.
# Usage: ReadmeExamplesTest.sh BIN_DIR README
set -euo pipefail
export PATH="$1:$PATH"
readme=$(realpath "$2")
# Examples may write files: they run in a folder of their own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
count=0
command=""
while IFS= read -r line; do
    line="${line#    }"
    if [ -z "$command" ] && [[ "$line" != wagerlens-calc* ]]; then
        continue
    fi
    command+="${line%\\}"
    if [[ "$line" == *\\ ]]; then
        continue
    fi
    echo "+ $command"
    if ! bash -c "$command" >/dev/null; then
        echo "FAIL: $command" >&2
        exit 1
    fi
    count=$((count + 1))
    command=""
done <"$readme"
[ "$count" -gt 0 ] || { echo "FAIL: no wagerlens-calc example in $2" >&2; exit 1; }
echo "README examples: $count passed"
