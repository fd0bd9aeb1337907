#include <gtest/gtest.h>

#include <string>

#include "alloc_hooks.h"
#include "benchmark.h"
#include "report_format.h"

namespace {

// Records what runTrials hands to the sort.
int probeCalls = 0;
int probeSizes[4];
bool probeValuesInRange = true;

void probeSort(int* arr, int n) {
    probeSizes[probeCalls++] = n;
    for (int i = 0; i < n; ++i) {
        probeValuesInRange = probeValuesInRange && arr[i] >= 0 && arr[i] <= 9999;
    }
}

TEST(RunTrials, SortsFreshRandomBlocksAndReportsEachSize) {
    const int sizes[] = {0, 1, 5000};
    probeCalls = 0;
    probeValuesInRange = true;
    testing::internal::CaptureStdout();
    runTrials(probeSort, sizes, 3);
    std::string out = testing::internal::GetCapturedStdout();

    ASSERT_EQ(probeCalls, 3);
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(probeSizes[i], sizes[i]);
        EXPECT_TRUE(consumeReportLine(out, pos, sizes[i])) << "line " << i << " of:\n" << out;
    }
    EXPECT_EQ(pos, out.size());
    EXPECT_TRUE(probeValuesInRange);
}

TEST(RunTrials, FailedBlockAllocationSkipsOnlyThatTrial) {
    const int sizes[] = {50, 30};
    probeCalls = 0;
    testing::internal::CaptureStdout();
    armAllocations(1);
    runTrials(probeSort, sizes, 2);
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
