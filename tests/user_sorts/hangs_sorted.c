/* Wrong: never returns when the input is already sorted. */
#include "user_sort.h"

void hangs_sorted(int* a, int n) {
    volatile int sorted = n > 1;
    for (int i = 1; i < n; ++i) sorted = sorted && !SB_LESS(a[i], a[i - 1]);
    while (sorted) {
    }
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
