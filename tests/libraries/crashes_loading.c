/* Wrong: crashes as the library loads, before any sort is called. */
#include "user_sort.h"

__attribute__((constructor)) static void start(void) {
    volatile int* volatile nowhere = 0;
    *nowhere = 1;
}

void crashes_loading(int* a, int n) {
    (void)a;
    (void)n;
}
