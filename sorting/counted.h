// The library built to count what its sorts do (CMake target
// sorting_counted): the same sorts in namespace counted, so that a program
// can hold both builds. The timed library keeps no state; this one does.
#ifndef SORTING_COUNTED_H
#define SORTING_COUNTED_H

#include "sorting/sorting.h"
#include "whole_array.h"

namespace counted {

// The same declarations once more, inside this namespace: the headers are
// read again with their guards lifted (the standard headers they include
// are guarded and stay at global scope).
#undef SORTING_SORTING_H
#undef SORTING_WHOLE_ARRAY_H
#include "sorting/sorting.h"
#include "whole_array.h"

// The sorts' element comparisons; the passes over all n elements that
// counting and radix sort make (finding the largest value is one of them);
// element writes, each store of an element into the array or a working
// buffer (a swap is two); and calls to malloc or calloc, failed ones included.
struct OperationCounts {
    long long comparisons;
    long long passes;
    long long writes;
    long long allocations;
};

// The counts since the previous call; starts again from zero.
OperationCounts takeOperationCounts();

}  // namespace counted

#endif
