// Writes a sample HTML report for the browser test: 3 charts, 35 points
// that can be drawn (and one that cannot), a line marked where it stops, tables with marked rows, and
// texts that must stay text.
#include <cmath>
#include <cstdio>
#include <string>

#include "compare/html_report.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PAGE.html\n", argv[0]);
        return 2;
    }
    const char* sorts[] = {"insertion", "merge", "quick", "std_sort"};
    Report report;
    report.title = "Sample report </script> & <b>not bold</b>";

    ReportSection timings;
    timings.heading = "Time per element";
    timings.paragraphs.push_back("Both axes are logarithmic; hover a point for its figures.");
    Chart loglog{"random", "n", "ns per element", true, true, {}};
    for (int s = 0; s < 4; ++s) {
        ChartSeries series{sorts[s], s, s == 3 ? lineDashed : lineSolid, {}, {}};
        for (int k = 0; k < 5; ++k) {
            const double n = 1000 * std::pow(2.0, k);
            const double ns = s == 0 ? 0.5 * n / 1000 : 2 + s + std::log2(n) / 4;
            series.points.push_back({n,
                                     ns,
                                     {{"sort", sorts[s]},
                                      {"n", std::to_string(static_cast<int>(n))},
                                      {"ns per element", std::to_string(ns)}}});
        }
        if (s == 1) series.points.push_back({64000, 0, {}});  // nothing to draw on a log axis
        if (s == 0)
            series.marks.push_back({32000, series.points.back().y, {{"not run", "skipped: over budget"}}});
        loglog.series.push_back(series);
    }
    Chart linear{"ascending </script><script>", "n", "comparisons per element", false, false, {}};
    for (int s = 0; s < 2; ++s) {
        ChartSeries series{
            std::string(sorts[s]) + (s ? " (textbook)" : ""), s, s ? lineDotted : lineSolid, {}, {}};
        for (int k = 1; k <= 6; ++k) series.points.push_back({1000.0 * k, s + 10.0 * k, {}});
        linear.series.push_back(series);
    }
    timings.charts = {loglog, linear};
    Table growth{"Growth", {"sort", "exponent", "verdict"}, {}, {}};
    growth.rows = {{"insertion", "2.01 ± 0.02", "agrees"},
                   {"merge", "1.05 ± 0.01", "agrees"},
                   {"quick", "1.61 ± 0.40", "differs"},
                   {"std_sort", "-", "no fit"}};
    growth.marks = {"", "", "differs", "no fit"};
    timings.tables.push_back(growth);

    ReportSection disorder;
    disorder.heading = "Disorder";
    disorder.charts.push_back({"nearly sorted",
                               "swaps (%)",
                               "writes per element",
                               false,
                               true,
                               {{"quick", 2, lineSolid, {{1, 5, {}}, {10, 7, {}}, {50, 9, {}}}, {}}}});
    report.sections = {timings, disorder};
    report.context = {{"date", "2026-01-01"}, {"command", "sample --x='<a>' \xC5\xC5"}};
    report.links = {{"summary", "summary.txt"}};

    std::string error;
    if (!writeHtmlReport(argv[1], report, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
