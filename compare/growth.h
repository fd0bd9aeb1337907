// How a sort's cost grows with n, from figures measured at several sizes:
// pure functions, shared by the benchmark's summary, the operation counts
// and their reports. Every size weighs alike, a constant term absorbs fixed
// costs, and a class is named only where the data can tell it apart.
#ifndef COMPARE_GROWTH_H
#define COMPARE_GROWTH_H

#include <string>
#include <vector>

#include "compare/platform.h"
#include "compare/shapes.h"
#include "compare/sorts.h"

enum GrowthClass { growthOne, growthLgN, growthN, growthNLgN, growthN2, growthN3, growthClassCount };
// "1", "lg N", "N", "N lg N", "N^2", "N^3".
extern const char* const growthClassNames[growthClassCount];
// The class of one of those names; false for any other text.
bool parseGrowthClass(const std::string& text, GrowthClass& cls);

// One sort and shape's figures: at each size one or more samples
// (repetitions of a timing, or counts over seeded inputs).
struct GrowthData {
    std::vector<double> sizes;                 // increasing
    std::vector<std::vector<double>> samples;  // samples[i]: the figures at sizes[i], none zero or below
};

// What the figures are: times hold every cost of a call, operation counts
// only what the textbook counts.
enum GrowthFigure { figureTime, figureOperations };

// Where a time curve leaves one smooth course between neighbouring sizes:
// a step (every size from "to" on is "factor" times slower or faster than
// the curve through the others), one size that its neighbours contradict,
// or a change of slope at a size. Steps and outliers are taken out before
// the classes are fitted: they are facts about the machine, not a class.
enum DepartureKind { departureStep, departureOutlier, departureBend };
struct Departure {
    DepartureKind kind;
    double from, to;       // step: the sizes either side; outlier and bend: the size, twice
    double factor;         // step and outlier: the time's ratio to the curve; bend: 1
    double before, after;  // bend: the slopes below and above; else 0
    std::string cause;     // "1.6 MB of data passes L2 (1 MiB)", or empty
};

struct GrowthFit {
    bool hasExponent;                  // false below three sizes
    double exponent;                   // slope of log(figure) against log(n), sizes weighted alike
    double exponentLow, exponentHigh;  // its 95% interval
    std::vector<double> localSlopes;   // between sizes i and i + 1, as measured
    double noise;                      // the measured relative noise, never the fit's own misfit
    std::vector<GrowthClass> classes;  // every class that fits, best first; none: no single class
    double fitError;         // the best class's root-mean-square relative error, lower-order term allowed
    double repetitionNoise;  // the repetitions' spread, unbiased for their number; 0 with one each
    double driftNoise;       // times: the sizes' scatter about a smooth curve; 0 for counts
    std::vector<Departure> departures;  // times only
};

// noiseFloor: the least relative noise to assume (0.05 for times; counts
// pass their spread over seeded inputs, at least 0.01). Only times are
// searched for steps, outliers and bends, and only their noise includes
// the drift between sizes.
GrowthFit fitGrowth(const GrowthData& data, double noiseFloor, GrowthFigure figure = figureTime);

// The data caches the operating system reports, each step's cause named
// where the bytes a call holds (per size, as data.sizes; 0: unknown) cross
// one of them between the step's sizes.
void nameStepCauses(GrowthFit& fit, const std::vector<double>& sizes, const std::vector<double>& bytes,
                    const std::vector<DataCache>& caches);
// "time x1.70 from 200000 to 500000: 4 MB of data passes L2 (1 MiB)".
std::string departureText(const Departure& departure);

// The largest log-log slope a class's a f(n) + c can take from size least
// on, and the least its leading term with non-negative lower terms allows
// at large n (1 for N^2, 2 for N^3, 0 for the rest, which c can flatten).
double classSlopeMost(GrowthClass cls, double least);
double classSlopeLeast(GrowthClass cls, double most);

// A cost as a sum of terms, leading term first: "n^2", "n lg n", "n", "1".
enum GrowthTerm { termN2, termNLgN, termN, termOne, growthTermCount };
extern const char* const growthTermNames[growthTermCount];
struct TermConstant {
    GrowthTerm term;
    double constant;
};
typedef std::vector<TermConstant> GrowthTerms;  // empty: none fitted or known

// Least squares on relative errors over the medians per size, the terms in
// the order given (leading first); empty below three sizes or as many sizes
// as terms.
GrowthTerms fitTerms(const GrowthData& data, const std::vector<GrowthTerm>& terms);
// The same over the sizes from least on, with the fit's root-mean-square
// relative error.
GrowthTerms fitTermsFrom(const GrowthData& data, const std::vector<GrowthTerm>& terms, double least,
                         double* misfit);

// The textbook's count of a sort's comparisons (counting and radix sort:
// element operations) on a shape where one formula holds at every size,
// leading term first, with the formula as text; known is false elsewhere.
struct TextbookTerms {
    bool known;
    GrowthTerms terms;
    std::string text;                 // "2 ln 2 = 1.386 n lg n - 2.85 n"
    std::vector<GrowthTerm> fitWith;  // the terms to fit the counts with, leading first
    double from;                      // the least size where the form holds; 0: every size
};
TextbookTerms textbookTerms(SortId sort, const Shape& shape);

// The textbook's exact figure for one input (comparisons; passes over all
// n elements for counting and radix sort), from the same entries as
// textbookTerms and textbookGrowth; value < 0: it says nothing here.
struct Expectation {
    double value;
    std::string formula;
};
Expectation textbookCount(SortId sort, const Shape& shape, const std::vector<int>& input);
// H(n) = 1 + 1/2 + ... + 1/n.
double harmonic(double n);
int decimalDigits(unsigned v);
// Keys of radix sort's passes: values, or value - min when any is below zero.
unsigned radixSpan(int min, int max);

enum Verdict {
    verdictConfirmed,
    verdictConsistent,
    verdictUndecided,
    verdictDiffers,
    verdictNoSingleClass,
    verdictNotApplicable,
    verdictCount
};
// "confirmed", "consistent", "undecided", "differs", "no single class", "n/a".
extern const char* const verdictNames[verdictCount];

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
    GrowthFigure figure;
    std::vector<double> sizes;
    GrowthFit fit;
    TextbookGrowth textbook;
    Verdict verdict;
    std::vector<GrowthClass>
        notToldApart;   // consistent: the fitting classes the sizes cannot tell from the textbook's
    GrowthTerms terms;  // the leading term's constant with lower-order terms
    TextbookTerms textbookTerms;
    double linearShare;  // merge sort's time: the n term's share at the largest size; else NaN
    double termsMisfit;  // the terms' root-mean-square relative error over termsFrom..termsTo
    double termsFrom, termsTo;
    std::string termsLeftOut;  // a textbook term the sizes cannot identify, said instead of fitted
};
FamilyGrowth analyzeFamily(SortId sort, const Shape& shape, GrowthFigure figure, const GrowthData& data,
                           double noiseFloor);

// The one wording of a family's row, for the console, the JSON and both
// pages: family, sizes, exponent [95%], local slopes, classes that fit (or
// "no single class", "needs 3 sizes"), terms, textbook, verdict.
std::vector<std::string> growthRowHeader();
std::vector<std::string> growthRowCells(const FamilyGrowth& family);
// "1.37 n lg n - 2.4 n", "4.4e-05 n^2 + 1.39 n lg n".
std::string termsText(const GrowthTerms& terms);
// The departures of a family's times, "-" when none: "time x1.70 from
// 200000 to 500000: ...; outlier at 5000 (x2.0)".
std::string departuresText(const FamilyGrowth& family);

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
