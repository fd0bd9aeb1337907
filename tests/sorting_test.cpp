#include "sorting/sorting.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "compare/alloc_hooks.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "sorting/whole_array.h"
#include "tests/report_format.h"

namespace {

// Every row of the sort table, timed and counting build alike. smallRange
// marks a sort whose memory follows the span of the values, so its extreme
// inputs keep that span small.
struct Entry {
    std::string name;
    SortFunction sort;
    bool smallRange;
};
std::vector<Entry> sortEntries() {
    std::vector<Entry> entries;
    for (SortId s : allSorts()) {
        entries.push_back({sortName(s), sortEntry(s).timed, s == sortCounting});
        entries.push_back({std::string(sortName(s)) + " (counted)", sortEntry(s).counted, s == sortCounting});
    }
    return entries;
}

const int caseLengths[] = {0, 1, 2, 3, 10, 16, 17, 100, 1000};

// Shapes only the tests need, beside the shared ones.
enum EdgeShape { belowZero, extremes, tenDigits, pivotTriples, edgeShapeCount };
const char* const edgeShapeNames[edgeShapeCount] = {"below zero", "extremes", "ten digits", "pivot triples"};

std::vector<int> makeEdgeShape(EdgeShape shape, int length, unsigned seed, bool smallRange) {
    std::mt19937 rng(seed);
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int edges[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
    std::vector<int> v(length);
    for (int i = 0; i < length; ++i) {
        switch (shape) {
            case belowZero: v[i] = uniform(-5000, 4999); break;
            case extremes:
                v[i] = smallRange ? INT_MIN + uniform(0, 2000)
                                  : (i % 2 ? edges[uniform(0, 6)] : uniform(INT_MIN, INT_MAX));
                break;
            case tenDigits:
                v[i] = smallRange ? -1000000000 - uniform(0, 2000) : uniform(1000000000, INT_MAX);
                break;
            // 1 2 0, 4 5 3, ...: every last-element partition leaves two
            // elements on its right, so pending ranges pile up to n / 3.
            case pivotTriples: v[i] = i % 3 == 2 ? i - 2 : i + 1; break;
            case edgeShapeCount: break;
        }
    }
    return v;
}

// Compares element by element with std::sort, so lost or duplicated
// elements show up, not only disorder.
testing::AssertionResult sortsLikeStdSort(SortFunction sort, std::vector<int> input) {
    std::vector<int> expected = input;
    std::sort(expected.begin(), expected.end());
    sort(input.data(), static_cast<int>(input.size()));
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (input[i] != expected[i]) {
            return testing::AssertionFailure()
                   << "first difference at index " << i << ": " << input[i] << " instead of " << expected[i];
        }
    }
    return testing::AssertionSuccess();
}

TEST(Sorts, MatchStdSortOnEveryShapeAndLength) {
    const unsigned seed = processSeed();
    for (const Entry& entry : sortEntries()) {
        for (int length : caseLengths) {
            SCOPED_TRACE(entry.name + " sort, length " + std::to_string(length) +
                         ", SORTBENCH_SEED=" + std::to_string(seed));
            for (const Shape& shape : plainShapes()) {
                // A table over every int would take 16 GiB.
                if (entry.smallRange && shape.kind == shapeRandomWide) continue;
                EXPECT_TRUE(sortsLikeStdSort(entry.sort, makeShape(shape, length, seed))) << shapeName(shape);
            }
            for (int shape = 0; shape < edgeShapeCount; ++shape) {
                EXPECT_TRUE(sortsLikeStdSort(entry.sort,
                                             makeEdgeShape(EdgeShape(shape), length, seed, entry.smallRange)))
                    << edgeShapeNames[shape];
            }
        }
    }
}

// Boundaries of radix sort's pass count and counting sort's table.
TEST(Sorts, MatchStdSortOnEdgeCases) {
    const std::vector<int> cases[] = {
        {0, 0, 0, 0}, {9, 1}, {10, 9, 1}, {9999, 999, 99, 9, 0}, {10000, 9999}, {-1, 0, -1}, {5, -5, -2000},
    };
    for (const Entry& entry : sortEntries()) {
        for (const std::vector<int>& input : cases) {
            EXPECT_TRUE(sortsLikeStdSort(entry.sort, input)) << entry.name << " sort";
        }
        // No count below 1 may read the array.
        entry.sort(nullptr, 0);
        entry.sort(nullptr, -1);
        entry.sort(nullptr, INT_MIN);
    }
    for (const std::vector<int>& input : {std::vector<int>{INT_MAX, 0, 999999999, 1000000000, INT_MAX - 1},
                                          std::vector<int>{INT_MIN, INT_MAX, -1, 0}}) {
        EXPECT_TRUE(sortsLikeStdSort(radixSort, input));
    }
}

// Fails the first, second, ... allocation of a call in turn until a call
// completes: each failure prints the message once, frees what was obtained
// and keeps every element (counting and radix sort touch nothing).
TEST(Sorts, AllocationFailuresKeepEveryElementAndLeakNothing) {
    struct FailureCase {
        const char* name;
        SortFunction sort;
        std::vector<int> input;
        bool untouchedOnFailure;
        bool stopsOnFailure;  // merge sort's other steps go on by design
    };
    const FailureCase failureCases[] = {
        {"merge", mergeSortArray, makeShape({shapeRandom, 0}, 40, 1), false, false},
        {"quick", quickSortArray, makeEdgeShape(pivotTriples, 600, 1, false), false, true},
        {"counting", countingSort, makeShape({shapeRandom, 0}, 40, 1), true, true},
        {"counting below zero", countingSort, makeEdgeShape(belowZero, 40, 1, false), true, true},
        {"radix", radixSort, makeShape({shapeRandom, 0}, 40, 1), true, true},
        {"radix below zero", radixSort, makeEdgeShape(extremes, 40, 1, false), true, true},
    };
    for (const FailureCase& c : failureCases) {
        std::vector<int> expected = c.input;
        std::sort(expected.begin(), expected.end());
        for (int failAt = 1;; ++failAt) {
            SCOPED_TRACE(std::string(c.name) + " sort, allocation " + std::to_string(failAt) + " failing");
            std::vector<int> v = c.input;
            testing::internal::CaptureStdout();
            armAllocations(failAt);
            c.sort(v.data(), static_cast<int>(v.size()));
            disarmAllocations();
            std::string out = testing::internal::GetCapturedStdout();
            EXPECT_EQ(liveAllocations(), 0);
            if (allocationCalls() < failAt) {
                EXPECT_EQ(out, "");
                EXPECT_EQ(v, expected);
                EXPECT_GT(failAt, 1) << "the call allocated nothing";
                break;
            }
            EXPECT_EQ(out, failureLine);
            if (c.stopsOnFailure) {
                EXPECT_EQ(allocationCalls(), failAt) << "allocated again after the failure";
            }
            if (c.untouchedOnFailure) {
                EXPECT_EQ(v, c.input);
            } else {
                std::sort(v.begin(), v.end());
                EXPECT_EQ(v, expected);
            }
        }
    }
}

// Allocations per call: quick sort's range stack takes the heap only past
// 64 pending ranges of two or more elements; the others' buffers.
TEST(Sorts, AllocateOnlyWhatTheyNeed) {
    std::vector<int> swappedPairs(1200);
    for (int i = 0; i < 1200; ++i) swappedPairs[i] = i ^ 1;
    const struct {
        const char* name;
        SortFunction sort;
        std::vector<int> input;
        int allocations;
    } rows[] = {
        {"quick, swapped pairs", quickSortArray, swappedPairs, 0},
        {"quick, random", quickSortArray, makeShape({shapeRandom, 0}, 1000, 1), 0},
        {"insertion", insertionSort, swappedPairs, 0},
        {"merge", mergeSortArray, makeShape({shapeRandom, 0}, 40, 1), 78},
        {"counting", countingSort, swappedPairs, 2},
        {"radix", radixSort, swappedPairs, 1},
    };
    for (const auto& row : rows) {
        std::vector<int> v = row.input;
        armAllocations(0);
        row.sort(v.data(), static_cast<int>(v.size()));
        disarmAllocations();
        EXPECT_EQ(allocationCalls(), row.allocations) << row.name;
        EXPECT_TRUE(std::is_sorted(v.begin(), v.end())) << row.name;
    }
}

// The table must not wrap at max + 1, spans min..max below zero and runs
// from 0 otherwise, however large the smallest value (about 4 GiB here).
TEST(Sorts, CountingSortSizesItsTableWithoutOverflow) {
    struct TableCase {
        std::vector<int> input;
        std::size_t tableBytes;
    };
    const TableCase tableCases[] = {
        {{INT_MAX, 0}, (std::size_t{1} << 31) * sizeof(int)},
        {{INT_MIN, INT_MAX}, (std::size_t{1} << 32) * sizeof(int)},
        {{-3, 3}, 7 * sizeof(int)},
        {{9999, 5}, 10000 * sizeof(int)},
        {{(1 << 30) + 1, 1 << 30}, ((std::size_t{1} << 30) + 2) * sizeof(int)},
    };
    for (const TableCase& c : tableCases) {
        std::vector<int> v = c.input;
        testing::internal::CaptureStdout();
        armAllocations(1);
        countingSort(v.data(), static_cast<int>(v.size()));
        disarmAllocations();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), failureLine);
        EXPECT_EQ(lastRequestedBytes(), c.tableBytes);
        EXPECT_EQ(v, c.input);
    }
}

// Plain recursion nests once per element on these inputs and overflows a
// small stack long before 20000 elements.
void* quickSortOnSmallStack(void* data) {
    std::vector<int>& v = *static_cast<std::vector<int>*>(data);
    quickSortArray(v.data(), static_cast<int>(v.size()));
    return nullptr;
}

TEST(Sorts, QuickSortStackUseDoesNotGrowWithInput) {
    const int length = 20000;
    const std::vector<int> inputs[] = {
        makeShape({shapeAscending, 0}, length, 1), makeShape({shapeDescending, 0}, length, 1),
        makeShape({shapeAllEqual, 0}, length, 1), makeEdgeShape(pivotTriples, length, 1, false)};
    for (std::vector<int> v : inputs) {
        std::vector<int> expected = v;
        std::sort(expected.begin(), expected.end());
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstacksize(&attr, 128 * 1024);
        pthread_t thread;
        ASSERT_EQ(pthread_create(&thread, &attr, quickSortOnSmallStack, &v), 0);
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attr);
        EXPECT_EQ(v, expected);
    }
}

TEST(Helpers, GetMax) {
    const int one[] = {-4};
    const int equal[] = {5, 5, 5};
    const int mixed[] = {INT_MIN, 3, INT_MAX, -1};
    EXPECT_EQ(getMax(one, 1), -4);
    EXPECT_EQ(getMax(equal, 3), 5);
    EXPECT_EQ(getMax(mixed, 4), INT_MAX);
    EXPECT_EQ(getMax(nullptr, 0), INT_MIN);
    // The largest value at every position, among values below zero.
    for (int at = 0; at < 6; ++at) {
        int v[6] = {-7, -7, -7, -7, -7, -7};
        v[at] = -2;
        EXPECT_EQ(getMax(v, 6), -2) << "at " << at;
    }
}

TEST(Helpers, PrintArrayWritesTwoSpacesAfterEachValueAndNoLineEnd) {
    const int values[] = {3, 10};
    testing::internal::CaptureStdout();
    printArray(values, 2);
    printArray(nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "3  10  ");
}

}  // namespace
