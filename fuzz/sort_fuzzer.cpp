// Differential fuzz target: every sort must agree with std::sort.
// Build: clang++ -fsanitize=fuzzer,address,undefined -I. fuzz/sort_fuzzer.cpp sorting/*.cpp
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sorting/sorting.h"

namespace {

// Keeps quadratic sorts fast enough for many runs a second.
const std::size_t maxElements = 1000;

// Counting sort's table grows with the span of the values, and clearing
// and summing it would dominate each run, so its copy of the input is
// folded into spans of 2^10 values, still more than maxElements.
const unsigned countingSpan = 1u << 10;

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    bool done() const { return pos >= size; }
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    int word() {
        std::uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = w << 8 | byte();
        return static_cast<int>(w);
    }
};

// Each element starts with a tag byte choosing its kind, so the fuzzer can
// mix small values, values below zero, extremes and ten-digit values.
int nextValue(Reader& in) {
    static const int edges[] = {INT_MIN, INT_MIN + 1, -1000000000, -1,         0,           1,
                                9,       10,          9999,        1000000000, INT_MAX - 1, INT_MAX};
    std::uint8_t tag = in.byte();
    switch (tag % 4) {
        case 0: return static_cast<std::int8_t>(in.byte());
        case 1: return edges[in.byte() % (sizeof(edges) / sizeof(edges[0]))];
        case 2: return in.word();
        default: return tag / 4;  // 0 .. 63: many duplicates
    }
}

void check(bool ok, const char* what, std::size_t n) {
    if (!ok) {
        std::fprintf(stderr, "%s differs from std::sort at %zu elements\n", what, n);
        std::abort();
    }
}

void checkWholeArraySort(SortFunction sort, const char* name, std::vector<int> input) {
    std::vector<int> expected = input;
    std::sort(expected.begin(), expected.end());
    sort(input.data(), static_cast<int>(input.size()));
    check(input == expected, name, input.size());
}

// Sorts arr[low..high] with a range form; everything outside must stay.
void checkRangeSort(void (*sort)(int*, int, int), const char* name, const std::vector<int>& input, int low,
                    int high) {
    std::vector<int> expected = input;
    if (low < high) std::sort(expected.begin() + low, expected.begin() + high + 1);
    std::vector<int> got = input;
    sort(got.data(), low, high);
    check(got == expected, name, input.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size, 0};
    std::uint8_t mode = in.byte();
    std::uint8_t rangeA = in.byte();
    std::uint8_t rangeB = in.byte();
    std::vector<int> values;
    while (!in.done() && values.size() < maxElements) values.push_back(nextValue(in));

    checkWholeArraySort(insertionSort, "insertionSort", values);
    checkWholeArraySort(radixSort, "radixSort", values);

    std::vector<int> small = values;
    // Folded near zero, or near INT_MIN to reach the extreme end.
    int base = mode & 1 ? INT_MIN : -static_cast<int>(countingSpan / 2);
    for (int& v : small)
        v = static_cast<int>(static_cast<unsigned>(base) + static_cast<unsigned>(v) % countingSpan);
    checkWholeArraySort(countingSort, "countingSort", small);

    int n = static_cast<int>(values.size());
    int low = 0;
    int high = n - 1;
    if (n > 0 && (mode & 2)) {
        low = rangeA % n;
        high = rangeB % n;
    }
    checkRangeSort(mergeSort, "mergeSort", values, low, high);
    checkRangeSort(quickSort, "quickSort", values, low, high);
    return 0;
}
