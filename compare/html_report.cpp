#include "compare/html_report.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "compare/writer.h"

#ifdef SORTBENCH_HTML_REPORT
// Generated at build time from Debian's libjs-chart.js (cmake/embed_file.cmake).
extern const unsigned char chartJs[];
extern const unsigned long chartJs_size;
extern const unsigned char chartJsLicense[];
extern const unsigned long chartJsLicense_size;
#else
// Never written: the writer refuses first.
const unsigned char chartJs[] = {0}, chartJsLicense[] = {0};
const unsigned long chartJs_size = 0, chartJsLicense_size = 0;
#endif

namespace {

// A number for the page's data: JSON has no NaN or infinity.
std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

const char* styleName(LineStyle style) {
    switch (style) {
        case lineDashed: return "dashed";
        case lineDotted: return "dotted";
        case lineDashDot: return "dashdot";
        default: return "solid";
    }
}

// A row mark as a CSS class: "no fit" becomes "mark-no-fit".
std::string markClass(const std::string& mark) {
    std::string out = "mark-";
    for (const char c : mark) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += c;
        else if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c - 'A' + 'a');
        else if (out.back() != '-')
            out += '-';
    }
    return out;
}

// Right-aligns cells that read as numbers, so that digits line up.
bool looksNumeric(const std::string& cell) {
    if (cell.empty()) return false;
    std::size_t i = 0;
    if (cell[0] == '-' || cell[0] == '+') i = 1;
    return i < cell.size() && cell[i] >= '0' && cell[i] <= '9';
}

// Links are the program's own relative addresses; anything with a scheme
// other than http(s) is made relative so that it cannot run script.
std::string safeAddress(const std::string& address) {
    const std::size_t colon = address.find(':');
    if (colon == std::string::npos || address.find_first_of("/?#") < colon) return address;
    const std::string scheme = address.substr(0, colon);
    if (scheme == "http" || scheme == "https") return address;
    return "./" + address;
}

// An HTML comment must not contain "--".
std::string commentText(std::string text) {
    for (std::size_t at; (at = text.find("--")) != std::string::npos;) text.replace(at, 2, "- -");
    return text;
}

const char styleSheet[] = R"(
:root { --ink: #1d2330; --muted: #5b6474; --line: #dde1e8; --paper: #f5f6f8; --card: #fff; --accent: #2456a6; }
* { box-sizing: border-box; }
body { margin: 0; background: var(--paper); color: var(--ink);
  font: 15px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", "Liberation Sans", Arial, sans-serif; }
header { background: #1f2a3c; color: #fff; padding: 18px 28px; }
header h1 { margin: 0; font-size: 22px; font-weight: 600; }
header nav { margin-top: 6px; font-size: 14px; }
header nav a { color: #b9cdf0; margin-right: 16px; text-decoration: none; }
header nav a:hover { text-decoration: underline; }
main { max-width: 1500px; margin: 0 auto; padding: 8px 28px 28px; }
section { margin-top: 22px; }
h2 { font-size: 18px; font-weight: 600; margin: 0 0 8px; padding-bottom: 4px; border-bottom: 2px solid var(--line); }
p { margin: 6px 0; max-width: 75em; }
a { color: var(--accent); }
.charts { display: grid; grid-template-columns: repeat(auto-fill, minmax(520px, 1fr)); gap: 16px; margin: 12px 0; }
figure { margin: 0; background: var(--card); border: 1px solid var(--line); border-radius: 8px; padding: 12px 14px 8px; }
figure .plot { position: relative; }
.scripted figure .plot { height: 360px; }
html:not(.scripted) figure canvas { display: none; }
figcaption { font-weight: 600; margin-bottom: 4px; }
.noscript { color: var(--muted); font-style: italic; }
.table-wrap { overflow-x: auto; margin: 12px 0; }
table { border-collapse: collapse; background: var(--card); border: 1px solid var(--line); font-size: 14px; }
caption { text-align: left; font-weight: 600; padding: 4px 0 6px; }
th, td { padding: 4px 10px; border-bottom: 1px solid var(--line); text-align: left; vertical-align: top; }
thead th { background: #eef1f5; position: sticky; top: 0; }
tbody tr:nth-child(even) { background: #fafbfc; }
td.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
tr[data-mark] { background: #fff6d6 !important; }
tr.mark-differs { background: #fde3e1 !important; }
tr.mark-no-fit { background: #fff1cc !important; }
tr[data-mark] td:first-child { box-shadow: inset 4px 0 0 #e0a100; }
tr.mark-differs td:first-child { box-shadow: inset 4px 0 0 #d33f36; }
table.context th { background: #eef1f5; white-space: nowrap; }
table.context td { font-family: ui-monospace, "DejaVu Sans Mono", Consolas, monospace; font-size: 13px; word-break: break-all; }
footer { color: var(--muted); font-size: 12px; padding: 16px 28px 24px; max-width: 1500px; margin: 0 auto; }
@media (max-width: 600px) { .charts { grid-template-columns: 1fr; } main, header { padding-left: 12px; padding-right: 12px; } }
)";

// First in the page, so that any later error is counted, failed loads too
// (they reach window only in the capture phase).
const char errorCounter[] = R"(
window.sortbenchErrors = 0;
document.documentElement.className = 'scripted';  // charts get their room only where they can be drawn
function sortbenchCountError() {
  window.sortbenchErrors++;
  if (document.body) document.body.setAttribute('data-errors', String(window.sortbenchErrors));
}
window.addEventListener('error', sortbenchCountError, true);
window.addEventListener('unhandledrejection', sortbenchCountError);
)";

// Draws every chart of the data, then records what it drew for tests.
const char drawScript[] = R"(
(function () {
  'use strict';
  var palette = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd',
                 '#8c564b', '#e377c2', '#17becf', '#7f7f7f', '#bcbd22',
                 '#393b79', '#637939'];
  var dashes = { solid: [], dashed: [7, 4], dotted: [2, 3], dashdot: [9, 3, 2, 3] };
  var data = sortbenchData;
  Chart.defaults.animation = false;
  Chart.defaults.font.family = getComputedStyle(document.body).fontFamily;
  Chart.defaults.color = '#3a4252';
  var compact = new Intl.NumberFormat('en', { maximumSignificantDigits: 3 });
  function tick(value, index, ticks) {
    // On a log axis only 1, 2 and 5 times a power of ten get a label.
    if (this.type === 'logarithmic') {
      var mantissa = value / Math.pow(10, Math.floor(Math.log10(value) + 1e-9));
      if ([1, 2, 5].indexOf(Math.round(mantissa)) < 0 || Math.abs(mantissa - Math.round(mantissa)) > 1e-6) return '';
    }
    var size = Math.abs(value);
    if (size >= 1e9) return compact.format(value / 1e9) + 'G';
    if (size >= 1e6) return compact.format(value / 1e6) + 'M';
    if (size >= 1e3) return compact.format(value / 1e3) + 'k';
    return compact.format(value);
  }
  function axis(log, label) {
    return { type: log ? 'logarithmic' : 'linear', title: { display: true, text: label },
             ticks: { callback: tick, autoSkip: !log, maxRotation: 0 }, grid: { color: '#e9ecf1' } };
  }
  // Shapes as well as colours tell the sorts apart where lines overlap.
  var pointStyles = ['circle', 'rect', 'triangle', 'rectRot', 'star', 'crossRot', 'rectRounded', 'cross'];
  // Drawn last, on top: the flattest line, which the steeper ones cross.
  function flatness(points) {
    var low = Infinity, high = -Infinity;
    points.forEach(function (p) { low = Math.min(low, p.y); high = Math.max(high, p.y); });
    return points.length && low > 0 ? Math.log(high / low) : 0;
  }
  function coincide(a, b) {
    if (!a.length || a.length !== b.length) return false;
    return a.every(function (p, i) {
      return p.x === b[i].x && Math.abs(p.y - b[i].y) <= 0.005 * Math.max(Math.abs(p.y), Math.abs(b[i].y));
    });
  }
  // Points of one line less than 3 pixels apart across, which the axis crowds.
  function crowdedPoints(meta) {
    var xs = meta.data.map(function (element) { return element.x; }).sort(function (a, b) { return a - b; });
    var crowded = 0;
    for (var i = 1; i < xs.length; i++) if (xs[i] - xs[i - 1] < 3) crowded++;
    return crowded;
  }
  var charts = 0, points = 0, marks = 0, crowded = 0;
  data.charts.forEach(function (chart, index) {
    var canvas = document.getElementById('chart-' + index);
    var datasets = chart.series.map(function (series) {
      var colour = palette[((series.colour % palette.length) + palette.length) % palette.length];
      // Faint points (not significant) small and pale, the rest as usual.
      var faint = function (context) { return context.raw && context.raw.f; };
      return { label: series.label, data: series.points, borderColor: colour, backgroundColor: colour,
               pointBackgroundColor: function (c) { return faint(c) ? colour + '40' : colour; },
               pointBorderColor: function (c) { return faint(c) ? colour + '60' : colour; },
               borderDash: dashes[series.style], borderWidth: 2,
               pointRadius: function (c) { return faint(c) ? 2 : 3.5; }, pointHoverRadius: 6,
               pointStyle: pointStyles[series.colour % pointStyles.length], tension: 0, parsing: false,
               order: flatness(series.points) };
    });
    // A line that another hides all along says so in the legend.
    datasets.forEach(function (dataset, k) {
      for (var j = 0; j < datasets.length; j++) {
        if (j === k || datasets[j].order > dataset.order || !coincide(dataset.data, datasets[j].data)) continue;
        if (datasets[j].order === dataset.order && j > k) continue;
        dataset.label += ' (under ' + datasets[j].label + ')';
        break;
      }
    });
    chart.series.forEach(function (series) {
      if (!series.marks.length) return;
      var colour = palette[((series.colour % palette.length) + palette.length) % palette.length];
      marks += series.marks.length;
      datasets.push({ label: series.label + ': stops', data: series.marks, borderColor: colour,
                      backgroundColor: colour, showLine: false, pointStyle: 'crossRot', pointRadius: 8,
                      pointHoverRadius: 10, borderWidth: 3, parsing: false, order: -1, sortbenchMark: true });
    });
    var drawn = new Chart(canvas, {
      type: 'line',
      data: { datasets: datasets },
      options: {
        animation: false, maintainAspectRatio: false, normalized: true,
        interaction: { mode: 'nearest', intersect: false },
        scales: { x: axis(chart.logX, chart.xLabel),
                  y: Object.assign(axis(chart.logY, chart.yLabel),
                                   // A fixed range is a ratio's: every tick labelled, as "1.1x".
                                   chart.yMin ? { min: chart.yMin, max: chart.yMax,
                                                  ticks: { callback: function (v) { return compact.format(v) + '\u00d7'; } } }
                                              : {}) },
        plugins: {
          legend: { position: 'bottom', labels: { boxWidth: 26, boxHeight: 3,
            // In the sorts' order, whatever the drawing order.
            sort: function (a, b) { return a.datasetIndex - b.datasetIndex; },
            filter: function (item, legend) { return !legend.datasets[item.datasetIndex].sortbenchMark; } } },
          tooltip: { callbacks: {
            title: function (items) { return items.length ? items[0].dataset.label : ''; },
            label: function (item) {
              var point = item.raw;
              if (point.d && point.d.length)
                return point.d.map(function (line) { return line[0] + ': ' + line[1]; });
              return [chart.xLabel + ': ' + point.x, chart.yLabel + ': ' + point.y];
            } } }
        }
      }
    });
    charts++;
    drawn.data.datasets.forEach(function (dataset, k) {
      if (dataset.sortbenchMark) return;
      points += drawn.getDatasetMeta(k).data.length;
      crowded += crowdedPoints(drawn.getDatasetMeta(k));
    });
  });
  document.body.setAttribute('data-charts', String(charts));
  document.body.setAttribute('data-points', String(points));
  document.body.setAttribute('data-marks', String(marks));
  document.body.setAttribute('data-crowded', String(crowded));
  document.body.setAttribute('data-errors', String(window.sortbenchErrors));
})();
)";

// A point can be drawn where both values are finite, and positive on a
// logarithmic axis.
bool drawable(const Chart& chart, const ChartPoint& point) {
    return std::isfinite(point.x) && std::isfinite(point.y) && (!chart.logX || point.x > 0) &&
           (!chart.logY || point.y > 0);
}

void writePoints(std::ostream& out, const Chart& chart, const std::vector<ChartPoint>& points) {
    bool firstPoint = true;
    for (const ChartPoint& point : points) {
        if (!drawable(chart, point)) continue;
        out << (firstPoint ? "" : ",") << "\n  {\"x\": " << jsonNumber(point.x)
            << ", \"y\": " << jsonNumber(point.y) << (point.faint ? ", \"f\": true" : "") << ", \"d\": [";
        firstPoint = false;
        bool firstDetail = true;
        for (const auto& detail : point.details) {
            out << (firstDetail ? "[" : ", [") << scriptJsonString(detail.first) << ", "
                << scriptJsonString(detail.second) << "]";
            firstDetail = false;
        }
        out << "]}";
    }
}

void writeData(std::ostream& out, const Report& report) {
    out << "var sortbenchData = {\"charts\": [";
    bool firstChart = true;
    for (const ReportSection& section : report.sections) {
        for (const Chart& chart : section.charts) {
            out << (firstChart ? "\n" : ",\n") << "{\"title\": " << scriptJsonString(chart.title)
                << ", \"xLabel\": " << scriptJsonString(chart.xLabel)
                << ", \"yLabel\": " << scriptJsonString(chart.yLabel)
                << ", \"logX\": " << (chart.logX ? "true" : "false")
                << ", \"logY\": " << (chart.logY ? "true" : "false");
            if (chart.yMin > 0 && chart.yMax > chart.yMin)
                out << ", \"yMin\": " << jsonNumber(chart.yMin) << ", \"yMax\": " << jsonNumber(chart.yMax);
            out << ", \"series\": [";
            firstChart = false;
            bool firstSeries = true;
            for (const ChartSeries& series : chart.series) {
                out << (firstSeries ? "\n " : ",\n ") << "{\"label\": " << scriptJsonString(series.label)
                    << ", \"colour\": " << series.colour << ", \"style\": \"" << styleName(series.style)
                    << "\", \"points\": [";
                firstSeries = false;
                writePoints(out, chart, series.points);
                out << "], \"marks\": [";
                writePoints(out, chart, series.marks);
                out << "]}";
            }
            out << "]}";
        }
    }
    out << "]};\n";
}

void writeTable(std::ostream& out, const Table& table) {
    out << "<div class=\"table-wrap\"><table>\n";
    if (!table.caption.empty()) out << "<caption>" << htmlText(table.caption) << "</caption>\n";
    if (!table.header.empty()) {
        out << "<thead><tr>";
        for (const std::string& cell : table.header) out << "<th>" << htmlText(cell) << "</th>";
        out << "</tr></thead>\n";
    }
    out << "<tbody>\n";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::string mark = r < table.marks.size() ? table.marks[r] : std::string();
        if (mark.empty())
            out << "<tr>";
        else
            out << "<tr class=\"" << htmlText(markClass(mark)) << "\" data-mark=\"" << htmlText(mark)
                << "\" title=\"" << htmlText(mark) << "\">";
        for (const std::string& cell : table.rows[r])
            out << (looksNumeric(cell) ? "<td class=\"num\">" : "<td>") << htmlText(cell) << "</td>";
        out << "</tr>\n";
    }
    out << "</tbody></table></div>\n";
}

}  // namespace

const char htmlReportMissing[] =
    "is not available: this build has no HTML report, as Chart.js was missing when it was built; install "
    "it (apt-get install libjs-chart.js) and rebuild, or configure with -DSORTBENCH_CHART_JS=chart.min.js "
    "-DSORTBENCH_CHART_JS_LICENSE=its licence file";

bool htmlReportAvailable() {
#ifdef SORTBENCH_HTML_REPORT
    return true;
#else
    return false;
#endif
}

std::string htmlText(const std::string& text) {
    std::string out;
    for (const char c : validUtf8(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

bool writeHtmlReport(const std::string& path, const Report& report, std::string& error) {
    if (!htmlReportAvailable()) {
        error = htmlReportMissing;
        return false;
    }
    // Built whole first: the writer puts the page in place only complete.
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>" << htmlText(report.title) << "</title>\n"
        << "<script>" << errorCounter << "</script>\n"
        << "<style>" << styleSheet << "</style>\n</head>\n"
        << "<body data-errors=\"0\">\n<header>\n<h1>" << htmlText(report.title) << "</h1>\n";
    if (report.sections.size() > 1 || !report.context.empty()) {
        out << "<nav>";
        for (std::size_t s = 0; s < report.sections.size(); ++s)
            out << "<a href=\"#section-" << s << "\">" << htmlText(report.sections[s].heading) << "</a>";
        if (!report.context.empty()) out << "<a href=\"#context\">Context</a>";
        out << "</nav>\n";
    }
    out << "</header>\n<main>\n";

    std::size_t chartIndex = 0;
    for (std::size_t s = 0; s < report.sections.size(); ++s) {
        const ReportSection& section = report.sections[s];
        out << "<section id=\"section-" << s << "\">\n<h2>" << htmlText(section.heading) << "</h2>\n";
        for (const std::string& paragraph : section.paragraphs)
            out << "<p>" << htmlText(paragraph) << "</p>\n";
        if (!section.charts.empty()) {
            out << "<div class=\"charts\">\n";
            for (const Chart& chart : section.charts) {
                out << "<figure><figcaption>" << htmlText(chart.title) << "</figcaption>"
                    << "<div class=\"plot\"><canvas id=\"chart-" << chartIndex++
                    << "\" role=\"img\" aria-label=\"" << htmlText(chart.title) << "\"></canvas>"
                    << "<noscript><p class=\"noscript\">The chart needs JavaScript; the tables hold the "
                       "figures.</p></noscript></div></figure>\n";
            }
            out << "</div>\n";
        }
        for (const Table& table : section.tables) writeTable(out, table);
        out << "</section>\n";
    }
    if (!report.context.empty()) {
        out << "<section id=\"context\">\n<h2>Context</h2>\n<div class=\"table-wrap\"><table "
               "class=\"context\">\n";
        for (const auto& entry : report.context)
            out << "<tr><th>" << htmlText(entry.first) << "</th><td>" << htmlText(entry.second)
                << "</td></tr>\n";
        out << "</table></div>\n</section>\n";
    }
    if (!report.links.empty()) {
        out << "<section id=\"links\">\n<h2>Files</h2>\n<ul>\n";
        for (const auto& link : report.links)
            out << "<li><a href=\"" << htmlText(safeAddress(link.second)) << "\">" << htmlText(link.first)
                << "</a></li>\n";
        out << "</ul>\n</section>\n";
    }
    out << "</main>\n<footer>Charts drawn by Chart.js 3, built into this page (MIT License, "
           "Copyright 2014-2022 Chart.js Contributors; the notice is in the page's source).</footer>\n";

    out << "<!--\nChart.js, as packaged by Debian (libjs-chart.js):\n"
        << commentText(std::string(reinterpret_cast<const char*>(chartJsLicense), chartJsLicense_size))
        << "-->\n<script>\n";
    out.write(reinterpret_cast<const char*>(chartJs), static_cast<std::streamsize>(chartJs_size));
    out << "\n</script>\n<script>\n";
    writeData(out, report);
    out << drawScript << "</script>\n</body>\n</html>\n";
    return writeWholeFile(path, out.str(), error);
}
