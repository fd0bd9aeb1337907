#include "compare/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

struct PCase {
    const char* what;
    std::vector<double> a, b;
    double p;
};

// By hand: the exact ones count arrangements of ranks (C(10,5) = 252,
// C(6,3) = 20); the tied ones follow the normal approximation's formula
// with the tie and continuity corrections.
TEST(MannWhitney, PValuesAgainstHandComputedOnes) {
    const std::vector<PCase> cases = {
        {"5 vs 5 fully separated", {1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, 2.0 / 252},
        {"5 vs 5 the other way", {6, 7, 8, 9, 10}, {1, 2, 3, 4, 5}, 2.0 / 252},
        {"3 vs 3 fully separated", {1, 2, 3}, {4, 5, 6}, 0.1},
        {"5 vs 5, one pair swapped (U = 1)", {1, 2, 3, 4, 6}, {5, 7, 8, 9, 10}, 4.0 / 252},
        {"5 vs 5 interleaved (U = 10, 15)", {1, 3, 5, 7, 9}, {2, 4, 6, 8, 10}, 174.0 / 252},
        {"4 vs 4, one tie: U = 0.5, var 5.9048",
         {1, 2, 3, 5},
         {5, 6, 7, 8},
         std::erfc((8 - 0.5 - 0.5) / std::sqrt(4 * 4 / 12.0 * (9 - 6.0 / 56)) / std::sqrt(2.0))},
        {"3 vs 3 all tied", {2, 2, 2}, {2, 2, 2}, 1},
        {"an empty side", {}, {1, 2}, 1},
    };
    for (const PCase& c : cases) {
        EXPECT_NEAR(mannWhitneyP(c.a, c.b), c.p, 1e-4) << c.what;
    }
}

// Up to 50 a side the distribution is exact: fully separated, 2 / C(100, 50)
// = 2.0e-29, where the normal approximation would say about 1e-17; beyond,
// the approximation.
TEST(MannWhitney, ExactUpToFiftyASide) {
    for (int size : {50, 51}) {
        std::vector<double> a, b;
        for (int i = 0; i < size; ++i) a.push_back(i);
        for (int i = 0; i < size; ++i) b.push_back(size + i);
        const double p = mannWhitneyP(a, b);
        if (size == 50) {
            EXPECT_NEAR(p / 1.98e-29, 1, 0.01) << p;
        } else {
            EXPECT_GT(p, 1e-20) << p;
            EXPECT_LT(p, 1e-15) << p;
        }
    }
}

TEST(MannWhitney, ExactDistributionTails) {
    EXPECT_NEAR(mannWhitneyCdf(5, 5, 0), 1.0 / 252, 1e-12);
    EXPECT_NEAR(mannWhitneyCdf(5, 5, 2), 4.0 / 252, 1e-12);
    EXPECT_NEAR(mannWhitneyCdf(3, 3, 0), 1.0 / 20, 1e-12);
    EXPECT_NEAR(mannWhitneyCdf(3, 4, 12), 1.0, 1e-12);
    EXPECT_EQ(mannWhitneyCdf(3, 4, -1), 0.0);
    // Symmetric about mn / 2: P(U <= 1249) = P(U >= 1251) for 50 vs 50.
    EXPECT_NEAR(mannWhitneyCdf(50, 50, 1249), 1 - mannWhitneyCdf(50, 50, 1250), 1e-9);
}

TEST(HodgesLehmann, RatioAndInterval) {
    // Every log difference is log 2: the estimate and both ends are 2.
    const RatioEstimate doubled = hodgesLehmannRatio({3, 3, 3, 3, 3}, {6, 6, 6, 6, 6}, 0.95);
    EXPECT_NEAR(doubled.ratio, 2, 1e-12);
    EXPECT_NEAR(doubled.low, 2, 1e-12);
    EXPECT_NEAR(doubled.high, 2, 1e-12);
    // Against itself: exactly 1, the interval around it.
    const std::vector<double> same = {10, 11, 12.5, 9.5, 10.2};
    const RatioEstimate self = hodgesLehmannRatio(same, same, 0.95);
    EXPECT_EQ(self.ratio, 1);
    EXPECT_LT(self.low, 1);
    EXPECT_GT(self.high, 1);
    // 5 vs 5 leaves out the 3 smallest and 3 largest of the 25 differences.
    const RatioEstimate spread = hodgesLehmannRatio({1, 1, 1, 1, 1}, {1, 2, 3, 4, 5}, 0.95);
    EXPECT_NEAR(spread.low, 1, 1e-12);
    EXPECT_NEAR(spread.high, 5, 1e-12);
    EXPECT_NEAR(spread.ratio, 3, 1e-12);
    // 4 vs 4: P(U <= 0) = 1/70 is within 2.5%, so only the extremes go:
    // the interval runs from the least to the largest difference.
    const RatioEstimate four = hodgesLehmannRatio({1, 1, 1, 1}, {2, 3, 4, 5}, 0.95);
    EXPECT_NEAR(four.low, 2, 1e-12);
    EXPECT_NEAR(four.high, 5, 1e-12);
    // 3 vs 3 cannot reach 95%: unbounded.
    const RatioEstimate few = hodgesLehmannRatio({1, 2, 3}, {2, 4, 6}, 0.95);
    EXPECT_EQ(few.low, 0);
    EXPECT_TRUE(std::isinf(few.high));
}

// Null data, a fixed seed: how often the 95% interval holds the true ratio
// (5 vs 5 exact: 1 - 8/252 = 0.968), and large samples through the normal
// approximation.
TEST(HodgesLehmann, CoverageOnSimulatedData) {
    std::mt19937 random(12345);
    std::lognormal_distribution<double> times(0, 0.1);
    for (int size : {5, 8, 60}) {
        const int trials = size > 50 ? 300 : 2000;
        int covered = 0;
        for (int t = 0; t < trials; ++t) {
            std::vector<double> a, b;
            for (int i = 0; i < size; ++i) a.push_back(times(random));
            for (int i = 0; i < size; ++i) b.push_back(1.25 * times(random));
            const RatioEstimate e = hodgesLehmannRatio(a, b, 0.95);
            if (e.low <= 1.25 && 1.25 <= e.high) ++covered;
        }
        const double coverage = double(covered) / trials;
        EXPECT_GT(coverage, 0.92) << size << " per side";
        EXPECT_LT(coverage, 0.995) << size << " per side";
    }
}

TEST(BenjaminiHochberg, AdjustedValuesByHand) {
    // Sorted: 0.01, 0.02, 0.03, 0.5; times 4 / rank: 0.04, 0.04, 0.04, 0.5.
    const std::vector<double> q = benjaminiHochberg({0.5, 0.03, 0.01, 0.02});
    const std::vector<double> expected = {0.5, 0.04, 0.04, 0.04};
    ASSERT_EQ(q.size(), expected.size());
    for (std::size_t i = 0; i < q.size(); ++i) EXPECT_NEAR(q[i], expected[i], 1e-12) << i;
    // A later small p lifts no earlier one above 1.
    EXPECT_EQ(benjaminiHochberg({0.9, 0.99}), (std::vector<double>{0.99, 0.99}));
    EXPECT_TRUE(benjaminiHochberg({}).empty());
}

// Many benchmarks, none changed: the share of runs with any discovery stays
// near alpha (all null, FDR equals that share), while testing each at alpha
// alone finds something nearly every time.
TEST(BenjaminiHochberg, FalseDiscoveriesOnNullData) {
    std::mt19937 random(2026);
    std::lognormal_distribution<double> times(0, 0.05);
    const int runs = 100, benchmarks = 200;
    int runsWithDiscovery = 0, runsWithUncorrected = 0;
    for (int r = 0; r < runs; ++r) {
        std::vector<double> p;
        for (int k = 0; k < benchmarks; ++k) {
            std::vector<double> a(7), b(7);
            for (double& x : a) x = times(random);
            for (double& x : b) x = times(random);
            p.push_back(mannWhitneyP(a, b));
        }
        bool any = false, anyUncorrected = false;
        const std::vector<double> q = benjaminiHochberg(p);
        for (int k = 0; k < benchmarks; ++k) {
            any = any || q[std::size_t(k)] <= 0.05;
            anyUncorrected = anyUncorrected || p[std::size_t(k)] <= 0.05;
        }
        runsWithDiscovery += any;
        runsWithUncorrected += anyUncorrected;
    }
    EXPECT_LE(runsWithDiscovery, 12);
    EXPECT_GE(runsWithUncorrected, 90);
    // And with real changes among them, they are found.
    std::vector<double> p;
    for (int k = 0; k < 100; ++k) {
        std::vector<double> a(7), b(7);
        for (double& x : a) x = times(random);
        for (double& x : b) x = (k < 10 ? 1.5 : 1) * times(random);
        p.push_back(mannWhitneyP(a, b));
    }
    const std::vector<double> q = benjaminiHochberg(p);
    int found = 0, falseFound = 0;
    for (int k = 0; k < 100; ++k) {
        if (q[std::size_t(k)] <= 0.05) (k < 10 ? found : falseFound)++;
    }
    EXPECT_EQ(found, 10);
    EXPECT_LE(falseFound, 2);
}

}  // namespace
