#include "compare/alloc_hooks.h"

#include <cstdlib>

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void __real_free(void* ptr);
}

namespace {

bool armed = false;
int failAtCall = 0;
int calls = 0;
std::size_t lastBytes = 0;
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;

// Blocks allocated while armed; a sort holds only a few at any moment, and
// overflowing the list counts as a leak so that a test notices.
struct Block {
    void* ptr;
    std::size_t bytes;
};
const int maxTracked = 1024;
Block tracked[maxTracked];
int trackedCount = 0;
bool trackOverflow = false;

bool shouldFail(std::size_t bytes) {
    if (!armed) {
        return false;
    }
    ++calls;
    lastBytes = bytes;
    return calls == failAtCall;
}

void* track(void* ptr, std::size_t bytes) {
    if (armed && ptr != nullptr) {
        if (trackedCount < maxTracked) {
            tracked[trackedCount++] = Block{ptr, bytes};
        } else {
            trackOverflow = true;
        }
        liveBytes += bytes;
        if (liveBytes > peakBytes) {
            peakBytes = liveBytes;
        }
    }
    return ptr;
}

}  // namespace

extern "C" {

// Unarmed, each wrapper only tests a flag and jumps on: the benchmark's
// timed runs go through them, merge sort twice per merge step.
void* __wrap_malloc(std::size_t size) {
    if (!armed) return __real_malloc(size);
    return shouldFail(size) ? nullptr : track(__real_malloc(size), size);
}

void* __wrap_calloc(std::size_t count, std::size_t size) {
    if (!armed) return __real_calloc(count, size);
    return shouldFail(count * size) ? nullptr : track(__real_calloc(count, size), count * size);
}

void __wrap_free(void* ptr) {
    if (trackedCount == 0) return __real_free(ptr);
    for (int i = 0; i < trackedCount; ++i) {
        if (tracked[i].ptr == ptr) {
            liveBytes -= tracked[i].bytes;
            tracked[i] = tracked[--trackedCount];
            break;
        }
    }
    __real_free(ptr);
}

}  // extern "C"

void armAllocations(int failAt) {
    failAtCall = failAt;
    calls = 0;
    lastBytes = 0;
    liveBytes = 0;
    peakBytes = 0;
    trackedCount = 0;
    trackOverflow = false;
    armed = true;
}

void disarmAllocations() { armed = false; }

int allocationCalls() { return calls; }

int liveAllocations() { return trackOverflow ? maxTracked + 1 : trackedCount; }

std::size_t liveAllocatedBytes() { return liveBytes; }

std::size_t lastRequestedBytes() { return lastBytes; }

std::size_t peakAllocatedBytes() { return peakBytes; }
