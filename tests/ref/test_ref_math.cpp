// The reference device's own pow, log, exp and cos agree with the C
// library's to far better than a colour step, over the ranges lighting and
// mip selection use them in, and handle the edge cases the same way.
#include <gtest/gtest.h>

#include <cmath>

#include "render/ref/ref_math.h"

using namespace d3d::ref;

TEST(RefMath, AgreesWithTheLibraryOverUsefulRanges)
{
    for (double x = 1e-6; x < 1e6; x *= 1.37) {
        EXPECT_NEAR(stableLog(x), std::log(x), 1e-13 * std::max(1.0, std::fabs(std::log(x)))) << x;
        EXPECT_NEAR(stableLog2(x), std::log2(x), 1e-13 * std::max(1.0, std::fabs(std::log2(x)))) << x;
    }
    for (double y = -700; y < 700; y += 3.7)
        EXPECT_NEAR(stableExp(y) / std::exp(y), 1.0, 1e-13) << y;
    for (double x = 0.001; x <= 1.0; x += 0.0371)
        for (double p : {0.5, 1.0, 4.0, 10.0, 30.0, 127.0})
            EXPECT_NEAR(stablePow(x, p), std::pow(x, p), 1e-13 * std::max(1e-300, std::pow(x, p)) + 1e-300)
                << x << "^" << p;
    for (double a = -20; a < 20; a += 0.173)
        EXPECT_NEAR(stableCos(a), std::cos(a), 1e-14) << a;
}

TEST(RefMath, EdgeCases)
{
    EXPECT_EQ(stablePow(0.0, 0.0), 1.0) << "a power of 0 is full specular";
    EXPECT_EQ(stablePow(0.3, 0.0), 1.0);
    EXPECT_EQ(stablePow(0.0, 10.0), 0.0);
    EXPECT_EQ(stablePow(1.0, 1e9), 1.0);
    EXPECT_TRUE(std::isnan(stableLog(-1.0)));
    EXPECT_TRUE(std::isinf(stableLog(0.0)));
    EXPECT_EQ(stableExp(-1000.0), 0.0);
    EXPECT_TRUE(std::isinf(stableExp(1000.0)));
    EXPECT_TRUE(std::isnan(stableCos(INFINITY)));
}
