/* Wrong: sorts through a buffer it never frees. */
#include <stdlib.h>

#include "user_sort.h"

void leaks(int* a, int n) {
    int* copy = (int*)malloc(sizeof(int) * (size_t)(n > 0 ? n : 1));
    if (copy == NULL) return;
    for (int i = 0; i < n; ++i) copy[i] = a[i];
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(copy[j], copy[j - 1]); --j) {
            const int t = copy[j];
            SB_SET(copy[j], copy[j - 1]);
            SB_SET(copy[j - 1], t);
        }
    }
    for (int i = 0; i < n; ++i) SB_SET(a[i], copy[i]);
}
