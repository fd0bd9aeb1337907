// What sorting_benchmark keeps of its runs, between the reporter that
// collects them (run_report.cpp) and the page that shows them
// (run_page.cpp).
#ifndef SORTING_BENCHMARK_RESULTS_H
#define SORTING_BENCHMARK_RESULTS_H

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "compare/growth.h"
#include "compare/html_report.h"
#include "compare/platform.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "sorting_benchmark/run_report.h"

// Everything the runs said about one benchmark, <sort>/<shape>/<n>, over
// its repetitions.
struct Measurement {
    SortId sort;
    Shape shape;
    int n;
    std::vector<double> seconds;  // per call, one per repetition
    std::vector<double> faults;   // page faults per call, likewise
    double medianSeconds;         // the median aggregate, for runs that reported aggregates only
    double allocations;           // per call; below 0 where memory was not counted
    double peakBytes;
    std::string error;  // the first error of any repetition: a skip or a failure
};

// A stated skip ("skipped: ..."), not a failure.
bool isSkip(const std::string& error);

// A benchmark's time per call where every repetition was verified; 0 where
// it was skipped or failed.
double secondsPerCall(const Measurement& m);

struct Family {
    SortId sort;
    Shape shape;
    std::vector<const Measurement*> sizes;  // increasing n, verified runs only
};

// What the page's context says of the machine, from Google Benchmark's.
struct RunFacts {
    std::string host, caches;
    int cpus;
    double mhz;
    std::vector<double> loadAverage;
};

// Allocations and peak bytes per call at each family's largest size, for
// the page and, laid out as text, for the console.
Table memoryTable(const std::vector<Family>& families);
std::string memoryText(const Table& table);

// The growth and memory tables on out, then the summary and the page where
// asked; false when a file could not be written.
bool reportMeasurements(const std::deque<Measurement>& measurements, const RunFacts& facts,
                        const ReportOptions& options, const std::vector<DataCache>& caches,
                        std::ostream& out);

Report pageOf(const std::deque<Measurement>& measurements, const RunFacts& facts,
              const ReportOptions& options, const std::vector<FamilyGrowth>& growth,
              const std::vector<Family>& families, const std::vector<Shape>& shapes,
              const std::string& cacheNote);

#endif
