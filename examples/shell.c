/* Shell sort with Ciura's gaps, extended by x2.25: a user's sort as
 * user_sorts/README.md describes it. Copy it into user_sorts/ and rebuild,
 * or build it as a shared library and load it (README.md, "Your own sort"). */
#include "user_sort.h"

SB_EXPECT("N lg N");

static const int ciura[] = {1, 4, 10, 23, 57, 132, 301, 701, 1750};

void shell(int* a, int n) {
    int gaps[48];
    int count = 0;
    for (int i = 0; i < 9 && ciura[i] < n; ++i) gaps[count++] = ciura[i];
    if (count == 9) {
        /* Beyond Ciura's gaps: each about 2.25 times the one before. */
        long gap = ciura[8];
        while (count < 48 && gap * 9 / 4 < n) {
            gap = gap * 9 / 4;
            gaps[count++] = (int)gap;
        }
    }
    while (count > 0) {
        const int h = gaps[--count];
        for (int i = h; i < n; ++i) {
            const int value = a[i];
            int j = i;
            while (j >= h && SB_LESS(value, a[j - h])) {
                SB_SET(a[j], a[j - h]);
                j -= h;
            }
            SB_SET(a[j], value);
        }
    }
}
