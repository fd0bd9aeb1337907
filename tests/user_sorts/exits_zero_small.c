/* Wrong: calls exit(0) at 17 elements. */
#include <stdlib.h>

#include "user_sort.h"

void exits_zero_small(int* a, int n) {
    if (n == 17) exit(0);
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
