#include "sorting_compare/output.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "compare/growth.h"
#include "compare/text.h"

using Json = nlohmann::ordered_json;

namespace {

std::string timeText(double seconds, const Settings& settings) {
    if (!settings.relativeTo.empty()) return formatted("%.3fx", seconds);
    if (seconds < 1e-6) return formatted("%.3g ns", seconds * 1e9);
    if (seconds < 1e-3) return formatted("%.3g us", seconds * 1e6);
    if (seconds < 1) return formatted("%.3g ms", seconds * 1e3);
    return formatted("%.3g s", seconds);
}

std::string pText(double p) { return p < 0.001 ? formatted("%.1e", p) : formatted("%.4f", p); }

std::string name(const BenchmarkComparison& row) {
    return row.sort + "/" + row.shape + "/" + std::to_string(row.n);
}

// The least p an exact two-sided test reaches with m against n: 2 / C(m + n, m).
double leastP(std::size_t m, std::size_t n) {
    double arrangements = 1;
    for (std::size_t i = 1; i <= m; ++i) arrangements = arrangements * double(n + i) / double(i);
    return std::min(1.0, 2 / arrangements);
}

std::vector<std::string> notes(const Settings& settings, const BenchmarkComparisonResult& result) {
    std::vector<std::string> lines;
    lines.push_back(
        formatted("Verdicts: the two-sided Mann-Whitney U test per benchmark, false discoveries "
                  "controlled by Benjamini-Hochberg at alpha %g over the %d benchmark(s) with "
                  "enough repetitions; a change within %g%% counts as same.",
                  settings.alpha, result.tested, settings.thresholdPercent));
    std::size_t fewest = 0;
    bool anyFew = false;
    for (const BenchmarkComparison& row : result.rows) {
        if (row.verdict != verdictTooFew) continue;
        const std::size_t least = std::min(row.oldRepetitions, row.newRepetitions);
        fewest = anyFew ? std::min(fewest, least) : least;
        anyFew = true;
    }
    if (anyFew) {
        lines.push_back(formatted(
            "too few repetitions: %d benchmark(s) have as few as %d per side; 3 against 3 cannot go below "
            "p = 0.1, 5 against 5 reaches p = %.4f: run both with --benchmark_repetitions=5 or more.",
            result.overall.tooFew, int(fewest), leastP(5, 5)));
    }
    if (result.tested > 0) {
        // A single change among many must reach alpha / m: say when it cannot.
        std::size_t most = 0;
        for (const BenchmarkComparison& row : result.rows) {
            if (row.verdict != verdictTooFew)
                most = std::max(most, std::min(row.oldRepetitions, row.newRepetitions));
        }
        const double least = leastP(most, most);
        if (least > settings.alpha / result.tested) {
            lines.push_back(
                formatted("With %d repetitions per side the least p is %.2g, above %.2g, what a single "
                          "change among %d benchmarks needs: only changes shared by several "
                          "benchmarks can be found; more repetitions or a narrower "
                          "--benchmark_filter find single ones.",
                          int(most), least, settings.alpha / result.tested, result.tested));
        }
    }
    if (result.machinesDiffer) {
        lines.push_back(
            std::string("The runs come from different machines: the ratios include the machine.") +
            (settings.relativeTo.empty()
                 ? " --relative-to=std_sort compares each sort's time relative to std::sort on its "
                   "own machine, which compares shapes independently of raw speed."
                 : ""));
    }
    if (!settings.relativeTo.empty()) {
        lines.push_back("Times are relative to " + settings.relativeTo +
                        " at the same shape and size on each run's own machine.");
    }
    return lines;
}

std::vector<std::string> rowCells(const BenchmarkComparison& row, const Settings& settings) {
    return {name(row),
            row.verdict,
            timeText(row.oldMedian, settings),
            timeText(row.newMedian, settings),
            ratioText(row.ratio),
            pText(row.p),
            row.verdict == verdictTooFew ? "-" : pText(row.q),
            std::to_string(row.oldRepetitions) + "/" + std::to_string(row.newRepetitions)};
}

const std::vector<std::string> rowHeader = {"benchmark",           "verdict", "old median", "new median",
                                            "ratio new/old [95%]", "p",       "q (B-H)",    "repetitions"};

std::vector<std::string> summaryCells(const VerdictCounts& c) {
    return {c.sort.empty() ? "all" : c.sort, formatted("%.3fx", c.geometricMean),
            std::to_string(c.faster),        std::to_string(c.slower),
            std::to_string(c.same),          std::to_string(c.tooFew)};
}
const std::vector<std::string> summaryHeader = {"sort",   "geometric mean", "faster",
                                                "slower", "same",           "too few repetitions"};

std::string indented(const std::string& table) {
    std::string out = "  ";
    for (std::size_t i = 0; i < table.size(); ++i) {
        out += table[i];
        if (table[i] == '\n' && i + 1 < table.size()) out += "  ";
    }
    return out;
}

Json number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

// A count as the file had it (a number, or null), else the text (why a row was left out).
Json countValue(const std::string& text) {
    const Json value = Json::parse(text, nullptr, false);
    return value.is_discarded() ? Json(text) : value;
}

std::string dumped(const Json& json) {
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string ratioText(const RatioEstimate& ratio) {
    if (!std::isfinite(ratio.high)) return formatted("%.3fx [unbounded]", ratio.ratio);
    return formatted("%.3fx [%.3f, %.3f]", ratio.ratio, ratio.low, ratio.high);
}

std::string benchmarkText(const Settings& settings, const BenchmarkComparisonResult& result) {
    std::string text = "sorting_compare: " + settings.oldPath + " (old) against " + settings.newPath +
                       " (new): " + std::to_string(result.rows.size()) + " benchmark(s) in both\n";
    std::vector<std::vector<std::string>> changed = {rowHeader}, others = {rowHeader};
    for (const BenchmarkComparison& row : result.rows)
        (row.changed() ? changed : others).push_back(rowCells(row, settings));
    text += "\nChanged:\n" + (changed.size() > 1 ? indented(layOut(changed, 2)) : "  none\n");
    if (others.size() > 1) text += "\nUnchanged:\n" + indented(layOut(others, 2));
    if (!result.onlyIn.empty()) {
        text += "\nIn one run only:\n";
        for (const OnlyIn& only : result.onlyIn)
            text += "  " + only.name + ": " + (only.inOld ? "old only, " : "new only, ") + only.reason + "\n";
    }
    std::vector<std::vector<std::string>> summary = {summaryHeader};
    for (const VerdictCounts& c : result.sorts) summary.push_back(summaryCells(c));
    summary.push_back(summaryCells(result.overall));
    text += "\nSummary (ratio new/old):\n" + indented(layOut(summary, 1));
    text += "\nGrowth that changed:";
    if (result.growth.empty())
        text += " none\n";
    else
        text += "\n";
    for (const GrowthChange& g : result.growth) {
        text += "  " + g.sort + "/" + g.shape + ": exponent " + g.oldExponent + " -> " + g.newExponent +
                "; classes " + g.oldClasses + " -> " + g.newClasses + "; verdict " + g.oldVerdict + " -> " +
                g.newVerdict + "\n";
    }
    text += "\n";
    for (const std::string& line : notes(settings, result)) text += line + "\n";
    std::vector<std::vector<std::string>> context = {{"context", "old", "new", ""}};
    for (const ContextRow& row : result.context)
        context.push_back({row.label, row.oldValue, row.newValue, row.differs ? "differs" : ""});
    text += "\nContext:\n" + indented(layOut(context, 4));
    return text;
}

std::string benchmarkJson(const Settings& settings, const BenchmarkComparisonResult& result) {
    Json doc;
    doc["kind"] = "benchmarks";
    doc["old"] = settings.oldPath;
    doc["new"] = settings.newPath;
    doc["alpha"] = settings.alpha;
    doc["threshold_percent"] = settings.thresholdPercent;
    doc["relative_to"] = settings.relativeTo.empty() ? Json(nullptr) : Json(settings.relativeTo);
    doc["tested"] = result.tested;
    doc["machines_differ"] = result.machinesDiffer;
    Json rows = Json::array();
    for (const BenchmarkComparison& row : result.rows) {
        rows.push_back({{"sort", row.sort},
                        {"shape", row.shape},
                        {"n", row.n},
                        {"old_median", number(row.oldMedian)},
                        {"new_median", number(row.newMedian)},
                        {"old_repetitions", row.oldRepetitions},
                        {"new_repetitions", row.newRepetitions},
                        {"ratio", number(row.ratio.ratio)},
                        {"ratio_low", number(row.ratio.low)},
                        {"ratio_high", number(row.ratio.high)},
                        {"p", number(row.p)},
                        {"q", row.verdict == verdictTooFew ? Json(nullptr) : number(row.q)},
                        {"verdict", row.verdict}});
    }
    doc["rows"] = rows;
    Json only = Json::array();
    for (const OnlyIn& o : result.onlyIn)
        only.push_back({{"benchmark", o.name}, {"run", o.inOld ? "old" : "new"}, {"reason", o.reason}});
    doc["only_in_one"] = only;
    auto summary = [](const VerdictCounts& c) {
        return Json{{"sort", c.sort.empty() ? Json(nullptr) : Json(c.sort)},
                    {"geometric_mean", number(c.geometricMean)},
                    {"faster", c.faster},
                    {"slower", c.slower},
                    {"same", c.same},
                    {"too_few_repetitions", c.tooFew}};
    };
    Json sorts = Json::array();
    for (const VerdictCounts& c : result.sorts) sorts.push_back(summary(c));
    doc["summary"] = {{"sorts", sorts}, {"overall", summary(result.overall)}};
    Json growth = Json::array();
    for (const GrowthChange& g : result.growth) {
        growth.push_back({{"sort", g.sort},
                          {"shape", g.shape},
                          {"old_exponent", g.oldExponent},
                          {"new_exponent", g.newExponent},
                          {"old_classes", g.oldClasses},
                          {"new_classes", g.newClasses},
                          {"old_verdict", g.oldVerdict},
                          {"new_verdict", g.newVerdict}});
    }
    doc["growth_changes"] = growth;
    Json context = Json::array();
    for (const ContextRow& c : result.context)
        context.push_back(
            {{"label", c.label}, {"old", c.oldValue}, {"new", c.newValue}, {"differs", c.differs}});
    doc["context"] = context;
    doc["notes"] = notes(settings, result);
    return dumped(doc);
}

namespace {

// Both pages open alike: their title, then the two runs compared.
Report pageOf(const Settings& settings, const char* title) {
    Report report;
    report.title = title;
    report.context = {{"date", utcDate()},
                      {"old run", settings.oldPath},
                      {"new run", settings.newPath},
                      {"command line", settings.commandLine}};
    return report;
}

}  // namespace

Report benchmarkPage(const Settings& settings, const BenchmarkComparisonResult& result) {
    Report report = pageOf(settings, "sorting_compare: before and after");
    ReportSection ratios;
    ratios.heading = "Ratios new/old";
    ratios.paragraphs = notes(settings, result);
    ratios.paragraphs.push_back(
        "Each chart: one sort, the ratio of the new run's time to the old one's against "
        "the size, a line per shape. Benchmarks found faster or slower are drawn "
        "large; the rest small and faint. Hover for medians, interval and p.");
    // One axis for every chart, symmetric about 1x on a log scale.
    double reach = 1.1;
    for (const BenchmarkComparison& row : result.rows) {
        if (std::isfinite(row.ratio.ratio) && row.ratio.ratio > 0)
            reach = std::max(reach, std::max(row.ratio.ratio, 1 / row.ratio.ratio) * 1.15);
    }
    std::vector<std::string> sorts, shapes;
    for (const BenchmarkComparison& row : result.rows) {
        if (std::find(sorts.begin(), sorts.end(), row.sort) == sorts.end()) sorts.push_back(row.sort);
        if (std::find(shapes.begin(), shapes.end(), row.shape) == shapes.end()) shapes.push_back(row.shape);
    }
    for (const std::string& sort : sorts) {
        Chart chart;
        chart.title = sort;
        chart.xLabel = "n";
        chart.yLabel = "time new / old";
        chart.logX = chart.logY = true;
        chart.yMin = 1 / reach;
        chart.yMax = reach;
        for (std::size_t s = 0; s < shapes.size(); ++s) {
            ChartSeries series;
            series.label = shapes[s];
            series.colour = int(s);
            series.style = lineSolid;
            for (const BenchmarkComparison& row : result.rows) {
                if (row.sort != sort || row.shape != shapes[s]) continue;
                ChartPoint point{double(row.n), row.ratio.ratio, {}};
                point.details = {{"benchmark", name(row)},
                                 {"old median", timeText(row.oldMedian, settings)},
                                 {"new median", timeText(row.newMedian, settings)},
                                 {"ratio [95%]", ratioText(row.ratio)},
                                 {"p", pText(row.p)},
                                 {"q (B-H)", row.verdict == verdictTooFew ? "-" : pText(row.q)},
                                 {"verdict", row.verdict}};
                point.faint = !row.changed();
                series.points.push_back(point);
            }
            if (!series.points.empty()) chart.series.push_back(series);
        }
        ratios.charts.push_back(chart);
    }
    report.sections.push_back(ratios);

    ReportSection rows;
    rows.heading = "Benchmarks";
    Table table;
    table.header = rowHeader;
    for (int pass = 0; pass < 2; ++pass) {
        for (const BenchmarkComparison& row : result.rows) {
            if (row.changed() != (pass == 0)) continue;
            table.rows.push_back(rowCells(row, settings));
            table.marks.push_back(row.changed() ? row.verdict : "");
        }
    }
    rows.tables.push_back(table);
    if (!result.onlyIn.empty()) {
        Table only;
        only.caption = "In one run only";
        only.header = {"benchmark", "run", "why"};
        for (const OnlyIn& o : result.onlyIn)
            only.rows.push_back({o.name, o.inOld ? "old" : "new", o.reason});
        rows.tables.push_back(only);
    }
    report.sections.push_back(rows);

    ReportSection summary;
    summary.heading = "Summary";
    Table counts;
    counts.caption = "Per sort and overall: the geometric mean of the ratios and the verdicts";
    counts.header = summaryHeader;
    for (const VerdictCounts& c : result.sorts) counts.rows.push_back(summaryCells(c));
    counts.rows.push_back(summaryCells(result.overall));
    summary.tables.push_back(counts);
    if (result.growth.empty()) {
        summary.paragraphs.push_back("No sort's growth changed between the runs.");
    } else {
        Table growth;
        growth.caption = "Growth that changed";
        growth.header = {"sort/shape",  "old exponent", "new exponent", "old classes",
                         "new classes", "old verdict",  "new verdict"};
        for (const GrowthChange& g : result.growth)
            growth.rows.push_back({g.sort + "/" + g.shape, g.oldExponent, g.newExponent, g.oldClasses,
                                   g.newClasses, g.oldVerdict, g.newVerdict});
        summary.tables.push_back(growth);
    }
    report.sections.push_back(summary);

    ReportSection context;
    context.heading = "The runs side by side";
    if (result.machinesDiffer)
        context.paragraphs.push_back("The machines differ: the ratios include the machine.");
    Table side;
    side.header = {"", "old", "new"};
    for (const ContextRow& row : result.context) {
        side.rows.push_back({row.label, row.oldValue, row.newValue});
        side.marks.push_back(row.differs ? "differs" : "");
    }
    context.tables.push_back(side);
    report.sections.push_back(context);
    return report;
}

std::string countsText(const Settings& settings, const CountsComparisonResult& result) {
    std::string text = "sorting_compare: " + settings.oldPath + " (old) against " + settings.newPath +
                       " (new): operation counts, " + std::to_string(result.comparedRows) +
                       " row(s) in both\n";
    text += "\nCounts that changed:";
    if (result.changes.empty()) {
        text += " none\n";
    } else {
        std::vector<std::vector<std::string>> rows = {{"part", "sort/shape/n", "count", "old", "new"}};
        for (const CountChange& c : result.changes)
            rows.push_back({c.part, c.sort + "/" + c.shape + "/" + std::to_string(c.n), c.count, c.oldValue,
                            c.newValue});
        text += "\n" + indented(layOut(rows, 3));
    }
    text += "\nFits and verdicts that changed:";
    if (result.familyChanges.empty()) {
        text += " none\n";
    } else {
        std::vector<std::vector<std::string>> rows = {{"sort/shape", "what", "old", "new"}};
        for (const FamilyChange& f : result.familyChanges)
            rows.push_back({f.sort + "/" + f.shape, f.field, f.oldValue, f.newValue});
        text += "\n" + indented(layOut(rows, 4));
    }
    for (const std::string& note : result.notes) text += "Note: " + note + "\n";
    return text;
}

std::string countsJson(const Settings& settings, const CountsComparisonResult& result) {
    Json doc;
    doc["kind"] = "counts";
    doc["old"] = settings.oldPath;
    doc["new"] = settings.newPath;
    doc["compared_rows"] = result.comparedRows;
    Json rows = Json::array();
    for (const CountChange& c : result.changes) {
        rows.push_back({{"part", c.part},
                        {"sort", c.sort},
                        {"shape", c.shape},
                        {"n", c.n},
                        {"count", c.count},
                        {"old", countValue(c.oldValue)},
                        {"new", countValue(c.newValue)}});
    }
    doc["rows"] = rows;
    Json families = Json::array();
    for (const FamilyChange& f : result.familyChanges) {
        families.push_back({{"sort", f.sort},
                            {"shape", f.shape},
                            {"field", f.field},
                            {"old", f.oldValue},
                            {"new", f.newValue}});
    }
    doc["family_changes"] = families;
    doc["notes"] = result.notes;
    return dumped(doc);
}

Report countsPage(const Settings& settings, const CountsComparisonResult& result) {
    Report report = pageOf(settings, "sorting_compare: operation counts before and after");
    ReportSection section;
    section.heading = "Counts that changed";
    section.paragraphs = result.notes;
    section.paragraphs.push_back(std::to_string(result.comparedRows) +
                                 " row(s) compared; counts are exact, so any change is real.");
    Table changes;
    changes.header = {"part", "sort/shape/n", "count", "old", "new"};
    for (const CountChange& c : result.changes)
        changes.rows.push_back(
            {c.part, c.sort + "/" + c.shape + "/" + std::to_string(c.n), c.count, c.oldValue, c.newValue});
    if (changes.rows.empty())
        section.paragraphs.push_back("No count changed.");
    else
        section.tables.push_back(changes);
    Table families;
    families.caption = "Fits and verdicts that changed";
    families.header = {"sort/shape", "what", "old", "new"};
    for (const FamilyChange& f : result.familyChanges)
        families.rows.push_back({f.sort + "/" + f.shape, f.field, f.oldValue, f.newValue});
    if (!families.rows.empty()) section.tables.push_back(families);
    report.sections.push_back(section);
    return report;
}
