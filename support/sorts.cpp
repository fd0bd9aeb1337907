#include "sorts.h"

const char* const sortNames[sortIdCount] = {"insertion", "merge",    "quick",          "counting",
                                            "radix",     "std_sort", "std_stable_sort"};

bool parseSortName(const std::string& text, SortId& sort, std::string& error) {
    for (int s = 0; s < sortIdCount; ++s) {
        if (text == sortNames[s]) {
            sort = SortId(s);
            return true;
        }
    }
    error = "unknown sort \"" + text +
            "\"; the sorts are insertion, merge, quick, counting, radix, std_sort, std_stable_sort";
    return false;
}
