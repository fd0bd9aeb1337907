#include "compare/shapes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

#include "compare/options.h"

namespace {

typedef std::mt19937 Rng;

std::vector<int> uniform(Rng& rng, int n, int lo, int hi) {
    std::uniform_int_distribution<int> value(lo, hi);
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int& x : v) x = value(rng);
    return v;
}

// .:.:'.:'::.'
// ':.'::.:'.::
std::vector<int> randomValues(Rng& rng, int n, double) { return uniform(rng, n, 0, 9999); }

std::vector<int> randomMillion(Rng& rng, int n, double) { return uniform(rng, n, 0, 999999); }

std::vector<int> randomWide(Rng& rng, int n, double) { return uniform(rng, n, INT_MIN, INT_MAX); }

// ..:.:..:..:
// :.:..:..:.:
std::vector<int> fewDistinct(Rng& rng, int n, double) { return uniform(rng, n, 0, 19); }

//         .:
//     ..:::
// ..::::::
std::vector<int> ascending(Rng& rng, int n, double) {
    std::vector<int> v = randomValues(rng, n, 0);
    std::sort(v.begin(), v.end());
    return v;
}

// :.
// :::..
// ::::::..
std::vector<int> descending(Rng& rng, int n, double) {
    std::vector<int> v = ascending(rng, n, 0);
    std::reverse(v.begin(), v.end());
    return v;
}

// ::::::::::::
std::vector<int> allEqual(Rng& rng, int n, double) {
    return std::vector<int>(static_cast<std::size_t>(n), randomValues(rng, 1, 0)[0]);
}

// Sorts n / runs elements at a time, up or down as direction says.
void sortSegments(std::vector<int>& v, std::int64_t runs, const std::function<bool()>& up) {
    const std::int64_t n = static_cast<std::int64_t>(v.size());
    for (std::int64_t r = 0; r < runs; ++r) {
        auto first = v.begin() + static_cast<std::ptrdiff_t>(n * r / runs);
        auto last = v.begin() + static_cast<std::ptrdiff_t>(n * (r + 1) / runs);
        if (up()) {
            std::sort(first, last);
        } else {
            std::sort(first, last, std::greater<int>());
        }
    }
}

//    .:  :.    .:
//  .:::  :::..:::
// ::::::.::::::::
std::vector<int> saws(Rng& rng, int n, double) {
    std::vector<int> v = randomValues(rng, n, 0);
    // Shifted in 64 bits: n may exceed 2^30.
    int runs = 1;
    while ((std::int64_t(1) << runs) < n) ++runs;
    std::bernoulli_distribution up(0.5);
    sortSegments(v, runs, [&] { return up(rng); });
    return v;
}

//     .::.
//   .::::::.
// .::::::::::.
std::vector<int> pipeOrgan(Rng& rng, int n, double) {
    std::vector<int> v = randomValues(rng, n, 0);
    std::sort(v.begin(), v.begin() + n / 2);
    std::sort(v.begin() + n / 2, v.end(), std::greater<int>());
    return v;
}

//          .:' :
//      ..::: .:.
// ..::::::::.:::
std::vector<int> randomTail(Rng& rng, int n, double) {
    std::vector<int> v = randomValues(rng, n, 0);
    std::sort(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(n) * 95 / 100));
    return v;
}

//        ' .:
//     ..:::
// ..:.:::
std::vector<int> nearlySorted(Rng& rng, int n, double percent) {
    std::vector<int> v = ascending(rng, n, 0);
    std::int64_t swaps = std::llround(percent * n / 100);
    if (percent > 0 && swaps == 0) swaps = 1;
    std::uniform_int_distribution<int> position(0, n - 1);
    for (std::int64_t s = 0; s < swaps; ++s) {
        const int a = position(rng);
        std::swap(v[static_cast<std::size_t>(a)], v[static_cast<std::size_t>(position(rng))]);
    }
    return v;
}

// ..:.:..:..:  (K values)
// :.:..:..:.:
std::vector<int> fewDistinctK(Rng& rng, int n, double k) {
    return uniform(rng, n, 0, static_cast<int>(k - 1));
}

// .:.:'.:'::.'  (0..MAX)
// ':.'::.:'.::
std::vector<int> randomMax(Rng& rng, int n, double max) { return uniform(rng, n, 0, static_cast<int>(max)); }

//    .:   .:   .:
//  .:::  .::  .::
// ::::: :::: ::::
std::vector<int> runs(Rng& rng, int n, double count) {
    std::vector<int> v = randomValues(rng, n, 0);
    sortSegments(v, std::min<std::int64_t>(static_cast<std::int64_t>(count), n), [] { return true; });
    return v;
}

// The shortest decimal that reads back as the same double, never in
// exponent form: "100", not "1e+02". Parameters are at most INT_MAX.
std::string shortestDecimal(double value) {
    char text[400];
    for (int decimals = 0; decimals <= 340; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

typedef std::vector<int> (*Builder)(Rng& rng, int n, double parameter);

// One row per shape kind, in ShapeKind's order. A shape with a parameter
// names it (P, K, MAX, R) and says what it may be; its values' range may
// follow the parameter (few_distinct:K, random:MAX).
struct ShapeRow {
    const char* name;
    Builder build;
    bool uniform;            // values drawn independently: a random shape
    int minValue, maxValue;  // for a parameter: maxValue + parameter
    bool maxFromParameter;
    const char* parameter;  // null for the plain shapes
    const char* meaning;    // of the parameter, for messages
    const char* usage;      // of the parameter, for usage texts
    bool decimals;
    double least, most;
};

const ShapeRow shapeRows[] = {
    {"random", randomValues, true, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"random_million", randomMillion, true, 0, 999999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"random_wide", randomWide, true, INT_MIN, INT_MAX, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"few_distinct", fewDistinct, false, 0, 19, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"ascending", ascending, false, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"descending", descending, false, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"all_equal", allEqual, false, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"saws", saws, false, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"pipe_organ", pipeOrgan, false, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"random_tail", randomTail, false, 0, 9999, false, nullptr, nullptr, nullptr, false, 0, 0},
    {"nearly_sorted", nearlySorted, false, 0, 9999, false, "P", "a percentage P in 0..100",
     "P percent swapped, 0..100", true, 0, 100},
    {"few_distinct", fewDistinctK, false, 0, -1, true, "K", "a count K of values in 1..2147483647",
     "values 0..K-1, K >= 1", false, 1, INT_MAX},
    {"random", randomMax, true, 0, 0, true, "MAX", "a largest value MAX in 0..2147483647", "values 0..MAX",
     false, 0, INT_MAX},
    {"runs", runs, false, 0, 9999, false, "R", "a count R of runs in 1..2147483647", "R >= 1 ascending runs",
     false, 1, INT_MAX},
};
static_assert(sizeof shapeRows / sizeof shapeRows[0] == shapeKindCount, "one row per shape kind");

}  // namespace

bool operator==(const Shape& a, const Shape& b) { return a.kind == b.kind && a.parameter == b.parameter; }
bool operator!=(const Shape& a, const Shape& b) { return !(a == b); }

std::vector<Shape> plainShapes() {
    std::vector<Shape> shapes;
    for (int k = 0; k < plainShapeCount; ++k) shapes.push_back(Shape{ShapeKind(k), 0});
    return shapes;
}

std::string shapeName(const Shape& shape) {
    const ShapeRow& row = shapeRows[shape.kind];
    if (row.parameter == nullptr) return row.name;
    return std::string(row.name) + ":" + shortestDecimal(shape.parameter);
}

const char* shapeSyntax() {
    static const std::string syntax = [] {
        std::string text;
        for (const ShapeRow& row : shapeRows) {
            text += text.empty() ? "" : ", ";
            text += row.name;
            if (row.parameter != nullptr) {
                text += std::string(":") + row.parameter + " (" + row.usage + ")";
            }
        }
        return text;
    }();
    return syntax.c_str();
}

bool parseShape(const std::string& text, Shape& shape, std::string& error) {
    const std::size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : text.substr(colon + 1);
    for (int k = 0; k < shapeKindCount; ++k) {
        const ShapeRow& row = shapeRows[k];
        if (name != row.name || (row.parameter == nullptr) != (colon == std::string::npos)) continue;
        if (row.parameter == nullptr) {
            shape = Shape{ShapeKind(k), 0};
            return true;
        }
        double parameter = 0;
        std::string unused;
        if (!parseNumber(value, {row.least, row.most, !row.decimals, false}, parameter, unused)) {
            error = name + " needs " + row.meaning + ", not \"" + value + "\"";
            return false;
        }
        shape = Shape{ShapeKind(k), parameter};
        return true;
    }
    error = "unknown shape \"" + text + "\"; the shapes are " + shapeSyntax();
    return false;
}

int shapeMinValue(const Shape& shape) { return shapeRows[shape.kind].minValue; }

int shapeMaxValue(const Shape& shape) {
    const ShapeRow& row = shapeRows[shape.kind];
    return row.maxFromParameter ? static_cast<int>(row.maxValue + shape.parameter) : row.maxValue;
}

bool shapeIsRandom(const Shape& shape) { return shapeRows[shape.kind].uniform; }

std::vector<int> makeShape(const Shape& shape, int n, std::uint32_t seed) {
    // One stream per length, not per shape: at a given length the ordered
    // shapes hold the random shape's very values, so only the order changes.
    std::seed_seq seq{seed, static_cast<std::uint32_t>(n)};
    Rng rng(seq);
    return n > 0 ? shapeRows[shape.kind].build(rng, n, shape.parameter) : std::vector<int>();
}

std::uint32_t processSeed() {
    if (const char* text = std::getenv("SORTBENCH_SEED")) {
        return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    }
    return std::random_device{}();
}
