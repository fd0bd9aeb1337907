// Users' own sorts through both tools: the example dropped in (the tools
// built with tests/user_sorts) and loaded as a shared library, and the
// wrong sorts each named.
// GCC 12 with the sanitizers warns of an uninitialized std::function deep
// inside <regex>'s compiler, a false positive that would fail the build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

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
    for (const std::string& path : {dir + "/missing.so", dir + "/../user_sorts_cli_test",
                                    dir + "/insertion.so", dir + "/nosort.so", dir + "/qsort.so"}) {
        EXPECT_EQ(refusalProblem(runProgram(SORTING_COUNTS_PATH, "--load=" + path)), "") << path;
#ifdef SORTING_BENCHMARK_PATH
        EXPECT_EQ(refusalProblem(runProgram(SORTING_BENCHMARK_PATH, "--sortbench_load=" + path)), "") << path;
#endif
    }
}

// The files in a folder.
std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

// A sort that fails, in every way a student's may, at a size in the first
// run or only above it: through both tools, dropped in and loaded, one
// line naming the call and what happened, status 1, no file left behind.
TEST(UserSorts, BrokenSortsEndTheRunWithOneLine) {
    struct Case {
        const char* sort;
        const char* at;  // where it fails: "n = N: " and what happened
    };
    const Case cases[] = {
        {"exits_zero_small", "at n = 17: ended the program instead of returning (exit status 0)"},
        {"exits_one_small", "at n = 17: ended the program instead of returning (exit status 1)"},
        {"exits_zero_large", "ended the program instead of returning (exit() inside the sort)"},
        {"exits_one_large", "ended the program instead of returning (exit() inside the sort)"},
        {"crashes_large", "crashed (signal 11, SIGSEGV)"},
        {"hangs_large", "did not return within "},
        {"throws_large", "threw a C++ exception instead of returning (too many elements)"},
        {"overflows_large", "overflowed the stack"},
        {"reads_past_end", "at n = 0: read past the end of the array (a[0], n = 0)"},
        {"reads_before_start", "at n = 0: read before the start of the array (a[-1], n = 0)"},
        {"writes_far_past", "at n = 0: wrote past the end of the array (a[48], n = 0)"},
        {"past_end", "at n = 0: wrote past the end of the array (a[0], n = 0)"},
    };
    char folderTemplate[] = "/tmp/broken_sorts.XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    // The hang's watchdog waits a second, not ten.
    const std::string hang = std::string(HANG_VARIABLE) + "=1 ";
    for (const Case& c : cases) {
        const std::string sort = c.sort;
        const std::string library = std::string(USER_LIBRARIES) + "/" + sort + ".so";
        const std::string counts =
            " --sorts=" + sort + " --shapes=random --sizes=2000 --html=" + folder + "/c.html";
        std::vector<std::pair<std::string, std::string>> runs = {
            {hang + SORTING_COUNTS_USER_PATH, counts},
            {hang + SORTING_COUNTS_PATH, "--load=" + library + counts},
        };
#ifdef SORTING_BENCHMARK_USER_PATH
        const std::string timed =
            " '--benchmark_filter=^" + sort +
            "/random/2000$' --sortbench_sizes=2000 --benchmark_min_time=0.001 --benchmark_out=" + folder +
            "/b.json --sortbench_summary=" + folder + "/s.json";
        runs.push_back({hang + SORTING_BENCHMARK_USER_PATH, timed});
        runs.push_back({hang + SORTING_BENCHMARK_PATH, "--sortbench_load=" + library + timed});
#endif
        for (const auto& run : runs) {
            const ProgramRun ran = runProgram(run.first, run.second);
            std::string program = run.first.substr(run.first.rfind('/') + 1);
            program = program.substr(0, program.find("_user"));
            const std::string line = program + ": " + sort + " on random at ";
            EXPECT_EQ(ran.status, 1) << run.first << " " << run.second << "\n" << ran.err;
            // The one line is the last; Google Benchmark's context may precede it.
            const std::size_t at = ran.err.rfind(line);
            ASSERT_NE(at, std::string::npos) << run.first << " " << sort << "\n" << ran.err;
            const std::string last = ran.err.substr(at);
            EXPECT_NE(last.find(c.at), std::string::npos) << last;
            EXPECT_EQ(last.find('\n'), last.size() - 1) << last;
            // A limit above the floor is the prediction's multiple, and says so.
            std::smatch hang;
            if (std::regex_search(
                    last, hang,
                    std::regex("within ([0-9.e+]+) s \\(20 times the ([0-9.e+-]+) s predicted"))) {
                const double limit = std::stod(hang[1]);
                EXPECT_NEAR(limit, 20 * std::stod(hang[2]), 0.02 * limit) << last;
                EXPECT_GT(limit, 1.0) << last;
            }
            EXPECT_EQ(filesIn(folder), std::vector<std::string>()) << run.first << " " << sort;
        }
    }
    rmdir(folder.c_str());
}

// What the user gave, named in the one line of each refusal: the option,
// the environment variable, the library.
TEST(UserSorts, RefusalsNameWhatTheUserGave) {
    const std::string dir = USER_LIBRARIES;
    const std::string file = testing::TempDir() + "one_output";
    struct Case {
        std::string program, arguments, named;
    };
    std::vector<Case> cases = {
        {SORTING_COUNTS_PATH, "--load=" + dir + "/qsort.so", "has no function qsort"},
        {SORTING_COUNTS_PATH, "--load=" + dir + "/crashes_loading.so",
         "crashes_loading.so\": crashed (signal 11, SIGSEGV) while loading"},
        {SORTING_COUNTS_PATH, "--load=" + dir + "/expects_typo.so --shapes=random --sizes=1000",
         "expects_typo: SB_EXPECT(\"N log N\") names no growth class; write one of \"1\", \"lg N\", \"N\", "
         "\"N lg N\", \"N^2\", \"N^3\" (the nearest: \"N lg N\")"},
        {std::string(HANG_VARIABLE) + "=abc " + SORTING_COUNTS_PATH, "",
         std::string(HANG_VARIABLE) + " (in the environment)"},
    };
#ifdef SORTING_BENCHMARK_PATH
    const std::string benchmark = SORTING_BENCHMARK_PATH;
    const std::vector<Case> timed = {
        {benchmark, "--sortbench_load=" + dir + "/qsort.so", "has no function qsort"},
        {benchmark, "--sortbench_load=" + dir + "/crashes_loading.so", "while loading"},
        {benchmark, "--sortbench_load=" + dir + "/expects_typo.so --benchmark_filter=^expects_typo/",
         "(the nearest: \"N lg N\")"},
        {std::string(HANG_VARIABLE) + "=0 " + benchmark, "",
         std::string(HANG_VARIABLE) + " (in the environment)"},
        {benchmark, "--sortbench_summary=" + file + " --sortbench_html=" + file,
         "--sortbench_summary and --sortbench_html name one file"},
        {benchmark, "--sortbench_summary=" + file + " --benchmark_out=" + testing::TempDir() + "./one_output",
         "--sortbench_summary and --benchmark_out name one file"},
        {benchmark, "--benchmark_context=sortbench_seed=5", "keys beginning sortbench_ are the tool's own"},
        {"BENCHMARK_FILTER='(' " + benchmark, "", "BENCHMARK_FILTER (in the environment) is not a valid"},
        {benchmark, "--benchmark_filter=" + std::string(100000, 'a'), "is 100000 characters long"},
        {benchmark, "'--benchmark_filter=" + std::string(60, '(') + "a" + std::string(60, ')') + "'",
         "nests its groups 60 deep"},
        {"SORTBENCH_MEMORY_LIMIT=500000000 " + benchmark,
         "--sortbench_shapes=random:268435455 --benchmark_filter=^counting/",
         "--sortbench_shapes would make"},
    };
    cases.insert(cases.end(), timed.begin(), timed.end());
#endif
    for (const Case& c : cases) {
        const ProgramRun run = runProgram(c.program, c.arguments);
        EXPECT_EQ(refusalProblem(run), "") << c.program << " " << c.arguments.substr(0, 200);
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }
}

#ifdef SORTING_BENCHMARK_PATH
// Listing runs no sort: a loaded one that would hang is only listed. A
// name of 250 bytes, valid, takes its output.
TEST(UserSorts, ListingRunsNothingAndLongNamesAreWritten) {
    const ProgramRun listed =
        runProgram(std::string(HANG_VARIABLE) + "=600 " + SORTING_BENCHMARK_PATH,
                   "--sortbench_load=" + std::string(USER_LIBRARIES) +
                       "/hangs_sorted.so --benchmark_list_tests '--benchmark_filter=^hangs'");
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("hangs_sorted/ascending/1000\n"), std::string::npos) << listed.out;
    const std::string longName = testing::TempDir() + std::string(245, 'x') + ".json";
    const ProgramRun written = runProgram(SORTING_BENCHMARK_PATH,
                                          "'--benchmark_filter=^insertion/random/1000$' "
                                          "--benchmark_min_time=0.001 --sortbench_summary=" +
                                              longName);
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_NE(readFile(longName).find("\"insertion\""), std::string::npos);
    std::remove(longName.c_str());
}
#endif

// A run stopped by any signal that ends it, or whose standard output is a
// pipe closed early, leaves no temporary file; closed standard streams
// never receive an output file's descriptor.
#ifdef SORTING_BENCHMARK_USER_PATH
TEST(UserSorts, SignalsAndClosedStreamsLeaveNoTemporary) {
    char folderTemplate[] = "/tmp/stopped_runs.XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    // Held in the budget's probe at 10000 by hangs_large, the output's
    // temporary in place, until the signal comes.
    const std::string held =
        std::string(HANG_VARIABLE) + "=600 " + SORTING_BENCHMARK_USER_PATH +
        " '--benchmark_filter=^hangs_large/random/2000$' --sortbench_sizes=2000 --benchmark_out=" + folder +
        "/b.json >/dev/null 2>&1";
    for (const char* signal : {"HUP", "QUIT", "PIPE", "INT", "TERM"}) {
        const ProgramRun run = runProgram(held + " & pid=$!; i=0; while [ -z \"$(ls " + folder +
                                              ")\" ] && [ $i -lt 600 ]; do sleep 0.1; "
                                              "i=$((i+1)); done; kill -" +
                                              signal + " $pid; wait $pid; echo $?",
                                          "");
        EXPECT_NE(run.out, "0\n") << signal;
        EXPECT_EQ(filesIn(folder), std::vector<std::string>()) << signal;
    }
    // The first line only: the program meets a closed pipe.
    const ProgramRun piped =
        runProgram(SORTING_BENCHMARK_USER_PATH,
                   "'--benchmark_filter=^(insertion|merge)/random/(1000|2000)$' --benchmark_min_time=0.001 "
                   "--benchmark_out=" +
                       folder + "/b.json 2>/dev/null | head -n 1");
    EXPECT_EQ(filesIn(folder), std::vector<std::string>());
    for (const char* closed : {">&-", "2>&- >/dev/null"}) {
        const std::string out = folder + "/closed.json";
        const ProgramRun run = runProgram(std::string("(") + SORTING_BENCHMARK_USER_PATH,
                                          "'--benchmark_filter=^insertion/random/1000$' "
                                          "--benchmark_min_time=0.001 --benchmark_out=" +
                                              out + " " + closed + "); echo status $?");
        EXPECT_NE(run.out.find("status 0"), std::string::npos) << closed << run.out;
        const std::string json = readFile(out);
        EXPECT_EQ(json.substr(0, 1), "{") << closed << ": " << json.substr(0, 200);
        EXPECT_NE(json.find("\"insertion/random/1000\""), std::string::npos) << closed;
        std::remove(out.c_str());
    }
    rmdir(folder.c_str());
}
#endif

// Memory of a drop-in is counted through realloc and aligned_alloc too,
// and a leak fails it; a loaded library's is "not measured", never 0.
#ifdef SORTING_BENCHMARK_USER_PATH
TEST(UserSorts, MemoryOfUsersSortsIsMeasuredOrSaidNotToBe) {
    // The row of the memory table, after the growth table's of the same name.
    const auto memoryRow = [](const std::string& sort) {
        return std::regex("Memory per call[^]*\n" + sort + "/random +2000 +([0-9]+|not measured) ");
    };
    for (const std::string sort : {"grows_with_realloc", "aligned_buffer", "leaks"}) {
        const std::string filter = " '--benchmark_filter=^" + sort +
                                   "/random/2000$' --sortbench_sizes=2000 --benchmark_min_time=0.001";
        // The leak is the tool's to find, not the sanitizer's at exit.
        const ProgramRun dropIn =
            runProgram("ASAN_OPTIONS=detect_leaks=0 " SORTING_BENCHMARK_USER_PATH, filter);
        const ProgramRun loaded =
            runProgram("ASAN_OPTIONS=detect_leaks=0 " SORTING_BENCHMARK_PATH,
                       "--sortbench_load=" + std::string(USER_LIBRARIES) + "/" + sort + ".so" + filter);
        std::smatch match;
        if (sort == "leaks") {
            EXPECT_EQ(dropIn.status, 1);
            EXPECT_NE(dropIn.err.find("leaks/random/2000: the sort leaked memory"), std::string::npos)
                << dropIn.err;
        } else {
            EXPECT_EQ(dropIn.status, 0) << dropIn.err;
            ASSERT_TRUE(std::regex_search(dropIn.out, match, memoryRow(sort))) << dropIn.out;
            EXPECT_GE(std::stoi(match[1]), 1) << "realloc and aligned_alloc are allocations";
        }
        EXPECT_EQ(loaded.status, 0) << loaded.err;
        ASSERT_TRUE(std::regex_search(loaded.out, match, memoryRow(sort))) << loaded.out;
        EXPECT_EQ(match[1], "not measured");
        EXPECT_NE(loaded.out.find("a loaded library allocates past the tool's counters"), std::string::npos);
    }
}
#endif

}  // namespace
