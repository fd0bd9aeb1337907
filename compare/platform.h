// What the comparison tools ask of the operating system, one small function
// each, so that the tools build for Linux and for Windows alike.
#ifndef COMPARE_PLATFORM_H
#define COMPARE_PLATFORM_H

#include <cstdint>
#include <string>
#include <vector>

// Page faults of this process so far: minor (soft) faults on Linux; on
// Windows every fault the process took, hard or soft.
std::int64_t pageFaultCount();

// Physical memory of the machine in bytes, or 0 when it cannot be told.
std::uint64_t physicalMemoryBytes();

// The most address space this process may take (RLIMIT_AS or RLIMIT_DATA
// on Linux, a job object's memory limit on Windows), or 0 when unlimited.
std::uint64_t addressSpaceLimitBytes();

// Whether standard error is a terminal, where a progress line may be
// rewritten in place.
bool stderrIsTerminal();

// Asks the allocator to keep freed memory mapped, so that repeated calls
// of a sort do not fault their buffers in again each time. Returns false
// where the allocator offers no such control (Windows' heap).
bool keepFreedMemoryMapped();

// Opens /dev/null (NUL on Windows) on each of descriptors 0, 1 and 2 that
// is closed, so that no file the program opens takes its place.
void reopenClosedStandardStreams();

// The processor's name as its maker gives it ("AMD EPYC 9R14 96-Core
// Processor"), or "" when it cannot be told.
std::string cpuModelName();

// The data and unified caches of one processor, smallest first: Linux's
// sysfs where it lists them, else sysconf; Windows'
// GetLogicalProcessorInformationEx. Empty when none can be told.
struct DataCache {
    int level;
    std::uint64_t bytes;
};
std::vector<DataCache> dataCaches();
// "L1d 48 KiB, L2 1 MiB", or "".
std::string dataCachesText(const std::vector<DataCache>& caches);

// The operating system as "Linux 6.1.0-18-amd64 x86_64" or "Windows 10.0
// (build 19045)", with Wine's version where Wine runs the program.
std::string operatingSystemName();

// The compiler this program was built with: "GCC 12.2.0", "Clang 14.0.6",
// "(MinGW-w64)" after it for Windows builds.
std::string compilerName();

#endif
