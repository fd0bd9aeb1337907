#include "sorting_compare/comparison.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "compare/growth.h"
#include "compare/options.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/text.h"

const char* const verdictFaster = "faster";
const char* const verdictSlower = "slower";
const char* const verdictSame = "same";
const char* const verdictTooFew = "too few repetitions";

bool BenchmarkComparison::changed() const { return verdict == verdictFaster || verdict == verdictSlower; }

const std::vector<ContextKey> contextKeys = {
    {"host", "host_name", true},
    {"CPU", "sortbench_cpu", true},
    {"cores", "num_cpus", true},
    {"caches", "caches", true},
    {"operating system", "sortbench_os", true},
    {"CPU MHz", "mhz_per_cpu", false},
    {"compiler", "sortbench_compiler", false},
    {"compile flags", "sortbench_compile_flags", false},
    {"build type", "sortbench_build_type", false},
    {"Google Benchmark build", "library_build_type", false},
    {"project version", "sortbench_version", false},
    {"inputs' seed", "sortbench_seed", false},
    {"repetitions", "sortbench_repetitions", false},
    {"minimum time (s)", "sortbench_min_time", false},
    {"time budget per call (s)", "sortbench_budget_seconds", false},
    {"time measured", "sortbench_time", false},
    {"allocator", "sortbench_allocator", false},
    {"load average", "load_avg", false},
    {"date", "date", false},
    {"program", "executable", false},
};

namespace {

typedef std::pair<std::string, std::string> Family;  // sort, shape

std::string nameOf(const Benchmark& b) { return b.sort + "/" + b.shape + "/" + std::to_string(b.n); }

const Benchmark* find(const BenchmarkRun& run, const std::string& sort, const std::string& shape, long n) {
    for (const Benchmark& b : run.benchmarks) {
        if (b.sort == sort && b.shape == shape && b.n == n) return &b;
    }
    return nullptr;
}

bool ran(const Benchmark* b) { return b != nullptr && b->error.empty() && !b->seconds.empty(); }

// Each time divided by the reference sort's median at the same shape and
// size on the same machine; a benchmark without one is dropped, with why.
BenchmarkRun relativeTo(const BenchmarkRun& run, const std::string& reference, bool isOld,
                        std::vector<OnlyIn>& dropped) {
    BenchmarkRun out;
    out.context = run.context;
    for (const Benchmark& b : run.benchmarks) {
        const Benchmark* ref = find(run, reference, b.shape, b.n);
        if (!ran(&b)) {
            out.benchmarks.push_back(b);
            continue;
        }
        if (!ran(ref)) {
            dropped.push_back(
                {nameOf(b), isOld, "no " + reference + " at this shape and size to relate it to"});
            continue;
        }
        Benchmark relative = b;
        const double scale = median(ref->seconds);
        for (double& s : relative.seconds) s /= scale;
        out.benchmarks.push_back(relative);
    }
    return out;
}

// One sort and shape's growth in one run: the classes that fit, the
// textbook's verdict (only for sorts and shapes this build knows) and the
// exponent of n with its 95% interval.
struct Growth {
    std::string classes, verdict;
    GrowthFit fit;
};

Growth growthOf(const BenchmarkRun& run, const Family& family, const std::vector<long>& sizes) {
    GrowthData data;
    for (long n : sizes) {
        const Benchmark* b = find(run, family.first, family.second, n);
        data.sizes.push_back(double(n));
        data.samples.push_back(b->seconds);
    }
    SortId sort;
    Shape shape;
    std::string ignored;
    if (parseSortName(family.first, sort, ignored) && parseShape(family.second, shape, ignored)) {
        const FamilyGrowth growth = analyzeFamily(sort, shape, figureTime, data, 0.05);
        return {growthRowCells(growth)[4], verdictNames[growth.verdict], growth.fit};
    }
    const GrowthFit fit = fitGrowth(data, 0.05);
    std::string classes;
    for (GrowthClass c : fit.classes)
        classes += (classes.empty() ? "" : ", ") + std::string(growthClassNames[c]);
    return {classes.empty() ? "no single class" : classes, verdictNames[verdictNotApplicable], fit};
}

std::string exponentText(const GrowthFit& fit) {
    return formatted("%.2f [%.2f, %.2f]", fit.exponent, fit.exponentLow, fit.exponentHigh);
}

// Changed where the verdict did, or where the exponents' intervals do not
// meet: the classes that fit shift with noise alone, being many at few sizes.
void compareGrowth(const BenchmarkRun& oldRun, const BenchmarkRun& newRun,
                   const std::vector<BenchmarkComparison>& rows, std::vector<GrowthChange>& changes) {
    std::vector<Family> families;
    std::map<Family, std::vector<long>> sizes;
    for (const BenchmarkComparison& row : rows) {
        const Family family(row.sort, row.shape);
        if (sizes.find(family) == sizes.end()) families.push_back(family);
        sizes[family].push_back(row.n);
    }
    for (const Family& family : families) {
        std::vector<long>& common = sizes[family];
        std::sort(common.begin(), common.end());
        if (common.size() < 3) continue;
        const Growth before = growthOf(oldRun, family, common);
        const Growth after = growthOf(newRun, family, common);
        const bool apart = before.fit.hasExponent && after.fit.hasExponent &&
                           (before.fit.exponentHigh < after.fit.exponentLow ||
                            after.fit.exponentHigh < before.fit.exponentLow);
        if (apart || before.verdict != after.verdict) {
            changes.push_back({family.first, family.second, before.classes, after.classes, before.verdict,
                               after.verdict, exponentText(before.fit), exponentText(after.fit)});
        }
    }
}

void compareContext(const BenchmarkRun& oldRun, const BenchmarkRun& newRun,
                    BenchmarkComparisonResult& result) {
    const char notRecorded[] = "not recorded";
    auto repetitions = [](const BenchmarkRun& run) {
        std::size_t most = 0;
        for (const Benchmark& b : run.benchmarks) most = std::max(most, b.seconds.size());
        return std::to_string(most);
    };
    for (const ContextKey& key : contextKeys) {
        std::string before = contextValue(oldRun, key.key), after = contextValue(newRun, key.key);
        if (std::string(key.key) == "sortbench_repetitions") {
            // Files written before the key was added: the most any benchmark has.
            if (before.empty()) before = repetitions(oldRun);
            if (after.empty()) after = repetitions(newRun);
        }
        if (before.empty() && after.empty()) continue;
        const bool differs = before != after;
        if (differs && key.machine && !before.empty() && !after.empty()) result.machinesDiffer = true;
        result.context.push_back(
            {key.label, before.empty() ? notRecorded : before, after.empty() ? notRecorded : after, differs});
    }
    // Users' sorts: one key each, "sortbench_user_sort NAME".
    const std::string prefix = "sortbench_user_sort ";
    std::vector<std::string> names;
    for (const BenchmarkRun* run : {&oldRun, &newRun}) {
        for (const auto& entry : run->context) {
            if (entry.first.compare(0, prefix.size(), prefix) == 0 &&
                std::find(names.begin(), names.end(), entry.first) == names.end())
                names.push_back(entry.first);
        }
    }
    for (const std::string& name : names) {
        const std::string before = contextValue(oldRun, name), after = contextValue(newRun, name);
        result.context.push_back({"your sort " + name.substr(prefix.size()),
                                  before.empty() ? "not in this run" : before,
                                  after.empty() ? "not in this run" : after, before != after});
    }
}

void countVerdict(VerdictCounts& counts, const char* verdict) {
    if (verdict == verdictFaster) ++counts.faster;
    if (verdict == verdictSlower) ++counts.slower;
    if (verdict == verdictSame) ++counts.same;
    if (verdict == verdictTooFew) ++counts.tooFew;
}

void summarize(BenchmarkComparisonResult& result) {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> logs;
    std::map<std::string, VerdictCounts> counts;
    std::vector<double> all;
    for (const BenchmarkComparison& row : result.rows) {
        if (counts.find(row.sort) == counts.end()) order.push_back(row.sort);
        VerdictCounts& c = counts[row.sort];
        c.sort = row.sort;
        countVerdict(c, row.verdict);
        countVerdict(result.overall, row.verdict);
        if (std::isfinite(row.ratio.ratio) && row.ratio.ratio > 0) {
            logs[row.sort].push_back(std::log(row.ratio.ratio));
            all.push_back(std::log(row.ratio.ratio));
        }
    }
    auto geometricMean = [](const std::vector<double>& values) {
        double sum = 0;
        for (double v : values) sum += v;
        return values.empty() ? std::nan("") : std::exp(sum / double(values.size()));
    };
    for (const std::string& sort : order) {
        counts[sort].geometricMean = geometricMean(logs[sort]);
        result.sorts.push_back(counts[sort]);
    }
    result.overall.geometricMean = geometricMean(all);
}

}  // namespace

bool compareBenchmarks(const BenchmarkRun& oldInput, const BenchmarkRun& newInput, const Settings& settings,
                       BenchmarkComparisonResult& result, std::string& error) {
    result = BenchmarkComparisonResult();
    BenchmarkRun oldRun = oldInput, newRun = newInput;
    if (!settings.relativeTo.empty()) {
        for (const BenchmarkRun* run : {&oldInput, &newInput}) {
            bool any = false;
            for (const Benchmark& b : run->benchmarks)
                any = any || (b.sort == settings.relativeTo && ran(&b));
            if (!any) {
                error = "--relative-to " + ::quoted(settings.relativeTo) + ": the " +
                        (run == &oldInput ? "old" : "new") + " run has no result of that sort";
                return false;
            }
        }
        oldRun = relativeTo(oldInput, settings.relativeTo, true, result.onlyIn);
        newRun = relativeTo(newInput, settings.relativeTo, false, result.onlyIn);
    }
    for (const Benchmark& b : oldRun.benchmarks) {
        const Benchmark* other = find(newRun, b.sort, b.shape, b.n);
        if (!ran(&b) || !ran(other)) {
            if (ran(&b)) {
                result.onlyIn.push_back(
                    {nameOf(b), true,
                     other == nullptr ? "not in the new run" : "in the new run: " + other->error});
            } else if (ran(other)) {
                result.onlyIn.push_back({nameOf(b), false, "in the old run: " + b.error});
            }
            continue;
        }
        BenchmarkComparison row;
        row.sort = b.sort;
        row.shape = b.shape;
        row.n = b.n;
        row.oldRepetitions = b.seconds.size();
        row.newRepetitions = other->seconds.size();
        row.oldMedian = median(b.seconds);
        row.newMedian = median(other->seconds);
        row.ratio = hodgesLehmannRatio(b.seconds, other->seconds, 0.95);
        row.p = mannWhitneyP(b.seconds, other->seconds);
        row.q = 1;
        row.verdict = std::min(row.oldRepetitions, row.newRepetitions) < std::size_t(fewestRepetitions)
                          ? verdictTooFew
                          : verdictSame;
        result.rows.push_back(row);
    }
    for (const Benchmark& b : newRun.benchmarks) {
        if (ran(&b) && find(oldRun, b.sort, b.shape, b.n) == nullptr)
            result.onlyIn.push_back({nameOf(b), false, "not in the old run"});
    }
    if (result.rows.empty()) {
        error = ::quoted(settings.oldPath) + " and " + ::quoted(settings.newPath) +
                " have no benchmark in common that ran in both (old: " + nameOf(oldInput.benchmarks.front()) +
                ", new: " + nameOf(newInput.benchmarks.front()) + ", ...)";
        return false;
    }
    // Discoveries controlled over the benchmarks that can make one.
    std::vector<double> p;
    for (const BenchmarkComparison& row : result.rows) {
        if (row.verdict != verdictTooFew) p.push_back(row.p);
    }
    result.tested = int(p.size());
    const std::vector<double> q = benjaminiHochberg(p);
    const double practical = std::log1p(settings.thresholdPercent / 100);
    std::size_t k = 0;
    for (BenchmarkComparison& row : result.rows) {
        if (row.verdict == verdictTooFew) continue;
        row.q = q[k++];
        if (row.q <= settings.alpha && std::fabs(std::log(row.ratio.ratio)) > practical)
            row.verdict = row.ratio.ratio > 1 ? verdictSlower : verdictFaster;
    }
    summarize(result);
    compareGrowth(oldRun, newRun, result.rows, result.growth);
    compareContext(oldInput, newInput, result);
    return true;
}

bool compareCounts(const CountsRun& oldRun, const CountsRun& newRun, CountsComparisonResult& result,
                   std::string& error) {
    result = CountsComparisonResult();
    if (oldRun.seed != newRun.seed) {
        result.notes.push_back(
            "the inputs differ: seed " + oldRun.seed + " in the old run, " + newRun.seed +
            " in the new one, so the counts of random shapes differ for that reason alone");
    }
    auto sizes = [](const CountsRun& run) {
        std::set<long> set;
        for (const CountRow& row : run.rows) {
            if (row.part == "rows") set.insert(row.n);
        }
        std::string text;
        for (long n : set) text += (text.empty() ? "" : ", ") + std::to_string(n);
        return text;
    };
    if (sizes(oldRun) != sizes(newRun)) {
        result.notes.push_back("the sizes differ: " + sizes(oldRun) + " in the old run, " + sizes(newRun) +
                               " in the new one; only sizes in both are compared");
    }
    int inputsDiffer = 0;
    std::vector<std::string> onlyOld, onlyNew;
    for (const CountRow& row : oldRun.rows) {
        const CountRow* other = nullptr;
        for (const CountRow& candidate : newRun.rows) {
            if (candidate.part == row.part && candidate.sort == row.sort && candidate.shape == row.shape &&
                candidate.n == row.n)
                other = &candidate;
        }
        const std::string name = row.sort + "/" + row.shape + "/" + std::to_string(row.n);
        if (other == nullptr) {
            onlyOld.push_back(name);
            continue;
        }
        ++result.comparedRows;
        if (row.leftOut != other->leftOut) {
            result.changes.push_back({row.part, row.sort, row.shape, row.n, "left out",
                                      row.leftOut.empty() ? "counted" : row.leftOut,
                                      other->leftOut.empty() ? "counted" : other->leftOut});
            continue;
        }
        bool differ = false;
        for (std::size_t i = 0; i < row.counts.size() && i < other->counts.size(); ++i) {
            if (row.counts[i].second == other->counts[i].second) continue;
            if (i < sizeof countNames / sizeof countNames[0]) {
                result.changes.push_back({row.part, row.sort, row.shape, row.n, row.counts[i].first,
                                          row.counts[i].second, other->counts[i].second});
            } else {
                differ = true;
            }
        }
        inputsDiffer += differ;
    }
    for (const CountRow& row : newRun.rows) {
        bool found = false;
        for (const CountRow& candidate : oldRun.rows) {
            found = found || (candidate.part == row.part && candidate.sort == row.sort &&
                              candidate.shape == row.shape && candidate.n == row.n);
        }
        if (!found) onlyNew.push_back(row.sort + "/" + row.shape + "/" + std::to_string(row.n));
    }
    if (result.comparedRows == 0) {
        error = "the two counts files have no sort, shape and size in common";
        return false;
    }
    if (inputsDiffer > 0) {
        result.notes.push_back("the inputs themselves differ (inversions, runs or distinct values) in " +
                               std::to_string(inputsDiffer) + " row(s): their counts are not like for like");
    }
    auto listed = [](const std::vector<std::string>& names) {
        std::string text;
        for (std::size_t i = 0; i < names.size() && i < 5; ++i) text += (i ? ", " : "") + names[i];
        return text + (names.size() > 5 ? ", ..." : "");
    };
    if (!onlyOld.empty())
        result.notes.push_back(std::to_string(onlyOld.size()) +
                               " row(s) only in the old run: " + listed(onlyOld));
    if (!onlyNew.empty())
        result.notes.push_back(std::to_string(onlyNew.size()) +
                               " row(s) only in the new run: " + listed(onlyNew));
    for (const CountFamily& family : oldRun.families) {
        for (const CountFamily& other : newRun.families) {
            if (other.sort != family.sort || other.shape != family.shape) continue;
            for (std::size_t i = 0; i < family.fields.size() && i < other.fields.size(); ++i) {
                if (family.fields[i].second != other.fields[i].second) {
                    result.familyChanges.push_back({family.sort, family.shape, family.fields[i].first,
                                                    family.fields[i].second, other.fields[i].second});
                }
            }
        }
    }
    return true;
}
