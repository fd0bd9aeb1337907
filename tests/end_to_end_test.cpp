#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "report_format.h"

namespace {

const int sizes[] = {10000, 50000, 200000};

// What a shell command wrote to its standard output, read by read, with
// each read's arrival and the end in seconds after the start.
struct Capture {
    std::vector<std::string> reads;
    std::vector<double> arrivals;
    double seconds;
    int status;
};

Capture runCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const auto since = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    Capture run{};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        run.status = -1;
        return run;
    }
    char chunk[4096];
    for (ssize_t got; (got = read(fileno(pipe), chunk, sizeof chunk)) > 0;) {
        run.reads.emplace_back(chunk, static_cast<std::size_t>(got));
        run.arrivals.push_back(since());
    }
    run.status = pclose(pipe);
    run.seconds = since();
    return run;
}

// SORTBENCH_COMMAND runs another build instead, such as the Windows one
// under Wine; SORTBENCH_WINDOWS=1 then expects CR LF line ends and a clock
// of 1000 ticks a second.
TEST(Sortbench, WritesTheWholeReportByteForByte) {
    const char* command = std::getenv("SORTBENCH_COMMAND");
    const char* windowsFlag = std::getenv("SORTBENCH_WINDOWS");
    const bool windows = windowsFlag != nullptr && std::string(windowsFlag) == "1";
    const std::string lineEnd = windows ? "\r\n" : "\n";
    const std::string program = command != nullptr ? command : SORTBENCH_PATH;
    const Capture run = runCommand(program);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    std::string out;
    for (const std::string& r : run.reads) {
        out += r;
    }

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

    // Flushed as written: the first report line arrives long before the
    // end (insertion sort's largest trial is most of the run), and a
    // heading flushed before its trials arrives in a read of its own.
    const std::size_t firstLineEnd = out.find(reportSuffix);
    std::size_t read = 0;
    for (std::size_t got = run.reads[0].size(); got <= firstLineEnd; got += run.reads[++read].size()) {
    }
    const double begin = run.arrivals[0];
    EXPECT_LT(run.arrivals[read] - begin, (run.seconds - begin) / 2) << "first report line held back";
    bool headingAlone = false;
    for (const std::string& r : run.reads) {
        for (const char* name : sectionNames) {
            headingAlone = headingAlone || r == lineEnd + name + lineEnd;
        }
    }
    EXPECT_TRUE(headingAlone) << "every heading came with the line after it";

    // A report that cannot be written fails at once, before the sorts
    // would have got halfway, with one line on standard error. Wine reports
    // a failed write to /dev/full as success.
    if (windows) {
        return;
    }
    const Capture full = runCommand(program + " 2>&1 >/dev/full");
    ASSERT_TRUE(WIFEXITED(full.status));
    EXPECT_EQ(WEXITSTATUS(full.status), 1);
    EXPECT_LT(full.seconds, begin + (run.seconds - begin) / 2);
    std::string message;
    for (const std::string& r : full.reads) {
        message += r;
    }
    EXPECT_EQ(message.rfind("sortbench: cannot write the report: ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
}

}  // namespace
