// Tests for comparing two sets of timings: rank-based, so that one slow
// repetition (a context switch) moves nothing, and exact for the few
// repetitions benchmarks can afford.
#ifndef COMPARE_STATISTICS_H
#define COMPARE_STATISTICS_H

#include <vector>

// Two-sided p-value of the Mann-Whitney U test of a against b: from the
// exact distribution of U where no value is tied and both samples are at
// most exactSampleMost long, else from the normal approximation with the
// tie correction and a continuity correction. 1 where either is empty.
const int exactSampleMost = 50;
double mannWhitneyP(const std::vector<double>& a, const std::vector<double>& b);

// The ratio of b to a (b / a: new over old) estimated by Hodges-Lehmann on
// logarithms, the median of every log(b_j) - log(a_i), with its distribution
// free confidence interval from the same U distribution. Where the samples
// are too small for the confidence asked (3 against 3 at 95%), low is 0 and
// high is infinite. Values must be above zero.
struct RatioEstimate {
    double ratio, low, high;
};
RatioEstimate hodgesLehmannRatio(const std::vector<double>& a, const std::vector<double>& b,
                                 double confidence);

// Benjamini-Hochberg adjusted p-values (q-values), in the order given: a
// test is a discovery at false-discovery rate alpha where its q <= alpha.
std::vector<double> benjaminiHochberg(const std::vector<double>& p);

// P(U <= u) under the null hypothesis for samples of m and n without ties.
double mannWhitneyCdf(int m, int n, long u);

#endif
