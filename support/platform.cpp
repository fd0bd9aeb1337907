#include "platform.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <sys/resource.h>
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
