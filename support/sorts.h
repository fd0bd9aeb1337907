// The sorts the comparison tools compare, under the names they print.
#ifndef SUPPORT_SORTS_H
#define SUPPORT_SORTS_H

#include <string>

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
// The library's own sorts come first.
const int librarySortCount = sortStd;

// "insertion", "merge", "quick", "counting", "radix", "std_sort", "std_stable_sort".
extern const char* const sortNames[sortIdCount];

// False, with the reason in error, for a name that is none of the above.
bool parseSortName(const std::string& text, SortId& sort, std::string& error);

#endif
