#include "geometry/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

TEST(RandomDeviates, RandnTrigCachesTheSecondDeviate)
{
    numeric_detail::randn_trig_reset();
    std::srand(1);
    const int r1 = std::rand();
    const int r2 = std::rand();
    const int r3 = std::rand();
    const double radius = std::sqrt(-2.0 * std::log(r1 / 2147483647.0));
    const double theta = (r2 / 2147483647.0) * 6.283185307179586;

    std::srand(1);
    EXPECT_DOUBLE_EQ(randn_trig(1.0, 2.0), 1.0 + 2.0 * radius * std::sin(theta));
    // The second call draws nothing and scales the cached float deviate.
    EXPECT_EQ(randn_trig(-1.0, 3.0), -1.0 + 3.0 * static_cast<double>(static_cast<float>(radius * std::cos(theta))));
    EXPECT_EQ(std::rand(), r3);
    numeric_detail::randn_trig_reset();
}

namespace {
int script[] = {0, 0, 1073741823, 536870912};
int position = 0;
int scripted() { return script[position++]; }
}

TEST(RandomDeviates, RandnTrigNeverTakesTheLogarithmOfZero)
{
    numeric_detail::randn_trig_reset();
    position = 0;
    const double first = numeric_detail::randn_trig_from(&scripted, 0.0, 1.0);
    const double second = numeric_detail::randn_trig_from(&scripted, 0.0, 1.0);
    EXPECT_TRUE(std::isfinite(first));
    EXPECT_TRUE(std::isfinite(second));
    EXPECT_EQ(position, 4);
    numeric_detail::randn_trig_reset();
}

TEST(RandomDeviates, UToNUsesTwoDrawsWithoutCaching)
{
    std::srand(7);
    const int r1 = std::rand();
    const int r2 = std::rand();
    const double u1 = (r1 + 1.0) * 4.656612873077393e-10;
    const double u2 = (r2 + 1.0) * 4.656612873077393e-10;
    std::srand(7);
    EXPECT_EQ(U_to_N(), std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265 * u2));
    std::srand(7);
    const double a = U_to_N();
    const double b = U_to_N();
    EXPECT_NE(a, b);
}
