// Reading the comparison tools' own options: every value is checked before
// any work starts, and a bad one is reported in one line naming the option.
#ifndef COMPARE_OPTIONS_H
#define COMPARE_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "compare/shapes.h"
#include "compare/sorts.h"

// Each reads the whole text or fails, leaving the reason in error (without
// the option's name, which the caller adds).
bool parseCount(const std::string& text, std::int64_t least, std::int64_t most, std::int64_t& value,
                std::string& error);
bool parseSeconds(const std::string& text, double& value, std::string& error);
// Comma-separated, at least one item, no empty item; duplicates dropped.
bool parseSizeList(const std::string& text, std::vector<int>& sizes, std::string& error);
bool parseShapeList(const std::string& text, std::vector<Shape>& shapes, std::string& error);
bool parseSortList(const std::string& text, std::vector<SortId>& sorts, std::string& error);
bool parseSeed(const std::string& text, std::uint32_t& seed, std::string& error);

// If arg is "--name=value" (or "--name" followed by a value in next, which
// is then consumed through index), stores the value and returns true.
bool takeOption(const char* name, int argc, char** argv, int& index, std::string& value);

// Whether a file can be written at path, checked before any work: an
// existing file is opened for appending and left as it was, a new one is
// created and removed again. False with the reason in error.
bool checkWritable(const std::string& path, std::string& error);

// The most memory a run may plan to hold: a quarter of the machine's
// physical memory (8 GiB where that cannot be told).
std::uint64_t memoryLimitBytes();

// "1.5 GiB", "800 KiB": for messages.
std::string formatBytes(double bytes);

#endif
