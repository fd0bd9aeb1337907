// A shape built wrong still sorts correctly, so the sorts' tests cannot see
// it: here each shape is checked for what it promises.
#include "compare/shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const int n = 200000;

enum Order {
    unordered,
    ascending,
    descending,
    constant,
    pipeOrgan,
    randomTail,
    sawSegments,  // segments sorted up or down
    runSegments,  // segments sorted up
    nearly,       // ascending with P percent swapped
};

struct ShapeCase {
    const char* text;
    int least, most;
    bool endsReached;  // certain at n draws: spans up to 10^4
    Order order;
    int segments;
    bool randomValues;   // the random shape's values, reordered
    const char* sameAs;  // the same data as this shape, if any
};

const ShapeCase shapeCases[] = {
    {"random", 0, 9999, true, unordered, 0, true, nullptr},
    {"random_million", 0, 999999, false, unordered, 0, false, nullptr},
    {"random_wide", INT_MIN, INT_MAX, false, unordered, 0, false, nullptr},
    {"few_distinct", 0, 19, true, unordered, 0, false, nullptr},
    {"ascending", 0, 9999, true, ascending, 0, true, nullptr},
    {"descending", 0, 9999, true, descending, 0, true, nullptr},
    {"all_equal", 0, 9999, false, constant, 0, false, nullptr},
    // ceil(log2(200000)) segments
    {"saws", 0, 9999, true, sawSegments, 18, true, nullptr},
    {"pipe_organ", 0, 9999, true, pipeOrgan, 0, true, nullptr},
    {"random_tail", 0, 9999, true, randomTail, 0, true, nullptr},
    {"nearly_sorted:0", 0, 9999, true, ascending, 0, true, "ascending"},
    {"nearly_sorted:0.1", 0, 9999, true, nearly, 0, true, nullptr},
    {"nearly_sorted:1", 0, 9999, true, nearly, 0, true, nullptr},
    {"nearly_sorted:100", 0, 9999, true, nearly, 0, true, nullptr},
    {"few_distinct:1", 0, 0, true, constant, 0, false, nullptr},
    {"few_distinct:20", 0, 19, true, unordered, 0, false, "few_distinct"},
    {"random:0", 0, 0, true, constant, 0, false, nullptr},
    {"random:9999", 0, 9999, true, unordered, 0, true, "random"},
    {"random:999999", 0, 999999, false, unordered, 0, false, "random_million"},
    {"random:99999", 0, 99999, false, unordered, 0, false, nullptr},
    {"runs:1", 0, 9999, true, runSegments, 1, true, "ascending"},
    {"runs:5", 0, 9999, true, runSegments, 5, true, nullptr},
    {"runs:200000", 0, 9999, true, runSegments, n, true, "random"},
    {"runs:400000", 0, 9999, true, runSegments, n, true, "random"},
};

Shape parsed(const std::string& text) {
    Shape shape{shapeRandom, 0};
    std::string error;
    EXPECT_TRUE(parseShape(text, shape, error)) << text << ": " << error;
    return shape;
}

typedef std::vector<int>::const_iterator Iter;
bool rising(Iter first, Iter last) { return std::is_sorted(first, last); }
bool falling(Iter first, Iter last) { return std::is_sorted(first, last, std::greater<int>()); }

// Segment r of count spans [n r / count, n (r + 1) / count).
bool segmentsSorted(const std::vector<int>& v, int count, bool eitherWay) {
    const long long size = static_cast<long long>(v.size());
    for (long long r = 0; r < count; ++r) {
        const Iter first = v.begin() + size * r / count;
        const Iter last = v.begin() + size * (r + 1) / count;
        if (!rising(first, last) && !(eitherWay && falling(first, last))) return false;
    }
    return true;
}

testing::AssertionResult keepsOrder(const ShapeCase& c, double parameter, const std::vector<int>& v,
                                    const std::vector<int>& sorted) {
    const Iter tail = v.begin() + static_cast<long long>(v.size()) * 95 / 100;
    long long moved = 0;
    for (std::size_t i = 0; i < v.size(); ++i) moved += v[i] != sorted[i];
    const long long swaps = std::max(1LL, std::llround(parameter * n / 100));
    switch (c.order) {
        case unordered: return testing::AssertionSuccess();
        case ascending: return testing::AssertionResult(rising(v.begin(), v.end()));
        case descending: return testing::AssertionResult(falling(v.begin(), v.end()));
        case constant: return testing::AssertionResult(std::count(v.begin(), v.end(), v[0]) == n);
        case pipeOrgan:
            return testing::AssertionResult(rising(v.begin(), v.begin() + n / 2) &&
                                            falling(v.begin() + n / 2, v.end()));
        case randomTail: return testing::AssertionResult(rising(v.begin(), tail) && !rising(tail, v.end()));
        case sawSegments: return testing::AssertionResult(segmentsSorted(v, c.segments, true));
        case runSegments: return testing::AssertionResult(segmentsSorted(v, c.segments, false));
        case nearly:
            // Each swap moves two elements at most; nearly all move two.
            if (moved <= 2 * swaps && moved >= std::min(swaps, n / 2LL)) return testing::AssertionSuccess();
            return testing::AssertionFailure()
                   << moved << " elements out of place after " << swaps << " swaps";
    }
    return testing::AssertionFailure();
}

TEST(Shapes, KeepTheirRangeOrderAndValues) {
    const std::uint32_t seed = processSeed();
    std::vector<int> randomSorted = makeShape({shapeRandom, 0}, n, seed);
    std::sort(randomSorted.begin(), randomSorted.end());
    for (const ShapeCase& c : shapeCases) {
        SCOPED_TRACE(std::string(c.text) + ", SORTBENCH_SEED=" + std::to_string(seed));
        const Shape shape = parsed(c.text);
        EXPECT_EQ(shapeName(shape), c.text);
        EXPECT_EQ(shapeMinValue(shape), c.least);
        EXPECT_EQ(shapeMaxValue(shape), c.most);
        const std::vector<int> v = makeShape(shape, n, seed);
        ASSERT_EQ(v.size(), std::size_t(n));
        const auto range = std::minmax_element(v.begin(), v.end());
        EXPECT_GE(*range.first, c.least);
        EXPECT_LE(*range.second, c.most);
        if (c.endsReached) {
            EXPECT_EQ(*range.first, c.least);
            EXPECT_EQ(*range.second, c.most);
        }
        std::vector<int> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_TRUE(keepsOrder(c, shape.parameter, v, sorted));
        if (c.randomValues) {
            EXPECT_TRUE(sorted == randomSorted) << "not the random shape's values";
        }
        if (c.sameAs) {
            EXPECT_TRUE(v == makeShape(parsed(c.sameAs), n, seed)) << "differs from " << c.sameAs;
        }
        EXPECT_TRUE(v == makeShape(shape, n, seed)) << "not reproducible";
        if (c.least != c.most) {
            // all_equal repeats one of 10^4 values: two other seeds.
            EXPECT_TRUE(v != makeShape(shape, n, seed + 1) || v != makeShape(shape, n, seed + 2))
                << "the same for other seeds";
        }
        for (int length : {0, 1, 2, 3}) {
            const std::vector<int> small = makeShape(shape, length, seed);
            EXPECT_EQ(small.size(), std::size_t(length));
            for (int x : small) EXPECT_TRUE(x >= c.least && x <= c.most) << x << " at length " << length;
        }
    }
}

// Below one swap's worth the rounding would give none.
TEST(Shapes, NearlySortedSwapsAtLeastOnce) {
    const Shape shape = parsed("nearly_sorted:0.1");
    const std::uint32_t seed = processSeed();
    bool anyMoved = false;
    // One swap can pick a position twice or two equal values: ten seeds.
    for (std::uint32_t s = seed; s < seed + 10; ++s) {
        const std::vector<int> v = makeShape(shape, 100, s);
        const std::vector<int> sorted = makeShape({shapeAscending, 0}, 100, s);
        long long moved = 0;
        for (std::size_t i = 0; i < v.size(); ++i) moved += v[i] != sorted[i];
        EXPECT_LE(moved, 2) << "seed " << s;
        anyMoved = anyMoved || moved > 0;
    }
    EXPECT_TRUE(anyMoved);
}

TEST(Shapes, ParseInOneSpellingAndRefuseWhatIsOutOfRange) {
    const char* const canonical[][2] = {
        {"nearly_sorted:1.0", "nearly_sorted:1"},
        {"nearly_sorted:0.10", "nearly_sorted:0.1"},
        {"nearly_sorted:100", "nearly_sorted:100"},
        {"random:2147483647", "random:2147483647"},
    };
    for (const auto& c : canonical) EXPECT_EQ(shapeName(parsed(c[0])), c[1]);
    for (const Shape& shape : plainShapes()) EXPECT_EQ(parsed(shapeName(shape)), shape);

    const char* const refused[] = {
        "nearly_sorted:100.1",
        "nearly_sorted:abc",
        "nearly_sorted:-1",
        "nearly_sorted:1e2",
        "nearly_sorted:",
        "few_distinct:0",
        "few_distinct:2.5",
        "nearly_sorted:1.2.3",
        "nearly_sorted:01",
        "nearly_sorted:.5",
        "runs:08",
        "runs: 8",
        "random:2.5",
        "random:2147483648",
        "random:-1",
        "runs:0",
        "sorted",
        "ascending:3",
        "Random",
        "",
    };
    for (const char* text : refused) {
        Shape shape{shapeRandom, 0};
        std::string error;
        EXPECT_FALSE(parseShape(text, shape, error)) << text;
        // The message quotes what it refuses.
        const char* colon = std::strchr(text, ':');
        const std::string quoted = "\"" + std::string(colon ? colon + 1 : text) + "\"";
        EXPECT_TRUE(error.find(quoted) != std::string::npos ||
                    error.find("\"" + std::string(text) + "\"") != std::string::npos)
            << text << ": " << error;
    }
}

// A replay must get the very seed the failing run printed.
TEST(Shapes, ProcessSeedReadsSortbenchSeedInBaseTen) {
    const char* saved = std::getenv("SORTBENCH_SEED");
    const std::string previous = saved ? saved : "";
    const auto set = [](const std::string& value) {
#ifdef _WIN32
        _putenv_s("SORTBENCH_SEED", value.c_str());
#else
        setenv("SORTBENCH_SEED", value.c_str(), 1);
#endif
    };
    set("010");
    EXPECT_EQ(processSeed(), 10u);
    set("4294967295");
    EXPECT_EQ(processSeed(), 4294967295u);
    if (saved) {
        set(previous);
    } else {
#ifdef _WIN32
        _putenv_s("SORTBENCH_SEED", "");
#else
        unsetenv("SORTBENCH_SEED");
#endif
    }
}

}  // namespace
