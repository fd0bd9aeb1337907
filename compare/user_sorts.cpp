#include "compare/user_sorts.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <list>
#include <sstream>
#include <thread>

#include "compare/growth.h"
#include "compare/options.h"
#include "compare/platform.h"
#include "compare/text.h"
#include "compare/writer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#include <poll.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>
#endif

long long sortbench_host_counts[2] = {0, 0};

namespace {

const int guardValue = 0x5EC7A3B1;

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

std::vector<SortId>& loadedSorts() {
    static std::vector<SortId> sorts;
    return sorts;
}

template <typename Pointer, typename Symbol>
Pointer symbolAs(Symbol symbol) {
    Pointer pointer = nullptr;
    static_assert(sizeof pointer == sizeof symbol, "a symbol is a pointer");
    std::memcpy(&pointer, &symbol, sizeof pointer);
    return pointer;
}

// What ends a user's call, kept ready for a signal handler, the watchdog
// thread and the exit hook alike: "tool: " and the running call's "sort on
// shape at n = N: ". No allocation, no stdio in the handlers.
char toolPrefix[64] = "";
char callPrefix[320] = "";
char callSuffix[64] = "";
std::atomic<int> callRunning(0);
// Status of a failure while a call runs: 1, or 2 while a library loads
// (bad input, before any work).
std::atomic<int> failureStatus(1);

// The watchdog: a call running past callLimitMicroseconds is a hang. hangText says
// so in the words the limit came from.
std::atomic<unsigned> callSequence(0);
std::atomic<long long> callStartMicroseconds(0);
std::atomic<long long> callLimitMicroseconds(0);
char hangText[200] = "";
double hangFloorSeconds = 10;
const double hangMultiple = 20;

// What each sort's calls took so far: the largest size done and its
// seconds per call, from which the next call's limit is predicted.
struct CallsSeen {
    int n;
    double secondsPerCall;
};
const int trackedSorts = 256;
CallsSeen callsSeen[trackedSorts] = {};
int runningSort = -1;
int runningN = 0;
int runningCalls = 1;

// The first run's array between two inaccessible pages, which the crash
// handler tells apart from any other fault.
std::atomic<const char*> fenceLow(nullptr);
std::atomic<const char*> fenceHigh(nullptr);
std::atomic<const int*> fenceArray(nullptr);
std::atomic<int> fenceN(0);

// In the first run's child on Linux: the pipe to the parent and the case
// running, which a handler reports instead of ending with a line.
int reportChannel = -1;
std::atomic<int> reportCase(0);

long long nowMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A line built without allocating.
struct Line {
    char text[640];
    std::size_t length = 0;
    Line& operator<<(const char* part) {
        while (*part != '\0' && length + 1 < sizeof text) text[length++] = *part++;
        return *this;
    }
    Line& number(long long value, unsigned base = 10) {
        char digits[24];
        int d = sizeof digits;
        const bool negative = value < 0;
        unsigned long long rest =
            negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do {
            digits[--d] = "0123456789ABCDEF"[rest % base];
            rest /= base;
        } while (rest > 0 && d > 1);
        if (negative) digits[--d] = '-';
        for (; d < int(sizeof digits); ++d) {
            if (length + 1 < sizeof text) text[length++] = digits[d];
        }
        return *this;
    }
};

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

[[noreturn]] void endProcess(int status) {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), UINT(status));
#endif
    _exit(status);
}

// Ends the program for the running call: in the first run's child, by
// telling the parent; else with the line on stderr, the temporaries
// removed, and the failure's status.
[[noreturn]] void endCall(const char* what) {
#ifndef _WIN32
    if (reportChannel >= 0) {
        Line report;
        (report << "F ").number(reportCase.load()) << " " << what << "\n";
        if (write(reportChannel, report.text, report.length) < 0) _exit(4);
        _exit(3);
    }
#endif
    Line line;
    line << toolPrefix << callPrefix << what << callSuffix << "\n";
    writeError(line.text, line.length);
    removeTemporaries();
    endProcess(failureStatus.load());
}

// The fault at address in the first run's fenced array, or false.
bool describeFenceFault(Line& what, const char* address, int access) {
    const char* low = fenceLow.load();
    const char* high = fenceHigh.load();
    const int* array = fenceArray.load();
    if (low == nullptr || address < low || address >= high) return false;
    const long long offset = address - reinterpret_cast<const char*>(array);
    const long long index = offset >= 0 ? offset / long(sizeof(int)) : -((-offset + 3) / long(sizeof(int)));
    const int n = fenceN.load();
    what << (access == 1   ? "wrote"
             : access == 0 ? "read"
                           : "read or wrote")
         << (index < 0 ? " before the start of the array (a[" : " past the end of the array (a[");
    what.number(index) << "], n = ";
    what.number(n) << ")";
    return true;
}

#ifdef _WIN32
LONG WINAPI onException(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    const bool fault = code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_STACK_OVERFLOW ||
                       code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
                       code == EXCEPTION_PRIV_INSTRUCTION || code == EXCEPTION_IN_PAGE_ERROR;
    // C++ exceptions pass here first too; the call's catch takes them.
    if (!fault || !callRunning.load()) return EXCEPTION_CONTINUE_SEARCH;
    Line what;
    if (code == EXCEPTION_STACK_OVERFLOW) {
        what << "overflowed the stack (too deep a recursion)";
    } else if (code != EXCEPTION_ACCESS_VIOLATION || info->ExceptionRecord->NumberParameters < 2 ||
               !describeFenceFault(
                   what, reinterpret_cast<const char*>(info->ExceptionRecord->ExceptionInformation[1]),
                   info->ExceptionRecord->ExceptionInformation[0] == 1 ? 1 : 0)) {
        what << "crashed (exception 0x";
        what.number(code, 16) << ")";
    }
    endCall(what.text);
}
#else
// The main thread's stack, where a fault means it overflowed.
const char* stackLow = nullptr;
const char* stackHigh = nullptr;

const char* signalName(int signal) {
    switch (signal) {
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGFPE: return "SIGFPE";
        case SIGILL: return "SIGILL";
        case SIGABRT: return "SIGABRT";
        default: return "?";
    }
}

void onCrashSignal(int signal, siginfo_t* info, void* context) {
    if (!callRunning.load()) {
        // The tool's own fault: its temporaries go, the signal ends it.
        removeTemporaries();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    int access = -1;
#if defined(__linux__) && defined(__x86_64__)
    // The page fault's error code: bit 1 set for a write.
    access = (static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_ERR] & 2) != 0 ? 1 : 0;
#else
    (void)context;
#endif
    const char* address = static_cast<const char*>(info->si_addr);
    Line what;
    if ((signal == SIGSEGV || signal == SIGBUS) && describeFenceFault(what, address, access)) {
    } else if (signal == SIGSEGV && stackLow != nullptr && address >= stackLow - (1 << 20) &&
               address < stackHigh) {
        what << "overflowed the stack (too deep a recursion)";
    } else {
        what << "crashed (signal ";
        what.number(signal) << ", " << signalName(signal) << ")";
    }
    endCall(what.text);
}
#endif

// An exit() inside a call: the program would end as if all were well.
void onExit() {
    if (!callRunning.load() || reportChannel >= 0) return;
    endCall("ended the program instead of returning (exit() inside the sort)");
}

void watch() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!callRunning.load()) continue;
        const unsigned sequence = callSequence.load();
        if (nowMicroseconds() - callStartMicroseconds.load() <= callLimitMicroseconds.load()) continue;
        if (callRunning.load() && sequence == callSequence.load()) endCall(hangText);
    }
}

bool readHangFloor(std::string& error) {
    const char* given = std::getenv(hangVariable);
    if (given == nullptr) return true;
    double seconds = 0;
    if (!parseSeconds(given, seconds, error) || !(seconds > 0)) {
        if (error.empty()) error = "needs more than 0 seconds, not " + quoted(given);
        error = std::string(hangVariable) + " (in the environment) " + error;
        return false;
    }
    hangFloorSeconds = seconds;
    return true;
}

// Runs load, the loading of a user's library, whose constructors may
// crash, hang or exit: each is named as the library's, status 2.
template <typename Load>
auto whileLoading(const std::string& path, Load load) -> decltype(load()) {
    std::snprintf(callPrefix, sizeof callPrefix, "\"%s\": ", path.c_str());
    std::snprintf(callSuffix, sizeof callSuffix, " while loading");
    std::snprintf(hangText, sizeof hangText, "did not finish loading within %.3g s", hangFloorSeconds);
    failureStatus = 2;
    callLimitMicroseconds = static_cast<long long>(hangFloorSeconds * 1e6);
    callStartMicroseconds = nowMicroseconds();
    ++callSequence;
    callRunning = 1;
    const auto loaded = load();
    callRunning = 0;
    failureStatus = 1;
    callSuffix[0] = '\0';
    return loaded;
}

#ifndef _WIN32
// A symbol of the library itself: dlsym also searches what the library
// depends on, where the C library's qsort would answer for a qsort.so
// whose own function lacks C linkage.
void* ownSymbol(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (symbol == nullptr) return nullptr;
    link_map* map = nullptr;
    Dl_info info;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || dladdr(symbol, &info) == 0 ||
        info.dli_fname == nullptr || std::strcmp(info.dli_fname, map->l_name) != 0) {
        return nullptr;
    }
    return symbol;
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
    const HMODULE library = whileLoading(path, [&] { return LoadLibraryA(opened.c_str()); });
    if (library == nullptr) {
        error = "\"" + path + "\" does not load (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    row.timed = symbolAs<SortFunction>(GetProcAddress(library, name.c_str()));
    row.operations = symbolAs<long long*>(GetProcAddress(library, "sortbench_counts"));
    row.expects = symbolAs<const char*>(GetProcAddress(library, "sortbench_expect"));
#else
    void* library = whileLoading(path, [&] { return dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL); });
    if (library == nullptr) {
        error = "\"" + path + "\" does not load: " + dlerror();
        return false;
    }
    row.timed = symbolAs<SortFunction>(ownSymbol(library, name.c_str()));
    row.operations = static_cast<long long*>(ownSymbol(library, "sortbench_counts"));
    row.expects = static_cast<const char*>(ownSymbol(library, "sortbench_expect"));
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
    loadedSorts().push_back(addSort(row));
    return true;
}

bool allocationsSeen(SortId sort) {
    return std::find(loadedSorts().begin(), loadedSorts().end(), sort) == loadedSorts().end();
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
bool installCrashReport(const char* tool, std::string& error) {
    std::snprintf(toolPrefix, sizeof toolPrefix, "%s: ", tool);
    reopenClosedStandardStreams();
    removeTemporariesOnSignals();
    if (!readHangFloor(error)) return false;
    static bool installed = false;
    if (installed) return true;
    installed = true;
#ifdef _WIN32
    // Room for the handler once the stack has overflowed.
    ULONG guarantee = 64 * 1024;
    SetThreadStackGuarantee(&guarantee);
    AddVectoredExceptionHandler(1, onException);
#else
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        void* low = nullptr;
        std::size_t size = 0;
        if (pthread_attr_getstack(&attributes, &low, &size) == 0) {
            stackLow = static_cast<const char*>(low);
            stackHigh = stackLow + size;
        }
        pthread_attr_destroy(&attributes);
    }
    // Its own stack, so that a stack overflow can still be reported.
    static char alternateStack[1 << 16];
    stack_t stack = {};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action = {};
    action.sa_sigaction = onCrashSignal;
    action.sa_flags = SA_ONSTACK | SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
#endif
    std::atexit(onExit);
#ifndef _WIN32
    std::at_quick_exit(onExit);
#endif
    std::thread(watch).detach();
    return true;
}

void noteUserCall(SortId sort, const Shape& shape, int n, int calls) {
    if (!sortEntry(sort).user) return;
    callRunning = 0;
    std::snprintf(callPrefix, sizeof callPrefix, "%s on %s at n = %d: ", sortName(sort),
                  shapeName(shape).c_str(), n);
    runningSort = int(sort);
    runningN = n;
    runningCalls = std::max(calls, 1);
    // Calls seen at a smaller size predict as n², the slowest growth a
    // sort here may have; at a larger size, as that size's.
    double predicted = 0;
    const CallsSeen seen = int(sort) < trackedSorts ? callsSeen[int(sort)] : CallsSeen{0, 0};
    if (seen.n > 0) {
        const double ratio = std::max(1.0, double(n) / seen.n);
        predicted = seen.secondsPerCall * ratio * ratio * runningCalls;
    }
    const double limit = std::max(hangFloorSeconds, hangMultiple * predicted);
    if (limit > hangFloorSeconds) {
        std::snprintf(
            hangText, sizeof hangText,
            "did not return within %.3g s (%.0f times the %.3g s predicted from its calls at n = %d)", limit,
            hangMultiple, predicted, seen.n);
    } else {
        std::snprintf(hangText, sizeof hangText, "did not return within %.3g s", limit);
    }
    callLimitMicroseconds = static_cast<long long>(limit * 1e6);
    callStartMicroseconds = nowMicroseconds();
    ++callSequence;
    callRunning = 1;
}

void userCallDone() {
    if (!callRunning.load()) return;
    callRunning = 0;
    if (runningSort < 0 || runningSort >= trackedSorts) return;
    const double perCall = double(nowMicroseconds() - callStartMicroseconds.load()) / 1e6 / runningCalls;
    CallsSeen& seen = callsSeen[runningSort];
    if (runningN > seen.n || (runningN == seen.n && perCall > seen.secondsPerCall))
        seen = {runningN, perCall};
}

void userCallThrew() {
    if (!callRunning.load()) throw;
    std::string what = "threw a C++ exception instead of returning";
    try {
        throw;
    } catch (const std::exception& e) {
        what += " (" + std::string(e.what()) + ")";
    } catch (...) {
    }
    endCall(what.c_str());
}

namespace {

struct FirstRunCase {
    Shape shape;
    int n;
};

std::size_t pageBytes() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return std::size_t(sysconf(_SC_PAGESIZE));
#endif
}

// An array placed against an inaccessible page, at its end or its start:
// any read or write past that side faults at once. The rest of its pages
// hold guard values, checked after the call.
class FencedArray {
public:
    FencedArray(const std::vector<int>& values, bool againstEnd) : n_(int(values.size())) {
        const std::size_t page = pageBytes();
        const std::size_t bytes = values.size() * sizeof(int);
        const std::size_t dataPages = std::max<std::size_t>(1, (bytes + page - 1) / page);
        total_ = (dataPages + 2) * page;
#ifdef _WIN32
        base_ = static_cast<char*>(VirtualAlloc(nullptr, total_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_ == nullptr || !VirtualProtect(base_, page, PAGE_NOACCESS, &old) ||
            !VirtualProtect(base_ + total_ - page, page, PAGE_NOACCESS, &old))
            return;
#else
        void* mapped = mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return;
        base_ = static_cast<char*>(mapped);
        if (mprotect(base_, page, PROT_NONE) != 0 || mprotect(base_ + total_ - page, page, PROT_NONE) != 0)
            return;
#endif
        cellsBegin_ = reinterpret_cast<int*>(base_ + page);
        cellsEnd_ = reinterpret_cast<int*>(base_ + total_ - page);
        array_ = againstEnd ? cellsEnd_ - n_ : cellsBegin_;
        std::fill(cellsBegin_, cellsEnd_, guardValue);
        std::copy(values.begin(), values.end(), array_);
    }
    ~FencedArray() {
        fenceLow = nullptr;
        if (base_ == nullptr) return;
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, total_);
#endif
    }
    FencedArray(const FencedArray&) = delete;
    FencedArray& operator=(const FencedArray&) = delete;

    int* data() { return array_; }
    // Tells the crash handler where the fences are, for the call to come.
    void arm() {
        fenceArray = array_;
        fenceN = n_;
        fenceHigh = base_ + total_;
        fenceLow = base_;
    }
    // A write into the guard values beside the array, or null.
    const char* slackProblem() const {
        const auto touched = [](const int* from, const int* to) {
            return std::find_if(from, to, [](int v) { return v != guardValue; }) != to;
        };
        if (touched(cellsBegin_, array_)) return "wrote before the start of the array";
        if (touched(array_ + n_, cellsEnd_)) return "wrote past the end of the array";
        return nullptr;
    }

private:
    int n_;
    std::size_t total_ = 0;
    char* base_ = nullptr;
    int* cellsBegin_ = nullptr;
    int* cellsEnd_ = nullptr;
    int* array_ = nullptr;
};

// The first element that differs from sorted, or "".
std::string differsProblem(const int* result, const std::vector<int>& sorted) {
    const auto differs = std::mismatch(sorted.begin(), sorted.end(), result);
    if (differs.first == sorted.end()) return "";
    return "result differs from std::sort at element " + std::to_string(differs.first - sorted.begin());
}

// The cases of one sort, run in turn, each twice: against the fence at its
// end and at its start; started(i) before case i's calls. The problem of
// the first that fails, with its index, or "".
template <typename Started>
std::string runCases(SortId sort, const std::vector<FirstRunCase>& cases, bool counted, std::size_t& failed,
                     Started started) {
    const SortFunction call = counted ? sortEntry(sort).counted : sortEntry(sort).timed;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::vector<int> input = makeShape(cases[i].shape, cases[i].n, firstRunSeed);
        std::vector<int> sorted = input;
        std::sort(sorted.begin(), sorted.end());
        started(i);
        for (bool againstEnd : {true, false}) {
            FencedArray work(input, againstEnd);
            if (work.data() == nullptr) {
                failed = i;
                return "could not start its first run (no memory for the array)";
            }
            work.arm();
            noteUserCall(sort, cases[i].shape, cases[i].n);
            try {
                call(work.data(), cases[i].n);
            } catch (...) {
                userCallThrew();
            }
            userCallDone();
            const char* slack = work.slackProblem();
            const std::string problem = slack ? slack : differsProblem(work.data(), sorted);
            if (!problem.empty()) {
                failed = i;
                return problem;
            }
        }
    }
    takeCounts();
    return "";
}

#ifdef _WIN32
// In the process itself: the watchdog and the crash report end it on a
// hang or a fault, naming the case.
std::string firstRunOne(SortId sort, const std::vector<FirstRunCase>& cases, bool counted,
                        std::size_t& failed) {
    std::snprintf(callSuffix, sizeof callSuffix, " (its first run, before any timing)");
    const std::string problem = runCases(sort, cases, counted, failed, [](std::size_t) {});
    callSuffix[0] = '\0';
    return problem;
}
#else
// In a child process, which tells the parent over a pipe which case it is
// on ("C i"), which failed ("F i problem"), and that all are done ("D"):
// any other end, a crash, a hang or an exit inside the sort, ends only the
// child.
std::string firstRunOne(SortId sort, const std::vector<FirstRunCase>& cases, bool counted,
                        std::size_t& failed) {
    int channel[2];
    if (pipe(channel) != 0) return "could not start its first run (pipe)";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return "could not start its first run (fork)";
    if (child == 0) {
        close(channel[0]);
        reportChannel = channel[1];
        const auto say = [&](const std::string& text) {
            const std::string line = text + "\n";
            if (write(channel[1], line.data(), line.size()) < 0) _exit(4);
        };
        std::size_t index = 0;
        const std::string problem = runCases(sort, cases, counted, index, [&](std::size_t i) {
            reportCase = int(i);
            say("C " + std::to_string(i));
        });
        say(problem.empty() ? "D" : "F " + std::to_string(index) + " " + problem);
        _exit(problem.empty() ? 0 : 3);
    }
    close(channel[1]);
    std::string received;
    bool hung = false;
    for (;;) {
        pollfd watched = {channel[0], POLLIN, 0};
        const int ready = poll(&watched, 1, int(hangFloorSeconds * 1000));
        if (ready == 0) {
            hung = true;
            kill(child, SIGKILL);
            break;
        }
        if (ready < 0 && errno == EINTR) continue;
        char buffer[512];
        const ssize_t got = read(channel[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        received.append(buffer, std::size_t(got));
    }
    close(channel[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The last complete line says where the child was.
    std::string last;
    std::istringstream lines(received);
    for (std::string line; std::getline(lines, line);) last = line;
    if (last == "D" && WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    if (last.size() > 2) failed = std::size_t(std::atol(last.c_str() + 2));
    if (hung) return "did not return within " + formatted("%.3g", hangFloorSeconds) + " s";
    if (last.size() > 2 && last[0] == 'F') return last.substr(last.find(' ', 2) + 1);
    if (WIFSIGNALED(status)) {
        return "crashed (signal " + std::to_string(WTERMSIG(status)) + ", " + strsignal(WTERMSIG(status)) +
               ")";
    }
    return "ended the program instead of returning (exit status " +
           std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
}
#endif

}  // namespace

namespace {

// Edits from one spelling to the other, letters' case aside.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The refusal of an expectation that names no growth class, or "".
std::string expectationProblem(SortId sort) {
    const char* expects = sortEntry(sort).expects;
    GrowthClass cls;
    if (expects == nullptr || parseGrowthClass(expects, cls)) return "";
    std::string accepted;
    const char* nearest = growthClassNames[0];
    for (int c = 0; c < growthClassCount; ++c) {
        accepted += std::string(c == 0 ? "" : ", ") + "\"" + growthClassNames[c] + "\"";
        if (editDistance(expects, growthClassNames[c]) < editDistance(expects, nearest))
            nearest = growthClassNames[c];
    }
    return std::string(sortName(sort)) + ": SB_EXPECT(\"" + expects +
           "\") names no growth class; write one of " + accepted + " (the nearest: \"" + nearest + "\")";
}

}  // namespace

int firstRunUserSorts(const char* tool, const std::vector<SortId>& sorts, std::vector<Shape> shapes,
                      bool counted) {
    bool stated = true;
    for (SortId sort : sorts) {
        const std::string problem = expectationProblem(sort);
        if (problem.empty()) continue;
        std::fprintf(stderr, "%s: %s\n", tool, problem.c_str());
        stated = false;
    }
    if (!stated) return 2;
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
    return passed ? 0 : 1;
}
