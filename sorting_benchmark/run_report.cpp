#include "sorting_benchmark/run_report.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compare/growth.h"
#include "compare/html_report.h"
#include "compare/options.h"
#include "compare/platform.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/text.h"
#include "compare/user_sorts.h"
#include "compare/writer.h"
#include "sorting_benchmark/results.h"

namespace {

// A counter whose mean is 0 (no page faults) has no coefficient of
// variation: Google Benchmark's 0/0 would print as -nan% and NaN in JSON.
// The aggregates go without it.
std::vector<benchmark::BenchmarkReporter::Run> finiteCounters(
    const std::vector<benchmark::BenchmarkReporter::Run>& runs) {
    std::vector<benchmark::BenchmarkReporter::Run> kept = runs;
    for (benchmark::BenchmarkReporter::Run& run : kept) {
        for (auto c = run.counters.begin(); c != run.counters.end();) {
            c = std::isfinite(c->second.value) ? std::next(c) : run.counters.erase(c);
        }
    }
    return kept;
}

// Collects every run on its way to the reporter Google Benchmark would
// have used, which prints exactly what it would have printed.
class CollectingReporter : public benchmark::BenchmarkReporter {
public:
    CollectingReporter(benchmark::BenchmarkReporter* display, bool realTime,
                       std::function<void(const std::string&, double)> reported)
        : display_(display), realTime_(realTime), reported_(std::move(reported)) {}

    bool ReportContext(const Context& context) override {
        ran_ = true;
        facts_.cpus = context.cpu_info.num_cpus;
        facts_.mhz = context.cpu_info.cycles_per_second / 1e6;
        facts_.host = context.sys_info.name;
        facts_.loadAverage = context.cpu_info.load_avg;
        for (const benchmark::CPUInfo::CacheInfo& cache : context.cpu_info.caches) {
            if (cache.type == "Instruction") continue;
            std::string& caches = facts_.caches;
            if (!caches.empty()) caches += ", ";
            caches += "L" + std::to_string(cache.level) + (cache.type == "Data" ? "d " : " ") +
                      formatBytes(cache.size);
            if (cache.num_sharing > 1) caches += " (shared by " + std::to_string(cache.num_sharing) + ")";
        }
        return display_->ReportContext(context);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        display_->ReportRuns(finiteCounters(runs));
        if (reported_ && !runs.empty()) {
            double timed = 0;
            for (const Run& run : runs) {
                if (run.run_type == Run::RT_Iteration) timed += run.cpu_accumulated_time;
            }
            reported_(runs.front().run_name.function_name + "/" + runs.front().run_name.args, timed);
        }
        // Memory from the last repetition that counted it: 1.7.1 keeps the
        // memory results in a vector that each repetition's may move, so
        // the earlier ones' pointers may no longer be valid here.
        std::vector<const Measurement*> memoryTaken;
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            Measurement* m = collect(*run);
            if (m == nullptr || run->memory_result == nullptr ||
                std::find(memoryTaken.begin(), memoryTaken.end(), m) != memoryTaken.end()) {
                continue;
            }
            memoryTaken.push_back(m);
            m->allocations = run->allocs_per_iter;
            m->peakBytes = double(run->memory_result->max_bytes_used);
        }
    }

    void Finalize() override { display_->Finalize(); }

    bool ran() const { return ran_; }
    const RunFacts& facts() const { return facts_; }
    const std::deque<Measurement>& measurements() const { return measurements_; }

private:
    // The benchmark's measurement, given the run's time; null for runs of
    // other benchmarks, aggregates and errors.
    Measurement* collect(const Run& run) {
        // The name as registered, without the suffixes Google Benchmark
        // adds for its own settings ("/real_time", "/min_time:...").
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
        const std::size_t first = name.find('/'), last = name.rfind('/');
        if (first == std::string::npos || first == last) return nullptr;
        SortId sort;
        Shape shape;
        std::int64_t n = 0;
        std::string ignored;
        if (!parseSortName(name.substr(0, first), sort, ignored) ||
            !parseShape(name.substr(first + 1, last - first - 1), shape, ignored) ||
            !parseCount(name.substr(last + 1), 1, 2147483647, n, ignored)) {
            return nullptr;
        }
        Measurement& m = measurementFor(sort, shape, int(n));
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "median" && run.aggregate_unit == benchmark::kTime) {
                m.medianSeconds = perCall(run);
            }
            return nullptr;
        }
        if (run.error_occurred) {
            if (m.error.empty()) m.error = run.error_message;
            return nullptr;
        }
        m.seconds.push_back(perCall(run));
        const auto faults = run.counters.find("page_faults");
        if (faults != run.counters.end()) m.faults.push_back(faults->second.value);
        return &m;
    }

    double perCall(const Run& run) const {
        const double adjusted = realTime_ ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        return adjusted / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    Measurement& measurementFor(SortId sort, const Shape& shape, int n) {
        for (Measurement& m : measurements_) {
            if (m.sort == sort && m.shape == shape && m.n == n) return m;
        }
        measurements_.push_back(Measurement{sort, shape, n, {}, {}, 0, -1, -1, ""});
        return measurements_.back();
    }

    benchmark::BenchmarkReporter* display_;
    bool realTime_;
    std::function<void(const std::string&, double)> reported_;
    bool ran_ = false;
    RunFacts facts_ = {"", "", 0, 0, {}};
    std::deque<Measurement> measurements_;  // a deque: pointers into it stay valid
};

// A row per sort and shape that ran, the sorts in their fixed order and the
// shapes in the order they ran.
std::vector<Family> familiesOf(const std::deque<Measurement>& measurements, std::vector<Shape>& shapes) {
    for (const Measurement& m : measurements) {
        if (std::find(shapes.begin(), shapes.end(), m.shape) == shapes.end()) shapes.push_back(m.shape);
    }
    std::vector<Family> families;
    for (SortId s : allSorts()) {
        for (const Shape& shape : shapes) {
            Family family{SortId(s), shape, {}};
            for (const Measurement& m : measurements) {
                if (m.sort == family.sort && m.shape == shape && secondsPerCall(m) > 0)
                    family.sizes.push_back(&m);
            }
            std::sort(family.sizes.begin(), family.sizes.end(),
                      [](const Measurement* a, const Measurement* b) { return a->n < b->n; });
            if (!family.sizes.empty()) families.push_back(family);
        }
    }
    return families;
}

// The repetitions are the samples; a run that reported its aggregates only
// gives its median. A step in the times is named after the cache the
// bytes a call holds (the array and what the sort allocates) outgrow.
FamilyGrowth growthOf(const Family& family, const std::vector<DataCache>& caches) {
    GrowthData data;
    std::vector<double> bytes;
    for (const Measurement* m : family.sizes) {
        bytes.push_back(m->n * double(sizeof(int)) + std::max(0.0, m->peakBytes));
        std::vector<double> samples;
        for (double s : m->seconds) {
            if (s > 0) samples.push_back(s);
        }
        if (samples.empty()) samples.push_back(secondsPerCall(*m));
        data.sizes.push_back(m->n);
        data.samples.push_back(samples);
    }
    FamilyGrowth growth = analyzeFamily(family.sort, family.shape, figureTime, data, 0.05);
    nameStepCauses(growth.fit, data.sizes, bytes, caches);
    return growth;
}

// The reporter of --benchmark_out: Google Benchmark's own for the format,
// without counters that are not numbers, writing to the stream Google
// Benchmark opened, which it flushes and checks at the end (1.7.1 never
// checks it).
class CheckedFileReporter : public benchmark::BenchmarkReporter {
public:
    explicit CheckedFileReporter(const std::string& format) {
        if (format == "csv") {
            // Deprecated in 1.7.1, but still what --benchmark_out_format=csv gives.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
            inner_.reset(new benchmark::CSVReporter);
#pragma GCC diagnostic pop
        } else if (format == "console") {
            inner_.reset(new benchmark::ConsoleReporter(benchmark::ConsoleReporter::OO_None));
        } else {
            inner_.reset(new benchmark::JSONReporter);
        }
    }
    bool ReportContext(const Context& context) override {
        inner_->SetOutputStream(&GetOutputStream());
        inner_->SetErrorStream(&GetErrorStream());
        return inner_->ReportContext(context);
    }
    void ReportRuns(const std::vector<Run>& runs) override { inner_->ReportRuns(finiteCounters(runs)); }
    void Finalize() override {
        inner_->Finalize();
        GetOutputStream().flush();
        written_ = !GetOutputStream().fail();
    }
    bool written() const { return written_; }

private:
    std::unique_ptr<benchmark::BenchmarkReporter> inner_;
    bool written_ = false;
};

bool writeFile(const char* what, const std::string& path, const std::string& text) {
    std::string error;
    if (writeWholeFile(path, text, error)) return true;
    std::cerr << "sorting_benchmark: " << what << ": " << error << "\n";
    return false;
}

}  // namespace

bool runAndReport(const ReportOptions& options) {
    // Google Benchmark keeps this one for the whole process: not ours to free.
    benchmark::BenchmarkReporter* display = benchmark::CreateDefaultDisplayReporter();
    CollectingReporter reporter(display, options.realTime, options.reported);
    std::unique_ptr<CheckedFileReporter> file;
    if (!options.outPath.empty()) file.reset(new CheckedFileReporter(options.outFormat));
    benchmark::RunSpecifiedBenchmarks(&reporter, file.get());
    if (!reporter.ran()) return true;  // --benchmark_list_tests, or nothing matched
    bool written = true;
    if (file) {
        std::string error;
        if (!file->written()) {
            std::cerr << "sorting_benchmark: --benchmark_out: cannot write " << options.outPath << "\n";
            written = false;
        } else if (!replaceFile(options.outTemporary, options.outPath, error)) {
            std::cerr << "sorting_benchmark: --benchmark_out: " << error << "\n";
            written = false;
        }
    }

    // After Google Benchmark's table; where stdout is JSON or CSV, apart from it.
    const bool console = dynamic_cast<benchmark::ConsoleReporter*>(display) != nullptr;
    std::ostream& out = console ? display->GetOutputStream() : std::cerr;
    out << std::flush;
    if (!reportMeasurements(reporter.measurements(), reporter.facts(), options, dataCaches(), out))
        written = false;
    return written;
}

bool reportMeasurements(const std::deque<Measurement>& measurements, const RunFacts& facts,
                        const ReportOptions& options, const std::vector<DataCache>& caches,
                        std::ostream& out) {
    bool written = true;
    std::vector<Shape> shapes;
    const std::vector<Family> families = familiesOf(measurements, shapes);
    std::vector<FamilyGrowth> growth;
    for (const Family& family : families) growth.push_back(growthOf(family, caches));
    // Google Benchmark's list where it has one; else what the system says.
    const std::string listed = facts.caches.empty() ? dataCachesText(caches) : facts.caches;
    const std::string cacheNote = listed.empty() ? "" : "caches: " + listed;

    if (!growth.empty())
        out << growthTable(growth, cacheNote) << memoryText(memoryTable(families)) << std::flush;

    if (!options.summaryPath.empty() &&
        !writeFile("--sortbench_summary", options.summaryPath, growthJson(growth)))
        written = false;
    if (!options.htmlPath.empty()) {
        std::string error;
        if (!writeHtmlReport(options.htmlPath,
                             pageOf(measurements, facts, options, growth, families, shapes, cacheNote),
                             error)) {
            std::cerr << "sorting_benchmark: --sortbench_html: " << error << "\n";
            written = false;
        }
    }
    return written;
}
