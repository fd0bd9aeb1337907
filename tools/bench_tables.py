#!/usr/bin/env python3
"""Prints the comparison tables of docs/comparing.md from the JSON that
sorting_benchmark writes: CPU nanoseconds per element at one size for every
sort and shape, the fitted growth class of every sort and shape, and each
sort's allocations and peak working memory on one shape and size.
With --plot-data DIR it writes instead, for tools/plot_bench.sh, one file
per shape: a row per size, a column per sort, nanoseconds per element.
Usage: tools/bench_tables.py results.json [size [shape]]
       tools/bench_tables.py --plot-data DIR results.json"""
import json
import sys

SORTS = ["insertion", "merge", "quick", "counting", "radix", "std_sort", "std_stable_sort"]
SHAPES = ["random", "random_million", "random_wide", "few_distinct", "ascending", "descending",
          "all_equal", "saws", "pipe_organ", "random_tail"]
SCALE = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
CLASSES = {"N": "N", "NlgN": "N lg N", "N^2": "N²", "N^3": "N³", "lgN": "lg N", "(1)": "1"}

plot_dir = None
if sys.argv[1] == "--plot-data":
    plot_dir = sys.argv[2]
    del sys.argv[1:3]
json_path = sys.argv[1]
size = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
memory_shape = sys.argv[3] if len(sys.argv) > 3 else "random"
runs = json.load(open(json_path))["benchmarks"]
has_median = any(b.get("aggregate_name") == "median" for b in runs)
by_name = {}
for b in runs:
    if b.get("run_type") == "aggregate" and b.get("aggregate_name") not in ("median", "BigO", "RMS"):
        continue
    if has_median and b.get("run_type") == "iteration" and not b.get("error_occurred"):
        continue
    by_name[b["run_name"] if b.get("aggregate_name") == "median" else b["name"]] = b


# CPU time, as the fits use: on a shared machine it leaves out the time
# other processes took. The median where the run had repetitions.
def ns_per_element(b, n):
    return b["cpu_time"] * SCALE[b["time_unit"]] / n


def per_element(sort, shape):
    b = by_name.get("%s/%s/%d" % (sort, shape, size))
    if b is None:
        return "not run"
    if b.get("error_occurred"):
        return "skipped" if b["error_message"].startswith("skipped:") else "ERROR"
    ns = ns_per_element(b, size)
    return "%.3g" % ns if ns < 1000 else "{:,.0f}".format(ns)


if plot_dir is not None:
    for shape in SHAPES:
        points = {}
        for sort in SORTS:
            for name, b in by_name.items():
                parts = name.split("/")
                if parts[:2] == [sort, shape] and len(parts) == 3 and not b.get("error_occurred"):
                    points[(sort, int(parts[2]))] = ns_per_element(b, int(parts[2]))
        with open("%s/%s.dat" % (plot_dir, shape), "w") as out:
            out.write("size " + " ".join(SORTS) + "\n")
            for n in sorted({n for (_, n) in points}):
                out.write("%d %s\n" % (n, " ".join(str(points.get((sort, n), "NaN")) for sort in SORTS)))
    sys.exit(0)


def fitted(sort, shape):
    big_o = by_name.get("%s/%s_BigO" % (sort, shape))
    rms = by_name.get("%s/%s_RMS" % (sort, shape))
    if big_o is None:
        return "–"
    return "%s (%.0f%%)" % (CLASSES.get(big_o["big_o"], big_o["big_o"]), 100 * rms["rms"])


def row(cells):
    return "| " + " | ".join(cells) + " |"


print("CPU nanoseconds per element at %d elements:\n" % size)
print(row(["shape"] + SORTS))
print(row(["---"] * (len(SORTS) + 1)))
for shape in SHAPES:
    print(row(["`%s`" % shape] + [per_element(sort, shape) for sort in SORTS]))

print("\nFitted class (RMS of the fit):\n")
print(row(["shape"] + SORTS))
print(row(["---"] * (len(SORTS) + 1)))
for shape in SHAPES:
    print(row(["`%s`" % shape] + [fitted(sort, shape) for sort in SORTS]))

print("\nAllocations per call and peak working memory at %d elements, `%s`:\n" % (size, memory_shape))
print(row(["sort", "allocations per call", "peak bytes", "peak bytes per element"]))
print(row(["---"] * 4))
for sort in SORTS:
    b = by_name.get("%s/%s/%d" % (sort, memory_shape, size))
    if b is None or "allocs_per_iter" not in b:
        print(row([sort, "–", "–", "–"]))
        continue
    print(row([sort, "{:,.0f}".format(b["allocs_per_iter"]), "{:,}".format(b["max_bytes_used"]),
               "%.2f" % (b["max_bytes_used"] / size)]))
