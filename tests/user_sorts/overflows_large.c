/* Wrong: recurses without end above 1000 elements. */
#include "user_sort.h"

static int deeper(volatile int* frame) {
    volatile int local[64];
    if (frame[0] < 0) return 0;
    local[0] = frame[0] + 1;
    return deeper(local) + local[0];
}

void overflows_large(int* a, int n) {
    if (n > 1000) {
        volatile int start[1] = {0};
        a[0] += deeper(start) * 0;
    }
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
