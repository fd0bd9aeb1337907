#include <gtest/gtest.h>

#include <string>

#include "tests/run_program.h"

namespace {

// Bad command lines of the built sorting_counts: each is
// refused before any work, with one line on stderr and nothing on stdout.
TEST(CountsTool, RefusesBadCommandLines) {
    const std::string badLines[] = {
        "--sorts=bogo",
        "--sorts=",
        "--sorts=insertion,,quick",
        "--shapes=squares",
        "--shapes=nearly_sorted:101",
        "--shapes=few_distinct:0",
        "--shapes=random:1e3",
        "--sizes=",
        "--sizes=0",
        "--sizes=12x",
        "--sizes=2000000000",
        "--size 2000000000",
        "--size -5",
        "--size",
        "--seed=-1",
        "--seed=99999999999",
        "--csv --json",
        "--sizes=10 --size 20",
        "--frobnicate",
        "--sizes=010",
        "--sizes=1000,08",
        "--size=1e3",
        "--seed=0x10",
        "'--seed= 5'",
        "--seed 1 --seed 2",
        "--sizesX=1000",
        "--siz=1000",
        "--csv=1",
        "--html",
        "--sorts=" + std::string(100000, 'x'),
    };
    for (const std::string& line : badLines) {
        const ProgramRun run = runProgram(SORTING_COUNTS_PATH, line);
        EXPECT_EQ(refusalProblem(run), "") << line.substr(0, 80);
        // An echoed argument is cut to its first 80 characters.
        EXPECT_LT(run.err.size(), 400u) << line.substr(0, 80);
    }
}

// Requests over the memory limit, which tests set so that no outcome
// depends on the machine's memory: SORTBENCH_MEMORY_LIMIT only lowers it,
// and so does an address-space limit.
TEST(CountsTool, RefusesRequestsOverTheMemoryLimit) {
    const std::string tool = std::string(" ") + SORTING_COUNTS_PATH;
    const std::string limited = "SORTBENCH_MEMORY_LIMIT=1000000000" + tool;
    const std::string rows[][2] = {
        {limited, "--shapes=random:2000000000"},      // counting sort's table: 8 GB
        {limited, "--size 250000000 --sorts=radix"},  // the arrays: 6 GB
        {"SORTBENCH_MEMORY_LIMIT=1e9" + tool, "--size 1000"},
    };
    for (const auto& row : rows) {
        const ProgramRun run = runProgram(row[0], row[1]);
        EXPECT_EQ(refusalProblem(run), "") << row[0] << " " << row[1];
    }
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer cannot start under ulimit -v
    const ProgramRun run =
        runProgram("ulimit -v 4000000;" + tool, "--size 250000000 --sorts=radix --shapes=all_equal");
    EXPECT_EQ(refusalProblem(run), "") << run.err;
#endif
}

// Valid requests at the budget's edges, each served: the rows counted (a
// number of inputs) and the rows left out, read from the CSV.
TEST(CountsTool, ServesRequestsAtTheBudgetsEdges) {
    struct Row {
        const char* args;
        int counted, leftOut;
    } const rows[] = {
        {"--size 1000000 --sorts=insertion --shapes=ascending,all_equal", 2, 0},
        {"--sizes=1000,200000 --sorts=merge,std_sort,std_stable_sort --shapes=random", 6, 0},
        {"--size 10000 --sorts=insertion --shapes=random", 1, 0},
        {"--size 50000 --sorts=insertion --shapes=random,descending", 0, 2},
        {"--size 1 --sorts=quick --shapes=few_distinct:1", 1, 0},
    };
    for (const Row& row : rows) {
        const ProgramRun run = runProgram(SORTING_COUNTS_PATH, std::string(row.args) + " --csv");
        EXPECT_EQ(run.status, 0) << row.args << "\n" << run.err;
        int counted = 0, leftOut = 0;
        std::size_t line = run.out.find('\n');
        while (line != std::string::npos && line + 1 < run.out.size()) {
            const std::size_t end = run.out.find('\n', line + 1);
            const std::string text = run.out.substr(line + 1, end - line - 1);
            (text.find("over 100000000") != std::string::npos ? leftOut : counted) += 1;
            line = end;
        }
        EXPECT_EQ(counted, row.counted) << row.args << "\n" << run.out;
        EXPECT_EQ(leftOut, row.leftOut) << row.args << "\n" << run.out;
    }
}

}  // namespace
