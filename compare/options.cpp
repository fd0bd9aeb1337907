#include "compare/options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "compare/platform.h"

namespace {

// Splits at commas; false on an empty list or an empty item ("1,,2").
bool splitList(const std::string& text, std::vector<std::string>& items, std::string& error) {
    items.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty()) {
            error = text.empty() ? "needs a list, not nothing" : "has an empty item in " + quoted(text);
            return false;
        }
        items.push_back(item);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

// A list of names, each read by parse; repeats are dropped.
template <typename Item>
bool parseNameList(const std::string& text, std::vector<Item>& list,
                   bool (*parse)(const std::string&, Item&, std::string&), std::string& error) {
    std::vector<std::string> items;
    if (!splitList(text, items, error)) return false;
    list.clear();
    for (const std::string& name : items) {
        Item item;
        if (!parse(name, item, error)) return false;
        if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
    }
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "1..10", "above 0 up to 604800": the range as a message states it.
std::string rangeText(const NumberRange& range) {
    char text[96];
    if (range.aboveLeast) {
        std::snprintf(text, sizeof text, "above %.15g up to %.15g", range.least, range.most);
    } else {
        std::snprintf(text, sizeof text, "in %.15g..%.15g", range.least, range.most);
    }
    return text;
}

}  // namespace

std::vector<int> defaultSizes() {
    return {1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000};
}

std::vector<int> timingSizes() { return {1000, 3000, 10000, 30000, 100000, 300000, 1000000}; }

bool parseNumber(const std::string& text, const NumberRange& range, double& value, std::string& error) {
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    const bool digits = !whole.empty() && std::all_of(whole.begin(), whole.end(), isDigit) &&
                        std::all_of(fraction.begin(), fraction.end(), isDigit) &&
                        (point == std::string::npos || (!range.whole && !fraction.empty()));
    // 30 digits is far past every range here and keeps strtod exact enough.
    const bool wellFormed = digits && text.size() <= 30 && (whole.size() == 1 || whole[0] != '0');
    const double read = wellFormed ? std::strtod(text.c_str(), nullptr) : 0;
    if (!wellFormed || read < range.least || read > range.most || (range.aboveLeast && read <= range.least)) {
        error = std::string("needs ") + (range.whole ? "a whole number " : "a decimal number ") +
                rangeText(range) +
                (wellFormed || text.empty() ? "" : " (decimal digits, no sign or leading zero)") + ", not " +
                quoted(text);
        return false;
    }
    value = read;
    return true;
}

bool parseCount(const std::string& text, std::int64_t least, std::int64_t most, std::int64_t& value,
                std::string& error) {
    double read = 0;
    if (!parseNumber(text, {double(least), double(most), true, false}, read, error)) return false;
    value = static_cast<std::int64_t>(read);
    return true;
}

bool parseSeconds(const std::string& text, double& value, std::string& error) {
    return parseNumber(text, {0, 7 * 24 * 3600.0, false, true}, value, error);
}

bool parseSizeList(const std::string& text, std::vector<int>& sizes, std::string& error) {
    std::vector<std::string> items;
    if (!splitList(text, items, error)) return false;
    sizes.clear();
    for (const std::string& item : items) {
        std::int64_t n = 0;
        if (!parseCount(item, 1, 2147483647, n, error)) return false;
        if (std::find(sizes.begin(), sizes.end(), int(n)) == sizes.end()) sizes.push_back(int(n));
    }
    std::sort(sizes.begin(), sizes.end());
    return true;
}

bool parseShapeList(const std::string& text, std::vector<Shape>& shapes, std::string& error) {
    return parseNameList(text, shapes, parseShape, error);
}

bool parseSortList(const std::string& text, std::vector<SortId>& sorts, std::string& error) {
    return parseNameList(text, sorts, parseSortName, error);
}

bool parseSeed(const std::string& text, std::uint32_t& seed, std::string& error) {
    std::int64_t value = 0;
    if (!parseCount(text, 0, 4294967295LL, value, error)) return false;
    seed = static_cast<std::uint32_t>(value);
    return true;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

bool memoryLimit(MemoryLimit& limit, std::string& error) {
    const std::uint64_t physical = physicalMemoryBytes();
    limit = {physical > 0 ? physical / 4 : std::uint64_t(8) << 30,
             physical > 0 ? "a quarter of physical memory" : "8 GiB, physical memory unknown"};
    const std::uint64_t addressSpace = addressSpaceLimitBytes();
    if (addressSpace > 0 && addressSpace < limit.bytes)
        limit = {addressSpace, "the process's address-space limit"};
    if (const char* text = std::getenv(memoryLimitVariable)) {
        double bytes = 0;
        if (!parseNumber(text, {1, 1e18, true, false}, bytes, error)) {
            error = std::string(memoryLimitVariable) + " " + error;
            return false;
        }
        if (bytes < double(limit.bytes)) limit = {std::uint64_t(bytes), memoryLimitVariable};
    }
    return true;
}

std::string formatBytes(double bytes) {
    const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[48];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}
