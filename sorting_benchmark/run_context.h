// What a --benchmark_out file needs beyond Google Benchmark's own context
// so that sorting_compare can set two runs side by side from one file each.
#ifndef SORTING_BENCHMARK_RUN_CONTEXT_H
#define SORTING_BENCHMARK_RUN_CONTEXT_H

#include "sorting_benchmark/flags.h"

// Adds "sortbench_*" keys to the JSON's "context": repetitions, minimum
// time, CPU, operating system, compiler and flags, build type, project
// version and the users' sorts with their sources.
void addRunContext(const BenchmarkFlags& flags);

#endif
