#!/usr/bin/env bash
# Sets up, builds and runs every check, one step per build tree:
#   tsan     the threaded core tests under ThreadSanitizer
#   tsan-ui  the window's threaded tests (label tsan-ui) under ThreadSanitizer, offscreen
#   asan     the whole suite, window tests included, under AddressSanitizer and UBSan
#   fuzz     each fuzzer for 30 s (scripts/fuzz.sh runs them for longer)
#   release  the whole suite in the release build
# A step fails when it selects no test. The last lines say how many tests each step ran and how long it took.
# Only some steps: WL_TEST_STEPS="tsan release" bash scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
# Paths inside the checkout are hashed relative to it: a fresh clone elsewhere finds what an earlier build cached.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
steps=${WL_TEST_STEPS:-tsan tsan-ui asan fuzz release}
summary=()

# run_step NAME PRESET BUILD-DIR [BUILD-TARGET...] -- [CTEST-ARG...]
run_step() {
    local name=$1 preset=$2 dir=$3
    shift 3
    local targets=()
    while [ "$1" != "--" ]; do
        targets+=(--target "$1")
        shift
    done
    shift
    case " $steps " in *" $name "*) ;; *) return 0 ;; esac

    local start=$SECONDS log="$dir/ctest-$name.log"
    echo "test.sh: step $name: building"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs" "${targets[@]}"
    echo "test.sh: step $name: testing"
    # --no-tests=error: a step whose filter selects nothing is a broken step, not a pass.
    ctest --preset "$preset" --no-tests=error --output-on-failure -j"$jobs" "$@" 2>&1 | tee "$log"
    local count
    count=$(sed -n 's/.*tests failed out of \([0-9][0-9]*\).*/\1/p' "$log" | tail -n 1)
    if [ -z "$count" ] || [ "$count" -eq 0 ]; then
        echo "test.sh: step $name ran no test" >&2
        exit 1
    fi
    summary+=("$(printf '%-8s %5d tests passed in %4d s' "$name" "$count" $((SECONDS - start)))")
}

run_step tsan dev-tsan build-dev-tsan wl_tsan_tests -- -L tsan
run_step tsan-ui dev-tsan-ui build-dev-tsan-ui wl_tsan_ui_tests -- -L '^tsan-ui$'
run_step asan dev-asan build-dev-asan --
run_step fuzz fuzz build-fuzz wl_fuzzers -- -L fuzz
run_step release release build --

echo "test.sh: every step passed"
printf '  %s\n' "${summary[@]}"
