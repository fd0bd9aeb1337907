// How a sort's cost grows with n, from figures measured at several sizes:
// pure functions, shared by the benchmark's summary, the operation counts
// and their reports. Every size weighs alike, a constant term absorbs fixed
// costs, and a class is named only where the data can tell it apart.
#ifndef COMPARE_GROWTH_H
#define COMPARE_GROWTH_H

#include <string>
#include <vector>

#include "compare/shapes.h"
#include "compare/sorts.h"

enum GrowthClass { growthOne, growthLgN, growthN, growthNLgN, growthN2, growthN3, growthClassCount };
// "1", "lg N", "N", "N lg N", "N^2", "N^3".
extern const char* const growthClassNames[growthClassCount];

// One sort and shape's figures: at each size one or more samples
// (repetitions of a timing, or counts over seeded inputs).
struct GrowthData {
    std::vector<double> sizes;                 // increasing
    std::vector<std::vector<double>> samples;  // samples[i]: the figures at sizes[i], none zero or below
};

struct GrowthFit {
    bool hasExponent;                  // false below three sizes
    double exponent;                   // slope of log(figure) against log(n), sizes weighted alike
    double exponentLow, exponentHigh;  // its 95% interval
    std::vector<double> localSlopes;   // between sizes i and i + 1
    double noise;                      // the relative noise the decision allowed for
    std::vector<GrowthClass> classes;  // every class that fits, best first; none: no fit
    double fitError;                   // the best class's root-mean-square relative error
};

// noiseFloor: the least relative noise to assume (0.05 for times; counts
// pass their spread over seeded inputs, about 0.01).
GrowthFit fitGrowth(const GrowthData& data, double noiseFloor);

enum Verdict {
    verdictAgrees,
    verdictUndecided,
    verdictDiffers,
    verdictNoFit,
    verdictNotApplicable,
    verdictCount
};
// "agrees", "undecided", "differs", "no fit", "n/a".
extern const char* const verdictNames[verdictCount];

// What the figures are: times hold every cost of a call, operation counts
// only what the textbook counts.
enum GrowthFigure { figureTime, figureOperations };

// The textbook's expectation for a sort on a shape over sizes from least to
// most, e.g. "N^2" or a short piecewise text; known is false where the
// textbook says nothing for these sizes.
struct TextbookGrowth {
    bool known;
    std::string text;
    std::string reason;
    std::vector<GrowthClass> classes;  // every class the text names
    bool piecewise;                    // the sizes span a change of regime
};
TextbookGrowth textbookGrowth(SortId sort, const Shape& shape, GrowthFigure figure, double least,
                              double most);

// One row of the summary: what a sort on a shape did over its sizes.
struct FamilyGrowth {
    SortId sort;
    Shape shape;
    std::vector<double> sizes;
    GrowthFit fit;
    TextbookGrowth textbook;
    Verdict verdict;
};
FamilyGrowth analyzeFamily(SortId sort, const Shape& shape, GrowthFigure figure, const GrowthData& data,
                           double noiseFloor);

// The summary as a console table (cacheNote: a line such as "caches: L1d 48
// KiB, L2 1 MiB, L3 32 MiB", printed under it when not empty), and as the
// JSON object {"families": [...]}, each family with at least sort, shape,
// sizes, exponent, exponent_low, exponent_high, classes, textbook and verdict.
std::string growthTable(const std::vector<FamilyGrowth>& families, const std::string& cacheNote);
std::string growthJson(const std::vector<FamilyGrowth>& families);
// One family's fields, "\"sizes\": [...], \"exponent\": ...", for tools that
// embed them in objects of their own.
std::string growthJsonFields(const FamilyGrowth& family);

// Rows as console columns, each padded to its widest cell: left-aligned
// before column rightFrom, right-aligned from it.
std::string layOut(const std::vector<std::vector<std::string>>& rows, std::size_t rightFrom);

#endif
