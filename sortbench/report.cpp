#include "sortbench/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Values are drawn from 0 .. valueBound - 1.
const int valueBound = 10000;

}  // namespace

const char* const sectionHeadings[] = {
    "\n\xB2\xE5\xC8\xEB\xC5\xC5\xD0\xF2\n",  // 插入排序 (insertion sort)
    "\n\xB9\xE9\xB2\xA2\xC5\xC5\xD0\xF2\n",  // 归并排序 (merge sort)
    "\n\xBF\xEC\xCB\xD9\xC5\xC5\xD0\xF2\n",  // 快速排序 (quick sort)
    "\n\xBC\xC6\xCA\xFD\xC5\xC5\xD0\xF2\n",  // 计数排序 (counting sort)
    "\n\xBB\xF9\xCA\xFD\xC5\xC5\xD0\xF2\n",  // 基数排序 (radix sort)
};
const SortId sectionSorts[] = {sortInsertion, sortMerge, sortQuick, sortCounting, sortRadix};
const int sectionCount = sizeof(sectionSorts) / sizeof(sectionSorts[0]);
static_assert(sizeof(sectionHeadings) / sizeof(sectionHeadings[0]) == sectionCount,
              "every section needs a heading and a sort");

// Lines must show up one by one even through a pipe, so each is flushed as
// it is written; the report is the program's only product, so a line that
// cannot be written or flushed is a failure.
bool printLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const bool written = std::vprintf(format, args) >= 0;
    va_end(args);
    return written && std::fflush(stdout) == 0;
}

bool runTrials(SortFunction sort, const int* sizes, int sizeCount) {
    for (int i = 0; i < sizeCount; ++i) {
        int n = sizes[i];
        int* block = static_cast<int*>(std::malloc(static_cast<std::size_t>(n) * sizeof(int)));
        if (block == nullptr) {
            if (!printLine("%s", allocationFailureMessage)) {
                return false;
            }
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
        // Freed first, so that a failed write leaves nothing to release.
        std::free(block);
        // 数据量：%d，用时：%.6f秒 (data size: %d, time taken: %.6f s)
        if (!printLine("\xCA\xFD\xBE\xDD\xC1\xBF\xA3\xBA%d\xA3\xAC\xD3\xC3\xCA\xB1\xA3\xBA%.6f\xC3\xEB\n", n,
                       elapsed)) {
            return false;
        }
    }
    return true;
}
