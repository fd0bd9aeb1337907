// Allocation failure injection for test executables linked with
// --wrap=malloc,--wrap=calloc,--wrap=free (the alloc_hooks target).
#ifndef TESTS_ALLOC_HOOKS_H
#define TESTS_ALLOC_HOOKS_H

#include <cstddef>

// Starts counting malloc and calloc calls; the failAt-th call from now on
// returns null (failAt 0: none fails). Tracks what is allocated meanwhile.
void armAllocations(int failAt);
void disarmAllocations();

// Since arming: malloc and calloc calls, blocks still not freed, and the
// byte count of the last request.
int allocationCalls();
int liveAllocations();
std::size_t lastRequestedBytes();

#endif
