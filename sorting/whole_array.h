// Whole-array forms of the library's range sorts, so that every sort can be
// called as a SortFunction.
#ifndef SORTING_WHOLE_ARRAY_H
#define SORTING_WHOLE_ARRAY_H

#include "sorting/sorting.h"

// mergeSort(arr, 0, n - 1); n < 2 leaves the array untouched.
void mergeSortArray(int* arr, int n);

// quickSort(arr, 0, n - 1); n < 2 leaves the array untouched.
void quickSortArray(int* arr, int n);

#endif
