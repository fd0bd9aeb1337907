// A small procedural sorting library: every sort works in place on a
// caller-owned array of int, obtains and releases its own working memory,
// and reports a failed allocation only by printing allocationFailureMessage.
#ifndef SORTING_SORTING_H
#define SORTING_SORTING_H

#include <climits>

static_assert(sizeof(int) * CHAR_BIT == 32, "the library sorts 32-bit integers");

// Sorts arr[0, n) in non-decreasing order. Every entry of this type accepts
// any n (n < 1 leaves the array untouched) and any int value.
typedef void (*SortFunction)(int* arr, int n);

// Printed, as GBK bytes, whenever working memory cannot be obtained.
extern const char allocationFailureMessage[];

// Stable quadratic insertion sort of arr[0, n); allocates nothing.
void insertionSort(int* arr, int n);

// Largest element of arr[0, n); INT_MIN without reading arr when n < 1.
int getMax(const int* arr, int n);

// Prints each element of arr[0, n) as "%d  " with no line end.
void printArray(const int* arr, int n);

#endif
