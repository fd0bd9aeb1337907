#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/report_format.h"
#include "tests/run_program.h"

namespace {

const int sizes[] = {10000, 50000, 200000};

// SORTBENCH_COMMAND runs another build instead, such as the Windows one
// under Wine; SORTBENCH_WINDOWS=1 then expects CR LF line ends and a clock
// of 1000 ticks a second.
TEST(Sortbench, WritesTheWholeReportByteForByte) {
    const char* command = std::getenv("SORTBENCH_COMMAND");
    const char* windowsFlag = std::getenv("SORTBENCH_WINDOWS");
    const bool windows = windowsFlag != nullptr && std::string(windowsFlag) == "1";
    const std::string lineEnd = windows ? "\r\n" : "\n";
    const std::string program = command != nullptr ? command : SORTBENCH_PATH;
    const auto start = std::chrono::steady_clock::now();
    const auto seconds = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    FILE* pipe = popen(program.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    // Read as it comes: when the first bytes and the first report line
    // arrive, and whether a heading arrives in a read of its own.
    std::string out;
    double firstRead = -1;
    double firstLine = -1;
    bool headingAlone = false;
    char chunk[4096];
    for (ssize_t got; (got = read(fileno(pipe), chunk, sizeof chunk)) > 0;) {
        const std::string read(chunk, static_cast<std::size_t>(got));
        out += read;
        if (firstRead < 0) firstRead = seconds();
        if (firstLine < 0 && out.find(reportSuffix) != std::string::npos) firstLine = seconds();
        for (const char* name : sectionNames) headingAlone = headingAlone || read == lineEnd + name + lineEnd;
    }
    int status = pclose(pipe);
    const double end = seconds();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::size_t pos = 0;
    for (const char* name : sectionNames) {
        const std::string heading = lineEnd + name + lineEnd;
        ASSERT_EQ(out.compare(pos, heading.size(), heading), 0) << "heading at byte " << pos << " of:\n"
                                                                << out;
        pos += heading.size();
        for (int n : sizes) {
            ASSERT_TRUE(consumeReportLine(out, pos, n, lineEnd, windows))
                << "report line for " << n << " at byte " << pos << " of:\n"
                << out;
        }
    }
    EXPECT_EQ(pos, out.size()) << "unexpected trailing output";
    // Insertion sort's largest trial takes most of the run.
    EXPECT_LT(firstLine - firstRead, (end - firstRead) / 2) << "the first report line was held back";
    EXPECT_TRUE(headingAlone) << "every heading came with the line after it";

    // A report that cannot be written fails at once, before the sorts would
    // have got halfway. Wine reports a failed write to /dev/full as success.
    if (!windows) {
        status = std::system((program + " >/dev/full").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        EXPECT_LT(seconds() - end, firstRead + (end - firstRead) / 2);
    }
}

// --help and --version answer and exit 0; anything else is refused with one
// line on stderr, nothing on stdout, status 2, and no report started.
TEST(Sortbench, AnswersHelpAndVersionAndRefusesOtherArguments) {
    const char* command = std::getenv("SORTBENCH_COMMAND");
    const char* windowsFlag = std::getenv("SORTBENCH_WINDOWS");
    const std::string lineEnd = windowsFlag != nullptr && std::string(windowsFlag) == "1" ? "\r\n" : "\n";
    const std::string program = command != nullptr ? command : SORTBENCH_PATH;
    struct ArgumentCase {
        const char* arguments;
        int status;
        std::vector<std::string> inStdout;  // empty: nothing at all
        const char* quoted;                 // what a refusal names
    };
    const ArgumentCase cases[] = {
        {"--help",
         0,
         {"Usage: sortbench", "sortbench.cmd", "sorting_benchmark", "sorting_counts", "compare.cmd"},
         ""},
        {"--version", 0, {"sortbench " SORTBENCH_VERSION + lineEnd}, ""},
        {"--verbose", 2, {}, "--verbose"},
        {"-help", 2, {}, "-help"},
        {"10000", 2, {}, "10000"},
        {"''", 2, {}, ""},
        {"--help extra", 2, {}, "extra"},
        {"--version --help", 2, {}, "--help"},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(std::string("sortbench ") + c.arguments);
        const ProgramRun run = runProgram(program, c.arguments);
        EXPECT_EQ(run.status, c.status);
        const std::string& stdoutText = run.out;
        const std::string& stderrText = run.err;
        if (c.status == 0) {
            EXPECT_EQ(stderrText, "");
            ASSERT_FALSE(c.inStdout.empty());
            if (c.inStdout.size() == 1) {
                EXPECT_EQ(stdoutText, c.inStdout[0]);
            }
            for (const std::string& part : c.inStdout) {
                EXPECT_NE(stdoutText.find(part), std::string::npos) << part << " missing in:\n" << stdoutText;
            }
        } else {
            EXPECT_EQ(stdoutText, "");
            EXPECT_NE(stderrText.find("\"" + std::string(c.quoted) + "\""), std::string::npos) << stderrText;
            EXPECT_TRUE(!stderrText.empty() && stderrText.find(lineEnd) == stderrText.size() - lineEnd.size())
                << stderrText;
        }
    }
}

}  // namespace
