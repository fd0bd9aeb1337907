#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "report_format.h"

namespace {

// Section names in report order; each heading is an empty line, then the
// name on a line of its own.
const char* const sectionNames[] = {
    "\xB2\xE5\xC8\xEB\xC5\xC5\xD0\xF2",  // 插入排序 insertion
    "\xB9\xE9\xB2\xA2\xC5\xC5\xD0\xF2",  // 归并排序 merge
    "\xBF\xEC\xCB\xD9\xC5\xC5\xD0\xF2",  // 快速排序 quick
    "\xBC\xC6\xCA\xFD\xC5\xC5\xD0\xF2",  // 计数排序 counting
    "\xBB\xF9\xCA\xFD\xC5\xC5\xD0\xF2",  // 基数排序 radix
};
const int sizes[] = {10000, 50000, 200000};

// SORTBENCH_COMMAND runs another build instead, such as the Windows one
// under Wine; SORTBENCH_WINDOWS=1 then expects CR LF line ends and a clock
// of 1000 ticks a second.
TEST(Sortbench, WritesTheWholeReportByteForByte) {
    const char* command = std::getenv("SORTBENCH_COMMAND");
    const char* windowsFlag = std::getenv("SORTBENCH_WINDOWS");
    const bool windows = windowsFlag != nullptr && std::string(windowsFlag) == "1";
    const std::string lineEnd = windows ? "\r\n" : "\n";
    FILE* pipe = popen(command != nullptr ? command : SORTBENCH_PATH, "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        out.append(chunk, got);
    }
    int status = pclose(pipe);
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
}

}  // namespace
