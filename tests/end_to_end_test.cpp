#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "report_format.h"

namespace {

// Section headings in report order, each with its leading empty line.
const char* const headings[] = {
    "\n\xB2\xE5\xC8\xEB\xC5\xC5\xD0\xF2\n",  // 插入排序 insertion
    "\n\xB9\xE9\xB2\xA2\xC5\xC5\xD0\xF2\n",  // 归并排序 merge
    "\n\xBF\xEC\xCB\xD9\xC5\xC5\xD0\xF2\n",  // 快速排序 quick
    "\n\xBC\xC6\xCA\xFD\xC5\xC5\xD0\xF2\n",  // 计数排序 counting
    "\n\xBB\xF9\xCA\xFD\xC5\xC5\xD0\xF2\n",  // 基数排序 radix
};
const int sizes[] = {10000, 50000, 200000};

TEST(Sortbench, WritesTheWholeReportByteForByte) {
    FILE* pipe = popen(SORTBENCH_PATH, "r");
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
    for (const std::string heading : headings) {
        ASSERT_EQ(out.compare(pos, heading.size(), heading), 0) << "heading at byte " << pos << " of:\n"
                                                                << out;
        pos += heading.size();
        for (int n : sizes) {
            ASSERT_TRUE(consumeReportLine(out, pos, n)) << "report line for " << n << " at byte " << pos;
        }
    }
    EXPECT_EQ(pos, out.size()) << "unexpected trailing output";
}

}  // namespace
