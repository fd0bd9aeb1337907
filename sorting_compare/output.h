// What sorting_compare shows: the console table (changed benchmarks first,
// then the summary), the JSON (a row per benchmark, or per changed count)
// and the page's description, which compare/html_report.* writes.
#ifndef SORTING_COMPARE_OUTPUT_H
#define SORTING_COMPARE_OUTPUT_H

#include <string>

#include "compare/html_report.h"
#include "sorting_compare/comparison.h"

std::string benchmarkText(const Settings& settings, const BenchmarkComparisonResult& result);
std::string benchmarkJson(const Settings& settings, const BenchmarkComparisonResult& result);
Report benchmarkPage(const Settings& settings, const BenchmarkComparisonResult& result);

std::string countsText(const Settings& settings, const CountsComparisonResult& result);
std::string countsJson(const Settings& settings, const CountsComparisonResult& result);
Report countsPage(const Settings& settings, const CountsComparisonResult& result);

// "1.52x [1.48, 1.57]", "1.00x [unbounded]".
std::string ratioText(const RatioEstimate& ratio);

#endif
