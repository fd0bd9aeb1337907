// The growth analysis: the classifier on synthetic timings of known growth,
// the exponent on exact data, the textbook's table and the verdicts.
#include "growth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<double> sizes125(double least, double most) {
    std::vector<double> sizes;
    for (double m = 1; m <= most; m *= 10) {
        for (double d : {1.0, 2.0, 5.0}) {
            if (d * m >= least && d * m <= most) sizes.push_back(d * m);
        }
    }
    return sizes;
}

double work(GrowthClass cls, double n) {
    return cls == growthN ? n : cls == growthNLgN ? n * std::log2(n) : n * n;
}

GrowthData exactly(double (*f)(double), const std::vector<double>& sizes) {
    GrowthData data = {sizes, {}};
    for (double n : sizes) data.samples.push_back({f(n)});
    return data;
}

bool has(const GrowthFit& fit, GrowthClass cls) {
    return std::find(fit.classes.begin(), fit.classes.end(), cls) != fit.classes.end();
}

struct Rates {
    int trueAmong, wrongAlone, trueAlone, splitNAndNLgN;
};

// t = f(n) + c, c the work at 1000 elements in every other trial, times
// lognormal noise of 15%, one size doubled.
Rates classify(GrowthClass cls, const std::vector<double>& sizes, int trials) {
    std::mt19937 rng(20261209 + cls);
    std::normal_distribution<double> noise(0, 0.15);
    std::uniform_int_distribution<std::size_t> outlier(0, sizes.size() - 1);
    Rates rates = {0, 0, 0, 0};
    for (int trial = 0; trial < trials; ++trial) {
        const double c = trial % 2 ? work(cls, 1000) : 0;
        const std::size_t doubled = outlier(rng);
        GrowthData data = {sizes, {}};
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            data.samples.push_back(
                {(work(cls, sizes[i]) + c) * std::exp(noise(rng)) * (i == doubled ? 2 : 1)});
        }
        const GrowthFit fit = fitGrowth(data, 0.05);
        const bool alone = fit.classes.size() == 1;
        rates.trueAmong += has(fit, cls);
        rates.trueAlone += alone && fit.classes[0] == cls;
        rates.wrongAlone += alone && fit.classes[0] != cls;
        rates.splitNAndNLgN += has(fit, growthN) != has(fit, growthNLgN);
    }
    return rates;
}

TEST(Growth, ClassifiesNoisyTimingsOfKnownGrowth) {
    const std::vector<double> wide = sizes125(1000, 1000000);
    for (GrowthClass cls : {growthN, growthNLgN, growthN2}) {
        SCOPED_TRACE(growthClassNames[cls]);
        const Rates rates = classify(cls, wide, 1000);
        EXPECT_GE(rates.trueAmong, 990);
        EXPECT_LE(rates.wrongAlone, 10);
        if (cls == growthN2) {
            EXPECT_GE(rates.trueAlone, 990);
        }
        // Over 1000..20000 N and N lg N differ by 4%, under twice the 5% floor.
        EXPECT_EQ(classify(cls, sizes125(1000, 20000), 300).splitNAndNLgN, 0);
    }
}

// Counts vary by about 1% over seeded inputs; these formulas are exact.
TEST(Growth, CountsSettleNAgainstNLgN) {
    struct Case {
        double (*f)(double);
        double most;
        GrowthClass alone;
    };
    const Case cases[] = {
        {[](double n) { return n * std::log2(n) - 1.25 * n; }, 100000, growthNLgN},  // merge sort
        {[](double n) { return 2 * (n + 1) * (std::log(n) + 0.5772) - 4 * n; }, 1000000,
         growthNLgN},                                                  // quick
        {[](double n) { return n * (n - 1) / 4; }, 100000, growthN2},  // insertion sort
        {[](double n) { return 4 * n; }, 100000, growthN},             // counting sort's passes
    };
    for (const Case& c : cases) {
        const GrowthFit fit = fitGrowth(exactly(c.f, sizes125(1000, c.most)), 0.01);
        ASSERT_EQ(fit.classes.size(), 1u) << growthClassNames[c.alone];
        EXPECT_EQ(fit.classes[0], c.alone);
    }
}

TEST(Growth, ExponentAndItsInterval) {
    const GrowthFit square =
        fitGrowth(exactly([](double n) { return 3 * n * n; }, sizes125(1000, 1000000)), 0.05);
    EXPECT_NEAR(square.exponent, 2, 1e-12);
    EXPECT_NEAR(square.exponentLow, 2, 1e-9);
    EXPECT_NEAR(square.exponentHigh, 2, 1e-9);
    // ln t = 0, ln 10 + e, 2 ln 10 over n = 1, 10, 100: slope 1, residuals
    // -e/3, 2e/3, -e/3, so the half width is t(1) e / (sqrt(3) ln 10).
    const double e = 0.3;
    const GrowthFit bent = fitGrowth({{1, 10, 100}, {{1}, {10 * std::exp(e)}, {100}}}, 0.05);
    EXPECT_NEAR(bent.exponent, 1, 1e-12);
    EXPECT_NEAR(bent.exponentHigh - 1, 12.706 * e / (std::sqrt(3.0) * std::log(10.0)), 1e-9);
    ASSERT_EQ(bent.localSlopes.size(), 2u);
    EXPECT_NEAR(bent.localSlopes[0], 1 + e / std::log(10.0), 1e-12);
    EXPECT_NEAR(bent.localSlopes[1], 1 - e / std::log(10.0), 1e-12);
    // Repetitions that disagree widen an interval that the medians alone leave at zero.
    const GrowthFit spread = fitGrowth({{1000, 2000, 4000}, {{1, 0.9, 1.1}, {2, 1.8, 2.2}, {4}}}, 0.05);
    EXPECT_NEAR(spread.exponent, 1, 1e-12);
    EXPECT_GT(spread.exponentHigh - spread.exponentLow, 0.1);
    EXPECT_FALSE(fitGrowth({{1000, 2000}, {{1}, {2}}}, 0.05).hasExponent);
}

TEST(Growth, TextbookCoversEverySortOnEveryShape) {
    for (int sort = 0; sort < sortIdCount; ++sort) {
        for (int kind = 0; kind < shapeKindCount; ++kind) {
            const Shape shape = {ShapeKind(kind), kind < plainShapeCount ? 0.0 : 3.0};
            EXPECT_FALSE(textbookGrowth(SortId(sort), shape, figureOperations, 1000, 1000000).reason.empty())
                << sortNames[sort] << " on " << shapeName(shape);
        }
    }
    struct Case {
        SortId sort;
        Shape shape;
        double most;
        const char* text;  // "" : n/a
    };
    const Case cases[] = {
        {sortInsertion, {shapeAscending, 0}, 1e6, "N"},
        {sortInsertion, {shapeRandom, 0}, 1e6, "N^2"},
        {sortInsertion, {shapeFewDistinctK, 1}, 1e6, "N"},
        {sortInsertion, {shapeNearlySorted, 1}, 1e6, "N^2"},
        {sortInsertion, {shapeNearlySorted, 0.1}, 1e6, "N to 3000, then N^2"},
        {sortQuick, {shapeAllEqual, 0}, 1e6, "N^2"},
        {sortQuick, {shapeFewDistinct, 0}, 1e6, "N^2"},
        {sortQuick, {shapeRandom, 0}, 1e5, "N lg N"},
        {sortQuick, {shapeRandom, 0}, 1e6, "N lg N to 100000, then N^2"},
        {sortQuick, {shapeRandomWide, 0}, 1e6, "N lg N"},
        {sortQuick, {shapeAscending, 0}, 1e4, "N^2"},
        {sortQuick, {shapeDescending, 0}, 1e6, "N^2 to 10000, then N"},
        {sortQuick, {shapeSaws, 0}, 1e6, ""},
        {sortMerge, {shapeSaws, 0}, 1e6, "N lg N"},
        {sortCounting, {shapeRandomMillion, 0}, 1e6, "N"},
        {sortStd, {shapeRandom, 0}, 1e6, "N lg N"},
        {sortStdStable, {shapeAscending, 0}, 1e6, "at most N lg N"},
    };
    for (const Case& c : cases) {
        const TextbookGrowth textbook = textbookGrowth(c.sort, c.shape, figureOperations, 1000, c.most);
        EXPECT_EQ(textbook.known ? textbook.text : "", c.text)
            << sortNames[c.sort] << " on " << shapeName(c.shape);
    }
}

TEST(Growth, Verdicts) {
    const std::vector<double> sizes = sizes125(1000, 1000000);
    struct Case {
        SortId sort;
        ShapeKind kind;
        double (*f)(double);
        Verdict verdict;
    };
    const Case cases[] = {
        {sortInsertion, shapeRandom, [](double n) { return n * n; }, verdictConfirmed},
        {sortCounting, shapeRandom, [](double n) { return n * n; }, verdictDiffers},
        // Quadratic up to its 10000 values, then linear.
        {sortQuick, shapeAscending, [](double n) { return n * 10000 * (1 - std::exp(-n / 10000)); },
         verdictNoSingleClass},
        {sortQuick, shapeRandom, [](double n) { return n * std::log2(n); }, verdictUndecided},
        {sortQuick, shapeSaws, [](double n) { return n * n; }, verdictNotApplicable},
    };
    for (const Case& c : cases) {
        const FamilyGrowth family =
            analyzeFamily(c.sort, {c.kind, 0}, figureOperations, exactly(c.f, sizes), 0.05);
        EXPECT_EQ(verdictNames[family.verdict], std::string(verdictNames[c.verdict])) << sortNames[c.sort];
    }
    // N and N lg N cannot be told apart over 1000..20000: merge sort agrees either way.
    const GrowthData linear = exactly([](double n) { return n; }, sizes125(1000, 20000));
    EXPECT_EQ(analyzeFamily(sortMerge, {shapeRandom, 0}, figureOperations, linear, 0.05).verdict,
              verdictConfirmed);
    // Over 1000..1000000 they can: linear counts contradict merge sort, but
    // its time holds a linear term for its allocations beside n lg n.
    const GrowthData wide = exactly([](double n) { return n; }, sizes);
    EXPECT_EQ(analyzeFamily(sortMerge, {shapeAllEqual, 0}, figureOperations, wide, 0.05).verdict,
              verdictDiffers);
    EXPECT_EQ(analyzeFamily(sortMerge, {shapeAllEqual, 0}, figureTime, wide, 0.05).verdict, verdictConfirmed);
}

TEST(Growth, JsonCarriesTheFields) {
    const std::vector<FamilyGrowth> families = {
        analyzeFamily(sortInsertion, {shapeRandom, 0}, figureOperations,
                      exactly([](double n) { return n * n; }, sizes125(1000, 10000)), 0.05),
        analyzeFamily(sortQuick, {shapeSaws, 0}, figureOperations,
                      exactly([](double n) { return n; }, {1000, 2000}), 0.05)};
    const std::string json = growthJson(families);
    EXPECT_EQ(json.rfind("{\"families\": [", 0), 0u);
    for (const char* field : {"\"sort\": \"insertion\", \"shape\": \"random\", \"sizes\": [1000, 2000, 5000, "
                              "10000], \"exponent\": 2.0000",
                              "\"exponent_low\": 2.0000", "\"classes\": [\"N^2\"], \"textbook\": \"N^2\"",
                              "\"verdict\": \"agrees\"", "\"exponent\": null",
                              "\"classes\": [], \"textbook\": null", "\"verdict\": \"n/a\""}) {
        EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
    }
    EXPECT_NE(growthTable(families, "caches: L2 1 MiB").find("caches: L2 1 MiB"), std::string::npos);
}

}  // namespace
