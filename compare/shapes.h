// Input shapes shared by the tests, the statistical benchmark and the
// operation counts: each is built from a seed and a length, so the same
// seed gives the same arrays in all three. Values lie in 0..9999 unless the
// shape says otherwise.
#ifndef COMPARE_SHAPES_H
#define COMPARE_SHAPES_H

#include <cstdint>
#include <string>
#include <vector>

enum ShapeKind {
    // The ten plain shapes, which take no parameter.
    shapeRandom,         // uniform 0..9999, the report's data
    shapeRandomMillion,  // uniform 0..999999
    shapeRandomWide,     // uniform over every int, below zero included
    shapeFewDistinct,    // uniform 0..19
    shapeAscending,      // the random values sorted
    shapeDescending,     // the random values sorted, reversed
    shapeAllEqual,       // one random value repeated
    shapeSaws,           // about log2(n) runs, each sorted up or down
    shapePipeOrgan,      // first half ascending, second half descending
    shapeRandomTail,     // first 95% ascending, last 5% random
    // Shapes with a parameter, written after a colon: "nearly_sorted:0.1".
    shapeNearlySorted,  // ascending, P percent of the elements swapped away
    shapeFewDistinctK,  // uniform 0..K-1
    shapeRandomMax,     // uniform 0..MAX
    shapeRuns,          // R ascending runs of about equal length
    shapeKindCount
};
const int plainShapeCount = shapeNearlySorted;

struct Shape {
    ShapeKind kind;
    double parameter;  // P, K, MAX or R; 0 for the plain shapes
};

bool operator==(const Shape& a, const Shape& b);
bool operator!=(const Shape& a, const Shape& b);

// The ten plain shapes, in the order the tools list them.
std::vector<Shape> plainShapes();

// The name as the tools print it, the parameter in its shortest decimal
// spelling: "random", "nearly_sorted:1", "nearly_sorted:0.1".
std::string shapeName(const Shape& shape);

// Reads a shape as a user writes it ("nearly_sorted:1.0", "runs:8"), its
// parameter by the command line's one number grammar (parseNumber). On
// failure returns false and says why in error, e.g. "few_distinct needs
// K >= 1, not \"0\"".
bool parseShape(const std::string& text, Shape& shape, std::string& error);

// Every name and form parseShape accepts, for usage texts.
const char* shapeSyntax();

// The smallest and largest value the shape can hold.
int shapeMinValue(const Shape& shape);
int shapeMaxValue(const Shape& shape);
// Whether its values are drawn independently (the random shapes), repeats
// and all.
bool shapeIsRandom(const Shape& shape);

std::vector<int> makeShape(const Shape& shape, int n, std::uint32_t seed);

// The seed for this process: SORTBENCH_SEED from the environment when set,
// so that a failure can be replayed, else a fresh one. Print it.
std::uint32_t processSeed();

#endif
