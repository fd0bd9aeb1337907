#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "alloc_hooks.h"
#include "benchmark.h"
#include "report_format.h"

namespace {

// Records what runTrials hands to the sort.
int probeCalls = 0;
int probeSizes[4];
int probeMin = INT_MAX;
int probeMax = INT_MIN;

void probeSort(int* arr, int n) {
    probeSizes[probeCalls++] = n;
    for (int i = 0; i < n; ++i) {
        probeMin = std::min(probeMin, arr[i]);
        probeMax = std::max(probeMax, arr[i]);
    }
}

// Burns probeBurn ticks of the clock runTrials reads, and records how many.
std::clock_t probeBurn = 0;
std::clock_t probeBurned[4];

void burningSort(int*, int) {
    std::clock_t begin = std::clock();
    std::clock_t now;
    while ((now = std::clock()) - begin < probeBurn) {
    }
    probeBurned[probeCalls++] = now - begin;
}

// At the largest size the values reach both ends of 0..9999.
TEST(RunTrials, SortsFreshRandomBlocksAndReportsEachSize) {
    const int sizes[] = {0, 1, 200000};
    probeCalls = 0;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(runTrials(probeSort, sizes, 3));
    std::string out = testing::internal::GetCapturedStdout();

    ASSERT_EQ(probeCalls, 3);
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(probeSizes[i], sizes[i]);
        EXPECT_TRUE(consumeReportLine(out, pos, sizes[i])) << "line " << i << " of:\n" << out;
    }
    EXPECT_EQ(pos, out.size());
    EXPECT_TRUE(probeMin >= 0 && probeMin <= 9) << probeMin;
    EXPECT_TRUE(probeMax >= 9990 && probeMax <= 9999) << probeMax;
}

// The reported time is the sort's alone, in seconds: a probe's own reading
// of its time must match it within half the fill, which is sized large
// against the clock's step. The closest of three trials counts, so that a
// rare interruption cannot fail the test.
TEST(RunTrials, ReportsTheSortsClockTimeAlone) {
    std::clock_t tick = std::clock();
    std::clock_t next;
    while ((next = std::clock()) == tick) {
    }
    while ((tick = std::clock()) == next) {
    }
    int n = 512;
    std::clock_t fill = 0;
    while (fill < 32 * (tick - next)) {
        n *= 2;
        std::vector<int> block(n);
        std::clock_t begin = std::clock();
        std::generate(block.begin(), block.end(), [] { return std::rand() % 10000; });
        fill = std::clock() - begin;
    }
    const int sizes[] = {n, n, n};
    probeCalls = 0;
    probeBurn = fill;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(runTrials(burningSort, sizes, 3));
    std::string out = testing::internal::GetCapturedStdout();
    std::size_t pos = 0;
    double closest = HUGE_VAL;
    for (int i = 0; i < 3; ++i) {
        std::size_t time = out.find(reportMiddle, pos) + reportMiddle.size();
        ASSERT_TRUE(consumeReportLine(out, pos, n)) << out;
        closest = std::min(closest, std::fabs(std::strtod(&out[time], nullptr) -
                                              static_cast<double>(probeBurned[i]) / CLOCKS_PER_SEC));
    }
    EXPECT_LE(closest, static_cast<double>(fill) / 2 / CLOCKS_PER_SEC) << out;
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

}  // namespace
