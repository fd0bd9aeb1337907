#include "benchmark.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Values are drawn from 0 .. valueBound - 1.
const int valueBound = 10000;

}  // namespace

// n < 1 leaves nothing to sort, and n - 1 would overflow at INT_MIN.
void mergeSortArray(int* arr, int n) {
    if (n > 1) {
        mergeSort(arr, 0, n - 1);
    }
}

void quickSortArray(int* arr, int n) {
    if (n > 1) {
        quickSort(arr, 0, n - 1);
    }
}

void runTrials(SortFunction sort, const int* sizes, int sizeCount) {
    for (int i = 0; i < sizeCount; ++i) {
        int n = sizes[i];
        int* block = static_cast<int*>(std::malloc(static_cast<std::size_t>(n) * sizeof(int)));
        if (block == nullptr) {
            std::printf("%s", allocationFailureMessage);
            std::fflush(stdout);
            continue;
        }
        for (int j = 0; j < n; ++j) {
            block[j] = std::rand() % valueBound;
        }
        std::clock_t start = std::clock();
        sort(block, n);
        std::clock_t end = std::clock();
        // Kept in clock_t: a 32-bit tick difference wraps within an hour at
        // a million ticks a second.
        double elapsed = static_cast<double>(end - start) / CLOCKS_PER_SEC;
        // 数据量：%d，用时：%.6f秒 (data size: %d, time taken: %.6f s)
        std::printf("\xCA\xFD\xBE\xDD\xC1\xBF\xA3\xBA%d\xA3\xAC\xD3\xC3\xCA\xB1\xA3\xBA%.6f\xC3\xEB\n", n,
                    elapsed);
        // Lines must show up one by one even through a pipe; outside the
        // timed interval.
        std::fflush(stdout);
        std::free(block);
    }
}
