#include "sorting_benchmark/harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::uint32_t seed = 20261208;
const Shape randomShape = {shapeRandom, 0};

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Every sort's result passes the check; one corrupted element at the end
// of an otherwise sorted result is caught and makes the exit status 1.
TEST(Harness, CatchesAResultWrongInItsLastElement) {
    Harness harness(seed, 0.5);
    const int n = 1000;
    const Inputs& in = harness.inputs(randomShape, n);
    for (SortId s : allSorts()) {
        std::vector<int> work = in.arrays[3];
        sortEntry(SortId(s)).timed(work.data(), n);
        EXPECT_TRUE(harness.check(SortId(s), randomShape, n, work.data(), 3)) << sortName(SortId(s));
    }
    EXPECT_EQ(harness.exitStatus(), 0);
    // A stated skip is no failure either.
    EXPECT_FALSE(harness.skipReason(sortCounting, Shape{shapeRandomWide, 0}, n, false).empty());
    EXPECT_EQ(harness.exitStatus(), 0);

    std::vector<int> work = in.arrays[3];
    std::sort(work.begin(), work.end());
    work[n - 1] -= 1;
    EXPECT_FALSE(harness.check(sortStd, randomShape, n, work.data(), 3));
    EXPECT_EQ(harness.failures(), 1);
    EXPECT_EQ(harness.exitStatus(), 1);
}

// Identical arrays would let the branch predictor learn them.
TEST(Harness, DistinctArraysDiffer) {
    for (int n : {1000, 300000}) {
        const Inputs in = makeInputs(randomShape, n, seed);
        ASSERT_EQ(in.arrays.size(), std::size_t(distinctArrayCount(n)));
        EXPECT_GE(in.arrays.size(), 4u);
        const std::set<std::vector<int>> different(in.arrays.begin(), in.arrays.end());
        EXPECT_EQ(different.size(), in.arrays.size()) << n;
    }
}

// The pool is meant to stay in half of a 1 MiB L2 cache, and to hold as
// many arrays as fit there.
TEST(Harness, PoolFitsHalfOfL2) {
    const std::int64_t meant = 512 * 1024;
    for (int n : {1, 1000, 5000, 32768, 131072, 131073, 1000000}) {
        const std::int64_t arrayBytes = std::int64_t(n) * 4;
        const std::int64_t count = poolArrayCount(n);
        EXPECT_GE(count, 1) << n;
        if (arrayBytes <= meant) {
            EXPECT_LE(count * arrayBytes, meant) << n;
            EXPECT_GT((count + 1) * arrayBytes, meant) << n;
        } else {
            EXPECT_EQ(count, 1) << n;
        }
    }
}

// A sort of known cost c·n^e (no real time passes): which sizes the budget
// runs and which it skips, with its reason, and that only the small probe
// sizes are ever timed before a prediction.
TEST(Harness, BudgetSkipsWhatWouldPassIt) {
    struct Row {
        double exponent, secondsAt10000, budget;
        int n;
        bool skipped;
    };
    const Row rows[] = {
        {2, 0.01, 0.5, 20000, false},    {2, 0.01, 0.5, 50000, false},    {2, 0.01, 0.5, 100000, true},
        {2, 0.01, 0.5, 100000000, true}, {2, 0.01, 5, 200000, false},     {1, 1e-4, 0.5, 1000000, false},
        {1, 1e-4, 0.5, 10000000, false}, {1, 1e-4, 0.5, 100000000, true}, {1.1, 6e-4, 0.5, 20000000, true},
        {1.1, 6e-4, 0.5, 500000, false}, {0, 1e-3, 0.5, 1000000, false},  {0, 1e-3, 0.5, 1000000000, true},
        {2, 10, 0.5, 1000, false},       {2, 10, 0.5, 3000, true},        {3, 1e-3, 0.5, 50000, false},
        {3, 1e-3, 0.5, 100000, true},
    };
    for (const Row& row : rows) {
        std::vector<int> timed;
        auto cost = [&](int size) {
            timed.push_back(size);
            return row.secondsAt10000 * std::pow(size / 10000.0, row.exponent);
        };
        CostModel model;
        const std::string reason = budgetSkipReason(model, row.n, row.budget, cost);
        const std::string where = "e=" + std::to_string(row.exponent) + " n=" + std::to_string(row.n);
        EXPECT_EQ(!reason.empty(), row.skipped) << where << ": " << reason;
        if (row.skipped) {
            EXPECT_TRUE(startsWith(reason, "skipped: one call at " + std::to_string(row.n))) << reason;
            EXPECT_NE(reason.find("budget"), std::string::npos) << reason;
        }
        for (int size : timed) EXPECT_TRUE(size == probeSizes[0] || size == probeSizes[1]) << where;
        // A probe predicted over the budget is not made.
        EXPECT_EQ(timed.size(), row.secondsAt10000 >= 10 ? 1u : 2u) << where;
    }

    // A timed run over the budget ends its sweep, whatever the probes said.
    CostModel model;
    model.record(1000, 1e-5);
    model.record(10000, 1e-4);
    model.record(50000, 0.8);
    EXPECT_FALSE(budgetSkipReason(model, 100000, 0.5, [](int) { return 0.0; }).empty());
    EXPECT_TRUE(budgetSkipReason(model, 20000, 0.5, [](int) { return 0.0; }).empty());
}

TEST(Harness, CountingSortSkipsATableOverItsLimitWithTheReason) {
    Harness harness(seed, 1e6);
    EXPECT_EQ(harness.skipReason(sortCounting, Shape{shapeRandomWide, 0}, 1000, false),
              "skipped: counting sort would need a table of 4294967296 counters (16.0 GiB)");
    EXPECT_EQ(harness.skipReason(sortCounting, Shape{shapeRandomMax, 999999999}, 1000, false).substr(0, 9),
              "skipped: ");
    EXPECT_EQ(harness.skipReason(sortCounting, Shape{shapeRandomMillion, 0}, 1000, false), "");
    EXPECT_EQ(harness.skipReason(sortRadix, Shape{shapeRandomWide, 0}, 1000, false), "");
}

}  // namespace
