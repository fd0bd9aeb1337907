#include "compare/sorts.h"

#include <algorithm>
#include <iterator>

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

const SortEntry builtIn[sortIdCount] = {
    {"insertion", insertionSort, counted::insertionSort, true, true},
    {"merge", mergeSortArray, counted::mergeSortArray, true, true},
    {"quick", quickSortArray, counted::quickSortArray, true, true},
    {"counting", countingSort, counted::countingSort, false, true},
    {"radix", radixSort, counted::radixSort, false, true},
    {"std_sort", stdSort, countedStdSort, true, false},
    {"std_stable_sort", stdStableSort, countedStdStableSort, true, false},
};

// A function's static: users' rows are added from static constructors.
std::vector<SortEntry>& table() {
    static std::vector<SortEntry> rows(std::begin(builtIn), std::end(builtIn));
    return rows;
}

}  // namespace

const SortEntry& sortEntry(SortId sort) { return table()[static_cast<std::size_t>(sort)]; }

int sortCount() { return static_cast<int>(table().size()); }

SortId addSort(const SortEntry& entry) {
    table().push_back(entry);
    return SortId(sortCount() - 1);
}

std::vector<SortId> allSorts() {
    std::vector<SortId> sorts;
    for (int s = 0; s < sortCount(); ++s) sorts.push_back(SortId(s));
    return sorts;
}

counted::OperationCounts takeCounts() {
    counted::OperationCounts counts = counted::takeOperationCounts();
    counts.comparisons += stdComparisons;
    stdComparisons = 0;
    // Users' sorts count in their own counters, which drop-in sorts share.
    std::vector<long long*> taken;
    for (const SortEntry& row : table()) {
        long long* op = row.operations;
        if (op == nullptr || std::find(taken.begin(), taken.end(), op) != taken.end()) continue;
        taken.push_back(op);
        counts.comparisons += op[0];
        counts.writes += op[1];
        op[0] = op[1] = 0;
    }
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
