/* Right: sorts through a buffer from aligned_alloc, which it frees. */
#include <stdlib.h>

#include "user_sort.h"

void aligned_buffer(int* a, int n) {
    const size_t bytes = (sizeof(int) * (size_t)n + 63) / 64 * 64 + 64;
    int* copy = (int*)aligned_alloc(64, bytes);
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
    free(copy);
}
