#!/usr/bin/env bash
# Sets up every program: installs what they need (tools/setup.sh run),
# builds sortbench (Release) and runs it, its GBK report converted to UTF-8
# line by line so that progress shows as it happens, then builds the two
# comparison tools and names the commands to try next. Where a tool cannot
# be built here (no Google Benchmark, no Chart.js), it says so and why.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh run
build=build/release
# Plain cmake rather than the preset, which needs CMake 3.21: the same
# folder and build type.
configure=$(cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release) || { printf '%s\n' "$configure"; exit 1; }
# sortbench first: the report shows within seconds even where the tools
# take a minute to build.
cmake --build "$build" --target sortbench -j "$(nproc 2>/dev/null || echo 2)"
# iconv alone would hold back every line until the program ends.
"$build/sortbench" | while IFS= read -r line; do printf '%s\n' "$line" | iconv -f GBK -t UTF-8; done

# What the configuration left out, with the package or setting that brings it back.
left_out=$(grep -E 'is not built:|^-- No HTML report' <<<"$configure" | sed 's/^-- /== /' || true)
tools=(sorting_counts)
grep -q 'sorting_benchmark is not built:' <<<"$configure" || tools+=(sorting_benchmark)
echo "== building ${tools[*]} (from scratch about two minutes on 2 cores)"
cmake --build "$build" --target "${tools[@]}" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
[[ -z $left_out ]] || printf '%s\n' "$left_out"
if [[ ${tools[*]} == *sorting_benchmark* ]] && ! grep -q 'No HTML report' <<<"$configure"; then
    echo "next: $build/sorting_benchmark --benchmark_filter=. --benchmark_repetitions=3 --benchmark_min_time=0.02 --sortbench_html=build/matrix.html   # every sort, shape and size as a page (about five minutes of CPU)"
elif [[ ${tools[*]} == *sorting_benchmark* ]]; then
    echo "next: $build/sorting_benchmark --benchmark_filter=. --benchmark_repetitions=3 --benchmark_min_time=0.02   # every sort, shape and size (about five minutes of CPU)"
else
    echo "next: sorting_benchmark is not built here (see above)"
fi
echo "then: $build/sorting_counts   # comparisons, writes and passes against the textbook (one to two minutes)"
