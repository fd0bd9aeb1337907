/* Wrong only in its counts: a merge sort that compares with < and uses
 * SB_LESS once per merge. */
#include <stdlib.h>
#include <string.h>

#include "user_sort.h"

void bypasses_less(int* a, int n) {
    int* buffer = (int*)malloc(sizeof(int) * (size_t)(n > 0 ? n : 1));
    if (buffer == NULL) return;
    for (int width = 1; width < n; width *= 2) {
        for (int left = 0; left < n - width; left += 2 * width) {
            const int middle = left + width;
            const int right = middle + width < n ? middle + width : n;
            int i = left, j = middle, k = left;
            (void)SB_LESS(a[middle], a[middle - 1]);
            while (i < middle && j < right) SB_SET(buffer[k++], a[j] < a[i] ? a[j++] : a[i++]);
            while (i < middle) SB_SET(buffer[k++], a[i++]);
            while (j < right) SB_SET(buffer[k++], a[j++]);
            memcpy(a + left, buffer + left, sizeof(int) * (size_t)(right - left));
        }
    }
    free(buffer);
}
