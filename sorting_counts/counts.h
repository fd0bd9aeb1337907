// sorting_counts in parts: counting the sorts on seeded inputs
// (counting.cpp), the textbook's figures (formulas.cpp), the table, CSV and
// JSON (output.cpp), the HTML page (page.cpp) and the command line
// (command_line.cpp). Declared here, where the tests reach them too.
#ifndef SORTING_COUNTS_COUNTS_H
#define SORTING_COUNTS_COUNTS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "compare/growth.h"
#include "compare/html_report.h"
#include "compare/options.h"
#include "compare/shapes.h"
#include "compare/sorts.h"

// Every size takes at least this many inputs in an exhaustive run.
const int fewestInputs = 5;

// The default run stops counting what is already known, each decision
// said in the output; --exhaustive keeps every size and input.
// A sort takes as many inputs at a size as its figure's spread at the size
// before needs for this relative standard error of the mean, at least 2
// and at most the exhaustive run's count (counts past 200000 vary by
// 0.000-0.03% between inputs for most sorts, quick sort's by up to 29%).
const double targetStandardError = 0.0025;
const int fewestSpreadInputs = 2;
int inputsForSpread(double relativeSpread, int most);
// Above stoppingSize the inversions and runs (O(n log n) each) are
// measured on this many inputs of a size, below it on all, so that the
// rows keep comparisons = inversions + n - 1 for insertion sort where most
// are read; the distinct values are read from every sorted copy.
const int disorderInputs = 2;
// Above this size a sort stops once its last two local slopes (between
// three consecutive sizes counted) agree within slopeTolerance: the class
// is settled and larger sizes would cost most of the run. The reason is
// set, for the row's "left out".
const int stoppingSize = 200000;
const double slopeTolerance = 0.05;
bool slopesSettled(const std::vector<std::pair<int, double>>& counts, std::string& reason);

// The disorder sweep: how cost follows disorder at one size.
const double sweepPercents[] = {0, 0.1, 1, 10, 100};
const int sweepSize = 10000;

// Counting and radix sort compare nothing: their figure is element operations.
inline bool countsPasses(SortId sort) { return !sortEntry(sort).compares; }

// What one input of a case cost, summed over the inputs of a row.
struct Totals {
    double comparisons = 0, writes = 0, allocations = 0, passes = 0, elementOperations = 0;
    double inversions = 0, runs = 0, distinct = 0, expected = 0;
    // A user's sort on random input: lg of the orderings the input's values
    // allow, lg(n!) when all differ, the fewest comparisons any comparison
    // sort needs on average.
    double lowerBound = 0;
};

struct Row {
    SortId sort;
    Shape shape;
    int n;
    int inputs;
    Totals mean;
    std::vector<double> figures;  // per input: comparisons, or element operations
    std::string formula;          // empty: no textbook figure
    std::string leftOut;          // why the case did not run, or empty
};

struct Settings {
    std::vector<SortId> sorts;
    std::vector<Shape> shapes;
    std::vector<int> sizes;
    std::uint32_t seed = defaultSeed;
    bool sweep = true;
    enum Format { table, csv, json } format = table;
    std::string htmlPath;
    std::string commandLine;
    bool progress = false;    // a line on stderr per shape and sort as it is counted
    bool exhaustive = false;  // every size on every input, as the fewest inputs allow
};
// The fewest inputs a row counted takes under these settings.
inline int fewestInputsOf(const Settings& s) { return s.exhaustive ? fewestInputs : fewestSpreadInputs; }
// The CPU seconds a run is expected to take, for the plan.
double expectedSeconds(const Settings& settings);

struct Results {
    std::vector<Row> rows;
    std::vector<FamilyGrowth> families;
    std::vector<Row> sweep;
};

double figureOf(const Row& row, const Totals& t);
double measured(const Row& r);
bool hasRatio(const Row& r);
double ratio(const Row& r);
// Writes and allocations of the standard sorts are not counted.
bool countsWrites(const Row& r);
// A user's sort that counted nothing: it uses neither SB_LESS nor SB_SET.
bool notCounted(const Row& r);
// A user's sort counted below the least comparisons any comparison sort
// needs: some comparison bypasses SB_LESS.
bool undercounted(const Row& r);
// The line that says so, for stderr.
std::string undercountLine(const Row& r);

// Counting: every sort of the settings on every shape and size, and the
// sweep; a result that differs from std::sort ends the program.
Results countAll(const Settings& settings);
// A case the tool never runs, with the reason, or null.
const char* leftOutReason(SortId sort, const Shape& shape);
// Bytes a run holds at once for one size.
double bytesNeeded(const Settings& settings, int n);

// The textbook's figures are compare/textbook.cpp's (textbookCount).
// A case is left out at a size where its comparisons per input are
// estimated above this: such runs take seconds each and say nothing the
// smaller sizes do not.
const double comparisonCeiling = 1e8;
// The comparisons to expect at n from the counts at the two largest sizes
// below it (size, count pairs, sizes ascending), growing by their local
// exponent, at least 1 and at most 2 (the worst the sorts here do); from
// one size alone, as n^2. exponent is set to the one used.
double growthEstimate(const std::vector<std::pair<int, double>>& counts, double n, double& exponent);

// Output.
// Means over the inputs: whole numbers print without decimals.
std::string mean(double value);
void printTable(const Settings& settings, const Results& results);
void printCsv(const Settings& settings, const Results& results);
void printJson(const Settings& settings, const Results& results);
Report makeReport(const Settings& settings, const Results& results);

// The whole program: options, counts, output. Returns the exit status.
int countsMain(int argc, char** argv);

#endif
