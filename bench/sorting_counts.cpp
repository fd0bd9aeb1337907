// Operation counts of every sort on every input shape beside the textbook's
// figures: element comparisons, and for counting and radix sort the passes
// over all n elements. Linked to the library's counting build.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchmark.h"
#include "shapes.h"
#include "sorting.h"

namespace {

long long stdComparisons = 0;

bool countedLess(int a, int b) {
    ++stdComparisons;
    return a < b;
}

void stdSort(int* arr, int n) { std::sort(arr, arr + n, countedLess); }
void stdStableSort(int* arr, int n) { std::stable_sort(arr, arr + n, countedLess); }

enum SortKind { insertion, merge, quick, counting, radix, stdSortKind, stdStableSortKind, sortKindCount };
const char* const sortNames[sortKindCount] = {"insertion", "merge",     "quick",           "counting",
                                              "radix",     "std::sort", "std::stable_sort"};
const SortFunction sorts[sortKindCount] = {insertionSort, mergeSortArray, quickSortArray, countingSort,
                                           radixSort,     stdSort,        stdStableSort};

const int sizes[] = {1000, 10000, 100000};

// Fixed, so that every run prints the same counts.
const std::uint32_t seed = 20261208;

// A case is left out at a size where its count at the previous size, grown
// as n^2, would pass this: such runs take seconds each and say nothing new.
const double comparisonBudget = 5e8;

struct Expectation {
    double value;  // below 0: the textbook gives none for this shape
    std::string formula;
};

int decimalDigits(unsigned v) {
    int d = 0;
    for (; v > 0; v /= 10) ++d;
    return d;
}

double harmonic(double n) {
    double h = 0;
    for (double k = n; k >= 1; --k) h += 1 / k;
    return h;
}

// Counting and radix sort: the passes over all n elements the textbook's
// steps make; the others: comparisons. Values of the random shapes repeat,
// which the formulas for distinct values do not allow for.
Expectation expectation(SortKind sort, ShapeKind shape, const std::vector<int>& input) {
    const double n = static_cast<double>(input.size());
    const double nLgN = n * std::log2(n);
    const bool random = shape == shapeRandom || shape == shapeRandomMillion || shape == shapeRandomWide;
    const bool nonDecreasing = shape == shapeAscending || shape == shapeAllEqual;
    const int min = *std::min_element(input.begin(), input.end());
    const int max = *std::max_element(input.begin(), input.end());
    switch (sort) {
        case insertion:
            if (random) return {n * (n - 1) / 4, "n(n-1)/4, distinct values"};
            if (nonDecreasing) return {n - 1, "n-1"};
            if (shape == shapeDescending) return {n * (n - 1) / 2, "n(n-1)/2, distinct values"};
            break;
        case merge:
            if (random) return {nLgN - 1.25 * n, "n lg n - 1.25n, average"};
            if (nonDecreasing) return {nLgN / 2, "(n lg n)/2, lower bound"};
            break;
        case quick:
            if (random) return {2 * (n + 1) * harmonic(n) - 4 * n, "2(n+1)H(n) - 4n, distinct values"};
            if (shape == shapeAllEqual) return {n * (n - 1) / 2, "n(n-1)/2"};
            if (shape == shapeAscending || shape == shapeDescending) {
                return {n * (n - 1) / 2, "n(n-1)/2, distinct values"};
            }
            break;
        case counting:
            if (min < 0) return {5, "5 passes: max, min, count, place, copy"};
            return {4, "4 passes: max, count, place, copy"};
        case radix: {
            // Below zero the keys are value - min, shifted there and back.
            const unsigned span = static_cast<unsigned>(max) - (min < 0 ? static_cast<unsigned>(min) : 0u);
            const int d = decimalDigits(span);
            if (min < 0)
                return {4.0 + 3 * d, "4 + 3d passes, d = " + std::to_string(d) + " digits of max - min"};
            return {1.0 + 3 * d, "1 + 3d passes, d = " + std::to_string(d) + " digits of max"};
        }
        default: break;
    }
    return {-1, ""};
}

struct Row {
    SortKind sort;
    ShapeKind shape;
    int n;
    long long comparisons;
    long long passes;
    Expectation expected;
    const char* leftOut;  // why the case did not run, or null
};

// What the expectation is about: passes for counting and radix sort.
long long measured(const Row& r) { return r.sort == counting || r.sort == radix ? r.passes : r.comparisons; }

double ratio(const Row& r) { return static_cast<double>(measured(r)) / r.expected.value; }

bool hasRatio(const Row& r) { return r.leftOut == nullptr && r.expected.value > 0; }

Row runCase(SortKind sort, ShapeKind shape, int n) {
    Row row = {sort, shape, n, 0, 0, {-1, ""}, nullptr};
    std::vector<int> v = makeShape(Shape{shape, 0}, n, seed);
    std::vector<int> expected = v;
    std::sort(expected.begin(), expected.end());
    row.expected = expectation(sort, shape, v);
    takeOperationCounts();
    stdComparisons = 0;
    sorts[sort](v.data(), n);
    OperationCounts counts = takeOperationCounts();
    if (v != expected) {
        std::fprintf(stderr, "%s sort of %s, n %d: result differs from std::sort\n", sortNames[sort],
                     shapeName(Shape{shape, 0}).c_str(), n);
        std::exit(1);
    }
    row.comparisons = counts.comparisons + stdComparisons;
    row.passes = counts.passes;
    return row;
}

std::vector<Row> countAll(const std::vector<int>& sizeList) {
    std::vector<Row> rows;
    for (int sort = 0; sort < sortKindCount; ++sort) {
        for (int shape = 0; shape < plainShapeCount; ++shape) {
            Row row = {SortKind(sort), ShapeKind(shape), 0, 0, 0, {-1, ""}, nullptr};
            if (sort == counting && shape == shapeRandomWide) {
                row.leftOut = "a table over every int takes 16 GiB";
                for (int n : sizeList) {
                    row.n = n;
                    rows.push_back(row);
                }
                continue;
            }
            // The growth estimate needs a count at a smaller size.
            Row previous = runCase(SortKind(sort), ShapeKind(shape), std::min(sizes[0], sizeList[0]));
            for (int n : sizeList) {
                const double growth = static_cast<double>(n) / previous.n;
                if (static_cast<double>(previous.comparisons) * growth * growth > comparisonBudget) {
                    row.n = n;
                    row.leftOut = "quadratic here, over 5e8 comparisons";
                    rows.push_back(row);
                } else {
                    previous = previous.n == n ? previous : runCase(SortKind(sort), ShapeKind(shape), n);
                    rows.push_back(previous);
                }
            }
        }
    }
    return rows;
}

void printTable(const std::vector<Row>& rows) {
    std::printf("%-16s %-14s %7s %12s %9s %6s %14s %8s  %s\n", "sort", "shape", "n", "comparisons", "per n",
                "passes", "expected", "ratio", "expectation");
    for (const Row& r : rows) {
        std::printf("%-16s %-14s %7d ", sortNames[r.sort], shapeName(Shape{r.shape, 0}).c_str(), r.n);
        if (r.leftOut != nullptr) {
            std::printf("left out: %s\n", r.leftOut);
            continue;
        }
        std::printf("%12lld %9.2f %6lld ", r.comparisons, static_cast<double>(r.comparisons) / r.n, r.passes);
        if (hasRatio(r)) {
            std::printf("%14.0f %8.3f  %s\n", r.expected.value, ratio(r), r.expected.formula.c_str());
        } else {
            std::printf("%14s %8s\n", "-", "-");
        }
    }
    std::printf(
        "\nratio: measured / expected; comparisons, but passes over all n elements for counting and radix\n"
        "sort, which compare no elements. The random shapes draw values with repeats (0..9999 repeat\n"
        "from n = 1000 on), which formulas for distinct values do not allow for.\n");
}

void printCsv(const std::vector<Row>& rows) {
    std::printf("sort,shape,n,comparisons,comparisons_per_n,passes,expected,ratio,expectation\n");
    for (const Row& r : rows) {
        if (r.leftOut != nullptr) continue;
        std::printf("%s,%s,%d,%lld,%.4f,%lld,", sortNames[r.sort], shapeName(Shape{r.shape, 0}).c_str(), r.n,
                    r.comparisons, static_cast<double>(r.comparisons) / r.n, r.passes);
        if (hasRatio(r)) {
            std::printf("%.1f,%.6f,\"%s\"\n", r.expected.value, ratio(r), r.expected.formula.c_str());
        } else {
            std::printf(",,\n");
        }
    }
}

void printJson(const std::vector<Row>& rows) {
    std::printf("[");
    const char* separator = "\n";
    for (const Row& r : rows) {
        if (r.leftOut != nullptr) continue;
        std::printf(
            "%s  {\"sort\": \"%s\", \"shape\": \"%s\", \"n\": %d, \"comparisons\": %lld, \"passes\": %lld, ",
            separator, sortNames[r.sort], shapeName(Shape{r.shape, 0}).c_str(), r.n, r.comparisons, r.passes);
        if (hasRatio(r)) {
            std::printf("\"expected\": %.1f, \"ratio\": %.6f, \"expectation\": \"%s\"}", r.expected.value,
                        ratio(r), r.expected.formula.c_str());
        } else {
            std::printf("\"expected\": null, \"ratio\": null, \"expectation\": null}");
        }
        separator = ",\n";
    }
    std::printf("\n]\n");
}

}  // namespace

int main(int argc, char** argv) {
    void (*print)(const std::vector<Row>&) = printTable;
    std::vector<int> sizeList(std::begin(sizes), std::end(sizes));
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--csv") == 0) {
            print = printCsv;
        } else if (std::strcmp(argv[i], "--json") == 0) {
            print = printJson;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            sizeList.assign(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                         "usage: %s [--csv | --json] [--size N]\n"
                         "Counts every sort's comparisons (passes for counting and radix sort) on every\n"
                         "input shape at n = 1000, 10000 and 100000, or at N only.\n",
                         argv[0]);
            return 2;
        }
    }
    print(countAll(sizeList));
    return 0;
}
