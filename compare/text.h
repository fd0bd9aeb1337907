// Small text helpers every tool and report shares: JSON strings, printf
// into a std::string, medians, the date and the "sort/shape" name.
#ifndef COMPARE_TEXT_H
#define COMPARE_TEXT_H

#include <string>
#include <vector>

#include "compare/shapes.h"
#include "compare/sorts.h"

// Bytes that are not UTF-8 become U+FFFD.
std::string validUtf8(const std::string& text);

// Any string as a JSON string literal, safe inside <script> too.
std::string scriptJsonString(const std::string& text);

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatted(const char* format, ...);

// Of an even count, the mean of the two middle values; 0 of none.
double median(std::vector<double> values);

// Now, as "2026-01-31 12:00:00 UTC".
std::string utcDate();

// "quick/nearly_sorted:0.1": how the tools name a sort on a shape.
std::string familyName(SortId sort, const Shape& shape);

#endif
