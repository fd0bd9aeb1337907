#!/usr/bin/env bash
# Shows whether the sorts' speed depends on where the linker places the
# library: builds sorting_benchmark with the library's code shifted by 0, 16,
# 32 and 48 bytes, with and without 64-byte code alignment, and times every
# build round by round (interleaved, so that drift of the machine hits all
# builds alike). Prints the median time of each sort per build.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-3}
filter='^(insertion/random/50000|(merge|quick|counting|radix)/random/200000)$'
out=build/placement
dirs=()
for align in ON OFF; do
    for shift in 0 16 32 48; do
        dir=$out/align-$align-shift-$shift
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSORTBENCH_TESTS=OFF \
            -DSORTBENCH_ALIGN_CODE="$align" -DSORTBENCH_CODE_SHIFT="$shift" >/dev/null
        cmake --build "$dir" --target sorting_benchmark -j "$(nproc)" >/dev/null
        rm -f "$dir"/round-*.json
        dirs+=("$dir")
    done
done
for ((r = 1; r <= rounds; r++)); do
    for dir in "${dirs[@]}"; do
        "$dir/sorting_benchmark" --benchmark_filter="$filter" --benchmark_repetitions=3 \
            --benchmark_min_time=0.2 --benchmark_out="$dir/round-$r.json" --benchmark_out_format=json >/dev/null 2>&1
    done
done
python3 - "${dirs[@]}" <<'PY'
import glob, json, statistics, subprocess, sys
sorts = ["insertion/random/50000", "merge/random/200000", "quick/random/200000", "counting/random/200000",
         "radix/random/200000"]
print("%-20s %-17s" % ("build", "insertionSort at") + "".join("%24s" % s for s in sorts))
for d in sys.argv[1:]:
    times = {s: [] for s in sorts}
    for f in glob.glob(d + "/round-*.json"):
        for b in json.load(open(f))["benchmarks"]:
            if b.get("run_type") == "iteration":
                for s in sorts:
                    if b["name"] == s:
                        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1e3}[b["time_unit"]]
                        times[s].append(b["real_time"] * scale)
    nm = subprocess.run(["nm", d + "/sorting_benchmark"], capture_output=True, text=True).stdout
    addr = next(l.split()[0] for l in nm.splitlines() if l.endswith(" _Z13insertionSortPii"))
    row = "%-20s %-17s" % (d.split("/")[-1], "0x" + addr.lstrip("0"))
    for s in sorts:
        row += "%24s" % ("%.3f ms ±%.1f%%" % (statistics.median(times[s]),
                          100 * (max(times[s]) - min(times[s])) / 2 / statistics.median(times[s])))
    print(row)
PY
