// The counting build's comparisons, writes, allocations and passes where the
// textbook gives them exactly; a count made twice or not at all shows here,
// and so do faults of the sorts that leave the result sorted. Also the
// figures sorting_counts prints beside them, its budget and its refusals.
#include "sorting_counts/counts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "compare/alloc_hooks.h"
#include "compare/disorder.h"
#include "compare/growth.h"
#include "compare/shapes.h"
#include "compare/text.h"
#include "sorting/counted.h"

namespace {

enum Input { ascending, descending, constant, random, belowZero };

// Distinct values except for constant and random; belowZero is -1 .. -n.
std::vector<int> makeInput(Input input, int n) {
    std::vector<int> v(static_cast<std::size_t>(n), 7);
    if (input == ascending) std::iota(v.begin(), v.end(), 0);
    if (input == descending) std::iota(v.rbegin(), v.rend(), 0);
    if (input == belowZero) std::iota(v.rbegin(), v.rend(), -n);
    return input == random ? makeShape({shapeRandom, 0}, n, 1) : v;
}

long long lg(long long n) { return n > 1 ? 1 + lg(n / 2) : 0; }
long long digits(long long v) { return v > 0 ? 1 + digits(v / 10) : 0; }

typedef long long (*Formula)(long long n);
struct CountCase {
    const char* name;
    SortFunction sort;
    Input input;
    Formula fewestComparisons, mostComparisons, passes, writes, allocations;
};

const Formula none = [](long long) { return 0LL; };
const Formula lessOne = [](long long n) { return n - 1; };
const Formula pairs = [](long long n) { return n * (n - 1) / 2; };
// Exact at powers of two: the best case, and the worst, of merge sort.
const Formula halfNLgN = [](long long n) { return n * lg(n) / 2; };
const Formula nLgNLessN = [](long long n) { return n * lg(n) - n + 1; };
const Formula twice = [](long long n) { return 2 * n; };
const Formula one = [](long long) { return 1LL; };
const Formula two = [](long long) { return 2LL; };
// Merge sort stores each element twice per level: into its run and back.
const Formula twiceNLgN = [](long long n) { return 2 * n * lg(n); };
const Formula mergeAllocations = [](long long n) { return 2 * (n - 1); };

const CountCase countCases[] = {
    {"insertion ascending", counted::insertionSort, ascending, lessOne, lessOne, none, lessOne, none},
    {"insertion descending", counted::insertionSort, descending, pairs, pairs, none,
     [](long long n) { return n * (n - 1) / 2 + n - 1; }, none},
    // Swaps, two writes each: every element of a range below its pivot
    // swaps with itself on ascending input, the pivot once per range.
    {"quick ascending", counted::quickSortArray, ascending, pairs, pairs, none,
     [](long long n) { return n * (n + 1) - 2; }, none},
    {"quick constant", counted::quickSortArray, constant, pairs, pairs, none,
     [](long long n) { return 2 * (n - 1); }, none},
    {"merge ascending", counted::mergeSortArray, ascending, halfNLgN, halfNLgN, none, twiceNLgN,
     mergeAllocations},
    {"merge random", counted::mergeSortArray, random, halfNLgN, nLgNLessN, none, twiceNLgN, mergeAllocations},
    // Passes over all n elements: the largest value, then count, place and
    // copy back, once for counting sort and once per digit for radix sort;
    // the last two write every element.
    {"counting", counted::countingSort, descending, none, none, [](long long) { return 4LL; }, twice, two},
    {"counting below zero", counted::countingSort, belowZero, none, none, [](long long) { return 5LL; },
     twice, two},
    {"radix", counted::radixSort, descending, none, none, [](long long n) { return 1 + 3 * digits(n - 1); },
     [](long long n) { return 2 * n * digits(n - 1); }, one},
    // Below zero the values are also shifted there and back.
    {"radix below zero", counted::radixSort, belowZero, none, none,
     [](long long n) { return 4 + 3 * digits(n - 1); },
     [](long long n) { return 2 * n * digits(n - 1) + 2 * n; }, one},
};

TEST(Counts, MatchTheTextbookExactly) {
    for (const CountCase& c : countCases) {
        for (int n : {1, 2, 64, 1024}) {
            SCOPED_TRACE(std::string(c.name) + ", n " + std::to_string(n));
            std::vector<int> v = makeInput(c.input, n);
            counted::takeOperationCounts();
            c.sort(v.data(), n);
            counted::OperationCounts counts = counted::takeOperationCounts();
            EXPECT_GE(counts.comparisons, c.fewestComparisons(n));
            EXPECT_LE(counts.comparisons, c.mostComparisons(n));
            EXPECT_EQ(counts.passes, c.passes(n));
            EXPECT_EQ(counts.writes, c.writes(n));
            EXPECT_EQ(counts.allocations, c.allocations(n));
        }
    }
}

// Positions i >= 1 whose value is below every earlier one: there insertion
// sort's inner loop runs off the front instead of ending on a comparison.
long long newMinima(const std::vector<int>& v) {
    long long m = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (v[i] < *std::min_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i))) ++m;
    }
    return m;
}

// The elements merge sort's merges cover, split as counted::mergeSort splits.
long long mergedLength(long long n) {
    return n < 2 ? 0 : mergedLength((n + 1) / 2) + mergedLength(n / 2) + n;
}

// Comparisons merge sort makes when every value is equal: each merge takes
// the whole left run first, one comparison per element of it.
long long mergeLeftRuns(long long n) {
    return n < 2 ? 0 : mergeLeftRuns((n + 1) / 2) + mergeLeftRuns(n / 2) + (n + 1) / 2;
}

counted::OperationCounts countsOf(SortFunction sort, std::vector<int> v) {
    counted::takeOperationCounts();
    sort(v.data(), static_cast<int>(v.size()));
    return counted::takeOperationCounts();
}

// Identities that hold input by input, whatever the order and ties.
TEST(Counts, ExactIdentitiesOverShapesAndSizes) {
    std::vector<Shape> shapes = plainShapes();
    for (Shape extra : {Shape{shapeNearlySorted, 1}, Shape{shapeFewDistinctK, 1}, Shape{shapeFewDistinctK, 3},
                        Shape{shapeRandomMax, 0}, Shape{shapeRuns, 4}}) {
        shapes.push_back(extra);
    }
    for (const Shape& shape : shapes) {
        for (int n : {1, 2, 3, 17, 100, 999}) {
            SCOPED_TRACE(shapeName(shape) + ", n " + std::to_string(n));
            const std::vector<int> v = makeShape(shape, n, 11);
            const long long inversions = countInversions(v);
            const counted::OperationCounts insertion = countsOf(counted::insertionSort, v);
            EXPECT_EQ(insertion.comparisons, inversions + (n - 1) - newMinima(v));
            EXPECT_EQ(insertion.writes, inversions + (n - 1));
            const counted::OperationCounts merge = countsOf(counted::mergeSortArray, v);
            EXPECT_EQ(merge.writes, 2 * mergedLength(n));
            const bool oneValue = countDistinct(v) == 1;
            if (oneValue) {
                EXPECT_EQ(merge.comparisons, mergeLeftRuns(n));
                EXPECT_EQ(countsOf(counted::quickSortArray, v).comparisons,
                          static_cast<long long>(n) * (n - 1) / 2);
            }
            const int max = *std::max_element(v.begin(), v.end());
            // random_wide's values would ask counting sort for gigabytes.
            if (*std::min_element(v.begin(), v.end()) >= 0) {
                if (max < 10000000) {
                    EXPECT_EQ(countsOf(counted::countingSort, v).writes, 2 * n);
                }
                EXPECT_EQ(countsOf(counted::radixSort, v).writes, 2LL * n * digits(max));
            }
        }
    }
}

// Exact counts on inputs with ties, where a sort that treats equal values
// wrongly still sorts but compares more or less.
TEST(Counts, SmallInputsWithTies) {
    struct TieCase {
        const char* name;
        SortFunction sort;
        std::vector<int> input;
        long long comparisons;
    };
    const TieCase tieCases[] = {
        {"insertion, equal", counted::insertionSort, {5, 5, 5, 5}, 3},
        {"insertion, 2 1 2", counted::insertionSort, {2, 1, 2}, 2},
        {"merge, equal, odd n", counted::mergeSortArray, {7, 7, 7}, 3},
        {"merge, equal, n 5", counted::mergeSortArray, {7, 7, 7, 7, 7}, 7},
        {"quick, 2 1 2", counted::quickSortArray, {2, 1, 2}, 2},
    };
    for (const TieCase& c : tieCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(countsOf(c.sort, c.input).comparisons, c.comparisons);
    }
}

// When its range stack cannot grow, quick sort stops: one message, every
// element kept, and fewer comparisons than sorting all of it.
TEST(Counts, QuickSortStopsWhenItsRangeStackCannotGrow) {
    // 1 2 0, 4 5 3, ...: pending ranges pile up to n / 3.
    std::vector<int> input(600);
    for (int i = 0; i < 600; ++i) input[i] = i % 3 == 2 ? i - 2 : i + 1;
    const long long full = countsOf(counted::quickSortArray, input).comparisons;
    std::vector<int> v = input;
    testing::internal::CaptureStdout();
    counted::takeOperationCounts();
    armAllocations(1);
    counted::quickSortArray(v.data(), static_cast<int>(v.size()));
    disarmAllocations();
    const counted::OperationCounts counts = counted::takeOperationCounts();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), counted::allocationFailureMessage);
    EXPECT_EQ(allocationCalls(), 1);
    EXPECT_LT(counts.comparisons, full);
    // Each partition of 0..high compares high elements with its pivot and
    // leaves a two-element range pending; the 65th pending range is the
    // first that needs the heap, and no comparison may follow its failure.
    long long untilFailure = 0;
    for (int k = 0; k <= 64; ++k) untilFailure += 599 - 3 * k;
    EXPECT_EQ(counts.comparisons, untilFailure);
    std::sort(v.begin(), v.end());
    std::sort(input.begin(), input.end());
    EXPECT_EQ(v, input);
}

// The averages sorting_counts prints for distinct values, against every
// permutation of n <= 7; and its pass counts against the digits written out.
TEST(Counts, TextbookFiguresMatchEnumeration) {
    for (SortId sort : {sortInsertion, sortQuick}) {
        for (int n = 1; n <= 7; ++n) {
            SCOPED_TRACE(std::string(sortName(sort)) + ", n " + std::to_string(n));
            std::vector<int> p(static_cast<std::size_t>(n));
            std::iota(p.begin(), p.end(), 0);
            long long total = 0;
            long long permutations = 0;
            do {
                total += countsOf(sort == sortInsertion ? counted::insertionSort : counted::quickSortArray, p)
                             .comparisons;
                ++permutations;
            } while (std::next_permutation(p.begin(), p.end()));
            EXPECT_NEAR(textbookCount(sort, Shape{shapeRandom, 0}, p).value,
                        static_cast<double>(total) / permutations, 1e-9);
        }
    }
    EXPECT_NEAR(harmonic(7), 363.0 / 140, 1e-12);
    const std::vector<std::vector<int>> passCases = {
        {0},        {9, 3},           {10},
        {99999, 5}, {2147483647},     {-1, 0},
        {-5, 3},    {-1000000000, 7}, {-2147483647 - 1, 2147483647}};
    for (const std::vector<int>& input : passCases) {
        SCOPED_TRACE(std::to_string(input.front()) + " .. " + std::to_string(input.back()));
        const long long min = *std::min_element(input.begin(), input.end());
        const long long max = *std::max_element(input.begin(), input.end());
        const long long digitCount = static_cast<long long>(std::to_string(max - std::min(min, 0LL)).size());
        const long long d = max - std::min(min, 0LL) == 0 ? 0 : digitCount;
        const bool below = min < 0;
        EXPECT_EQ(textbookCount(sortRadix, Shape{shapeRandom, 0}, input).value, (below ? 4 : 1) + 3 * d);
        EXPECT_EQ(textbookCount(sortCounting, Shape{shapeRandom, 0}, input).value, below ? 5 : 4);
        if (input.size() > 1 && max - min < 100000000) {
            EXPECT_EQ(countsOf(counted::radixSort, input).passes, (below ? 4 : 1) + 3 * d);
            EXPECT_EQ(countsOf(counted::countingSort, input).passes, below ? 5 : 4);
        }
    }
}

// The bytes a run holds, by hand: six arrays of n ints, and counting
// sort's table for the widest shape it runs on (random: 0..9999).
TEST(Counts, BytesNeededByHand) {
    const struct {
        std::vector<SortId> sorts;
        std::vector<Shape> shapes;
        int n;
        double bytes;
    } rows[] = {
        {{sortInsertion}, {{shapeRandom, 0}}, 1000, 6 * 1000 * 4},
        {{sortCounting}, {{shapeRandom, 0}, {shapeFewDistinct, 0}}, 1000, 6 * 1000 * 4 + 10000 * 4},
        {{sortCounting}, {{shapeRandomWide, 0}}, 1000, 6 * 1000 * 4},
        {{sortRadix}, {{shapeRandomMillion, 0}}, 100, 6 * 100 * 4},
    };
    for (const auto& row : rows) {
        Settings settings;
        settings.sorts = row.sorts;
        settings.shapes = row.shapes;
        EXPECT_EQ(bytesNeeded(settings, row.n), row.bytes) << sortName(row.sorts.front());
    }
}

// The budget follows each case's own growth: a sort that grows as n is not
// estimated as n^2, and one size alone is read as the worst, n^2.
TEST(Counts, BudgetEstimateFollowsLocalGrowth) {
    struct Case {
        std::vector<std::pair<int, double>> counts;
        double n, estimate, exponent;
    } const cases[] = {
        {{{1000, 1000}}, 2000, 4000, 2},
        {{{1000, 1000}, {2000, 2000}}, 1000000, 1e6, 1},                    // linear: insertion on ascending
        {{{500, 1e4}, {1000, 4e4}}, 10000, 4e6, 2},                         // quadratic
        {{{500, 1e4}, {1000, 8e4}}, 2000, 3.2e5, 2},                        // steeper: capped at n^2
        {{{1000, 1e4}, {2000, 2.2e4}}, 4000, 2.2e4 * 2.2, std::log2(2.2)},  // local exponent
    };
    for (const Case& c : cases) {
        double exponent = 0;
        EXPECT_NEAR(growthEstimate(c.counts, c.n, exponent), c.estimate, c.estimate * 1e-9) << c.n;
        EXPECT_NEAR(exponent, c.exponent, 1e-9) << c.n;
    }
}

// The stopping rule on count series: stopped when the last two local
// slopes agree within 0.05, whatever the class; never on a series still
// bending, on a noisy one, or on fewer than three sizes.
TEST(Counts, StoppingRuleOnCountSeries) {
    auto series = [](double (*f)(double), std::vector<int> sizes) {
        std::vector<std::pair<int, double>> counts;
        for (int n : sizes) counts.push_back({n, f(n)});
        return counts;
    };
    const std::vector<int> sizes = {50000, 100000, 200000};
    const struct {
        const char* what;
        std::vector<std::pair<int, double>> counts;
        bool settled;
    } rows[] = {
        {"linear", series([](double n) { return 2 * n; }, sizes), true},
        {"n lg n", series([](double n) { return 1.39 * n * std::log2(n) - 2.85 * n; }, sizes), true},
        {"quadratic", series([](double n) { return n * n / 4; }, sizes), true},
        // n + n^2/1e6 bends from slope 1.07 to 1.13.
        {"bending", series([](double n) { return n + n * n / 1e6; }, sizes), false},
        {"noisy", {{50000, 1e6}, {100000, 2.3e6}, {200000, 4.2e6}}, false},
        {"two sizes", {{100000, 2e5}, {200000, 4e5}}, false},
        {"zero count", {{50000, 0}, {100000, 0}, {200000, 0}}, false},
        // Slopes 1.00 and 1.049: within the tolerance.
        {"just within", {{50000, 5e4}, {100000, 1e5}, {200000, 2e5 * std::pow(2.0, 0.049)}}, true},
        {"just past", {{50000, 5e4}, {100000, 1e5}, {200000, 2e5 * std::pow(2.0, 0.051)}}, false},
    };
    for (const auto& row : rows) {
        std::string reason;
        EXPECT_EQ(slopesSettled(row.counts, reason), row.settled) << row.what;
        EXPECT_EQ(reason.empty(), !row.settled) << row.what << ": " << reason;
    }
    std::string reason;
    ASSERT_TRUE(slopesSettled(rows[0].counts, reason));
    EXPECT_EQ(reason,
              "stopped: local slopes 1.000 (50000 to 100000) and 1.000 (to 200000) agree within 0.05; "
              "--exhaustive counts it");
}

// Inputs per size from a known spread: (spread / 0.25%)^2, at least 2, at
// most what the exhaustive run takes; all of them when nothing is known.
TEST(Counts, InputsFromTheSpread) {
    const struct {
        double spread;
        int most, inputs;
    } rows[] = {
        {0, 5, 2},         {0.0001, 5, 2},  {0.005, 5, 4}, {0.005, 100, 4},      {0.01, 100, 16},
        {0.0101, 100, 17}, {0.1, 100, 100}, {0.29, 5, 5},  {std::nan(""), 5, 5}, {0.005, 3, 3},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(inputsForSpread(row.spread, row.most), row.inputs) << row.spread << " " << row.most;
    }
}

}  // namespace

namespace {

// Comparisons (counting sort: element operations) of three seeded inputs
// per size, as sorting_counts counts them.
GrowthData countedGrowth(SortId sort, const Shape& shape, const std::vector<double>& sizes) {
    GrowthData data = {sizes, {}};
    for (double size : sizes) {
        data.samples.emplace_back();
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            std::vector<int> v = makeShape(shape, static_cast<int>(size), seed);
            // A full-range shape spans more than an int holds.
            const double span = double(*std::max_element(v.begin(), v.end())) -
                                double(*std::min_element(v.begin(), v.end())) + 1;
            takeCounts();
            sortEntry(sort).counted(v.data(), static_cast<int>(v.size()));
            const counted::OperationCounts counts = takeCounts();
            data.samples.back().push_back(sort == sortCounting
                                              ? static_cast<double>(counts.passes) * size + span
                                              : static_cast<double>(counts.comparisons));
        }
    }
    return data;
}

std::vector<double> doublings(double least, double most) {
    std::vector<double> sizes;
    for (double n = least; n <= most; n *= 2) sizes.push_back(n);
    return sizes;
}

}  // namespace

// The leading constants the counts give, against the textbook's: a wrong
// constant in the table, or a sort that counts twice, shows here.
TEST(Counts, LeadingConstantsAgainstTheTextbook) {
    struct Case {
        SortId sort;
        Shape shape;
        double most;
        GrowthTerm leading;
        double expected;   // the textbook's constant
        double tolerance;  // relative
    };
    const Case cases[] = {
        {sortMerge, {shapeRandomWide, 0}, 256000, termNLgN, 1, 0.02},
        {sortQuick, {shapeRandomWide, 0}, 256000, termNLgN, 2 * std::log(2.0), 0.03},
        {sortInsertion, {shapeRandomWide, 0}, 8000, termN2, 0.25, 0.01},
        {sortInsertion, {shapeRandom, 0}, 8000, termN2, 0.25 * (1 - 1e-4), 0.01},
        {sortInsertion, {shapeDescending, 0}, 8000, termN2, 0.5 * (1 - 1e-4), 0.01},
        // Swaps that cross cancel some inversions: P n^2/150 holds for small P.
        {sortInsertion, {shapeNearlySorted, 0.1}, 64000, termN2, 0.1 / 150, 0.05},
        {sortMerge, {shapeAscending, 0}, 256000, termNLgN, 0.5, 0.05},
        {sortMerge, {shapeDescending, 0}, 256000, termNLgN, 0.5, 0.05},
        {sortQuick, {shapeAllEqual, 0}, 8000, termN2, 0.5, 0.01},
        {sortQuick, {shapeFewDistinct, 0}, 64000, termN2, 1.0 / 40, 0.05},
        {sortCounting, {shapeRandom, 0}, 256000, termN, 4, 0.01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sortName(c.sort)) + " on " + shapeName(c.shape));
        const TextbookTerms textbook = textbookTerms(c.sort, c.shape);
        ASSERT_TRUE(textbook.known);
        EXPECT_EQ(textbook.terms[0].term, c.leading);
        EXPECT_NEAR(textbook.terms[0].constant, c.expected, 1e-9 + 1e-6 * c.expected);
        const FamilyGrowth family = analyzeFamily(
            c.sort, c.shape, figureOperations, countedGrowth(c.sort, c.shape, doublings(1000, c.most)), 0.01);
        ASSERT_FALSE(family.terms.empty());
        EXPECT_EQ(family.terms[0].term, c.leading);
        EXPECT_NEAR(family.terms[0].constant, c.expected, c.tolerance * c.expected);
    }
}

// Every textbook entry against the counts on its shape: where it names a
// class, the counts must not contradict it (differs); where it names none,
// it says why.
TEST(Counts, EveryTextbookEntryAgainstTheCounts) {
    std::vector<Shape> shapes = plainShapes();
    for (const Shape& extra : {Shape{shapeNearlySorted, 1}, Shape{shapeFewDistinctK, 2},
                               Shape{shapeRandomMax, 99}, Shape{shapeRuns, 4}, Shape{shapeRuns, 1}}) {
        shapes.push_back(extra);
    }
    for (SortId sort : allSorts()) {
        if (sort == sortRadix) continue;  // its passes: MatchTheTextbookExactly
        for (const Shape& shape : shapes) {
            if (sort == sortCounting && shape.kind == shapeRandomWide) continue;
            SCOPED_TRACE(std::string(sortName(sort)) + " on " + shapeName(shape));
            const bool quadratic = sort == sortInsertion || sort == sortQuick;
            const FamilyGrowth family =
                analyzeFamily(sort, shape, figureOperations,
                              countedGrowth(sort, shape, doublings(1000, quadratic ? 8000 : 64000)), 0.01);
            EXPECT_FALSE(family.textbook.reason.empty());
            EXPECT_NE(family.verdict, verdictDiffers) << growthRowCells(family)[4];
            // The leading term fitted is the textbook's, unless the sizes
            // cannot identify it and the row says so.
            if (family.textbookTerms.known && !family.terms.empty()) {
                const GrowthTerm leading = family.textbookTerms.terms[0].term;
                if (family.termsLeftOut.find(growthTermNames[leading]) == std::string::npos) {
                    EXPECT_EQ(family.terms[0].term, leading);
                }
            }
        }
    }
}

// One textbook: on every sort and shape the per-input figures, the growth
// rows' class and terms, and the counts agree.
TEST(Counts, OneTextbookForEveryRow) {
    std::vector<Shape> shapes = plainShapes();
    for (const Shape& extra :
         {Shape{shapeNearlySorted, 1}, Shape{shapeNearlySorted, 10}, Shape{shapeFewDistinctK, 2},
          Shape{shapeRandomMax, 99}, Shape{shapeRuns, 4}, Shape{shapeRuns, 1}}) {
        shapes.push_back(extra);
    }
    // Sorted input and one value: n - 1 comparisons, on every such shape.
    for (const Shape& shape : {Shape{shapeAscending, 0}, Shape{shapeAllEqual, 0}, Shape{shapeRuns, 1},
                               Shape{shapeNearlySorted, 0}, Shape{shapeFewDistinctK, 1}}) {
        EXPECT_EQ(textbookCount(sortInsertion, shape, makeShape(shape, 1000, 1)).value, 999)
            << shapeName(shape);
        EXPECT_TRUE(textbookTerms(sortInsertion, shape).known) << shapeName(shape);
    }
    const std::vector<double> sizes = doublings(1000, 8000);
    for (SortId sort : allSorts()) {
        if (sortEntry(sort).user) continue;
        for (const Shape& shape : shapes) {
            // Its table of 2^32 counters is never built here.
            if (sort == sortCounting && shape.kind == shapeRandomWide) continue;
            SCOPED_TRACE(std::string(sortName(sort)) + " on " + shapeName(shape));
            const GrowthData counted = countedGrowth(sort, shape, sizes);
            GrowthData perInput = {sizes, {}};
            bool known = true;
            for (std::size_t i = 0; i < sizes.size(); ++i) {
                perInput.samples.emplace_back();
                for (std::uint32_t seed = 1; seed <= 3; ++seed) {
                    const std::vector<int> v = makeShape(shape, static_cast<int>(sizes[i]), seed);
                    const Expectation e = textbookCount(sort, shape, v);
                    known = known && e.value >= 0;
                    // A full-range shape spans more than an int holds.
                    const double span = double(*std::max_element(v.begin(), v.end())) -
                                        double(*std::min_element(v.begin(), v.end())) + 1;
                    perInput.samples.back().push_back(countsPasses(sort) ? e.value * sizes[i] + span
                                                                         : e.value);
                }
            }
            if (!known) continue;
            // The per-input figure against the counts at the largest size
            // (radix sort's passes: MatchTheTextbookExactly). Within 25%:
            // crossing swaps of nearly_sorted:P cancel up to a fifth here.
            const double figure = median(perInput.samples.back()), count = median(counted.samples.back());
            if (sort != sortRadix) {
                EXPECT_NEAR(figure / count, 1, 0.25) << figure << " against " << count;
            }
            // The per-input figures grow as the growth row says.
            const FamilyGrowth family = analyzeFamily(sort, shape, figureOperations, perInput, 0.01);
            EXPECT_NE(family.verdict, verdictDiffers) << growthRowCells(family)[4];
            // And the terms say the same at the largest size, where the textbook has them.
            const TextbookTerms terms = textbookTerms(sort, shape);
            if (terms.known && sizes.back() >= terms.from) {
                double value = 0;
                const double n = sizes.back();
                for (const TermConstant& t : terms.terms) {
                    value += t.constant * (t.term == termN2     ? n * n
                                           : t.term == termNLgN ? n * std::log2(n)
                                           : t.term == termN    ? n
                                                                : 1);
                }
                EXPECT_NEAR(value / figure, 1, 0.02) << terms.text;
            }
        }
    }
}
