// Both tools' output files and standard output: what cannot take a file is
// refused before any work, a write that fails (a full disk) is a failure
// that leaves an existing file as it was and no partial file, and a lost
// standard output is a failure in every program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/run_program.h"

namespace {

int shell(const std::string& command) { return std::system(command.c_str()); }

// The last line on stderr: the tools report progress before it.
std::string lastLine(const std::string& text) {
    const std::size_t end = text.empty() ? 0 : text.size() - 1;
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos || end == 0 ? 0 : start + 1);
}

TEST(Outputs, CheckedFirstWrittenWholeOrNotAtAll) {
    const std::string base = testing::TempDir() + "outputs_cli_" + std::to_string(getpid());
    shell("umount " + base + "/full " + base + "/readonly 2>/dev/null; rm -rf " + base);
    shell("mkdir -p " + base + "/plain/sub " + base + "/full " + base + "/readonly && mkfifo " + base +
          "/plain/fifo");
    // A full disk and a read-only folder need small file systems of their
    // own: root mounts them; others get a folder without write permission
    // and no full disk.
    const bool mounted = geteuid() == 0 &&
                         shell("mount -t tmpfs -o size=256k tmpfs " + base + "/full") == 0 &&
                         shell("mount -t tmpfs -o size=64k tmpfs " + base + "/readonly") == 0;
    for (const char* folder : {"/full", "/readonly"})
        std::ofstream(base + folder + "/old.html") << "old page\n";
    if (mounted) {
        shell("dd if=/dev/zero of=" + base + "/full/filler bs=4k 2>/dev/null");
        shell("mount -o remount,ro " + base + "/readonly");
    } else {
        shell("chmod 444 " + base + "/readonly/old.html && chmod 555 " + base + "/readonly");
    }
    struct Place {
        const char* path;
        int status;  // 2: refused before any work; 1: failed at the write
    } const places[] = {
        {"/plain/sub", 2},         {"/plain/missing/out.html", 2}, {"/plain/fifo", 2},
        {"/readonly/old.html", 2}, {"/readonly/new.html", 2},      {"/full/old.html", 1},
        {"/full/new.html", 1},
    };
    std::vector<std::pair<std::string, std::string>> tools = {
        {SORTING_COUNTS_PATH, "--sizes=100 --sorts=merge --shapes=random --html="}};
#ifdef SORTING_BENCHMARK_PATH
    const std::string smallRun =
        " --benchmark_filter=^merge/random/1000$ --sortbench_sizes=1000 "
        "--benchmark_min_time=0.001 ";
    for (const char* option : {"--sortbench_html=", "--sortbench_summary=", "--benchmark_out="})
        tools.push_back({SORTING_BENCHMARK_PATH, smallRun + option});
#endif
    for (const Place& place : places) {
        if (place.status == 1 && !mounted) continue;
        for (const auto& tool : tools) {
            const ProgramRun run = runProgram(tool.first, tool.second + base + place.path);
            const std::string row = tool.second + place.path;
            if (place.status == 2) {
                EXPECT_EQ(refusalProblem(run), "") << row;
            } else {
                EXPECT_EQ(run.status, 1) << row << "\n" << run.err;
                EXPECT_NE(lastLine(run.err).find("cannot write"), std::string::npos) << row << "\n"
                                                                                     << run.err;
            }
        }
    }
    EXPECT_EQ(readFile(base + "/full/old.html"), "old page\n");
    EXPECT_EQ(readFile(base + "/readonly/old.html"), "old page\n");
    // Nothing left behind: no temporary, no partial page.
    EXPECT_EQ(runProgram("ls", base + "/plain " + base + "/readonly " + base + "/full").out,
              base + "/full:\n" + (mounted ? "filler\n" : "") + "old.html\n\n" + base +
                  "/plain:\nfifo\nsub\n\n" + base + "/readonly:\nold.html\n");
    if (mounted) {
        shell("umount " + base + "/full " + base + "/readonly");
    } else {
        shell("chmod 755 " + base + "/readonly");
    }
    shell("rm -rf " + base);
    if (!mounted) GTEST_SKIP() << "full-disk rows need root and mount";
}

TEST(Outputs, StandardOutputLostIsAFailure) {
    std::vector<std::string> lines = {std::string(SORTBENCH_PATH), std::string(SORTBENCH_PATH) + " --help",
                                      std::string(SORTING_COUNTS_PATH) + " --sizes=100 --sorts=merge --json",
                                      std::string(SORTING_COUNTS_PATH) + " --help"};
#ifdef SORTING_BENCHMARK_PATH
    lines.push_back(
        std::string(SORTING_BENCHMARK_PATH) +
        " --benchmark_filter=^merge/random/1000$ --sortbench_sizes=1000 --benchmark_min_time=0.001");
    lines.push_back(std::string(SORTING_BENCHMARK_PATH) + " --help");
#endif
    for (const std::string& line : lines) {
        const ProgramRun run = runProgram("sh -c '" + line + " >/dev/full'", "");
        EXPECT_EQ(run.status, 1) << line << "\n" << run.err;
        EXPECT_NE(lastLine(run.err).find("cannot write"), std::string::npos) << line << "\n" << run.err;
    }
    // Where the last flush is what fails, the system's reason follows.
    for (const char* program : {SORTBENCH_PATH, SORTING_COUNTS_PATH}) {
        const ProgramRun help = runProgram("sh -c '" + std::string(program) + " --help >/dev/full'", "");
        EXPECT_NE(help.err.find(std::string(": ") + std::strerror(ENOSPC) + "\n"), std::string::npos)
            << help.err;
    }
}

}  // namespace

namespace {

// Each tool's help starts with its own name and purpose, lists the sorts,
// the shapes' forms and the defaults; Google Benchmark's flags come last,
// under their heading.
TEST(Outputs, HelpNamesTheToolSortsShapesAndDefaults) {
    std::vector<std::string> tools = {SORTING_COUNTS_PATH};
#ifdef SORTING_BENCHMARK_PATH
    tools.push_back(SORTING_BENCHMARK_PATH);
#endif
    for (const std::string& tool : tools) {
        const ProgramRun run = runProgram(tool, "--help");
        const std::string name = tool.substr(tool.rfind('/') + 1);
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.out.compare(0, name.size() + 1, name + ":"), 0) << run.out.substr(0, 200);
        for (const char* word :
             {"insertion", "merge", "quick", "counting", "radix", "std_sort", "std_stable_sort",
              "nearly_sorted:P", "few_distinct:K", "random:MAX", "runs:R", "20261208", "1000000"}) {
            EXPECT_NE(run.out.find(word), std::string::npos) << name << ": " << word;
        }
        const std::size_t heading = run.out.find("Google Benchmark's flags");
        if (name == "sorting_benchmark") {
            EXPECT_LT(run.out.find("--sortbench_shapes"), heading);
            EXPECT_LT(heading, run.out.find("--benchmark_repetitions"));
        }
    }
}

}  // namespace
