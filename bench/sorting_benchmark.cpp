// Statistical benchmark of the library beside std::sort and std::stable_sort:
// every sort on every input shape over a size sweep, with complexity fits
// and memory counts (Google Benchmark 1.7). Without a filter it runs the
// report's scenario only: the five sorts on random values at its sizes.
#include <benchmark/benchmark.h>
#include <regex.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "alloc_hooks.h"
#include "benchmark.h"
#include "run_report.h"
#include "shapes.h"
#include "sorting.h"

namespace {

void stdSort(int* arr, int n) { std::sort(arr, arr + n); }
void stdStableSort(int* arr, int n) { std::stable_sort(arr, arr + n); }

struct SortEntry {
    const char* name;
    SortFunction sort;
};
const SortEntry sortEntries[] = {
    {"insertion", insertionSort},       {"merge", mergeSortArray}, {"quick", quickSortArray},
    {"counting", countingSort},         {"radix", radixSort},      {"std_sort", stdSort},
    {"std_stable_sort", stdStableSort},
};
const int sortCount = sizeof sortEntries / sizeof sortEntries[0];
const int librarySortCount = 5;
const int countingIndex = 3;

const int sizes[] = {1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000};
const int sizeCount = sizeof sizes / sizeof sizes[0];

// The report's scenario: what a run without a filter does, never skipped.
const char reportFilter[] = "^(insertion|merge|quick|counting|radix)/random/(10000|50000|200000)$";
bool inReportScenario(int sortIndex, ShapeKind shape, int n) {
    return sortIndex < librarySortCount && shape == shapeRandom && (n == 10000 || n == 50000 || n == 200000);
}

// Fixed, so that every run sorts the same arrays.
const std::uint32_t masterSeed = 20261208;

// Distinct arrays per shape and size, taken in turn, so that the branch
// predictor cannot learn them over thousands of calls: at least four, and
// about a million elements in all (with four arrays of 1000, std::sort ran
// six times faster than on fresh data).
const int minDistinctArrays = 4;
const std::int64_t distinctElements = 1 << 20;

// Sorts that run back to back between two pauses of the timer, as many as
// fit in this many bytes: the pool stays in the L2 cache, and pausing
// (two clock system calls) is paid once per pool rather than per call.
const std::int64_t poolBytes = 512 * 1024;

// Counting sort's table beyond this is not allocated but skipped.
const std::uint64_t maxCountingTableBytes = std::uint64_t(1) << 30;

double budgetSeconds = 0.5;
int verificationFailures = 0;

struct Inputs {
    ShapeKind shape;
    int n;
    std::vector<std::vector<int>> arrays;
    std::vector<std::vector<int>> sorted;
    std::uint64_t countingTableBytes;  // the largest of the arrays'
};

// Built once per shape and size and shared by every sort; the benchmarks
// run shape by shape, so only the current shape's inputs are kept.
const Inputs& inputsFor(ShapeKind shape, int n) {
    static std::vector<std::unique_ptr<Inputs>> cache;
    for (const std::unique_ptr<Inputs>& in : cache) {
        if (in->shape == shape && in->n == n) return *in;
    }
    if (!cache.empty() && cache.front()->shape != shape) cache.clear();
    std::unique_ptr<Inputs> in(new Inputs());
    in->shape = shape;
    in->n = n;
    in->countingTableBytes = 0;
    const std::int64_t count = std::max<std::int64_t>(minDistinctArrays, distinctElements / n);
    for (std::int64_t d = 0; d < count; ++d) {
        in->arrays.push_back(makeShape(Shape{shape, 0}, n, masterSeed + static_cast<std::uint32_t>(d)));
        in->sorted.push_back(in->arrays[d]);
        std::sort(in->sorted[d].begin(), in->sorted[d].end());
        // The library's table spans 0..max, or min..max below zero.
        std::int64_t base = std::min<std::int64_t>(in->sorted[d].front(), 0);
        std::uint64_t span = static_cast<std::uint64_t>(in->sorted[d].back() - base) + 1;
        in->countingTableBytes = std::max<std::uint64_t>(in->countingTableBytes, span * sizeof(int));
    }
    cache.push_back(std::move(in));
    return *cache.back();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Per sort and shape: which sizes have had a call timed, and the smallest
// size whose call took longer than the budget.
struct Progress {
    bool timed[sizeCount];
    int overBudgetN;
    double overBudgetSeconds;
};
Progress progress[sortCount][plainShapeCount];

void recordCall(int sortIndex, ShapeKind shape, int sizeIndex, double seconds) {
    Progress& p = progress[sortIndex][shape];
    p.timed[sizeIndex] = true;
    if (seconds > budgetSeconds && (p.overBudgetN == 0 || sizes[sizeIndex] < p.overBudgetN)) {
        p.overBudgetN = sizes[sizeIndex];
        p.overBudgetSeconds = seconds;
    }
}

// Times one call at each smaller size not yet timed, in increasing order,
// so that the budget holds whatever order the benchmarks run in (a filter
// that selects large sizes only, or random interleaving).
void probeSmallerSizes(int sortIndex, ShapeKind shape, int sizeIndex) {
    Progress& p = progress[sortIndex][shape];
    for (int i = 0; i < sizeIndex && p.overBudgetN == 0; ++i) {
        if (p.timed[i]) continue;
        std::vector<int> work = inputsFor(shape, sizes[i]).arrays[0];
        auto start = std::chrono::steady_clock::now();
        sortEntries[sortIndex].sort(work.data(), sizes[i]);
        recordCall(sortIndex, shape, i, secondsSince(start));
    }
}

// The reason to skip this benchmark before calling the sort, or "".
std::string skipReason(int sortIndex, ShapeKind shape, int sizeIndex) {
    const int n = sizes[sizeIndex];
    if (inReportScenario(sortIndex, shape, n)) return "";
    char reason[160] = "";
    const std::uint64_t bytes = sortIndex == countingIndex ? inputsFor(shape, n).countingTableBytes : 0;
    if (bytes > maxCountingTableBytes) {
        std::snprintf(reason, sizeof reason,
                      "skipped: counting sort would need a table of %llu counters (%.1f GiB)",
                      static_cast<unsigned long long>(bytes / sizeof(int)), bytes / double(1 << 30));
        return reason;
    }
    probeSmallerSizes(sortIndex, shape, sizeIndex);
    const Progress& p = progress[sortIndex][shape];
    if (p.overBudgetN != 0 && p.overBudgetN < n) {
        std::snprintf(reason, sizeof reason, "skipped: one call at %d took %.3g s, over the %g s budget",
                      p.overBudgetN, p.overBudgetSeconds, budgetSeconds);
    }
    return reason;
}

bool matches(const int* result, const std::vector<int>& expected) {
    return std::memcmp(result, expected.data(), expected.size() * sizeof(int)) == 0;
}

// Also on stderr at once: Google Benchmark 1.7.1 crashes at the end of a
// family in which every size failed, before it prints the last error.
void fail(benchmark::State& state, const char* message, int sortIndex, ShapeKind shape, int n) {
    ++verificationFailures;
    std::fprintf(stderr, "%s/%s/%d: %s\n", sortEntries[sortIndex].name, shapeName(Shape{shape, 0}).c_str(), n,
                 message);
    state.SkipWithError(message);
}

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

// Counts the allocations of a few calls on distinct arrays, the sort alone
// armed, and reports them as if every iteration had made them.
void countAllocations(benchmark::State& state, int sortIndex, const Inputs& in) {
    const SortFunction sort = sortEntries[sortIndex].sort;
    std::vector<int> work(static_cast<std::size_t>(in.n));
    std::int64_t calls = 0;
    for (auto _ : state) {
        if (calls == minDistinctArrays) continue;
        const int d = static_cast<int>(calls++);
        std::copy(in.arrays[d].begin(), in.arrays[d].end(), work.begin());
        armAllocations(0);
        sort(work.data(), in.n);
        disarmAllocations();
        countedAllocations += allocationCalls();
        countedPeakBytes =
            std::max<std::int64_t>(countedPeakBytes, static_cast<std::int64_t>(peakAllocatedBytes()));
        if (liveAllocations() != 0 || !matches(work.data(), in.sorted[d])) {
            fail(state, liveAllocations() != 0 ? "the sort leaked memory" : "result differs from std::sort",
                 sortIndex, in.shape, in.n);
            return;
        }
    }
    countedAllocations = countedAllocations * state.iterations() / std::max<std::int64_t>(calls, 1);
}

void sortBenchmark(benchmark::State& state, int sortIndex, ShapeKind shape) {
    const int n = static_cast<int>(state.range(0));
    const int sizeIndex = static_cast<int>(std::find(sizes, sizes + sizeCount, n) - sizes);
    const SortFunction sort = sortEntries[sortIndex].sort;
    std::string reason = skipReason(sortIndex, shape, sizeIndex);
    if (!reason.empty()) {
        state.SkipWithError(reason.c_str());
        return;
    }
    const Inputs& in = inputsFor(shape, n);
    state.SetComplexityN(n);
    if (countingMemory) {
        countAllocations(state, sortIndex, in);
        return;
    }
    const std::size_t length = static_cast<std::size_t>(n);
    const int poolSize = static_cast<int>(
        std::max<std::int64_t>(1, poolBytes / (std::int64_t(n) * std::int64_t(sizeof(int)))));
    std::vector<int> pool(length * static_cast<std::size_t>(poolSize));
    std::vector<int> source(static_cast<std::size_t>(poolSize));
    int used = 0;
    std::int64_t calls = 0;
    double slowestCall = 0;
    auto batchStart = std::chrono::steady_clock::now();
    // Checking the sorted pool and refilling it happen with the timer
    // paused, so the times and the complexity fit see the sorts alone.
    auto checkAndRefill = [&](bool refill) {
        slowestCall = std::max(slowestCall, used > 0 ? secondsSince(batchStart) / used : 0.0);
        for (int i = 0; i < used; ++i) {
            if (!matches(&pool[length * i], in.sorted[source[i]])) return false;
        }
        for (int i = 0; refill && i < poolSize; ++i) {
            source[i] = static_cast<int>(calls++ % static_cast<std::int64_t>(in.arrays.size()));
            std::copy(in.arrays[source[i]].begin(), in.arrays[source[i]].end(), pool.begin() + length * i);
        }
        used = 0;
        batchStart = std::chrono::steady_clock::now();
        return true;
    };
    checkAndRefill(true);
    for (auto _ : state) {
        if (used == poolSize) {
            state.PauseTiming();
            if (!checkAndRefill(true)) break;
            state.ResumeTiming();
        }
        sort(&pool[length * used++], n);
    }
    if (!checkAndRefill(false)) {
        fail(state, "result differs from std::sort", sortIndex, shape, n);
        return;
    }
    recordCall(sortIndex, shape, sizeIndex, slowestCall);
    state.SetItemsProcessed(state.iterations() * n);
}

// Google Benchmark 1.7.1 crashes on a complexity fit with no run that
// succeeded, so a family gets its fit only when one of its selected sizes
// is sure to run: the report's, the smallest, or one below the budget.
bool fitsGrowth(int sortIndex, ShapeKind shape, const std::string& filter) {
    // The filter's rules: an extended regular expression searched in the
    // name, or one that excludes when it begins with '-'.
    const bool exclude = !filter.empty() && filter[0] == '-';
    regex_t pattern;
    if (regcomp(&pattern, filter.c_str() + (exclude ? 1 : 0), REG_EXTENDED | REG_NOSUB) != 0) return false;
    const std::string family =
        std::string(sortEntries[sortIndex].name) + "/" + shapeName(Shape{shape, 0}).c_str() + "/";
    bool fits = false;
    for (int i = 0; i < sizeCount; ++i) {
        std::string name = family + std::to_string(sizes[i]);
        if ((regexec(&pattern, name.c_str(), 0, nullptr, 0) == 0) != exclude) {
            fits = skipReason(sortIndex, shape, i).empty();
            break;
        }
    }
    regfree(&pattern);
    return fits;
}

void registerBenchmarks(const std::string& filter) {
    for (int shape = 0; shape < plainShapeCount; ++shape) {
        for (int s = 0; s < sortCount; ++s) {
            std::string family =
                std::string(sortEntries[s].name) + "/" + shapeName(Shape{ShapeKind(shape), 0});
            benchmark::internal::Benchmark* b =
                benchmark::RegisterBenchmark(family.c_str(), sortBenchmark, s, ShapeKind(shape));
            for (int n : sizes) b->Arg(n);
            b->Unit(benchmark::kMicrosecond);
            if (fitsGrowth(s, ShapeKind(shape), filter)) b->Complexity(benchmark::oAuto);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ReportOptions report = {"", "", "", masterSeed, 0, false};
    for (int i = 0; i < argc; ++i) report.commandLine += (i > 0 ? " " : "") + std::string(argv[i]);
    benchmark::Initialize(&argc, argv);
    // Own flag, taken out before Google Benchmark sees what is left.
    const char budgetFlag[] = "--sortbench_budget=";
    const char summaryFlag[] = "--sortbench_summary=";
    const char htmlFlag[] = "--sortbench_html=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], budgetFlag, sizeof budgetFlag - 1) == 0) {
            budgetSeconds = std::atof(argv[i] + sizeof budgetFlag - 1);
        } else if (std::strncmp(argv[i], summaryFlag, sizeof summaryFlag - 1) == 0) {
            report.summaryPath = argv[i] + sizeof summaryFlag - 1;
        } else if (std::strncmp(argv[i], htmlFlag, sizeof htmlFlag - 1) == 0) {
            report.htmlPath = argv[i] + sizeof htmlFlag - 1;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (benchmark::GetBenchmarkFilter().empty()) benchmark::SetBenchmarkFilter(reportFilter);
    benchmark::AddCustomContext("sortbench_budget_seconds", std::to_string(budgetSeconds));
    registerBenchmarks(benchmark::GetBenchmarkFilter());
    AllocationCounter counter;
    benchmark::RegisterMemoryManager(&counter);
    report.budgetSeconds = budgetSeconds;
    const bool written = runAndReport(report);
    benchmark::RegisterMemoryManager(nullptr);
    benchmark::Shutdown();
    // A stated skip is no failure; a result that differs from std::sort is.
    return verificationFailures > 0 || !written ? 1 : 0;
}
