#include "sorting_compare/runs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "compare/options.h"
#include "compare/text.h"

using nlohmann::json;

const char* const countNames[4] = {"comparisons", "writes", "allocations", "passes"};
const char* const inputMeasureNames[3] = {"inversions", "runs", "distinct"};

namespace {

const char otherKind[] =
    "is neither a sorting_benchmark --benchmark_out JSON file nor a sorting_counts --json file";

// A context value as one line of text: caches and load averages as lists.
std::string contextText(const std::string& key, const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (key == "caches" && value.is_array()) {
        std::string text;
        for (const json& cache : value) {
            if (!cache.is_object()) continue;
            const double size = cache.value("size", 0.0);
            const std::string type = cache.value("type", std::string("?"));
            text += (text.empty() ? "" : ", ") + std::string("L") + cache.value("level", json(0)).dump() +
                    " " + type + " " + formatBytes(size);
            const int sharing = cache.value("num_sharing", 0);
            if (sharing > 1) text += " (x" + std::to_string(sharing) + " sharing)";
        }
        return text;
    }
    if (value.is_array()) {
        std::string text;
        for (const json& item : value) {
            text += (text.empty() ? "" : ", ") +
                    (item.is_number_float() ? formatted("%.2f", item.get<double>()) : item.dump());
        }
        return text;
    }
    if (value.is_number_float()) return formatted("%g", value.get<double>());
    return value.dump();
}

// Google Benchmark writes a value that is no number as a bare NaN or inf
// (the spread of CPU times that are all 0, as on Windows), which JSON has
// not: outside strings each becomes null, which the reader then refuses
// where it needs the value.
std::string withoutBareNonNumbers(const std::string& text) {
    static const char* const words[] = {"-Infinity", "Infinity", "-NaN", "NaN", "-nan", "nan", "-inf", "inf"};
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < text.size()) {
                out += text[++i];
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') inString = true;
        bool replaced = false;
        for (const char* word : words) {
            const std::size_t length = std::strlen(word);
            if (text.compare(i, length, word) == 0) {
                out += "null";
                i += length - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += c;
    }
    return out;
}

double unitSeconds(const std::string& unit, bool& known) {
    known = true;
    if (unit == "ns") return 1e-9;
    if (unit == "us") return 1e-6;
    if (unit == "ms") return 1e-3;
    if (unit == "s") return 1;
    known = false;
    return 0;
}

// "quick/random/1000" or "quick/random/1000/real_time" into its parts.
bool splitName(const std::string& name, Benchmark& b, bool& realTime) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t slash; (slash = name.find('/', start)) != std::string::npos; start = slash + 1)
        parts.push_back(name.substr(start, slash - start));
    parts.push_back(name.substr(start));
    realTime = parts.size() == 4 && parts[3] == "real_time";
    if (parts.size() != 3 && !realTime) return false;
    if (parts[0].empty() || parts[1].empty() || parts[2].empty() || parts[2].size() > 9) return false;
    for (char c : parts[2]) {
        if (c < '0' || c > '9') return false;
    }
    b.sort = parts[0];
    b.shape = parts[1];
    b.n = std::stol(parts[2]);
    return true;
}

bool readBenchmarks(const json& doc, RunFile& run, std::string& error) {
    BenchmarkRun& out = run.benchmarkRun;
    bool aggregates = false;
    for (const auto& item : doc["context"].items())
        out.context.push_back({item.key(), contextText(item.key(), item.value())});
    for (const json& entry : doc["benchmarks"]) {
        if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string()) {
            error = ::quoted(run.path) + " " + otherKind + " (a benchmark without a name)";
            return false;
        }
        if (entry.value("run_type", std::string("iteration")) != "iteration") {
            aggregates = true;
            continue;
        }
        const std::string name = entry.value("run_name", entry["name"].get<std::string>());
        Benchmark b;
        bool realTime = false;
        if (!splitName(name, b, realTime)) {
            error = ::quoted(run.path) + " holds Google Benchmark results of another program: \"" + name +
                    "\" is no sort/shape/size";
            return false;
        }
        Benchmark* found = nullptr;
        for (Benchmark& earlier : out.benchmarks) {
            if (earlier.sort == b.sort && earlier.shape == b.shape && earlier.n == b.n) found = &earlier;
        }
        if (found == nullptr) {
            out.benchmarks.push_back(b);
            found = &out.benchmarks.back();
        }
        if (entry.value("error_occurred", false)) {
            found->error = entry.value("error_message", std::string("failed"));
            found->seconds.clear();
            continue;
        }
        if (!found->error.empty()) continue;
        const char* field = realTime ? "real_time" : "cpu_time";
        bool known = false;
        const double unit = unitSeconds(entry.value("time_unit", std::string("ns")), known);
        if (!known || !entry.contains(field) || !entry[field].is_number() ||
            !(entry[field].get<double>() > 0)) {
            error = ::quoted(run.path) + ": benchmark \"" + name + "\" has no " + field +
                    " above 0 in a known unit";
            return false;
        }
        found->seconds.push_back(entry[field].get<double>() * unit);
    }
    if (out.benchmarks.empty()) {
        error = ::quoted(run.path) + (aggregates ? " holds only aggregates: run without "
                                                   "--benchmark_report_aggregates_only"
                                                 : " holds no benchmark");
        return false;
    }
    return true;
}

std::string text(const json& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

bool readCountRows(const json& rows, const char* part, RunFile& run, std::string& error) {
    for (const json& r : rows) {
        if (!r.is_object() || !r.contains("sort") || !r.contains("shape") || !r.contains("n") ||
            !r["n"].is_number_integer()) {
            error = ::quoted(run.path) + " " + otherKind + " (a row without sort, shape and n)";
            return false;
        }
        CountRow row;
        row.part = part;
        row.sort = text(r["sort"]);
        row.shape = text(r["shape"]);
        row.n = r["n"].get<long>();
        row.leftOut = r.value("left_out", std::string());
        for (const char* name : countNames)
            row.counts.push_back({name, r.contains(name) ? r[name].dump() : "null"});
        for (const char* name : inputMeasureNames)
            row.counts.push_back({name, r.contains(name) ? r[name].dump() : "null"});
        run.countsRun.rows.push_back(row);
    }
    return true;
}

bool readCounts(const json& doc, RunFile& run, std::string& error) {
    CountsRun& out = run.countsRun;
    out.seed = text(doc["seed"]);
    out.command = doc.contains("command") ? text(doc["command"]) : "";
    if (!readCountRows(doc["rows"], "rows", run, error)) return false;
    if (doc.contains("sweep") && doc["sweep"].is_array() && !readCountRows(doc["sweep"], "sweep", run, error))
        return false;
    if (doc.contains("families") && doc["families"].is_array()) {
        for (const json& f : doc["families"]) {
            if (!f.is_object() || !f.contains("sort") || !f.contains("shape")) continue;
            CountFamily family;
            family.sort = text(f["sort"]);
            family.shape = text(f["shape"]);
            for (const char* field : {"classes_text", "terms_text", "verdict"}) {
                family.fields.push_back({field, f.contains(field) ? text(f[field]) : ""});
            }
            out.families.push_back(family);
        }
    }
    if (out.rows.empty()) {
        error = ::quoted(run.path) + " holds no counts";
        return false;
    }
    return true;
}

}  // namespace

std::string contextValue(const BenchmarkRun& run, const std::string& key) {
    for (const auto& entry : run.context) {
        if (entry.first == key) return entry.second;
    }
    return "";
}

bool readRunFile(const std::string& path, RunFile& run, std::string& error) {
    run = RunFile();
    run.path = path;
    // C stdio: reading a folder fails here with its reason, where a stream would read nothing.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + ::quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + ::quoted(path) + ": " + std::strerror(readError);
        return false;
    }
    const json doc = json::parse(withoutBareNonNumbers(bytes), nullptr, false);
    if (doc.is_discarded()) {
        error = ::quoted(path) +
                " is not JSON (sorting_compare reads --benchmark_out files in JSON, the default format, "
                "and sorting_counts --json output)";
        return false;
    }
    if (!doc.is_object()) {
        error = ::quoted(path) + " " + otherKind;
        return false;
    }
    if (doc.contains("benchmarks") && doc["benchmarks"].is_array() && doc.contains("context") &&
        doc["context"].is_object()) {
        run.kind = RunFile::benchmarks;
        return readBenchmarks(doc, run, error);
    }
    if (doc.contains("rows") && doc["rows"].is_array() && doc.contains("seed") && doc.contains("families")) {
        run.kind = RunFile::counts;
        return readCounts(doc, run, error);
    }
    error = ::quoted(path) + " " + otherKind;
    return false;
}
