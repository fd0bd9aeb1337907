// The command-line front both tools share: the number grammar at its
// edges, the lists, the reader's rules for names, forms, order and
// repeats, and the output checks, which must never change what is there.
#include "compare/options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "compare/command_line.h"
#include "compare/writer.h"
#include "tests/run_program.h"

namespace {

// Per range: the least and largest values accepted, one past each and
// every spelling outside the grammar refused, naming the text.
TEST(Options, NumbersFollowOneGrammar) {
    struct Row {
        NumberRange range;
        std::vector<std::pair<const char*, double>> accepted;
        std::vector<const char*> refused;
    } const rows[] = {
        {{1, 2147483647, true, false},
         {{"1", 1}, {"2147483647", 2147483647}},
         {"0", "2147483648", "010", "0x10", "1e3", "+5", "-5", " 5", "5 ", "12x", "", "1.5", "1.0"}},
        {{0, 4294967295.0, true, false}, {{"0", 0}, {"4294967295", 4294967295.0}}, {"4294967296", "00"}},
        {{0, 604800, false, true},
         {{"0.5", 0.5}, {"0.001", 0.001}, {"604800", 604800}, {"1.50", 1.5}},
         {"604800.1", "0", "0.0", "00.5", ".5", "5.", "1.2.3", "0.5s", "0x1p-3", "inf", "nan", "1,5"}},
    };
    for (const Row& row : rows) {
        for (const auto& good : row.accepted) {
            double value = -1;
            std::string error;
            EXPECT_TRUE(parseNumber(good.first, row.range, value, error)) << good.first << ": " << error;
            EXPECT_EQ(value, good.second) << good.first;
        }
        for (const char* bad : row.refused) {
            double value = -1;
            std::string error;
            EXPECT_FALSE(parseNumber(bad, row.range, value, error)) << '"' << bad << '"';
            EXPECT_NE(error.find(std::string("\"") + bad + "\""), std::string::npos) << error;
        }
    }
}

// Each reader built on the grammar, at the edges of what it takes.
TEST(Options, EachReaderAtItsEdges) {
    struct Row {
        std::function<bool(const std::string&, double&, std::string&)> read;
        const char* text;
        bool accepted;
        double value;
    };
    const auto seconds = [](const std::string& t, double& v, std::string& e) {
        return parseSeconds(t, v, e);
    };
    const auto seed = [](const std::string& t, double& v, std::string& e) {
        std::uint32_t s = 0;
        const bool ok = parseSeed(t, s, e);
        v = s;
        return ok;
    };
    const auto count = [](const std::string& t, double& v, std::string& e) {
        std::int64_t c = 0;
        const bool ok = parseCount(t, 3, 9000000000LL, c, e);
        v = double(c);
        return ok;
    };
    const auto size = [](const std::string& t, double& v, std::string& e) {
        std::vector<int> sizes;
        const bool ok = parseSizeList(t, sizes, e);
        v = ok ? sizes.front() : 0;
        return ok;
    };
    const Row rows[] = {
        {seconds, "604800", true, 604800},  // a week
        {seconds, "604800.001", false, 0},
        {seconds, "604801", false, 0},
        {seconds, "0.000001", true, 0.000001},
        {seconds, "0", false, 0},
        {seed, "0", true, 0},
        {seed, "4294967295", true, 4294967295.0},
        {seed, "4294967296", false, 0},
        {count, "3", true, 3},
        {count, "2", false, 0},
        {count, "9000000000", true, 9000000000.0},
        {count, "9000000001", false, 0},
        {count, "4.5", false, 0},
        {seed, "1.0", false, 0},
        {size, "1", true, 1},
        {size, "2147483647", true, 2147483647},
        {size, "2147483648", false, 0},
    };
    for (const Row& row : rows) {
        double value = -1;
        std::string error;
        EXPECT_EQ(row.read(row.text, value, error), row.accepted) << row.text << ": " << error;
        if (row.accepted) {
            EXPECT_EQ(value, row.value) << row.text;
        } else {
            EXPECT_NE(error.find(quoted(row.text)), std::string::npos) << error;
        }
    }
}

TEST(Options, ListsAreSortedWithoutRepeats) {
    struct Row {
        const char* text;
        std::vector<int> sizes;  // empty: refused
    } const rows[] = {
        {"3,1,2,3", {1, 2, 3}},
        {"1", {1}},
        {"2147483647", {2147483647}},
        {"0", {}},
        {"1,,2", {}},
        {",1", {}},
        {"1,", {}},
        {"", {}},
        {"1,08", {}},
    };
    for (const Row& row : rows) {
        std::vector<int> sizes;
        std::string error;
        EXPECT_EQ(parseSizeList(row.text, sizes, error), !row.sizes.empty()) << row.text;
        if (!row.sizes.empty()) {
            EXPECT_EQ(sizes, row.sizes) << row.text;
        }
    }
    std::vector<SortId> sorts;
    std::string error;
    ASSERT_TRUE(parseSortList("quick,merge,quick", sorts, error));
    EXPECT_EQ(sorts, (std::vector<SortId>{sortQuick, sortMerge}));
    EXPECT_FALSE(parseSortList("quick,mergeX", sorts, error));
}

// The reader over a small table: what each command line leaves stored, or
// that it is refused (status 2).
TEST(Options, ReaderTakesExactNamesOnceEach) {
    struct Row {
        std::vector<const char*> args;
        int status;  // -1: read
        std::string stored;
    } const rows[] = {
        {{"--size=5"}, -1, "size=5;"},
        {{"--size", "5"}, -1, "size=5;"},
        {{"--sizes=1,2", "--flag"}, -1, "sizes=1,2;flag=;"},
        {{"--flag", "--sizes=1,2"}, -1, "flag=;sizes=1,2;"},
        {{"--gb=x"}, -1, "gb=x;"},
        {{"--opt"}, -1, "opt=;"},
        {{"--opt=true"}, -1, "opt=true;"},
        {{"--load=a", "--load", "b"}, -1, "load=a;load=b;"},
        {{"--load=a", "--size=5", "--load=a"}, -1, "load=a;size=5;load=a;"},
        {{"--gb=x", "--gb=y"}, 2, ""},
        {{"--flag", "--flag"}, 2, ""},
        {{"--size=5", "--size=5"}, 2, ""},
        {{"--size=5", "--sizes=5"}, 2, ""},
        {{"--sizesX=5"}, 2, ""},
        {{"--siz=5"}, 2, ""},
        {{"-size=5"}, 2, ""},
        {{"--size"}, 2, ""},
        {{"--gb"}, 2, ""},
        {{"--gb", "x"}, 2, ""},
        {{"--flag=1"}, 2, ""},
        {{"--size=bad"}, 2, ""},
        {{"5"}, 2, ""},
    };
    for (const Row& row : rows) {
        std::string stored;
        auto store = [&stored](const char* name) {
            return [&stored, name](const std::string& value, std::string& error) {
                stored += std::string(name) + "=" + value + ";";
                error = "is bad";
                return value != "bad";
            };
        };
        const std::vector<Option> table = {
            {"--sizes", Option::spaced, "LIST", "", store("sizes"), "sizes"},
            {"--size", Option::spaced, "N", "", store("size"), "sizes"},
            {"--flag", Option::flag, "", "", store("flag"), nullptr},
            {"--gb", Option::joined, "X", "", store("gb"), nullptr},
            {"--opt", Option::optional, "true|false", "", store("opt"), nullptr},
            {"--load", Option::spaced, "PATH", "", store("load"), nullptr, true},
        };
        std::vector<char*> argv = {const_cast<char*>("tool")};
        for (const char* arg : row.args) argv.push_back(const_cast<char*>(arg));
        testing::internal::CaptureStderr();
        const int status = readCommandLine("tool", table, int(argv.size()), argv.data(), "");
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, row.status) << row.args.front() << " " << err;
        if (row.status < 0) {
            EXPECT_EQ(stored, row.stored) << row.args.front();
        }
        if (row.status == 2) {
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}

// The help's columns: every line of an option's help starts at one column,
// at least two blanks after its name, or on a line of its own below a name
// too long for that.
TEST(Options, HelpAlignsWhateverTheNamesLength) {
    const std::size_t column = 32;
    for (std::size_t length = 3; length <= 40; ++length) {
        const std::string name = "--" + std::string(length - 2, 'x');
        const std::vector<Option> table = {
            {name.c_str(), Option::flag, "", "first line\nsecond line", nullptr, nullptr},
            {"--y", Option::spaced, "N", "after", nullptr, nullptr},
        };
        std::istringstream help(optionsHelp(table));
        std::vector<std::string> lines;
        for (std::string line; std::getline(help, line);) lines.push_back(line);
        const bool ownLine = 2 + length + 2 > column;
        ASSERT_EQ(lines.size(), ownLine ? 4u : 3u) << optionsHelp(table);
        const std::size_t first = ownLine ? 1 : 0;
        if (ownLine) {
            EXPECT_EQ(lines[0], "  " + name);
            EXPECT_EQ(lines[1], std::string(column, ' ') + "first line");
        } else {
            EXPECT_EQ(lines[0], "  " + name + std::string(column - 2 - length, ' ') + "first line");
        }
        EXPECT_EQ(lines[first + 1], std::string(column, ' ') + "second line");
        EXPECT_EQ(lines[first + 2], "  --y=N" + std::string(column - 7, ' ') + "after");
    }
}

// The sorts and shapes in the help: every name once, lines within 100
// columns, broken only after a comma.
TEST(Options, SortsAndShapesHelpWrapsAtCommas) {
    const std::string help = sortsAndShapesHelp();
    std::istringstream lines(help.substr(help.find('\n', help.find("Shapes")) + 1));
    std::string shapes;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 100u) << line;
        ASSERT_EQ(line.compare(0, 2, "  "), 0) << line;
        shapes += line.substr(2) + " ";
    }
    shapes.pop_back();
    EXPECT_EQ(shapes, shapeSyntax());
    EXPECT_GT(std::count(help.begin(), help.end(), '\n'), 3) << help;
    for (SortId sort : allSorts()) EXPECT_NE(help.find(sortName(sort)), std::string::npos) << sortName(sort);
}

TEST(Options, BytesReadAsMessagesSayThem) {
    const std::pair<double, const char*> rows[] = {
        {0, "0 bytes"},
        {1023, "1023 bytes"},
        {1024, "1.0 KiB"},
        {1536, "1.5 KiB"},
        {1048575, "1024.0 KiB"},
        {1.5 * (1 << 30), "1.5 GiB"},
        {1099511627776.0, "1.0 TiB"},
        {1125899906842624.0, "1024.0 TiB"},
    };
    for (const auto& row : rows) EXPECT_EQ(formatBytes(row.first), row.second) << row.first;
}

TEST(Options, RefusalCutsEchoesTo80Characters) {
    testing::internal::CaptureStderr();
    refuse("tool", "unknown option \"" + std::string(1000, 'x') + "\"; see --help");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tool: unknown option \"" + std::string(80, 'x') + "...\"; see --help\n");
}

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    if (*value == '\0') {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
#endif
}

TEST(Options, MemoryLimitOnlyLowers) {
    MemoryLimit limit;
    std::string error;
    ASSERT_TRUE(memoryLimit(limit, error));
    const std::uint64_t machine = limit.bytes;
    setVariable(memoryLimitVariable, "1000");
    ASSERT_TRUE(memoryLimit(limit, error));
    EXPECT_EQ(limit.bytes, 1000u);
    EXPECT_EQ(limit.source, memoryLimitVariable);
    setVariable(memoryLimitVariable, "999999999999999999");
    ASSERT_TRUE(memoryLimit(limit, error));
    EXPECT_EQ(limit.bytes, machine);
    setVariable(memoryLimitVariable, "1e3");
    EXPECT_FALSE(memoryLimit(limit, error));
    setVariable(memoryLimitVariable, "");
}

#ifndef _WIN32
// Every check refuses what cannot take a file, and leaves what is there
// byte for byte, with no file of its own left behind.
TEST(Options, OutputChecksTouchNothing) {
    const std::string folder = testing::TempDir() + "options_test_" + std::to_string(getpid());
    std::system(("rm -rf " + folder + " && mkdir -p " + folder + "/sub").c_str());
    const std::string existing = folder + "/old.html";
    std::ofstream(existing) << "the user's page\n";
    mkfifo((folder + "/fifo").c_str(), 0600);
    struct stat before;
    stat(existing.c_str(), &before);
    struct Row {
        std::string path;
        bool accepted;
    } const rows[] = {
        {existing, true},
        {folder + "/new.html", true},
        {folder + "/sub", false},
        {folder + "/sub/", false},
        {folder + "/missing/new.html", false},
        {folder + "/old.html/new.html", false},
        {folder + "/fifo", false},
        {"/dev/null", false},
        {"", false},
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_EQ(checkOutputFile(row.path, error), row.accepted) << row.path << ": " << error;
    }
    struct stat after;
    stat(existing.c_str(), &after);
    EXPECT_EQ(readFile(existing), "the user's page\n");
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    std::string error;
    EXPECT_FALSE(writeWholeFile(folder + "/missing/new.html", "x", error));
    ASSERT_TRUE(writeWholeFile(existing, "the new page\n", error)) << error;
    EXPECT_EQ(readFile(existing), "the new page\n");
    // Nothing but what was there: no temporary left behind.
    EXPECT_EQ(runProgram("ls", folder).out, "fifo\nold.html\nsub\n");
    std::system(("rm -rf " + folder).c_str());
}
#endif

}  // namespace
