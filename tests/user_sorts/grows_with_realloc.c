/* Right: takes the elements into a buffer grown with realloc, frees it. */
#include <stdlib.h>

#include "user_sort.h"

void grows_with_realloc(int* a, int n) {
    int* buffer = NULL;
    int capacity = 0;
    for (int i = 0; i < n; ++i) {
        if (i == capacity) {
            capacity = capacity == 0 ? 16 : 2 * capacity;
            int* grown = (int*)realloc(buffer, sizeof(int) * (size_t)capacity);
            if (grown == NULL) {
                free(buffer);
                return;
            }
            buffer = grown;
        }
        int j = i;
        while (j > 0 && SB_LESS(a[i], buffer[j - 1])) {
            buffer[j] = buffer[j - 1];
            --j;
        }
        buffer[j] = a[i];
    }
    for (int i = 0; i < n; ++i) SB_SET(a[i], buffer[i]);
    free(buffer);
}
