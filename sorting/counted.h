// The library built to count what its sorts do (CMake target
// sorting_counted): the same sorts in namespace counted, so that a program
// can hold both builds. The timed library keeps no state; this one does.
#ifndef SORTING_COUNTED_H
#define SORTING_COUNTED_H

#include "sorting.h"

namespace counted {

// The sorts' element comparisons; the passes over all n elements that
// counting and radix sort make (finding the largest value is one of them);
// element writes, each store of an element into the array or a working
// buffer (a swap is two); and calls to malloc or calloc, failed ones included.
struct OperationCounts {
    long long comparisons;
    long long passes;
    long long writes;
    long long allocations;
};

// The counts since the previous call; starts again from zero.
OperationCounts takeOperationCounts();

extern const char allocationFailureMessage[];
void insertionSort(int* arr, int n);
void mergeSort(int* arr, int left, int right);
void quickSort(int* arr, int low, int high);
void countingSort(int* arr, int n);
void radixSort(int* arr, int n);
int getMax(const int* arr, int n);
void printArray(const int* arr, int n);
void mergeSortArray(int* arr, int n);
void quickSortArray(int* arr, int n);

}  // namespace counted

#endif
