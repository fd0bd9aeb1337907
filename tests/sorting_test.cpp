#include "sorting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

// Every entry under test; smallRange marks sorts whose memory follows the
// span of the values, so their extreme inputs keep that span small.
struct SortEntry {
    const char* name;
    SortFunction sort;
    bool smallRange;
};
const SortEntry sortEntries[] = {
    {"insertion", insertionSort, false},
};

const int caseLengths[] = {0, 1, 2, 3, 10, 16, 17, 100, 1000};

enum Shape {
    randomSmall,
    sorted,
    reversed,
    allEqual,
    fewDistinct,
    sawtooth,
    organPipe,
    belowZero,
    extremes,
    tenDigits,
    shapeCount
};
const char* const shapeNames[shapeCount] = {"random 0..9999", "sorted",    "reversed",   "all equal",
                                            "few distinct",   "sawtooth",  "organ pipe", "below zero",
                                            "extremes",       "ten digits"};

std::vector<int> makeShape(int shape, int length, unsigned seed, bool smallRange) {
    std::mt19937 rng(seed);
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int edges[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
    std::vector<int> v(length);
    for (int i = 0; i < length; ++i) {
        switch (shape) {
            case randomSmall:
            case sorted:
            case reversed: v[i] = uniform(0, 9999); break;
            case allEqual: v[i] = 7; break;
            case fewDistinct: v[i] = uniform(0, 3); break;
            case sawtooth: v[i] = i % 17; break;
            case organPipe: v[i] = i < length / 2 ? i : length - i; break;
            case belowZero: v[i] = uniform(-5000, 4999); break;
            case extremes:
                v[i] = smallRange ? INT_MIN + uniform(0, 2000)
                                  : (i % 2 ? edges[uniform(0, 6)] : uniform(INT_MIN, INT_MAX));
                break;
            case tenDigits:
                v[i] = smallRange ? -1000000000 - uniform(0, 2000) : uniform(1000000000, INT_MAX);
                break;
        }
    }
    if (shape == sorted) std::sort(v.begin(), v.end());
    if (shape == reversed) std::sort(v.rbegin(), v.rend());
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
    const unsigned seed = std::random_device{}();
    for (const SortEntry& entry : sortEntries) {
        for (int shape = 0; shape < shapeCount; ++shape) {
            for (int length : caseLengths) {
                EXPECT_TRUE(sortsLikeStdSort(entry.sort, makeShape(shape, length, seed, entry.smallRange)))
                    << entry.name << " sort, " << shapeNames[shape] << ", length " << length << ", seed "
                    << seed;
            }
        }
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
}

TEST(Helpers, PrintArrayWritesTwoSpacesAfterEachValueAndNoLineEnd) {
    const int values[] = {3, 10};
    testing::internal::CaptureStdout();
    printArray(values, 2);
    printArray(nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "3  10  ");
}

}  // namespace
