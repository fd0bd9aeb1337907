#include "compare/html_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// What a run or a command line may bring, and how each must come out.
struct EscapeCase {
    const char* input;
    const char* html;
    const char* json;
};

const EscapeCase escapeCases[] = {
    {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;",
     "\"\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\""},
    {"a</script><script>x()", "a&lt;/script&gt;&lt;script&gt;x()",
     "\"a\\u003c/script\\u003e\\u003cscript\\u003ex()\""},
    {"<!-- x", "&lt;!-- x", "\"\\u003c!-- x\""},
    {"say \"hi\" 'there'", "say &quot;hi&quot; &#39;there&#39;", "\"say \\\"hi\\\" 'there'\""},
    {"a & b &amp;", "a &amp; b &amp;amp;", "\"a \\u0026 b \\u0026amp;\""},
    {"back\\slash\nnew\ttab\x01", "back\\slash\nnew\ttab\x01", "\"back\\\\slash\\nnew\\ttab\\u0001\""},
    {"排序 n=10⁶ µs", "排序 n=10⁶ µs", "\"排序 n=10⁶ µs\""},
    {"line\xE2\x80\xA8sep\xE2\x80\xA9", "line\xE2\x80\xA8sep\xE2\x80\xA9", "\"line\\u2028sep\\u2029\""},
    // GBK bytes, a stray continuation, a cut sequence, an overlong '<' and a surrogate.
    {"\xC5\xC5\xD0\xF2", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
     "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    {"a\x80z\xE6\x8E", "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD",
     "\"a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD\""},
    // DEL, which JSON allows raw but a page's script should not carry; the
    // last code point, and one past it.
    {"del\x7F", "del\x7F", "\"del\\u007f\""},
    {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""},
    {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
     "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    {"\xC0\xBC\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
     "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
};

TEST(HtmlReport, EscapesEveryTextAsText) {
    for (const EscapeCase& c : escapeCases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(htmlText(c.input), c.html);
        EXPECT_EQ(scriptJsonString(c.input), c.json);
    }
}

bool validUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// Every hostile text in every place the page shows one: none may end a
// script or open an element, and the page stays UTF-8.
TEST(HtmlReport, PageKeepsHostileTextsOutOfItsMarkup) {
    if (!htmlReportAvailable()) GTEST_SKIP() << "built without Chart.js";
    Report report;
    Chart chart{"", "", "", true, true, {}};
    Table table;
    ReportSection section;
    for (const EscapeCase& c : escapeCases) {
        const std::string text = c.input;
        report.title += text;
        report.context.push_back({text, text});
        report.links.push_back({text, "javascript:" + text});
        section.heading += text;
        section.paragraphs.push_back(text);
        chart.title += text;
        chart.series.push_back({text, 0, lineDashed, {{1, 2, {{text, text}}}}, {}});
        table.header.push_back(text);
        table.rows.push_back({text});
        table.marks.push_back(text);
    }
    section.charts.push_back(chart);
    section.tables.push_back(table);
    report.sections.push_back(section);

    const std::string path = testing::TempDir() + "html_report_test.html";
    std::string error;
    ASSERT_TRUE(writeHtmlReport(path, report, error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::stringstream page;
    page << in.rdbuf();
    std::remove(path.c_str());
    const std::string html = page.str();

    EXPECT_TRUE(validUtf8(html));
    for (const char* raw : {"<script>alert", "</script><", "<!-- x", "href=\"javascript:"})
        EXPECT_EQ(html.find(raw), std::string::npos) << raw;
    // The error counter, Chart.js and the data: three scripts, no more.
    std::size_t scripts = 0;
    for (std::size_t at = 0; (at = html.find("</script", at)) != std::string::npos; ++at) ++scripts;
    EXPECT_EQ(scripts, 3u);
}

}  // namespace
