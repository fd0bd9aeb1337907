#include <algorithm>
#include <ctime>

#include "compare/text.h"
#include "compare/user_sorts.h"
#include "sorting_counts/counts.h"

namespace {

ChartSeries seriesOf(SortId sort, const std::string& label, LineStyle style) {
    return ChartSeries{label, static_cast<int>(sort), style, {}, {}};
}

LineStyle styleOf(SortId sort) { return sortLineStyle(sort); }

std::vector<std::pair<std::string, std::string>> detailsOf(const Row& r) {
    return {{"sort", sortName(r.sort)},
            {"shape", shapeName(r.shape)},
            {"n", std::to_string(r.n)},
            {"comparisons", mean(r.mean.comparisons)},
            {"writes", mean(r.mean.writes)},
            {"allocations", mean(r.mean.allocations)},
            {"inversions", mean(r.mean.inversions)}};
}

// A row per shape and size; with perSort, a row per sort too, named: the
// sorts take different numbers of inputs.
Table measuresTable(const std::string& caption, const std::vector<Row>& rows, bool perSort) {
    Table table{caption, {"shape", "n", "inputs", "inversions", "runs", "distinct"}, {}, {}};
    if (perSort) table.header.insert(table.header.begin(), "sort");
    for (const Row& r : rows) {
        if (r.inputs == 0) continue;
        std::vector<std::string> row = {shapeName(r.shape),       std::to_string(r.n),
                                        std::to_string(r.inputs), mean(r.mean.inversions),
                                        mean(r.mean.runs),        mean(r.mean.distinct)};
        if (perSort) row.insert(row.begin(), sortName(r.sort));
        if (std::find(table.rows.begin(), table.rows.end(), row) == table.rows.end())
            table.rows.push_back(row);
    }
    return table;
}

}  // namespace

Report makeReport(const Settings& settings, const Results& results) {
    Report report;
    report.title = "sorting_counts: operation counts";
    report.context = {{"date", utcDate()},
                      {"seed", std::to_string(settings.seed)},
                      {"inputs per size", "5 to 100, input i from seed + i"},
                      {"command", settings.commandLine}};
    for (const auto& line : userSortContext(settings.sorts)) report.context.push_back(line);
    ReportSection counts{"Counts per element", {}, {}, {}};
    counts.paragraphs.push_back(
        "Means over the inputs of each size. Counting and radix sort compare nothing: their line is element "
        "operations (n per pass over the array plus the counting table's entries) per element. Dotted: the "
        "textbook's figure where there is one. Writes are counted for the library's sorts only.");
    for (const Shape& shape : settings.shapes) {
        Chart comparisons{
            "comparisons per element: " + shapeName(shape), "n", "operations / n", true, true, {}};
        Chart writes{"writes per element: " + shapeName(shape), "n", "writes / n", true, true, {}};
        for (SortId sort : settings.sorts) {
            ChartSeries measured = seriesOf(sort, sortLabel(sort), styleOf(sort));
            ChartSeries textbook = seriesOf(sort, std::string(sortName(sort)) + " (textbook)", lineDotted);
            ChartSeries written = seriesOf(sort, sortLabel(sort), styleOf(sort));
            for (const Row& r : results.rows) {
                if (r.sort != sort || r.shape != shape || r.inputs == 0) continue;
                const double n = r.n;
                measured.points.push_back({n, figureOf(r, r.mean) / n, detailsOf(r)});
                if (hasRatio(r)) {
                    // Counting and radix sort: the expected passes plus the
                    // table's entries, which the textbook fixes too.
                    const double table = r.mean.elementOperations - r.mean.passes * n;
                    const double expected =
                        countsPasses(sort) ? r.mean.expected + table / n : r.mean.expected / n;
                    textbook.points.push_back({n, expected, {{"formula", r.formula}}});
                }
                if (countsWrites(r)) written.points.push_back({n, r.mean.writes / n, detailsOf(r)});
            }
            if (!measured.points.empty()) comparisons.series.push_back(measured);
            if (!textbook.points.empty()) comparisons.series.push_back(textbook);
            if (!written.points.empty()) writes.series.push_back(written);
        }
        counts.charts.push_back(comparisons);
        counts.charts.push_back(writes);
    }
    counts.tables.push_back(measuresTable("The inputs' measures of disorder (means)", results.rows, false));
    report.sections.push_back(counts);

    ReportSection growth{"Growth", {}, {}, {}};
    growth.paragraphs.push_back(
        "Classes that fit the counts' means (comparisons; element operations for counting and radix sort), "
        "the leading term's constant beside the textbook's, the textbook's class and the verdict.");
    Table table{"Growth of the counts", growthRowHeader(), {}, {}};
    for (const FamilyGrowth& f : results.families) {
        table.rows.push_back(growthRowCells(f));
        const bool marked = f.verdict == verdictDiffers || f.verdict == verdictNoSingleClass;
        table.marks.push_back(marked ? verdictNames[f.verdict] : "");
    }
    growth.tables.push_back(table);
    report.sections.push_back(growth);

    if (!results.sweep.empty()) {
        ReportSection sweep{"Disorder sweep", {}, {}, {}};
        sweep.paragraphs.push_back(
            "nearly_sorted at 0, 0.1, 1, 10 and 100 percent, " + std::to_string(sweepSize) +
            " elements, against n + inversions on a logarithmic axis, so that the nearly sorted inputs "
            "stand apart: insertion sort's work follows n + inversions; this quick sort is quadratic on "
            "sorted input and fine on shuffled input.");
        Chart chart{"comparisons per element against n + inversions",
                    "n + inversions",
                    "comparisons / n",
                    true,
                    true,
                    {}};
        for (SortId sort : settings.sorts) {
            if (countsPasses(sort)) continue;
            ChartSeries series = seriesOf(sort, sortLabel(sort), styleOf(sort));
            for (const Row& r : results.sweep) {
                if (r.sort == sort && r.inputs > 0) {
                    series.points.push_back(
                        {r.n + r.mean.inversions, r.mean.comparisons / r.n, detailsOf(r)});
                }
            }
            if (!series.points.empty()) chart.series.push_back(series);
        }
        sweep.charts.push_back(chart);
        sweep.tables.push_back(measuresTable("The sweep's inputs (means), per sort", results.sweep, true));
        report.sections.push_back(sweep);
    }
    return report;
}
