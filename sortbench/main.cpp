#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "sortbench/report.h"

// CMake passes the project's version; a build without CMake has none.
#ifndef SORTBENCH_VERSION
#define SORTBENCH_VERSION "(unknown version)"
#endif

namespace {

const char usage[] =
    "Usage: sortbench [--help | --version]\n"
    "\n"
    "Times insertion, merge, quick, counting and radix sort, each on fresh arrays\n"
    "of 10000, 50000 and 200000 random values in 0..9999, and prints one line per\n"
    "trial in Chinese, as GBK bytes. It takes no other arguments and reads no files.\n"
    "\n"
    "On Windows, start it through sortbench.cmd beside sortbench.exe: the launcher\n"
    "switches the console to code page 936 and keeps the window open.\n"
    "\n"
    "To compare the sorts on other shapes, sizes and seeds, use the comparison\n"
    "tools: sorting_benchmark (timings, Google Benchmark) and sorting_counts\n"
    "(comparisons and passes), built beside sortbench in the build folder\n"
    "(build/release/); in the Windows ZIP they sit beside sortbench.exe, and\n"
    "compare.cmd runs them.\n";

int reportMain(int argc, char** argv) {
    if (argc > 1) {
        // Exactly one of these, or nothing: anything else is refused before
        // any work starts.
        const bool help = std::strcmp(argv[1], "--help") == 0;
        const bool version = std::strcmp(argv[1], "--version") == 0;
        if (argc > 2 || (!help && !version)) {
            std::fprintf(stderr,
                         "sortbench: unexpected argument \"%s\"; it takes none, or --help or --version\n",
                         argv[help || version ? 2 : 1]);
            return 2;
        }
        if (!printLine("%s", help ? usage : "sortbench " SORTBENCH_VERSION "\n")) {
            std::fprintf(stderr, "sortbench: cannot write to standard output: %s\n", std::strerror(errno));
            return 1;
        }
        return 0;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int dataSize[] = {10000, 50000, 200000};
    for (int s = 0; s < sectionCount; ++s) {
        // The report is the only product: a line that cannot be written
        // ends the run as a failure.
        if (!printLine("%s", sectionHeadings[s]) ||
            !runTrials(sortEntry(sectionSorts[s]).timed, dataSize, 3)) {
            std::fprintf(stderr, "sortbench: cannot write the report: %s\n", std::strerror(errno));
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The report allocates with malloc and says when it fails; this only
    // keeps a C++ allocation failure from ending in an abort.
    try {
        return reportMain(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "sortbench: out of memory\n");
        return 1;
    }
}
