// Users' own sorts through both tools: the example dropped in (the tools
// built with tests/user_sorts) and loaded as a shared library, and the
// wrong sorts each named.
// GCC 12 with the sanitizers warns of an uninitialized std::function deep
// inside <regex>'s compiler, a false positive that would fail the build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>

#include "tests/run_program.h"

namespace {

const std::string library = std::string(USER_LIBRARIES) + "/shell.so";

// A row's comparisons in sorting_counts --json, or -1.
double comparisonsOf(const std::string& json, const std::string& sort, int n) {
    std::smatch match;
    const std::regex row("\\{\"sort\": \"" + sort + "\", \"shape\": \"random\", \"n\": " + std::to_string(n) +
                         ", [^}]*\"comparisons\": ([0-9.]+)");
    return std::regex_search(json, match, row) ? std::stod(match[1]) : -1;
}

TEST(UserSorts, ExampleIsCountedAndJudgedThroughBothRoutes) {
    const std::string options = " --sorts=shell,insertion --shapes=random --sizes=1000,2000,5000 --json";
    const ProgramRun dropIn = runProgram(SORTING_COUNTS_USER_PATH, options);
    const ProgramRun loaded = runProgram(SORTING_COUNTS_PATH, "--load=" + library + options);
    ASSERT_EQ(dropIn.status, 0) << dropIn.err;
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    const double lgFactorial = std::lgamma(1001.0) / std::log(2.0);
    const double shell = comparisonsOf(dropIn.out, "shell", 1000);
    EXPECT_GT(shell, lgFactorial);
    EXPECT_LT(shell, comparisonsOf(dropIn.out, "insertion", 1000));
    EXPECT_EQ(comparisonsOf(loaded.out, "shell", 1000), shell);
    // Its expectation is the textbook column, so there is a verdict.
    for (const std::string& out : {dropIn.out, loaded.out}) {
        EXPECT_TRUE(std::regex_search(
            out, std::regex("\"sort\": \"shell\"[^\n]*\"textbook\": \"N lg N\"[^\n]*"
                            "\"verdict\": \"(confirmed|consistent|undecided|differs|no single class)\"")))
            << out;
    }
}

#ifdef SORTING_BENCHMARK_USER_PATH
TEST(UserSorts, ExampleIsTimedVerifiedAndChartedThroughBothRoutes) {
    const std::string page = testing::TempDir() + "user_sorts.html";
    const std::string options =
        " '--benchmark_filter=^(shell|insertion)/random/(1000|3000|10000)$' "
        "--benchmark_min_time=0.001 --sortbench_html=" +
        page;
    for (const auto& run :
         {std::make_pair(std::string(SORTING_BENCHMARK_USER_PATH), std::string("shell.c")),
          std::make_pair(std::string(SORTING_BENCHMARK_PATH) + " --sortbench_load=" + library,
                         std::string("shell.so"))}) {
        std::remove(page.c_str());
        const ProgramRun timed = runProgram(run.first, options);
        EXPECT_EQ(timed.status, 0) << timed.err;
        const std::string html = readFile(page);
        // The context names its source and expectation; the growth table
        // judges it.
        EXPECT_NE(html.find(run.second), std::string::npos) << run.first;
        EXPECT_TRUE(std::regex_search(html, std::regex("shell \\(yours\\)")));
        EXPECT_NE(timed.out.find("shell/random/10000"), std::string::npos);
    }
}
#endif

// Each wrong sort is named with its shape and size, and the run fails.
TEST(UserSorts, WrongSortsAreNamed) {
    struct Case {
        const char* sort;
        const char* problem;
        int status;
    };
    const Case cases[] = {
        {"unsorted_last", "result differs from std::sort", 1},
        {"past_end", "wrote past the end of the array", 1},
        {"before_start", "wrote before the start of the array", 1},
        {"loses_one", "result differs from std::sort", 1},
        {"crashes_empty", "at n = 0: ", 1},
        {"hangs_sorted", "did not return within", 1},
    };
    for (const Case& c : cases) {
        const std::string named = std::string(c.sort) + " on ";
        const ProgramRun counts = runProgram(
            SORTING_COUNTS_USER_PATH, std::string("--sorts=") + c.sort + " --shapes=random --sizes=1000");
        EXPECT_EQ(counts.status, c.status) << c.sort;
        EXPECT_NE(counts.err.find(named), std::string::npos) << counts.err;
        EXPECT_NE(counts.err.find(c.problem), std::string::npos) << counts.err;
#ifdef SORTING_BENCHMARK_USER_PATH
        const ProgramRun timed =
            runProgram(SORTING_BENCHMARK_USER_PATH, std::string("--benchmark_filter=^") + c.sort +
                                                        "/random/1000$ --benchmark_min_time=0.001");
        EXPECT_EQ(timed.status, c.status) << c.sort;
        EXPECT_NE(timed.err.find(named), std::string::npos) << timed.err;
        EXPECT_NE(timed.err.find(c.problem), std::string::npos) << timed.err;
#endif
    }
    // Sorted right, counted wrong: flagged, not failed.
    const ProgramRun bypass =
        runProgram(SORTING_COUNTS_USER_PATH, "--sorts=bypasses_less --shapes=random --sizes=1000 --json");
    EXPECT_EQ(bypass.status, 0);
    EXPECT_NE(bypass.err.find("bypasses_less on random at n = 1000"), std::string::npos) << bypass.err;
    EXPECT_NE(bypass.out.find("\"undercounted\": true"), std::string::npos);
}

// --load may be given once per library, and each sort is then run.
TEST(UserSorts, LibrariesLoadSideBySide) {
    const std::string dir = USER_LIBRARIES;
    const std::string both = dir + "/shell.so --load=" + dir + "/shellcopy.so";
    const ProgramRun counts =
        runProgram(SORTING_COUNTS_PATH, "--load=" + both + " --sorts=shell,shellcopy --sizes=1000 --json");
    ASSERT_EQ(counts.status, 0) << counts.err;
    EXPECT_EQ(comparisonsOf(counts.out, "shellcopy", 1000), comparisonsOf(counts.out, "shell", 1000));
    EXPECT_GT(comparisonsOf(counts.out, "shell", 1000), 0);
#ifdef SORTING_BENCHMARK_PATH
    const ProgramRun timed = runProgram(SORTING_BENCHMARK_PATH,
                                        "--sortbench_load=" + dir + "/shell.so --sortbench_load=" + dir +
                                            "/shellcopy.so --benchmark_filter=^shell --benchmark_list_tests");
    ASSERT_EQ(timed.status, 0) << timed.err;
    EXPECT_NE(timed.out.find("shell/random/1000"), std::string::npos) << timed.out;
    EXPECT_NE(timed.out.find("shellcopy/random/1000"), std::string::npos) << timed.out;
#endif
}

TEST(UserSorts, BadLibrariesAreRefused) {
    const std::string dir = USER_LIBRARIES;
    for (const std::string& path :
         {dir + "/missing.so", dir + "/../user_sorts_cli_test", dir + "/insertion.so", dir + "/nosort.so"}) {
        EXPECT_EQ(refusalProblem(runProgram(SORTING_COUNTS_PATH, "--load=" + path)), "") << path;
#ifdef SORTING_BENCHMARK_PATH
        EXPECT_EQ(refusalProblem(runProgram(SORTING_BENCHMARK_PATH, "--sortbench_load=" + path)), "") << path;
#endif
    }
}

}  // namespace
