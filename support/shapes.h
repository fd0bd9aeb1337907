// Input shapes shared by the tests and the statistical benchmark: each is
// built from a seed and a length, so the same seed gives the same arrays in
// both. Values lie in 0..9999 unless the shape says otherwise.
#ifndef SUPPORT_SHAPES_H
#define SUPPORT_SHAPES_H

#include <cstdint>
#include <vector>

enum Shape {
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
    shapeCount
};

// Names as the benchmark spells them: "random", "random_million", ...
extern const char* const shapeNames[shapeCount];

std::vector<int> makeShape(Shape shape, int n, std::uint32_t seed);

// The seed for this process: SORTBENCH_SEED from the environment when set,
// so that a failure can be replayed, else a fresh one. Print it.
std::uint32_t processSeed();

#endif
