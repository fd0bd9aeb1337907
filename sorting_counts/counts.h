// sorting_counts apart from its main, so that the tests can check its
// textbook figures and its budget: operation counts of the sorts over
// shapes and sizes, the inputs' disorder, and the growth the counts show.
#ifndef SORTING_COUNTS_COUNTS_H
#define SORTING_COUNTS_COUNTS_H

#include <string>
#include <vector>

#include "compare/shapes.h"
#include "compare/sorts.h"

// What the textbook says a sort costs on an input: comparisons, but passes
// over all n elements for counting and radix sort. value < 0: it says
// nothing for this shape.
struct Expectation {
    double value;
    std::string formula;
};
Expectation textbookCount(SortId sort, const Shape& shape, const std::vector<int>& input);

// H(n) = 1 + 1/2 + ... + 1/n.
double harmonic(double n);

// The comparisons to expect at n from a count at a smaller size, as if the
// case were quadratic: the worst the sorts here can do.
double quadraticEstimate(double count, double countSize, double n);

// The whole program: options, counts, output. Returns the exit status.
int countsMain(int argc, char** argv);

#endif
