// What the textbook expects of each sort on each shape: one line per sort
// and shape kind, with its reason. Where the cost changes regime with n,
// the entry is piecewise; where the textbook says nothing, it has no class.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "compare/growth.h"
#include "compare/text.h"

namespace {

// The classes expected up to upTo elements (inclusive); none: the textbook
// says nothing there.
struct Piece {
    bool known;
    GrowthClass cls;
    double upTo;
};
struct Pieces {
    int count;
    Piece piece[2];
};
typedef Pieces (*Rule)(const Shape& shape);

const double everySize = std::numeric_limits<double>::infinity();

Pieces always(GrowthClass cls) { return {1, {{true, cls, everySize}, {}}}; }
Pieces nothingSaid(const Shape&) { return {1, {{false, growthOne, everySize}, {}}}; }
Pieces linear(const Shape&) { return always(growthN); }
Pieces quadratic(const Shape&) { return always(growthN2); }

double distinctValues(const Shape& shape) {
    return static_cast<double>(shapeMaxValue(shape)) - shapeMinValue(shape) + 1;
}

// Insertion sort: linear on sorted input, quadratic once inversions grow as n^2.
Pieces insertionOnValues(const Shape& shape) {
    return always(distinctValues(shape) > 1 ? growthN2 : growthN);
}
Pieces insertionOnRuns(const Shape& shape) { return always(shape.parameter > 1 ? growthN2 : growthN); }
// P% of n swaps, each displacing two elements by about n/3, and each
// displaced element by d makes about 2d inversions: n + P n^2 / 150, whose
// second term passes the first above n = 150 / P.
Pieces insertionNearlySorted(const Shape& shape) {
    if (shape.parameter <= 0) return always(growthN);
    return {2, {{true, growthN, 150 / shape.parameter}, {true, growthN2, everySize}}};
}

// Quick sort on random values of D kinds: 2n ln n while they are distinct,
// 2n ln D once they repeat, plus n^2 / (2D) for the blocks of equal values
// that Lomuto's strict < peels one at a time; that term passes a fifth of
// the first above about 10 D.
Pieces quickOnRepeats(const Shape& shape) {
    const double tenD = 10 * distinctValues(shape);
    return {2, {{true, growthNLgN, tenD}, {true, growthN2, everySize}}};
}
// On sorted input every partition peels one element while values are
// distinct (n^2 / 2), one value's whole block once they repeat (n D / 2).
Pieces quickOnSorted(const Shape& shape) {
    return {2, {{true, growthN2, distinctValues(shape)}, {true, growthN, everySize}}};
}
Pieces quickNearlySorted(const Shape& shape) {
    return shape.parameter > 0 ? nothingSaid(shape) : quickOnSorted(shape);
}
// R sorted runs: each run's maximum ends up a pivot that splits off little,
// about n^2 / (2R) while the runs' values are distinct (n up to about R D),
// flattening towards N above.
Pieces quickOnRuns(const Shape& shape) {
    if (shape.parameter <= 1) return quickOnSorted(shape);
    return {2, {{true, growthN2, shape.parameter * distinctValues(shape)}, {true, growthN, everySize}}};
}

struct Entry {
    SortId sort;
    ShapeKind kind;
    Rule rule;
    const char* reason;
};

const char* const quickRepeats =
    "Lomuto, last pivot: 2n ln n - 2.85n (1.386 n lg n) while values are distinct, 2n ln D once D values "
    "repeat, plus n^2/(2D) inside blocks of equal values";
const char* const quickSortedRepeats =
    "each partition peels one element while values are distinct, then one block";

const Entry entries[] = {
    {sortInsertion, shapeAscending, linear, "one comparison per element"},
    {sortInsertion, shapeDescending, quadratic, "every pair of distinct values is an inversion: n^2/2"},
    {sortInsertion, shapeAllEqual, linear, "one comparison per element"},
    {sortInsertion, shapeSaws, quadratic, "runs of random direction: about n^2/4 inversions between them"},
    {sortInsertion, shapePipeOrgan, quadratic, "the descending half's elements pass the ascending half"},
    {sortInsertion, shapeRandomTail, quadratic, "each of the 5% random elements passes half the sorted 95%"},
    {sortInsertion, shapeNearlySorted, insertionNearlySorted,
     "n, plus P n^2/150: each of the P% displaced elements moves about n/3 and makes 2d inversions; "
     "crossing swaps cancel some: the counts measure 0.97-1.02 of P n^2/150 at P = 1, 0.86-0.87 at P = 10"},
    {sortInsertion, shapeFewDistinctK, insertionOnValues,
     "n^2/4 inversions, but one comparison each for K = 1"},
    {sortInsertion, shapeRandomMax, insertionOnValues,
     "n^2/4 inversions, but one comparison each for MAX = 0"},
    {sortInsertion, shapeRuns, insertionOnRuns, "inversions between runs grow as n^2; one run is sorted"},
    {sortQuick, shapeRandom, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRandomMillion, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRandomWide, quickOnRepeats, quickRepeats},
    {sortQuick, shapeFewDistinct, quickOnRepeats, quickRepeats},
    {sortQuick, shapeAscending, quickOnSorted, quickSortedRepeats},
    {sortQuick, shapeDescending, quickOnSorted,
     "n^2/2 while values are distinct; above D about n D, twice ascending's n D / 2"},
    {sortQuick, shapeAllEqual, quadratic, "every partition peels one element: n^2/2"},
    {sortQuick, shapeSaws, nothingSaid, "sorted runs make pivots extremes of their runs; no textbook figure"},
    {sortQuick, shapePipeOrgan, nothingSaid, "the last element is the smallest; no textbook figure"},
    {sortQuick, shapeRandomTail, nothingSaid,
     "random pivots into a sorted prefix with repeats; no textbook figure"},
    {sortQuick, shapeNearlySorted, quickNearlySorted, "sorted for P = 0; no textbook figure with swaps"},
    {sortQuick, shapeFewDistinctK, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRandomMax, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRuns, quickOnRuns,
     "each run's largest value splits off little: about n^2/(2R) while n is below about R D, then towards N"},
    {sortRadix, shapeAllEqual, linear, "3 passes per digit of the one value, 1 to 4 digits"},
};

std::string pieceText(const Piece& piece) { return growthClassNames[piece.cls]; }

std::string sizeText(double n) { return formatted("%.0f", n); }

}  // namespace

namespace {

// The entry's pieces that cover some of least..most, as the textbook's text.
TextbookGrowth fromEntry(const char* reason, const Pieces& pieces, bool linearTerm, double least,
                         double most) {
    TextbookGrowth textbook = {false, "", reason, {}, false};
    std::vector<Piece> covering;
    double from = 0;
    for (int p = 0; p < pieces.count; ++p) {
        if (pieces.piece[p].upTo >= least && from < most) covering.push_back(pieces.piece[p]);
        from = pieces.piece[p].upTo;
    }
    if (covering.empty()) return textbook;
    for (const Piece& piece : covering) {
        if (!piece.known) return textbook;
        const bool withN = linearTerm && piece.cls == growthNLgN;
        for (int c = withN ? growthN : piece.cls; c <= piece.cls; ++c) {
            textbook.classes.push_back(GrowthClass(c));
        }
    }
    textbook.known = true;
    textbook.piecewise = covering.size() > 1;
    textbook.text = pieceText(covering[0]) + (linearTerm ? " + N" : "");
    if (linearTerm) textbook.reason += "; in time, its 2(n - 1) allocations add a linear term";
    if (textbook.piecewise) {
        textbook.text += " to " + sizeText(covering[0].upTo) + ", then " + pieceText(covering[1]);
    }
    return textbook;
}

}  // namespace

TextbookGrowth textbookGrowth(SortId sort, const Shape& shape, GrowthFigure figure, double least,
                              double most) {
    // Merge sort's 2(n - 1) allocations and frees cost about as much per
    // element as all its merging below a million elements (a whole call on
    // all_equal grows as n^1.02 over 1000..1000000): its time is
    // a n lg n + b n, which can come out as N as well as N lg N.
    const bool linearTerm = figure == figureTime && sort == sortMerge;
    for (const Entry& entry : entries) {
        if (entry.sort == sort && entry.kind == shape.kind) {
            return fromEntry(entry.reason, entry.rule(shape), linearTerm, least, most);
        }
    }
    // No line of its own: what the sort's row expects on every shape.
    const SortEntry& row = sortEntry(sort);
    GrowthClass cls;
    if (row.expects != nullptr && parseGrowthClass(row.expects, cls)) {
        return fromEntry(row.expectsWhy, always(cls), linearTerm, least, most);
    }
    TextbookGrowth none = {false, "", "", {}, false};
    if (row.user) {
        none.reason = row.expects ? "SB_EXPECT(\"" + std::string(row.expects) + "\") names no growth class"
                                  : "no SB_EXPECT";
    }
    return none;
}

double harmonic(double n) {
    double h = 0;
    for (double k = n; k >= 1; --k) h += 1 / k;
    return h;
}

int decimalDigits(unsigned v) {
    int d = 0;
    for (; v > 0; v /= 10) ++d;
    return d;
}

unsigned radixSpan(int min, int max) {
    return static_cast<unsigned>(max) - (min < 0 ? static_cast<unsigned>(min) : 0u);
}

namespace {

// One sort on one shape: the exact figure for an input of n elements with
// values min..max (comparisons; passes for counting and radix sort), and
// the same as terms in n for the growth rows. Both come from one branch.
struct Formula {
    double value;  // < 0: the textbook says nothing
    std::string text;
    TextbookTerms terms;  // known false where the figure is no sum of these terms
};

Formula nothing() { return {-1, "", {false, {}, "", {}, 0}}; }
Formula exact(double value, const std::string& text, const GrowthTerms& terms, const std::string& termsText) {
    return {value, text, {true, terms, termsText, {}, 0}};
}

// Quick sort on sorted values of D kinds: each partition peels one element
// while values are distinct and one value's block once they repeat, and
// about k = D (1 - e^(-n/D)) of the D values occur in n elements.
double valuesPresent(double n, double d) { return d * -std::expm1(-n / d); }

// What a figure depends on: the input's length and values, or for the
// growth rows their expectation on the shape.
struct Facts {
    double n;
    int min, max;
    double distinct;    // values present
    double equalPairs;  // pairs of equal values: about n(n-1)/(2D) on random values
};

Formula formulaFor(SortId sort, const Shape& shape, const Facts& facts) {
    const double n = facts.n, d = facts.distinct;
    const int min = facts.min, max = facts.max;
    const double pairs = n * (n - 1) / 2;
    const double nLgN = n * std::log2(n);
    const bool random = shape.kind == shapeRandom || shape.kind == shapeRandomMillion ||
                        shape.kind == shapeRandomWide || shape.kind == shapeFewDistinct ||
                        shape.kind == shapeFewDistinctK || shape.kind == shapeRandomMax;
    const bool oneValue = distinctValues(shape) <= 1 || shape.kind == shapeAllEqual;
    const bool sorted = shape.kind == shapeAscending ||
                        (shape.kind == shapeNearlySorted && shape.parameter == 0) ||
                        (shape.kind == shapeRuns && shape.parameter == 1);
    // Values that repeat are no inversion: a share 1/D of the pairs.
    const double unequal = pairs > 0 ? 1 - facts.equalPairs / pairs : 1;
    switch (sort) {
        case sortInsertion:
            if (oneValue || sorted) return exact(n - 1, "n-1", {{termN, 1}, {termOne, -1}}, "n - 1");
            if (random) {
                // Inversions plus one comparison per element that stops
                // short of the front, all but about H(n) of them.
                return exact((pairs - facts.equalPairs) / 2 + n - harmonic(n),
                             "(n(n-1)/2 - equal pairs)/2 + n - H(n)",
                             {{termN2, unequal / 4}, {termN, 1 - unequal / 4}},
                             formatted("(1 - 1/D) n(n-1)/4 + n - H(n) = %.4g n^2 + %.4g n", unequal / 4,
                                       1 - unequal / 4));
            }
            if (shape.kind == shapeDescending) {
                // Every unequal pair is an inversion; an element equal to
                // the one before it stops there after one comparison.
                return exact(pairs - facts.equalPairs + n - d, "n(n-1)/2 - equal pairs + n - values",
                             {{termN2, unequal / 2}, {termN, -unequal / 2}},
                             formatted("(1 - 1/D) n(n-1)/2 = %.4g n^2 - %.4g n", unequal / 2, unequal / 2));
            }
            if (shape.kind == shapeNearlySorted) {
                return exact(n + shape.parameter * n * n / 150, "n + P n^2/150, P% displaced by about n/3",
                             {{termN2, shape.parameter / 150}, {termN, 1}},
                             formatted("P n^2/150 + n = %.4g n^2 + n", shape.parameter / 150));
            }
            break;
        case sortMerge:
            if (oneValue || sorted) {
                return exact(nLgN / 2, "(n lg n)/2, lower bound", {{termNLgN, 0.5}}, "(n lg n)/2");
            }
            if (shape.kind == shapeDescending) {
                // Blocks of equal values straddle the halves and add to it
                // (count/(n lg n) 0.497 at 1000, 0.552 at 10^6): the
                // misfit beside the fitted terms says by how much.
                return exact(nLgN / 2, "(n lg n)/2, lower bound", {{termNLgN, 0.5}},
                             "(n lg n)/2, more as blocks of equal values grow");
            }
            if (random) {
                // Equal neighbours end a merge early: a share 1/(2D) of
                // the comparisons goes.
                const double lead = 1 - 1 / (2 * d);
                return exact(lead * nLgN - 1.25 * n, "(1 - 1/(2D)) n lg n - 1.25n, average",
                             {{termNLgN, lead}, {termN, -1.25}},
                             formatted("(1 - 1/(2D)) n lg n - 1.25 n = %.4g n lg n - 1.25 n", lead));
            }
            break;
        case sortQuick: {
            if (oneValue)
                return exact(n * (n - 1) / 2, "n(n-1)/2", {{termN2, 0.5}, {termN, -0.5}}, "n(n-1)/2");
            const double distinct = 2 * (n + 1) * harmonic(n) - 4 * n;
            const double blocks = facts.equalPairs;  // n^2/(2D): Lomuto's strict < inside blocks
            if (random) {
                // Values that never repeat at these sizes: 2(n+1)H(n) - 4n.
                if (d > 1e8) {
                    return exact(distinct, "2(n+1)H(n) - 4n, distinct values",
                                 {{termNLgN, 2 * std::log(2.0)}, {termN, -2.85}},
                                 "2 ln 2 = 1.386 n lg n - 2.85 n");
                }
                if (d >= 1e6) {
                    return exact(distinct + blocks, "2(n+1)H(n) - 4n + equal pairs",
                                 {{termN2, 1 / (2 * d)}, {termNLgN, 2 * std::log(2.0)}, {termN, -2.85}},
                                 formatted("1/(2D) = %.2g n^2 + 1.386 n lg n - 2.85 n", 1 / (2 * d)));
                }
                // Once every value repeats (n >= 10 D), 2 ln D per element
                // and n^2/(2D) in the blocks of equal values.
                const double repeated = blocks + 2 * n * std::log(d);
                Formula f =
                    exact(n >= 10 * d ? repeated : distinct + blocks,
                          n >= 10 * d ? "equal pairs + 2n ln D, values repeat"
                                      : "2(n+1)H(n) - 4n + equal pairs, values mostly distinct",
                          {{termN2, 1 / (2 * d)}, {termN, 2 * std::log(d)}},
                          formatted("1/(2D) = %.2g n^2 + 2 ln D = %.3g n", 1 / (2 * d), 2 * std::log(d)));
                f.terms.from = 10 * d;
                return f;
            }
            // Sorted values: n k/2 with k the values present; descending
            // input takes twice that once they repeat.
            if (sorted || shape.kind == shapeDescending) {
                const double k = valuesPresent(n, d);
                const double value = shape.kind == shapeDescending ? n * k / 2 * (2 - k / n) : n * k / 2;
                const char* text = shape.kind == shapeDescending
                                       ? "n k (1 - k/(2n)), k = D(1 - e^(-n/D)) values"
                                       : "n k/2, k = D(1 - e^(-n/D)) values";
                return {value, text, {false, {}, "", {}, 0}};
            }
            if (shape.kind == shapeRuns) {
                const double k = valuesPresent(n, shape.parameter * d);
                return {n * k / (2 * shape.parameter),
                        "n k/(2R), k = RD(1 - e^(-n/(RD)))",
                        {false, {}, "", {}, 0}};
            }
            break;
        }
        case sortCounting:
            if (random && shape.kind != shapeRandomWide) {
                Formula f = exact(
                    min < 0 ? 5 : 4,
                    min < 0 ? "5 passes: max, min, count, place, copy" : "4 passes: max, count, place, copy",
                    {{termN, 4}, {termOne, d}}, formatted("4 passes n + D = %.0f counters", d));
                return f;
            }
            if (min < 0) return {5, "5 passes: max, min, count, place, copy", {false, {}, "", {}, 0}};
            return {4, "4 passes: max, count, place, copy", {false, {}, "", {}, 0}};
        case sortRadix: {
            // Below zero the keys are value - min, shifted there and back.
            const int digits = decimalDigits(radixSpan(min, max));
            if (min < 0) {
                return {4.0 + 3 * digits,
                        "4 + 3d passes, d = " + std::to_string(digits) + " digits of max - min",
                        {false, {}, "", {}, 0}};
            }
            return {1.0 + 3 * digits,
                    "1 + 3d passes, d = " + std::to_string(digits) + " digits of max",
                    {false, {}, "", {}, 0}};
        }
        default: break;
    }
    return nothing();
}

}  // namespace

TextbookTerms textbookTerms(SortId sort, const Shape& shape) {
    const double n = 1000, d = distinctValues(shape);
    const Facts expected = {n, shapeMinValue(shape), shapeMaxValue(shape), d, n * (n - 1) / (2 * d)};
    TextbookTerms terms = formulaFor(sort, shape, expected).terms;
    if (terms.fitWith.empty()) {
        for (const TermConstant& term : terms.terms) terms.fitWith.push_back(term.term);
    }
    return terms;
}

Expectation textbookCount(SortId sort, const Shape& shape, const std::vector<int>& input) {
    if (input.empty()) return {-1, ""};
    std::vector<int> sorted = input;
    std::sort(sorted.begin(), sorted.end());
    Facts facts = {static_cast<double>(input.size()), sorted.front(), sorted.back(), 0, 0};
    for (std::size_t i = 0, run = 0; i < sorted.size(); ++i) {
        run = i > 0 && sorted[i] == sorted[i - 1] ? run + 1 : 0;
        facts.equalPairs += static_cast<double>(run);
        facts.distinct += run == 0;
    }
    // The shape's values: a short input holds few of them, yet its
    // regime is that of their number. Descending input counts its own.
    if (shape.kind != shapeDescending) facts.distinct = distinctValues(shape);
    const Formula f = formulaFor(sort, shape, facts);
    return {f.value, f.text};
}
