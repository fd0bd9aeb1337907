#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

#include "compare/alloc_hooks.h"
#include "sortbench/report.h"
#include "tests/report_format.h"

// The trial loop's calls to rand and clock, wrapped at link time
// (--wrap=rand,--wrap=clock): while tracing, each is noted, and clock
// returns made-up readings, so that the order of the calls shows whether
// only the sort is timed, and the reported times are known exactly.
namespace {

bool tracing = false;
std::string trace;
long long pendingRands = 0;
int clockReadings = 0;

void note(const char* event) {
    if (pendingRands > 0) trace += "rand*" + std::to_string(pendingRands) + " ";
    pendingRands = 0;
    trace += std::string(event) + " ";
}

// Reading k is 1000 + 1234 k^2 ticks: trial t, timed by readings 2t and
// 2t + 1, lasts 1234 (4t + 1) ticks.
std::clock_t fakeReading(int k) { return 1000 + 1234 * std::clock_t(k) * k; }

}  // namespace

extern "C" {
int __real_rand();
std::clock_t __real_clock();

int __wrap_rand() {
    pendingRands += tracing;
    return __real_rand();
}

std::clock_t __wrap_clock() {
    if (!tracing) return __real_clock();
    note("clock");
    return fakeReading(clockReadings++);
}
}

namespace {

// Records what runTrials hands to the sort.
int probeCalls = 0;
int probeSizes[6];
int probeMin = INT_MAX;
int probeMax = INT_MIN;

void probeSort(int* arr, int n) {
    if (tracing) note("sort");
    for (int i = 0; i < n; ++i) {
        probeMin = std::min(probeMin, arr[i]);
        probeMax = std::max(probeMax, arr[i]);
    }
    probeSizes[probeCalls++] = n;
}

// Every trial fills a fresh block of n values before its first clock
// reading, whose values reach both ends of 0..9999 at 200000, and reports
// the time between its two readings, which hold the sort and nothing else.
TEST(RunTrials, SortsFreshRandomBlocksAndReportsEachSizeAndTime) {
    const int sizes[] = {0, 1, 200000};
    probeCalls = 0;
    probeMin = INT_MAX;
    probeMax = INT_MIN;
    trace.clear();
    clockReadings = 0;
    testing::internal::CaptureStdout();
    tracing = true;
    EXPECT_TRUE(runTrials(probeSort, sizes, 3));
    tracing = false;
    note("end");
    std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(trace, "clock sort clock rand*1 clock sort clock rand*200000 clock sort clock end ");
    ASSERT_EQ(probeCalls, 3);
    std::size_t pos = 0;
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(probeSizes[t], sizes[t]);
        const std::size_t line = pos;
        ASSERT_TRUE(consumeReportLine(out, pos, sizes[t])) << "line " << t << " of:\n" << out;
        const std::size_t time = out.find(reportMiddle, line) + reportMiddle.size();
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.6f",
                      static_cast<double>(fakeReading(2 * t + 1) - fakeReading(2 * t)) / CLOCKS_PER_SEC);
        EXPECT_EQ(out.substr(time, out.find(reportSuffix, time) - time), expected) << "line " << t;
    }
    EXPECT_EQ(pos, out.size());
    EXPECT_EQ(probeMin, 0);
    EXPECT_EQ(probeMax, 9999);
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
// A line that cannot be written ends the trials, the allocation failure's
// line as much as a report line: no sort runs after it.
TEST(RunTrials, StopsAtTheFirstLineThatCannotBeWritten) {
    struct WriteCase {
        int failAt;
        int sortCalls;
    };
    for (const WriteCase& c : {WriteCase{0, 1}, WriteCase{1, 0}}) {
        SCOPED_TRACE("allocation " + std::to_string(c.failAt) + " failing");
        const int sizes[] = {10, 10, 10};
        std::fflush(stdout);
        const int saved = dup(1);
        const int full = open("/dev/full", O_WRONLY);
        ASSERT_GE(full, 0);
        dup2(full, 1);
        probeCalls = 0;
        armAllocations(c.failAt);
        const bool written = runTrials(probeSort, sizes, 3);
        disarmAllocations();
        dup2(saved, 1);
        close(saved);
        close(full);
        std::clearerr(stdout);
        EXPECT_FALSE(written);
        EXPECT_EQ(probeCalls, c.sortCalls);
        EXPECT_EQ(liveAllocations(), 0);
    }
}
#endif

// Each section must time the sort its heading names. On 600 pivot triples
// the sorts differ in what they allocate: insertion sort nothing, merge sort
// two runs per merge step (the array's halves last), quick sort its range
// stack twice (to 128, then 256 ranges), counting sort a table for 0..599,
// then its output, radix sort only its output.
TEST(Plan, EachSectionTimesTheSortItsHeadingNames) {
    const int n = 600;
    const int calls[] = {0, 2 * (n - 1), 2, 2, 1};
    const std::size_t lastBytes[] = {0, n / 2 * sizeof(int), 512 * sizeof(int), n * sizeof(int),
                                     n * sizeof(int)};
    ASSERT_EQ(sectionCount, 5);
    for (int s = 0; s < sectionCount; ++s) {
        SCOPED_TRACE("section " + std::to_string(s));
        EXPECT_EQ(sectionHeadings[s], std::string("\n") + sectionNames[s] + "\n");
        // 1 2 0, 4 5 3, ...: quick sort's pending ranges pile up to n / 3.
        std::vector<int> v(n);
        for (int i = 0; i < n; ++i) v[i] = i % 3 == 2 ? i - 2 : i + 1;
        // Looked up first: the table's first use may allocate.
        const SortFunction sort = sortEntry(sectionSorts[s]).timed;
        armAllocations(0);
        sort(v.data(), n);
        disarmAllocations();
        EXPECT_EQ(allocationCalls(), calls[s]);
        EXPECT_EQ(lastRequestedBytes(), lastBytes[s]);
    }
}

}  // namespace
