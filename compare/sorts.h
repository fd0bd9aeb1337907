// The sorts the comparison tools compare: one row per sort, which every
// tool, the tests and the report program's plan read.
#ifndef COMPARE_SORTS_H
#define COMPARE_SORTS_H

#include <string>
#include <vector>

#include "sorting/counted.h"
#include "sorting/sorting.h"

enum SortId {
    sortInsertion,
    sortMerge,
    sortQuick,
    sortCounting,
    sortRadix,
    sortStd,
    sortStdStable,
    sortIdCount
};

struct SortEntry {
    const char* name;      // as the tools print it
    SortFunction timed;    // the whole-array function the benchmark times
    SortFunction counted;  // the same sort counting its operations (takeCounts)
    bool compares;         // orders by comparing elements, so lg(n!) bounds its comparisons
    bool library;          // one of the library's own sorts, whose writes and allocations are counted
    const char* expects;   // the growth class the textbook expects on any shape without a line of its
                           // own (compare/textbook.cpp), e.g. "N lg N"; null: none
    const char* expectsWhy;
};

// The row of a sort; every SortId has one.
const SortEntry& sortEntry(SortId sort);
inline const char* sortName(SortId sort) { return sortEntry(sort).name; }

// Every sort, in the order the tools list them: the library's first.
std::vector<SortId> allSorts();

// What the counted functions did since the previous call; starts again
// from zero.
counted::OperationCounts takeCounts();

// False, with the reason in error, for a name that is no sort's.
bool parseSortName(const std::string& text, SortId& sort, std::string& error);

#endif
