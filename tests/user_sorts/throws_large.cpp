// Wrong: throws a C++ exception above 1000 elements.
#include <stdexcept>

#include "user_sort.h"

extern "C" void throws_large(int* a, int n) {
    if (n > 1000) throw std::runtime_error("too many elements");
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && SB_LESS(a[j], a[j - 1]); --j) {
            const int t = a[j];
            SB_SET(a[j], a[j - 1]);
            SB_SET(a[j - 1], t);
        }
    }
}
