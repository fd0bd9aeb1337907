// Allocation counting and failure injection for executables linked with
// --wrap for malloc, calloc, realloc, free, and where the C library has
// them aligned_alloc and posix_memalign (the alloc_hooks target): the
// tests make the k-th allocation fail, the benchmark counts what a sort
// allocates.
#ifndef COMPARE_ALLOC_HOOKS_H
#define COMPARE_ALLOC_HOOKS_H

#include <cstddef>

// Starts counting allocating calls (realloc too); the failAt-th from now on
// returns null (failAt 0: none fails). Tracks what is allocated meanwhile.
void armAllocations(int failAt);
void disarmAllocations();

// Since arming: allocating calls, blocks still not freed and their
// bytes, the byte count of the last request, and the most bytes held at any
// one moment.
int allocationCalls();
int liveAllocations();
std::size_t liveAllocatedBytes();
std::size_t lastRequestedBytes();
std::size_t peakAllocatedBytes();

#endif
