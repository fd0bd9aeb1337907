// The operating system's figures behind the comparison tools' memory
// columns and limits.
#include "compare/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

TEST(Platform, PhysicalMemoryIsKnown) { EXPECT_GT(physicalMemoryBytes(), 0u); }

// A block this large comes fresh from the system (glibc maps it, Windows'
// heap commits it), so the first touch of each page is a fault; with huge
// pages, at least one per 2 MiB. Catches a count of the wrong kind (hard
// faults only), or none at all.
TEST(Platform, FirstTouchOfFreshPagesCountsAsFaults) {
    const std::int64_t before = pageFaultCount();
#ifdef _WIN32
    if (before == 0) GTEST_SKIP() << "this Windows reports no page faults (Wine)";
#endif
    const std::size_t pageBytes = 4096;
    const std::size_t bytes = std::size_t(16) << 20;
    char* block = static_cast<char*>(std::malloc(bytes));
    ASSERT_NE(block, nullptr);
    for (std::size_t i = 0; i < bytes; i += pageBytes) block[i] = 1;
    const std::int64_t faults = pageFaultCount() - before;
    std::free(block);
    EXPECT_GE(faults, std::int64_t(bytes >> 21));
    EXPECT_LE(faults, std::int64_t(bytes / pageBytes) * 2);
}

}  // namespace
