#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compare/disorder.h"
#include "compare/shapes.h"
#include "sorting/counted.h"
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
#ifndef TESTS_UNDER_ADDRESS_SANITIZER  // it cannot start under ulimit -v
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

// One row of the JSON (its line) or of the CSV (by the header's names), as
// field name and text.
typedef std::map<std::string, std::string> Fields;

Fields jsonRow(const std::string& json, const std::string& start) {
    Fields fields;
    const std::size_t at = json.find(start);
    if (at == std::string::npos) return fields;
    std::istringstream line(json.substr(at, json.find('\n', at) - at));
    std::string word, key;
    while (line >> word) {
        if (word.size() > 3 && word.front() == '"' && word.back() == ':') {
            key = word.substr(1, word.size() - 3);
        } else if (!key.empty()) {
            while (!word.empty() && (word.back() == ',' || word.back() == '}')) word.pop_back();
            fields[key] = word;
            key.clear();
        }
    }
    return fields;
}

Fields csvRow(const std::string& csv, const std::string& start) {
    Fields fields;
    const std::size_t at = csv.find("\n" + start);
    if (at == std::string::npos) return fields;
    std::istringstream header(csv.substr(0, csv.find('\n')));
    std::istringstream row(csv.substr(at + 1, csv.find('\n', at + 1) - at - 1));
    for (std::string key, value; std::getline(header, key, ',') && std::getline(row, value, ',');) {
        fields[key] = value;
    }
    return fields;
}

double numberIn(const Fields& fields, const std::string& key) {
    const auto it = fields.find(key);
    return it == fields.end() || it->second.empty() || it->second == "null" ? -1
                                                                            : std::atof(it->second.c_str());
}

double harmonicNumber(int n) {
    double h = 0;
    for (int k = 1; k <= n; ++k) h += 1.0 / k;
    return h;
}

// What the tool prints when it works, against the same counts made here:
// input i from seed + i, sorted by the counting build, its disorder counted
// pair by pair; means over the inputs, the textbook's figure, their ratio,
// and the noise of the comparisons' growth: the largest standard error of
// a mean over the sizes, relative, at least 1% (two sizes: no fit widens
// it).
TEST(CountsTool, PrintsMeansFiguresAndDisorderOfItsInputs) {
    const std::uint32_t seed = 7;
    const int inputs = 100;  // below 2000 elements
    struct Case {
        const char* sort;
        SortFunction counted;
        Shape shape;
        // null: the textbook says nothing; pairs: the inputs' mean number
        // of pairs of equal values, which are no inversion.
        double (*expected)(double n, double pairs);
    };
    const Case cases[] = {
        {"insertion",
         counted::insertionSort,
         {shapeRandom, 0},
         [](double n, double pairs) { return (n * (n - 1) / 2 - pairs) / 2 + n - harmonicNumber(int(n)); }},
        {"merge",
         counted::mergeSortArray,
         {shapeRandom, 0},
         [](double n, double) { return (1 - 1 / 2e4) * n * std::log2(n) - 1.25 * n; }},
        {"quick",
         counted::quickSortArray,
         {shapeRandom, 0},
         [](double n, double pairs) { return 2 * (n + 1) * harmonicNumber(int(n)) - 4 * n + pairs; }},
        // Three values: the same textbook with D = 3, quick sort's 2n ln D once n >= 10 D.
        {"insertion",
         counted::insertionSort,
         {shapeFewDistinctK, 3},
         [](double n, double pairs) { return (n * (n - 1) / 2 - pairs) / 2 + n - harmonicNumber(int(n)); }},
        {"merge",
         counted::mergeSortArray,
         {shapeFewDistinctK, 3},
         [](double n, double) { return (1 - 1 / 6.0) * n * std::log2(n) - 1.25 * n; }},
        {"quick",
         counted::quickSortArray,
         {shapeFewDistinctK, 3},
         [](double n, double pairs) {
             return pairs + (n >= 30 ? 2 * n * std::log(3.0) : 2 * (n + 1) * harmonicNumber(int(n)) - 4 * n);
         }},
    };
    const int sizes[] = {20, 40};
    const std::string options =
        "--sorts=insertion,merge,quick --shapes=random,few_distinct:3 --sizes=20,40 --seed=7";
    const ProgramRun json = runProgram(SORTING_COUNTS_PATH, "--json " + options);
    const ProgramRun csv = runProgram(SORTING_COUNTS_PATH, "--csv " + options);
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(csv.status, 0) << csv.err;
    for (const Case& c : cases) {
        const std::string name = std::string(c.sort) + "/" + shapeName(c.shape);
        double noise = 0.01;
        for (int n : sizes) {
            SCOPED_TRACE(name + "/" + std::to_string(n));
            double comparisons = 0, squares = 0, inversions = 0, runs = 0, distinct = 0, pairs = 0;
            std::vector<double> each;
            for (int i = 0; i < inputs; ++i) {
                std::vector<int> v = makeShape(c.shape, n, seed + std::uint32_t(i));
                for (int a = 0; a < n; ++a) {
                    for (int b = a + 1; b < n; ++b) inversions += v[a] > v[b];
                    runs += a == 0 || v[a] < v[a - 1];
                }
                distinct += double(std::set<int>(v.begin(), v.end()).size());
                for (int a = 0; a < n; ++a) {
                    for (int b = a + 1; b < n; ++b) pairs += v[a] == v[b];
                }
                counted::takeOperationCounts();
                c.counted(v.data(), n);
                each.push_back(double(counted::takeOperationCounts().comparisons));
                comparisons += each.back();
            }
            comparisons /= inputs;
            for (double e : each) squares += (e - comparisons) * (e - comparisons);
            noise = std::max(noise, std::sqrt(squares / (inputs - 1) / inputs) / comparisons);
            const std::string start = "\"sort\": \"" + std::string(c.sort) + "\", \"shape\": \"" +
                                      shapeName(c.shape) + "\", \"n\": " + std::to_string(n) + ",";
            const std::string csvStart =
                "counts," + std::string(c.sort) + "," + shapeName(c.shape) + "," + std::to_string(n) + ",";
            for (const Fields& row : {jsonRow(json.out, start), csvRow(csv.out, csvStart)}) {
                ASSERT_FALSE(row.empty()) << start << " not in:\n" << json.out << csv.out;
                EXPECT_EQ(numberIn(row, "inputs"), inputs);
                // Means print with one decimal.
                EXPECT_NEAR(numberIn(row, "comparisons"), comparisons, 0.051);
                EXPECT_NEAR(numberIn(row, "inversions"), inversions / inputs, 0.051);
                EXPECT_NEAR(numberIn(row, "runs"), runs / inputs, 0.051);
                EXPECT_NEAR(numberIn(row, "distinct"), distinct / inputs, 0.051);
                const double expected = c.expected ? c.expected(n, pairs / inputs) : -1;
                EXPECT_NEAR(numberIn(row, "expected"), expected, 0.051);
                EXPECT_NEAR(numberIn(row, "ratio"), c.expected ? comparisons / expected : -1, 1e-5);
            }
        }
        const std::size_t family = json.out.find("\"sort\": \"" + std::string(c.sort) + "\", \"shape\": \"" +
                                                 shapeName(c.shape) + "\", \"figure\"");
        ASSERT_NE(family, std::string::npos) << name;
        EXPECT_NEAR(numberIn(jsonRow(json.out.substr(family), "\"sort\""), "noise"), noise, 6e-5) << name;
    }
}

}  // namespace

namespace {

// Above 200000 the default run measures inversions and runs on the first
// two inputs and --exhaustive on all five; distinct values come from every
// input either way.
TEST(CountsTool, DisorderAboveTheStoppingSizeOnTwoInputs) {
    const int n = 300000;
    const std::uint32_t seed = 7;
    double inversions[2] = {0, 0}, runs[2] = {0, 0}, distinct = 0;
    for (int i = 0; i < 5; ++i) {
        const std::vector<int> v = makeShape(Shape{shapeRandom, 0}, n, seed + std::uint32_t(i));
        for (int k = i < 2 ? 0 : 1; k < 2; ++k) {
            inversions[k] += double(countInversions(v));
            runs[k] += double(countAscendingRuns(v));
        }
        distinct += double(countDistinct(v));
    }
    const char* modes[] = {"", " --exhaustive"};
    for (int k = 0; k < 2; ++k) {
        const ProgramRun run = runProgram(
            SORTING_COUNTS_PATH,
            std::string("--json --sorts=counting --shapes=random --sizes=300000 --seed=7") + modes[k]);
        ASSERT_EQ(run.status, 0) << run.err;
        const Fields row = jsonRow(run.out, "\"sort\": \"counting\", \"shape\": \"random\", \"n\": 300000,");
        EXPECT_EQ(numberIn(row, "inputs"), 5) << modes[k];
        EXPECT_NEAR(numberIn(row, "inversions"), inversions[k] / (k == 0 ? 2 : 5), 0.051) << modes[k];
        EXPECT_NEAR(numberIn(row, "runs"), runs[k] / (k == 0 ? 2 : 5), 0.051) << modes[k];
        EXPECT_NEAR(numberIn(row, "distinct"), distinct / 5, 0.051) << modes[k];
    }
}

}  // namespace

namespace {

// The plan first, with the expected CPU; then a line per sort, the last of
// each shape with the time left.
TEST(CountsTool, PlanAndTimeLeftOnStderr) {
    const ProgramRun run =
        runProgram(SORTING_COUNTS_PATH, "--sorts=merge,quick --shapes=random,saws --sizes=1000 --csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.compare(0, 22, "sorting_counts: plan: "), 0) << run.err;
    EXPECT_NE(run.err.find("expected about"), std::string::npos) << run.err;
    std::istringstream lines(run.err);
    std::vector<std::string> sortLines;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("sizes counted") != std::string::npos) sortLines.push_back(line);
    }
    ASSERT_EQ(sortLines.size(), 4u) << run.err;
    for (std::size_t i = 0; i < sortLines.size(); ++i) {
        EXPECT_EQ(sortLines[i].find("s left") != std::string::npos, i % 2 == 1) << sortLines[i];
    }
}

}  // namespace
