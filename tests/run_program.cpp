#include "tests/run_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

std::string readFile(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, got);
        std::fclose(file);
    }
    return text;
}

namespace {

double childrenCpuSeconds() {
#ifdef _WIN32
    return 0;
#else
    struct rusage usage;
    if (getrusage(RUSAGE_CHILDREN, &usage) != 0) return 0;
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

}  // namespace

std::string tempPath(const std::string& suffix) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    return testing::TempDir() +
           (test ? std::string(test->test_suite_name()) + "." + test->name() : std::string("run_program")) +
           "." + std::to_string(getpid()) + suffix;
}

ProgramRun runProgram(const std::string& program, const std::string& arguments) {
    // CTest runs tests side by side, and other builds run theirs: each
    // names its files after itself and its process.
    const std::string out = tempPath(".stdout");
    const std::string err = tempPath(".stderr");
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = childrenCpuSeconds();
    const int status = std::system((program + " " + arguments + " >" + out + " 2>" + err).c_str());
    ProgramRun run;
    run.cpuSeconds = childrenCpuSeconds() - cpuStart;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
#ifdef _WIN32
    run.status = status;
#else
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.out = readFile(out);
    run.err = readFile(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return run;
}

std::string refusalProblem(const ProgramRun& run) {
    std::string problem;
    if (run.status != 2) problem += "status " + std::to_string(run.status) + "; ";
    if (!run.out.empty()) problem += "stdout not empty: " + run.out.substr(0, 200) + "; ";
    if (std::count(run.err.begin(), run.err.end(), '\n') != 1 || run.err.back() != '\n')
        problem += "not one line on stderr: " + run.err.substr(0, 400) + "; ";
    if (run.cpuSeconds >= 1) problem += "took " + std::to_string(run.cpuSeconds) + " s of CPU";
    return problem;
}
