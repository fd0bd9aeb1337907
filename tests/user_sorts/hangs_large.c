/* Wrong: never returns above 1000 elements. */
#include "user_sort.h"

void hangs_large(int* a, int n) {
    volatile int forever = n > 1000;
    while (forever) {
    }
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
