/* Wrong: writes 48 elements past the end, beyond any guard values. */
#include "user_sort.h"

void writes_far_past(int* a, int n) {
    volatile int* far = a + n + 48;
    *far = 0;
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
