/* Wrong: reads one element past the end. */
#include "user_sort.h"

void reads_past_end(int* a, int n) {
    volatile int beyond = a[n];
    (void)beyond;
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
