// Two runs of the same tool side by side; everything but main is in the
// library the tests use.
#include "sorting_compare/command_line.h"

int main(int argc, char** argv) { return compareMain(argc, argv); }
