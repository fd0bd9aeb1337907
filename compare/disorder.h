// Measures of how far an input is from sorted, printed beside the counts
// that depend on them.
#ifndef COMPARE_DISORDER_H
#define COMPARE_DISORDER_H

#include <vector>

// Inversions: pairs i < j with v[i] > v[j] (equal values are in order);
// 0 when sorted, n(n-1)/2 when strictly descending. O(n log n).
long long countInversions(const std::vector<int>& v);

// Ascending runs: maximal stretches that never go down, i.e. one more than
// the positions where v[i] < v[i-1]. Sorted input has 1, empty input 0 (the
// literature's Runs measure counts the descents, one less).
long long countAscendingRuns(const std::vector<int>& v);

// Distinct values: how many different values occur.
long long countDistinct(const std::vector<int>& v);

struct DisorderMeasures {
    long long inversions, runs, distinct;
};
DisorderMeasures measureDisorder(const std::vector<int>& v);

#endif
