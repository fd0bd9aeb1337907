#include <gtest/gtest.h>

#include "tests/run_program.h"

namespace {

// Bad command lines of the built sorting_counts: each is
// refused before any work, with one line on stderr and nothing on stdout.
TEST(CountsTool, RefusesBadCommandLines) {
    const char* const badLines[] = {
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
        "--shapes=random:2000000000",
    };
    for (const char* line : badLines) {
        EXPECT_EQ(refusalProblem(runProgram(SORTING_COUNTS_PATH, line)), "") << line;
    }
}

}  // namespace
