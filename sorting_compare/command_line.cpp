#include "sorting_compare/command_line.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "compare/command_line.h"
#include "compare/html_report.h"
#include "compare/options.h"
#include "compare/writer.h"
#include "sorting_compare/comparison.h"
#include "sorting_compare/output.h"
#include "sorting_compare/runs.h"

namespace {

const char program[] = "sorting_compare";

std::string helpText(const std::vector<Option>& options) {
    return "sorting_compare: compares two runs of the same tool, before and after a change or on two\n"
           "machines: two sorting_benchmark --benchmark_out JSON files (each benchmark's medians, the\n"
           "ratio new/old with its 95% interval, the Mann-Whitney U test's p and a verdict: faster,\n"
           "slower, same or too few repetitions), or two sorting_counts --json files (every count\n"
           "exactly).\n"
           "usage: sorting_compare [OPTION]... OLD.json NEW.json\n"
           "Options:\n" +
           optionsHelp(options) +
           "Verdicts need at least 5 repetitions per side (--benchmark_repetitions=5): 3 against 3\n"
           "cannot go below p = 0.1. Exit status: 0 after a comparison, 1 when --fail-if-slower found\n"
           "a benchmark slower or an output could not be written, 2 for bad input.\n";
}

bool takePercent(const std::string& value, double& percent, std::string& error) {
    return parseNumber(value, NumberRange{0, 1000, false, false}, percent, error);
}

// Reads the options and both files; -1 to go on, else the exit status.
int readInputs(int argc, char** argv, Settings& settings, RunFile& oldRun, RunFile& newRun) {
    settings.commandLine = commandLineText(program, argc, argv);
    bool gate = false;
    Option html = htmlPageOption("--html", "write the comparison as an HTML page", settings.htmlPath);
    html.form = Option::joined;
    const std::vector<Option> options = {
        {"--threshold", Option::joined, "PCT", "a change within PCT percent counts as same (default 3)",
         [&settings](const std::string& v, std::string& e) {
             return takePercent(v, settings.thresholdPercent, e);
         },
         nullptr},
        {"--alpha", Option::joined, "A",
         "false-discovery rate over all benchmarks compared, above 0 and\nat most 0.5 (default 0.05)",
         [&settings](const std::string& v, std::string& e) {
             return parseNumber(v, NumberRange{0, 0.5, false, true}, settings.alpha, e);
         },
         nullptr},
        {"--relative-to", Option::joined, "SORT",
         "compare each sort's time relative to SORT's on its own machine\n(std_sort: shapes apart from "
         "raw speed)",
         [&settings](const std::string& v, std::string& e) {
             for (char c : v) {
                 if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_')) {
                     e = "needs a sort's name, not " + ::quoted(v);
                     return false;
                 }
             }
             settings.relativeTo = v;
             if (v.empty()) e = "needs a sort's name";
             return !v.empty();
         },
         nullptr},
        {"--json", Option::joined, "FILE", "write one row per benchmark (or changed count) as JSON",
         [&settings](const std::string& v, std::string& e) {
             settings.jsonPath = v;
             return checkOutputFile(v, e);
         },
         nullptr},
        html,
        {"--fail-if-slower", Option::joined, "PCT",
         "exit status 1 when any benchmark is significantly slower by\nmore than PCT percent, naming them",
         [&settings, &gate](const std::string& v, std::string& e) {
             gate = true;
             return takePercent(v, settings.failIfSlowerPercent, e);
         },
         nullptr},
        {"--help", Option::flag, "", "print this help", nullptr, nullptr},
    };
    // The two files are the arguments that are no option.
    std::vector<std::string> files;
    std::vector<char*> optionArgs = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] != '\0')
            optionArgs.push_back(argv[i]);
        else
            files.push_back(argv[i]);
    }
    const int read =
        readCommandLine(program, options, int(optionArgs.size()), optionArgs.data(), helpText(options));
    if (read >= 0) return read;
    if (files.size() != 2) {
        return refuse(program, "needs two files, OLD.json and NEW.json, not " + std::to_string(files.size()) +
                                   "; see --help");
    }
    settings.oldPath = files[0];
    settings.newPath = files[1];
    std::string error;
    if (!readRunFile(settings.oldPath, oldRun, error) || !readRunFile(settings.newPath, newRun, error))
        return refuse(program, error);
    const char* kinds[] = {"sorting_benchmark results", "sorting_counts counts"};
    if (oldRun.kind != newRun.kind) {
        return refuse(program, ::quoted(settings.oldPath) + " holds " + kinds[oldRun.kind] + " and " +
                                   ::quoted(settings.newPath) + " " + kinds[newRun.kind] +
                                   ": compare two runs of the same tool");
    }
    if (oldRun.kind == RunFile::counts && (gate || !settings.relativeTo.empty())) {
        return refuse(program, std::string(gate ? "--fail-if-slower" : "--relative-to") +
                                   " compares times; counts files have none");
    }
    return -1;
}

bool writeOutputs(const Settings& settings, const std::string& json, const Report& page) {
    std::string error;
    if (!settings.jsonPath.empty() && !writeWholeFile(settings.jsonPath, json, error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return false;
    }
    if (!settings.htmlPath.empty() && !writeHtmlReport(settings.htmlPath, page, error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int compareMain(int argc, char** argv) {
    Settings settings;
    RunFile oldRun, newRun;
    const int read = readInputs(argc, argv, settings, oldRun, newRun);
    if (read >= 0) return read;
    std::string error;
    bool written = true;
    int status = 0;
    if (oldRun.kind == RunFile::counts) {
        CountsComparisonResult result;
        if (!compareCounts(oldRun.countsRun, newRun.countsRun, result, error)) return refuse(program, error);
        written = writeOutputs(settings, countsJson(settings, result), countsPage(settings, result));
        std::fputs(countsText(settings, result).c_str(), stdout);
    } else {
        BenchmarkComparisonResult result;
        if (!compareBenchmarks(oldRun.benchmarkRun, newRun.benchmarkRun, settings, result, error))
            return refuse(program, error);
        written = writeOutputs(settings, benchmarkJson(settings, result), benchmarkPage(settings, result));
        std::fputs(benchmarkText(settings, result).c_str(), stdout);
        if (settings.failIfSlowerPercent >= 0) {
            std::string slower;
            for (const BenchmarkComparison& row : result.rows) {
                if (row.verdict == verdictSlower && row.ratio.ratio > 1 + settings.failIfSlowerPercent / 100)
                    slower += (slower.empty() ? "" : ", ") + row.sort + "/" + row.shape + "/" +
                              std::to_string(row.n) + " (" + ratioText(row.ratio) + ")";
            }
            if (!slower.empty()) {
                std::fflush(stdout);
                std::fprintf(stderr, "%s: slower by more than %g%%: %s\n", program,
                             settings.failIfSlowerPercent, slower.c_str());
                status = 1;
            }
        }
    }
    if (!standardOutputWritten(program) || !written) return 1;
    return status;
}
