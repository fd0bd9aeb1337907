// --sortbench_analyze: a run's --benchmark_out JSON read back and reported
// as the run did, with nothing timed. The iteration rows' names
// (sort/shape/n, with "/real_time" where the wall clock was used), times
// and units are all it needs; the memory counts and the context add to it.
#include <cstdint>
#include <deque>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "compare/command_line.h"
#include "compare/options.h"
#include "compare/platform.h"
#include "compare/shapes.h"
#include "compare/sorts.h"
#include "compare/text.h"
#include "sorting_benchmark/results.h"
#include "sorting_benchmark/run_report.h"

namespace {

const char program[] = "sorting_benchmark";

double unitSeconds(const std::string& unit) {
    if (unit == "ns") return 1e-9;
    if (unit == "us") return 1e-6;
    if (unit == "ms") return 1e-3;
    if (unit == "s") return 1;
    return 0;
}

double numberOr(const nlohmann::json& object, const char* key, double otherwise) {
    const auto it = object.find(key);
    return it != object.end() && it->is_number() ? it->get<double>() : otherwise;
}

std::string textOr(const nlohmann::json& object, const char* key, const std::string& otherwise) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : otherwise;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

Measurement& measurementFor(std::deque<Measurement>& measurements, SortId sort, const Shape& shape, int n) {
    for (Measurement& m : measurements) {
        if (m.sort == sort && m.shape == shape && m.n == n) return m;
    }
    measurements.push_back(Measurement{sort, shape, n, {}, {}, 0, -1, -1, ""});
    return measurements.back();
}

// The context Google Benchmark wrote: the machine as the page shows it.
RunFacts factsOf(const nlohmann::json& context, ReportOptions& options, std::vector<DataCache>& listed) {
    RunFacts facts = {textOr(context, "host_name", ""),
                      "",
                      static_cast<int>(numberOr(context, "num_cpus", 0)),
                      numberOr(context, "mhz_per_cpu", 0),
                      {}};
    const auto load = context.find("load_avg");
    if (load != context.end() && load->is_array()) {
        for (const auto& l : *load) {
            if (l.is_number()) facts.loadAverage.push_back(l.get<double>());
        }
    }
    const auto caches = context.find("caches");
    if (caches != context.end() && caches->is_array()) {
        for (const auto& cache : *caches) {
            if (!cache.is_object() || textOr(cache, "type", "") == "Instruction") continue;
            const double size = numberOr(cache, "size", 0);
            if (size > 0)
                listed.push_back({static_cast<int>(numberOr(cache, "level", 0)), std::uint64_t(size)});
            facts.caches += (facts.caches.empty() ? "L" : ", L") +
                            std::to_string(static_cast<int>(numberOr(cache, "level", 0))) +
                            (textOr(cache, "type", "") == "Data" ? "d " : " ") +
                            formatBytes(numberOr(cache, "size", 0));
        }
    }
    std::string error;
    std::int64_t seed = 0;
    if (parseCount(textOr(context, "sortbench_seed", ""), 0, 4294967295LL, seed, error))
        options.seed = static_cast<std::uint32_t>(seed);
    double budget = 0;
    if (parseSeconds(textOr(context, "sortbench_budget_seconds", ""), budget, error))
        options.budgetSeconds = budget;
    return facts;
}

}  // namespace

int analyzeSavedRun(const std::string& path, const ReportOptions& given) {
    const std::string what = "--sortbench_analyze " + quoted(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) return refuse(program, what + ": cannot be read");
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(in);
    } catch (const nlohmann::json::exception& e) {
        return refuse(program, what + ": not JSON (" + e.what() + ")");
    }
    const auto rows = doc.is_object() ? doc.find("benchmarks") : doc.end();
    if (!doc.is_object() || rows == doc.end() || !rows->is_array())
        return refuse(program, what + ": no \"benchmarks\" list; write one with --benchmark_out=FILE");
    ReportOptions options = given;
    options.realTime = false;
    const auto context = doc.find("context");
    std::vector<DataCache> listed;
    const RunFacts facts = factsOf(
        context != doc.end() && context->is_object() ? *context : nlohmann::json::object(), options, listed);
    std::deque<Measurement> measurements;
    std::size_t index = 0;
    for (const auto& row : *rows) {
        ++index;
        const std::string where = what + ": benchmark " + std::to_string(index);
        if (!row.is_object()) return refuse(program, where + " is not an object");
        const std::string name = textOr(row, "name", "");
        const std::vector<std::string> parts = split(name, '/');
        SortId sort;
        Shape shape;
        std::int64_t n = 0;
        std::string error;
        // Another program's benchmarks, or a user's sort not loaded now.
        if (parts.size() < 3 || !parseSortName(parts[0], sort, error) ||
            !parseShape(parts[1], shape, error) || !parseCount(parts[2], 1, 2147483647, n, error)) {
            continue;
        }
        const bool realTime = name.find("/real_time") != std::string::npos;
        options.realTime = options.realTime || realTime;
        Measurement& m = measurementFor(measurements, sort, shape, static_cast<int>(n));
        const auto failed = row.find("error_occurred");
        if (failed != row.end() && failed->is_boolean() && failed->get<bool>()) {
            if (m.error.empty()) m.error = textOr(row, "error_message", "failed");
            continue;
        }
        const double unit = unitSeconds(textOr(row, "time_unit", ""));
        const double time = numberOr(row, realTime ? "real_time" : "cpu_time", -1);
        if (!(unit > 0) || !(time >= 0))
            return refuse(program, where + " (" + name + ") has no time with a unit of ns, us, ms or s");
        const std::string type = textOr(row, "run_type", "iteration");
        if (type == "aggregate") {
            if (textOr(row, "aggregate_name", "") == "median" &&
                textOr(row, "aggregate_unit", "time") == "time")
                m.medianSeconds = time * unit;
            continue;
        }
        m.seconds.push_back(time * unit);
        const double faults = numberOr(row, "page_faults", -1);
        if (faults >= 0) m.faults.push_back(faults);
        const double allocations = numberOr(row, "allocs_per_iter", -1);
        if (allocations >= 0) m.allocations = allocations;
        const double peak = numberOr(row, "max_bytes_used", -1);
        if (peak >= 0) m.peakBytes = peak;
    }
    if (measurements.empty())
        return refuse(program, what + ": holds no benchmark of this tool's (sort/shape/n)");
    // The caches of the machine that ran it where its context lists them;
    // else this machine's, the likeliest one to have written it.
    const std::vector<DataCache> caches = listed.empty() ? dataCaches() : listed;
    return reportMeasurements(measurements, facts, options, caches, std::cout) ? 0 : 1;
}
