// Runs a built program through the shell and captures what it printed, for
// the tests of the programs' command lines.
#ifndef TESTS_RUN_PROGRAM_H
#define TESTS_RUN_PROGRAM_H

#include <string>

// Whether this build runs under AddressSanitizer, whichever way it was
// asked for: GCC says so in a macro, Clang through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define TESTS_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESTS_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

struct ProgramRun {
    int status;  // the exit status; -1 when the program did not exit (a signal)
    std::string out, err;
    double seconds;     // wall time of the whole run
    double cpuSeconds;  // CPU time of the program (and the shell), where it can be told; else 0
};

// arguments are shell words, appended to program after a space.
ProgramRun runProgram(const std::string& program, const std::string& arguments);

std::string readFile(const std::string& path);

// A path in the temporary folder named after the running test and this
// process: other builds' tests of the same name run beside it.
std::string tempPath(const std::string& suffix);

// A refusal as every tool makes it: status 2, nothing on stdout and one
// line on stderr, before any work (under a second of CPU time: wall time
// would fail on a busy machine); empty when it is one, else what is wrong.
std::string refusalProblem(const ProgramRun& run);

#endif
