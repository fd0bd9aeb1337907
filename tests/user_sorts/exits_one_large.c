/* Wrong: calls exit(1) above 1000 elements. */
#include <stdlib.h>

#include "user_sort.h"

void exits_one_large(int* a, int n) {
    if (n > 1000) exit(1);
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
