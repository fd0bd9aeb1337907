#include "compare/user_sorts.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <list>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

long long sortbench_host_counts[2] = {0, 0};

namespace {

const int guardValue = 0x5EC7A3B1;

// A call that takes longer than this in the first run (at most 1000
// elements) is taken for a hang.
const int firstRunTimeoutSeconds = 5;
const int firstRunSizes[] = {0, 1, 2, 3, 17, 1000};
const std::uint32_t firstRunSeed = 1;

bool isIdentifier(const std::string& text) {
    if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
    for (char c : text) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

#ifdef _WIN32
const char libraryExtension[] = ".dll";
#else
const char libraryExtension[] = ".so";
#endif

// Strings of loaded rows live as long as the program.
const char* kept(const std::string& text) {
    static std::list<std::string> strings;
    strings.push_back(text);
    return strings.back().c_str();
}

template <typename Pointer, typename Symbol>
Pointer symbolAs(Symbol symbol) {
    Pointer pointer = nullptr;
    static_assert(sizeof pointer == sizeof symbol, "a symbol is a pointer");
    std::memcpy(&pointer, &symbol, sizeof pointer);
    return pointer;
}

// The crash report's text, written by a signal handler: "tool: " and the
// running call's "sort on shape at n = N: ", kept ready.
char toolPrefix[64] = "";
char callPrefix[256] = "";
volatile std::sig_atomic_t callRunning = 0;

void writeError(const char* text, std::size_t length) {
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, DWORD(length), &written, nullptr);
#else
    while (length > 0) {
        const ssize_t w = write(2, text, length);
        if (w <= 0) return;
        text += w;
        length -= std::size_t(w);
    }
#endif
}

// Async-signal-safe: no allocation, no stdio.
void writeCrashLine(const char* what, unsigned long code, bool hex) {
    if (!callRunning) return;
    char digits[24];
    int d = sizeof digits;
    const unsigned base = hex ? 16 : 10;
    do {
        digits[--d] = "0123456789ABCDEF"[code % base];
        code /= base;
    } while (code > 0 && d > 0);
    writeError(toolPrefix, std::strlen(toolPrefix));
    writeError(callPrefix, std::strlen(callPrefix));
    writeError(what, std::strlen(what));
    if (hex) writeError("0x", 2);
    writeError(digits + d, sizeof digits - std::size_t(d));
    writeError(")\n", 2);
}

#ifdef _WIN32
LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
    writeCrashLine("crashed (exception ", info->ExceptionRecord->ExceptionCode, true);
    return EXCEPTION_CONTINUE_SEARCH;
}
#else
void onCrashSignal(int signal) {
    writeCrashLine("crashed (signal ", static_cast<unsigned long>(signal), false);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

}  // namespace

SortId addDropInSort(const char* name, SortFunction timed, SortFunction counted, const char* expect,
                     const char* source, bool counts) {
    SortEntry row = {name, timed, counted, true, false};
    row.user = true;
    row.expects = expect;
    row.expectsWhy = "its author's expectation (SB_EXPECT)";
    row.source = source;
    row.counts = counts;
    row.operations = sortbench_host_counts;
    return addSort(row);
}

bool loadUserSort(const std::string& path, std::string& error) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t extension = file.size() - std::min(file.size(), std::strlen(libraryExtension));
    if (file.compare(extension, std::string::npos, libraryExtension) != 0) {
        error = "\"" + path + "\" is no " + libraryExtension + " file (NAME" + libraryExtension +
                " defining void NAME(int* a, int n))";
        return false;
    }
    const std::string name = file.substr(0, extension);
    if (!isIdentifier(name)) {
        error = "\"" + path + "\": the sort's name \"" + name + "\" is not an identifier";
        return false;
    }
    for (SortId s : allSorts()) {
        if (name == sortName(s)) {
            error = "\"" + path + "\": there is a sort named " + name + " already";
            return false;
        }
    }
    if (!std::ifstream(path.c_str()).good()) {
        error = "\"" + path + "\": no such file";
        return false;
    }
    SortEntry row = {kept(name), nullptr, nullptr, true, false};
    // Without a slash the system would search its library path, not this folder.
    const std::string opened = slash == std::string::npos ? "./" + path : path;
#ifdef _WIN32
    HMODULE library = LoadLibraryA(opened.c_str());
    if (library == nullptr) {
        error = "\"" + path + "\" does not load (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    row.timed = symbolAs<SortFunction>(GetProcAddress(library, name.c_str()));
    row.operations = symbolAs<long long*>(GetProcAddress(library, "sortbench_counts"));
    row.expects = symbolAs<const char*>(GetProcAddress(library, "sortbench_expect"));
#else
    void* library = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = "\"" + path + "\" does not load: " + dlerror();
        return false;
    }
    row.timed = symbolAs<SortFunction>(dlsym(library, name.c_str()));
    row.operations = static_cast<long long*>(dlsym(library, "sortbench_counts"));
    row.expects = static_cast<const char*>(dlsym(library, "sortbench_expect"));
#endif
    if (row.timed == nullptr) {
        error = "\"" + path + "\" has no function " + name + " (with C linkage, exported)";
        return false;
    }
    row.expectsWhy = "its author's expectation (SB_EXPECT)";
    // One build serves both tools: it counts in its own counters.
    row.counted = row.timed;
    row.user = true;
    row.source = kept(path);
    row.counts = row.operations != nullptr;
    addSort(row);
    return true;
}

void fillGuards(int* array, int n) {
    std::fill(array - guardLength, array, guardValue);
    std::fill(array + std::max(n, 0), array + std::max(n, 0) + guardLength, guardValue);
}

const char* guardProblem(const int* array, int n) {
    const auto touched = [](const int* from) {
        return std::find_if(from, from + guardLength, [](int v) { return v != guardValue; }) !=
               from + guardLength;
    };
    if (touched(array - guardLength)) return "wrote before the start of the array";
    if (touched(array + std::max(n, 0))) return "wrote past the end of the array";
    return nullptr;
}

GuardedArray::GuardedArray(const std::vector<int>& values) { assign(values); }

void GuardedArray::assign(const std::vector<int>& values) {
    n_ = static_cast<int>(values.size());
    cells_.resize(values.size() + 2 * guardLength);
    std::copy(values.begin(), values.end(), data());
    fillGuards(data(), n_);
}

const char* GuardedArray::guardProblem() const { return ::guardProblem(cells_.data() + guardLength, n_); }

std::string resultProblem(const int* result, const std::vector<int>& sorted) {
    if (const char* problem = guardProblem(result, int(sorted.size()))) return problem;
    const auto differs = std::mismatch(sorted.begin(), sorted.end(), result);
    if (differs.first == sorted.end()) return "";
    return "result differs from std::sort at element " + std::to_string(differs.first - sorted.begin());
}

std::string failureLine(const char* tool, SortId sort, const Shape& shape, int n,
                        const std::string& problem) {
    return std::string(tool) + ": " + sortName(sort) + " on " + shapeName(shape) +
           " at n = " + std::to_string(n) + ": " + problem;
}

std::string sortLabel(SortId sort) {
    return std::string(sortName(sort)) + (sortEntry(sort).user ? " (yours)" : "");
}

LineStyle sortLineStyle(SortId sort) {
    return sortEntry(sort).library ? lineSolid : sortEntry(sort).user ? lineDashDot : lineDashed;
}

std::vector<std::pair<std::string, std::string>> userSortContext(const std::vector<SortId>& sorts) {
    std::vector<std::pair<std::string, std::string>> context;
    for (SortId sort : sorts) {
        const SortEntry& entry = sortEntry(sort);
        if (!entry.user) continue;
        context.push_back({"your sort " + std::string(entry.name),
                           std::string(entry.source) + "; expects " +
                               (entry.expects ? entry.expects : "nothing stated (no SB_EXPECT)") +
                               (entry.counts ? "" : "; not counted (no SB_LESS or SB_SET)")});
    }
    return context;
}

void installCrashReport(const char* tool) {
    std::snprintf(toolPrefix, sizeof toolPrefix, "%s: ", tool);
#ifdef _WIN32
    SetUnhandledExceptionFilter(onUnhandledException);
#else
    // Its own stack, so that a stack overflow can still be reported.
    static char alternateStack[1 << 16];
    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action = {};
    action.sa_handler = onCrashSignal;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
#endif
}

void noteUserCall(SortId sort, const Shape& shape, int n) {
    if (!sortEntry(sort).user) return;
    callRunning = 0;
    std::snprintf(callPrefix, sizeof callPrefix, "%s on %s at n = %d: ", sortName(sort),
                  shapeName(shape).c_str(), n);
    callRunning = 1;
}

void userCallDone() { callRunning = 0; }

namespace {

struct FirstRunCase {
    Shape shape;
    int n;
};

// The cases of one sort, run in turn; progress(i) before case i. The
// problem of the first that fails, with its index, or "".
template <typename Progress>
std::string runCases(SortId sort, const std::vector<FirstRunCase>& cases, bool counted, std::size_t& failed,
                     Progress progress) {
    const SortFunction call = counted ? sortEntry(sort).counted : sortEntry(sort).timed;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::vector<int> input = makeShape(cases[i].shape, cases[i].n, firstRunSeed);
        std::vector<int> sorted = input;
        std::sort(sorted.begin(), sorted.end());
        GuardedArray work(input);
        progress(i);
        call(work.data(), cases[i].n);
        const std::string problem = resultProblem(work.data(), sorted);
        if (!problem.empty()) {
            failed = i;
            return problem;
        }
    }
    takeCounts();
    return "";
}

#ifdef _WIN32
// In the process itself: a watchdog ends it on a hang, the crash report
// names a crash.
volatile LONG casesStarted = 0;
volatile LONG firstRunActive = 0;

DWORD WINAPI watchFirstRun(LPVOID) {
    LONG seen = -1;
    int quietTenths = 0;
    for (;;) {
        Sleep(100);
        if (!firstRunActive) return 0;
        const LONG now = casesStarted;
        quietTenths = now == seen ? quietTenths + 1 : 0;
        seen = now;
        if (quietTenths >= firstRunTimeoutSeconds * 10) {
            writeCrashLine("did not return (seconds ", firstRunTimeoutSeconds, false);
            TerminateProcess(GetCurrentProcess(), 1);
        }
    }
}

std::string firstRunOne(SortId sort, const std::vector<FirstRunCase>& cases, bool counted,
                        std::size_t& failed) {
    firstRunActive = 1;
    HANDLE watchdog = CreateThread(nullptr, 0, watchFirstRun, nullptr, 0, nullptr);
    const std::string problem = runCases(sort, cases, counted, failed, [&](std::size_t i) {
        noteUserCall(sort, cases[i].shape, cases[i].n);
        InterlockedIncrement(&casesStarted);
    });
    userCallDone();
    firstRunActive = 0;
    if (watchdog != nullptr) {
        WaitForSingleObject(watchdog, INFINITE);
        CloseHandle(watchdog);
    }
    return problem;
}
#else
// In a child process, which tells the parent over a pipe which case it is
// on ("C i") or which failed ("F i problem"): a crash or a hang then ends
// only the child.
std::string firstRunOne(SortId sort, const std::vector<FirstRunCase>& cases, bool counted,
                        std::size_t& failed) {
    int channel[2];
    if (pipe(channel) != 0) return "could not start its first run (pipe)";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return "could not start its first run (fork)";
    if (child == 0) {
        close(channel[0]);
        const auto say = [&](const std::string& text) {
            const std::string line = text + "\n";
            if (write(channel[1], line.data(), line.size()) < 0) _exit(4);
        };
        std::size_t index = 0;
        const std::string problem =
            runCases(sort, cases, counted, index, [&](std::size_t i) { say("C " + std::to_string(i)); });
        if (!problem.empty()) {
            say("F " + std::to_string(index) + " " + problem);
            _exit(3);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string received;
    bool hung = false;
    for (;;) {
        pollfd watched = {channel[0], POLLIN, 0};
        const int ready = poll(&watched, 1, firstRunTimeoutSeconds * 1000);
        if (ready == 0) {
            hung = true;
            kill(child, SIGKILL);
            break;
        }
        char buffer[512];
        const ssize_t got = read(channel[0], buffer, sizeof buffer);
        if (got <= 0) break;
        received.append(buffer, std::size_t(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    // The last complete line says where the child was.
    std::string last;
    std::istringstream lines(received);
    for (std::string line; std::getline(lines, line);) last = line;
    if (last.size() > 2) failed = std::size_t(std::atol(last.c_str() + 2));
    if (hung) return "did not return within " + std::to_string(firstRunTimeoutSeconds) + " s";
    if (WIFSIGNALED(status)) {
        return "crashed (signal " + std::to_string(WTERMSIG(status)) + ", " + strsignal(WTERMSIG(status)) +
               ")";
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 3 && last.size() > 2 && last[0] == 'F') return last.substr(last.find(' ', 2) + 1);
    if (code != 0) return "ended the process with status " + std::to_string(code);
    return "";
}
#endif

}  // namespace

bool firstRunUserSorts(const char* tool, const std::vector<SortId>& sorts, std::vector<Shape> shapes,
                       bool counted) {
    for (const Shape& shape : plainShapes()) {
        if (std::find(shapes.begin(), shapes.end(), shape) == shapes.end()) shapes.push_back(shape);
    }
    std::vector<FirstRunCase> cases;
    for (const Shape& shape : shapes) {
        for (int n : firstRunSizes) cases.push_back({shape, n});
    }
    bool passed = true;
    for (SortId sort : sorts) {
        if (!sortEntry(sort).user) continue;
        std::size_t failed = 0;
        const std::string problem = firstRunOne(sort, cases, counted, failed);
        if (problem.empty()) continue;
        passed = false;
        const FirstRunCase& at = cases[std::min(failed, cases.size() - 1)];
        std::fprintf(stderr, "%s (its first run, before any timing)\n",
                     failureLine(tool, sort, at.shape, at.n, problem).c_str());
    }
    return passed;
}
