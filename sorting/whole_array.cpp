#include "sorting/whole_array.h"

#ifdef SORTING_COUNT_OPERATIONS
#include "sorting/counted.h"
namespace counted {
#endif

// n < 1 leaves nothing to sort, and n - 1 would overflow at INT_MIN.
void mergeSortArray(int* arr, int n) {
    if (n > 1) {
        mergeSort(arr, 0, n - 1);
    }
}

void quickSortArray(int* arr, int n) {
    if (n > 1) {
        quickSort(arr, 0, n - 1);
    }
}

#ifdef SORTING_COUNT_OPERATIONS
}  // namespace counted
#endif
