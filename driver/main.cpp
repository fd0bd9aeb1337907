#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "benchmark.h"
#include "sorting.h"

namespace {

// The benchmark plan: section i prints sectionHeadings[i], then times
// sectionSorts[i].
const char* const sectionHeadings[] = {
    "\n\xB2\xE5\xC8\xEB\xC5\xC5\xD0\xF2\n",  // 插入排序 (insertion sort)
    "\n\xB9\xE9\xB2\xA2\xC5\xC5\xD0\xF2\n",  // 归并排序 (merge sort)
    "\n\xBF\xEC\xCB\xD9\xC5\xC5\xD0\xF2\n",  // 快速排序 (quick sort)
    "\n\xBC\xC6\xCA\xFD\xC5\xC5\xD0\xF2\n",  // 计数排序 (counting sort)
    "\n\xBB\xF9\xCA\xFD\xC5\xC5\xD0\xF2\n",  // 基数排序 (radix sort)
};
const SortFunction sectionSorts[] = {insertionSort, mergeSortArray, quickSortArray, countingSort, radixSort};
const int sectionCount = sizeof(sectionSorts) / sizeof(sectionSorts[0]);
static_assert(sizeof(sectionHeadings) / sizeof(sectionHeadings[0]) == sectionCount,
              "every section needs a heading and a sort");

}  // namespace

int main() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int dataSize[] = {10000, 50000, 200000};
    for (int s = 0; s < sectionCount; ++s) {
        std::printf("%s", sectionHeadings[s]);
        std::fflush(stdout);
        runTrials(sectionSorts[s], dataSize, 3);
    }
    return 0;
}
