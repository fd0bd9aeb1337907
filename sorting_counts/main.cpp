// Operation counts of the sorts, linked to the library's counting build;
// everything but main is in counts.cpp, where the tests reach it.
#include "sorting_counts/counts.h"

int main(int argc, char** argv) { return countsMain(argc, argv); }
