#include "compare/alloc_hooks.h"

#include <cerrno>
#include <cstdlib>

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* ptr, std::size_t size);
void __real_free(void* ptr);
#ifndef _WIN32
void* __real_aligned_alloc(std::size_t alignment, std::size_t size);
int __real_posix_memalign(void** ptr, std::size_t alignment, std::size_t size);
#endif
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

// Forgets a block about to be freed or moved.
void untrack(void* ptr) {
    for (int i = 0; i < trackedCount; ++i) {
        if (tracked[i].ptr == ptr) {
            liveBytes -= tracked[i].bytes;
            tracked[i] = tracked[--trackedCount];
            return;
        }
    }
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
    if (trackedCount != 0) untrack(ptr);
    __real_free(ptr);
}

// A block grown or shrunk is one allocation; moved, the old one is gone.
// A failed realloc keeps the old block as it was.
void* __wrap_realloc(void* ptr, std::size_t size) {
    if (!armed) {
        void* moved = __real_realloc(ptr, size);
        if (moved != nullptr && trackedCount != 0) untrack(ptr);
        return moved;
    }
    if (shouldFail(size)) return nullptr;
    void* moved = __real_realloc(ptr, size);
    if (moved == nullptr && size != 0) return nullptr;
    if (ptr != nullptr) untrack(ptr);
    return track(moved, size);
}

#ifndef _WIN32
void* __wrap_aligned_alloc(std::size_t alignment, std::size_t size) {
    if (!armed) return __real_aligned_alloc(alignment, size);
    return shouldFail(size) ? nullptr : track(__real_aligned_alloc(alignment, size), size);
}

int __wrap_posix_memalign(void** ptr, std::size_t alignment, std::size_t size) {
    if (!armed) return __real_posix_memalign(ptr, alignment, size);
    if (shouldFail(size)) return ENOMEM;
    const int error = __real_posix_memalign(ptr, alignment, size);
    if (error == 0) track(*ptr, size);
    return error;
}
#endif

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
