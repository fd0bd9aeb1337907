#include <algorithm>
#include <cstdio>
#include <iterator>

#include "compare/options.h"
#include "compare/user_sorts.h"
#include "sorting_counts/counts.h"

namespace {

// 1-2-5 from 1000 to 1000000: quick sort's count, 1.39 n lg n - 2.85 n, has
// a linear term the fit's constant cannot absorb, and only sizes up to a
// million set N lg N clearly apart from N. Quadratic cases stop earlier at
// the budget.
const int defaultSizes[] = {1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000};

int refuse(const std::string& message) {
    std::fprintf(stderr, "sorting_counts: %s\n", message.c_str());
    return 2;
}

const char usage[] =
    "usage: sorting_counts [--sorts=LIST] [--shapes=LIST] [--sizes=LIST | --size N] [--seed=N]\n"
    "                      [--csv | --json] [--html=FILE] [--load=NAME.so ...]\n"
    "Counts each sort's comparisons, element writes, allocations and passes on seeded inputs,\n"
    "beside the inputs' inversions, ascending runs and distinct values and the textbook's\n"
    "figures, and fits the counts' growth. Lists are comma-separated. Without --shapes and\n"
    "sizes it also sweeps nearly_sorted from 0 to 100 percent at 10000 elements.\n"
    "--load adds a sort of your own built as a shared library (NAME.so, NAME.dll on Windows),\n"
    "repeatable; see user_sorts.md.\n";

}  // namespace

int countsMain(int argc, char** argv) {
    Settings settings;
    // Loaded first: --sorts may name the loaded sorts.
    for (int i = 1; i < argc; ++i) {
        std::string value;
        std::string error;
        if (takeOption("--load", argc, argv, i, value) && !loadUserSort(value, error))
            return refuse("--load " + error);
    }
    settings.sorts = allSorts();
    settings.shapes = plainShapes();
    settings.sizes.assign(std::begin(defaultSizes), std::end(defaultSizes));
    settings.commandLine = "sorting_counts";
    for (int i = 1; i < argc; ++i) settings.commandLine += std::string(" ") + argv[i];
    bool sizesGiven = false;
    std::string sizeOption = "--sizes";
    bool formatGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string value;
        std::string error;
        bool ok = true;
        std::string option;
        if (arg == "--help") {
            std::printf("%s", usage);
            return 0;
        } else if (arg == "--csv" || arg == "--json") {
            if (formatGiven) return refuse(arg + ": choose one of --csv and --json");
            formatGiven = true;
            settings.format = arg == "--csv" ? Settings::csv : Settings::json;
        } else if (takeOption("--load", argc, argv, i, value)) {
            // Loaded above.
        } else if (takeOption("--sorts", argc, argv, i, value)) {
            option = "--sorts";
            ok = parseSortList(value, settings.sorts, error);
        } else if (takeOption("--shapes", argc, argv, i, value)) {
            option = "--shapes";
            ok = parseShapeList(value, settings.shapes, error);
            settings.sweep = false;
        } else if (takeOption("--sizes", argc, argv, i, value) ||
                   takeOption("--size", argc, argv, i, value)) {
            option = arg.compare(0, 7, "--sizes") == 0 ? "--sizes" : "--size";
            if (sizesGiven) return refuse(option + ": sizes are given twice (--size N is --sizes=N)");
            sizesGiven = true;
            sizeOption = option;
            settings.sweep = false;
            if (option == "--size") {
                std::int64_t n = 0;
                ok = parseCount(value, 1, 2147483647, n, error);
                settings.sizes.assign(1, static_cast<int>(n));
            } else {
                ok = parseSizeList(value, settings.sizes, error);
            }
        } else if (takeOption("--seed", argc, argv, i, value)) {
            option = "--seed";
            ok = parseSeed(value, settings.seed, error);
        } else if (takeOption("--html", argc, argv, i, value)) {
            option = "--html";
            if (!htmlReportAvailable()) {
                ok = false;
                error = htmlReportMissing;
            } else if (value.empty()) {
                ok = false;
                error = "needs a file name";
            }
            settings.htmlPath = value;
        } else {
            return refuse("unknown option \"" + arg + "\"; see --help");
        }
        if (!ok) return refuse(option + " " + error);
    }
    const std::uint64_t limit = memoryLimitBytes();
    const int largest = std::max(settings.sizes.back(), settings.sweep ? sweepSize : 0);
    const double needed = bytesNeeded(settings, largest);
    if (needed > static_cast<double>(limit)) {
        // The arrays alone, or counting sort's table for the shapes' values.
        const bool arrays = 6.0 * largest * sizeof(int) > static_cast<double>(limit);
        return refuse((arrays ? sizeOption + ": the arrays need "
                              : std::string("--shapes: counting sort's table and the arrays need ")) +
                      formatBytes(needed) + " at n = " + std::to_string(largest) + ", over the limit of " +
                      formatBytes(static_cast<double>(limit)) + " (a quarter of physical memory)" +
                      (arrays ? "" : "; leave counting out with --sorts"));
    }
    // Users' sorts first on small inputs, so that a crash or a hang shows at once.
    installCrashReport("sorting_counts");
    if (!firstRunUserSorts("sorting_counts", settings.sorts, settings.shapes, true)) return 1;
    const Results results = countAll(settings);
    for (const std::vector<Row>* rows : {&results.rows, &results.sweep}) {
        for (const Row& r : *rows) {
            if (undercounted(r)) std::fprintf(stderr, "%s\n", undercountLine(r).c_str());
        }
    }
    if (!settings.htmlPath.empty()) {
        std::string error;
        if (!writeHtmlReport(settings.htmlPath, makeReport(settings, results), error)) {
            std::fprintf(stderr, "sorting_counts: --html %s\n", error.c_str());
            return 1;
        }
    }
    switch (settings.format) {
        case Settings::table: printTable(settings, results); break;
        case Settings::csv: printCsv(settings, results); break;
        case Settings::json: printJson(settings, results); break;
    }
    return 0;
}
