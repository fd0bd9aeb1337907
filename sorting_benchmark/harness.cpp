#include "sorting_benchmark/harness.h"

// GCC 12 with the sanitizers warns of an uninitialized std::function deep
// inside <regex>'s compiler, a false positive that would fail the build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <regex>
#include <utility>

#include "compare/options.h"
#include "compare/platform.h"
#include "compare/text.h"
#include "compare/user_sorts.h"

namespace {

const std::int64_t distinctElements = 1 << 20;
const int minDistinctArrays = 4;
const int maxDistinctArrays = 4096;

// What a vector costs beyond its elements: itself and the allocator's header.
const std::uint64_t vectorOverheadBytes = 48;

}  // namespace

const int probeSizes[2] = {1000, 10000};

double processSeconds() {
#ifdef _WIN32
    // A 2 ms probe would read 0 or 15.6 ms there, and the budget's
    // prediction go wild.
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}

std::string benchmarkName(SortId sort, const Shape& shape, int n) {
    return familyName(sort, shape) + "/" + std::to_string(n);
}

int distinctArrayCount(int n) {
    return static_cast<int>(std::min<std::int64_t>(
        maxDistinctArrays, std::max<std::int64_t>(minDistinctArrays, distinctElements / std::max(n, 1))));
}

std::uint32_t distinctArraySeed(std::uint32_t seed, int index) {
    return seed + static_cast<std::uint32_t>(index);
}

Inputs makeInputs(const Shape& shape, int n, std::uint32_t seed) {
    Inputs in;
    in.shape = shape;
    in.n = n;
    const int count = distinctArrayCount(n);
    for (int d = 0; d < count; ++d) {
        in.arrays.push_back(makeShape(shape, n, distinctArraySeed(seed, d)));
        in.sorted.push_back(in.arrays.back());
        std::sort(in.sorted.back().begin(), in.sorted.back().end());
    }
    return in;
}

int poolArrayCount(int n) {
    const std::int64_t arrayBytes = std::int64_t(std::max(n, 1)) * std::int64_t(sizeof(int));
    return static_cast<int>(std::max<std::int64_t>(1, poolBytes / arrayBytes));
}

std::uint64_t countingTableBytes(const Shape& shape) {
    const std::int64_t base = std::min(shapeMinValue(shape), 0);
    return (std::uint64_t(std::int64_t(shapeMaxValue(shape)) - base) + 1) * sizeof(int);
}

std::uint64_t inputBytes(int n) {
    return 2 * std::uint64_t(distinctArrayCount(n)) * (std::uint64_t(n) * sizeof(int) + vectorOverheadBytes);
}

std::vector<int> builtSizes(const std::vector<int>& planned) {
    std::vector<int> sizes(std::begin(probeSizes), std::end(probeSizes));
    for (int n : planned) {
        if (std::find(sizes.begin(), sizes.end(), n) == sizes.end()) sizes.push_back(n);
    }
    return sizes;
}

std::uint64_t allInputsBytes(const std::vector<std::pair<Shape, std::vector<int>>>& plan) {
    std::uint64_t bytes = 0;
    for (const auto& shapeSizes : plan) {
        for (int n : builtSizes(shapeSizes.second)) bytes += inputBytes(n);
    }
    return bytes;
}

namespace {

// The pool (or the memory run's one array), a sort's own buffer of up to n
// elements and counting sort's table.
std::uint64_t callBytes(const Shape& shape, int n) {
    const std::uint64_t arrayBytes = std::uint64_t(n) * sizeof(int);
    std::uint64_t call = std::uint64_t(poolArrayCount(n)) * arrayBytes + arrayBytes;
    const std::uint64_t table = countingTableBytes(shape);
    if (table <= maxCountingTableBytes) call += table;
    return call;
}

}  // namespace

std::uint64_t largestCallBytes(const std::vector<std::pair<Shape, std::vector<int>>>& plan) {
    std::uint64_t most = 0;
    for (const auto& shapeSizes : plan) {
        for (int n : builtSizes(shapeSizes.second)) most = std::max(most, callBytes(shapeSizes.first, n));
    }
    return most;
}

std::uint64_t memoryNeeded(const std::vector<std::pair<Shape, std::vector<int>>>& plan) {
    std::uint64_t most = 0;
    for (const auto& shapeSizes : plan) {
        std::uint64_t held = 0;
        std::uint64_t largestCall = 0;
        // The budget's probes use the inputs of their sizes too.
        for (int n : builtSizes(shapeSizes.second)) {
            held += inputBytes(n);
            largestCall = std::max(largestCall, callBytes(shapeSizes.first, n));
        }
        most = std::max(most, held + largestCall);
    }
    return most;
}

void prefaultHeap(std::uint64_t bytes) {
    // Volatile stores, so that the compiler keeps the allocation.
    volatile char* block = static_cast<volatile char*>(std::malloc(static_cast<std::size_t>(bytes)));
    if (block == nullptr) return;
    for (std::uint64_t i = 0; i < bytes; i += 4096) block[i] = 0;
    std::free(const_cast<char*>(block));
}

void CostModel::record(int n, double seconds) {
    // A timer that reads 0 would make the exponent infinite.
    seconds = std::max(seconds, 1e-9);
    auto it = seconds_.find(n);
    // The quickest of several runs: the others were slowed by something else.
    if (it == seconds_.end() || seconds < it->second) seconds_[n] = seconds;
}

bool CostModel::known(int n) const { return seconds_.count(n) != 0; }

bool CostModel::predict(int n, double& seconds, double& exponent, int& from) const {
    if (seconds_.empty()) return false;
    const auto above = seconds_.lower_bound(n);
    if (above != seconds_.end() && above->first == n) {
        seconds = above->second;
        exponent = 1;
        from = n;
        return true;
    }
    std::map<int, double>::const_iterator a, b;
    if (std::distance(seconds_.begin(), above) >= 2) {
        b = std::prev(above);
        a = std::prev(b);
    } else if (seconds_.size() >= 2) {
        a = seconds_.begin();
        b = std::next(a);
    } else {
        // One size alone says nothing of growth: assume the quadratic sorts'.
        from = seconds_.begin()->first;
        exponent = 2;
        seconds = seconds_.begin()->second * std::pow(double(n) / from, exponent);
        return true;
    }
    // Never below linear: a sort's table or setup can hide its growth at
    // small sizes (counting sort on random_million is flat up to 10000).
    exponent = std::max(1.0, std::log(b->second / a->second) / std::log(double(b->first) / a->first));
    from = b->first;
    seconds = b->second * std::pow(double(n) / from, exponent);
    return true;
}

std::string budgetSkipReason(CostModel& model, int n, double budgetSeconds,
                             const std::function<double(int)>& timeCall) {
    double seconds = 0;
    double exponent = 0;
    int from = 0;
    for (int probe : probeSizes) {
        if (model.known(probe)) continue;
        // A probe is itself a call: one predicted over the budget is not made.
        if (model.predict(probe, seconds, exponent, from) && seconds > budgetSeconds) break;
        model.record(probe, timeCall(probe));
    }
    if (!model.predict(n, seconds, exponent, from) || seconds <= budgetSeconds) return "";
    char reason[200];
    if (from == n) {
        std::snprintf(reason, sizeof reason, "skipped: one call at %d took %.3g s, over the %g s budget", n,
                      seconds, budgetSeconds);
    } else {
        std::snprintf(
            reason, sizeof reason,
            "skipped: one call at %d would take about %.3g s (as n^%.2g from %d), over the %g s budget", n,
            seconds, exponent, from, budgetSeconds);
    }
    return reason;
}

double likelyCallSeconds(SortId sort, int n) {
    const double size = std::max(n, 2);
    if (sort == sortInsertion) return 0.25e-9 * size * size;
    return 1e-9 * size * std::log2(size);
}

double expectedBenchmarkSeconds(SortId sort, int n, std::int64_t repetitions, double minTime,
                                double budgetSeconds) {
    const double call = likelyCallSeconds(sort, n);
    if (call > budgetSeconds) return 0;
    // Google Benchmark's iteration search costs about half the run it
    // finds, or one call where a call takes longer; the memory run is a
    // few calls, at most 0.05 s beyond one.
    const double run = std::max(minTime, call) + 0.5 * std::min(minTime, call) + call;
    return double(repetitions) * run + std::min(4 * call, 0.05 + call);
}

double expectedInputSeconds(int n) {
    const double size = std::max(n, 2);
    return 6.7e-9 * double(distinctArrayCount(n)) * size * std::log2(size);
}

RunProgress::RunProgress(const char* program, std::map<std::string, double> expectedSeconds,
                         double startSeconds)
    : program_(program), expected_(std::move(expectedSeconds)), start_(startSeconds) {
    for (const auto& e : expected_) total_ += e.second;
    benchmarks_ = static_cast<int>(expected_.size());
}

std::string RunProgress::done(const std::string& name, double nowSeconds) {
    const auto it = expected_.find(name);
    if (it == expected_.end()) return "";
    done_ += it->second;
    expected_.erase(it);
    ++finished_;
    const int tenths = total_ > 0 ? static_cast<int>(10 * done_ / total_) : 10;
    if (tenths <= tenthsShown_ && finished_ < benchmarks_) return "";
    tenthsShown_ = tenths;
    const double spent = nowSeconds - start_;
    const double left = done_ > 0 ? spent * (total_ - done_) / done_ : total_;
    char line[200];
    std::snprintf(line, sizeof line, "%s: %d of %d benchmarks done, %.0f s of CPU so far, about %.0f s left",
                  program_.c_str(), finished_, benchmarks_, spent, std::max(0.0, left));
    return line;
}

bool filterSelects(const std::string& filter, const std::vector<std::string>& names,
                   std::vector<bool>& selected, std::string& error) {
    std::string expression = filter.empty() || filter == "all" ? "." : filter;
    const bool exclude = expression[0] == '-';
    if (exclude) expression.erase(0, 1);
    std::regex pattern;
    try {
        pattern = std::regex(expression, std::regex_constants::extended);
    } catch (const std::regex_error& e) {
        error = std::string("is not a valid regular expression: ") + e.what();
        return false;
    }
    selected.clear();
    for (const std::string& name : names) selected.push_back(std::regex_search(name, pattern) != exclude);
    return true;
}

Harness::Harness(std::uint32_t seed, double budgetSeconds, std::uint64_t keptInputBytes, InputFactory factory)
    : seed_(seed),
      budgetSeconds_(budgetSeconds),
      failures_(0),
      keptInputBytes_(keptInputBytes),
      factory_(std::move(factory)) {}

const std::string& Harness::skipReason(SortId sort, const Shape& shape, int n, bool overBudgetAllowed) {
    const std::string name = benchmarkName(sort, shape, n);
    const auto decided = skips_.find(name);
    if (decided != skips_.end()) return decided->second;
    std::string reason;
    const std::uint64_t table = countingTableBytes(shape);
    if (sort == sortCounting && table > maxCountingTableBytes) {
        reason = "skipped: counting sort would need a table of " + std::to_string(table / sizeof(int)) +
                 " counters (" + formatBytes(double(table)) + ")";
    } else if (!overBudgetAllowed) {
        reason = budgetSkipReason(costs_[familyName(sort, shape)], n, budgetSeconds_,
                                  [&](int size) { return timeOneCall(sort, shape, size); });
    }
    return skips_[name] = reason;
}

double Harness::timeOneCall(SortId sort, const Shape& shape, int n) {
    // On the distinct arrays, as the benchmark itself: on one array sorted
    // again and again the branch predictor learns it (std::sort at 1000
    // then came out ten times too fast, and its growth as n²).
    const Inputs& in = inputs(shape, n);
    GuardedArray work(in.arrays.front());
    // Calls for at least 2 ms, so that the clock's steps do not matter;
    // copying the array in costs a few percent of the fastest sort.
    const double start = processSeconds();
    double elapsed = 0;
    int calls = 0;
    do {
        work.assign(in.arrays[static_cast<std::size_t>(calls) % in.arrays.size()]);
        noteUserCall(sort, shape, n);
        try {
            sortEntry(sort).timed(work.data(), n);
        } catch (...) {
            userCallThrew();
        }
        userCallDone();
        ++calls;
        elapsed = processSeconds() - start;
        if (const char* problem = work.guardProblem()) {
            fail(benchmarkName(sort, shape, n), problem);
            break;
        }
    } while (elapsed < 0.002 && calls < 1000);
    return elapsed / calls;
}

const Inputs& Harness::inputs(const Shape& shape, int n) {
    for (auto in = inputs_.begin(); in != inputs_.end(); ++in) {
        if ((*in)->shape == shape && (*in)->n == n) {
            std::rotate(in, std::next(in), inputs_.end());
            return *inputs_.back();
        }
    }
    const std::uint64_t bytes = inputBytes(n);
    // Given up before the new set is built, so that the two never add up
    // past the limit.
    while (!inputs_.empty() && heldInputBytes_ + bytes > keptInputBytes_) {
        heldInputBytes_ -= inputBytes(inputs_.front()->n);
        inputs_.erase(inputs_.begin());
    }
    const std::string name = shapeName(shape) + "/" + std::to_string(n);
    if (std::find(built_.begin(), built_.end(), name) != built_.end()) {
        if (std::find(rebuilt_.begin(), rebuilt_.end(), name) == rebuilt_.end()) rebuilt_.push_back(name);
    } else {
        built_.push_back(name);
    }
    const double start = processSeconds();
    inputs_.emplace_back(new Inputs(factory_(shape, n, seed_)));
    inputSeconds_ += processSeconds() - start;
    heldInputBytes_ += bytes;
    ++builds_;
    return *inputs_.back();
}

void Harness::recordCalls(SortId sort, const Shape& shape, int n, double secondsPerCall) {
    costs_[familyName(sort, shape)].record(n, secondsPerCall);
}

bool Harness::check(SortId sort, const Shape& shape, int n, const int* result, int source) {
    const std::vector<int>& expected = inputs(shape, n).sorted[static_cast<std::size_t>(source)];
    const double start = processSeconds();
    const auto differs = std::mismatch(expected.begin(), expected.end(), result);
    checkSeconds_ += processSeconds() - start;
    if (differs.first == expected.end()) return true;
    fail(benchmarkName(sort, shape, n),
         "result differs from std::sort at element " + std::to_string(differs.first - expected.begin()));
    return false;
}

bool Harness::checkGuarded(SortId sort, const Shape& shape, int n, const int* result, int source) {
    if (const char* problem = guardProblem(result, n)) {
        fail(benchmarkName(sort, shape, n), problem);
        return false;
    }
    return check(sort, shape, n, result, source);
}

void Harness::fail(const std::string& name, const std::string& message) {
    ++failures_;
    std::fprintf(stderr, "%s: %s\n", name.c_str(), message.c_str());
}

TimedPool::TimedPool(Harness& harness, SortId sort, const Shape& shape, int n)
    : harness_(harness),
      sort_(sort),
      shape_(shape),
      n_(n),
      length_(std::size_t(n)),
      stride_(length_ + 2 * std::size_t(guardLength)),
      count_(poolArrayCount(n)),
      pool_(stride_ * std::size_t(count_)),
      source_(std::size_t(count_)) {
    // Merge, radix and counting sort take up to n elements of buffers,
    // counting sort its table besides.
    const std::uint64_t table = countingTableBytes(shape);
    prefaultHeap(2 * std::uint64_t(length_) * sizeof(int) +
                 (sort == sortCounting && table <= maxCountingTableBytes ? table : 0));
}

void TimedPool::refill() {
    const Inputs& in = harness_.inputs(shape_, n_);
    for (int i = 0; i < count_; ++i) {
        const int d = static_cast<int>(handedOut_++ % static_cast<std::int64_t>(in.arrays.size()));
        source_[std::size_t(i)] = d;
        std::copy(in.arrays[std::size_t(d)].begin(), in.arrays[std::size_t(d)].end(), array(i));
        fillGuards(array(i), n_);
    }
    faultsBefore_ = pageFaultCount();
    noteUserCall(sort_, shape_, n_, count_);
    batchStart_ = processSeconds();
}

bool TimedPool::endBatch() {
    const double end = processSeconds();
    seconds_ += end - batchStart_;
    harness_.addBatchSeconds(end - batchStart_);
    userCallDone();
    faults_ += pageFaultCount() - faultsBefore_;
    for (int i = 0; i < used_; ++i) {
        if (!harness_.checkGuarded(sort_, shape_, n_, array(i), source_[std::size_t(i)])) {
            return false;
        }
    }
    sorted_ += used_;
    used_ = 0;
    return true;
}

int Harness::exitStatus() const { return failures_ > 0 ? 1 : 0; }
