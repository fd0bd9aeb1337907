#include <sorting.h>

#include <cstdio>

int main() {
    const SortFunction sorts[] = {insertionSort, countingSort, radixSort};
    for (SortFunction sort : sorts) {
        int values[] = {5, 3, 9999, 0, 3};
        sort(values, 5);
        const int expected[] = {0, 3, 3, 5, 9999};
        for (int i = 0; i < 5; ++i) {
            if (values[i] != expected[i]) return 1;
        }
    }
    int values[] = {2, 1};
    mergeSort(values, 0, 1);
    quickSort(values, 0, 1);
    std::printf("consumer: sorted\n");
    return values[0] == 1 && values[1] == 2 ? 0 : 1;
}
