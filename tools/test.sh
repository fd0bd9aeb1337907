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
    # One server for the whole step, started first: one that exits in an idle
    # gap makes a test that connects just then die of "Connection reset by
    # peer". Wine's own background processes start with the prefix, their
    # output sent nowhere: started later by a test, they would hold its
    # output pipe open for as long as the server lives.
    wineserver -p || true
    # Creating the prefix takes a while; done once, before anything is timed.
    wineboot --init >/dev/null 2>&1 || true
    # The sources build with one plain compiler call, without CMake.
    mkdir -p build/windows-direct
    x86_64-w64-mingw32-g++ -std=c++17 -O2 -static -Wall -Wextra -Wpedantic -Werror -I. \
        sortbench/*.cpp sorting/*.cpp compare/sorts.cpp -o build/windows-direct/sortbench.exe
    run_suite windows
    echo "== Windows package: the unpacked sortbench.exe writes the report byte for byte (CR LF, millisecond clock)"
    rm -rf build/windows/package
    cpack --config build/windows/CPackConfig.cmake -B build/windows/package
    zip=$(ls build/windows/package/sortbench-*-win64.zip)
    (cd build/windows/package && cmake -E tar xf "$(basename "$zip")")
    unpacked=${zip%.zip}
    files=(sortbench.exe sortbench.cmd sorting_counts.exe README.md LICENSE)
    # The HTML pages carry Chart.js, and its licence with them.
    [[ -f /usr/share/javascript/chart.js/chart.min.js ]] && files+=(chart.js-LICENSE.txt)
    # With Google Benchmark's source (CI requires it), the benchmark and its
    # launcher.
    if [[ -f build/benchmark-source/CMakeLists.txt ]]; then
        files+=(sorting_benchmark.exe compare.cmd)
    fi
    for file in "${files[@]}"; do
        [[ -f $unpacked/$file ]] || { echo "$zip lacks $file" >&2; exit 1; }
    done
    # Nothing but Windows' own DLLs: the ZIP's programs run on their own.
    for exe in "$unpacked"/*.exe; do
        x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
            grep -viE '^(kernel32|msvcrt|user32|advapi32|shlwapi|psapi|ws2_32|shell32|ole32)\.dll$' &&
            { echo "$exe needs a DLL that Windows lacks" >&2; exit 1; }
    done
    SORTBENCH_COMMAND="wine $unpacked/sortbench.exe" SORTBENCH_WINDOWS=1 \
        build/release/tests/cli_tests --gtest_filter='Sortbench.*' --gtest_brief=1
    # The launcher runs the program beside it to the end: radix sort's heading,
    # then a 200000 line.
    launched=$(cd "$unpacked" && wine cmd /c sortbench.cmd </dev/null | od -An -tx1 | tr -d ' \n')
    [[ $launched == *0d0abbf9cafdc5c5d0f20d0a*$(printf 200000 | od -An -tx1 | tr -d ' \n')* ]] ||
        { echo "sortbench.cmd did not show the whole report" >&2; exit 1; }
    passed=$((passed + 2))

    echo "== Windows comparison tools under Wine: the same counts as on Linux, a verified benchmark, compare.cmd"
    # The counts do not depend on the platform: byte for byte, CR LF aside.
    counts=(--json --sorts=insertion,merge,quick,counting,radix,std_sort,std_stable_sort
            --shapes=random,ascending,all_equal,nearly_sorted:1,few_distinct:10 --sizes=1000,5000 --seed=12345)
    if ! diff <(build/release/sorting_counts "${counts[@]}") \
              <(wine "$unpacked/sorting_counts.exe" "${counts[@]}" | tr -d '\r'); then
        echo "sorting_counts.exe counts differ from the Linux build's" >&2
        exit 1
    fi
    passed=$((passed + 1))
    if [[ -f $unpacked/sorting_benchmark.exe ]]; then
        # Exit status 0: every result matched std::sort. The page as in the
        # Linux build's browser test: a chart per shape, a point per run.
        (cd "$unpacked" && wine sorting_benchmark.exe \
            "--benchmark_filter=^(insertion|quick|counting)/(random|ascending)/(1000|2000|5000)(/real_time)?$" \
            --benchmark_min_time=0.01 --sortbench_html=report.html >/dev/null)
        status=0
        tools/browser_check.sh "$unpacked/report.html" 2 18 || status=$?
        if ((status == 77)) && [[ ${CI:-} != true ]]; then
            echo "== skipped the browser check of the Windows page: no headless Chromium"
        elif ((status != 0)); then
            exit 1
        fi
        rm "$unpacked/report.html"
        passed=$((passed + 1))
    fi
    # The launcher chooses shapes and sizes and writes pages through the
    # tools' options; until both tools have them, it is not run.
    probe=$(mktemp -d)
    if [[ -f $unpacked/compare.cmd ]] &&
        build/release/sorting_counts --shapes=random --sizes=1000 --html="$probe/c.html" >/dev/null 2>&1 &&
        build/release/sorting_benchmark --benchmark_filter=^quick/ --sortbench_shapes=random --sortbench_sizes=1000 \
            --benchmark_min_time=0.001 --sortbench_html="$probe/b.html" >/dev/null 2>&1 &&
        [[ -s $probe/c.html && -s $probe/b.html ]]; then
        # From a folder whose path the ANSI code page may not hold, in the
        # test mode: a tiny selection, no browser, no key to wait for.
        folder="build/windows/package/a folder é"
        rm -rf "$folder"
        cp -r "$unpacked" "$folder"
        (cd "$folder" && SORTBENCH_COMPARE_TEST=1 wine cmd /c compare.cmd </dev/null >/dev/null) ||
            { echo "compare.cmd failed" >&2; exit 1; }
        for page in report.html counts.html; do
            [[ -s $folder/$page ]] || { echo "compare.cmd did not write $page" >&2; exit 1; }
        done
        passed=$((passed + 1))
    else
        echo "== skipped compare.cmd: the tools lack options it passes (--sortbench_shapes, --html)"
    fi
    rm -rf "$probe"
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
