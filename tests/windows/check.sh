#!/usr/bin/env bash
# The Windows ZIP as a user gets it, checked under Wine; run by CTest in the
# windows build (tests/CMakeLists.txt). The package test makes and unpacks
# the ZIP; the others read the unpacked folder.
# Usage: check.sh CHECK SOURCE_DIR BUILD_DIR [LINUX_BUILD_DIR]
# Exits 77 (skipped) where something outside the windows build is missing
# and this is not CI.
set -euo pipefail
check=$1
source_dir=$2
build_dir=$3
linux_build=${4:-$source_dir/build/release}
package=$build_dir/package
unpacked=$(ls -d "$package"/sortbench-*-win64 2>/dev/null | head -n 1 || true)

fail() {
    echo "$*" >&2
    exit 1
}
skip() {
    [[ ${CI:-} == true ]] && fail "$* (CI must not skip this)"
    echo "skipped: $*"
    exit 77
}
# The Linux build stands in for what Windows cannot run: the report's test
# program, and the counts to compare with.
need_linux() {
    [[ -x $linux_build/$1 ]] || skip "no $linux_build/$1: build the release preset first"
}

case $check in
package)
    rm -rf "$package"
    cpack --config "$build_dir/CPackConfig.cmake" -B "$package" >/dev/null
    zip=$(ls "$package"/sortbench-*-win64.zip)
    (cd "$package" && cmake -E tar xf "$(basename "$zip")")
    ;;
contents)
    files=(sortbench.exe sortbench.cmd sorting_counts.exe README.md LICENSE)
    # The HTML pages carry Chart.js, and its licence with them.
    [[ -f /usr/share/javascript/chart.js/chart.min.js ]] && files+=(chart.js-LICENSE.txt)
    # With Google Benchmark's source (CI requires it), the benchmark and its
    # launcher.
    [[ -f $source_dir/build/benchmark-source/CMakeLists.txt ]] && files+=(sorting_benchmark.exe compare.cmd)
    # With nlohmann-json's headers (tools/setup.sh installs them), the tool
    # that compares two runs.
    [[ -f /usr/include/nlohmann/json.hpp ]] && files+=(sorting_compare.exe)
    for file in "${files[@]}"; do
        [[ -f $unpacked/$file ]] || fail "the ZIP lacks $file"
    done
    # Nothing but Windows' own DLLs: the ZIP's programs run on their own.
    for exe in "$unpacked"/*.exe; do
        if x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
            grep -viE '^(kernel32|msvcrt|user32|advapi32|shlwapi|psapi|ws2_32|shell32|ole32)\.dll$'; then
            fail "$exe needs a DLL that Windows lacks"
        fi
    done
    ;;
report)
    # Byte for byte: CR LF line ends, the millisecond clock.
    need_linux tests/cli_tests
    SORTBENCH_COMMAND="wine $unpacked/sortbench.exe" SORTBENCH_WINDOWS=1 \
        "$linux_build/tests/cli_tests" --gtest_filter='Sortbench.*' --gtest_brief=1
    ;;
launcher)
    # The launcher runs the program beside it to the end: radix sort's
    # heading, then a 200000 line.
    launched=$(cd "$unpacked" && wine cmd /c sortbench.cmd </dev/null | od -An -tx1 | tr -d ' \n')
    [[ $launched == *0d0abbf9cafdc5c5d0f20d0a*$(printf 200000 | od -An -tx1 | tr -d ' \n')* ]] ||
        fail "sortbench.cmd did not show the whole report"
    ;;
counts)
    # The counts do not depend on the platform: byte for byte, CR LF aside.
    need_linux sorting_counts
    counts=(--json --sorts=insertion,merge,quick,counting,radix,std_sort,std_stable_sort
            --shapes=random,ascending,all_equal,nearly_sorted:1,few_distinct:10 --sizes=1000,5000 --seed=12345)
    diff <("$linux_build/sorting_counts" "${counts[@]}") \
        <(wine "$unpacked/sorting_counts.exe" "${counts[@]}" | tr -d '\r') ||
        fail "sorting_counts.exe counts differ from the Linux build's"
    ;;
benchmark)
    # Exit status 0: every result matched std::sort. The page as in the
    # Linux build's browser test: a chart per shape, a point per run.
    page=$build_dir/tests/windows_benchmark.html
    rm -f "$page"
    (cd "$unpacked" && wine sorting_benchmark.exe \
        "--benchmark_filter=^(insertion|quick|counting)/(random|ascending)/(1000|2000|5000)(/real_time)?$" --sortbench_sizes=1000,2000,5000 \
        --benchmark_min_time=0.01 --sortbench_html=windows_benchmark.html >/dev/null)
    mv "$unpacked/windows_benchmark.html" "$page"
    status=0
    "$source_dir/tools/browser_check.sh" "$page" 2 18 || status=$?
    ((status == 77)) && skip "no headless Chromium for the page"
    exit "$status"
    ;;
compare)
    # From a folder whose path the ANSI code page may not hold, in the test
    # mode: a tiny selection, no browser, no key to wait for.
    folder="$package/a folder é"
    rm -rf "$folder"
    cp -r "$unpacked" "$folder"
    (cd "$folder" && SORTBENCH_COMPARE_TEST=1 wine cmd /c compare.cmd </dev/null >/dev/null) ||
        fail "compare.cmd failed"
    for page in report.html counts.html; do
        [[ -s $folder/$page ]] || fail "compare.cmd did not write $page"
    done
    ;;
broken)
    # A crash, a hang and reads and writes past the end, dropped in and
    # loaded: one line naming the call, status 1.
    [[ -f $build_dir/sorting_counts_user.exe ]] || skip "no sorting_counts_user.exe in $build_dir"
    for row in "crashes_large:crashed (exception 0xC0000005)" "hangs_large:did not return within 2 s" \
        "past_end:wrote past the end of the array (a[0], n = 0)" \
        "reads_past_end:read past the end of the array (a[0], n = 0)"; do
        sort=${row%%:*}
        for run in "$build_dir/sorting_counts_user.exe" \
            "$build_dir/sorting_counts.exe --load=$build_dir/tests/user_libraries/$sort.dll"; do
            status=0
            err=$(SORTBENCH_HANG_SECONDS=2 wine $run --sorts=$sort --shapes=random --sizes=2000 2>&1 >/dev/null) ||
                status=$?
            ((status == 1)) || fail "$run --sorts=$sort: status $status, not 1: $err"
            [[ $err == *"sorting_counts: $sort on random at n = "*"${row#*:}"* ]] ||
                fail "$run --sorts=$sort did not name the problem: $err"
        done
    done
    ;;
runs)
    # One run on Linux and one on Windows compared by sorting_compare.exe:
    # benchmarks in common whatever the clock (Windows names end in
    # /real_time), the operating systems marked as differing, and the same
    # JSON as the Linux build's sorting_compare gives for the same files.
    need_linux sorting_benchmark
    need_linux sorting_compare
    [[ -f $unpacked/sorting_compare.exe ]] || skip "no sorting_compare.exe (apt-get install nlohmann-json3-dev)"
    work=$build_dir/tests/windows_runs
    rm -rf "$work" && mkdir -p "$work"
    run=("--benchmark_filter=^(quick|std_sort)/(random|ascending)/(1000|2000)(/real_time)?$" --sortbench_sizes=1000,2000
         --benchmark_min_time=0.005 --benchmark_repetitions=5)
    (cd "$work" && "$linux_build/sorting_benchmark" "${run[@]}" --benchmark_out=linux.json >/dev/null 2>&1) ||
        fail "the Linux run failed"
    (cd "$work" && wine "$unpacked/sorting_benchmark.exe" "${run[@]}" --benchmark_out=windows.json >/dev/null 2>&1) ||
        fail "the Windows run failed"
    (cd "$work" && wine "$unpacked/sorting_compare.exe" linux.json windows.json --json=windows_out.json \
        >windows_out.txt) || fail "sorting_compare.exe failed"
    (cd "$work" && "$linux_build/sorting_compare" linux.json windows.json --json=linux_out.json >/dev/null) ||
        fail "the Linux sorting_compare failed"
    grep -q '"sort": "quick"' "$work/windows_out.json" || fail "no benchmark compared: $(head -c 600 "$work/windows_out.txt")"
    grep -A3 '"label": "operating system"' "$work/windows_out.json" | grep -q '"differs": true' ||
        fail "the operating systems are not marked as differing"
    grep -q 'Windows' "$work/windows_out.txt" || fail "the console shows no Windows context"
    # The same rows, p-values and verdicts (ratios come from the platforms'
    # own log and exp, which may differ in the last bit).
    fields='"(sort|shape|n|p|q|verdict)":'
    diff <(tr -d '\r' <"$work/windows_out.json" | grep -E "$fields") <(grep -E "$fields" "$work/linux_out.json") ||
        fail "sorting_compare.exe and the Linux build disagree on the same files"
    ;;
direct)
    # The sources build with one plain compiler call, without CMake.
    mkdir -p "$build_dir/direct"
    (cd "$source_dir" && x86_64-w64-mingw32-g++ -std=c++17 -O2 -static -Wall -Wextra -Wpedantic -Werror -I. \
        sortbench/*.cpp sorting/*.cpp compare/sorts.cpp -o "$build_dir/direct/sortbench.exe")
    ;;
*)
    echo "usage: $0 package|contents|report|launcher|counts|benchmark|compare|broken|runs|direct SOURCE_DIR BUILD_DIR" \
        "[LINUX_BUILD_DIR]" >&2
    exit 2
    ;;
esac
