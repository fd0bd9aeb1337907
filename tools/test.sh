#!/usr/bin/env bash
# Builds every configuration and runs every test; exits non-zero on any
# failure. Installs what it lacks first (tools/setup.sh). Warnings are errors
# here. FUZZ_SECONDS sets the fuzzing time (default 60; 0 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh test
# The HTML reports are tested in a real browser; CI must not skip that.
if ! tools/browser_check.sh --which >/dev/null || [[ ! -f /usr/share/javascript/chart.js/chart.min.js ]]; then
    if [[ ${CI:-} == true ]]; then
        echo "headless Chromium or Chart.js is missing (apt-get install chromium-headless-shell libjs-chart.js)" >&2
        exit 1
    fi
    echo "== the browser tests will be skipped: apt-get install chromium-headless-shell libjs-chart.js"
fi

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
run_suite() {
    local preset=$1 log=build/$1/ctest.log status=0
    shift
    echo "== $preset build and tests"
    cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs" "$@" | tee "$log" || status=$?
    # ctest's own count: "100% tests passed, 0 tests failed out of 80".
    local counts
    counts=$(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log")
    [[ -n $counts ]] || { echo "ctest printed no count ($preset)" >&2; exit 1; }
    set -- $counts
    passed=$((passed + $2 - $1))
    failed=$((failed + $1))
    ((status == 0)) || { echo "all: $passed passed, $failed failed"; exit "$status"; }
}

# Release is what users run (and what the Windows tests compare with, so it
# comes first); Debug catches what the optimizer hides (deep recursion
# turned into a loop); the sanitizers catch what tests cannot see.
run_suite release
run_suite debug
run_suite sanitize
# The sanitizers once more as plain compiler flags, with Clang and no
# optimizer: the tests must know them from the compiler, not the preset.
if command -v clang++ >/dev/null; then
    # Unoptimized, the report's insertion sort of 200000 values alone takes
    # minutes, and the page test's time budget cuts a different number of
    # points: the optimized sanitize build runs both tests.
    run_suite sanitize-clang -E '^(Sortbench[.]WritesTheWholeReportByteForByte|sorting_benchmark_browser)$'
elif [[ ${CI:-} == true ]]; then
    echo "clang is missing" >&2
    exit 1
fi

# The home platform: 64-bit Windows, cross-built with MinGW-w64; its tests,
# the ZIP's among them (tests/windows/check.sh), run under Wine.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
    WINEPREFIX=$(mktemp -d)
    export WINEPREFIX WINEDEBUG=-all
    trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
    # One server for the whole step, started first: one that exits in an idle
    # gap makes a test that connects just then die of "Connection reset by
    # peer". Wine's own background processes start with the prefix, their
    # output sent nowhere: started later by a test, they would hold its
    # output pipe open for as long as the server lives.
    wineserver -p || true
    # Creating the prefix takes a while; done once, before anything is timed.
    wineboot --init >/dev/null 2>&1 || true
    run_suite windows
elif [[ ${CI:-} == true ]]; then
    echo "MinGW-w64 or Wine is missing" >&2
    exit 1
else
    echo "== skipped the Windows build: apt-get install g++-mingw-w64-x86-64 wine wine64"
fi

seconds=${FUZZ_SECONDS:-60}
if ((seconds > 0)) && ! command -v clang++ >/dev/null && [[ ${CI:-} != true ]]; then
    echo "== skipped fuzzing: apt-get install clang libclang-rt-14-dev"
elif ((seconds > 0)); then
    echo "== differential fuzzing for ${seconds}s"
    out=build/fuzz
    mkdir -p "$out/corpus"
    clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        -Wall -Wextra -Wpedantic -Werror -I. fuzz/sort_fuzzer.cpp sorting/sorting.cpp -o "$out/sort_fuzzer"
    # New inputs go to the build folder; the committed seeds stay as they are.
    status=0
    "$out/sort_fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$out/" "$out/corpus" fuzz/corpus >"$out/log" 2>&1 || status=$?
    grep -E '^(stat::number_of_executed_units|Done|SUMMARY|artifact_prefix|Test unit written)|differs|ERROR' "$out/log" || true
    if ((status != 0)); then
        tail -n 40 "$out/log"
        echo "fuzzing found a failure (exit $status); see $out/log"
        exit "$status"
    fi
    passed=$((passed + 1))
fi
echo "all: $passed passed, $failed failed"
