// sorting_compare's command line: two files and the options, every one
// checked, and both files read, before any comparison starts.
#ifndef SORTING_COMPARE_COMMAND_LINE_H
#define SORTING_COMPARE_COMMAND_LINE_H

// The whole program: 0 after a comparison, 1 when --fail-if-slower found a
// benchmark slower or an output failed, 2 after a refusal.
int compareMain(int argc, char** argv);

#endif
