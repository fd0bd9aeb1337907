/* Right but for its expectation, which names no growth class. */
#include "user_sort.h"

SB_EXPECT("N log N");

void expects_typo(int* a, int n) {
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
