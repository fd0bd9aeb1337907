/* Wrong: sorts, then writes one element past the end. */
#include "user_sort.h"

void past_end(int* a, int n) {
    for (int i = 1; i < n; ++i) {
        const int value = a[i];
        int j = i;
        while (j > 0 && SB_LESS(value, a[j - 1])) {
            SB_SET(a[j], a[j - 1]);
            --j;
        }
        SB_SET(a[j], value);
    }
    SB_SET(a[n], 0);
}
