#!/usr/bin/env bash
# Draws a log-log chart of time against size for every sort from the JSON
# that sorting_benchmark writes. Needs gnuplot (apt-get install gnuplot-nox).
# Usage: tools/plot_bench.sh results.json chart.png
set -euo pipefail
json=${1:?usage: $0 results.json chart.png}
png=${2:?usage: $0 results.json chart.png}
data=$(mktemp)
trap 'rm -f "$data"' EXIT

# One row per size, one column per sort: the median where the run had
# repetitions, else the single measurement.
python3 - "$json" >"$data" <<'PY'
import json, sys
sorts = ["insertion", "merge", "quick", "counting", "radix"]
runs = json.load(open(sys.argv[1]))["benchmarks"]
has_median = any(b.get("aggregate_name") == "median" for b in runs)
times = {}
for b in runs:
    parts = b["name"].split("/")
    if len(parts) < 3 or not parts[2].isdigit() or parts[1] not in sorts:
        continue
    if (b.get("aggregate_name") == "median") if has_median else (b.get("run_type") == "iteration"):
        times[(parts[1], int(parts[2]))] = b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1e3}[b["time_unit"]]
print("size " + " ".join(sorts))
for n in sorted({n for _, n in times}):
    print(n, " ".join(str(times.get((s, n), "NaN")) for s in sorts))
PY

gnuplot <<GP
set terminal pngcairo size 900,600 font ",11"
set output "$png"
set title "Sorting time against array size (values 0..9999)"
set xlabel "elements"
set ylabel "time per sort (ms)"
set logscale xy
set format y "%g"
set xrange [7000:300000]
set xtics ("10000" 10000, "50000" 50000, "200000" 200000)
set key top left
set grid
set linetype 5 linecolor rgb "#b8860b"
plot for [c=2:6] "$data" using 1:c with linespoints linewidth 2 pointtype 7 title columnheader(c)
GP
echo "wrote $png"
