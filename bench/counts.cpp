#include "counts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "benchmark.h"
#include "disorder.h"
#include "growth.h"
#include "html_report.h"
#include "options.h"
#include "sorting.h"
#include "text.h"

namespace {

long long stdComparisons = 0;

bool countedLess(int a, int b) {
    ++stdComparisons;
    return a < b;
}

void stdSort(int* arr, int n) { std::sort(arr, arr + n, countedLess); }
void stdStableSort(int* arr, int n) { std::stable_sort(arr, arr + n, countedLess); }

const SortFunction sorts[sortIdCount] = {insertionSort, mergeSortArray, quickSortArray, countingSort,
                                         radixSort,     stdSort,        stdStableSort};

bool isLibrarySort(SortId sort) { return sort < librarySortCount; }
// Counting and radix sort compare nothing: their figure is element operations.
bool countsPasses(SortId sort) { return sort == sortCounting || sort == sortRadix; }

// 1-2-5 from 1000 to 1000000: quick sort's count, 1.39 n lg n - 2.85 n, has
// a linear term the fit's constant cannot absorb, and only sizes up to a
// million set N lg N clearly apart from N. Quadratic cases stop earlier at
// the budget.
const int defaultSizes[] = {1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000};

// The seed every run used before it could be chosen, so runs stay comparable.
const std::uint32_t defaultSeed = 20261208;

// Inputs per size: input i is built from seed + i. One quick sort input
// strays from the mean by about 0.65n comparisons, 5% of its count at 1000
// elements, so small sizes take more inputs, as many as 200000 elements
// allow, up to 100; a sort stops taking more once it has made 1e8
// comparisons at the size. At least five each.
const int fewestInputs = 5;
const int mostInputs = 100;
const double elementsPerSize = 200000;
const double comparisonsPerSize = 1e8;

int inputsAt(int n) {
    return static_cast<int>(
        std::max<double>(fewestInputs, std::min<double>(mostInputs, elementsPerSize / n)));
}

// A case is left out at a size where its comparisons per input, estimated
// from the size before as growing as n^2, would pass this: such runs take
// seconds each and say nothing the smaller sizes do not.
const double comparisonBudget = 1e8;

// Without a count at a smaller size the estimate is made from one here.
const int probeSize = 1000;

// The disorder sweep: how cost follows disorder at one size.
const double sweepPercents[] = {0, 0.1, 1, 10, 100};
const int sweepSize = 10000;

int decimalDigits(unsigned v) {
    int d = 0;
    for (; v > 0; v /= 10) ++d;
    return d;
}

// Keys of radix sort's passes: values, or value - min when any is below zero.
unsigned radixSpan(int min, int max) {
    return static_cast<unsigned>(max) - (min < 0 ? static_cast<unsigned>(min) : 0u);
}

bool isRandomShape(ShapeKind kind) {
    return kind == shapeRandom || kind == shapeRandomMillion || kind == shapeRandomWide ||
           kind == shapeRandomMax;
}

// What one input of a case cost, summed over the inputs of a row.
struct Totals {
    double comparisons = 0, writes = 0, allocations = 0, passes = 0, elementOperations = 0;
    double inversions = 0, runs = 0, distinct = 0, expected = 0;
};

struct Row {
    SortId sort;
    Shape shape;
    int n;
    int inputs;
    Totals mean;
    std::vector<double> figures;  // per input: comparisons, or element operations
    std::string formula;          // empty: no textbook figure
    std::string leftOut;          // why the case did not run, or empty
};

double figureOf(const Row& row, const Totals& t) {
    return countsPasses(row.sort) ? t.elementOperations : t.comparisons;
}
double measured(const Row& r) { return countsPasses(r.sort) ? r.mean.passes : r.mean.comparisons; }
bool hasRatio(const Row& r) { return r.leftOut.empty() && !r.formula.empty() && r.mean.expected > 0; }
double ratio(const Row& r) { return measured(r) / r.mean.expected; }

struct Settings {
    std::vector<SortId> sorts;
    std::vector<Shape> shapes;
    std::vector<int> sizes;
    std::uint32_t seed = defaultSeed;
    bool sweep = true;
    enum Format { table, csv, json } format = table;
    std::string htmlPath;
    std::string commandLine;
};

// Runs one sort on one input, checks the result and adds what it cost.
void countOne(SortId sort, const std::vector<int>& input, const std::vector<int>& sorted, Totals& totals,
              double& figure) {
    std::vector<int> v = input;
    const int n = static_cast<int>(v.size());
    takeOperationCounts();
    stdComparisons = 0;
    sorts[sort](v.data(), n);
    const OperationCounts counts = takeOperationCounts();
    if (v != sorted) {
        std::fprintf(stderr, "%s sort, n %d: result differs from std::sort\n", sortNames[sort], n);
        std::exit(1);
    }
    const int min = sorted.front();
    const int max = sorted.back();
    // Element operations: n per pass over the array, plus the counting
    // table's entries (radix sort's has ten per digit pass).
    double table = 0;
    if (sort == sortCounting) table = static_cast<double>(radixSpan(min, max)) + 1;
    if (sort == sortRadix) table = 10.0 * decimalDigits(radixSpan(min, max));
    const Totals one = {static_cast<double>(counts.comparisons + stdComparisons),
                        static_cast<double>(counts.writes), static_cast<double>(counts.allocations),
                        static_cast<double>(counts.passes), static_cast<double>(counts.passes) * n + table};
    figure = countsPasses(sort) ? one.elementOperations : one.comparisons;
    totals.comparisons += one.comparisons;
    totals.writes += one.writes;
    totals.allocations += one.allocations;
    totals.passes += one.passes;
    totals.elementOperations += one.elementOperations;
}

const char* leftOutReason(SortId sort, const Shape& shape) {
    if (sort == sortCounting && shape.kind == shapeRandomWide) return "a table over every int takes 16 GiB";
    return nullptr;
}

// Every sort of the settings on one shape at the given sizes, inputs built
// from seed + i; rows in sort-major order of the sizes.
std::vector<Row> countShape(const Settings& settings, const Shape& shape, const std::vector<int>& sizes) {
    const std::size_t sortCount = settings.sorts.size();
    std::vector<std::vector<Row>> bySort(sortCount);
    // The comparisons per input at the largest size run so far, per sort.
    std::vector<double> lastCount(sortCount, 0);
    std::vector<int> lastSize(sortCount, 0);
    for (std::size_t s = 0; s < sortCount; ++s) {
        const SortId sort = settings.sorts[s];
        if (sizes.front() > probeSize && leftOutReason(sort, shape) == nullptr) {
            const std::vector<int> probe = makeShape(shape, probeSize, settings.seed);
            std::vector<int> sorted = probe;
            std::sort(sorted.begin(), sorted.end());
            Totals totals;
            double figure = 0;
            countOne(sort, probe, sorted, totals, figure);
            lastCount[s] = totals.comparisons;
            lastSize[s] = probeSize;
        }
    }
    for (int n : sizes) {
        std::vector<Row> rows;
        std::vector<bool> runs(sortCount, false);
        for (std::size_t s = 0; s < sortCount; ++s) {
            const SortId sort = settings.sorts[s];
            Row row = {sort, shape, n, 0, Totals(), {}, "", ""};
            if (const char* reason = leftOutReason(sort, shape)) {
                row.leftOut = reason;
            } else if (lastSize[s] > 0 &&
                       quadraticEstimate(lastCount[s], lastSize[s], n) > comparisonBudget) {
                row.leftOut = "quadratic here, over 1e8 comparisons per input";
            } else {
                runs[s] = true;
            }
            rows.push_back(row);
        }
        if (std::find(runs.begin(), runs.end(), true) != runs.end()) {
            for (int i = 0; i < inputsAt(n); ++i) {
                const std::vector<int> input =
                    makeShape(shape, n, settings.seed + static_cast<std::uint32_t>(i));
                std::vector<int> sorted = input;
                std::sort(sorted.begin(), sorted.end());
                const DisorderMeasures measures = measureDisorder(input);
                for (std::size_t s = 0; s < sortCount; ++s) {
                    if (!runs[s]) continue;
                    Row& row = rows[s];
                    if (row.inputs >= fewestInputs && row.mean.comparisons > comparisonsPerSize) continue;
                    double figure = 0;
                    countOne(row.sort, input, sorted, row.mean, figure);
                    row.figures.push_back(figure);
                    row.mean.inversions += static_cast<double>(measures.inversions);
                    row.mean.runs += static_cast<double>(measures.runs);
                    row.mean.distinct += static_cast<double>(measures.distinct);
                    const Expectation expected = textbookCount(row.sort, shape, input);
                    row.mean.expected += expected.value;
                    row.formula = expected.value >= 0 ? expected.formula : "";
                    ++row.inputs;
                }
            }
        }
        for (std::size_t s = 0; s < sortCount; ++s) {
            Row& row = rows[s];
            if (row.inputs > 0) {
                Totals& t = row.mean;
                for (double* field :
                     {&t.comparisons, &t.writes, &t.allocations, &t.passes, &t.elementOperations,
                      &t.inversions, &t.runs, &t.distinct, &t.expected}) {
                    *field /= row.inputs;
                }
                lastCount[s] = t.comparisons;
                lastSize[s] = n;
            }
            bySort[s].push_back(row);
        }
    }
    std::vector<Row> all;
    for (const std::vector<Row>& rows : bySort) all.insert(all.end(), rows.begin(), rows.end());
    return all;
}

// The figure's mean per size, and as the noise the largest relative
// standard error of a mean, at least 1%.
FamilyGrowth growthOf(const std::vector<Row>& rows) {
    GrowthData data;
    double noise = 0.01;
    for (const Row& row : rows) {
        if (row.inputs == 0) continue;
        const double mean = figureOf(row, row.mean);
        if (!(mean > 0)) continue;
        double squares = 0;
        for (double f : row.figures) squares += (f - mean) * (f - mean);
        if (row.inputs > 1) {
            const double standardError = std::sqrt(squares / (row.inputs - 1) / row.inputs);
            noise = std::max(noise, standardError / mean);
        }
        data.sizes.push_back(row.n);
        data.samples.push_back({mean});
    }
    return analyzeFamily(rows.front().sort, rows.front().shape, figureOperations, data, noise);
}

struct Results {
    std::vector<Row> rows;
    std::vector<FamilyGrowth> families;
    std::vector<Row> sweep;
};

Results countAll(const Settings& settings) {
    Results results;
    for (const Shape& shape : settings.shapes) {
        const std::vector<Row> rows = countShape(settings, shape, settings.sizes);
        for (std::size_t first = 0; first < rows.size(); first += settings.sizes.size()) {
            const std::vector<Row> family(
                rows.begin() + static_cast<std::ptrdiff_t>(first),
                rows.begin() + static_cast<std::ptrdiff_t>(first + settings.sizes.size()));
            // A family left out at every size has nothing to fit.
            if (family.front().inputs > 0) results.families.push_back(growthOf(family));
        }
        results.rows.insert(results.rows.end(), rows.begin(), rows.end());
    }
    if (settings.sweep) {
        for (double percent : sweepPercents) {
            const std::vector<Row> rows =
                countShape(settings, Shape{shapeNearlySorted, percent}, {sweepSize});
            results.sweep.insert(results.sweep.end(), rows.begin(), rows.end());
        }
    }
    return results;
}

// Means over the inputs: whole numbers print without decimals.
std::string mean(double value) {
    return value == std::floor(value) ? formatted("%.0f", value) : formatted("%.1f", value);
}

// Writes and allocations of the standard sorts are not counted.
bool countsWrites(const Row& r) { return isLibrarySort(r.sort); }

void printRows(const std::vector<Row>& rows) {
    std::printf("%-15s %-17s %7s %6s %11s %8s %11s %6s %6s %11s %6s %6s %11s %7s  %s\n", "sort", "shape", "n",
                "inputs", "comparisons", "per n", "writes", "allocs", "passes", "inversions", "runs",
                "distinct", "expected", "ratio", "expectation");
    for (const Row& r : rows) {
        std::printf("%-15s %-17s %7d ", sortNames[r.sort], shapeName(r.shape).c_str(), r.n);
        if (!r.leftOut.empty()) {
            std::printf("left out: %s\n", r.leftOut.c_str());
            continue;
        }
        std::printf("%6d ", r.inputs);
        const Totals& t = r.mean;
        std::printf("%11s %8.2f %11s %6s %6s %11s %6s %6s ", mean(t.comparisons).c_str(), t.comparisons / r.n,
                    countsWrites(r) ? mean(t.writes).c_str() : "-",
                    countsWrites(r) ? mean(t.allocations).c_str() : "-", mean(t.passes).c_str(),
                    mean(t.inversions).c_str(), mean(t.runs).c_str(), mean(t.distinct).c_str());
        if (hasRatio(r)) {
            std::printf("%11.0f %7.3f  %s\n", t.expected, ratio(r), r.formula.c_str());
        } else {
            std::printf("%11s %7s\n", "-", "-");
        }
    }
}

void printTable(const Settings& settings, const Results& results) {
    std::printf("Means over the inputs of each size (column inputs), input i built from seed %u + i.\n\n",
                settings.seed);
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

void printCsvRows(const char* part, const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        const Totals& t = r.mean;
        std::printf("%s,%s,%s,%d,", part, sortNames[r.sort], shapeName(r.shape).c_str(), r.n);
        if (!r.leftOut.empty()) {
            std::printf("0,,,,,,,,,,,,,\"%s\"\n", r.leftOut.c_str());
            continue;
        }
        std::printf("%d,%s,%.4f,%s,%s,%s,%s,%s,%s,%s,", r.inputs, mean(t.comparisons).c_str(),
                    t.comparisons / r.n, countsWrites(r) ? mean(t.writes).c_str() : "",
                    countsWrites(r) ? mean(t.allocations).c_str() : "", mean(t.passes).c_str(),
                    mean(t.inversions).c_str(), mean(t.runs).c_str(), mean(t.distinct).c_str(),
                    mean(figureOf(r, t)).c_str());
        if (hasRatio(r)) {
            std::printf("%.1f,%.6f,\"%s\",\n", t.expected, ratio(r), r.formula.c_str());
        } else {
            std::printf(",,,\n");
        }
    }
}

void printCsv(const Settings&, const Results& results) {
    std::printf(
        "part,sort,shape,n,inputs,comparisons,comparisons_per_n,writes,allocations,passes,inversions,runs,"
        "distinct,"
        "figure,expected,ratio,expectation,left_out\n");
    printCsvRows("counts", results.rows);
    printCsvRows("sweep", results.sweep);
}

std::string jsonNumber(double value) { return mean(value); }

void printJsonRows(const std::vector<Row>& rows) {
    const char* separator = "\n";
    for (const Row& r : rows) {
        const Totals& t = r.mean;
        std::printf("%s    {\"sort\": \"%s\", \"shape\": %s, \"n\": %d, ", separator, sortNames[r.sort],
                    scriptJsonString(shapeName(r.shape)).c_str(), r.n);
        separator = ",\n";
        if (!r.leftOut.empty()) {
            std::printf("\"left_out\": %s}", scriptJsonString(r.leftOut).c_str());
            continue;
        }
        std::printf(
            "\"inputs\": %d, \"comparisons\": %s, \"writes\": %s, \"allocations\": %s, \"passes\": %s, "
            "\"inversions\": %s, \"runs\": %s, \"distinct\": %s, \"figure\": %s, ",
            r.inputs, jsonNumber(t.comparisons).c_str(),
            countsWrites(r) ? jsonNumber(t.writes).c_str() : "null",
            countsWrites(r) ? jsonNumber(t.allocations).c_str() : "null", jsonNumber(t.passes).c_str(),
            jsonNumber(t.inversions).c_str(), jsonNumber(t.runs).c_str(), jsonNumber(t.distinct).c_str(),
            jsonNumber(figureOf(r, t)).c_str());
        if (hasRatio(r)) {
            std::printf("\"expected\": %.1f, \"ratio\": %.6f, \"expectation\": %s}", t.expected, ratio(r),
                        scriptJsonString(r.formula).c_str());
        } else {
            std::printf("\"expected\": null, \"ratio\": null, \"expectation\": null}");
        }
    }
    std::printf("\n");
}

void printJson(const Settings& settings, const Results& results) {
    std::printf("{\n  \"seed\": %u, \"fewest_inputs\": %d, \"command\": %s,\n  \"rows\": [", settings.seed,
                fewestInputs, scriptJsonString(settings.commandLine).c_str());
    printJsonRows(results.rows);
    std::printf("  ],\n  \"families\": [");
    const char* separator = "\n";
    for (const FamilyGrowth& family : results.families) {
        const std::string fields = growthJsonFields(family);
        std::printf("%s    {", separator);
        if (fields.find("\"sort\"") == std::string::npos) {
            std::printf("\"sort\": \"%s\", \"shape\": %s, ", sortNames[family.sort],
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

ChartSeries seriesOf(SortId sort, const std::string& label, LineStyle style) {
    return ChartSeries{label, static_cast<int>(sort), style, {}};
}

LineStyle styleOf(SortId sort) { return isLibrarySort(sort) ? lineSolid : lineDashed; }

std::vector<std::pair<std::string, std::string>> detailsOf(const Row& r) {
    return {{"sort", sortNames[r.sort]},
            {"shape", shapeName(r.shape)},
            {"n", std::to_string(r.n)},
            {"comparisons", mean(r.mean.comparisons)},
            {"writes", mean(r.mean.writes)},
            {"allocations", mean(r.mean.allocations)},
            {"inversions", mean(r.mean.inversions)}};
}

Table measuresTable(const std::string& caption, const std::vector<Row>& rows) {
    Table table{caption, {"shape", "n", "inputs", "inversions", "runs", "distinct"}, {}, {}};
    for (const Row& r : rows) {
        if (r.inputs == 0) continue;
        std::vector<std::string> row = {shapeName(r.shape),       std::to_string(r.n),
                                        std::to_string(r.inputs), mean(r.mean.inversions),
                                        mean(r.mean.runs),        mean(r.mean.distinct)};
        if (std::find(table.rows.begin(), table.rows.end(), row) == table.rows.end())
            table.rows.push_back(row);
    }
    return table;
}

Report makeReport(const Settings& settings, const Results& results) {
    Report report;
    report.title = "sorting_counts: operation counts";
    report.context = {{"date", utcDate()},
                      {"seed", std::to_string(settings.seed)},
                      {"inputs per size", "5 to 100, input i from seed + i"},
                      {"command", settings.commandLine}};
    ReportSection counts{"Counts per element", {}, {}, {}};
    counts.paragraphs.push_back(
        "Means over the inputs of each size. Counting and radix sort compare nothing: their line is element "
        "operations (n per pass over the array plus the counting table's entries) per element. Dotted: the "
        "textbook's figure where there is one. Writes are counted for the library's sorts only.");
    for (const Shape& shape : settings.shapes) {
        Chart comparisons{
            "comparisons per element: " + shapeName(shape), "n", "operations / n", true, true, {}};
        Chart writes{"writes per element: " + shapeName(shape), "n", "writes / n", true, true, {}};
        for (SortId sort : settings.sorts) {
            ChartSeries measured = seriesOf(sort, sortNames[sort], styleOf(sort));
            ChartSeries textbook = seriesOf(sort, std::string(sortNames[sort]) + " (textbook)", lineDotted);
            ChartSeries written = seriesOf(sort, sortNames[sort], styleOf(sort));
            for (const Row& r : results.rows) {
                if (r.sort != sort || r.shape != shape || r.inputs == 0) continue;
                const double n = r.n;
                measured.points.push_back({n, figureOf(r, r.mean) / n, detailsOf(r)});
                if (hasRatio(r)) {
                    // Counting and radix sort: the expected passes plus the
                    // table's entries, which the textbook fixes too.
                    const double table = r.mean.elementOperations - r.mean.passes * n;
                    const double expected =
                        countsPasses(sort) ? r.mean.expected + table / n : r.mean.expected / n;
                    textbook.points.push_back({n, expected, {{"formula", r.formula}}});
                }
                if (countsWrites(r)) written.points.push_back({n, r.mean.writes / n, detailsOf(r)});
            }
            if (!measured.points.empty()) comparisons.series.push_back(measured);
            if (!textbook.points.empty()) comparisons.series.push_back(textbook);
            if (!written.points.empty()) writes.series.push_back(written);
        }
        counts.charts.push_back(comparisons);
        counts.charts.push_back(writes);
    }
    counts.tables.push_back(measuresTable("The inputs' measures of disorder (means)", results.rows));
    report.sections.push_back(counts);

    ReportSection growth{"Growth", {}, {}, {}};
    growth.paragraphs.push_back(
        "Classes that fit the counts' means (comparisons; element operations for counting and radix sort), "
        "the leading term's constant beside the textbook's, the textbook's class and the verdict.");
    Table table{"Growth of the counts", growthRowHeader(), {}, {}};
    for (const FamilyGrowth& f : results.families) {
        table.rows.push_back(growthRowCells(f));
        const bool marked = f.verdict == verdictDiffers || f.verdict == verdictNoSingleClass;
        table.marks.push_back(marked ? verdictNames[f.verdict] : "");
    }
    growth.tables.push_back(table);
    report.sections.push_back(growth);

    if (!results.sweep.empty()) {
        ReportSection sweep{"Disorder sweep", {}, {}, {}};
        sweep.paragraphs.push_back(
            "nearly_sorted at 0, 0.1, 1, 10 and 100 percent, " + std::to_string(sweepSize) +
            " elements: insertion sort's work follows n + inversions; this quick sort is "
            "quadratic on sorted input and fine on shuffled input.");
        Chart chart{
            "comparisons per element against inversions", "inversions", "comparisons / n", false, true, {}};
        for (SortId sort : settings.sorts) {
            if (countsPasses(sort)) continue;
            ChartSeries series = seriesOf(sort, sortNames[sort], styleOf(sort));
            for (const Row& r : results.sweep) {
                if (r.sort == sort && r.inputs > 0) {
                    series.points.push_back({r.mean.inversions, r.mean.comparisons / r.n, detailsOf(r)});
                }
            }
            if (!series.points.empty()) chart.series.push_back(series);
        }
        sweep.charts.push_back(chart);
        sweep.tables.push_back(measuresTable("The sweep's inputs (means)", results.sweep));
        report.sections.push_back(sweep);
    }
    return report;
}

// Bytes a run holds at once for one size: the input, its sorted copy, the
// copy being sorted, merge or radix sort's buffer and the two arrays the
// inversion count works in; plus counting sort's table.
double bytesNeeded(const Settings& settings, int n) {
    double bytes = 6.0 * n * sizeof(int);
    if (std::find(settings.sorts.begin(), settings.sorts.end(), sortCounting) != settings.sorts.end()) {
        double table = 0;
        for (const Shape& shape : settings.shapes) {
            if (leftOutReason(sortCounting, shape) != nullptr) continue;
            table = std::max(table,
                             static_cast<double>(radixSpan(shapeMinValue(shape), shapeMaxValue(shape))) + 1);
        }
        bytes += table * sizeof(int);
    }
    return bytes;
}

int refuse(const std::string& message) {
    std::fprintf(stderr, "sorting_counts: %s\n", message.c_str());
    return 2;
}

const char usage[] =
    "usage: sorting_counts [--sorts=LIST] [--shapes=LIST] [--sizes=LIST | --size N] [--seed=N]\n"
    "                      [--csv | --json] [--html=FILE]\n"
    "Counts each sort's comparisons, element writes, allocations and passes on seeded inputs,\n"
    "beside the inputs' inversions, ascending runs and distinct values and the textbook's\n"
    "figures, and fits the counts' growth. Lists are comma-separated. Without --shapes and\n"
    "sizes it also sweeps nearly_sorted from 0 to 100 percent at 10000 elements.\n";

}  // namespace

double harmonic(double n) {
    double h = 0;
    for (double k = n; k >= 1; --k) h += 1 / k;
    return h;
}

double quadraticEstimate(double count, double countSize, double n) {
    const double growth = n / countSize;
    return count * growth * growth;
}

// Counting and radix sort: the passes over all n elements the textbook's
// steps make; the others: comparisons. Values of the random shapes repeat,
// which the formulas for distinct values do not allow for.
Expectation textbookCount(SortId sort, const Shape& shape, const std::vector<int>& input) {
    if (input.empty()) return {-1, ""};
    const double n = static_cast<double>(input.size());
    const double nLgN = n * std::log2(n);
    const bool random = isRandomShape(shape.kind);
    const bool ascending =
        shape.kind == shapeAscending || (shape.kind == shapeNearlySorted && shape.parameter == 0);
    const bool nonDecreasing = ascending || shape.kind == shapeAllEqual;
    const bool oneValue = shape.kind == shapeAllEqual ||
                          (shape.kind == shapeFewDistinctK && shape.parameter == 1) ||
                          (shape.kind == shapeRandomMax && shape.parameter == 0);
    const int min = *std::min_element(input.begin(), input.end());
    const int max = *std::max_element(input.begin(), input.end());
    switch (sort) {
        case sortInsertion:
            if (oneValue || nonDecreasing) return {n - 1, "n-1"};
            if (random) return {n * (n - 1) / 4 + n - harmonic(n), "n(n-1)/4 + n - H(n), distinct values"};
            if (shape.kind == shapeDescending) return {n * (n - 1) / 2, "n(n-1)/2, distinct values"};
            // Each displaced element by d makes about 2d inversions, d about n/3.
            if (shape.kind == shapeNearlySorted)
                return {n + shape.parameter * n * n / 150, "n + P n^2/150, P% displaced by about n/3"};
            break;
        case sortMerge:
            if (nonDecreasing || oneValue) return {nLgN / 2, "(n lg n)/2, lower bound"};
            if (random) return {nLgN - 1.25 * n, "n lg n - 1.25n, average"};
            break;
        case sortQuick:
            if (oneValue) return {n * (n - 1) / 2, "n(n-1)/2"};
            if (random) return {2 * (n + 1) * harmonic(n) - 4 * n, "2(n+1)H(n) - 4n, distinct values"};
            if (ascending || shape.kind == shapeDescending)
                return {n * (n - 1) / 2, "n(n-1)/2, distinct values"};
            break;
        case sortCounting:
            if (min < 0) return {5, "5 passes: max, min, count, place, copy"};
            return {4, "4 passes: max, count, place, copy"};
        case sortRadix: {
            // Below zero the keys are value - min, shifted there and back.
            const int d = decimalDigits(radixSpan(min, max));
            if (min < 0)
                return {4.0 + 3 * d, "4 + 3d passes, d = " + std::to_string(d) + " digits of max - min"};
            return {1.0 + 3 * d, "1 + 3d passes, d = " + std::to_string(d) + " digits of max"};
        }
        default: break;
    }
    return {-1, ""};
}

int countsMain(int argc, char** argv) {
    Settings settings;
    settings.sorts.clear();
    for (int s = 0; s < sortIdCount; ++s) settings.sorts.push_back(SortId(s));
    settings.shapes = plainShapes();
    settings.sizes.assign(std::begin(defaultSizes), std::end(defaultSizes));
    settings.commandLine = "sorting_counts";
    for (int i = 1; i < argc; ++i) settings.commandLine += std::string(" ") + argv[i];
    bool sizesGiven = false;
    std::string sizeOption = "--sizes";
    bool formatGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string value;
        std::string error;
        bool ok = true;
        std::string option;
        if (arg == "--help") {
            std::printf("%s", usage);
            return 0;
        } else if (arg == "--csv" || arg == "--json") {
            if (formatGiven) return refuse(arg + ": choose one of --csv and --json");
            formatGiven = true;
            settings.format = arg == "--csv" ? Settings::csv : Settings::json;
        } else if (takeOption("--sorts", argc, argv, i, value)) {
            option = "--sorts";
            ok = parseSortList(value, settings.sorts, error);
        } else if (takeOption("--shapes", argc, argv, i, value)) {
            option = "--shapes";
            ok = parseShapeList(value, settings.shapes, error);
            settings.sweep = false;
        } else if (takeOption("--sizes", argc, argv, i, value) ||
                   takeOption("--size", argc, argv, i, value)) {
            option = arg.compare(0, 7, "--sizes") == 0 ? "--sizes" : "--size";
            if (sizesGiven) return refuse(option + ": sizes are given twice (--size N is --sizes=N)");
            sizesGiven = true;
            sizeOption = option;
            settings.sweep = false;
            if (option == "--size") {
                std::int64_t n = 0;
                ok = parseCount(value, 1, 2147483647, n, error);
                settings.sizes.assign(1, static_cast<int>(n));
            } else {
                ok = parseSizeList(value, settings.sizes, error);
            }
        } else if (takeOption("--seed", argc, argv, i, value)) {
            option = "--seed";
            ok = parseSeed(value, settings.seed, error);
        } else if (takeOption("--html", argc, argv, i, value)) {
            option = "--html";
            if (!htmlReportAvailable()) {
                ok = false;
                error =
                    "is not available: this build has no HTML report (it needs libjs-chart.js when built)";
            } else if (value.empty()) {
                ok = false;
                error = "needs a file name";
            }
            settings.htmlPath = value;
        } else {
            return refuse("unknown option \"" + arg + "\"; see --help");
        }
        if (!ok) return refuse(option + " " + error);
    }
    const std::uint64_t limit = memoryLimitBytes();
    const int largest = std::max(settings.sizes.back(), settings.sweep ? sweepSize : 0);
    const double needed = bytesNeeded(settings, largest);
    if (needed > static_cast<double>(limit)) {
        // The arrays alone, or counting sort's table for the shapes' values.
        const bool arrays = 6.0 * largest * sizeof(int) > static_cast<double>(limit);
        return refuse((arrays ? sizeOption + ": the arrays need "
                              : std::string("--shapes: counting sort's table and the arrays need ")) +
                      formatBytes(needed) + " at n = " + std::to_string(largest) + ", over the limit of " +
                      formatBytes(static_cast<double>(limit)) + " (a quarter of physical memory)" +
                      (arrays ? "" : "; leave counting out with --sorts"));
    }
    const Results results = countAll(settings);
    if (!settings.htmlPath.empty()) {
        std::string error;
        if (!writeHtmlReport(settings.htmlPath, makeReport(settings, results), error)) {
            std::fprintf(stderr, "sorting_counts: --html %s\n", error.c_str());
            return 1;
        }
    }
    switch (settings.format) {
        case Settings::table: printTable(settings, results); break;
        case Settings::csv: printCsv(settings, results); break;
        case Settings::json: printJson(settings, results); break;
    }
    return 0;
}
