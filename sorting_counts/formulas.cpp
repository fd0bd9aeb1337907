#include <algorithm>
#include <cmath>

#include "sorting_counts/counts.h"

double harmonic(double n) {
    double h = 0;
    for (double k = n; k >= 1; --k) h += 1 / k;
    return h;
}

double growthEstimate(const std::vector<std::pair<int, double>>& counts, double n, double& exponent) {
    exponent = 2;
    if (counts.empty()) return 0;
    const std::pair<int, double>& last = counts.back();
    if (counts.size() > 1) {
        const std::pair<int, double>& before = counts[counts.size() - 2];
        if (before.second > 0 && last.second > 0 && last.first > before.first) {
            exponent = std::log(last.second / before.second) / std::log(double(last.first) / before.first);
            exponent = std::min(2.0, std::max(1.0, exponent));
        }
    }
    return last.second * std::pow(n / last.first, exponent);
}

// Counting and radix sort: the passes over all n elements the textbook's
// steps make; the others: comparisons. Values of the random shapes repeat,
// which the formulas for distinct values do not allow for.
Expectation textbookCount(SortId sort, const Shape& shape, const std::vector<int>& input) {
    if (input.empty()) return {-1, ""};
    const double n = static_cast<double>(input.size());
    const double nLgN = n * std::log2(n);
    const bool random = shapeIsRandom(shape);
    const bool ascending =
        shape.kind == shapeAscending || (shape.kind == shapeNearlySorted && shape.parameter == 0);
    const bool nonDecreasing = ascending || shape.kind == shapeAllEqual;
    const bool oneValue = shape.kind == shapeAllEqual ||
                          (shape.kind == shapeFewDistinctK && shape.parameter == 1) ||
                          (shape.kind == shapeRandomMax && shape.parameter == 0);
    const int min = *std::min_element(input.begin(), input.end());
    const int max = *std::max_element(input.begin(), input.end());
    switch (sort) {
        case sortInsertion:
            if (oneValue || nonDecreasing) return {n - 1, "n-1"};
            if (random) return {n * (n - 1) / 4 + n - harmonic(n), "n(n-1)/4 + n - H(n), distinct values"};
            if (shape.kind == shapeDescending) return {n * (n - 1) / 2, "n(n-1)/2, distinct values"};
            // Each displaced element by d makes about 2d inversions, d about n/3.
            if (shape.kind == shapeNearlySorted)
                return {n + shape.parameter * n * n / 150, "n + P n^2/150, P% displaced by about n/3"};
            break;
        case sortMerge:
            if (nonDecreasing || oneValue) return {nLgN / 2, "(n lg n)/2, lower bound"};
            if (random) return {nLgN - 1.25 * n, "n lg n - 1.25n, average"};
            break;
        case sortQuick:
            if (oneValue) return {n * (n - 1) / 2, "n(n-1)/2"};
            if (random) return {2 * (n + 1) * harmonic(n) - 4 * n, "2(n+1)H(n) - 4n, distinct values"};
            if (ascending || shape.kind == shapeDescending)
                return {n * (n - 1) / 2, "n(n-1)/2, distinct values"};
            break;
        case sortCounting:
            if (min < 0) return {5, "5 passes: max, min, count, place, copy"};
            return {4, "4 passes: max, count, place, copy"};
        case sortRadix: {
            // Below zero the keys are value - min, shifted there and back.
            const int d = decimalDigits(radixSpan(min, max));
            if (min < 0)
                return {4.0 + 3 * d, "4 + 3d passes, d = " + std::to_string(d) + " digits of max - min"};
            return {1.0 + 3 * d, "1 + 3d passes, d = " + std::to_string(d) + " digits of max"};
        }
        default: break;
    }
    return {-1, ""};
}
