// The two files sorting_compare reads: a sorting_benchmark --benchmark_out
// JSON file (from Linux or Windows) or a sorting_counts --json file, read
// whole and checked before any comparison starts.
#ifndef SORTING_COMPARE_RUNS_H
#define SORTING_COMPARE_RUNS_H

#include <string>
#include <utility>
#include <vector>

// One benchmark (sort, shape, size): the time of each repetition in
// seconds, or why it did not run.
struct Benchmark {
    std::string sort, shape;
    long n = 0;
    std::vector<double> seconds;
    std::string error;
};

struct BenchmarkRun {
    // Google Benchmark's context and the tool's own keys, as text:
    // "num_cpus" -> "2", "caches" -> "L1 Data 48 KiB, ...".
    std::vector<std::pair<std::string, std::string>> context;
    std::vector<Benchmark> benchmarks;  // in the file's order
};

// One row of sorting_counts' table or sweep: each count's JSON text
// ("1234", "12.5", "null"), compared exactly.
struct CountRow {
    std::string part;  // "rows" or "sweep"
    std::string sort, shape;
    long n = 0;
    std::vector<std::pair<std::string, std::string>> counts;
    std::string leftOut;
};

struct CountFamily {
    std::string sort, shape;
    std::vector<std::pair<std::string, std::string>> fields;  // classes, terms, verdict as text
};

struct CountsRun {
    std::string seed, command;
    std::vector<CountRow> rows;
    std::vector<CountFamily> families;
};

struct RunFile {
    enum Kind { benchmarks, counts } kind = benchmarks;
    std::string path;
    BenchmarkRun benchmarkRun;
    CountsRun countsRun;
};

// The counts compared exactly, and the input's own measures, which differ
// only where the inputs do.
extern const char* const countNames[4];
extern const char* const inputMeasureNames[3];

// Reads and checks one file; false with a one-line reason naming it.
bool readRunFile(const std::string& path, RunFile& run, std::string& error);

// "value" of a context key, or "" where the file has none.
std::string contextValue(const BenchmarkRun& run, const std::string& key);

#endif
