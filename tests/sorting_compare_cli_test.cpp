// sorting_compare on files from small real runs of both tools, and on
// copies of them changed on purpose: times replaced by seeded noise around
// each benchmark's own median, so that every verdict is known beforehand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "tests/run_program.h"

using nlohmann::json;

namespace {

const char benchmarkFilter[] = "^(insertion|quick|std_sort)/(random|ascending)/(1000|2000|5000)$";
const int benchmarksRun = 18;

std::string writeJson(const json& doc, const std::string& suffix) {
    const std::string path = tempPath(suffix);
    std::ofstream(path) << doc.dump(1);
    return path;
}

json readJson(const std::string& path) { return json::parse(readFile(path)); }

class CompareTool : public ::testing::Test {
protected:
    // One real run of each tool, 5 repetitions: CTest makes them once for
    // all the tests (sorting_compare_inputs); run alone, the suite makes its own.
    static void SetUpTestSuite() {
        benchmarkPath() = std::string(SORTING_COMPARE_INPUTS) + "/benchmark.json";
        countsPath() = std::string(SORTING_COMPARE_INPUTS) + "/counts.json";
        if (!readFile(benchmarkPath()).empty() && !readFile(countsPath()).empty()) return;
        benchmarkPath() = tempPath("real_benchmark.json");
        const ProgramRun bench =
            runProgram(SORTING_BENCHMARK_PATH, std::string("'--benchmark_filter=") + benchmarkFilter +
                                                   "' --benchmark_min_time=0.001 --benchmark_repetitions=5 "
                                                   "--benchmark_format=json --benchmark_out=" +
                                                   benchmarkPath());
        ASSERT_EQ(bench.status, 0) << bench.err;
        countsPath() = tempPath("real_counts.json");
        const ProgramRun counts =
            runProgram(SORTING_COUNTS_PATH,
                       "--sorts=insertion,quick --shapes=random,ascending --sizes=1000,2000,5000 --json");
        ASSERT_EQ(counts.status, 0) << counts.err;
        std::ofstream(countsPath()) << counts.out;
    }
    static std::string& benchmarkPath() {
        static std::string path;
        return path;
    }
    static std::string& countsPath() {
        static std::string path;
        return path;
    }

    // The real run with each repetition's time replaced by 2% noise around
    // time(name, base), base being the benchmark's first real time.
    static json noisy(unsigned seed, const std::function<double(const std::string&, double)>& time,
                      int repetitions = 5) {
        json doc = readJson(benchmarkPath());
        std::mt19937 random(seed);
        std::normal_distribution<double> noise(0, 0.02);
        json kept = json::array();
        std::map<std::string, double> base;
        for (json& entry : doc["benchmarks"]) {
            if (entry.value("run_type", "") != "iteration") continue;
            if (entry["repetition_index"].get<int>() >= repetitions) continue;
            const std::string name = entry["run_name"];
            if (base.find(name) == base.end()) base[name] = entry["cpu_time"].get<double>();
            entry["cpu_time"] = time(name, base[name]) * std::exp(noise(random));
            kept.push_back(entry);
        }
        doc["benchmarks"] = kept;
        return doc;
    }
};

const std::function<double(const std::string&, double)> unchanged = [](const std::string&, double base) {
    return base;
};

// The same file twice: every benchmark the same, every ratio exactly 1.
TEST_F(CompareTool, FileAgainstItself) {
    const std::string out = tempPath("self.json");
    const ProgramRun run =
        runProgram(SORTING_COMPARE_PATH, benchmarkPath() + " " + benchmarkPath() + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = readJson(out);
    ASSERT_EQ(doc["rows"].size(), std::size_t(benchmarksRun));
    for (const json& row : doc["rows"]) {
        EXPECT_EQ(row["verdict"], "same") << row.dump();
        EXPECT_EQ(row["ratio"].get<double>(), 1.0) << row.dump();
        EXPECT_LE(row["ratio_low"].get<double>(), 1.0);
        EXPECT_GE(row["ratio_high"].get<double>(), 1.0);
        EXPECT_EQ(row["p"].get<double>(), 1.0);
        for (const char* field : {"sort", "shape", "n", "ratio", "ratio_low", "ratio_high", "p", "verdict"})
            EXPECT_TRUE(row.contains(field)) << field;
    }
    EXPECT_EQ(doc["summary"]["overall"]["same"], benchmarksRun);
    EXPECT_EQ(doc["machines_differ"], false);
    EXPECT_NE(run.out.find("Changed:\n  none"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Growth that changed: none"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("too few repetitions:"), std::string::npos) << run.out;
}

// Google Benchmark writes bare NaN where a spread has no value (CPU times
// all 0 on Windows): read as no value, and text inside strings untouched.
TEST_F(CompareTool, ReadsGoogleBenchmarksNaN) {
    json doc = readJson(benchmarkPath());
    doc["context"]["host_name"] = "NaN inf host";
    bool any = false;
    for (json& entry : doc["benchmarks"]) {
        if (entry["run_type"] == "aggregate") {
            entry["cpu_time"] = "__not_a_number__";
            any = true;
        }
    }
    ASSERT_TRUE(any);
    std::string text = doc.dump(1);
    for (std::size_t at; (at = text.find("\"__not_a_number__\"")) != std::string::npos;)
        text.replace(at, 18, at % 2 ? "NaN" : "-nan");
    const std::string path = tempPath("nan.json");
    std::ofstream(path) << text;
    const std::string out = tempPath("out.json");
    const ProgramRun run = runProgram(SORTING_COMPARE_PATH, path + " " + benchmarkPath() + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const json result = readJson(out);
    EXPECT_EQ(result["rows"].size(), std::size_t(benchmarksRun));
    for (const json& row : result["context"]) {
        if (row["label"] == "host") {
            EXPECT_EQ(row["old"], "NaN inf host");
        }
    }
}

// Two noisy runs of the same build, and one where quick sort is 1.5 times
// slower: found slower at every size with 1.5 inside its interval, nothing
// else; the gate fails on it above its percentage only.
TEST_F(CompareTool, FindsTheSortMadeSlower) {
    const std::string before = writeJson(noisy(1, unchanged), "before.json");
    const std::string same = writeJson(noisy(2, unchanged), "same.json");
    const std::string slower =
        writeJson(noisy(3, [](const std::string& name,
                              double base) { return name.compare(0, 6, "quick/") == 0 ? 1.5 * base : base; }),
                  "slower.json");
    const std::string out = tempPath("out.json");

    ProgramRun run = runProgram(SORTING_COMPARE_PATH, before + " " + same + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const json sameDoc = readJson(out);
    for (const json& row : sameDoc["rows"]) EXPECT_EQ(row["verdict"], "same") << row.dump();

    run = runProgram(SORTING_COMPARE_PATH, before + " " + slower + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = readJson(out);
    int found = 0;
    for (const json& row : doc["rows"]) {
        if (row["sort"] == "quick") {
            ++found;
            EXPECT_EQ(row["verdict"], "slower") << row.dump();
            EXPECT_LE(row["ratio_low"].get<double>(), 1.5) << row.dump();
            EXPECT_GE(row["ratio_high"].get<double>(), 1.5) << row.dump();
            EXPECT_NEAR(row["ratio"].get<double>(), 1.5, 0.08) << row.dump();
            EXPECT_LT(row["p"].get<double>(), 0.01) << row.dump();
        } else {
            EXPECT_EQ(row["verdict"], "same") << row.dump();
        }
    }
    EXPECT_EQ(found, 6);
    for (const json& sort : doc["summary"]["sorts"]) {
        if (sort["sort"] == "quick") {
            EXPECT_EQ(sort["slower"], 6);
            EXPECT_NEAR(sort["geometric_mean"].get<double>(), 1.5, 0.05);
        }
    }
    EXPECT_EQ(doc["summary"]["overall"]["slower"], 6);
    // Changed benchmarks come first.
    EXPECT_LT(run.out.find("quick/random/1000"), run.out.find("insertion/random/1000")) << run.out;

    run = runProgram(SORTING_COMPARE_PATH, before + " " + slower + " --fail-if-slower=10");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("quick/ascending/5000"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("insertion/"), std::string::npos) << run.err;
    run = runProgram(SORTING_COMPARE_PATH, before + " " + slower + " --fail-if-slower=60");
    EXPECT_EQ(run.status, 0) << run.err;
    // Within the practical threshold it is the same.
    run = runProgram(SORTING_COMPARE_PATH, before + " " + slower + " --threshold=60 --json=" + out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readJson(out)["summary"]["overall"]["slower"], 0);
}

// Another machine twice as slow: every ratio is about 2 and the context says
// the machines differ; relative to std_sort each sort is the same again.
TEST_F(CompareTool, AnotherMachineRelativeToStdSort) {
    const std::string before = writeJson(noisy(4, unchanged), "before.json");
    // Another build on the same machine: no machine difference.
    json rebuilt = noisy(5, unchanged);
    rebuilt["context"]["sortbench_compiler"] = "Clang 14";
    rebuilt["context"]["sortbench_version"] = "1.1.0";
    const std::string rebuiltPath = writeJson(rebuilt, "rebuilt.json");
    const std::string sameMachine = tempPath("same_machine.json");
    ASSERT_EQ(runProgram(SORTING_COMPARE_PATH, before + " " + rebuiltPath + " --json=" + sameMachine).status,
              0);
    EXPECT_EQ(readJson(sameMachine)["machines_differ"], false);
    json other = noisy(5, [](const std::string&, double base) { return 2 * base; });
    other["context"]["host_name"] = "elsewhere";
    other["context"]["sortbench_cpu"] = "Another CPU";
    const std::string after = writeJson(other, "after.json");
    const std::string out = tempPath("out.json");
    ProgramRun run = runProgram(SORTING_COMPARE_PATH, before + " " + after + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    json doc = readJson(out);
    EXPECT_EQ(doc["machines_differ"], true);
    EXPECT_EQ(doc["summary"]["overall"]["slower"], benchmarksRun);
    EXPECT_NE(run.out.find("the ratios include the machine"), std::string::npos);
    EXPECT_NE(run.out.find("--relative-to=std_sort"), std::string::npos);
    bool cpuMarked = false;
    for (const json& row : doc["context"]) {
        if (row["label"] == "CPU") cpuMarked = row["differs"] == true && row["new"] == "Another CPU";
        if (row["label"] == "compiler") {
            EXPECT_EQ(row["differs"], false);
        }
    }
    EXPECT_TRUE(cpuMarked);

    run = runProgram(SORTING_COMPARE_PATH, before + " " + after + " --relative-to=std_sort --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    doc = readJson(out);
    EXPECT_EQ(doc["relative_to"], "std_sort");
    EXPECT_EQ(doc["summary"]["overall"]["same"], benchmarksRun);
    for (const json& row : doc["rows"]) EXPECT_NEAR(row["ratio"].get<double>(), 1, 0.05) << row.dump();
}

// Quick sort on ascending input made to grow like n rather than n^2 (its
// times scaled by 1000 / n): the one growth that changed, its exponent's
// interval apart from the old one's.
TEST_F(CompareTool, GrowthThatChanged) {
    // Times in microseconds: quadratic before, linear after.
    auto quickAscending = [](bool quadratic) {
        return [quadratic](const std::string& name, double base) {
            if (name.compare(0, 16, "quick/ascending/") != 0) return base;
            const double n = std::stod(name.substr(16));
            return quadratic ? n * n * 2e-4 : n * 0.2;
        };
    };
    const std::string before = writeJson(noisy(8, quickAscending(true)), "before.json");
    const std::string after = writeJson(noisy(9, quickAscending(false)), "after.json");
    const std::string out = tempPath("out.json");
    const ProgramRun run = runProgram(SORTING_COMPARE_PATH, before + " " + after + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = readJson(out);
    // Other families may change verdict with the noise of three sizes
    // (their times come from this machine's run); this one must be there.
    json change;
    for (const json& c : doc["growth_changes"]) {
        if (c["sort"] == "quick" && c["shape"] == "ascending") change = c;
    }
    ASSERT_FALSE(change.is_null()) << doc["growth_changes"].dump();
    // Its exponent of n went from 2 to 1.
    EXPECT_EQ(std::lround(std::stod(change["old_exponent"].get<std::string>())), 2) << change.dump();
    EXPECT_EQ(std::lround(std::stod(change["new_exponent"].get<std::string>())), 1) << change.dump();
    EXPECT_NE(run.out.find("quick/ascending: exponent"), std::string::npos) << run.out;
}

// 3 repetitions: no verdict, and the reason; a benchmark in one run only is
// listed as such.
TEST_F(CompareTool, TooFewRepetitionsAndBenchmarksInOneRun) {
    const std::string three = writeJson(noisy(6, unchanged, 3), "three.json");
    json fewer = noisy(7, unchanged);
    json kept = json::array();
    for (const json& entry : fewer["benchmarks"]) {
        if (entry["run_name"] != "quick/random/5000") kept.push_back(entry);
    }
    fewer["benchmarks"] = kept;
    const std::string partial = writeJson(fewer, "partial.json");
    const std::string out = tempPath("out.json");
    ProgramRun run = runProgram(SORTING_COMPARE_PATH, three + " " + partial + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = readJson(out);
    EXPECT_EQ(doc["rows"].size(), std::size_t(benchmarksRun - 1));
    for (const json& row : doc["rows"]) EXPECT_EQ(row["verdict"], "too few repetitions");
    ASSERT_EQ(doc["only_in_one"].size(), 1u);
    EXPECT_EQ(doc["only_in_one"][0]["benchmark"], "quick/random/5000");
    EXPECT_EQ(doc["only_in_one"][0]["run"], "old");
    EXPECT_NE(run.out.find("3 against 3 cannot go below p = 0.1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("--benchmark_repetitions=5"), std::string::npos) << run.out;
}

// Counts: the same file, then one count of one sort changed, then another
// seed: exactly that change, and a note for the inputs.
TEST_F(CompareTool, CountsFiles) {
    const std::string out = tempPath("out.json");
    ProgramRun run = runProgram(SORTING_COMPARE_PATH, countsPath() + " " + countsPath() + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(readJson(out)["rows"].empty());

    json changed = readJson(countsPath());
    // A fit's verdict and a row left out: listed as changes of their own.
    for (json& family : changed["families"]) {
        if (family["sort"] == "insertion" && family["shape"] == "ascending") family["verdict"] = "differs";
    }
    json leftOut = changed;
    leftOut["rows"][0] = json{{"sort", leftOut["rows"][0]["sort"]},
                              {"shape", leftOut["rows"][0]["shape"]},
                              {"n", leftOut["rows"][0]["n"]},
                              {"left_out", "too slow"}};
    double was = 0;
    for (json& row : changed["rows"]) {
        if (row["sort"] == "quick" && row["shape"] == "random" && row["n"] == 2000) {
            was = row["comparisons"].get<double>();
            row["comparisons"] = was + 7;
        }
    }
    ASSERT_GT(was, 0);
    const std::string changedPath = writeJson(changed, "changed.json");
    run = runProgram(SORTING_COMPARE_PATH, countsPath() + " " + changedPath + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    json doc = readJson(out);
    ASSERT_EQ(doc["rows"].size(), 1u) << doc.dump();
    EXPECT_EQ(doc["rows"][0]["sort"], "quick");
    EXPECT_EQ(doc["rows"][0]["n"], 2000);
    EXPECT_EQ(doc["rows"][0]["count"], "comparisons");
    EXPECT_EQ(doc["rows"][0]["old"].get<double>(), was);
    EXPECT_EQ(doc["rows"][0]["new"].get<double>(), was + 7);
    EXPECT_TRUE(doc["notes"].empty()) << doc.dump();
    ASSERT_EQ(doc["family_changes"].size(), 1u) << doc.dump();
    EXPECT_EQ(doc["family_changes"][0]["sort"], "insertion");
    EXPECT_EQ(doc["family_changes"][0]["field"], "verdict");
    EXPECT_EQ(doc["family_changes"][0]["new"], "differs");
    EXPECT_NE(run.out.find("insertion/ascending"), std::string::npos) << run.out;

    run = runProgram(SORTING_COMPARE_PATH,
                     countsPath() + " " + writeJson(leftOut, "leftout.json") + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    doc = readJson(out);
    ASSERT_EQ(doc["rows"].size(), 1u) << doc.dump();
    EXPECT_EQ(doc["rows"][0]["count"], "left out");
    EXPECT_EQ(doc["rows"][0]["new"], "too slow");

    const std::string reseeded = tempPath("reseeded.json");
    const ProgramRun reseed =
        runProgram(SORTING_COUNTS_PATH,
                   "--sorts=insertion,quick --shapes=random,ascending --sizes=1000,2000 "
                   "--seed=7 --json");
    ASSERT_EQ(reseed.status, 0);
    std::ofstream(reseeded) << reseed.out;
    run = runProgram(SORTING_COMPARE_PATH, countsPath() + " " + reseeded + " --json=" + out);
    ASSERT_EQ(run.status, 0) << run.err;
    doc = readJson(out);
    const std::string notes = doc["notes"].dump();
    EXPECT_NE(notes.find("seed 20261208 in the old run, 7 in the new"), std::string::npos) << notes;
    EXPECT_NE(notes.find("sizes differ"), std::string::npos) << notes;
    EXPECT_NE(notes.find("only in the old run: insertion/random/5000"), std::string::npos) << notes;
    EXPECT_EQ(notes.find("only in the new run"), std::string::npos) << notes;
    EXPECT_NE(notes.find("the inputs themselves differ"), std::string::npos) << notes;
    EXPECT_FALSE(doc["rows"].empty());
}

// Every bad input: one line on stderr, status 2, before any work.
TEST_F(CompareTool, RefusesBadInput) {
    const std::string bench = benchmarkPath(), counts = countsPath();
    const std::string notJson = tempPath("not.json");
    std::ofstream(notJson) << "name,real_time\nquick/random/1000,5\n";
    const std::string otherKind = writeJson(json{{"families", json::array()}}, "other.json");
    json foreign = readJson(bench);
    for (json& entry : foreign["benchmarks"]) entry["run_name"] = entry["name"] = "BM_Something/8";
    const std::string foreignPath = writeJson(foreign, "foreign.json");
    json disjoint = readJson(bench);
    for (json& entry : disjoint["benchmarks"]) {
        const std::string name = entry["run_name"];
        entry["run_name"] = entry["name"] = "merge" + name.substr(name.find('/'));
    }
    const std::string disjointPath = writeJson(disjoint, "disjoint.json");
    json otherCounts = readJson(counts);
    for (json& row : otherCounts["rows"]) row["n"] = 77;
    otherCounts["sweep"] = json::array();
    const std::string otherCountsPath = writeJson(otherCounts, "othercounts.json");
    json aggregates = readJson(bench);
    json onlyAggregates = json::array();
    for (const json& entry : aggregates["benchmarks"]) {
        if (entry["run_type"] == "aggregate") onlyAggregates.push_back(entry);
    }
    ASSERT_FALSE(onlyAggregates.empty());
    aggregates["benchmarks"] = onlyAggregates;
    const std::string aggregatesPath = writeJson(aggregates, "aggregates.json");
    const std::string emptyPath =
        writeJson(json{{"context", json::object()}, {"benchmarks", json::array()}}, "empty.json");
    json nameless = readJson(bench);
    nameless["benchmarks"].push_back(json{{"run_type", "iteration"}, {"cpu_time", 1}});
    const std::string namelessPath = writeJson(nameless, "nameless.json");
    json badRow = readJson(counts);
    badRow["rows"][1].erase("n");
    const std::string badRowPath = writeJson(badRow, "badrow.json");
    const std::vector<std::string> lines = {
        bench + " " + namelessPath,
        counts + " " + badRowPath,
        bench + " " + aggregatesPath,
        emptyPath + " " + bench,
        "",
        bench,
        bench + " " + bench + " " + bench,
        bench + " /nonexistent/old.json",
        "/nonexistent/old.json " + bench,
        bench + " /tmp",
        bench + " " + notJson,
        bench + " " + otherKind,
        bench + " " + foreignPath,
        bench + " " + counts,
        counts + " " + bench,
        bench + " " + disjointPath,
        counts + " " + otherCountsPath,
        bench + " " + bench + " --threshold=-1",
        bench + " " + bench + " --threshold=abc",
        bench + " " + bench + " --alpha=0",
        bench + " " + bench + " --alpha=0.9",
        bench + " " + bench + " --fail-if-slower=",
        bench + " " + bench + " --relative-to=",
        bench + " " + bench + " --relative-to=no_such_sort",
        bench + " " + bench + " --relative-to='std sort'",
        bench + " " + bench + " --json=/nonexistent/out.json",
        bench + " " + bench + " --html=/nonexistent/out.html",
        bench + " " + bench + " --json /tmp/x.json",
        bench + " " + bench + " --frobnicate",
        counts + " " + counts + " --fail-if-slower=5",
        counts + " " + counts + " --relative-to=std_sort",
    };
    for (const std::string& line : lines) {
        const ProgramRun run = runProgram(SORTING_COMPARE_PATH, line);
        EXPECT_EQ(refusalProblem(run), "") << line;
    }
    // An output refused leaves no file behind.
    std::remove(tempPath("never.json").c_str());
    runProgram(SORTING_COMPARE_PATH, bench + " /nonexistent " + "--json=" + tempPath("never.json"));
    EXPECT_FALSE(std::ifstream(tempPath("never.json")).good());
}

// A lost standard output is a failure; the page and the JSON are whole.
TEST_F(CompareTool, OutputsWrittenOrFailure) {
    // runProgram redirects the program's output itself: a shell in between.
    const ProgramRun full = runProgram("sh -c '" + std::string(SORTING_COMPARE_PATH) + " " + benchmarkPath() +
                                           " " + benchmarkPath() + " >/dev/full'",
                                       "");
    EXPECT_EQ(full.status, 1) << full.err;
    EXPECT_NE(full.err.find("sorting_compare"), std::string::npos);
    const std::string page = tempPath("page.html");
    const ProgramRun run =
        runProgram(SORTING_COMPARE_PATH, benchmarkPath() + " " + benchmarkPath() + " --html=" + page);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string html = readFile(page);
    EXPECT_NE(html.find("sortbenchData"), std::string::npos);
    EXPECT_NE(html.find("\"yMin\""), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
}

}  // namespace
