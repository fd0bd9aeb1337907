// What sorting_benchmark does around the timed calls: the inputs of each
// shape and size, the pool the calls sort in, the check of every result,
// the time budget and the memory a run plans to hold. Apart from Google
// Benchmark, so that tests can drive it with sorts and costs of their own.
#ifndef SORTING_BENCHMARK_HARNESS_H
#define SORTING_BENCHMARK_HARNESS_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/user_sorts.h"
#include "sorting/sorting.h"

// "<sort>/<shape>/<n>", the parameter in its canonical spelling.
std::string benchmarkName(SortId sort, const Shape& shape, int n);

// Distinct arrays per shape and size, taken in turn, so that the branch
// predictor cannot learn them over thousands of calls: at least four, and
// about a million elements in all (with four arrays of 1000, std::sort ran
// six times faster than on fresh data), at most 4096 (tiny sizes).
int distinctArrayCount(int n);
// Each distinct array has a seed of its own.
std::uint32_t distinctArraySeed(std::uint32_t seed, int index);

struct Inputs {
    Shape shape;
    int n;
    std::vector<std::vector<int>> arrays;
    std::vector<std::vector<int>> sorted;  // each array after std::sort
};
Inputs makeInputs(const Shape& shape, int n, std::uint32_t seed);
// What the harness builds its inputs with: makeInputs, or a test's.
using InputFactory = std::function<Inputs(const Shape&, int, std::uint32_t)>;
// Bytes one shape and size's inputs hold: the distinct arrays and their
// sorted copies.
std::uint64_t inputBytes(int n);

// Sorts run back to back between two pauses of the timer, as many as fit
// in this many bytes (at least one): the pool stays in a 1 MiB L2 cache, and
// pausing (two clock system calls) is paid once per pool, not per call.
const std::int64_t poolBytes = 512 * 1024;
int poolArrayCount(int n);

// Counting sort's table for a shape (0..max, or min..max below zero);
// beyond the limit the sort is skipped rather than called.
const std::uint64_t maxCountingTableBytes = std::uint64_t(1) << 30;
std::uint64_t countingTableBytes(const Shape& shape);

// The sizes a shape's inputs are built at: the planned ones and the
// budget's probes.
std::vector<int> builtSizes(const std::vector<int>& planned);

// The most memory a run holds at once when it runs these sizes of these
// shapes: one shape's inputs at a time (every distinct array of each size,
// the budget's probe sizes included, and its sorted copy), plus the pool, a
// sort's own buffer and counting sort's table at the largest size.
std::uint64_t memoryNeeded(const std::vector<std::pair<Shape, std::vector<int>>>& plan);
// The inputs of every shape and size of the plan at once (probe sizes
// included): what the harness keeps when the memory limit allows, so that
// no repetition, interleaved or not, builds a set again.
std::uint64_t allInputsBytes(const std::vector<std::pair<Shape, std::vector<int>>>& plan);
// What the largest call holds beside the inputs: the pool, a sort's buffer
// and counting sort's table.
std::uint64_t largestCallBytes(const std::vector<std::pair<Shape, std::vector<int>>>& plan);

// Allocates, touches and frees this many bytes, so that the heap has grown
// to hold a sort's buffers before its first timed call: with freed memory
// kept mapped, the first call of a benchmark then faults no more than the
// later ones.
void prefaultHeap(std::uint64_t bytes);

// What one sort has shown of its cost on one shape: seconds per call by
// size, from the budget's small probes and from the timed runs.
class CostModel {
public:
    void record(int n, double seconds);
    bool known(int n) const;
    // Extrapolates from the two nearest sizes below n (or the two smallest
    // known) by the local exponent between them, at least 1; from one size
    // alone, as n². False when nothing is known.
    bool predict(int n, double& seconds, double& exponent, int& from) const;

private:
    std::map<int, double> seconds_;
};

// CPU seconds of this process (wall seconds on Windows, from the steady
// clock: its clock() is wall time in 15.6 ms steps): a busy machine slows a
// call down but does not make it cost more, and the budget's decisions
// should not depend on the load.
double processSeconds();

// The sizes each sort and shape is timed at first, once each, so that any
// size can be predicted before its first call.
extern const int probeSizes[2];

// The reason to skip a call at n, or "" to make it: first times calls at
// each probe size not yet known (timeCall(size) returns its seconds) unless
// the model already predicts that call over the budget; then predicts n.
std::string budgetSkipReason(CostModel& model, int n, double budgetSeconds,
                             const std::function<double(int)>& timeCall);

// What a run is expected to cost, in CPU seconds, for the plan and the
// progress lines: rough per-element rates of this machine kind (n lg n
// sorts 1 ns per element and level, insertion sort n^2/4 steps of 1 ns),
// calibrated on the whole matrix (expected 57 s, measured 50 s). A call predicted over the budget is
// skipped after its probes and costs nothing more.
double likelyCallSeconds(SortId sort, int n);
double expectedBenchmarkSeconds(SortId sort, int n, std::int64_t repetitions, double minTime,
                                double budgetSeconds);
// Building one shape's inputs at n (the distinct arrays and their sorted
// copies).
double expectedInputSeconds(int n);

// The progress of a run on stderr: the share of the expected cost done,
// and the time left from the CPU taken so far at that rate. A line at
// each tenth of the expected cost (and the last), so that a long run is
// never silent and a short one says little.
class RunProgress {
public:
    RunProgress(const char* program, std::map<std::string, double> expectedSeconds, double startSeconds);
    // One benchmark has run all its repetitions; the line to print, or "".
    std::string done(const std::string& name, double nowSeconds);

private:
    std::string program_;
    std::map<std::string, double> expected_;
    double total_ = 0, done_ = 0, start_;
    int benchmarks_ = 0, finished_ = 0, tenthsShown_ = 0;
};

// Which names Google Benchmark 1.7.1 runs for this --benchmark_filter: an
// extended regular expression searched in the name, selecting the names it
// does not match when it begins with '-'; empty or "all" selects all. False
// with the reason when the expression does not compile.
bool filterSelects(const std::string& filter, const std::vector<std::string>& names,
                   std::vector<bool>& selected, std::string& error);

class Harness;

// The arrays of one timed run: the pool the calls sort in, refilled from
// the distinct arrays in turn, and what the batches between two pauses of
// the timer took.
class TimedPool {
public:
    // Grows the heap first to what the sort's buffers will take.
    TimedPool(Harness& harness, SortId sort, const Shape& shape, int n);
    bool full() const { return used_ == count_; }
    int* next() { return array(used_++); }
    // Copies the next distinct arrays in and starts a batch.
    void refill();
    // Ends a batch: its time and page faults, then every result checked;
    // false at the first that differs from std::sort.
    bool endBatch();
    std::int64_t sorted() const { return sorted_; }
    double seconds() const { return seconds_; }
    std::int64_t faults() const { return faults_; }

private:
    // Each array between guard zones (compare/user_sorts.h), which the
    // checks read.
    int* array(int i) { return &pool_[stride_ * std::size_t(i) + std::size_t(guardLength)]; }

    Harness& harness_;
    SortId sort_;
    Shape shape_;
    int n_;
    std::size_t length_, stride_;
    int count_, used_ = 0;
    std::vector<int> pool_, source_;
    std::int64_t handedOut_ = 0, sorted_ = 0, faults_ = 0, faultsBefore_ = 0;
    double seconds_ = 0, batchStart_ = 0;
};

// The timed loop: calls back to back until the state says stop, and with
// the timer paused between batches the results checked and the pool
// refilled; the last batch is checked too. False when a result differed.
// State is Google Benchmark's, or a test's with the same members.
template <class State>
bool runTimedBatches(State& state, TimedPool& pool, SortFunction sortCall, int n) {
    pool.refill();
    for ([[maybe_unused]] auto _ : state) {
        if (pool.full()) {
            state.PauseTiming();
            if (!pool.endBatch()) return false;
            pool.refill();
            state.ResumeTiming();
        }
        sortCall(pool.next(), n);
    }
    return pool.endBatch();
}

// The state of one run: inputs built on demand, the skips decided once per
// benchmark, and the results that differed.
class Harness {
public:
    // The inputs built are kept up to keptInputBytes, the least recently
    // used given up first beyond it (the set in use never).
    Harness(std::uint32_t seed, double budgetSeconds, std::uint64_t keptInputBytes = std::uint64_t(-1),
            InputFactory factory = makeInputs);

    // The reason to skip this benchmark ("skipped: ..."), or "" to run it;
    // decided at the first call and kept for every repetition. A benchmark
    // of the report's scenario passes overBudgetAllowed and is never
    // skipped for time.
    const std::string& skipReason(SortId sort, const Shape& shape, int n, bool overBudgetAllowed);

    // Built once per shape and size and shared by every sort and
    // repetition, as long as the memory limit keeps them. The reference
    // holds until a set of another shape or size is asked for.
    const Inputs& inputs(const Shape& shape, int n);
    // Sets built, and the names ("<shape>/<n>") of those built more than
    // once because the limit had given them up.
    int inputBuilds() const { return builds_; }
    // Where the CPU went (processSeconds): building inputs, checking
    // results, and every timed batch, Google Benchmark's iteration search
    // included.
    double inputSeconds() const { return inputSeconds_; }
    double checkSeconds() const { return checkSeconds_; }
    double batchSeconds() const { return batchSeconds_; }
    void addBatchSeconds(double seconds) { batchSeconds_ += seconds; }
    const std::vector<std::string>& rebuiltInputs() const { return rebuilt_; }

    // Seconds per call of a timed run (processSeconds), for the budget of
    // larger sizes.
    void recordCalls(SortId sort, const Shape& shape, int n, double secondsPerCall);

    // Compares result with the sorted copy of inputs(shape, n).arrays[source]
    // element by element; a difference is counted and reported on stderr.
    bool check(SortId sort, const Shape& shape, int n, const int* result, int source);
    // The same for a result between guard zones (compare/user_sorts.h),
    // which must be intact.
    bool checkGuarded(SortId sort, const Shape& shape, int n, const int* result, int source);

    // Counts a failure of the named benchmark and says so on stderr at once
    // (the run may go on for long after it).
    void fail(const std::string& name, const std::string& message);

    int failures() const { return failures_; }
    // 1 after any result that differed, else 0: a stated skip is no failure.
    int exitStatus() const;

private:
    double timeOneCall(SortId sort, const Shape& shape, int n);

    std::uint32_t seed_;
    double budgetSeconds_;
    int failures_;
    std::uint64_t keptInputBytes_, heldInputBytes_ = 0;
    InputFactory factory_;
    int builds_ = 0;
    double inputSeconds_ = 0, checkSeconds_ = 0, batchSeconds_ = 0;
    std::vector<std::string> rebuilt_;
    std::vector<std::string> built_;               // every set ever built
    std::vector<std::unique_ptr<Inputs>> inputs_;  // least recently used first
    std::map<std::string, CostModel> costs_;       // by "<sort>/<shape>"
    std::map<std::string, std::string> skips_;     // by benchmark name
};

#endif
