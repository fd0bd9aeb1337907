// Statistical benchmark of the library beside std::sort and std::stable_sort:
// every sort on the chosen input shapes and sizes, with memory counts and
// page faults (Google Benchmark 1.7). Without a filter or a choice of shapes
// or sizes it runs the report's scenario only: the five sorts on random
// values at its sizes. What happens around the timed calls is in harness.h.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compare/alloc_hooks.h"
#include "compare/command_line.h"
#include "compare/html_report.h"
#include "compare/options.h"
#include "compare/platform.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/text.h"
#include "compare/user_sorts.h"
#include "compare/writer.h"
#include "sorting_benchmark/flags.h"
#include "sorting_benchmark/harness.h"
#include "sorting_benchmark/run_context.h"
#include "sorting_benchmark/run_report.h"

namespace {

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
    std::vector<int> sizes = timingSizes();
    bool chosen = false;  // shapes or sizes given
    std::uint32_t seed = defaultSeed;
    double budgetSeconds = defaultBudgetSeconds;
    std::string summaryPath, htmlPath, commandLine;
    std::string analyzePath;  // a saved run to report instead of running
};

Harness* harness = nullptr;
bool reportScenarioOnly = false;

// What checkPlan found the run will take: each selected benchmark's
// expected CPU seconds (by "<sort>/<shape>/<n>"), in all with the inputs,
// and the bytes of inputs the harness may keep.
struct Plan {
    std::map<std::string, double> expected;
    double seconds = 0;
    std::uint64_t keptInputBytes = 0;
};
Plan plan;

// Memory run: set while Google Benchmark runs a benchmark again for the
// memory manager, after and apart from the timed run.
bool countingMemory = false;
std::int64_t countedAllocations = 0;
std::int64_t countedPeakBytes = 0;
double memoryRunSeconds = 0;

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
        noteUserCall(sort, shape, n);
        armAllocations(0);
        try {
            sortEntry(sort).timed(work.data(), n);
        } catch (...) {
            disarmAllocations();
            userCallThrew();
        }
        disarmAllocations();
        userCallDone();
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
        benchmark::RegisterMemoryManager(
            reason.empty() && !counted && allocationsSeen(sort) ? allocationCounter : nullptr);
    }
    if (!reason.empty()) {
        state.SkipWithError(reason.c_str());
        return;
    }
    if (countingMemory) {
        const double start = processSeconds();
        countAllocations(state, sort, shape, n);
        memoryRunSeconds += processSeconds() - start;
        return;
    }
    TimedPool pool(*harness, sort, shape, n);
    bool correct = false;
    try {
        correct = runTimedBatches(state, pool, sortEntry(sort).timed, n);
    } catch (...) {
        userCallThrew();
    }
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

const char program[] = "sorting_benchmark";

// The most time a run may be expected to take: beyond a day a typo is
// likelier than a wish (--benchmark_min_time=1e9 is 31 years).
const double ceilingSeconds = 24 * 3600.0;

std::string helpText(const std::vector<Option>& own, const std::vector<Option>& flags) {
    char limits[320];
    std::snprintf(limits, sizeof limits,
                  "A run expected to take more than a day (%.0f s) is refused: each benchmark selected\n"
                  "runs its repetitions x (min time + warmup time), or longer where one call takes longer.\n",
                  ceilingSeconds);
    return std::string(
               "sorting_benchmark: times the library's sorts beside std::sort and std::stable_sort with\n"
               "Google Benchmark 1.7.1 on input shapes over a size sweep, with allocations, page faults\n"
               "and the growth of each sort's time; optionally a JSON summary and an HTML page.\n"
               "usage: sorting_benchmark [OPTION]... [GOOGLE BENCHMARK FLAG]...\n"
               "Options:\n") +
           optionsHelp(own) + sortsAndShapesHelp() +
           "Without --benchmark_filter or a choice of shapes or sizes it runs the report's scenario only\n"
           "(the five library sorts on random at 10000, 50000 and 200000). Numbers are decimal digits\n"
           "(no sign, exponent or leading zero).\n" +
           limits +
           "The inputs must fit the least of a quarter of physical memory, the address-space\n"
           "limit and " +
           memoryLimitVariable +
           " (bytes).\n"
           "\nGoogle Benchmark's flags, each written --flag=VALUE:\n" +
           optionsHelp(flags);
}

// Reads the command line, sorting_benchmark's options and Google
// Benchmark's flags alike; -1 to go on, else the exit status.
int readOptions(int argc, char** argv, Choice& choice, BenchmarkFlags& flags) {
    choice.commandLine = commandLineText(program, argc, argv);
    std::vector<Option> own = {
        {"--sortbench_shapes", Option::spaced, "LIST",
         "input shapes, comma-separated (default: the ten plain ones)",
         [&choice](const std::string& v, std::string& e) {
             choice.chosen = true;
             return parseShapeList(v, choice.shapes, e);
         },
         nullptr},
        {"--sortbench_sizes", Option::spaced, "LIST",
         "sizes, comma-separated (default: 1-3-10 from 1000 to 1000000)",
         [&choice](const std::string& v, std::string& e) {
             choice.chosen = true;
             return parseSizeList(v, choice.sizes, e);
         },
         nullptr},
        {"--sortbench_seed", Option::spaced, "N",
         "seed the inputs are built from, 0..4294967295 (default " + std::to_string(defaultSeed) + ")",
         [&choice](const std::string& v, std::string& e) { return parseSeed(v, choice.seed, e); }, nullptr},
        {"--sortbench_budget", Option::spaced, "SECONDS",
         "skip sizes whose call is predicted to take longer (default 0.5)",
         [&choice](const std::string& v, std::string& e) { return parseSeconds(v, choice.budgetSeconds, e); },
         nullptr},
        {"--sortbench_summary", Option::spaced, "FILE", "write the growth summary as JSON",
         [&choice](const std::string& v, std::string& e) {
             choice.summaryPath = v;
             return checkOutputFile(v, e);
         },
         nullptr},
        htmlPageOption("--sortbench_html", "write the results as an HTML page", choice.htmlPath),
        {"--sortbench_analyze", Option::spaced, "FILE",
         "time nothing: report the run saved by --benchmark_out=FILE (JSON) as it was reported",
         [&choice](const std::string& v, std::string&) {
             choice.analyzePath = v;
             return true;
         },
         nullptr},
        {"--sortbench_load", Option::spaced, "NAME.so",
         "add your own sort, built as a shared library (NAME.dll on Windows;\nrepeatable; see "
         "user_sorts/README.md)",
         [](const std::string& v, std::string& e) { return loadUserSort(v, e); }, nullptr, true},
        {"--help", Option::flag, "", "print this help", nullptr, nullptr},
    };
    const std::vector<Option> flagTable = benchmarkFlags(flags);
    std::vector<Option> all = own;
    all.insert(all.end(), flagTable.begin(), flagTable.end());
    if (const int status = checkBenchmarkEnvironment(program, flagTable, flags)) return status;
    const int status = readCommandLine(program, all, argc, argv, helpText(own, flagTable));
    if (status >= 0) return status;
    // One would silently replace the other.
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--sortbench_summary", &choice.summaryPath},
        {"--sortbench_html", &choice.htmlPath},
        {"--benchmark_out", &flags.outPath}};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = i + 1; j < 3; ++j) {
            if (outputs[i].second->empty() || outputs[j].second->empty() ||
                outputIdentity(*outputs[i].second) != outputIdentity(*outputs[j].second))
                continue;
            return refuse(program, std::string(outputs[i].first) + " and " + outputs[j].first +
                                       " name one file, " + quoted(*outputs[j].second));
        }
    }
    return -1;
}

// Refuses a filter that selects nothing, or a run whose inputs would not
// fit in memory; 0, or the exit status.
int checkPlan(const Choice& choice, const BenchmarkFlags& flags, const std::string& filter) {
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
    if (!filterSelects(filter, names, selected, error))
        return refuse(program, flags.filterName + " " + error);
    std::vector<std::pair<Shape, std::vector<int>>> shapeSizes;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!selected[i]) continue;
        const SortId sort = SortId(i / choice.sizes.size() % sortIdCount);
        const Shape& shape = benchmarks[i].first;
        const int n = benchmarks[i].second;
        // The report's scenario is never skipped for time.
        const bool scenario = reportScenarioOnly && inReportScenario(sort, shape, n);
        const double seconds =
            expectedBenchmarkSeconds(sort, n, flags.repetitions, flags.minTime + flags.minWarmupTime,
                                     scenario ? 1e300 : choice.budgetSeconds);
        plan.expected[benchmarkName(sort, shape, n)] = seconds;
        plan.seconds += seconds;
        auto it = std::find_if(shapeSizes.begin(), shapeSizes.end(),
                               [&](const std::pair<Shape, std::vector<int>>& p) { return p.first == shape; });
        if (it == shapeSizes.end())
            it = shapeSizes.insert(shapeSizes.end(), std::make_pair(shape, std::vector<int>()));
        if (std::find(it->second.begin(), it->second.end(), n) == it->second.end()) it->second.push_back(n);
    }
    if (shapeSizes.empty()) {
        return refuse(program, flags.filterName + " " + quoted(filter) + " selects none of the " +
                                   std::to_string(names.size()) + " benchmarks, such as " + names.front());
    }
    MemoryLimit limit;
    if (!memoryLimit(limit, error)) return refuse(program, error);
    const std::uint64_t needed = memoryNeeded(shapeSizes);
    std::uint64_t table = 0;
    for (const auto& p : shapeSizes) {
        const std::uint64_t bytes = countingTableBytes(p.first);
        if (bytes <= maxCountingTableBytes) table = std::max(table, bytes);
    }
    if (needed > limit.bytes && needed - table <= limit.bytes) {
        return refuse(program, "--sortbench_shapes would make counting sort's table take " +
                                   formatBytes(double(table)) + ", the run " + formatBytes(double(needed)) +
                                   " in all, over the limit of " + formatBytes(double(limit.bytes)) + " (" +
                                   limit.source +
                                   "); choose smaller values or leave counting out with --benchmark_filter");
    }
    if (needed > limit.bytes) {
        return refuse(program, "--sortbench_sizes would make the run hold " + std::to_string(needed) +
                                   " bytes (" + formatBytes(double(needed)) +
                                   ") of arrays, over the limit of " + formatBytes(double(limit.bytes)) +
                                   " (" + limit.source + ")");
    }
    int sets = 0;
    for (const auto& p : shapeSizes) {
        for (int n : builtSizes(p.second)) {
            plan.seconds += expectedInputSeconds(n);
            ++sets;
        }
    }
    if (!flags.listTests && plan.seconds > ceilingSeconds) {
        char line[320];
        std::snprintf(line, sizeof line,
                      "the run would take about %.3g s (%.3g days): %d benchmark(s) x %lld repetition(s) "
                      "of at least %g s each, over the ceiling of a day; lower --benchmark_repetitions or "
                      "--benchmark_min_time",
                      plan.seconds, plan.seconds / ceilingSeconds, static_cast<int>(plan.expected.size()),
                      static_cast<long long>(flags.repetitions), flags.minTime + flags.minWarmupTime);
        return refuse(program, line);
    }
    // Without interleaving the benchmarks run shape by shape: one shape's
    // inputs at a time are all a run needs to build each set once, and
    // memory faulted in for more would cost more than it saves.
    plan.keptInputBytes = limit.bytes - largestCallBytes(shapeSizes);
    std::uint64_t oneShape = 0;
    for (const auto& p : shapeSizes) oneShape = std::max(oneShape, allInputsBytes({p}));
    if (!flags.interleaved) plan.keptInputBytes = std::min(plan.keptInputBytes, oneShape);
    const std::uint64_t allInputs = allInputsBytes(shapeSizes);
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
    // Listing runs nothing, the users' sorts included; a user's sort that
    // fails its first run is the one line printed.
    if (flags.listTests) return 0;
    if (const int failed = firstRunUserSorts(program, userSorts, choice.shapes, false)) return failed;
    std::string kept = "each built once";
    if (!flags.interleaved) {
        kept += ", kept while its shape runs";
    } else if (allInputs <= plan.keptInputBytes) {
        kept += " and kept for the whole run";
    } else {
        kept = "over the " + formatBytes(double(plan.keptInputBytes)) + " the memory limit leaves (" +
               limit.source + "): the least recently used given up and rebuilt when needed again";
    }
    std::fprintf(stderr,
                 "%s: plan: %d benchmark(s) x %lld repetition(s)%s, min time %g s; inputs: %d set(s) of "
                 "%s in all, %s; expected about %.0f s of CPU\n",
                 program, static_cast<int>(plan.expected.size()), static_cast<long long>(flags.repetitions),
                 flags.interleaved ? " interleaved" : "", flags.minTime, sets,
                 formatBytes(double(allInputs)).c_str(), kept.c_str(), plan.seconds);
    return 0;
}

// Google Benchmark prints its usage when it refuses a flag: the front has
// checked them all, so this would be a flag it reads differently.
void refuseUnchecked() {
    std::fprintf(stderr, "%s: Google Benchmark 1.7.1 refused its flags (see --help)\n", program);
    std::exit(2);
}

// Runs what the command line asked for; the exit status.
int runBenchmarks(const Choice& choice, const BenchmarkFlags& flags, const std::string& outTemporary) {
    const bool keptMapped = keepFreedMemoryMapped();
    benchmark::AddCustomContext("sortbench_seed", std::to_string(choice.seed));
    benchmark::AddCustomContext("sortbench_budget_seconds", std::to_string(choice.budgetSeconds));
    benchmark::AddCustomContext("sortbench_allocator", keptMapped ? "freed memory kept mapped between calls"
                                                                  : "freed memory may return to the system");
    addRunContext(flags);
    if (realTime) {
        benchmark::AddCustomContext("sortbench_time",
                                    "real time: Windows' CPU clock for threads ticks in 15.6 ms steps");
    }
    Harness run(choice.seed, choice.budgetSeconds, plan.keptInputBytes);
    harness = &run;
    const double start = processSeconds();
    RunProgress progress(program, plan.expected, start);
    double timedSeconds = 0;
    registerBenchmarks(choice);
    AllocationCounter counter;
    allocationCounter = &counter;
    const bool written = runAndReport(
        ReportOptions{choice.summaryPath, choice.htmlPath, choice.commandLine, choice.seed,
                      choice.budgetSeconds, realTime, flags.outPath, outTemporary, flags.outFormat,
                      [&progress, &timedSeconds](const std::string& name, double timed) {
                          timedSeconds += timed;
                          const std::string line = progress.done(name, processSeconds());
                          if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
                      }});
    if (written && !plan.expected.empty() && !flags.listTests) {
        // Where the CPU went; the timed batches beyond the runs reported
        // are Google Benchmark's search for an iteration count. After a
        // failed write the failure stays the last line.
        const double spent = processSeconds() - start;
        std::fprintf(
            stderr,
            "%s: %.1f s of CPU: timed calls %.1f s, iteration search %.1f s, inputs %.1f s (%d set(s) "
            "built), checks %.1f s, memory runs %.1f s, the rest %.1f s\n",
            program, spent, timedSeconds, std::max(0.0, run.batchSeconds() - timedSeconds),
            run.inputSeconds(), run.inputBuilds(), run.checkSeconds(), memoryRunSeconds,
            spent - std::max(timedSeconds, run.batchSeconds()) - run.inputSeconds() - run.checkSeconds() -
                memoryRunSeconds);
    }
    if (!run.rebuiltInputs().empty()) {
        std::string names;
        for (const std::string& name : run.rebuiltInputs()) names += (names.empty() ? "" : ", ") + name;
        std::fprintf(stderr, "%s: inputs rebuilt, the memory limit having given them up: %s\n", program,
                     names.c_str());
    }
    benchmark::RegisterMemoryManager(nullptr);
    harness = nullptr;
    // A stated skip is no failure; a result that differs from std::sort, or
    // a summary or page that could not be written, is.
    return written ? run.exitStatus() : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    // Before --sortbench_load: a library's constructors run as it loads.
    if (!installCrashReport(program, error)) return refuse(program, error);
    Choice choice;
    BenchmarkFlags flags;
    const int read = readOptions(argc, argv, choice, flags);
    if (read >= 0) return read;
    if (!choice.analyzePath.empty()) {
        const int status =
            analyzeSavedRun(choice.analyzePath,
                            ReportOptions{choice.summaryPath, choice.htmlPath, choice.commandLine,
                                          choice.seed, choice.budgetSeconds, realTime, "", "", "", nullptr});
        if (!standardOutputWritten(program)) return 1;
        return status;
    }
    // Google Benchmark writes --benchmark_out itself: into a temporary file
    // beside it, put in place only when the run is done.
    const std::string outTemporary = flags.outPath.empty() ? "" : temporaryPathFor(flags.outPath);
    if (!outTemporary.empty()) {
        flags.passed.push_back("--benchmark_out=" + outTemporary);
    }
    if (!flags.minTimeGiven) flags.passed.push_back("--benchmark_min_time=" + formatted("%g", flags.minTime));
    std::vector<char*> passed = {argv[0]};
    for (std::string& flag : flags.passed) passed.push_back(&flag[0]);
    int passedCount = static_cast<int>(passed.size());
    passed.push_back(nullptr);
    benchmark::Initialize(&passedCount, passed.data(), refuseUnchecked);
    reportScenarioOnly = benchmark::GetBenchmarkFilter().empty() && !choice.chosen;
    if (reportScenarioOnly) {
        benchmark::SetBenchmarkFilter(reportFilter);
        choice.sizes = {10000, 50000, 200000};
    }
    if (int status = checkPlan(choice, flags, benchmark::GetBenchmarkFilter())) return status;
    int status = 1;
    try {
        status = runBenchmarks(choice, flags, outTemporary);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory while benchmarking; try fewer or smaller sizes\n", program);
    }
    if (!outTemporary.empty()) discardFile(outTemporary);  // put in place already, unless the run failed
    benchmark::Shutdown();
    if (!standardOutputWritten(program)) return 1;
    return status;
}
