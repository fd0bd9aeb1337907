// The report program's plan and its trial loop.
#ifndef SORTBENCH_REPORT_H
#define SORTBENCH_REPORT_H

#include "compare/sorts.h"
#include "sorting/sorting.h"

// The benchmark plan: section i prints sectionHeadings[i] (GBK bytes, an
// empty line before the name), then times the sort table's row
// sectionSorts[i].
extern const char* const sectionHeadings[];
extern const SortId sectionSorts[];
extern const int sectionCount;

// Times sort once per size on a fresh array of rand() % 10000 values and
// prints and flushes one report line per trial; a trial whose array cannot
// be allocated prints allocationFailureMessage instead and the next size
// goes on. Returns false as soon as a line cannot be written or flushed,
// running no further trial; errno then tells why.
bool runTrials(SortFunction sort, const int* sizes, int sizeCount);

// printf to standard output, then flush: false when either fails.
bool printLine(const char* format, ...);

#endif
