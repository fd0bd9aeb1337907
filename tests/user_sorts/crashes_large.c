/* Wrong: crashes above 1000 elements. */
#include "user_sort.h"

void crashes_large(int* a, int n) {
    if (n > 1000) {
        /* Not null, which the undefined-behaviour sanitizer would catch
         * first: an address no process maps. */
        volatile int* volatile nowhere = (volatile int*)16;
        *nowhere = 1;
    }
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
