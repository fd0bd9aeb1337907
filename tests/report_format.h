// The report's exact bytes, spelled out independently of the driver.
#ifndef TESTS_REPORT_FORMAT_H
#define TESTS_REPORT_FORMAT_H

#include <cctype>
#include <string>

// 数据量： (data size:)
const std::string reportPrefix = "\xCA\xFD\xBE\xDD\xC1\xBF\xA3\xBA";
// ，用时： (, time taken:)
const std::string reportMiddle = "\xA3\xAC\xD3\xC3\xCA\xB1\xA3\xBA";
// 秒 (seconds)
const std::string reportSuffix = "\xC3\xEB";
// 内存分配失败 (memory allocation failed)
const std::string failureLine = "\xC4\xDA\xB4\xE6\xB7\xD6\xC5\xE4\xCA\xA7\xB0\xDC\n";

// Section names in report order; each heading is an empty line, then the
// name on a line of its own.
const char* const sectionNames[] = {
    "\xB2\xE5\xC8\xEB\xC5\xC5\xD0\xF2",  // 插入排序 insertion
    "\xB9\xE9\xB2\xA2\xC5\xC5\xD0\xF2",  // 归并排序 merge
    "\xBF\xEC\xCB\xD9\xC5\xC5\xD0\xF2",  // 快速排序 quick
    "\xBC\xC6\xCA\xFD\xC5\xC5\xD0\xF2",  // 计数排序 counting
    "\xBB\xF9\xCA\xFD\xC5\xC5\xD0\xF2",  // 基数排序 radix
};

// Whether text at pos holds one report line for size n with a time of
// digits, a point and exactly six decimals, ending in lineEnd; on success
// pos moves past it. wholeMilliseconds demands a clock of 1000 ticks a
// second: the last three decimals are 0.
inline bool consumeReportLine(const std::string& text, std::size_t& pos, int n,
                              const std::string& lineEnd = "\n", bool wholeMilliseconds = false) {
    std::string head = reportPrefix + std::to_string(n) + reportMiddle;
    if (text.compare(pos, head.size(), head) != 0) {
        return false;
    }
    std::size_t p = pos + head.size();
    std::size_t digits = 0;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
        ++p;
        ++digits;
    }
    if (digits == 0 || p >= text.size() || text[p] != '.') {
        return false;
    }
    ++p;
    for (int i = 0; i < 6; ++i, ++p) {
        if (p >= text.size() || !std::isdigit(static_cast<unsigned char>(text[p]))) {
            return false;
        }
    }
    if (wholeMilliseconds && text.compare(p - 3, 3, "000") != 0) {
        return false;
    }
    const std::string end = reportSuffix + lineEnd;
    if (text.compare(p, end.size(), end) != 0) {
        return false;
    }
    pos = p + end.size();
    return true;
}

#endif
