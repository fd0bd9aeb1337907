// Writes sorting_counts' page for the browser test with the disorder sweep,
// which the program itself runs only with its default shapes and sizes (a
// minute): insertion and quick sort on random input at 1000 and 2000.
#include <cstdio>

#include "sorting_counts/counts.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PAGE.html\n", argv[0]);
        return 2;
    }
    Settings settings;
    settings.sorts = {sortInsertion, sortQuick};
    settings.shapes = {Shape{shapeRandom, 0}};
    settings.sizes = {1000, 2000};
    settings.commandLine = "counts_sample";
    std::string error;
    if (!writeHtmlReport(argv[1], makeReport(settings, countAll(settings)), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
