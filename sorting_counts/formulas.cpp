#include <algorithm>
#include <cmath>

#include "sorting_counts/counts.h"

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
