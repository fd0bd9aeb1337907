// The benchmark's trial loop and the whole-array adapters it times.
#ifndef DRIVER_BENCHMARK_H
#define DRIVER_BENCHMARK_H

#include "sorting.h"

// Times sort once per size on a fresh array of rand() % 10000 values and
// prints one report line per trial; a trial whose array cannot be allocated
// prints allocationFailureMessage instead and the next size goes on.
void runTrials(SortFunction sort, const int* sizes, int sizeCount);

// Whole-array forms of the library's range sorts, for the benchmark plan.
void mergeSortArray(int* arr, int n);
void quickSortArray(int* arr, int n);

#endif
