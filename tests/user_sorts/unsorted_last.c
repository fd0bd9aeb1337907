/* Wrong: insertion sort that leaves the last element where it was. */
#include "user_sort.h"

void unsorted_last(int* a, int n) {
    for (int i = 1; i < n - 1; ++i) {
        const int value = a[i];
        int j = i;
        while (j > 0 && SB_LESS(value, a[j - 1])) {
            SB_SET(a[j], a[j - 1]);
            --j;
        }
        SB_SET(a[j], value);
    }
}
