// Users' own sorts in the comparison tools: shared libraries loaded at
// start-up as rows of the sort table, the guard zones around every array a
// sort receives, the small first run before any timing, and the last line a
// crash leaves. Drop-in sorts come as rows too, from a source CMake
// generates (cmake/user_sorts.cmake).
#ifndef COMPARE_USER_SORTS_H
#define COMPARE_USER_SORTS_H

#include <string>
#include <utility>
#include <vector>

#include "compare/html_report.h"
#include "compare/shapes.h"
#include "compare/sorts.h"

// The counters drop-in sorts count in (user_sort.h's SB_COUNTED build).
extern "C" long long sortbench_host_counts[2];

// A drop-in sort's row: its timed and counting builds, the expectation its
// SB_EXPECT states (or null), its file, and whether it uses the macros.
SortId addDropInSort(const char* name, SortFunction timed, SortFunction counted, const char* expect,
                     const char* source, bool counts);

// Loads NAME.so (NAME.dll on Windows) and adds its function NAME as a sort;
// false with the reason for a missing file, a missing symbol, a name that is
// no identifier or one that another sort has.
bool loadUserSort(const std::string& path, std::string& error);

// Whether the tools see a sort's allocations: a loaded library calls the C
// library's malloc directly, past the hooks (compare/alloc_hooks.h), so
// its memory is "not measured" rather than 0, and its leaks not judged.
bool allocationsSeen(SortId sort);
const char allocationsUnseen[] =
    "not measured: a loaded library allocates past the tool's counters "
    "(drop the source into user_sorts/ to measure it)";

// Elements of a known pattern just before and after each array a sort
// receives: a write out of bounds changes them, sanitizer or not.
const int guardLength = 16;
// Writes the guards around array[0..n).
void fillGuards(int* array, int n);
// What a sort did out of bounds, or null when both guards are intact.
const char* guardProblem(const int* array, int n);

// An input copied between its guards.
class GuardedArray {
public:
    explicit GuardedArray(const std::vector<int>& values);
    void assign(const std::vector<int>& values);
    int* data() { return cells_.data() + guardLength; }
    const char* guardProblem() const;

private:
    std::vector<int> cells_;
    int n_;
};

// The problem of a sort's result, or "": a touched guard, else the first
// element that differs from sorted.
std::string resultProblem(const int* result, const std::vector<int>& sorted);

// The line that names a failing sort: "tool: sort on shape at n = N: problem".
std::string failureLine(const char* tool, SortId sort, const Shape& shape, int n, const std::string& problem);

// Runs each user sort among sorts on every shape at lengths 0, 1, 2, 3, 17
// and 1000 (its counted build when counted), each array against an
// inaccessible page at its end and then at its start, on Linux in a child
// process, and names each failure in one line on stderr. 0 when all
// passed; 1 after a failure; 2 when an SB_EXPECT names no growth class
// (before anything runs).
int firstRunUserSorts(const char* tool, const std::vector<SortId>& sorts, std::vector<Shape> shapes,
                      bool counted);

// On the pages: a user's sort is labelled "NAME (yours)" and drawn dash-dot
// (the library's solid, the standard sorts dashed); the context lists each
// with its file and expectation.
std::string sortLabel(SortId sort);
LineStyle sortLineStyle(SortId sort);
std::vector<std::pair<std::string, std::string>> userSortContext(const std::vector<SortId>& sorts);

// Supervision of every call of a user's sort, from the start of the
// program: a crash, a stack overflow, an exit() inside the sort, or a hang
// past the watchdog's limit ends the program with one line naming the
// call ("tool: sort on shape at n = N: what happened"), the temporary
// files removed (compare/writer.h), status 1. Also reopens closed standard
// streams and removes the temporaries on signals that end the program.
// False with the reason when hangVariable is set but no number of seconds.
bool installCrashReport(const char* tool, std::string& error);

// The least time a call may take before the watchdog calls it a hang, in
// seconds (default 10); the limit is 20 times what the sort's earlier calls
// predict where that is more. The first run waits this long per case.
const char hangVariable[] = "SORTBENCH_HANG_SECONDS";

// Which call is running (nothing for the library's sorts): calls of the
// sort at n back to back before userCallDone says none is.
void noteUserCall(SortId sort, const Shape& shape, int n, int calls = 1);
void userCallDone();
// In a catch block around a user's call: an exception from it ends the
// program as a crash does; any other is thrown on.
[[noreturn]] void userCallThrew();

#endif
