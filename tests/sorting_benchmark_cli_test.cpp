#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "compare/html_report.h"
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
        // Each benchmark counts, not one size per sort and shape: 490 x
        // 1000 s is 5.7 days, 70 x 1000 s under one; 70 merge benchmarks
        // x 5000 s are 4 days, 10 x 5000 s under one.
        "--benchmark_filter=. --benchmark_min_time=1000",
        "--benchmark_filter=^merge/ --benchmark_min_time=5000",
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

// The text after "key": in text from at, up to the next comma, brace or
// line end; empty when absent.
std::string valueAfter(const std::string& text, const std::string& key, std::size_t at = 0) {
    const std::size_t found = text.find("\"" + key + "\": ", at);
    if (found == std::string::npos) return "";
    const std::size_t start = found + key.size() + 4;
    return text.substr(start, text.find_first_of(",}\n", start) - start);
}

// Google Benchmark's JSON object of one run.
std::string runObject(const std::string& json, const std::string& name) {
    const std::size_t at = json.find("\"name\": \"" + name + "\",");
    return at == std::string::npos ? "" : json.substr(at, json.find('}', at) - at);
}

// What a small run reports when it works: its allocations per call (the
// memory run's, divided by the calls it made), a page-fault counter on
// every run, a stated skip that is no failure, a summary that allows for
// at least the times' 5% noise floor, and a page that draws the CPU time
// that was measured, not the real time.
TEST(SortingBenchmark, ReportsCountersSkipsSummaryAndPage) {
    const std::string summary = tempPath(".json");
    const std::string page = tempPath(".html");
    std::remove(summary.c_str());
    std::remove(page.c_str());
    const ProgramRun run = runProgram(
        SORTING_BENCHMARK_PATH,
        "'--benchmark_filter=^(insertion|merge|quick|counting|radix)/random/(1000|2000)$|^counting/"
        "random_wide/1000$' "
        "--sortbench_shapes=random,random_wide --sortbench_sizes=1000,2000 --benchmark_min_time=0.001 "
        "--benchmark_format=json --sortbench_summary=" +
            summary + (htmlReportAvailable() ? " --sortbench_html=" + page : ""));
    ASSERT_EQ(run.status, 0) << run.err;
    const struct {
        const char* name;
        const char* allocations;
    } rows[] = {
        {"insertion/random/1000", "0"}, {"quick/random/2000", "0"}, {"merge/random/1000", "1998"},
        {"merge/random/2000", "3998"},  {"radix/random/1000", "1"}, {"counting/random/2000", "2"},
    };
    for (const auto& row : rows) {
        const std::string object = runObject(run.out, row.name);
        ASSERT_NE(object, "") << row.name << " not in:\n" << run.out;
        EXPECT_EQ(std::atof(valueAfter(object, "allocs_per_iter").c_str()), std::atof(row.allocations))
            << object;
        EXPECT_NE(valueAfter(object, "page_faults"), "") << object;
    }
    EXPECT_EQ(valueAfter(runObject(run.out, "counting/random_wide/1000"), "error_message"),
              "\"skipped: counting sort would need a table of 4294967296 counters (16.0 GiB)\"");

    const std::string families = readFile(summary);
    int noises = 0;
    for (std::size_t at = families.find("\"noise\""); at != std::string::npos;
         at = families.find("\"noise\"", at + 1), ++noises) {
        EXPECT_GE(std::atof(valueAfter(families, "noise", at).c_str()), 0.05) << families;
    }
    EXPECT_EQ(noises, 5) << families;

    std::remove(summary.c_str());
    if (!htmlReportAvailable()) return;
    // merge's first point on the first chart (random): nanoseconds per element.
    const std::string html = readFile(page);
    const std::size_t merge = html.find("{\"label\": \"merge\"");
    ASSERT_NE(merge, std::string::npos);
    const double drawn = std::atof(valueAfter(html, "y", merge).c_str());
    const std::string object = runObject(run.out, "merge/random/1000");
    EXPECT_NEAR(drawn, std::atof(valueAfter(object, "cpu_time").c_str()), 1e-9 * drawn) << object;
    std::remove(page.c_str());
}

// Sizes alone are a choice: every sort and shape at them, not the report's
// scenario (which has none of them).
TEST(SortingBenchmark, SizesAloneAreAChoice) {
    const ProgramRun run =
        runProgram(SORTING_BENCHMARK_PATH, "--sortbench_sizes=1000 --benchmark_list_tests=true");
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* name :
         {"insertion/random/1000\n", "std_sort/ascending/1000\n", "radix/all_equal/1000\n"}) {
        EXPECT_NE(run.out.find(name), std::string::npos) << name << " not in:\n" << run.out;
    }
}

}  // namespace

namespace {

// The plan names how the inputs are kept: shape by shape in order, for the
// whole run when interleaved (each spelling of true), and its expected CPU;
// the last line says where the CPU went.
TEST(SortingBenchmark, PlanSaysHowInputsAreKept) {
    const std::string run =
        "--benchmark_filter=^merge/random/1000$ --sortbench_sizes=1000 "
        "--benchmark_min_time=0.001 --benchmark_repetitions=2";
    const struct {
        const char* flag;
        const char* kept;
    } rows[] = {
        {"", "each built once, kept while its shape runs"},
        {" --benchmark_enable_random_interleaving=false", "each built once, kept while its shape runs"},
        {" --benchmark_enable_random_interleaving", "interleaved"},
        {" --benchmark_enable_random_interleaving=true", "each built once and kept for the whole run"},
        {" --benchmark_enable_random_interleaving=yes", "each built once and kept for the whole run"},
        {" --benchmark_enable_random_interleaving=on", "each built once and kept for the whole run"},
        {" --benchmark_enable_random_interleaving=1", "each built once and kept for the whole run"},
    };
    for (const auto& row : rows) {
        const ProgramRun done = runProgram(SORTING_BENCHMARK_PATH, run + row.flag);
        EXPECT_EQ(done.status, 0) << row.flag << "\n" << done.err;
        EXPECT_NE(done.err.find(row.kept), std::string::npos) << row.flag << "\n" << done.err;
        EXPECT_NE(done.err.find("expected about"), std::string::npos) << done.err;
        EXPECT_NE(done.err.find("s of CPU: timed calls"), std::string::npos) << done.err;
    }
}

}  // namespace

namespace {

// A --benchmark_out file as the tool writes it, for one sort and shape:
// three repetitions a size of time(n) with a fixed zigzag of noise.
struct SavedRun {
    const char* name;
    const char* family;  // "counting/random", with "/real_time" after n where the wall clock was used
    bool realTime;
    std::vector<double> sizes;
    double (*nanoseconds)(double n);
    double noise;
    const char* expectClasses;  // the summary's classes_text
    const char* expectVerdict;
    const char* expectDeparture;  // in departures_text; "" : none
};

std::string savedRunJson(const SavedRun& run) {
    std::string rows;
    const double zigzag[] = {0, 1, -1, 0.5, -0.5, 0.8, -0.8, 0.3, -0.3, 0.9, -0.9, 0.2};
    int z = 0;
    for (double n : run.sizes) {
        for (int r = 0; r < 3; ++r) {
            const double t = run.nanoseconds(n) / 1000 * std::exp(run.noise * zigzag[z++ % 12]);
            char row[600];
            std::snprintf(
                row, sizeof row,
                "%s{\"name\": \"%s/%.0f%s\", \"run_type\": \"iteration\", \"repetitions\": 3, "
                "\"iterations\": 10, \"real_time\": %.6g, \"cpu_time\": %.6g, \"time_unit\": \"us\", "
                "\"allocs_per_iter\": 2, \"max_bytes_used\": %.0f}",
                rows.empty() ? "" : ",\n", run.family, n, run.realTime ? "/real_time" : "",
                run.realTime ? t : t * 3, run.realTime ? t * 3 : t, 4 * n + 40000);
            rows += row;
        }
    }
    return "{\"context\": {\"host_name\": \"test\", \"num_cpus\": 2, \"caches\": [{\"type\": \"Data\", "
           "\"level\": 1, "
           "\"size\": 49152, \"num_sharing\": 1}, {\"type\": \"Unified\", \"level\": 2, \"size\": 1048576, "
           "\"num_sharing\": 1}]},\n\"benchmarks\": [" +
           rows + "]}\n";
}

std::string field(const std::string& json, const std::string& name) {
    const std::size_t at = json.find("\"" + name + "\": \"");
    if (at == std::string::npos) return "(no " + name + ")";
    const std::size_t from = at + name.size() + 5;
    return json.substr(from, json.find('"', from) - from);
}

}  // namespace

// Saved runs whose answer is known, read back without timing anything.
TEST(SortingBenchmark, AnalyzesSavedRuns) {
    const std::vector<double> wide = {1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000};
    const SavedRun runs[] = {
        {"a cache step is a step, not a class", "counting/random", false, wide,
         [](double n) { return n * (n >= 500000 ? 1.7 * 1.83 : 1.83); }, 0.03, "N", "confirmed",
         "time per element x1.66 from 200000 to 500000: 3.9 MiB of data passes L2 (1 MiB)"},
        {"N^2 at 5%", "insertion/random", false, wide, [](double n) { return n * n / 4; }, 0.05, "N^2",
         "confirmed", ""},
        {"n^1.5 is not N^2",
         "std_sort/random",
         false,
         {1000, 2000, 5000, 10000, 20000, 50000, 100000},
         [](double n) { return std::pow(n, 1.5); },
         0.05,
         "no single class",
         "no single class",
         ""},
        {"Windows' wall clock", "std_sort/random", true, wide, [](double n) { return 5 * n * std::log2(n); },
         0.05, "N lg N", "confirmed", ""},
        {"two sizes",
         "insertion/random",
         false,
         {1000, 2000},
         [](double n) { return n * n; },
         0.05,
         "needs 3 sizes",
         "n/a",
         ""},
    };
    for (const SavedRun& run : runs) {
        SCOPED_TRACE(run.name);
        const std::string saved = tempPath("run.json"), summary = tempPath("summary.json");
        std::FILE* file = std::fopen(saved.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(savedRunJson(run).c_str(), file);
        std::fclose(file);
        const ProgramRun ran = runProgram(SORTING_BENCHMARK_PATH,
                                          "--sortbench_analyze " + saved + " --sortbench_summary " + summary);
        EXPECT_EQ(ran.status, 0) << ran.err;
        const std::string json = readFile(summary);
        EXPECT_EQ(field(json, "classes_text"), run.expectClasses) << json;
        EXPECT_EQ(field(json, "verdict"), run.expectVerdict) << json;
        if (*run.expectDeparture) {
            EXPECT_NE(field(json, "departures_text").find(run.expectDeparture), std::string::npos) << json;
        } else {
            EXPECT_EQ(field(json, "departures_text"), "-");
        }
        // The console shows the same row.
        EXPECT_NE(ran.out.find(run.expectVerdict), std::string::npos) << ran.out;
        std::remove(saved.c_str());
        std::remove(summary.c_str());
    }
}

// A file that is no saved run of this tool's: status 2, one line, before any work.
TEST(SortingBenchmark, RefusesWhatItCannotAnalyze) {
    const std::string saved = tempPath("bad.json");
    const char* const contents[] = {
        "not json",
        "{\"context\": {}}",
        "{\"benchmarks\": [{\"name\": \"other/thing\", \"real_time\": 1, \"cpu_time\": 1, \"time_unit\": "
        "\"us\"}]}",
        "{\"benchmarks\": [{\"name\": \"merge/random/1000\", \"real_time\": 1, \"cpu_time\": 1, "
        "\"time_unit\": "
        "\"parsec\"}]}",
        "{\"benchmarks\": [{\"name\": \"merge/random/1000\", \"time_unit\": \"us\"}]}",
        "{\"benchmarks\": [7]}",
    };
    for (const char* content : contents) {
        std::FILE* file = std::fopen(saved.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(content, file);
        std::fclose(file);
        EXPECT_EQ(refusalProblem(runProgram(SORTING_BENCHMARK_PATH, "--sortbench_analyze " + saved)), "")
            << content;
    }
    std::remove(saved.c_str());
    EXPECT_EQ(refusalProblem(runProgram(SORTING_BENCHMARK_PATH, "--sortbench_analyze " + saved)), "");
}
