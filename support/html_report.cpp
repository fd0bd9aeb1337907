// Placeholder until the writer lands.
#include "html_report.h"

bool htmlReportAvailable() { return false; }

bool writeHtmlReport(const std::string&, const Report&, std::string& error) {
    error = "this build has no HTML report";
    return false;
}

std::string htmlText(const std::string& text) { return text; }
std::string scriptJsonString(const std::string& text) { return "\"" + text + "\""; }
