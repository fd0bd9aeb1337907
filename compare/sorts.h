// The sorts the comparison tools compare: one row per sort, which every
// tool, the tests and the report program's plan read. The built-in rows
// are fixed; the tools add users' own sorts after them at start-up
// (compare/user_sorts.h), whose ids follow sortIdCount.
#ifndef COMPARE_SORTS_H
#define COMPARE_SORTS_H

#include <string>
#include <vector>

#include "sorting/counted.h"
#include "sorting/sorting.h"

enum SortId : int {
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
    // The growth the textbook expects on any shape without a line of its own
    // (compare/textbook.cpp), e.g. "N lg N", and why; for a user's sort what
    // its author expects (SB_EXPECT). Null: nothing is said.
    const char* expects = nullptr;
    const char* expectsWhy = nullptr;
    // A user's sort: its source file or shared library, whether it uses the
    // counting macros, and where they count (added into takeCounts).
    bool user = false;
    const char* source = nullptr;
    bool counts = true;
    long long* operations = nullptr;  // comparisons, writes
};

// The row of a sort; every SortId has one.
const SortEntry& sortEntry(SortId sort);
inline const char* sortName(SortId sort) { return sortEntry(sort).name; }

// Every sort, in the order the tools list them: the library's first, users'
// last.
std::vector<SortId> allSorts();
// Rows in the table: sortIdCount and the users' sorts added so far.
int sortCount();

// Appends a row (its strings must outlive the program's run); its id.
SortId addSort(const SortEntry& entry);

// What the counted functions did since the previous call; starts again
// from zero.
counted::OperationCounts takeCounts();

// False, with the reason in error, for a name that is no sort's.
bool parseSortName(const std::string& text, SortId& sort, std::string& error);

#endif
