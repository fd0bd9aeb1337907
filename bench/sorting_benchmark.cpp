// Statistical benchmark of the library: every sort on identical input, with
// repetitions, complexity fits and items per second (Google Benchmark 1.7).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "benchmark.h"
#include "sorting.h"

namespace {

// Fixed, so that every sort and every run sorts the same arrays.
const unsigned masterSeed = 20261208;

// The report's values, 0 .. 9999, for one size; built once per size.
const std::vector<int>& masterArray(int n) {
    static std::vector<std::vector<int>> masters;
    for (const std::vector<int>& m : masters) {
        if (static_cast<int>(m.size()) == n) return m;
    }
    std::mt19937 rng(masterSeed + static_cast<unsigned>(n));
    std::uniform_int_distribution<int> value(0, 9999);
    std::vector<int> m(static_cast<std::size_t>(n));
    for (int& v : m) v = value(rng);
    masters.push_back(std::move(m));
    return masters.back();
}

void sortBenchmark(benchmark::State& state, SortFunction sort) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<int>& master = masterArray(n);
    std::vector<int> expected = master;
    std::sort(expected.begin(), expected.end());
    std::vector<int> work(master.size());
    for (auto _ : state) {
        // Only the sort is timed: copying in and checking lie outside.
        std::copy(master.begin(), master.end(), work.begin());
        auto start = std::chrono::steady_clock::now();
        sort(work.data(), n);
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (work != expected) {
            state.SkipWithError("result differs from std::sort");
            break;
        }
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

void benchmarkSizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(50000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK_CAPTURE(sortBenchmark, insertion, insertionSort)
    ->Apply(benchmarkSizes)
    ->Complexity(benchmark::oNSquared);
BENCHMARK_CAPTURE(sortBenchmark, merge, mergeSortArray)->Apply(benchmarkSizes)->Complexity(benchmark::oNLogN);
BENCHMARK_CAPTURE(sortBenchmark, quick, quickSortArray)->Apply(benchmarkSizes)->Complexity(benchmark::oNLogN);
BENCHMARK_CAPTURE(sortBenchmark, counting, countingSort)->Apply(benchmarkSizes)->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(sortBenchmark, radix, radixSort)->Apply(benchmarkSizes)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
