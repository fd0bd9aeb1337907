#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

#include "alloc_hooks.h"
#include "benchmark.h"
#include "report_format.h"

namespace {

// Records what runTrials hands to the sort, and burns at least probeBurn
// ticks of the clock runTrials reads, recording how many.
int probeCalls = 0;
int probeSizes[6];
int probeMin = INT_MAX;
int probeMax = INT_MIN;
std::clock_t probeBurn = 0;
std::clock_t probeBurned[6];

void probeSort(int* arr, int n) {
    std::clock_t begin = std::clock();
    std::clock_t now;
    for (int i = 0; i < n; ++i) {
        probeMin = std::min(probeMin, arr[i]);
        probeMax = std::max(probeMax, arr[i]);
    }
    while ((now = std::clock()) - begin < probeBurn) {
    }
    probeBurned[probeCalls] = now - begin;
    probeSizes[probeCalls++] = n;
}

// Every trial gets a fresh block, whose values reach both ends of 0..9999
// at the largest size, and its line reports the sort's time alone: what the
// probe burns, within half the time the fill takes, sized to 32 steps of
// the clock. The closest of three trials counts, so that a rare
// interruption cannot fail the test.
TEST(RunTrials, SortsFreshRandomBlocksAndReportsEachSizeAndTime) {
    std::clock_t tick = std::clock();
    std::clock_t next;
    while ((next = std::clock()) == tick) {
    }
    while ((tick = std::clock()) == next) {
    }
    int n = 512;
    for (probeBurn = 0; probeBurn < 32 * (tick - next);) {
        std::vector<int> block(n *= 2);
        std::clock_t begin = std::clock();
        std::generate(block.begin(), block.end(), [] { return std::rand() % 10000; });
        probeBurn = std::clock() - begin;
    }
    const int sizes[] = {0, 1, 200000, n, n, n};
    probeCalls = 0;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(runTrials(probeSort, sizes, 6));
    std::string out = testing::internal::GetCapturedStdout();

    ASSERT_EQ(probeCalls, 6);
    std::size_t pos = 0;
    double closest = HUGE_VAL;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(probeSizes[i], sizes[i]);
        const std::size_t line = pos;
        ASSERT_TRUE(consumeReportLine(out, pos, sizes[i])) << "line " << i << " of:\n" << out;
        const double reported =
            std::strtod(&out[out.find(reportMiddle, line) + reportMiddle.size()], nullptr);
        const double burned = static_cast<double>(probeBurned[i]) / CLOCKS_PER_SEC;
        if (i >= 3) closest = std::min(closest, std::fabs(reported - burned));
    }
    EXPECT_EQ(pos, out.size());
    EXPECT_LE(closest, static_cast<double>(probeBurn) / 2 / CLOCKS_PER_SEC) << out;
    EXPECT_TRUE(probeMin >= 0 && probeMin <= 9) << probeMin;
    EXPECT_TRUE(probeMax >= 9990 && probeMax <= 9999) << probeMax;
    probeBurn = 0;
}

TEST(RunTrials, FailedBlockAllocationSkipsOnlyThatTrial) {
    const int sizes[] = {50, 30};
    probeCalls = 0;
    testing::internal::CaptureStdout();
    armAllocations(1);
    EXPECT_TRUE(runTrials(probeSort, sizes, 2));
    disarmAllocations();
    std::string out = testing::internal::GetCapturedStdout();

    ASSERT_EQ(probeCalls, 1);
    EXPECT_EQ(probeSizes[0], 30);
    ASSERT_EQ(out.compare(0, failureLine.size(), failureLine), 0) << out;
    std::size_t pos = failureLine.size();
    EXPECT_TRUE(consumeReportLine(out, pos, 30)) << out;
    EXPECT_EQ(pos, out.size());
    EXPECT_EQ(liveAllocations(), 0);
}

#ifdef __linux__
// A line that cannot be written ends the trials: no sort runs after it.
TEST(RunTrials, StopsAtTheFirstLineThatCannotBeWritten) {
    const int sizes[] = {10, 10, 10};
    std::fflush(stdout);
    const int saved = dup(1);
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, 1);
    probeCalls = 0;
    probeBurn = 0;
    const bool written = runTrials(probeSort, sizes, 3);
    dup2(saved, 1);
    close(saved);
    close(full);
    std::clearerr(stdout);
    EXPECT_FALSE(written);
    EXPECT_EQ(probeCalls, 1);
}
#endif

}  // namespace
