// Statistical benchmark of the library beside std::sort and std::stable_sort:
// every sort on the chosen input shapes and sizes, with memory counts and
// page faults (Google Benchmark 1.7). Without a filter or a choice of shapes
// or sizes it runs the report's scenario only: the five sorts on random
// values at its sizes. What happens around the timed calls is in harness.h.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compare/alloc_hooks.h"
#include "compare/html_report.h"
#include "compare/options.h"
#include "compare/platform.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/user_sorts.h"
#include "sorting_benchmark/harness.h"
#include "sorting_benchmark/run_report.h"

namespace {

const int defaultSizes[] = {1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000};

// Fixed, so that every run sorts the same arrays unless asked otherwise.
const std::uint32_t defaultSeed = 20261208;
const double defaultBudgetSeconds = 0.5;

// Windows' CPU clock for threads ticks in 15.6 ms steps: time there with
// the wall clock. Google Benchmark then appends "/real_time" to the names.
#ifdef _WIN32
const bool realTime = true;
#else
const bool realTime = false;
#endif

// The report's scenario: what a run without a filter or a choice does,
// never skipped for time.
const char reportFilter[] =
    "^(insertion|merge|quick|counting|radix)/random/(10000|50000|200000)(/real_time)?$";
bool inReportScenario(SortId sort, const Shape& shape, int n) {
    return sortEntry(sort).library && shape == Shape{shapeRandom, 0} &&
           (n == 10000 || n == 50000 || n == 200000);
}

// What the command line chose, all checked before anything runs.
struct Choice {
    std::vector<Shape> shapes = plainShapes();
    std::vector<int> sizes = std::vector<int>(std::begin(defaultSizes), std::end(defaultSizes));
    bool chosen = false;  // shapes or sizes given
    std::uint32_t seed = defaultSeed;
    double budgetSeconds = defaultBudgetSeconds;
    std::string summaryPath, htmlPath, commandLine;
};

Harness* harness = nullptr;
bool reportScenarioOnly = false;

// Memory run: set while Google Benchmark runs a benchmark again for the
// memory manager, after and apart from the timed run.
bool countingMemory = false;
std::int64_t countedAllocations = 0;
std::int64_t countedPeakBytes = 0;

class AllocationCounter : public benchmark::MemoryManager {
public:
    void Start() override {
        countingMemory = true;
        countedAllocations = 0;
        countedPeakBytes = 0;
    }
    void Stop(Result* result) override {
        countingMemory = false;
        result->num_allocs = countedAllocations;
        result->max_bytes_used = countedPeakBytes;
    }
};

AllocationCounter* allocationCounter = nullptr;
// The benchmarks whose memory is counted: the counts do not change between
// repetitions.
std::set<std::string> memoryCounted;

// Counts the allocations of a few calls on distinct arrays (up to four,
// fewer once they took 0.05 s: slow calls would take longer here than in
// the timed run), the sort alone armed, and reports them as if every
// iteration had made them.
void countAllocations(benchmark::State& state, SortId sort, const Shape& shape, int n) {
    const std::string name = benchmarkName(sort, shape, n);
    const Inputs& in = harness->inputs(shape, n);
    GuardedArray work(in.arrays.front());
    double allocations = 0;
    int calls = 0;
    const double start = processSeconds();
    for (int d = 0; d < std::min<int>(4, int(in.arrays.size())) && processSeconds() - start < 0.05; ++d) {
        ++calls;
        work.assign(in.arrays[static_cast<std::size_t>(d)]);
        armAllocations(0);
        noteUserCall(sort, shape, n);
        sortEntry(sort).timed(work.data(), n);
        userCallDone();
        disarmAllocations();
        allocations += allocationCalls();
        countedPeakBytes = std::max<std::int64_t>(countedPeakBytes, std::int64_t(peakAllocatedBytes()));
        if (liveAllocations() != 0) {
            harness->fail(name, "the sort leaked memory");
            state.SkipWithError("the sort leaked memory");
            return;
        }
        if (!harness->checkGuarded(sort, shape, n, work.data(), d)) {
            state.SkipWithError("result differs from std::sort or the sort wrote out of bounds");
            return;
        }
    }
    memoryCounted.insert(name);
    for (auto _ : state) {
    }
    countedAllocations = std::llround(allocations / calls * double(state.iterations()));
}

void sortBenchmark(benchmark::State& state, SortId sort, Shape shape) {
    const int n = static_cast<int>(state.range(0));
    const std::string& reason =
        harness->skipReason(sort, shape, n, reportScenarioOnly && inReportScenario(sort, shape, n));
    // Google Benchmark 1.7.1 makes a memory run after each repetition and
    // keeps each one's result in a vector that the next one may move, so
    // that the earlier repetitions report freed memory: the memory manager
    // is registered only until a benchmark's counts are taken, once.
    if (!countingMemory) {
        const bool counted = memoryCounted.count(benchmarkName(sort, shape, n)) != 0;
        benchmark::RegisterMemoryManager(reason.empty() && !counted ? allocationCounter : nullptr);
    }
    if (!reason.empty()) {
        state.SkipWithError(reason.c_str());
        return;
    }
    if (countingMemory) {
        countAllocations(state, sort, shape, n);
        return;
    }
    TimedPool pool(*harness, sort, shape, n);
    noteUserCall(sort, shape, n);
    const bool correct = runTimedBatches(state, pool, sortEntry(sort).timed, n);
    userCallDone();
    if (!correct) {
        state.SkipWithError("result differs from std::sort or the sort wrote out of bounds");
        return;
    }
    if (pool.sorted() > 0) harness->recordCalls(sort, shape, n, pool.seconds() / double(pool.sorted()));
    state.counters["page_faults"] =
        benchmark::Counter(double(pool.faults()), benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * n);
}

std::string registeredName(SortId sort, const Shape& shape, int n) {
    return benchmarkName(sort, shape, n) + (realTime ? "/real_time" : "");
}

void registerBenchmarks(const Choice& choice) {
    for (const Shape& shape : choice.shapes) {
        for (SortId s : allSorts()) {
            const std::string family = std::string(sortName(SortId(s))) + "/" + shapeName(shape);
            benchmark::internal::Benchmark* b =
                benchmark::RegisterBenchmark(family.c_str(), sortBenchmark, SortId(s), shape);
            for (int n : choice.sizes) b->Arg(n);
            b->Unit(benchmark::kMicrosecond);
            if (realTime) b->UseRealTime();
        }
    }
}

void printHelp() {
    benchmark::PrintDefaultHelp();
    std::printf(
        "sorting_benchmark's own options:\n"
        "  --sortbench_shapes=LIST      input shapes, comma-separated (default: the ten plain ones):\n"
        "                               %s\n"
        "  --sortbench_sizes=LIST       sizes, comma-separated (default: 1-2-5 from 1000 to 1000000)\n"
        "  --sortbench_seed=N           seed the inputs are built from (default %lu)\n"
        "  --sortbench_budget=SECONDS   skip sizes whose call is predicted to take longer (default %g)\n"
        "  --sortbench_summary=FILE     write the growth summary as JSON\n"
        "  --sortbench_html=FILE        write the results as an HTML page\n"
        "  --sortbench_load=NAME.so     add a sort of your own built as a shared library (NAME.dll on\n"
        "                               Windows), repeatable; see user_sorts.md\n"
        "Without --benchmark_filter or a choice of shapes or sizes, runs the report's scenario only.\n",
        shapeSyntax(), static_cast<unsigned long>(defaultSeed), defaultBudgetSeconds);
}

// One line on stderr naming the option, and status 2, before any work.
int refuse(const std::string& option, const std::string& what) {
    std::fprintf(stderr, "sorting_benchmark: %s %s\n", option.c_str(), what.c_str());
    return 2;
}

// Takes sorting_benchmark's own options out of argv; 0, or the exit status.
int readOptions(int& argc, char** argv, Choice& choice) {
    for (int i = 0; i < argc; ++i) choice.commandLine += (i > 0 ? " " : "") + std::string(argv[i]);
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        std::string value;
        std::string error;
        if (takeOption("--sortbench_shapes", argc, argv, i, value)) {
            if (!parseShapeList(value, choice.shapes, error)) return refuse("--sortbench_shapes", error);
            choice.chosen = true;
        } else if (takeOption("--sortbench_sizes", argc, argv, i, value)) {
            if (!parseSizeList(value, choice.sizes, error)) return refuse("--sortbench_sizes", error);
            choice.chosen = true;
        } else if (takeOption("--sortbench_seed", argc, argv, i, value)) {
            if (!parseSeed(value, choice.seed, error)) return refuse("--sortbench_seed", error);
        } else if (takeOption("--sortbench_budget", argc, argv, i, value)) {
            if (!parseSeconds(value, choice.budgetSeconds, error)) return refuse("--sortbench_budget", error);
        } else if (takeOption("--sortbench_summary", argc, argv, i, value)) {
            if (!checkWritable(value, error)) return refuse("--sortbench_summary", error);
            choice.summaryPath = value;
        } else if (takeOption("--sortbench_load", argc, argv, i, value)) {
            if (!loadUserSort(value, error)) return refuse("--sortbench_load", error);
        } else if (takeOption("--sortbench_html", argc, argv, i, value)) {
            if (!htmlReportAvailable()) {
                return refuse("--sortbench_html", htmlReportMissing);
            }
            if (!checkWritable(value, error)) return refuse("--sortbench_html", error);
            choice.htmlPath = value;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return 0;
}

// Refuses a filter that selects nothing, or a run whose inputs would not
// fit in memory; 0, or the exit status.
int checkPlan(const Choice& choice, const std::string& filter) {
    std::vector<std::string> names;
    std::vector<std::pair<Shape, int>> benchmarks;
    for (const Shape& shape : choice.shapes) {
        for (SortId s : allSorts()) {
            for (int n : choice.sizes) {
                names.push_back(registeredName(SortId(s), shape, n));
                benchmarks.push_back(std::make_pair(shape, n));
            }
        }
    }
    std::vector<bool> selected;
    std::string error;
    if (!filterSelects(filter, names, selected, error)) return refuse("--benchmark_filter", error);
    std::vector<std::pair<Shape, std::vector<int>>> plan;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!selected[i]) continue;
        const Shape& shape = benchmarks[i].first;
        auto it = std::find_if(plan.begin(), plan.end(),
                               [&](const std::pair<Shape, std::vector<int>>& p) { return p.first == shape; });
        if (it == plan.end()) it = plan.insert(plan.end(), std::make_pair(shape, std::vector<int>()));
        if (std::find(it->second.begin(), it->second.end(), benchmarks[i].second) == it->second.end()) {
            it->second.push_back(benchmarks[i].second);
        }
    }
    if (plan.empty()) {
        return refuse("--benchmark_filter", "\"" + filter + "\" selects none of the " +
                                                std::to_string(names.size()) + " benchmarks, such as " +
                                                names.front());
    }
    const std::uint64_t needed = memoryNeeded(plan);
    if (needed > memoryLimitBytes()) {
        return refuse("--sortbench_sizes",
                      "would make the run hold " + std::to_string(needed) + " bytes (" +
                          formatBytes(double(needed)) + ") of arrays, over the limit of " +
                          formatBytes(double(memoryLimitBytes())) + " (a quarter of physical memory)");
    }
    // Users' sorts that any selected benchmark runs: first on small inputs,
    // so that a crash or a hang shows at once, before anything is measured.
    std::vector<SortId> userSorts;
    for (SortId s : allSorts()) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (selected[i] && sortEntry(s).user &&
                names[i].compare(0, std::strlen(sortName(s)) + 1, sortName(s) + std::string("/")) == 0) {
                userSorts.push_back(s);
                break;
            }
        }
    }
    installCrashReport("sorting_benchmark");
    if (!firstRunUserSorts("sorting_benchmark", userSorts, choice.shapes, false)) return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Choice choice;
    if (int status = readOptions(argc, argv, choice)) return status;
    benchmark::Initialize(&argc, argv, printHelp);
    if (argc > 1)
        return refuse(argv[1], "is no option of sorting_benchmark or Google Benchmark (see --help)");
    reportScenarioOnly = benchmark::GetBenchmarkFilter().empty() && !choice.chosen;
    if (reportScenarioOnly) benchmark::SetBenchmarkFilter(reportFilter);
    if (int status = checkPlan(choice, benchmark::GetBenchmarkFilter())) return status;

    const bool keptMapped = keepFreedMemoryMapped();
    benchmark::AddCustomContext("sortbench_seed", std::to_string(choice.seed));
    benchmark::AddCustomContext("sortbench_budget_seconds", std::to_string(choice.budgetSeconds));
    benchmark::AddCustomContext("sortbench_allocator", keptMapped ? "freed memory kept mapped between calls"
                                                                  : "freed memory may return to the system");
    if (realTime) {
        benchmark::AddCustomContext("sortbench_time",
                                    "real time: Windows' CPU clock for threads ticks in 15.6 ms steps");
    }
    Harness run(choice.seed, choice.budgetSeconds);
    harness = &run;
    registerBenchmarks(choice);
    AllocationCounter counter;
    allocationCounter = &counter;
    const bool written = runAndReport(ReportOptions{choice.summaryPath, choice.htmlPath, choice.commandLine,
                                                    choice.seed, choice.budgetSeconds, realTime});
    benchmark::RegisterMemoryManager(nullptr);
    benchmark::Shutdown();
    harness = nullptr;
    // A stated skip is no failure; a result that differs from std::sort, or
    // a summary or page that could not be written, is.
    return written ? run.exitStatus() : 1;
}
