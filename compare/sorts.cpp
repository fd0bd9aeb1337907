#include "compare/sorts.h"

#include <algorithm>

#include "sorting/whole_array.h"

namespace {

long long stdComparisons = 0;

bool countedLess(int a, int b) {
    ++stdComparisons;
    return a < b;
}

// Like the library's sorts, any n: below 1 the array is not touched.
int* endOf(int* arr, int n) { return n > 1 ? arr + n : arr; }
void stdSort(int* arr, int n) { std::sort(arr, endOf(arr, n)); }
void stdStableSort(int* arr, int n) { std::stable_sort(arr, endOf(arr, n)); }
void countedStdSort(int* arr, int n) { std::sort(arr, endOf(arr, n), countedLess); }
void countedStdStableSort(int* arr, int n) { std::stable_sort(arr, endOf(arr, n), countedLess); }

const SortEntry table[sortIdCount] = {
    {"insertion", insertionSort, counted::insertionSort, true, true},
    {"merge", mergeSortArray, counted::mergeSortArray, true, true},
    {"quick", quickSortArray, counted::quickSortArray, true, true},
    {"counting", countingSort, counted::countingSort, false, true},
    {"radix", radixSort, counted::radixSort, false, true},
    {"std_sort", stdSort, countedStdSort, true, false},
    {"std_stable_sort", stdStableSort, countedStdStableSort, true, false},
};

}  // namespace

const SortEntry& sortEntry(SortId sort) { return table[sort]; }

std::vector<SortId> allSorts() {
    std::vector<SortId> sorts;
    for (int s = 0; s < sortIdCount; ++s) sorts.push_back(SortId(s));
    return sorts;
}

counted::OperationCounts takeCounts() {
    counted::OperationCounts counts = counted::takeOperationCounts();
    counts.comparisons += stdComparisons;
    stdComparisons = 0;
    return counts;
}

bool parseSortName(const std::string& text, SortId& sort, std::string& error) {
    std::string names;
    for (SortId s : allSorts()) {
        if (text == sortName(s)) {
            sort = s;
            return true;
        }
        names += std::string(names.empty() ? "" : ", ") + sortName(s);
    }
    error = "unknown sort \"" + text + "\"; the sorts are " + names;
    return false;
}
