#include <cmath>
#include <cstdio>

#include "compare/text.h"
#include "sorting_counts/counts.h"

std::string mean(double value) {
    return value == std::floor(value) ? formatted("%.0f", value) : formatted("%.1f", value);
}

namespace {

// A user's sort's comparisons: "not counted" when it used no macro, marked
// "(undercounted)" below lg(n!).
std::string comparisonsText(const Row& r) {
    if (notCounted(r)) return "not counted";
    return mean(r.mean.comparisons) + (undercounted(r) ? " (undercounted)" : "");
}

void printRows(const std::vector<Row>& rows) {
    std::printf("%-15s %-17s %7s %6s %11s %8s %11s %6s %6s %11s %6s %6s %11s %7s  %s\n", "sort", "shape", "n",
                "inputs", "comparisons", "per n", "writes", "allocs", "passes", "inversions", "runs",
                "distinct", "expected", "ratio", "expectation");
    for (const Row& r : rows) {
        std::printf("%-15s %-17s %7d ", sortName(r.sort), shapeName(r.shape).c_str(), r.n);
        if (!r.leftOut.empty()) {
            std::printf("left out: %s\n", r.leftOut.c_str());
            continue;
        }
        std::printf("%6d ", r.inputs);
        const Totals& t = r.mean;
        std::printf("%11s %8.2f %11s %6s %6s %11s %6s %6s ", comparisonsText(r).c_str(), t.comparisons / r.n,
                    countsWrites(r) ? mean(t.writes).c_str() : "-",
                    sortEntry(r.sort).library ? mean(t.allocations).c_str() : "-", mean(t.passes).c_str(),
                    mean(t.inversions).c_str(), mean(t.runs).c_str(), mean(t.distinct).c_str());
        if (hasRatio(r)) {
            std::printf("%11.0f %7.3f  %s\n", t.expected, ratio(r), r.formula.c_str());
        } else {
            std::printf("%11s %7s\n", "-", "-");
        }
    }
}

}  // namespace

void printTable(const Settings& settings, const Results& results) {
    std::printf("Means over the inputs of each size (column inputs), input i built from seed %u + i.\n",
                settings.seed);
    if (settings.exhaustive) {
        std::printf("Exhaustive: every size counted, inversions and runs measured on every input.\n\n");
    } else {
        std::printf(
            "Each sort takes as many inputs as its largest spread at the sizes before needs for a %.2f%%\n"
            "standard error of the mean (at least %d); above %d inversions and runs are measured on the\n"
            "first %d inputs, and a sort stops once its last two local slopes agree within %.2f.\n"
            "--exhaustive counts every size on every input.\n\n",
            100 * targetStandardError, fewestSpreadInputs, stoppingSize, disorderInputs, slopeTolerance);
    }
    printRows(results.rows);
    std::printf(
        "\nratio: measured / expected; comparisons, but passes over all n elements for counting and radix\n"
        "sort, which compare no elements. The random shapes draw values with repeats (0..9999 repeat\n"
        "from n = 1000 on), which formulas for distinct values do not allow for. Writes and allocations\n"
        "are counted for the library's sorts only.\n\n"
        "Growth of comparisons (counting and radix sort: element operations, n per pass plus the\n"
        "counting table's entries); noise: the means' standard error, at least 1%%.\n\n");
    std::printf("%s", growthTable(results.families, "").c_str());
    if (!results.sweep.empty()) {
        std::printf("\nDisorder sweep: nearly_sorted at %d elements.\n\n", sweepSize);
        printRows(results.sweep);
    }
}

namespace {

void printCsvRows(const char* part, const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        const Totals& t = r.mean;
        std::printf("%s,%s,%s,%d,", part, sortName(r.sort), shapeName(r.shape).c_str(), r.n);
        if (!r.leftOut.empty()) {
            std::printf("0,,,,,,,,,,,,,\"%s\"\n", r.leftOut.c_str());
            continue;
        }
        std::printf("%d,%s,%.4f,%s,%s,%s,%s,%s,%s,%s,", r.inputs, comparisonsText(r).c_str(),
                    t.comparisons / r.n, countsWrites(r) ? mean(t.writes).c_str() : "",
                    sortEntry(r.sort).library ? mean(t.allocations).c_str() : "", mean(t.passes).c_str(),
                    mean(t.inversions).c_str(), mean(t.runs).c_str(), mean(t.distinct).c_str(),
                    mean(figureOf(r, t)).c_str());
        if (hasRatio(r)) {
            std::printf("%.1f,%.6f,\"%s\",\n", t.expected, ratio(r), r.formula.c_str());
        } else {
            std::printf(",,,\n");
        }
    }
}

}  // namespace

void printCsv(const Settings&, const Results& results) {
    std::printf(
        "part,sort,shape,n,inputs,comparisons,comparisons_per_n,writes,allocations,passes,inversions,runs,"
        "distinct,"
        "figure,expected,ratio,expectation,left_out\n");
    printCsvRows("counts", results.rows);
    printCsvRows("sweep", results.sweep);
}

namespace {

std::string jsonNumber(double value) { return mean(value); }

void printJsonRows(const std::vector<Row>& rows) {
    const char* separator = "\n";
    for (const Row& r : rows) {
        const Totals& t = r.mean;
        std::printf("%s    {\"sort\": \"%s\", \"shape\": %s, \"n\": %d, ", separator, sortName(r.sort),
                    scriptJsonString(shapeName(r.shape)).c_str(), r.n);
        separator = ",\n";
        if (!r.leftOut.empty()) {
            std::printf("\"left_out\": %s}", scriptJsonString(r.leftOut).c_str());
            continue;
        }
        if (sortEntry(r.sort).user) {
            std::printf("\"user\": true, \"counted\": %s, \"undercounted\": %s, ",
                        notCounted(r) ? "false" : "true", undercounted(r) ? "true" : "false");
        }
        std::printf(
            "\"inputs\": %d, \"comparisons\": %s, \"writes\": %s, \"allocations\": %s, \"passes\": %s, "
            "\"inversions\": %s, \"runs\": %s, \"distinct\": %s, \"figure\": %s, ",
            r.inputs, notCounted(r) ? "null" : jsonNumber(t.comparisons).c_str(),
            countsWrites(r) ? jsonNumber(t.writes).c_str() : "null",
            sortEntry(r.sort).library ? jsonNumber(t.allocations).c_str() : "null",
            jsonNumber(t.passes).c_str(), jsonNumber(t.inversions).c_str(), jsonNumber(t.runs).c_str(),
            jsonNumber(t.distinct).c_str(), jsonNumber(figureOf(r, t)).c_str());
        if (hasRatio(r)) {
            std::printf("\"expected\": %.1f, \"ratio\": %.6f, \"expectation\": %s}", t.expected, ratio(r),
                        scriptJsonString(r.formula).c_str());
        } else {
            std::printf("\"expected\": null, \"ratio\": null, \"expectation\": null}");
        }
    }
    std::printf("\n");
}

}  // namespace

void printJson(const Settings& settings, const Results& results) {
    std::printf("{\n  \"seed\": %u, \"fewest_inputs\": %d, \"command\": %s,\n  \"rows\": [", settings.seed,
                fewestInputsOf(settings), scriptJsonString(settings.commandLine).c_str());
    printJsonRows(results.rows);
    std::printf("  ],\n  \"families\": [");
    const char* separator = "\n";
    for (const FamilyGrowth& family : results.families) {
        const std::string fields = growthJsonFields(family);
        std::printf("%s    {", separator);
        if (fields.find("\"sort\"") == std::string::npos) {
            std::printf("\"sort\": \"%s\", \"shape\": %s, ", sortName(family.sort),
                        scriptJsonString(shapeName(family.shape)).c_str());
        }
        std::printf("\"figure\": \"%s\", %s}",
                    countsPasses(family.sort) ? "element operations" : "comparisons", fields.c_str());
        separator = ",\n";
    }
    std::printf("\n  ],\n  \"sweep\": [");
    printJsonRows(results.sweep);
    std::printf("  ]\n}\n");
}
