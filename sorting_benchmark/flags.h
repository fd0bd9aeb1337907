// Google Benchmark 1.7.1's flags as sorting_benchmark's front reads them:
// a table of options like the tool's own, each checked before it passes on.
#ifndef SORTING_BENCHMARK_FLAGS_H
#define SORTING_BENCHMARK_FLAGS_H

#include <cstdint>
#include <string>
#include <vector>

#include "compare/command_line.h"

const double defaultMinTime = 0.01;

// Google Benchmark 1.7.1's flags as far as the plan needs them; the flags
// themselves pass to it as given, once checked.
struct BenchmarkFlags {
    // sorting_benchmark's own default, which it passes on unless a min time
    // is given: measured on the whole matrix, 0.01 s per repetition gives
    // the same verdicts as 0.02 s for half the CPU.
    double minTime = defaultMinTime, minWarmupTime = 0;
    bool minTimeGiven = false;
    bool interleaved = false;  // --benchmark_enable_random_interleaving
    std::int64_t repetitions = 1;
    bool listTests = false;
    std::string outPath, outFormat = "json";
    // How the filter was given, as messages name it.
    std::string filterName = "--benchmark_filter";
    bool readingEnvironment = false;
    std::vector<std::string> passed;
};

// The flags' table; each one taken stores what the plan needs in flags and
// the flag as it passes to Google Benchmark in flags.passed.
std::vector<Option> benchmarkFlags(BenchmarkFlags& flags);

// 1.7.1 also reads its flags from BENCHMARK_* variables (a bad format there
// prints its usage and exits 0): they are checked as the flags are, before
// the command line, which overrides them. 0, or 2 after the refusal.
int checkBenchmarkEnvironment(const char* program, const std::vector<Option>& table, BenchmarkFlags& flags);

// std::regex compiles a group by recursion: a longer filter, or one nested
// deeper, could overflow the stack before any check.
const std::size_t maxFilterLength = 1000;
const int maxFilterNesting = 50;

#endif
