#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/run_program.h"

namespace {

// Each bad command line: status 2, one line on stderr, nothing on stdout.
TEST(SortingBenchmark, RefusesBadCommandLines) {
    const char* const rows[] = {
        "--sortbench_shapes=square",
        "--sortbench_shapes=",
        "--sortbench_shapes=random,,ascending",
        "--sortbench_shapes=nearly_sorted:101",
        "--sortbench_shapes=few_distinct:0",
        "--sortbench_sizes=0",
        "--sortbench_sizes=1e3",
        "--sortbench_sizes=-5",
        "--benchmark_filter=. --sortbench_sizes=2000000000",
        "--sortbench_sizes=20000000,2000000000",
        "--sortbench_seed=abc",
        "--sortbench_seed=4294967296",
        "--sortbench_budget=abc",
        "--sortbench_budget=0",
        "--sortbench_budget",
        "--sortbench_summary=/nonexistent/dir/summary.json",
        "--sortbench_html=/nonexistent/dir/report.html",
        "--benchmark_filter=nothing_is_named_so",
        "--benchmark_filter='('",
        "--sortbench_sizes=1000 --benchmark_filter=/2000$",
        "--sortbench_bogus=1",
        "--sortbench_sizesX=1000",
        "--sortbench_sizes=010",
        "--sortbench_seed 1 --sortbench_seed 2",
        "--sortbench_budget=0x1p-3",
        "'--sortbench_budget= 0.5'",
        "--sortbench_budget=0.5s",
        "--benchmark_repetitions=-1",
        "--benchmark_repetitions=0",
        "--benchmark_repetitions=abc",
        "--benchmark_repetitions=2147483648",
        "--benchmark_min_time=-1",
        "--benchmark_min_time=0",
        "--benchmark_min_time=1e9",
        "--benchmark_min_time=0.5s",
        "--benchmark_min_warmup_time=-1",
        "--benchmark_color=maybe",
        "--benchmark_format=xml",
        "--benchmark_out_format=yaml",
        "--benchmark_time_unit=parsec",
        "--benchmark_list_tests=maybe",
        "--benchmark_context=novalue",
        "--benchmark_context=a=b,a=c",
        "--v=-1",
        "--benchmark_filter quick",
        "--benchmark_filter",
        "--benchmark_out=/nonexistent/dir/out.json",
        "--benchmark_repetitions=1000000",
        "--benchmark_min_time=100000",
        "--benchmark_filter=. --benchmark_min_time=10 --benchmark_repetitions=200",
    };
    for (const char* args : rows) {
        const ProgramRun run = runProgram(SORTING_BENCHMARK_PATH, args);
        EXPECT_EQ(refusalProblem(run), "") << args;
        EXPECT_EQ(run.err.compare(0, 19, "sorting_benchmark: "), 0) << args << ":\n" << run.err;
    }
    // The memory limit set as a test must, so that no outcome depends on
    // the machine: 32 MB cannot hold the million-element inputs.
    const ProgramRun run =
        runProgram(std::string("SORTBENCH_MEMORY_LIMIT=32000000 ") + SORTING_BENCHMARK_PATH,
                   "--benchmark_filter=^merge/random/1000000$");
    EXPECT_EQ(refusalProblem(run), "") << run.err;
}

// Valid requests at the ceiling's edges, each served: listing never runs,
// so any repetitions pass; one short benchmark runs with the least time.
TEST(SortingBenchmark, ServesRequestsAtTheCeilingsEdges) {
    struct Row {
        const char* args;
        int lines;  // on stdout
    } const rows[] = {
        {"--benchmark_list_tests --benchmark_repetitions=2147483647", 15},
        {"--benchmark_list_tests=true --benchmark_filter=^merge/ --sortbench_sizes=1000,2000", 20},
        {"--benchmark_filter=^merge/random/1000$ --sortbench_sizes=1000 --benchmark_min_time=0.001 "
         "--benchmark_repetitions=2 --benchmark_format=csv --benchmark_report_aggregates_only",
         5},
    };
    for (const Row& row : rows) {
        const ProgramRun run = runProgram(SORTING_BENCHMARK_PATH, row.args);
        EXPECT_EQ(run.status, 0) << row.args << "\n" << run.err;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), row.lines) << row.args << "\n" << run.out;
    }
}

}  // namespace
