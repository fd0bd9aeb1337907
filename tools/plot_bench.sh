#!/usr/bin/env bash
# Draws one panel per input shape from the JSON that sorting_benchmark
# writes: CPU nanoseconds per element against the number of elements, one
# line per sort; sizes that were skipped or not run are absent. Needs
# python3 (tools/bench_tables.py reads the JSON) and gnuplot
# (apt-get install gnuplot-nox).
# Usage: tools/plot_bench.sh results.json chart.png
set -euo pipefail
json=${1:?usage: $0 results.json chart.png}
png=${2:?usage: $0 results.json chart.png}
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT

# One file per shape, one row per size, one column per sort.
"$(dirname "$0")/bench_tables.py" --plot-data "$data" "$json"

# A sort skipped at every size (counting sort on random_wide) has no points.
gnuplot 2> >(grep -v "no valid points" >&2) <<GP
set terminal pngcairo size 1500,1700 font ",10" noenhanced
sorts = "insertion merge quick counting radix std_sort std_stable_sort"
set output "$png"
set multiplot layout 4,3 title "CPU nanoseconds per element against array size, per input shape (log-log; absent: skipped)" font ",13"
set logscale xy
set xtics ("1k" 1000, "2k" 2000, "5k" 5000, "10k" 10000, "20k" 20000, "50k" 50000, "100k" 100000, "200k" 200000, "500k" 500000, "1M" 1000000)
set format y "%g"
set xrange [700:1400000]
set grid
set xlabel "elements"
set ylabel "ns per element"
set datafile missing "NaN"
set linetype 1 linecolor rgb "#1f77b4"
set linetype 2 linecolor rgb "#ff7f0e"
set linetype 3 linecolor rgb "#2ca02c"
set linetype 4 linecolor rgb "#d62728"
set linetype 5 linecolor rgb "#9467bd"
set linetype 6 linecolor rgb "#555555" dashtype 2
set linetype 7 linecolor rgb "#000000" dashtype 3
set key off
do for [shape in "random random_million random_wide few_distinct ascending descending all_equal saws pipe_organ random_tail"] {
    set title shape
    plot for [c=2:8] "$data/".shape.".dat" using 1:(column(c)) with linespoints linewidth 2 pointtype 7 pointsize 0.6 linetype c-1
}
# The key in a panel of its own.
unset title
unset border
unset tics
unset grid
unset xlabel
unset ylabel
set key center center box spacing 1.5 font ",12"
unset logscale
set xrange [0:1]
set yrange [0:1]
plot for [i=1:7] 2 with linespoints linewidth 2 pointtype 7 linetype i title word(sorts, i)
unset multiplot
GP
echo "wrote $png"
