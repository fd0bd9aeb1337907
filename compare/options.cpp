#include "compare/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
            error = text.empty() ? "needs a list, not nothing" : "has an empty item in \"" + text + "\"";
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

}  // namespace

bool parseCount(const std::string& text, std::int64_t least, std::int64_t most, std::int64_t& value,
                std::string& error) {
    const bool digits = !text.empty() && text.size() <= 18 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long long read = digits ? std::strtoll(text.c_str(), nullptr, 10) : 0;
    if (!digits || read < least || read > most) {
        error = "needs a whole number in " + std::to_string(least) + ".." + std::to_string(most) +
                ", not \"" + text + "\"";
        return false;
    }
    value = read;
    return true;
}

bool parseSeconds(const std::string& text, double& value, std::string& error) {
    char* end = nullptr;
    errno = 0;
    const double read = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    // A week bounds it: beyond that a typo is likelier than a wish.
    if (text.empty() || *end != '\0' || errno != 0 || !(read > 0) || read > 7 * 24 * 3600.0) {
        error = "needs a number of seconds above 0, not \"" + text + "\"";
        return false;
    }
    value = read;
    return true;
}

bool parseSizeList(const std::string& text, std::vector<int>& sizes, std::string& error) {
    std::vector<std::string> items;
    if (!splitList(text, items, error)) return false;
    sizes.clear();
    for (const std::string& item : items) {
        std::int64_t n = 0;
        if (!parseCount(item, 1, 2147483647, n, error)) {
            error = "needs sizes in 1..2147483647, not \"" + item + "\"";
            return false;
        }
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

bool takeOption(const char* name, int argc, char** argv, int& index, std::string& value) {
    const std::size_t length = std::strlen(name);
    const char* arg = argv[index];
    if (std::strncmp(arg, name, length) != 0) return false;
    if (arg[length] == '=') {
        value = arg + length + 1;
        return true;
    }
    if (arg[length] != '\0') return false;
    // A missing value reads as empty, which every parser refuses.
    value = index + 1 < argc ? argv[++index] : "";
    return true;
}

bool checkWritable(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "needs a file name, not nothing";
        return false;
    }
    // Only a missing file is created, so nothing a user has is ever
    // truncated or removed here.
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const bool existed = file != nullptr || errno != ENOENT;
    if (file != nullptr) std::fclose(file);
    file = std::fopen(path.c_str(), existed ? "ab" : "wb");
    if (file == nullptr) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    std::fclose(file);
    if (!existed) std::remove(path.c_str());
    return true;
}

std::uint64_t memoryLimitBytes() {
    const std::uint64_t physical = physicalMemoryBytes();
    return physical > 0 ? physical / 4 : std::uint64_t(8) << 30;
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
