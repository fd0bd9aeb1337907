#include "compare/disorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/shapes.h"

namespace {

TEST(Disorder, MeasuresOfAWorkedExample) {
    const std::vector<int> v = {3, 1, 2, 2, 0};
    // 3>1, 3>2, 3>2, 3>0, 1>0, 2>0, 2>0; runs 3 | 1 2 2 | 0; values 0 1 2 3.
    EXPECT_EQ(countInversions(v), 7);
    EXPECT_EQ(countAscendingRuns(v), 3);
    EXPECT_EQ(countDistinct(v), 4);
    EXPECT_EQ(countAscendingRuns({}), 0);
    EXPECT_EQ(countAscendingRuns({1, 1, 2}), 1);
}

TEST(Disorder, InversionsMatchAQuadraticCount) {
    for (const Shape& shape : plainShapes()) {
        for (int n : {0, 1, 2, 7, 64, 301}) {
            SCOPED_TRACE(shapeName(shape) + ", n " + std::to_string(n));
            const std::vector<int> v = makeShape(shape, n, 5);
            long long pairs = 0;
            for (std::size_t i = 0; i < v.size(); ++i) {
                for (std::size_t j = i + 1; j < v.size(); ++j) pairs += v[i] > v[j];
            }
            EXPECT_EQ(countInversions(v), pairs);
        }
    }
}

}  // namespace
