#include "sorting_benchmark/harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
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

// Google Benchmark's state as the timed loop uses it: so many iterations,
// and the pauses between batches.
struct FakeState {
    struct Iterator {
        std::int64_t left;
        bool operator!=(const Iterator& other) const { return left != other.left; }
        void operator++() { --left; }
        int operator*() const { return 0; }
    };
    std::int64_t iterations;
    int pauses = 0;
    Iterator begin() const { return {iterations}; }
    Iterator end() const { return {0}; }
    void PauseTiming() { ++pauses; }
    void ResumeTiming() {}
};

// A sort that is right but for one element of one call.
std::int64_t calls = 0, wrongCall = -1;
int wrongElement = 0;
void sortButOne(int* v, int n) {
    std::sort(v, v + n);
    if (calls++ == wrongCall) v[wrongElement] += 1;
}

// A timed run of 131-array batches (n = 1000), the last one short: a
// result wrong anywhere, the last batch and last element included, fails
// the run; each batch boundary pauses the timer once.
TEST(Harness, TimedRunChecksEveryBatchTheLastIncluded) {
    const int n = 1000;
    const std::int64_t iterations = 3 * std::int64_t(poolArrayCount(n)) + 5;
    struct Wrong {
        std::int64_t call;
        int element;
    };
    const Wrong rows[] = {
        {-1, 0}, {0, 0}, {poolArrayCount(n), n - 1}, {iterations - 5, 0}, {iterations - 1, n - 1}};
    for (const Wrong& row : rows) {
        SCOPED_TRACE("wrong call " + std::to_string(row.call) + ", element " + std::to_string(row.element));
        Harness harness(seed, 0.5);
        TimedPool pool(harness, sortQuick, randomShape, n);
        FakeState state{iterations};
        calls = 0;
        wrongCall = row.call;
        wrongElement = row.element;
        testing::internal::CaptureStderr();
        const bool passed = runTimedBatches(state, pool, sortButOne, n);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(passed, row.call < 0) << err;
        EXPECT_EQ(harness.failures(), row.call < 0 ? 0 : 1);
        if (row.call < 0) {
            EXPECT_EQ(pool.sorted(), iterations);
            EXPECT_EQ(state.pauses, 3);
        } else {
            EXPECT_NE(err.find("quick/random/1000: result differs from std::sort at element " +
                               std::to_string(row.element)),
                      std::string::npos)
                << err;
        }
    }
}

// A filter as Google Benchmark 1.7.1 reads it: an extended expression
// searched anywhere in the name, '-' selecting what it does not match.
TEST(Harness, FilterSelectsAsGoogleBenchmarkDoes) {
    const std::vector<std::string> names = {"quick/random/1000", "merge/random/1000", "quick/ascending/2000"};
    const struct {
        const char* filter;
        std::vector<bool> selected;
    } rows[] = {
        {"", {true, true, true}},
        {"all", {true, true, true}},
        {"quick", {true, false, true}},
        {"^merge/", {false, true, false}},
        {"-quick", {false, true, false}},
        {"-/(1000)$", {false, false, true}},
        {"random/1+0*$", {true, true, false}},
    };
    for (const auto& row : rows) {
        std::vector<bool> selected;
        std::string error;
        EXPECT_TRUE(filterSelects(row.filter, names, selected, error)) << row.filter;
        EXPECT_EQ(selected, row.selected) << row.filter;
    }
}

// The cost model keeps the quickest run of a size, and predicts from the
// two sizes below n by their exponent, at least 1.
TEST(Harness, CostModelPredictsFromTheQuickestRuns) {
    CostModel model;
    model.record(1000, 2e-3);
    model.record(1000, 1e-3);
    model.record(1000, 3e-3);
    double seconds = 0, exponent = 0;
    int from = 0;
    ASSERT_TRUE(model.predict(1000, seconds, exponent, from));
    EXPECT_DOUBLE_EQ(seconds, 1e-3);
    ASSERT_TRUE(model.predict(4000, seconds, exponent, from));
    EXPECT_DOUBLE_EQ(exponent, 2);
    EXPECT_DOUBLE_EQ(seconds, 16e-3);
    model.record(2000, 8e-3);
    model.record(2000, 4e-3);
    ASSERT_TRUE(model.predict(8000, seconds, exponent, from));
    EXPECT_DOUBLE_EQ(exponent, 2);
    EXPECT_EQ(from, 2000);
    EXPECT_DOUBLE_EQ(seconds, 64e-3);
}

// The most a run holds, worked out by hand: per size its distinct arrays
// (1048 of 1000 elements, 104 of 10000, the budget's probe sizes always
// among them) and their sorted copies, each with 48 bytes of vector; then
// the largest call: the pool (131 arrays of 1000, 13 of 10000), a buffer of
// n and counting sort's table (10000 ints for random, none for
// random_wide's 16 GiB); shapes one at a time.
TEST(Harness, MemoryNeededByHand) {
    const std::uint64_t probes = 2 * 1048 * (4000 + 48) + 2 * 104 * (40000 + 48);
    const std::uint64_t callAt10000 = 13 * 40000 + 40000;
    const struct {
        std::vector<std::pair<Shape, std::vector<int>>> plan;
        std::uint64_t bytes;
    } rows[] = {
        {{{randomShape, {1000}}}, probes + callAt10000 + 40000},
        {{{Shape{shapeRandomWide, 0}, {1000, 10000}}}, probes + callAt10000},
        {{{randomShape, {1000}}, {Shape{shapeRandomWide, 0}, {1000}}}, probes + callAt10000 + 40000},
        {{{Shape{shapeRandomMillion, 0}, {20000}}},
         probes + 2 * 52 * (80000 + 48) + 6 * 80000 + 80000 + 4000000},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(memoryNeeded(row.plan), row.bytes) << shapeName(row.plan.front().first);
    }
}

// The input cache, driven by a factory that counts its calls: every set
// built once while the limit holds them all, whatever order the
// repetitions ask in; past the limit the least recently used is given up
// (never the set asked for), rebuilt when asked again and named; a pool
// refilled from a set gives each call an identical fresh copy.
TEST(Harness, InputsBuiltOnceWithinTheLimit) {
    const Shape other = {shapeSaws, 0};
    const std::vector<std::pair<Shape, int>> order = {
        {randomShape, 1000}, {other, 1000},       {randomShape, 2000}, {other, 1000},
        {randomShape, 1000}, {randomShape, 2000}, {other, 1000},       {randomShape, 1000}};
    const struct {
        std::uint64_t limit;
        int builds;
        std::vector<std::string> rebuilt;
    } rows[] = {
        {std::uint64_t(-1), 3, {}},
        {2 * inputBytes(1000) + inputBytes(2000), 3, {}},
        // Two sets and not a third: the order above then rebuilds.
        {2 * inputBytes(1000), 7, {"random/1000", "random/2000", "saws/1000"}},
        // Below one set: each is still built, and given up at the next.
        {1, 8, {"saws/1000", "random/1000", "random/2000"}},
    };
    for (const auto& row : rows) {
        std::map<std::string, int> built;
        Harness harness(seed, 0.5, row.limit, [&built](const Shape& shape, int n, std::uint32_t s) {
            ++built[shapeName(shape) + "/" + std::to_string(n)];
            return makeInputs(shape, n, s);
        });
        for (const auto& ask : order) {
            const Inputs& in = harness.inputs(ask.first, ask.second);
            EXPECT_TRUE(in.shape == ask.first && in.n == ask.second);
            EXPECT_EQ(in.arrays.front(), makeShape(ask.first, ask.second, distinctArraySeed(seed, 0)));
        }
        int total = 0;
        for (const auto& b : built) total += b.second;
        EXPECT_EQ(total, row.builds) << row.limit;
        EXPECT_EQ(harness.inputBuilds(), row.builds) << row.limit;
        EXPECT_EQ(harness.rebuiltInputs(), row.rebuilt) << row.limit;
    }

    // Each batch starts from copies equal to the distinct arrays, whatever
    // the sorts before did to theirs.
    Harness harness(seed, 0.5, 2 * inputBytes(1000));
    const int n = 1000;
    TimedPool pool(harness, sortQuick, randomShape, n);
    const Inputs& in = harness.inputs(randomShape, n);
    for (int batch = 0; batch < 3; ++batch) {
        pool.refill();
        std::set<std::vector<int>> seen;
        for (int i = 0; !pool.full(); ++i) {
            int* a = pool.next();
            const std::vector<int> copy(a, a + n);
            const std::size_t d = std::size_t((batch * poolArrayCount(n) + i) % int(in.arrays.size()));
            EXPECT_EQ(copy, in.arrays[d]) << batch << " " << i;
            std::sort(a, a + n);
        }
        EXPECT_TRUE(pool.endBatch());
    }
    EXPECT_EQ(harness.inputBuilds(), 1);
}

// A plan's inputs at once: each shape's sizes and the budget's probes.
TEST(Harness, AllInputsAndTheLargestCallByHand) {
    const std::uint64_t probes = inputBytes(1000) + inputBytes(10000);
    const std::vector<std::pair<Shape, std::vector<int>>> plan = {{randomShape, {1000, 20000}},
                                                                  {Shape{shapeRandomWide, 0}, {10000}}};
    EXPECT_EQ(allInputsBytes(plan), 2 * probes + inputBytes(20000));
    EXPECT_EQ(inputBytes(20000), 2 * 52 * (80000 + 48u));
    // random at 20000: 6 pooled arrays, a buffer and a 10000-int table.
    EXPECT_EQ(largestCallBytes(plan), 6 * 80000 + 80000 + 40000u);
}

// The progress lines: one per tenth of the expected cost and the last,
// the time left from the rate so far; a name not planned is ignored.
TEST(Harness, ProgressLinesAtEachTenth) {
    std::map<std::string, double> expected;
    for (int i = 0; i < 20; ++i) expected["b" + std::to_string(i)] = 1;
    RunProgress progress("tool", expected, 100);
    std::vector<std::string> lines;
    EXPECT_EQ(progress.done("unplanned", 101), "");
    for (int i = 0; i < 20; ++i) {
        const std::string line = progress.done("b" + std::to_string(i), 100 + 2.0 * (i + 1));
        if (!line.empty()) lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines.front(), "tool: 2 of 20 benchmarks done, 4 s of CPU so far, about 36 s left");
    EXPECT_EQ(lines.back(), "tool: 20 of 20 benchmarks done, 40 s of CPU so far, about 0 s left");
    // Twice the same name counts once.
    RunProgress again("tool", {{"a", 1}, {"b", 1}}, 0);
    EXPECT_NE(again.done("a", 1), "");
    EXPECT_EQ(again.done("a", 2), "");
}

// The expected cost: a call past the budget costs nothing more, the
// repetitions multiply the rest, and the inputs of n cost more than of
// fewer elements.
TEST(Harness, ExpectedCostsByHand) {
    const double call = likelyCallSeconds(sortMerge, 1024);
    EXPECT_DOUBLE_EQ(call, 1e-9 * 1024 * 10);
    EXPECT_DOUBLE_EQ(likelyCallSeconds(sortInsertion, 1000), 0.25e-9 * 1e6);
    EXPECT_DOUBLE_EQ(expectedBenchmarkSeconds(sortMerge, 1024, 3, 0.01, 0.5),
                     3 * (0.01 + 0.5 * call + call) + 4 * call);
    const double large = 1e-9 * (1 << 20) * 20;
    EXPECT_DOUBLE_EQ(expectedBenchmarkSeconds(sortMerge, 1 << 20, 1, 0.01, 0.5),
                     large + 0.5 * 0.01 + large + 0.05 + large);
    EXPECT_EQ(expectedBenchmarkSeconds(sortInsertion, 100000, 3, 0.01, 0.5), 0);
    EXPECT_LT(expectedInputSeconds(1000), expectedInputSeconds(1000000));
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
