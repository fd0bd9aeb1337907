#include "compare/platform.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#define SORTBENCH_HAVE_CPUID 1
#endif
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <io.h>
#include <psapi.h>

#include <cstdio>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#endif

#ifdef _WIN32

std::int64_t pageFaultCount() {
    PROCESS_MEMORY_COUNTERS counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PageFaultCount;
}

std::uint64_t physicalMemoryBytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

bool keepFreedMemoryMapped() { return false; }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void reopenClosedStandardStreams() {
    // A Windows program started without standard handles gets none of
    // these descriptors; its files then never take their numbers.
}

std::uint64_t addressSpaceLimitBytes() {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info;
    if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &info, sizeof info, nullptr))
        return 0;
    std::uint64_t limit = 0;
    const DWORD flags = info.BasicLimitInformation.LimitFlags;
    if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) limit = info.ProcessMemoryLimit;
    if ((flags & JOB_OBJECT_LIMIT_JOB_MEMORY) && (limit == 0 || info.JobMemoryLimit < limit))
        limit = info.JobMemoryLimit;
    return limit;
}

#else

std::int64_t pageFaultCount() {
    struct rusage usage;
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_minflt : 0;
}

std::uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::uint64_t(pages) * std::uint64_t(pageSize) : 0;
}

std::uint64_t addressSpaceLimitBytes() {
    std::uint64_t limit = 0;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit bound;
        if (getrlimit(resource, &bound) != 0 || bound.rlim_cur == RLIM_INFINITY) continue;
        if (limit == 0 || std::uint64_t(bound.rlim_cur) < limit) limit = std::uint64_t(bound.rlim_cur);
    }
    return limit;
}

bool stderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void reopenClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        // The lowest free descriptor is this one.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
    }
}

bool keepFreedMemoryMapped() {
#ifdef __GLIBC__
    // Without these, glibc serves blocks of 128 KiB and up with mmap and
    // unmaps them on free, and trims the heap's top: the next call of the
    // sort faults its buffers in again, inside the timed interval. 32 MiB
    // is the largest mmap threshold glibc accepts on 64-bit systems.
    return mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1 && mallopt(M_TRIM_THRESHOLD, -1) == 1;
#else
    return false;
#endif
}

#endif

#ifdef SORTBENCH_HAVE_CPUID

// The brand string asks nothing of the operating system, so it reads the
// same on Linux and Windows.
std::string cpuModelName() {
    unsigned int regs[12] = {};
    unsigned int highest = __get_cpuid_max(0x80000000, nullptr);
    if (highest < 0x80000004) return "";
    for (unsigned int leaf = 0; leaf < 3; ++leaf) {
        __get_cpuid(0x80000002 + leaf, &regs[4 * leaf], &regs[4 * leaf + 1], &regs[4 * leaf + 2],
                    &regs[4 * leaf + 3]);
    }
    char brand[sizeof regs + 1] = {};
    std::memcpy(brand, regs, sizeof regs);
    std::string name = brand;
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

#else

std::string cpuModelName() {
    // Linux on other processors names them in /proc/cpuinfo.
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line)) {
        if (line.compare(0, 10, "model name") == 0 || line.compare(0, 9, "Processor") == 0) {
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            std::string name = line.substr(colon + 1);
            name.erase(0, name.find_first_not_of(" \t"));
            return name;
        }
    }
    return "";
}

#endif

#ifdef _WIN32

std::vector<DataCache> dataCaches() {
    std::vector<DataCache> caches;
    DWORD length = 0;
    GetLogicalProcessorInformationEx(RelationCache, nullptr, &length);
    if (length == 0) return caches;
    std::vector<char> buffer(length);
    auto* info = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data());
    if (!GetLogicalProcessorInformationEx(RelationCache, info, &length)) return caches;
    for (DWORD offset = 0; offset < length;) {
        const auto* entry = reinterpret_cast<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(&buffer[offset]);
        const CACHE_RELATIONSHIP& cache = entry->Cache;
        const bool seen = std::any_of(caches.begin(), caches.end(),
                                      [&](const DataCache& c) { return c.level == cache.Level; });
        if (entry->Relationship == RelationCache && cache.Type != CacheInstruction && !seen)
            caches.push_back({cache.Level, cache.CacheSize});
        offset += entry->Size;
    }
    std::sort(caches.begin(), caches.end(),
              [](const DataCache& a, const DataCache& b) { return a.level < b.level; });
    return caches;
}

std::string operatingSystemName() {
    // GetVersionEx answers what the program's manifest claims; ntdll tells the truth.
    struct VersionInfo {
        ULONG size, major, minor, build, platform;
        WCHAR servicePack[128];
    } info = {};
    info.size = sizeof info;
    std::string name = "Windows";
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll != nullptr) {
        typedef LONG(WINAPI * GetVersion)(VersionInfo*);
        typedef const char*(CDECL * WineVersion)();
        const auto getVersion = reinterpret_cast<GetVersion>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (getVersion != nullptr && getVersion(&info) == 0) {
            name += " " + std::to_string(info.major) + "." + std::to_string(info.minor) + " (build " +
                    std::to_string(info.build) + ")";
        }
        const auto wine = reinterpret_cast<WineVersion>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "wine_get_version")));
        if (wine != nullptr) name += std::string(" under Wine ") + wine();
    }
    return name;
}

#else

namespace {

// "48K", "1024K", "32M": sysfs's sizes.
std::uint64_t sysfsBytes(const std::string& text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str()) return 0;
    if (*end == 'K') return value << 10;
    if (*end == 'M') return value << 20;
    if (*end == 'G') return value << 30;
    return value;
}

}  // namespace

std::vector<DataCache> dataCaches() {
    std::vector<DataCache> caches;
    for (int index = 0; index < 16; ++index) {
        const std::string dir = "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(index) + "/";
        std::ifstream levelFile(dir + "level"), typeFile(dir + "type"), sizeFile(dir + "size");
        int level = 0;
        std::string type, size;
        if (!(levelFile >> level) || !(typeFile >> type) || !(sizeFile >> size)) break;
        const std::uint64_t bytes = sysfsBytes(size);
        if (type != "Instruction" && bytes > 0) caches.push_back({level, bytes});
    }
#ifdef _SC_LEVEL1_DCACHE_SIZE
    // Virtual machines often list no cache in sysfs; glibc still reads them.
    if (caches.empty()) {
        const int names[] = {_SC_LEVEL1_DCACHE_SIZE, _SC_LEVEL2_CACHE_SIZE, _SC_LEVEL3_CACHE_SIZE,
                             _SC_LEVEL4_CACHE_SIZE};
        for (int level = 1; level <= 4; ++level) {
            const long bytes = sysconf(names[level - 1]);
            if (bytes > 0) caches.push_back({level, static_cast<std::uint64_t>(bytes)});
        }
    }
#endif
    std::sort(caches.begin(), caches.end(),
              [](const DataCache& a, const DataCache& b) { return a.level < b.level; });
    return caches;
}

std::string operatingSystemName() {
    struct utsname names;
    if (uname(&names) != 0) return "unknown";
    return std::string(names.sysname) + " " + names.release + " " + names.machine;
}

#endif

std::string dataCachesText(const std::vector<DataCache>& caches) {
    std::string text;
    for (const DataCache& cache : caches) {
        const bool mebi = cache.bytes >= (1u << 20) && cache.bytes % (1u << 20) == 0;
        text += (text.empty() ? "L" : ", L") + std::to_string(cache.level) + (cache.level == 1 ? "d " : " ") +
                std::to_string(mebi ? cache.bytes >> 20 : cache.bytes >> 10) + (mebi ? " MiB" : " KiB");
    }
    return text;
}

std::string compilerName() {
#if defined(__clang__)
    std::string name = "Clang " __clang_version__;
#elif defined(__GNUC__)
    std::string name = "GCC " __VERSION__;
#else
    std::string name = "unknown compiler";
#endif
#ifdef __MINGW32__
    name += " (MinGW-w64)";
#endif
    return name;
}
