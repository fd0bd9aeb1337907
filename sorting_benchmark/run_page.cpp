#include <algorithm>
#include <fstream>

#include "compare/platform.h"
#include "compare/text.h"
#include "compare/user_sorts.h"
#include "sorting_benchmark/results.h"

#ifndef SORTBENCH_BENCHMARK_VERSION
#define SORTBENCH_BENCHMARK_VERSION "unknown"
#endif
#ifndef SORTBENCH_BUILD_TYPE
#define SORTBENCH_BUILD_TYPE "unknown"
#endif

bool isSkip(const std::string& error) { return error.compare(0, 8, "skipped:") == 0; }

// A benchmark's time per call where every repetition was verified; 0 where
// it was skipped or failed.
double secondsPerCall(const Measurement& m) {
    if (!m.error.empty()) return 0;
    if (!m.seconds.empty()) return median(m.seconds);
    return m.medianSeconds;
}

namespace {

// "850 ns", "12.3 µs", "4.56 ms", "1.23 s".
std::string formatSeconds(double seconds) {
    if (seconds < 1e-6) return formatted("%.3g ns", seconds * 1e9);
    if (seconds < 1e-3) return formatted("%.3g \xC2\xB5s", seconds * 1e6);
    if (seconds < 1) return formatted("%.3g ms", seconds * 1e3);
    return formatted("%.3g s", seconds);
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
        "textbook's class does not fit, another does, and no step explains it), no single class (the best "
        "class misses by over three times the noise, the repetitions' or the drift between sizes) or n/a "
        "(the textbook says nothing here, or fewer than three sizes). Departures name a step in the time "
        "per element with its sizes, factor and the cache the data outgrows, an outlier size, or a bend; "
        "steps and outliers are taken out before the classes are fitted.");
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

}  // namespace

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
        if (largest == nullptr) {
            // Rather than no row, or a row of zeros, for a loaded sort.
            if (!allocationsSeen(family.sort) && !family.sizes.empty()) {
                table.rows.push_back({sortName(family.sort), shapeName(family.shape),
                                      std::to_string(family.sizes.back()->n), "not measured", "not measured",
                                      "not measured"});
                table.marks.push_back(allocationsUnseen);
            }
            continue;
        }
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
    std::string unseen;
    for (const std::string& mark : table.marks) {
        if (mark == allocationsUnseen) unseen = std::string("(") + allocationsUnseen + ")\n";
    }
    return "\n" + layOut(rows, 1) + "(at the largest size that ran, counted apart from the timed calls)\n" +
           unseen;
}

namespace {

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

}  // namespace

Report pageOf(const std::deque<Measurement>& measurements, const RunFacts& facts,
              const ReportOptions& options, const std::vector<FamilyGrowth>& growth,
              const std::vector<Family>& families, const std::vector<Shape>& shapes,
              const std::string& cacheNote) {
    Report report;
    report.title = "sorting_benchmark: the sorts compared";
    std::string cpu = cpuModelName();
    if (facts.mhz > 0) cpu += (cpu.empty() ? "" : ", ") + formatted("%.0f MHz", facts.mhz);
    std::vector<std::string> load;
    for (double l : facts.loadAverage) load.push_back(formatted("%.2f", l));
    std::size_t repetitions = 0;
    for (const Measurement& m : measurements) repetitions = std::max(repetitions, m.seconds.size());
    report.context = {
        {"date", utcDate()},
        {"host", facts.host},
        {"CPU", cpu.empty() ? "unknown" : cpu},
        {"cores", std::to_string(facts.cpus)},
        {"caches", facts.caches.empty() ? "unknown" : facts.caches},
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
    report.sections.push_back(chartsSection(measurements, shapes, options.realTime));
    report.sections.push_back(growthSection(growth, cacheNote));
    report.sections.push_back(memorySection(families));
    report.sections.push_back(skippedSection(measurements));
    return report;
}
