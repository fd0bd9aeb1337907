// The end of a sorting_benchmark run: Google Benchmark's own output as the
// user asked for it, then the growth of every sort and shape that ran, and
// the summary JSON and the HTML page where asked.
#ifndef SORTING_BENCHMARK_RUN_REPORT_H
#define SORTING_BENCHMARK_RUN_REPORT_H

#include <cstdint>
#include <functional>
#include <string>

struct ReportOptions {
    std::string summaryPath, htmlPath, commandLine;  // empty paths: not asked for
    std::uint32_t seed;                              // the inputs' seed, for the page's context
    double budgetSeconds;                            // the time budget per call, likewise
    bool realTime;                                   // analyse and draw real time rather than CPU time
    // --benchmark_out: where it goes, the temporary Google Benchmark writes
    // it to (put in place once the run has gone well) and its format.
    std::string outPath, outTemporary, outFormat;
    // Called with "<sort>/<shape>/<n>" and the CPU seconds its repetitions
    // timed once a benchmark has run them all, for the progress lines and
    // the account of where the time went.
    std::function<void(const std::string&, double)> reported;
};

// Runs the registered benchmarks through the display reporter Google
// Benchmark would have chosen, wrapped so that the growth table follows it
// (on stderr for json/csv), then writes the summary JSON and the HTML page
// where asked, each whole or not at all. Returns false when a file could
// not be written.
bool runAndReport(const ReportOptions& options);

// Reads a --benchmark_out JSON file of this tool's and reports it as the
// run that wrote it did, timing nothing: the growth table on stdout, the
// summary and the page where asked. Returns the exit status: 2 for a file
// that cannot be read or holds no run of this tool's, with a line on
// stderr.
int analyzeSavedRun(const std::string& path, const ReportOptions& options);

#endif
