// The benchmark's plan, its trial loop and the whole-array adapters it times.
#ifndef DRIVER_BENCHMARK_H
#define DRIVER_BENCHMARK_H

#include "sorting.h"

// The benchmark plan: section i prints sectionHeadings[i] (GBK bytes, an
// empty line before the name), then times sectionSorts[i].
extern const char* const sectionHeadings[];
extern const SortFunction sectionSorts[];
extern const int sectionCount;

// Times sort once per size on a fresh array of rand() % 10000 values and
// prints and flushes one report line per trial; a trial whose array cannot
// be allocated prints allocationFailureMessage instead and the next size
// goes on. Returns false as soon as a line cannot be written or flushed,
// running no further trial; errno then tells why.
bool runTrials(SortFunction sort, const int* sizes, int sizeCount);

// printf to standard output, then flush: false when either fails.
bool printLine(const char* format, ...);

// Whole-array forms of the library's range sorts, for the benchmark plan.
void mergeSortArray(int* arr, int n);
void quickSortArray(int* arr, int n);

#endif
