#include "sorting/sorting.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef SORTING_COUNT_OPERATIONS
#include "sorting/counted.h"
namespace counted {
#endif

// 内存分配失败 (memory allocation failed)
const char allocationFailureMessage[] = "\xC4\xDA\xB4\xE6\xB7\xD6\xC5\xE4\xCA\xA7\xB0\xDC\n";

namespace {

void reportAllocationFailure() { std::printf("%s", allocationFailureMessage); }

#ifdef SORTING_COUNT_OPERATIONS
OperationCounts counts = {0, 0, 0, 0};
void countComparison() { ++counts.comparisons; }
void countPass() { ++counts.passes; }
void countWrites(long long elements) { counts.writes += elements; }
void countAllocation() { ++counts.allocations; }
#else
// The normal build keeps no state and its code stays as without counting.
inline void countComparison() {}
inline void countPass() {}
inline void countWrites(long long) {}
inline void countAllocation() {}
#endif

// Every element comparison of the sorts goes through one of these, so that
// the counting build sees each one.
inline bool isLess(int a, int b) {
    countComparison();
    return a < b;
}

inline bool isLessOrEqual(int a, int b) {
    countComparison();
    return a <= b;
}

inline bool isGreater(int a, int b) {
    countComparison();
    return a > b;
}

int* allocateInts(std::size_t count) {
    countAllocation();
    return static_cast<int*>(std::malloc(count * sizeof(int)));
}

// getMax's result, and whether any value lies below zero, in one pass: input
// of zero and above pays almost nothing for the check. Its comparisons order
// nothing, so only the pass is counted.
int scanValues(const int* arr, int n, bool& anyBelowZero) {
    countPass();
    int max = arr[0];
    unsigned signBits = 0;
    for (int i = 0; i < n; ++i) {
        if (arr[i] > max) {
            max = arr[i];
        }
        signBits |= static_cast<unsigned>(arr[i]);
    }
    anyBelowZero = (signBits >> 31) != 0;
    return max;
}

int getMin(const int* arr, int n) {
    countPass();
    int min = arr[0];
    for (int i = 1; i < n; ++i) {
        if (arr[i] < min) {
            min = arr[i];
        }
    }
    return min;
}

// Merges the ordered runs arr[left..mid] and arr[mid+1..right].
void merge(int* arr, int left, int mid, int right) {
    int leftLen = mid - left + 1;
    int rightLen = right - mid;
    int* leftRun = allocateInts(static_cast<std::size_t>(leftLen));
    int* rightRun = allocateInts(static_cast<std::size_t>(rightLen));
    if (leftRun == nullptr || rightRun == nullptr) {
        reportAllocationFailure();
        std::free(leftRun);
        std::free(rightRun);
        return;
    }
    std::memcpy(leftRun, arr + left, static_cast<std::size_t>(leftLen) * sizeof(int));
    std::memcpy(rightRun, arr + mid + 1, static_cast<std::size_t>(rightLen) * sizeof(int));
    // Into the runs and back: every element of the range is stored twice.
    countWrites(2 * static_cast<long long>(right - left + 1));
    int i = 0;
    int j = 0;
    int k = left;
    while (i < leftLen && j < rightLen) {
        // Ties take the left run first, which keeps the sort stable. Both
        // are read before the call, left first as without the helper, so
        // that the normal build's code stays the same.
        const int left = leftRun[i];
        const int right = rightRun[j];
        if (isLessOrEqual(left, right)) {
            arr[k++] = leftRun[i++];
        } else {
            arr[k++] = rightRun[j++];
        }
    }
    while (i < leftLen) {
        arr[k++] = leftRun[i++];
    }
    while (j < rightLen) {
        arr[k++] = rightRun[j++];
    }
    std::free(leftRun);
    std::free(rightRun);
}

void swapInts(int& a, int& b) {
    countWrites(2);
    int t = a;
    a = b;
    b = t;
}

// Lomuto: returns the pivot's final index; smaller elements end on its left.
int partition(int* arr, int low, int high) {
    int pivot = arr[high];
    int i = low - 1;
    for (int j = low; j < high; ++j) {
        if (isLess(arr[j], pivot)) {
            ++i;
            swapInts(arr[i], arr[j]);
        }
    }
    swapInts(arr[i + 1], arr[high]);
    return i + 1;
}

// Covers every input whose pending ranges never nest deeper than this
// without touching the heap; random input stays far below it.
const int inlineRangeCapacity = 64;

// Stable base-10 passes over keys of zero and above, one per decimal digit
// of maxKey, through the n-element buffer output. Input of zero and above
// is sorted as int, digits and multiplier included; unsigned keys serve
// only values shifted up from below zero.
template <typename Key>
void radixPasses(Key* keys, Key* output, int n, Key maxKey) {
    int passes = 0;
    for (Key rest = maxKey; rest > 0; rest /= 10) {
        ++passes;
    }
    Key exp = 1;
    while (passes > 0) {
        int count[10] = {0};
        countPass();
        for (int i = 0; i < n; ++i) {
            ++count[(keys[i] / exp) % 10];
        }
        for (int d = 1; d < 10; ++d) {
            count[d] += count[d - 1];
        }
        // Walking backwards keeps each pass stable, which the passes rely on.
        countPass();
        for (int i = n - 1; i >= 0; --i) {
            Key d = (keys[i] / exp) % 10;
            output[--count[d]] = keys[i];
        }
        countPass();
        std::memcpy(keys, output, static_cast<std::size_t>(n) * sizeof(Key));
        countWrites(2 * static_cast<long long>(n));
        --passes;
        // A tenth digit would take exp past 32 bits after the last pass.
        if (passes > 0) {
            exp *= 10;
        }
    }
}

// Counting sort of arr[0, n) over a table for base..max. Input of zero and
// above uses base 0, and its indexing compiles without the offset.
template <bool belowZero>
void countingSortFrom(int* arr, int n, int base, int max) {
    // Up to 2^32 counters: computed in 64 bits so that max + 1 cannot wrap.
    std::uint64_t tableSize = static_cast<std::uint64_t>(static_cast<std::int64_t>(max) - base) + 1;
    countAllocation();
    int* count = tableSize <= SIZE_MAX / sizeof(int)
                     ? static_cast<int*>(std::calloc(static_cast<std::size_t>(tableSize), sizeof(int)))
                     : nullptr;
    if (count == nullptr) {
        reportAllocationFailure();
        return;
    }
    // Offsets from base, taken in unsigned arithmetic, cover the whole span.
    const unsigned offset = belowZero ? static_cast<unsigned>(base) : 0u;
    countPass();
    for (int i = 0; i < n; ++i) {
        ++count[static_cast<unsigned>(arr[i]) - offset];
    }
    for (std::size_t v = 1; v < tableSize; ++v) {
        count[v] += count[v - 1];
    }
    int* output = allocateInts(static_cast<std::size_t>(n));
    if (output == nullptr) {
        reportAllocationFailure();
        std::free(count);
        return;
    }
    // Walking backwards keeps equal values in their input order.
    countPass();
    for (int i = n - 1; i >= 0; --i) {
        output[--count[static_cast<unsigned>(arr[i]) - offset]] = arr[i];
    }
    countPass();
    std::memcpy(arr, output, static_cast<std::size_t>(n) * sizeof(int));
    countWrites(2 * static_cast<long long>(n));
    std::free(count);
    std::free(output);
}

}  // namespace

void insertionSort(int* arr, int n) {
    for (int i = 1; i < n; ++i) {
        int key = arr[i];
        int j = i - 1;
        // Strictly greater: equal elements keep their order.
        while (j >= 0 && isGreater(arr[j], key)) {
            countWrites(1);
            arr[j + 1] = arr[j];
            --j;
        }
        countWrites(1);
        arr[j + 1] = key;
    }
}

void mergeSort(int* arr, int left, int right) {
    if (left >= right) {
        return;
    }
    int mid = left + (right - left) / 2;
    mergeSort(arr, left, mid);
    mergeSort(arr, mid + 1, right);
    merge(arr, left, mid, right);
}

// Goes on with the left range and keeps the pending right ranges on an
// explicit stack, so partitions happen in the recursive order while native
// stack use stays at inlineRangeCapacity pairs: at most (n + 1) / 3 ranges
// can be pending, and the rest goes to the heap.
void quickSort(int* arr, int low, int high) {
    int inlineRanges[2 * inlineRangeCapacity];
    int* ranges = inlineRanges;
    int capacity = inlineRangeCapacity;
    int pending = 0;
    for (;;) {
        while (low < high) {
            int p = partition(arr, low, high);
            if (p + 1 < high) {
                if (pending == capacity) {
                    int* grown = allocateInts(4 * static_cast<std::size_t>(capacity));
                    if (grown == nullptr) {
                        // Give up, freeing below: every element is still in the array.
                        reportAllocationFailure();
                        pending = 0;
                        break;
                    }
                    std::memcpy(grown, ranges, 2 * static_cast<std::size_t>(capacity) * sizeof(int));
                    if (ranges != inlineRanges) {
                        std::free(ranges);
                    }
                    ranges = grown;
                    capacity *= 2;
                }
                ranges[2 * pending] = p + 1;
                ranges[2 * pending + 1] = high;
                ++pending;
            }
            high = p - 1;
        }
        if (pending == 0) {
            break;
        }
        --pending;
        low = ranges[2 * pending];
        high = ranges[2 * pending + 1];
    }
    if (ranges != inlineRanges) {
        std::free(ranges);
    }
}

void countingSort(int* arr, int n) {
    if (n < 1) {
        return;
    }
    bool anyBelowZero = false;
    int max = scanValues(arr, n, anyBelowZero);
    if (anyBelowZero) {
        countingSortFrom<true>(arr, n, getMin(arr, n), max);
    } else {
        countingSortFrom<false>(arr, n, 0, max);
    }
}

void radixSort(int* arr, int n) {
    if (n < 1) {
        return;
    }
    bool anyBelowZero = false;
    int max = scanValues(arr, n, anyBelowZero);
    int* output = allocateInts(static_cast<std::size_t>(n));
    if (output == nullptr) {
        reportAllocationFailure();
        return;
    }
    if (!anyBelowZero) {
        radixPasses(arr, output, n, max);
    } else {
        // An int may be accessed as unsigned; subtracting min maps the
        // values in order onto 0 .. 2^32 - 1.
        unsigned* keys = reinterpret_cast<unsigned*>(arr);
        const unsigned shift = static_cast<unsigned>(getMin(arr, n));
        countPass();
        countWrites(n);
        for (int i = 0; i < n; ++i) {
            keys[i] -= shift;
        }
        radixPasses(keys, reinterpret_cast<unsigned*>(output), n, static_cast<unsigned>(max) - shift);
        countPass();
        countWrites(n);
        for (int i = 0; i < n; ++i) {
            keys[i] += shift;
        }
    }
    std::free(output);
}

#ifdef SORTING_COUNT_OPERATIONS
OperationCounts takeOperationCounts() {
    OperationCounts taken = counts;
    counts = OperationCounts{0, 0, 0, 0};
    return taken;
}
#endif

int getMax(const int* arr, int n) {
    if (n < 1) {
        return INT_MIN;
    }
    int max = arr[0];
    for (int i = 1; i < n; ++i) {
        if (arr[i] > max) {
            max = arr[i];
        }
    }
    return max;
}

void printArray(const int* arr, int n) {
    for (int i = 0; i < n; ++i) {
        std::printf("%d  ", arr[i]);
    }
}

#ifdef SORTING_COUNT_OPERATIONS
}  // namespace counted
#endif
