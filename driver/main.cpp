#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "benchmark.h"

int main() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int dataSize[] = {10000, 50000, 200000};
    for (int s = 0; s < sectionCount; ++s) {
        // The report is the only product: a line that cannot be written
        // ends the run as a failure.
        if (!printLine("%s", sectionHeadings[s]) || !runTrials(sectionSorts[s], dataSize, 3)) {
            std::fprintf(stderr, "sortbench: cannot write the report: %s\n", std::strerror(errno));
            return 1;
        }
    }
    return 0;
}
