// Two runs compared: per benchmark the medians, the ratio new/old with its
// interval, the U test's p and a verdict, false discoveries controlled over
// them all; per sort and overall the geometric mean; the growth and the
// context that changed; for counts, every count exactly.
#ifndef SORTING_COMPARE_COMPARISON_H
#define SORTING_COMPARE_COMPARISON_H

#include <string>
#include <vector>

#include "compare/statistics.h"
#include "sorting_compare/runs.h"

// The fewest repetitions per side the verdict needs: 3 against 3 cannot go
// below p = 0.1, 5 against 5 reaches 0.0079.
const int fewestRepetitions = 5;

struct Settings {
    std::string oldPath, newPath;
    double thresholdPercent = 3;
    double alpha = 0.05;
    std::string relativeTo;           // a sort's name, or empty
    double failIfSlowerPercent = -1;  // below 0: no gate
    std::string jsonPath, htmlPath, commandLine;
};

extern const char* const verdictFaster;
extern const char* const verdictSlower;
extern const char* const verdictSame;
extern const char* const verdictTooFew;

struct BenchmarkComparison {
    std::string sort, shape;
    long n;
    std::size_t oldRepetitions, newRepetitions;
    double oldMedian, newMedian;  // seconds, or relative to the reference sort
    RatioEstimate ratio;
    double p, q;  // q: Benjamini-Hochberg adjusted; 1 where not tested
    const char* verdict;
    bool changed() const;
};

struct OnlyIn {
    std::string name;  // "quick/random/1000"
    bool inOld;        // present (and run) in the old file only, else the new only
    std::string reason;
};

struct VerdictCounts {
    std::string sort;  // empty: overall
    double geometricMean = 1;
    int faster = 0, slower = 0, same = 0, tooFew = 0;
};

struct GrowthChange {
    std::string sort, shape, oldClasses, newClasses, oldVerdict, newVerdict;
    std::string oldExponent, newExponent;  // "1.98 [1.91, 2.05]"
};

struct ContextRow {
    std::string label, oldValue, newValue;
    bool differs;
};

struct BenchmarkComparisonResult {
    std::vector<BenchmarkComparison> rows;  // in the old file's order
    std::vector<OnlyIn> onlyIn;
    std::vector<VerdictCounts> sorts;
    VerdictCounts overall;
    std::vector<GrowthChange> growth;
    std::vector<ContextRow> context;
    bool machinesDiffer = false;
    int tested = 0;  // benchmarks with enough repetitions, over which discoveries are controlled
};

struct CountChange {
    std::string part, sort, shape;
    long n;
    std::string count, oldValue, newValue;
};

struct FamilyChange {
    std::string sort, shape, field, oldValue, newValue;
};

struct CountsComparisonResult {
    std::vector<CountChange> changes;
    std::vector<FamilyChange> familyChanges;
    std::vector<std::string> notes;  // inputs that differ, rows in one file only
    int comparedRows = 0;
};

// The context keys shown side by side, with their labels.
struct ContextKey {
    const char* label;
    const char* key;
    bool machine;  // a difference here means another machine
};
extern const std::vector<ContextKey> contextKeys;

// Refuses (false, with the reason) where the runs have nothing in common,
// or the reference sort is missing.
bool compareBenchmarks(const BenchmarkRun& oldRun, const BenchmarkRun& newRun, const Settings& settings,
                       BenchmarkComparisonResult& result, std::string& error);
bool compareCounts(const CountsRun& oldRun, const CountsRun& newRun, CountsComparisonResult& result,
                   std::string& error);

#endif
