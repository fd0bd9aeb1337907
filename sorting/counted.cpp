// The library's counting build: the same sources, counting as they sort,
// in namespace counted (counted.h).
#define SORTING_COUNT_OPERATIONS
#include "sorting/sorting.cpp"
#include "sorting/whole_array.cpp"
