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

// Stable top-down merge sort of arr[left..right] (inclusive); every merge
// step allocates its two runs. A step whose buffers cannot be had prints
// the message and leaves its range as two ordered runs.
void mergeSort(int* arr, int left, int right);

// Quick sort of arr[low..high] (inclusive), Lomuto partition around the
// last element, left range first. Native stack use does not grow with the
// range; deep nesting spills pending ranges to the heap, and if that fails
// it prints the message and stops with every element still in the array.
void quickSort(int* arr, int low, int high);

// Stable counting sort of arr[0, n). For input of zero and above the table
// runs from 0 to the largest value, whatever the smallest: two values near
// 2 * 10^9 ask for 8 GB. Only input with values below zero gets a table from
// the smallest value to the largest. 4 bytes per value in the table.
void countingSort(int* arr, int n);

// Stable base-10 least-significant-digit radix sort of arr[0, n); one pass
// per decimal digit of the largest value. Values below zero are shifted
// into unsigned keys for the passes.
void radixSort(int* arr, int n);

// Largest element of arr[0, n); INT_MIN without reading arr when n < 1.
int getMax(const int* arr, int n);

// Prints each element of arr[0, n) as "%d  " with no line end.
void printArray(const int* arr, int n);

#endif
