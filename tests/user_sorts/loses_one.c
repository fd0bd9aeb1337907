/* Wrong: sorts, then overwrites the smallest element. */
#include "user_sort.h"

void loses_one(int* a, int n) {
    for (int i = 1; i < n; ++i) {
        const int value = a[i];
        int j = i;
        while (j > 0 && SB_LESS(value, a[j - 1])) {
            SB_SET(a[j], a[j - 1]);
            --j;
        }
        SB_SET(a[j], value);
    }
    if (n > 1) SB_SET(a[0], a[1]);
}
