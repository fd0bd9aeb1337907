#include "sorting_benchmark/run_context.h"

#include <benchmark/benchmark.h>

#include "compare/platform.h"
#include "compare/sorts.h"
#include "compare/text.h"
#include "compare/user_sorts.h"

#ifndef SORTBENCH_BUILD_TYPE
#define SORTBENCH_BUILD_TYPE "unknown"
#endif
#ifndef SORTBENCH_COMPILE_FLAGS
#define SORTBENCH_COMPILE_FLAGS "unknown"
#endif
#ifndef SORTBENCH_PROJECT_VERSION
#define SORTBENCH_PROJECT_VERSION "unknown"
#endif

void addRunContext(const BenchmarkFlags& flags) {
    benchmark::AddCustomContext("sortbench_repetitions", std::to_string(flags.repetitions));
    benchmark::AddCustomContext("sortbench_min_time", formatted("%g", flags.minTime));
    const std::string cpu = cpuModelName();
    benchmark::AddCustomContext("sortbench_cpu", cpu.empty() ? "unknown" : cpu);
    benchmark::AddCustomContext("sortbench_os", operatingSystemName());
    benchmark::AddCustomContext("sortbench_compiler", compilerName());
    benchmark::AddCustomContext("sortbench_compile_flags", SORTBENCH_COMPILE_FLAGS);
    benchmark::AddCustomContext("sortbench_build_type", SORTBENCH_BUILD_TYPE);
    benchmark::AddCustomContext("sortbench_version", SORTBENCH_PROJECT_VERSION);
    // One key per sort: "your sort shell" -> "sortbench_user_sort shell".
    for (const auto& line : userSortContext(allSorts())) {
        benchmark::AddCustomContext("sortbench_user_sort " + line.first.substr(line.first.rfind(' ') + 1),
                                    line.second);
    }
}
