// Reading the comparison tools' own options: every value is checked before
// any work starts, and a bad one is reported in one line naming the option.
#ifndef COMPARE_OPTIONS_H
#define COMPARE_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "compare/shapes.h"
#include "compare/sorts.h"

// What both tools run when not told otherwise: 1-2-5 from 1000 to 1000000
// (quick sort's count, 1.39 n lg n - 2.85 n, has a linear term the fit's
// constant cannot absorb, and only sizes up to a million set N lg N clearly
// apart from N), on arrays built from this seed, so that runs compare.
std::vector<int> defaultSizes();
// What sorting_benchmark times when not told otherwise: 1-3-10 from 1000
// to 1000000, seven sizes where 1-2-5 has ten. Measured on the whole
// matrix, it confirms a linear sort about as often (97.8% of simulated
// runs against 99.3%) for 70% of the calls.
std::vector<int> timingSizes();
const std::uint32_t defaultSeed = 20261208;

// The one grammar of every number on both tools' command lines, shape
// parameters included: decimal digits, and where whole is false an optional
// fraction ".digits". No sign, blank, exponent, hex or leading zero ("0"
// and "0.5" read, "010", "0x10", "1e3", " 5", "5." and ".5" do not): a
// leading zero reads as octal elsewhere. The value must lie in
// least..most, above least when aboveLeast. On failure the reason goes to
// error without the option's name, which the caller adds.
struct NumberRange {
    double least, most;
    bool whole;
    bool aboveLeast;
};
bool parseNumber(const std::string& text, const NumberRange& range, double& value, std::string& error);

// Whole numbers in least..most, and seconds above 0 up to a week (beyond
// that a typo is likelier than a wish): both by parseNumber.
bool parseCount(const std::string& text, std::int64_t least, std::int64_t most, std::int64_t& value,
                std::string& error);
bool parseSeconds(const std::string& text, double& value, std::string& error);
// Comma-separated, at least one item, no empty item; duplicates dropped,
// sizes sorted.
bool parseSizeList(const std::string& text, std::vector<int>& sizes, std::string& error);
bool parseShapeList(const std::string& text, std::vector<Shape>& shapes, std::string& error);
bool parseSortList(const std::string& text, std::vector<SortId>& sorts, std::string& error);
bool parseSeed(const std::string& text, std::uint32_t& seed, std::string& error);

// An argument as messages echo it: quoted, so that refuse() (command_line.h)
// can cut it to its first 80 characters.
std::string quoted(const std::string& text);

// The most memory a run may plan to hold: the least of a quarter of the
// machine's physical memory (8 GiB where that cannot be told), the
// process's address-space limit, and SORTBENCH_MEMORY_LIMIT (bytes), which
// can only lower it, so that tests need not depend on the machine. source
// says which bound it is, for messages.
struct MemoryLimit {
    std::uint64_t bytes;
    std::string source;
};
// False with the reason when SORTBENCH_MEMORY_LIMIT is set but no number.
bool memoryLimit(MemoryLimit& limit, std::string& error);
const char memoryLimitVariable[] = "SORTBENCH_MEMORY_LIMIT";

// "1.5 GiB", "800 KiB": for messages.
std::string formatBytes(double bytes);

#endif
