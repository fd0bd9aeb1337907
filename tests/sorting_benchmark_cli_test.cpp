#include <gtest/gtest.h>

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
    };
    for (const char* args : rows) {
        const ProgramRun run = runProgram(SORTING_BENCHMARK_PATH, args);
        EXPECT_EQ(refusalProblem(run), "") << args;
        EXPECT_EQ(run.err.compare(0, 19, "sorting_benchmark: "), 0) << args << ":\n" << run.err;
    }
}

}  // namespace
