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
run_suite() {
    local preset=$1
    echo "== $preset build and tests"
    cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs" | tee "build/$preset/ctest.log"
    passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "build/$preset/ctest.log")))
}

# Release is what users run; Debug catches what the optimizer hides (deep
# recursion turned into a loop); the sanitizers catch what tests cannot see.
run_suite release
run_suite debug
run_suite sanitize

# The home platform: 64-bit Windows, cross-built with MinGW-w64, run under Wine.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
    WINEPREFIX=$(mktemp -d)
    export WINEPREFIX WINEDEBUG=-all
    trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
    echo "== Windows build (MinGW-w64) and tests under Wine"
    # Creating the prefix takes a while; done once, before anything is timed.
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
    # The sources build with one plain compiler call, without CMake.
    mkdir -p build/windows-direct
    x86_64-w64-mingw32-g++ -std=c++17 -O2 -static -Wall -Wextra -Wpedantic -Werror -I. -Isorting -Idriver \
        driver/*.cpp sorting/*.cpp -o build/windows-direct/sortbench.exe
    run_suite windows
    echo "== Windows package: the unpacked sortbench.exe writes the report byte for byte (CR LF, millisecond clock)"
    rm -rf build/windows/package
    cpack --config build/windows/CPackConfig.cmake -B build/windows/package
    zip=$(ls build/windows/package/sortbench-*-win64.zip)
    (cd build/windows/package && cmake -E tar xf "$(basename "$zip")")
    unpacked=${zip%.zip}
    for file in sortbench.exe sortbench.cmd README.md LICENSE; do
        [[ -f $unpacked/$file ]] || { echo "$zip lacks $file" >&2; exit 1; }
    done
    SORTBENCH_COMMAND="wine $unpacked/sortbench.exe" SORTBENCH_WINDOWS=1 \
        build/release/tests/end_to_end_test --gtest_brief=1
    # The launcher runs the program beside it to the end: radix sort's heading,
    # then a 200000 line.
    launched=$(cd "$unpacked" && wine cmd /c sortbench.cmd </dev/null | od -An -tx1 | tr -d ' \n')
    [[ $launched == *0d0abbf9cafdc5c5d0f20d0a*$(printf 200000 | od -An -tx1 | tr -d ' \n')* ]] ||
        { echo "sortbench.cmd did not show the whole report" >&2; exit 1; }
    passed=$((passed + 2))
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
echo "all: $passed passed, 0 failed"
