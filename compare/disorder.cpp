#include "compare/disorder.h"

#include <algorithm>
#include <cstddef>

namespace {

// Sorts v[lo, hi) through scratch and returns its inversions: each element
// taken from the right half passes the left half's elements still waiting.
long long mergeCount(std::vector<int>& v, std::vector<int>& scratch, std::size_t lo, std::size_t hi) {
    if (hi - lo < 2) return 0;
    const std::size_t mid = lo + (hi - lo) / 2;
    long long inversions = mergeCount(v, scratch, lo, mid) + mergeCount(v, scratch, mid, hi);
    std::size_t i = lo;
    std::size_t j = mid;
    std::size_t k = lo;
    while (i < mid && j < hi) {
        if (v[j] < v[i]) {
            inversions += static_cast<long long>(mid - i);
            scratch[k++] = v[j++];
        } else {
            scratch[k++] = v[i++];
        }
    }
    while (i < mid) scratch[k++] = v[i++];
    while (j < hi) scratch[k++] = v[j++];
    std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(lo),
              scratch.begin() + static_cast<std::ptrdiff_t>(hi), v.begin() + static_cast<std::ptrdiff_t>(lo));
    return inversions;
}

}  // namespace

long long countInversions(const std::vector<int>& v) {
    std::vector<int> work = v;
    std::vector<int> scratch(v.size());
    return mergeCount(work, scratch, 0, work.size());
}

long long countAscendingRuns(const std::vector<int>& v) {
    if (v.empty()) return 0;
    long long runs = 1;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (v[i] < v[i - 1]) ++runs;
    }
    return runs;
}

long long countDistinct(const std::vector<int>& v) {
    std::vector<int> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    return static_cast<long long>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

DisorderMeasures measureDisorder(const std::vector<int>& v) {
    return DisorderMeasures{countInversions(v), countAscendingRuns(v), countDistinct(v)};
}
