// Wrong: a C++ function without extern "C", so that its symbol is mangled;
// the C library's qsort must not stand in for it.
#include "user_sort.h"

void qsort(int* a, int n) {
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
