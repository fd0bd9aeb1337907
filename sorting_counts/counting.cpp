#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "compare/disorder.h"
#include "compare/platform.h"
#include "compare/text.h"
#include "compare/user_sorts.h"
#include "sorting_counts/counts.h"

namespace {

// Inputs per size: input i is built from seed + i. One quick sort input
// strays from the mean by about 0.65n comparisons, 5% of its count at 1000
// elements, so small sizes take more inputs, as many as 200000 elements
// allow, up to 100; a sort stops taking more once it has made 1e8
// comparisons at the size. At least five each.
const int mostInputs = 100;
const double elementsPerSize = 200000;
const double comparisonsPerSize = 1e8;

int inputsAt(int n) {
    return static_cast<int>(
        std::max<double>(fewestInputs, std::min<double>(mostInputs, elementsPerSize / n)));
}

const char programName[] = "sorting_counts";

double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Besides the sizes asked for, the budget counts one input at each of these
// sizes (at most 500000 comparisons), so that any size has two smaller
// sizes to take the local growth from.
const int probeSizes[] = {500, 1000};

}  // namespace

double figureOf(const Row& row, const Totals& t) {
    return countsPasses(row.sort) ? t.elementOperations : t.comparisons;
}
double measured(const Row& r) { return countsPasses(r.sort) ? r.mean.passes : r.mean.comparisons; }
bool hasRatio(const Row& r) { return r.leftOut.empty() && !r.formula.empty() && r.mean.expected > 0; }
double ratio(const Row& r) { return measured(r) / r.mean.expected; }

bool countsWrites(const Row& r) {
    return sortEntry(r.sort).library || (sortEntry(r.sort).user && !notCounted(r));
}

bool notCounted(const Row& r) {
    const SortEntry& entry = sortEntry(r.sort);
    return entry.user && (!entry.counts || (r.n > 1 && r.mean.comparisons == 0 && r.mean.writes == 0));
}

bool undercounted(const Row& r) {
    return sortEntry(r.sort).user && r.inputs > 0 && !notCounted(r) && r.mean.comparisons > 0 &&
           r.mean.comparisons < r.mean.lowerBound;
}

std::string undercountLine(const Row& r) {
    return "sorting_counts: " + std::string(sortName(r.sort)) + " on " + shapeName(r.shape) +
           " at n = " + std::to_string(r.n) + ": " + mean(r.mean.comparisons) + " comparisons, below the " +
           mean(std::ceil(r.mean.lowerBound)) +
           " any comparison sort needs (lg n! for distinct values): "
           "undercounted, some comparison bypasses SB_LESS";
}

const char* leftOutReason(SortId sort, const Shape& shape) {
    if (sort == sortCounting && shape.kind == shapeRandomWide) return "a table over every int takes 16 GiB";
    return nullptr;
}

int inputsForSpread(double relativeSpread, int most) {
    const double needed = std::ceil(std::pow(relativeSpread / targetStandardError, 2));
    if (!(needed < most)) return most;  // NaN too: nothing known, count them all
    return std::max(fewestSpreadInputs, std::min(most, static_cast<int>(needed)));
}

bool slopesSettled(const std::vector<std::pair<int, double>>& counts, std::string& reason) {
    if (counts.size() < 3) return false;
    const std::pair<int, double>& a = counts[counts.size() - 3];
    const std::pair<int, double>& b = counts[counts.size() - 2];
    const std::pair<int, double>& c = counts.back();
    if (!(a.second > 0 && b.second > 0 && c.second > 0)) return false;
    const double first = std::log(b.second / a.second) / std::log(double(b.first) / a.first);
    const double second = std::log(c.second / b.second) / std::log(double(c.first) / b.first);
    if (!(std::fabs(second - first) < slopeTolerance)) return false;
    reason = "stopped: local slopes " + formatted("%.3f", first) + " (" + std::to_string(a.first) + " to " +
             std::to_string(b.first) + ") and " + formatted("%.3f", second) + " (to " +
             std::to_string(c.first) + ") agree within " + formatted("%.2f", slopeTolerance) +
             "; --exhaustive counts it";
    return true;
}

namespace {

// The relative standard deviation of a row's figures across its inputs;
// NaN with fewer than two.
double relativeSpread(const Row& row) {
    if (row.figures.size() < 2) return std::nan("");
    double sum = 0;
    for (double f : row.figures) sum += f;
    const double average = sum / double(row.figures.size());
    if (!(average > 0)) return 0;
    double squares = 0;
    for (double f : row.figures) squares += (f - average) * (f - average);
    return std::sqrt(squares / double(row.figures.size() - 1)) / average;
}

// Left out at n when its comparisons are estimated past the ceiling, with
// the estimate and where it came from as the reason.
bool budgetReason(const std::vector<std::pair<int, double>>& counted, int n, std::string& reason) {
    const std::vector<std::pair<int, double>> below(
        counted.begin(), std::lower_bound(counted.begin(), counted.end(), std::make_pair(n, 0.0)));
    double exponent = 2;
    const double estimate = growthEstimate(below, n, exponent);
    if (!(estimate > comparisonCeiling)) return false;
    reason = formatted("%.2g", estimate) + " comparisons per input estimated (growing as n^" +
             formatted("%.2f", exponent) + " from n = " + std::to_string(below.back().first) + "), over " +
             formatted("%.0f", comparisonCeiling);
    return true;
}

// One line per sort of a shape, as Google Benchmark prints a row per run,
// so that a long run is never silent.
void reportProgress(const Shape& shape, const std::vector<std::vector<Row>>& bySort,
                    const std::vector<double>& seconds, const std::string& left) {
    for (std::size_t s = 0; s < bySort.size(); ++s) {
        int sizes = 0;
        int largest = 0;
        for (const Row& row : bySort[s]) {
            if (row.inputs == 0) continue;
            ++sizes;
            largest = row.n;
        }
        const std::string family = std::string(sortName(bySort[s].front().sort)) + "/" + shapeName(shape);
        const std::string counted = sizes == 0
                                        ? "left out at every size"
                                        : std::to_string(sizes) + " of " + std::to_string(bySort[s].size()) +
                                              " sizes counted, up to n = " + std::to_string(largest);
        std::fprintf(stderr, "%s%s: %-32s %s, %.2f s%s\n", stderrIsTerminal() ? "\r\033[K" : "", programName,
                     family.c_str(), counted.c_str(), seconds[s], s + 1 == bySort.size() ? left.c_str() : "");
    }
}

// lg(n! / (c1! c2! ...)) for the values' multiplicities c.
double orderingsLg(const std::vector<int>& sorted) {
    double lg = std::lgamma(double(sorted.size()) + 1);
    for (std::size_t i = 0, j = 0; i < sorted.size(); i = j) {
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        lg -= std::lgamma(double(j - i) + 1);
    }
    return lg / std::log(2.0);
}

// Runs one sort on one input between guard zones, checks the result and
// adds what it cost.
void countOne(SortId sort, const Shape& shape, const std::vector<int>& input, const std::vector<int>& sorted,
              Totals& totals, double& figure) {
    GuardedArray v(input);
    const int n = static_cast<int>(input.size());
    takeCounts();
    noteUserCall(sort, shape, n);
    try {
        sortEntry(sort).counted(v.data(), n);
    } catch (...) {
        userCallThrew();
    }
    userCallDone();
    const counted::OperationCounts counts = takeCounts();
    const std::string problem = resultProblem(v.data(), sorted);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", failureLine("sorting_counts", sort, shape, n, problem).c_str());
        std::exit(1);
    }
    const int min = sorted.front();
    const int max = sorted.back();
    // Element operations: n per pass over the array, plus the counting
    // table's entries (radix sort's has ten per digit pass).
    double table = 0;
    if (sort == sortCounting) table = static_cast<double>(radixSpan(min, max)) + 1;
    if (sort == sortRadix) table = 10.0 * decimalDigits(radixSpan(min, max));
    const Totals one = {static_cast<double>(counts.comparisons), static_cast<double>(counts.writes),
                        static_cast<double>(counts.allocations), static_cast<double>(counts.passes),
                        static_cast<double>(counts.passes) * n + table};
    figure = countsPasses(sort) ? one.elementOperations : one.comparisons;
    totals.comparisons += one.comparisons;
    totals.writes += one.writes;
    totals.allocations += one.allocations;
    totals.passes += one.passes;
    totals.elementOperations += one.elementOperations;
}

// Every sort of the settings on one shape at the given sizes, inputs built
// from seed + i; rows in sort-major order of the sizes.
std::vector<Row> countShape(const Settings& settings, const Shape& shape, const std::vector<int>& sizes,
                            const std::function<std::string()>& left) {
    const std::size_t sortCount = settings.sorts.size();
    std::vector<std::vector<Row>> bySort(sortCount);
    // The comparisons per input at each size counted so far, per sort.
    std::vector<std::vector<std::pair<int, double>>> counted(sortCount);
    std::vector<double> seconds(sortCount, 0);
    for (std::size_t s = 0; s < sortCount; ++s) {
        const SortId sort = settings.sorts[s];
        if (leftOutReason(sort, shape) != nullptr) continue;
        for (int probeSize : probeSizes) {
            if (std::find(sizes.begin(), sizes.end(), probeSize) != sizes.end()) continue;
            const std::vector<int> probe = makeShape(shape, probeSize, settings.seed);
            std::vector<int> sorted = probe;
            std::sort(sorted.begin(), sorted.end());
            Totals totals;
            double figure = 0;
            countOne(sort, shape, probe, sorted, totals, figure);
            counted[s].push_back({probeSize, totals.comparisons});
        }
    }
    // Each sort's largest spread of its figure over the sizes counted so
    // far, which sets its inputs at the next.
    std::vector<double> spread(sortCount, std::nan(""));
    // The figure's mean at each size counted, per sort, for the stopping
    // rule: comparisons, or element operations where a sort compares none.
    std::vector<std::vector<std::pair<int, double>>> figures(sortCount);
    for (int n : sizes) {
        std::vector<Row> rows;
        std::vector<bool> runs(sortCount, false);
        std::vector<int> wanted(sortCount, 0);
        for (std::size_t s = 0; s < sortCount; ++s) {
            const SortId sort = settings.sorts[s];
            Row row = {sort, shape, n, 0, Totals(), {}, "", ""};
            if (const char* reason = leftOutReason(sort, shape)) {
                row.leftOut = reason;
            } else if (budgetReason(counted[s], n, row.leftOut)) {
            } else if (!settings.exhaustive && n > stoppingSize && slopesSettled(figures[s], row.leftOut)) {
            } else {
                runs[s] = true;
                wanted[s] = settings.exhaustive ? inputsAt(n) : inputsForSpread(spread[s], inputsAt(n));
            }
            rows.push_back(row);
        }
        const int inputs = *std::max_element(wanted.begin(), wanted.end());
        const int measuredDisorder =
            settings.exhaustive || n <= stoppingSize ? inputs : std::min(inputs, disorderInputs);
        {
            for (int i = 0; i < inputs; ++i) {
                const std::vector<int> input =
                    makeShape(shape, n, settings.seed + static_cast<std::uint32_t>(i));
                std::vector<int> sorted = input;
                std::sort(sorted.begin(), sorted.end());
                DisorderMeasures measures = {0, 0, 0};
                if (i < measuredDisorder) {
                    measures.inversions = countInversions(input);
                    measures.runs = countAscendingRuns(input);
                }
                for (std::size_t j = 0; j < sorted.size(); ++j) {
                    if (j == 0 || sorted[j] != sorted[j - 1]) ++measures.distinct;
                }
                for (std::size_t s = 0; s < sortCount; ++s) {
                    if (!runs[s]) continue;
                    Row& row = rows[s];
                    if (row.inputs >= wanted[s]) continue;
                    if (row.inputs >= fewestInputsOf(settings) && row.mean.comparisons > comparisonsPerSize)
                        continue;
                    double figure = 0;
                    const auto start = std::chrono::steady_clock::now();
                    countOne(row.sort, shape, input, sorted, row.mean, figure);
                    seconds[s] +=
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                    row.figures.push_back(figure);
                    row.mean.inversions += static_cast<double>(measures.inversions);
                    row.mean.runs += static_cast<double>(measures.runs);
                    row.mean.distinct += static_cast<double>(measures.distinct);
                    const Expectation expected = textbookCount(row.sort, shape, input);
                    row.mean.expected += expected.value;
                    if (sortEntry(row.sort).user && shapeIsRandom(shape))
                        row.mean.lowerBound += orderingsLg(sorted);
                    row.formula = expected.value >= 0 ? expected.formula : "";
                    ++row.inputs;
                }
            }
        }
        for (std::size_t s = 0; s < sortCount; ++s) {
            Row& row = rows[s];
            if (row.inputs > 0) {
                Totals& t = row.mean;
                for (double* field : {&t.comparisons, &t.writes, &t.allocations, &t.passes,
                                      &t.elementOperations, &t.distinct, &t.expected, &t.lowerBound}) {
                    *field /= row.inputs;
                }
                for (double* field : {&t.inversions, &t.runs})
                    *field /= std::min(row.inputs, measuredDisorder);
                const std::pair<int, double> count(n, t.comparisons);
                counted[s].insert(std::upper_bound(counted[s].begin(), counted[s].end(), count), count);
                figures[s].push_back({n, figureOf(row, t)});
            }
            bySort[s].push_back(row);
        }
        for (std::size_t s = 0; s < sortCount; ++s) {
            // The largest spread so far: two inputs may agree by chance
            // (radix sort's passes on all_equal follow each input's one
            // value), and a size that takes two would then pass on a spread
            // of 0.
            const double now = relativeSpread(bySort[s].back());
            if (bySort[s].back().inputs > 0 && !(now <= spread[s])) spread[s] = now;
        }
        if (settings.progress && stderrIsTerminal()) {
            std::fprintf(stderr, "\r%s: %s at n = %d counted\033[K", programName, shapeName(shape).c_str(),
                         n);
        }
    }
    if (settings.progress) reportProgress(shape, bySort, seconds, left ? left() : "");
    std::vector<Row> all;
    for (const std::vector<Row>& rows : bySort) all.insert(all.end(), rows.begin(), rows.end());
    return all;
}

// The figure's mean per size, and as the noise the largest relative
// standard error of a mean, at least 1%.
FamilyGrowth growthOf(const std::vector<Row>& rows) {
    GrowthData data;
    double noise = 0.01;
    for (const Row& row : rows) {
        if (row.inputs == 0) continue;
        const double mean = figureOf(row, row.mean);
        if (!(mean > 0)) continue;
        double squares = 0;
        for (double f : row.figures) squares += (f - mean) * (f - mean);
        if (row.inputs > 1) {
            const double standardError = std::sqrt(squares / (row.inputs - 1) / row.inputs);
            noise = std::max(noise, standardError / mean);
        }
        data.sizes.push_back(row.n);
        data.samples.push_back({mean});
    }
    return analyzeFamily(rows.front().sort, rows.front().shape, figureOperations, data, noise);
}

}  // namespace

Results countAll(const Settings& settings) {
    Results results;
    // The time left from the CPU the shapes so far took (the sweep takes
    // little).
    const double start = cpuSeconds();
    std::size_t shapesDone = 0;
    const auto left = [&]() {
        ++shapesDone;
        const double spent = cpuSeconds() - start;
        return formatted(", about %.0f s left",
                         spent * double(settings.shapes.size() - shapesDone) / double(shapesDone));
    };
    for (const Shape& shape : settings.shapes) {
        const std::vector<Row> rows = countShape(settings, shape, settings.sizes, left);
        for (std::size_t first = 0; first < rows.size(); first += settings.sizes.size()) {
            const std::vector<Row> family(
                rows.begin() + static_cast<std::ptrdiff_t>(first),
                rows.begin() + static_cast<std::ptrdiff_t>(first + settings.sizes.size()));
            // A family left out at every size has nothing to fit.
            if (family.front().inputs > 0) results.families.push_back(growthOf(family));
        }
        results.rows.insert(results.rows.end(), rows.begin(), rows.end());
    }
    if (settings.sweep) {
        for (double percent : sweepPercents) {
            const std::vector<Row> rows =
                countShape(settings, Shape{shapeNearlySorted, percent}, {sweepSize}, nullptr);
            results.sweep.insert(results.sweep.end(), rows.begin(), rows.end());
        }
    }
    return results;
}

double expectedSeconds(const Settings& settings) {
    // Per element and level of lg n, for each sort and input, and for each
    // input's building, sorted copy and disorder: fitted to measured runs
    // (the default run counts about a third of the sorts past 200000).
    const double perSortElement = 2.6e-9, perInputElement = 3.5e-9;
    double seconds = 0;
    for (int n : settings.sizes) {
        const double work = double(n) * std::log2(std::max(n, 2));
        double inputs = inputsAt(n);
        double sorts = double(settings.sorts.size());
        if (!settings.exhaustive) {
            inputs = std::min(inputs, 3.0);
            if (n > stoppingSize) sorts *= 0.3;
        }
        seconds +=
            double(settings.shapes.size()) * inputs * work * (sorts * perSortElement + perInputElement);
    }
    return seconds;
}

// The input, its sorted copy, the
// copy being sorted, merge or radix sort's buffer and the two arrays the
// inversion count works in; plus counting sort's table.
double bytesNeeded(const Settings& settings, int n) {
    double bytes = 6.0 * n * sizeof(int);
    if (std::find(settings.sorts.begin(), settings.sorts.end(), sortCounting) != settings.sorts.end()) {
        double table = 0;
        for (const Shape& shape : settings.shapes) {
            if (leftOutReason(sortCounting, shape) != nullptr) continue;
            table = std::max(table,
                             static_cast<double>(radixSpan(shapeMinValue(shape), shapeMaxValue(shape))) + 1);
        }
        bytes += table * sizeof(int);
    }
    return bytes;
}
