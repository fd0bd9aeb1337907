// The operating system's figures behind the comparison tools' memory
// columns and limits.
#include "compare/platform.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/run_program.h"

namespace {

TEST(Platform, PhysicalMemoryIsKnown) {
    EXPECT_GT(physicalMemoryBytes(), 0u);
#ifdef __linux__
    // All of it, not what is free now: the kernel's own total.
    std::ifstream info("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    while (info >> key >> kib && key != "MemTotal:") info.ignore(256, '\n');
    ASSERT_EQ(key, "MemTotal:");
    EXPECT_NEAR(double(physicalMemoryBytes()), double(kib) * 1024, 1 << 20);
#endif
}

#if defined(__GLIBC__) && !defined(TESTS_UNDER_ADDRESS_SANITIZER)
// glibc takes both settings (a sanitizer's allocator takes none); one it
// refused would leave every timed call faulting its buffers in afresh.
TEST(Platform, AllocatorKeepsFreedMemory) { EXPECT_TRUE(keepFreedMemoryMapped()); }
#endif

#ifndef _WIN32
// Each limit the kernel enforces on this process lowers the bound, the
// least of them wins, and none is read as unlimited. The soft limits are
// set far above what the process maps (a sanitizer's shadow included) and
// put back afterwards.
TEST(Platform, AddressSpaceLimitIsTheLeastOfEachSource) {
    struct rlimit as, data;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &as), 0);
    ASSERT_EQ(getrlimit(RLIMIT_DATA, &data), 0);
    if (as.rlim_max != RLIM_INFINITY || data.rlim_max != RLIM_INFINITY || as.rlim_cur != RLIM_INFINITY ||
        data.rlim_cur != RLIM_INFINITY)
        GTEST_SKIP() << "this process runs under a memory limit already";
    const rlim_t large = rlim_t(1) << 52, larger = rlim_t(1) << 53;
    struct Row {
        rlim_t as, data, expected;
    } const rows[] = {
        {RLIM_INFINITY, RLIM_INFINITY, 0},
        {larger, RLIM_INFINITY, larger},
        {RLIM_INFINITY, large, large},
        {larger, large, large},
        {large, larger, large},
    };
    for (const Row& row : rows) {
        const struct rlimit asLimit = {row.as, RLIM_INFINITY}, dataLimit = {row.data, RLIM_INFINITY};
        ASSERT_EQ(setrlimit(RLIMIT_AS, &asLimit), 0);
        ASSERT_EQ(setrlimit(RLIMIT_DATA, &dataLimit), 0);
        const std::uint64_t read = addressSpaceLimitBytes();
        setrlimit(RLIMIT_AS, &as);
        setrlimit(RLIMIT_DATA, &data);
        EXPECT_EQ(read, std::uint64_t(row.expected)) << row.as << " " << row.data;
    }
}
#endif

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
