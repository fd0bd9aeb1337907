#include "sorting.h"

#include <cstdio>

// 内存分配失败 (memory allocation failed)
const char allocationFailureMessage[] = "\xC4\xDA\xB4\xE6\xB7\xD6\xC5\xE4\xCA\xA7\xB0\xDC\n";

void insertionSort(int* arr, int n) {
    for (int i = 1; i < n; ++i) {
        int key = arr[i];
        int j = i - 1;
        // Strictly greater: equal elements keep their order.
        while (j >= 0 && arr[j] > key) {
            arr[j + 1] = arr[j];
            --j;
        }
        arr[j + 1] = key;
    }
}

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
