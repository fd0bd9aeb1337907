#include "shapes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <random>

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
std::vector<int> randomValues(Rng& rng, int n) { return uniform(rng, n, 0, 9999); }

std::vector<int> randomMillion(Rng& rng, int n) { return uniform(rng, n, 0, 999999); }

std::vector<int> randomWide(Rng& rng, int n) { return uniform(rng, n, INT_MIN, INT_MAX); }

// ..:.:..:..:
// :.:..:..:.:
std::vector<int> fewDistinct(Rng& rng, int n) { return uniform(rng, n, 0, 19); }

//         .:
//     ..:::
// ..::::::
std::vector<int> ascending(Rng& rng, int n) {
    std::vector<int> v = randomValues(rng, n);
    std::sort(v.begin(), v.end());
    return v;
}

// :.
// :::..
// ::::::..
std::vector<int> descending(Rng& rng, int n) {
    std::vector<int> v = ascending(rng, n);
    std::reverse(v.begin(), v.end());
    return v;
}

// ::::::::::::
std::vector<int> allEqual(Rng& rng, int n) {
    return std::vector<int>(static_cast<std::size_t>(n), randomValues(rng, 1)[0]);
}

//    .:  :.    .:
//  .:::  :::..:::
// ::::::.::::::::
std::vector<int> saws(Rng& rng, int n) {
    std::vector<int> v = randomValues(rng, n);
    // Shifted in 64 bits: n may exceed 2^30.
    int runs = 1;
    while ((std::int64_t(1) << runs) < n) ++runs;
    std::bernoulli_distribution up(0.5);
    for (int r = 0; r < runs; ++r) {
        auto first = v.begin() + static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(n) * r / runs);
        auto last = v.begin() + static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(n) * (r + 1) / runs);
        if (up(rng)) {
            std::sort(first, last);
        } else {
            std::sort(first, last, std::greater<int>());
        }
    }
    return v;
}

//     .::.
//   .::::::.
// .::::::::::.
std::vector<int> pipeOrgan(Rng& rng, int n) {
    std::vector<int> v = randomValues(rng, n);
    std::sort(v.begin(), v.begin() + n / 2);
    std::sort(v.begin() + n / 2, v.end(), std::greater<int>());
    return v;
}

//          .:' :
//      ..::: .:.
// ..::::::::.:::
std::vector<int> randomTail(Rng& rng, int n) {
    std::vector<int> v = randomValues(rng, n);
    std::sort(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(n) * 95 / 100));
    return v;
}

}  // namespace

const char* const shapeNames[shapeCount] = {"random",     "random_million", "random_wide", "few_distinct",
                                            "ascending",  "descending",     "all_equal",   "saws",
                                            "pipe_organ", "random_tail"};

std::vector<int> makeShape(Shape shape, int n, std::uint32_t seed) {
    typedef std::vector<int> (*Builder)(Rng&, int);
    static const Builder builders[shapeCount] = {randomValues, randomMillion, randomWide, fewDistinct,
                                                 ascending,    descending,    allEqual,   saws,
                                                 pipeOrgan,    randomTail};
    // One stream per length, not per shape: at a given length the ordered
    // shapes hold the random shape's very values, so only the order changes.
    std::seed_seq seq{seed, static_cast<std::uint32_t>(n)};
    Rng rng(seq);
    return n > 0 ? builders[shape](rng, n) : std::vector<int>();
}

std::uint32_t processSeed() {
    if (const char* text = std::getenv("SORTBENCH_SEED")) {
        return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    }
    return std::random_device{}();
}
