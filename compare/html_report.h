// One self-contained HTML page per run: charts drawn by the Chart.js that
// is built into the program, and plain tables that read without scripts.
// Both comparison tools describe what to show; this writes it.
#ifndef COMPARE_HTML_REPORT_H
#define COMPARE_HTML_REPORT_H

#include <string>
#include <utility>
#include <vector>

#include "compare/text.h"

enum LineStyle { lineSolid, lineDashed, lineDotted, lineDashDot };

// A point that cannot be drawn (a value not finite, or not positive on a
// logarithmic axis) is left out of the page and of its data-points count.
struct ChartPoint {
    double x, y;
    // Shown on hover, one "label: value" line each.
    std::vector<std::pair<std::string, std::string>> details;
    // Drawn small and pale: a point that says little (not significant).
    bool faint = false;
};

struct ChartSeries {
    std::string label;
    int colour;  // index into the page's fixed palette: the same series gets the same colour on every chart
    LineStyle style;
    std::vector<ChartPoint> points;
    // Where the line stops short, such as a size that was skipped: drawn as
    // crosses with the reason on hover, and counted apart (data-marks).
    std::vector<ChartPoint> marks;
};

struct Chart {
    std::string title, xLabel, yLabel;
    bool logX, logY;
    std::vector<ChartSeries> series;
    // A fixed y range where both are above 0 (a ratio's axis centred on 1);
    // else the data's own.
    double yMin = 0, yMax = 0;
};

struct Table {
    std::string caption;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    // Per row, a mark such as "differs" or "no fit" that the page highlights; may be empty.
    std::vector<std::string> marks;
};

struct ReportSection {
    std::string heading;
    std::vector<std::string> paragraphs;
    std::vector<Chart> charts;
    std::vector<Table> tables;
};

struct Report {
    std::string title;
    std::vector<std::pair<std::string, std::string>>
        context;                                             // shown as a table: date, CPU, seed, command...
    std::vector<std::pair<std::string, std::string>> links;  // text, relative address
    std::vector<ReportSection> sections;
};

// False where the program was built without the charting library: the
// tools then refuse their HTML option.
bool htmlReportAvailable();
// Why a build has no HTML report, and what brings it back: for the tools'
// refusal of their HTML option.
extern const char htmlReportMissing[];

// Writes the page; false with the reason in error when the file cannot be
// written. Every text is escaped, and bytes that are not UTF-8 become U+FFFD.
bool writeHtmlReport(const std::string& path, const Report& report, std::string& error);

// The escaping the page uses, exposed for tests: text as HTML (JSON
// strings: scriptJsonString in text.h).
std::string htmlText(const std::string& text);

#endif
