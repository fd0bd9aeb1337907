// The hooks' own accounting: the benchmark's memory figures and the failure
// tests rest on it.
#include "compare/alloc_hooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Called through volatile pointers, so that the compiler cannot drop a
// malloc and free pair it sees through.
void* (*volatile allocate)(std::size_t) = std::malloc;
void* (*volatile allocateZeroed)(std::size_t, std::size_t) = std::calloc;
void (*volatile release)(void*) = std::free;

TEST(AllocHooks, CountCallsLiveBytesAndPeakOverAScript) {
    void* unarmed = allocate(1000);
    armAllocations(0);
    void* a = allocate(100);
    void* b = allocateZeroed(10, 30);
    release(a);
    void* c = allocate(50);
    release(unarmed);
    disarmAllocations();
    void* notCounted = allocate(5000);
    // Calls, blocks and bytes live, peak, last request.
    EXPECT_EQ(allocationCalls(), 3);
    EXPECT_EQ(liveAllocations(), 2);
    EXPECT_EQ(liveAllocatedBytes(), 350u);
    EXPECT_EQ(peakAllocatedBytes(), 400u) << "the most held at once, not the total of 450";
    EXPECT_EQ(lastRequestedBytes(), 50u);
    release(b);
    release(c);
    release(notCounted);
    EXPECT_EQ(liveAllocations(), 0);
    EXPECT_EQ(liveAllocatedBytes(), 0u);
    EXPECT_EQ(peakAllocatedBytes(), 400u);

    // Armed again, the peak starts over.
    armAllocations(0);
    release(allocate(30));
    disarmAllocations();
    EXPECT_EQ(peakAllocatedBytes(), 30u);
    EXPECT_EQ(allocationCalls(), 1);
}

TEST(AllocHooks, FailOnlyTheChosenCall) {
    for (int failAt = 1; failAt <= 3; ++failAt) {
        SCOPED_TRACE("call " + std::to_string(failAt) + " failing");
        armAllocations(failAt);
        void* blocks[3] = {allocate(8), allocateZeroed(4, 4), allocate(32)};
        disarmAllocations();
        const std::size_t bytes[3] = {8, 16, 32};
        std::size_t held = 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(blocks[i] == nullptr, i + 1 == failAt);
            held += blocks[i] != nullptr ? bytes[i] : 0;
        }
        EXPECT_EQ(allocationCalls(), 3);
        EXPECT_EQ(liveAllocations(), 2);
        EXPECT_EQ(liveAllocatedBytes(), held);
        for (void* block : blocks) release(block);
        EXPECT_EQ(liveAllocations(), 0);
    }
}

}  // namespace
