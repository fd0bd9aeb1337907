// What the textbook expects of each sort on each shape: one line per sort
// and shape kind, with its reason. Where the cost changes regime with n,
// the entry is piecewise; where the textbook says nothing, it has no class.
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "compare/growth.h"

namespace {

// The classes expected up to upTo elements (inclusive); none: the textbook
// says nothing there. atMost: a bound, any class from N up to cls.
struct Piece {
    bool known;
    GrowthClass cls;
    bool atMost;
    double upTo;
};
struct Pieces {
    int count;
    Piece piece[2];
};
typedef Pieces (*Rule)(const Shape& shape);

const double everySize = std::numeric_limits<double>::infinity();

Pieces always(GrowthClass cls) { return {1, {{true, cls, false, everySize}, {}}}; }
Pieces nothingSaid(const Shape&) { return {1, {{false, growthOne, false, everySize}, {}}}; }
Pieces linear(const Shape&) { return always(growthN); }
Pieces nLgN(const Shape&) { return always(growthNLgN); }
Pieces quadratic(const Shape&) { return always(growthN2); }
Pieces atMostNLgN(const Shape&) { return {1, {{true, growthNLgN, true, everySize}, {}}}; }

double distinctValues(const Shape& shape) {
    return static_cast<double>(shapeMaxValue(shape)) - shapeMinValue(shape) + 1;
}

// Insertion sort: linear on sorted input, quadratic once inversions grow as n^2.
Pieces insertionOnValues(const Shape& shape) {
    return always(distinctValues(shape) > 1 ? growthN2 : growthN);
}
Pieces insertionOnRuns(const Shape& shape) { return always(shape.parameter > 1 ? growthN2 : growthN); }
// P% of n swaps, each moving about n/3 places: n + P n^2 / 300, whose
// second term passes the first above n = 300 / P.
Pieces insertionNearlySorted(const Shape& shape) {
    if (shape.parameter <= 0) return always(growthN);
    return {2, {{true, growthN, false, 300 / shape.parameter}, {true, growthN2, false, everySize}}};
}

// Quick sort on random values of D kinds: 1.39 n lg n, plus n^2 / (2D) for
// the blocks of equal values that Lomuto's strict < peels one at a time;
// that term passes a fifth of the first above about 10 D.
Pieces quickOnRepeats(const Shape& shape) {
    const double tenD = 10 * distinctValues(shape);
    return {2, {{true, growthNLgN, false, tenD}, {true, growthN2, false, everySize}}};
}
// On sorted input every partition peels one element while values are
// distinct (n^2 / 2), one value's whole block once they repeat (n D / 2).
Pieces quickOnSorted(const Shape& shape) {
    return {2, {{true, growthN2, false, distinctValues(shape)}, {true, growthN, false, everySize}}};
}
Pieces quickNearlySorted(const Shape& shape) {
    return shape.parameter > 0 ? nothingSaid(shape) : quickOnSorted(shape);
}
Pieces quickOnRuns(const Shape& shape) {
    return shape.parameter > 1 ? nothingSaid(shape) : quickOnSorted(shape);
}

Pieces stdOnRandom(const Shape& shape) {
    return shape.kind == shapeRandomMax ? atMostNLgN(shape) : nLgN(shape);
}

struct Entry {
    SortId sort;
    ShapeKind kind;
    Rule rule;
    const char* reason;
};

const char* const insertionUnordered = "about n^2/4 inversions, each costs a comparison";
const char* const mergeEverywhere =
    "halves down to single elements and merges every level, (n lg n)/2 to n lg n";
const char* const countingEverywhere = "n per pass plus a table of max - min + 1 counters, fixed for a shape";
const char* const radixEverywhere = "3 passes per decimal digit of the largest value, fixed for a shape";
const char* const quickRepeats =
    "Lomuto, last pivot: 1.39 n lg n, plus n^2/(2D) inside blocks of equal values";
const char* const quickSortedRepeats =
    "each partition peels one element while values are distinct, then one block";
const char* const stdRandom = "introsort: O(n lg n) comparisons, n lg n on random input";
const char* const stdBound = "the standard promises O(n lg n) comparisons; adaptive on order";
const char* const stableRandom = "merge sort with a buffer: n lg n on random input";
const char* const stableBound =
    "the standard promises O(n lg n) comparisons with its buffer; adaptive on order";

const Entry entries[] = {
    {sortInsertion, shapeRandom, quadratic, insertionUnordered},
    {sortInsertion, shapeRandomMillion, quadratic, insertionUnordered},
    {sortInsertion, shapeRandomWide, quadratic, insertionUnordered},
    {sortInsertion, shapeFewDistinct, quadratic, insertionUnordered},
    {sortInsertion, shapeAscending, linear, "one comparison per element"},
    {sortInsertion, shapeDescending, quadratic, "every pair of distinct values is an inversion: n^2/2"},
    {sortInsertion, shapeAllEqual, linear, "one comparison per element"},
    {sortInsertion, shapeSaws, quadratic, "runs of random direction: about n^2/4 inversions between them"},
    {sortInsertion, shapePipeOrgan, quadratic, "the descending half's elements pass the ascending half"},
    {sortInsertion, shapeRandomTail, quadratic, "each of the 5% random elements passes half the sorted 95%"},
    {sortInsertion, shapeNearlySorted, insertionNearlySorted, "n, plus about n/3 moves per swapped pair"},
    {sortInsertion, shapeFewDistinctK, insertionOnValues,
     "n^2/4 inversions, but one comparison each for K = 1"},
    {sortInsertion, shapeRandomMax, insertionOnValues,
     "n^2/4 inversions, but one comparison each for MAX = 0"},
    {sortInsertion, shapeRuns, insertionOnRuns, "inversions between runs grow as n^2; one run is sorted"},

    {sortMerge, shapeRandom, nLgN, mergeEverywhere},
    {sortMerge, shapeRandomMillion, nLgN, mergeEverywhere},
    {sortMerge, shapeRandomWide, nLgN, mergeEverywhere},
    {sortMerge, shapeFewDistinct, nLgN, mergeEverywhere},
    {sortMerge, shapeAscending, nLgN, mergeEverywhere},
    {sortMerge, shapeDescending, nLgN, mergeEverywhere},
    {sortMerge, shapeAllEqual, nLgN, mergeEverywhere},
    {sortMerge, shapeSaws, nLgN, mergeEverywhere},
    {sortMerge, shapePipeOrgan, nLgN, mergeEverywhere},
    {sortMerge, shapeRandomTail, nLgN, mergeEverywhere},
    {sortMerge, shapeNearlySorted, nLgN, mergeEverywhere},
    {sortMerge, shapeFewDistinctK, nLgN, mergeEverywhere},
    {sortMerge, shapeRandomMax, nLgN, mergeEverywhere},
    {sortMerge, shapeRuns, nLgN, mergeEverywhere},

    {sortQuick, shapeRandom, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRandomMillion, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRandomWide, quickOnRepeats, quickRepeats},
    {sortQuick, shapeFewDistinct, quickOnRepeats, quickRepeats},
    {sortQuick, shapeAscending, quickOnSorted, quickSortedRepeats},
    {sortQuick, shapeDescending, quickOnSorted, quickSortedRepeats},
    {sortQuick, shapeAllEqual, quadratic, "every partition peels one element: n^2/2"},
    {sortQuick, shapeSaws, nothingSaid, "sorted runs make pivots extremes of their runs; no textbook figure"},
    {sortQuick, shapePipeOrgan, nothingSaid, "the last element is the smallest; no textbook figure"},
    {sortQuick, shapeRandomTail, nothingSaid,
     "random pivots into a sorted prefix with repeats; no textbook figure"},
    {sortQuick, shapeNearlySorted, quickNearlySorted, "sorted for P = 0; no textbook figure with swaps"},
    {sortQuick, shapeFewDistinctK, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRandomMax, quickOnRepeats, quickRepeats},
    {sortQuick, shapeRuns, quickOnRuns, "sorted for R = 1; no textbook figure for several runs"},

    {sortCounting, shapeRandom, linear, countingEverywhere},
    {sortCounting, shapeRandomMillion, linear, countingEverywhere},
    {sortCounting, shapeRandomWide, linear, countingEverywhere},
    {sortCounting, shapeFewDistinct, linear, countingEverywhere},
    {sortCounting, shapeAscending, linear, countingEverywhere},
    {sortCounting, shapeDescending, linear, countingEverywhere},
    {sortCounting, shapeAllEqual, linear, countingEverywhere},
    {sortCounting, shapeSaws, linear, countingEverywhere},
    {sortCounting, shapePipeOrgan, linear, countingEverywhere},
    {sortCounting, shapeRandomTail, linear, countingEverywhere},
    {sortCounting, shapeNearlySorted, linear, countingEverywhere},
    {sortCounting, shapeFewDistinctK, linear, countingEverywhere},
    {sortCounting, shapeRandomMax, linear, countingEverywhere},
    {sortCounting, shapeRuns, linear, countingEverywhere},

    {sortRadix, shapeRandom, linear, radixEverywhere},
    {sortRadix, shapeRandomMillion, linear, radixEverywhere},
    {sortRadix, shapeRandomWide, linear, radixEverywhere},
    {sortRadix, shapeFewDistinct, linear, radixEverywhere},
    {sortRadix, shapeAscending, linear, radixEverywhere},
    {sortRadix, shapeDescending, linear, radixEverywhere},
    {sortRadix, shapeAllEqual, linear, "3 passes per digit of the one value, 1 to 4 digits"},
    {sortRadix, shapeSaws, linear, radixEverywhere},
    {sortRadix, shapePipeOrgan, linear, radixEverywhere},
    {sortRadix, shapeRandomTail, linear, radixEverywhere},
    {sortRadix, shapeNearlySorted, linear, radixEverywhere},
    {sortRadix, shapeFewDistinctK, linear, radixEverywhere},
    {sortRadix, shapeRandomMax, linear, radixEverywhere},
    {sortRadix, shapeRuns, linear, radixEverywhere},

    {sortStd, shapeRandom, nLgN, stdRandom},
    {sortStd, shapeRandomMillion, nLgN, stdRandom},
    {sortStd, shapeRandomWide, nLgN, stdRandom},
    {sortStd, shapeFewDistinct, atMostNLgN, stdBound},
    {sortStd, shapeAscending, atMostNLgN, stdBound},
    {sortStd, shapeDescending, atMostNLgN, stdBound},
    {sortStd, shapeAllEqual, atMostNLgN, stdBound},
    {sortStd, shapeSaws, atMostNLgN, stdBound},
    {sortStd, shapePipeOrgan, atMostNLgN, stdBound},
    {sortStd, shapeRandomTail, atMostNLgN, stdBound},
    {sortStd, shapeNearlySorted, atMostNLgN, stdBound},
    {sortStd, shapeFewDistinctK, atMostNLgN, stdBound},
    {sortStd, shapeRandomMax, stdOnRandom, stdBound},
    {sortStd, shapeRuns, atMostNLgN, stdBound},

    {sortStdStable, shapeRandom, nLgN, stableRandom},
    {sortStdStable, shapeRandomMillion, nLgN, stableRandom},
    {sortStdStable, shapeRandomWide, nLgN, stableRandom},
    {sortStdStable, shapeFewDistinct, atMostNLgN, stableBound},
    {sortStdStable, shapeAscending, atMostNLgN, stableBound},
    {sortStdStable, shapeDescending, atMostNLgN, stableBound},
    {sortStdStable, shapeAllEqual, atMostNLgN, stableBound},
    {sortStdStable, shapeSaws, atMostNLgN, stableBound},
    {sortStdStable, shapePipeOrgan, atMostNLgN, stableBound},
    {sortStdStable, shapeRandomTail, atMostNLgN, stableBound},
    {sortStdStable, shapeNearlySorted, atMostNLgN, stableBound},
    {sortStdStable, shapeFewDistinctK, atMostNLgN, stableBound},
    {sortStdStable, shapeRandomMax, stdOnRandom, stableBound},
    {sortStdStable, shapeRuns, atMostNLgN, stableBound},
};

std::string pieceText(const Piece& piece) {
    return (piece.atMost ? "at most " : "") + std::string(growthClassNames[piece.cls]);
}

std::string sizeText(double n) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", n);
    return text;
}

}  // namespace

TextbookGrowth textbookGrowth(SortId sort, const Shape& shape, GrowthFigure figure, double least,
                              double most) {
    // Merge sort's 2(n - 1) allocations and frees cost about as much per
    // element as all its merging below a million elements (a whole call on
    // all_equal grows as n^1.02 over 1000..1000000): its time is
    // a n lg n + b n, which can come out as N as well as N lg N.
    const bool linearTerm = figure == figureTime && sort == sortMerge;
    TextbookGrowth textbook = {false, "", "", {}, false};
    if (sortEntry(sort).user) {
        // What its author expects (SB_EXPECT), when it names a class.
        const char* expect = sortEntry(sort).expect;
        textbook.reason =
            expect ? "SB_EXPECT(\"" + std::string(expect) + "\") names no growth class" : "no SB_EXPECT";
        for (int c = 0; expect != nullptr && c < growthClassCount; ++c) {
            if (std::string(expect) != growthClassNames[c]) continue;
            textbook = {true, expect, "its author's expectation (SB_EXPECT)", {GrowthClass(c)}, false};
        }
        return textbook;
    }
    for (const Entry& entry : entries) {
        if (entry.sort != sort || entry.kind != shape.kind) continue;
        textbook.reason = entry.reason;
        const Pieces pieces = entry.rule(shape);
        // The pieces that cover some of least..most.
        std::vector<Piece> covering;
        double from = 0;
        for (int p = 0; p < pieces.count; ++p) {
            if (pieces.piece[p].upTo >= least && from < most) covering.push_back(pieces.piece[p]);
            from = pieces.piece[p].upTo;
        }
        if (covering.empty()) return textbook;
        for (const Piece& piece : covering) {
            if (!piece.known) return textbook;
            const bool withN = piece.atMost || (linearTerm && piece.cls == growthNLgN);
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
    return textbook;
}
