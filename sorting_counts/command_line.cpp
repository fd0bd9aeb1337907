#include "compare/command_line.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "compare/options.h"
#include "compare/platform.h"
#include "compare/text.h"
#include "compare/user_sorts.h"
#include "compare/writer.h"
#include "sorting_counts/counts.h"

namespace {

const char program[] = "sorting_counts";

std::string helpText(const std::vector<Option>& options) {
    return "sorting_counts: counts each sort's comparisons, element writes, allocations and passes on\n"
           "seeded inputs, beside the inputs' inversions, ascending runs and distinct values and the\n"
           "textbook's figures, and fits the counts' growth.\n"
           "usage: sorting_counts [OPTION]...\n"
           "Options:\n" +
           optionsHelp(options) + sortsAndShapesHelp() +
           "Numbers are decimal digits (no sign, exponent or leading zero). A sort is left out at a\n"
           "size where its comparisons per input, estimated from its counts at the two nearest smaller\n"
           "sizes by their local growth, would pass " +
           formatted("%.0f", comparisonCeiling) +
           "; the reason gives the estimate. A run needs about\n"
           "6 ints per element of its largest size (and counting sort's table), within a quarter of\n"
           "physical memory, the address-space limit and " +
           memoryLimitVariable +
           " (bytes), the least of them.\n"
           "By default each sort takes as many inputs per size as its spread needs (at least 2),\n"
           "and above 200000 inversions and runs are measured on 2 inputs and a sort stops once its\n"
           "local slopes settle; --exhaustive counts every size on every input.\n"
           "The plan and progress go to stderr, one line per shape and sort, with the time left.\n"
           "--load adds a sort of your own built as a shared library (NAME.so, NAME.dll on Windows);\n"
           "see user_sorts/README.md.\n";
}

// The arrays, or counting sort's table, past the memory limit: 0, or 2
// after the refusal.
int checkMemory(const Settings& settings, const std::string& sizeOption) {
    MemoryLimit limit;
    std::string error;
    if (!memoryLimit(limit, error)) return refuse(program, error);
    const int largest = std::max(settings.sizes.back(), settings.sweep ? sweepSize : 0);
    const double needed = bytesNeeded(settings, largest);
    if (needed <= static_cast<double>(limit.bytes)) return 0;
    const bool arrays = 6.0 * largest * sizeof(int) > static_cast<double>(limit.bytes);
    return refuse(program, (arrays ? sizeOption + ": the arrays need "
                                   : std::string("--shapes: counting sort's table and the arrays need ")) +
                               formatBytes(needed) + " at n = " + std::to_string(largest) +
                               ", over the limit of " + formatBytes(static_cast<double>(limit.bytes)) + " (" +
                               limit.source + ")" + (arrays ? "" : "; leave counting out with --sorts"));
}

}  // namespace

int countsMain(int argc, char** argv) {
    std::string error;
    // Before --load: a library's constructors run as it loads.
    if (!installCrashReport(program, error)) return refuse(program, error);
    Settings settings;
    settings.sorts = allSorts();
    settings.shapes = plainShapes();
    settings.sizes = defaultSizes();
    settings.commandLine = commandLineText(program, argc, argv);
    settings.progress = true;
    std::string sizeOption = "--sizes";
    auto chooseSizes = [&](const char* option, bool one) {
        return [&settings, &sizeOption, option, one](const std::string& value, std::string& error) {
            settings.sweep = false;
            sizeOption = option;
            if (!one) return parseSizeList(value, settings.sizes, error);
            std::int64_t n = 0;
            if (!parseCount(value, 1, 2147483647, n, error)) return false;
            settings.sizes.assign(1, static_cast<int>(n));
            return true;
        };
    };
    auto format = [&settings](Settings::Format chosen) {
        return [&settings, chosen](const std::string&, std::string&) {
            settings.format = chosen;
            return true;
        };
    };
    // Read once every option is: --sorts may name a sort that --load adds.
    std::string sortList;
    bool sortsGiven = false;
    const std::vector<Option> options = {
        {"--sorts", Option::spaced, "LIST", "sorts, comma-separated (default: all)",
         [&](const std::string& v, std::string&) {
             sortList = v;
             sortsGiven = true;
             return true;
         },
         nullptr},
        {"--load", Option::spaced, "NAME.so", "add your own sort, built as a shared library (repeatable)",
         [](const std::string& v, std::string& e) { return loadUserSort(v, e); }, nullptr, true},
        {"--shapes", Option::spaced, "LIST",
         "shapes, comma-separated (default: the ten plain ones; without\n"
         "--shapes and sizes, also nearly_sorted from 0 to 100% at 10000)",
         [&](const std::string& v, std::string& e) {
             settings.sweep = false;
             return parseShapeList(v, settings.shapes, e);
         },
         nullptr},
        {"--sizes", Option::spaced, "LIST", "sizes, comma-separated (default: 1-2-5 from 1000 to 1000000)",
         chooseSizes("--sizes", false), "sizes"},
        {"--size", Option::spaced, "N", "one size, the same as --sizes=N", chooseSizes("--size", true),
         "sizes"},
        {"--seed", Option::spaced, "N",
         "seed the inputs are built from, 0..4294967295 (default " + std::to_string(defaultSeed) + ")",
         [&](const std::string& v, std::string& e) { return parseSeed(v, settings.seed, e); }, nullptr},
        {"--exhaustive", Option::flag, "",
         "count every size on 5 to 100 inputs and measure the disorder of each,\nrather than stop where the "
         "counts are settled",
         [&settings](const std::string&, std::string&) {
             settings.exhaustive = true;
             return true;
         },
         nullptr},
        {"--csv", Option::flag, "", "print CSV instead of the table", format(Settings::csv), "format"},
        {"--json", Option::flag, "", "print JSON instead of the table", format(Settings::json), "format"},
        htmlPageOption("--html", "also write the results as an HTML page", settings.htmlPath),
        {"--help", Option::flag, "", "print this help", nullptr, nullptr},
    };
    const int status = readCommandLine(program, options, argc, argv, helpText(options));
    if (status >= 0) return status;
    settings.sorts = allSorts();
    if (sortsGiven && !parseSortList(sortList, settings.sorts, error)) {
        return refuse(program, "--sorts " + error);
    }
    if (const int refused = checkMemory(settings, sizeOption)) return refused;
    // Users' sorts first on small inputs, so that a crash or a hang shows at once.
    if (const int failed = firstRunUserSorts(program, settings.sorts, settings.shapes, true)) return failed;
    // Each input's arrays are allocated and freed again at every size:
    // kept mapped, they are not faulted in afresh each time.
    keepFreedMemoryMapped();
    std::fprintf(stderr,
                 "%s: plan: %d sort(s) x %d shape(s) at %d size(s)%s; %s; expected about %.0f s of CPU\n",
                 program, static_cast<int>(settings.sorts.size()), static_cast<int>(settings.shapes.size()),
                 static_cast<int>(settings.sizes.size()), settings.sweep ? " and the disorder sweep" : "",
                 settings.exhaustive
                     ? "every size on 5 to 100 inputs, the disorder of each measured"
                     : "inputs per size from each sort's largest spread so far (a 0.25% "
                       "standard error, at least 2); above 200000 disorder on 2 inputs and a sort stopped "
                       "once its slopes settle (--exhaustive: all)",
                 expectedSeconds(settings));
    try {
        const Results results = countAll(settings);
        for (const std::vector<Row>* rows : {&results.rows, &results.sweep}) {
            for (const Row& r : *rows) {
                if (undercounted(r)) std::fprintf(stderr, "%s\n", undercountLine(r).c_str());
            }
        }
        if (!settings.htmlPath.empty()) {
            std::string error;
            if (!writeHtmlReport(settings.htmlPath, makeReport(settings, results), error)) {
                std::fprintf(stderr, "%s: --html: %s\n", program, error.c_str());
                return 1;
            }
        }
        switch (settings.format) {
            case Settings::table: printTable(settings, results); break;
            case Settings::csv: printCsv(settings, results); break;
            case Settings::json: printJson(settings, results); break;
        }
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory while counting; try fewer or smaller sizes\n", program);
        return 1;
    }
    return standardOutputWritten(program) ? 0 : 1;
}
