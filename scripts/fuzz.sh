#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan and UBSan) and runs each for the given seconds, as many at once as there are
# processors. The corpus grows in build-fuzz/fuzz-corpus, findings land in build-fuzz/fuzz-findings.
# Usage: bash scripts/fuzz.sh [seconds, default 600] [target names, default all: ini_store games ...]
# Exits 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
bash scripts/setup.sh >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

dir=build-fuzz
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for f in "$dir"/bin/fuzz_*; do targets+=("${f##*/fuzz_}"); done
fi
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
mkdir -p "$dir/fuzz-findings" "$dir/fuzz-logs"

run() {
    local name=$1
    mkdir -p "$dir/fuzz-corpus/$name"
    "$dir/bin/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$dir/fuzz-findings/$name-" "$dir/fuzz-corpus/$name" "tests/fuzz/corpus/$name" \
        >"$dir/fuzz-logs/$name.log" 2>&1
}

echo "fuzz.sh: ${targets[*]} for $seconds s each, $(nproc) at a time"
pids=()
for name in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do sleep 1; done
    run "$name" &
    pids+=("$!")
done
failed=0
for i in "${!targets[@]}"; do
    name=${targets[$i]}
    status=ok
    wait "${pids[$i]}" || { status="FOUND A FAULT (see $dir/fuzz-logs/$name.log)"; failed=1; }
    log="$dir/fuzz-logs/$name.log"
    execs=$(sed -n 's/^stat::number_of_executed_units: //p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    corpus=$(find "$dir/fuzz-corpus/$name" -type f | wc -l)
    printf 'fuzz.sh: %-13s %10s runs  cov %5s  features %6s  corpus %5s  %s\n' \
        "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$status"
done
exit "$failed"
