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

#ifndef SORTBENCH_BENCHMARK_VERSION
#define SORTBENCH_BENCHMARK_VERSION "unknown"
#endif
#ifndef SORTBENCH_BUILD_TYPE
#define SORTBENCH_BUILD_TYPE "unknown"
#endif

namespace {

// Everything the runs said about one benchmark, <sort>/<shape>/<n>, over
// its repetitions.
struct Measurement {
    SortId sort;
    Shape shape;
    int n;
    std::vector<double> seconds;  // per call, one per repetition
    std::vector<double> faults;   // page faults per call, likewise
    double medianSeconds;         // the median aggregate, for runs that reported aggregates only
    double allocations;           // per call; below 0 where memory was not counted
    double peakBytes;
    std::string error;  // the first error of any repetition: a skip or a failure
};

bool isSkip(const std::string& error) { return error.compare(0, 8, "skipped:") == 0; }

// "850 ns", "12.3 µs", "4.56 ms", "1.23 s".
std::string formatSeconds(double seconds) {
    if (seconds < 1e-6) return formatted("%.3g ns", seconds * 1e9);
    if (seconds < 1e-3) return formatted("%.3g \xC2\xB5s", seconds * 1e6);
    if (seconds < 1) return formatted("%.3g ms", seconds * 1e3);
    return formatted("%.3g s", seconds);
}

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
    CollectingReporter(benchmark::BenchmarkReporter* display, bool realTime)
        : display_(display), realTime_(realTime) {}

    bool ReportContext(const Context& context) override {
        ran_ = true;
        cpus_ = context.cpu_info.num_cpus;
        mhz_ = context.cpu_info.cycles_per_second / 1e6;
        host_ = context.sys_info.name;
        loadAverage_ = context.cpu_info.load_avg;
        for (const benchmark::CPUInfo::CacheInfo& cache : context.cpu_info.caches) {
            if (cache.type == "Instruction") continue;
            if (!caches_.empty()) caches_ += ", ";
            caches_ += "L" + std::to_string(cache.level) + (cache.type == "Data" ? "d " : " ") +
                       formatBytes(cache.size);
            if (cache.num_sharing > 1) caches_ += " (shared by " + std::to_string(cache.num_sharing) + ")";
        }
        return display_->ReportContext(context);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        display_->ReportRuns(finiteCounters(runs));
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
    int cpus() const { return cpus_; }
    double mhz() const { return mhz_; }
    const std::string& host() const { return host_; }
    const std::string& caches() const { return caches_; }
    const std::vector<double>& loadAverage() const { return loadAverage_; }
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
    bool ran_ = false;
    int cpus_ = 0;
    double mhz_ = 0;
    std::string host_, caches_;
    std::vector<double> loadAverage_;
    std::deque<Measurement> measurements_;  // a deque: pointers into it stay valid
};

// A benchmark's time per call where every repetition was verified; 0 where
// it was skipped or failed.
double secondsPerCall(const Measurement& m) {
    if (!m.error.empty()) return 0;
    if (!m.seconds.empty()) return median(m.seconds);
    return m.medianSeconds;
}

struct Family {
    SortId sort;
    Shape shape;
    std::vector<const Measurement*> sizes;  // increasing n, verified runs only
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
// gives its median.
FamilyGrowth growthOf(const Family& family) {
    GrowthData data;
    for (const Measurement* m : family.sizes) {
        std::vector<double> samples;
        for (double s : m->seconds) {
            if (s > 0) samples.push_back(s);
        }
        if (samples.empty()) samples.push_back(secondsPerCall(*m));
        data.sizes.push_back(m->n);
        data.samples.push_back(samples);
    }
    return analyzeFamily(family.sort, family.shape, figureTime, data, 0.05);
}

std::string compilerName() {
#if defined(__clang__)
    std::string name = "Clang " __clang_version__;
#elif defined(__GNUC__)
    std::string name = "GCC " __VERSION__;
#else
    std::string name = "unknown compiler";
#endif
#ifdef __MINGW32__
    name += " (MinGW-w64)";
#endif
    return name;
}

// "counts.html" beside the page, when sorting_counts has written one there.
bool countsPageBeside(const std::string& htmlPath) {
    const std::size_t slash = htmlPath.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? "" : htmlPath.substr(0, slash + 1);
    return std::ifstream(dir + "counts.html").good();
}

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

ReportSection chartsSection(const std::deque<Measurement>& measurements, const std::vector<Shape>& shapes,
                            bool realTime) {
    const char* clock = realTime ? "real" : "CPU";
    ReportSection section;
    section.heading = "Time per element";
    section.paragraphs.push_back(std::string("Nanoseconds of ") + clock +
                                 " time per element against the number of elements, both axes logarithmic; "
                                 "with repetitions each point is their median. A flat line grows as N, a "
                                 "line that rises by a factor of ten per decade as N^2. Click a sort in the "
                                 "legend to hide or show it; point at a point for its figures.");
    for (const Shape& shape : shapes) {
        Chart chart;
        chart.title = shapeName(shape);
        chart.xLabel = "elements (n)";
        chart.yLabel = std::string(clock) + " ns per element";
        chart.logX = chart.logY = true;
        for (SortId s : allSorts()) {
            ChartSeries series{sortLabel(s), s, sortLineStyle(s), {}, {}};
            std::vector<const Measurement*> points;
            for (const Measurement& m : measurements) {
                if (m.sort == s && m.shape == shape && secondsPerCall(m) > 0) points.push_back(&m);
            }
            std::sort(points.begin(), points.end(),
                      [](const Measurement* a, const Measurement* b) { return a->n < b->n; });
            for (const Measurement* m : points) {
                const double seconds = secondsPerCall(*m);
                ChartPoint point{double(m->n), seconds * 1e9 / m->n, {}};
                point.details = {{"sort", sortName(SortId(s))},
                                 {"shape", shapeName(shape)},
                                 {"n", std::to_string(m->n)},
                                 {"time per call", formatSeconds(seconds)},
                                 {"ns per element", formatted("%.4g", seconds * 1e9 / m->n)}};
                if (m->allocations >= 0) {
                    point.details.push_back({"allocations per call", formatted("%.0f", m->allocations)});
                    point.details.push_back({"peak bytes per call", formatted("%.0f", m->peakBytes)});
                }
                if (!m->faults.empty()) {
                    point.details.push_back({"page faults per call", formatted("%.3g", median(m->faults))});
                }
                series.points.push_back(point);
            }
            // A size that gave no time is marked where the line stops, at
            // the height of the last point before it.
            for (const Measurement& m : measurements) {
                if (m.sort != s || m.shape != shape || m.error.empty()) continue;
                const ChartPoint* before = nullptr;
                for (const ChartPoint& point : series.points) {
                    if (point.x < m.n) before = &point;
                }
                if (before == nullptr) continue;
                series.marks.push_back(ChartPoint{double(m.n),
                                                  before->y,
                                                  {{"sort", sortName(SortId(s))},
                                                   {"shape", shapeName(shape)},
                                                   {"n", std::to_string(m.n)},
                                                   {isSkip(m.error) ? "not run" : "failed", m.error}}});
            }
            if (!series.points.empty()) chart.series.push_back(series);
        }
        if (!chart.series.empty()) section.charts.push_back(chart);
    }
    return section;
}

ReportSection growthSection(const std::vector<FamilyGrowth>& growth, const std::string& cacheNote) {
    ReportSection section;
    section.heading = "Growth";
    section.paragraphs.push_back(
        "Per sort and shape: the exponent of n that the times follow (the slope of log time against log n, "
        "every size weighted alike) with its 95% interval, the slope between neighbouring sizes, the growth "
        "classes that fit the times (best first; a class is left out only where the sizes that ran can tell "
        "it apart), the leading term's constant with lower-order terms (merge sort: the share of its linear, "
        "allocation, "
        "term), the textbook's class, and the verdict: confirmed (the textbook's class fits, its neighbours "
        "are ruled out), consistent (it fits, but these sizes cannot tell it from the class named), "
        "undecided (more sizes or repetitions could tell the fitting classes apart), differs (the "
        "textbook's class does not fit, another does), no single class (the best class misses by over three "
        "times the repetitions' noise) or n/a (the textbook says nothing here, or fewer than three sizes).");
    if (!cacheNote.empty())
        section.paragraphs.push_back(cacheNote +
                                     ": a local slope that jumps where the "
                                     "arrays outgrow one of them is the cache, "
                                     "not the algorithm.");
    Table table;
    table.caption = "Growth of the time per call";
    table.header = growthRowHeader();
    for (const FamilyGrowth& family : growth) {
        table.rows.push_back(growthRowCells(family));
        const bool marked = family.verdict == verdictDiffers || family.verdict == verdictNoSingleClass;
        table.marks.push_back(marked ? verdictNames[family.verdict] : "");
    }
    section.tables.push_back(table);
    return section;
}

// Per sort and shape, the memory at the largest size whose memory was
// counted: the page's table and the console's.
Table memoryTable(const std::vector<Family>& families) {
    Table table;
    table.caption = "Memory per call";
    table.header = {
        "sort", "shape", "n", "allocations per call", "peak bytes per call", "peak bytes per element"};
    for (const Family& family : families) {
        const Measurement* largest = nullptr;
        for (const Measurement* m : family.sizes) {
            if (m->allocations >= 0) largest = m;
        }
        if (largest == nullptr) continue;
        table.rows.push_back({sortName(family.sort), shapeName(family.shape), std::to_string(largest->n),
                              formatted("%.0f", largest->allocations), formatted("%.0f", largest->peakBytes),
                              formatted("%.2f", largest->peakBytes / largest->n)});
        table.marks.push_back("");
    }
    return table;
}

// The console's lines: "Memory per call  n  allocations  peak bytes  peak
// bytes per element", a row per sort and shape.
std::string memoryText(const Table& table) {
    if (table.rows.empty()) return "";
    std::vector<std::vector<std::string>> rows = {
        {"Memory per call", "n", "allocations", "peak bytes", "peak bytes per element"}};
    for (const std::vector<std::string>& row : table.rows) {
        rows.push_back({row[0] + "/" + row[1], row[2], row[3], row[4], row[5]});
    }
    return "\n" + layOut(rows, 1) + "(at the largest size that ran, counted apart from the timed calls)\n";
}

ReportSection memorySection(const std::vector<Family>& families) {
    ReportSection section;
    section.heading = "Memory";
    section.paragraphs.push_back(
        "Allocations per call and the most bytes a call held at once, counted apart from the timed runs with "
        "only the sort's own allocations armed, at the largest size that ran; every size's figures show on "
        "the charts.");
    const Table table = memoryTable(families);
    if (table.rows.empty()) {
        section.paragraphs.push_back("No memory was counted in this run.");
    } else {
        section.tables.push_back(table);
    }
    return section;
}

ReportSection skippedSection(const std::deque<Measurement>& measurements) {
    ReportSection section;
    section.heading = "Skipped and failed";
    Table table;
    table.caption = "Benchmarks that did not give a time";
    table.header = {"benchmark", "reason"};
    for (const Measurement& m : measurements) {
        if (m.error.empty()) continue;
        table.rows.push_back({familyName(m.sort, m.shape) + "/" + std::to_string(m.n), m.error});
        table.marks.push_back(isSkip(m.error) ? "" : "failed");
    }
    if (table.rows.empty()) {
        section.paragraphs.push_back("Every benchmark that was selected ran and was verified.");
    } else {
        section.paragraphs.push_back(
            "A skip says why the sort was not called at that size; any other reason is a result that "
            "differs from std::sort's, and makes the program's exit status 1.");
        section.tables.push_back(table);
    }
    return section;
}

Report pageOf(const CollectingReporter& reporter, const ReportOptions& options,
              const std::vector<FamilyGrowth>& growth, const std::vector<Family>& families,
              const std::vector<Shape>& shapes, const std::string& cacheNote) {
    Report report;
    report.title = "sorting_benchmark: the sorts compared";
    std::string cpu = cpuModelName();
    if (reporter.mhz() > 0) cpu += (cpu.empty() ? "" : ", ") + formatted("%.0f MHz", reporter.mhz());
    std::vector<std::string> load;
    for (double l : reporter.loadAverage()) load.push_back(formatted("%.2f", l));
    std::size_t repetitions = 0;
    for (const Measurement& m : reporter.measurements())
        repetitions = std::max(repetitions, m.seconds.size());
    report.context = {
        {"date", utcDate()},
        {"host", reporter.host()},
        {"CPU", cpu.empty() ? "unknown" : cpu},
        {"cores", std::to_string(reporter.cpus())},
        {"caches", reporter.caches().empty() ? "unknown" : reporter.caches()},
        {"load average at the start", load.empty() ? "unknown" : joined(load, ", ")},
        {"compiler", compilerName()},
        {"build type", SORTBENCH_BUILD_TYPE},
        {"time measured", options.realTime ? "real (wall-clock) time per call" : "CPU time per call"},
        {"repetitions", std::to_string(repetitions)},
        {"inputs' seed", std::to_string(options.seed)},
        {"time budget per call", formatted("%g s", options.budgetSeconds)},
        {"command line", options.commandLine},
        {"Google Benchmark", SORTBENCH_BENCHMARK_VERSION},
    };
    for (const auto& line : userSortContext(allSorts())) report.context.push_back(line);
    if (countsPageBeside(options.htmlPath))
        report.links.push_back({"operation counts (counts.html)", "counts.html"});
    report.sections.push_back(chartsSection(reporter.measurements(), shapes, options.realTime));
    report.sections.push_back(growthSection(growth, cacheNote));
    report.sections.push_back(memorySection(families));
    report.sections.push_back(skippedSection(reporter.measurements()));
    return report;
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
    CollectingReporter reporter(display, options.realTime);
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

    std::vector<Shape> shapes;
    const std::vector<Family> families = familiesOf(reporter.measurements(), shapes);
    std::vector<FamilyGrowth> growth;
    for (const Family& family : families) growth.push_back(growthOf(family));
    const std::string cacheNote = reporter.caches().empty() ? "" : "caches: " + reporter.caches();

    // After Google Benchmark's table; where stdout is JSON or CSV, apart from it.
    if (!growth.empty()) {
        const bool console = dynamic_cast<benchmark::ConsoleReporter*>(display) != nullptr;
        std::ostream& out = console ? display->GetOutputStream() : std::cerr;
        out << std::flush << growthTable(growth, cacheNote) << memoryText(memoryTable(families))
            << std::flush;
    }

    if (!options.summaryPath.empty() &&
        !writeFile("--sortbench_summary", options.summaryPath, growthJson(growth)))
        written = false;
    if (!options.htmlPath.empty()) {
        std::string error;
        if (!writeHtmlReport(options.htmlPath, pageOf(reporter, options, growth, families, shapes, cacheNote),
                             error)) {
            std::cerr << "sorting_benchmark: --sortbench_html: " << error << "\n";
            written = false;
        }
    }
    return written;
}
