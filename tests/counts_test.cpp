// The counting build's comparisons and passes where the textbook gives them
// exactly; a comparison or pass counted twice or not at all shows here.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "benchmark.h"
#include "shapes.h"
#include "sorting.h"

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
    Formula fewestComparisons, mostComparisons, passes;
};

const Formula none = [](long long) { return 0LL; };
const Formula lessOne = [](long long n) { return n - 1; };
const Formula pairs = [](long long n) { return n * (n - 1) / 2; };
// Exact at powers of two: the best case, and the worst, of merge sort.
const Formula halfNLgN = [](long long n) { return n * lg(n) / 2; };
const Formula nLgNLessN = [](long long n) { return n * lg(n) - n + 1; };

const CountCase countCases[] = {
    {"insertion ascending", insertionSort, ascending, lessOne, lessOne, none},
    {"insertion descending", insertionSort, descending, pairs, pairs, none},
    {"quick ascending", quickSortArray, ascending, pairs, pairs, none},
    {"quick constant", quickSortArray, constant, pairs, pairs, none},
    {"merge ascending", mergeSortArray, ascending, halfNLgN, halfNLgN, none},
    {"merge random", mergeSortArray, random, halfNLgN, nLgNLessN, none},
    // Passes over all n elements: the largest value, then count, place and
    // copy back, once for counting sort and once per digit for radix sort.
    {"counting", countingSort, descending, none, none, [](long long) { return 4LL; }},
    {"counting below zero", countingSort, belowZero, none, none, [](long long) { return 5LL; }},
    {"radix", radixSort, descending, none, none, [](long long n) { return 1 + 3 * digits(n - 1); }},
    {"radix below zero", radixSort, belowZero, none, none, [](long long n) { return 4 + 3 * digits(n - 1); }},
};

TEST(Counts, MatchTheTextbookExactly) {
    for (const CountCase& c : countCases) {
        for (int n : {1, 2, 64, 1024}) {
            SCOPED_TRACE(std::string(c.name) + ", n " + std::to_string(n));
            std::vector<int> v = makeInput(c.input, n);
            takeOperationCounts();
            c.sort(v.data(), n);
            OperationCounts counts = takeOperationCounts();
            EXPECT_GE(counts.comparisons, c.fewestComparisons(n));
            EXPECT_LE(counts.comparisons, c.mostComparisons(n));
            EXPECT_EQ(counts.passes, c.passes(n));
        }
    }
}

}  // namespace
