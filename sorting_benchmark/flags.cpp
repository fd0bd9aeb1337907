#include "sorting_benchmark/flags.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>

#include "compare/options.h"
#include "compare/writer.h"

namespace {

bool isOneOf(const std::string& value, const std::vector<std::string>& words, std::string& error) {
    std::string list;
    for (const std::string& word : words) {
        if (value == word) return true;
        list += (list.empty() ? "" : "|") + word;
    }
    error = "needs one of " + list + ", not " + quoted(value);
    return false;
}

// 1.7.1 reads any word as true but these few as false; only the words it
// documents are taken, so that a typo is not read as true.
const std::vector<std::string> truthWords = {"true", "false", "yes", "no", "on", "off", "1", "0"};

}  // namespace

// Written --flag=VALUE as 1.7.1 reads them (its sources' benchmark.cc and
// commandlineflags.cc), each checked as strictly as the tool's own options.
std::vector<Option> benchmarkFlags(BenchmarkFlags& flags) {
    auto pass = [&flags](const char* name, std::function<bool(const std::string&, std::string&)> check) {
        return [&flags, name, check](const std::string& value, std::string& error) {
            if (check && !check(value, error)) return false;
            flags.passed.push_back(std::string(name) + "=" + value);
            return true;
        };
    };
    auto words = [](std::vector<std::string> list) {
        return [list](const std::string& value, std::string& error) { return isOneOf(value, list, error); };
    };
    auto truth = [](const std::string& value, std::string& error) {
        return value.empty() || isOneOf(value, truthWords, error);
    };
    std::vector<Option> table = {
        {"--benchmark_list_tests", Option::optional, "true|false", "list the benchmarks selected, run none",
         [&flags](const std::string& value, std::string& error) {
             if (!value.empty() && !isOneOf(value, truthWords, error)) return false;
             flags.listTests =
                 value.empty() || value == "true" || value == "yes" || value == "on" || value == "1";
             flags.passed.push_back("--benchmark_list_tests=" +
                                    std::string(flags.listTests ? "true" : "false"));
             return true;
         },
         nullptr},
        {"--benchmark_filter", Option::joined, "REGEX",
         "run the benchmarks whose name matches (\"all\" or \".\": every one;\na leading - selects those "
         "that do not match)",
         pass("--benchmark_filter",
              [&flags](const std::string& v, std::string& e) {
                  flags.filterName = flags.readingEnvironment ? "BENCHMARK_FILTER (in the environment)"
                                                              : "--benchmark_filter";
                  if (v.size() > maxFilterLength) {
                      e = "is " + std::to_string(v.size()) + " characters long, over the " +
                          std::to_string(maxFilterLength) + " it may have";
                      return false;
                  }
                  int depth = 0;
                  int deepest = 0;
                  for (char c : v) {
                      depth += c == '(' ? 1 : c == ')' ? -1 : 0;
                      deepest = std::max(deepest, depth);
                  }
                  if (deepest > maxFilterNesting) {
                      e = "nests its groups " + std::to_string(deepest) + " deep, over the " +
                          std::to_string(maxFilterNesting) + " it may";
                      return false;
                  }
                  return true;
              }),
         nullptr},
        {"--benchmark_min_time", Option::joined, "SECONDS",
         "least time per benchmark and repetition (default 0.01 here)",
         pass("--benchmark_min_time",
              [&flags](const std::string& v, std::string& e) {
                  flags.minTimeGiven = true;
                  return parseSeconds(v, flags.minTime, e);
              }),
         nullptr},
        {"--benchmark_min_warmup_time", Option::joined, "SECONDS",
         "time each benchmark runs before it is measured (default 0)",
         pass("--benchmark_min_warmup_time",
              [&flags](const std::string& v, std::string& e) {
                  return parseNumber(v, {0, 7 * 24 * 3600.0, false, false}, flags.minWarmupTime, e);
              }),
         nullptr},
        {"--benchmark_repetitions", Option::joined, "N", "runs of each benchmark, 1..2147483647 (default 1)",
         pass("--benchmark_repetitions",
              [&flags](const std::string& v, std::string& e) {
                  return parseCount(v, 1, 2147483647, flags.repetitions, e);
              }),
         nullptr},
        {"--benchmark_enable_random_interleaving", Option::optional, "true|false",
         "run the repetitions in random order",
         pass("--benchmark_enable_random_interleaving",
              [&flags, truth](const std::string& value, std::string& error) {
                  flags.interleaved =
                      value.empty() || value == "true" || value == "yes" || value == "on" || value == "1";
                  return truth(value, error);
              }),
         nullptr},
        {"--benchmark_report_aggregates_only", Option::optional, "true|false",
         "report only the repetitions' mean, median, stddev and cv",
         pass("--benchmark_report_aggregates_only", truth), nullptr},
        {"--benchmark_display_aggregates_only", Option::optional, "true|false",
         "show only the aggregates on the console", pass("--benchmark_display_aggregates_only", truth),
         nullptr},
        {"--benchmark_format", Option::joined, "console|json|csv",
         "format of standard output (default console)",
         pass("--benchmark_format", words({"console", "json", "csv"})), nullptr},
        {"--benchmark_out", Option::joined, "FILE",
         "also write the results to FILE, whole once the run is done",
         [&flags](const std::string& value, std::string& error) {
             flags.outPath = value;
             return checkOutputFile(value, error);
         },
         nullptr},
        {"--benchmark_out_format", Option::joined, "console|json|csv",
         "format of --benchmark_out (default json)",
         [&flags](const std::string& value, std::string& error) {
             flags.outFormat = value;
             return isOneOf(value, {"console", "json", "csv"}, error);
         },
         nullptr},
        {"--benchmark_color", Option::joined, "auto|true|false", "colour the console output (default auto)",
         pass("--benchmark_color",
              [](const std::string& v, std::string& e) {
                  std::vector<std::string> colours = truthWords;
                  colours.insert(colours.begin(), "auto");
                  return isOneOf(v, colours, e);
              }),
         nullptr},
        {"--benchmark_counters_tabular", Option::optional, "true|false", "show the counters as columns",
         pass("--benchmark_counters_tabular", truth), nullptr},
        {"--benchmark_perf_counters", Option::joined, "LIST",
         "hardware counters to read, where built with libpfm", pass("--benchmark_perf_counters", nullptr),
         nullptr},
        {"--benchmark_context", Option::joined, "KEY=VALUE,...", "add these pairs to the context output",
         pass("--benchmark_context",
              [](const std::string& v, std::string& e) {
                  std::size_t start = 0;
                  std::vector<std::string> keys;
                  for (;;) {
                      const std::size_t comma = v.find(',', start);
                      const std::string pair =
                          v.substr(start, comma == std::string::npos ? comma : comma - start);
                      const std::size_t equals = pair.find('=');
                      if (equals == 0 || equals == std::string::npos ||
                          pair.find('=', equals + 1) != std::string::npos) {
                          e = "needs KEY=VALUE pairs, comma-separated, not " + quoted(pair);
                          return false;
                      }
                      // 1.7.1 would keep the first silently.
                      const std::string key = pair.substr(0, equals);
                      // The report's own keys say what the run did.
                      if (key.compare(0, 10, "sortbench_") == 0) {
                          e = "gives the key " + quoted(key) +
                              ": keys beginning sortbench_ are the tool's own";
                          return false;
                      }
                      if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
                          e = "gives the key " + quoted(key) + " twice";
                          return false;
                      }
                      keys.push_back(key);
                      if (comma == std::string::npos) return true;
                      start = comma + 1;
                  }
              }),
         nullptr},
        {"--benchmark_time_unit", Option::joined, "ns|us|ms|s", "time unit of the output (default us here)",
         pass("--benchmark_time_unit", words({"ns", "us", "ms", "s"})), nullptr},
        {"--v", Option::joined, "N", "Google Benchmark's verbosity, 0..2147483647",
         pass("--v",
              [](const std::string& v, std::string& e) {
                  std::int64_t level = 0;
                  return parseCount(v, 0, 2147483647, level, e);
              }),
         nullptr},
    };
    return table;
}

int checkBenchmarkEnvironment(const char* program, const std::vector<Option>& table, BenchmarkFlags& flags) {
    flags.readingEnvironment = true;
    for (const Option& flag : table) {
        std::string variable = flag.name + 2;
        for (char& c : variable) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const char* value = variable == "V" ? nullptr : std::getenv(variable.c_str());
        std::string error;
        if (value != nullptr && !flag.take(value, error)) {
            return refuse(program, variable + " (in the environment) " + error);
        }
    }
    flags.readingEnvironment = false;
    return 0;
}
