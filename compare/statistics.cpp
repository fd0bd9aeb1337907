#include "compare/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <utility>

namespace {

// U of a: the pairs where a's value is the larger, ties counting half.
double uStatistic(const std::vector<double>& a, const std::vector<double>& b) {
    double u = 0;
    for (double x : a) {
        for (double y : b) u += x > y ? 1 : x == y ? 0.5 : 0;
    }
    return u;
}

// Sum of t^3 - t over the groups of tied values of both samples together.
double tieSum(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> all(a);
    all.insert(all.end(), b.begin(), b.end());
    std::sort(all.begin(), all.end());
    double sum = 0;
    for (std::size_t i = 0; i < all.size();) {
        std::size_t j = i;
        while (j < all.size() && all[j] == all[i]) ++j;
        const double t = double(j - i);
        sum += t * t * t - t;
        i = j;
    }
    return sum;
}

double standardNormalUpper(double z) { return 0.5 * std::erfc(z / std::sqrt(2.0)); }

// z with P(Z > z) = tail, by bisection: only 95% and the like are asked.
double standardNormalQuantileUpper(double tail) {
    double low = 0, high = 40;
    for (int i = 0; i < 200; ++i) {
        const double mid = (low + high) / 2;
        (standardNormalUpper(mid) > tail ? low : high) = mid;
    }
    return (low + high) / 2;
}

// The probabilities of U = 0..mn for samples of m and n, built up from
// smaller samples: a sample's largest value is either the last of a (it
// beats all of b) or the last of b. Probabilities rather than counts:
// every step adds positive terms, so the tails stay exact to rounding.
std::vector<double> computeDistribution(int m, int n) {
    // row[j]: the distribution for (i, j) at the current i.
    std::vector<std::vector<double>> row(std::size_t(n) + 1);
    for (int j = 0; j <= n; ++j) row[std::size_t(j)] = {1.0};  // i = 0: U is 0
    for (int i = 1; i <= m; ++i) {
        std::vector<std::vector<double>> next(std::size_t(n) + 1);
        next[0] = {1.0};
        for (int j = 1; j <= n; ++j) {
            std::vector<double> dist(std::size_t(i) * std::size_t(j) + 1, 0.0);
            const double pa = double(i) / double(i + j);
            const std::vector<double>& lastA = row[std::size_t(j)];  // (i-1, j), shifted by j
            for (std::size_t u = 0; u < lastA.size(); ++u) dist[u + std::size_t(j)] += pa * lastA[u];
            const std::vector<double>& lastB = next[std::size_t(j) - 1];  // (i, j-1)
            for (std::size_t u = 0; u < lastB.size(); ++u) dist[u] += (1 - pa) * lastB[u];
            next[std::size_t(j)] = std::move(dist);
        }
        row = std::move(next);
    }
    return row[std::size_t(n)];
}

// Kept per pair of sizes: a comparison asks for the same few many times.
const std::vector<double>& uDistribution(int m, int n) {
    static std::map<std::pair<int, int>, std::vector<double>> known;
    auto it = known.find(std::make_pair(m, n));
    if (it == known.end()) it = known.emplace(std::make_pair(m, n), computeDistribution(m, n)).first;
    return it->second;
}

bool hasTies(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> all(a);
    all.insert(all.end(), b.begin(), b.end());
    std::sort(all.begin(), all.end());
    return std::adjacent_find(all.begin(), all.end()) != all.end();
}

bool exactApplies(std::size_t m, std::size_t n) {
    return m <= std::size_t(exactSampleMost) && n <= std::size_t(exactSampleMost);
}

}  // namespace

double mannWhitneyCdf(int m, int n, long u) {
    if (u < 0) return 0;
    const std::vector<double>& dist = uDistribution(m, n);
    double sum = 0;
    for (long k = 0; k <= u && k < long(dist.size()); ++k) sum += dist[std::size_t(k)];
    return std::min(1.0, sum);
}

double mannWhitneyP(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.empty() || b.empty()) return 1;
    const double m = double(a.size()), n = double(b.size());
    const double u = uStatistic(a, b);
    const double smaller = std::min(u, m * n - u);
    if (exactApplies(a.size(), b.size()) && !hasTies(a, b)) {
        return std::min(1.0, 2 * mannWhitneyCdf(int(a.size()), int(b.size()), long(smaller)));
    }
    const double total = m + n;
    const double variance = m * n / 12 * ((total + 1) - tieSum(a, b) / (total * (total - 1)));
    if (!(variance > 0)) return 1;  // every value the same
    const double z = std::max(0.0, (m * n / 2 - smaller - 0.5) / std::sqrt(variance));
    return std::min(1.0, 2 * standardNormalUpper(z));
}

RatioEstimate hodgesLehmannRatio(const std::vector<double>& a, const std::vector<double>& b,
                                 double confidence) {
    const double infinity = std::numeric_limits<double>::infinity();
    if (a.empty() || b.empty()) return {std::nan(""), 0, infinity};
    std::vector<double> differences;
    differences.reserve(a.size() * b.size());
    for (double x : a) {
        for (double y : b) differences.push_back(std::log(y) - std::log(x));
    }
    std::sort(differences.begin(), differences.end());
    const std::size_t count = differences.size();
    const double middle =
        count % 2 ? differences[count / 2] : (differences[count / 2 - 1] + differences[count / 2]) / 2;
    const double tail = (1 - confidence) / 2;
    // k: how many differences each end of the interval leaves out.
    long k = 0;
    const int m = int(a.size()), n = int(b.size());
    if (exactApplies(a.size(), b.size())) {
        const std::vector<double>& dist = uDistribution(m, n);
        double cumulative = 0;
        for (std::size_t u = 0; u < dist.size(); ++u) {
            cumulative += dist[u];
            if (cumulative > tail * (1 + 1e-12)) break;
            k = long(u) + 1;
        }
    } else {
        const double mn = double(m) * double(n);
        const double sd = std::sqrt(mn * (m + n + 1) / 12);
        k = long(std::floor(mn / 2 - standardNormalQuantileUpper(tail) * sd));
    }
    if (k < 1 || std::size_t(k) > count / 2) return {std::exp(middle), 0, infinity};
    return {std::exp(middle), std::exp(differences[std::size_t(k) - 1]),
            std::exp(differences[count - std::size_t(k)])};
}

std::vector<double> benjaminiHochberg(const std::vector<double>& p) {
    const std::size_t m = p.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&p](std::size_t x, std::size_t y) { return p[x] < p[y]; });
    std::vector<double> q(m);
    double running = 1;
    for (std::size_t r = m; r-- > 0;) {
        running = std::min(running, p[order[r]] * double(m) / double(r + 1));
        q[order[r]] = running;
    }
    return q;
}
