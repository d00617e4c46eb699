// Numeric helpers: the worked values (pi is 3.14159265, so quarter turns are
// not exact), the closed box tests, the crossing classes and clipping.
#include "geometry/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
}

TEST(NumericAngles, QuarterTurnsUseTheShortPi)
{
    EXPECT_EQ(vector2angle(0, -1), 269.99999989716);
    EXPECT_EQ(vector2angle(-1, 0), 180.00000020567998);
    EXPECT_EQ(vector2angle(1, 0), 0.0);
    EXPECT_EQ(vector2angle(0, 0), 0.0);
    EXPECT_EQ(clock_angle(0, 1, 1, 0), 269.99999989716);
    EXPECT_EQ(clock_angle(1, 0, 0, 1), 90.00000010283999);
}

TEST(NumericAngles, DirectionsJustBelowTheXAxisAreZeroNever360)
{
    // A hair below the x axis the wrap-around rounds to 360 exactly, which
    // is outside [0, 360); that direction is 0.
    EXPECT_EQ(vector2angle(1, -1e-17), 0.0);
    EXPECT_LT(vector2angle(1, -1e-12), 360.0);
    EXPECT_GT(vector2angle(1, -1e-12), 359.0);
    EXPECT_EQ(clock_angle(1, 1e-17, 1, 0), 0.0);
    EXPECT_EQ(clock_angle(1, 0, 1, -1e-17), 0.0);
    EXPECT_NEAR(clock_angle(1, -1e-17, 0, 1), 90.0, 1e-6);
}

TEST(NumericAngles, ClockAngleQuadrantsAndNaN)
{
    const double s = std::sqrt(0.5);
    // Third and fourth quadrants, measured from the x axis.
    EXPECT_NEAR(clock_angle(1, 0, -s, -s), 225.0, 1e-5);
    EXPECT_NEAR(clock_angle(1, 0, s, -s), 315.0, 1e-5);
    EXPECT_NEAR(clock_angle(-s, s, s, s), 270.0, 1e-5);
    // A NaN direction counts as 0.
    EXPECT_NEAR(clock_angle(NaN, 0, 0, 1), 90.0, 1e-5);
}

TEST(NumericMatrices, ProductTransposeDeterminants)
{
    double A[3][3] = {{1, 2, 3}, {0, 1, 4}, {5, 6, 0}};
    double B[3][3] = {{-24, 18, 5}, {20, -15, -4}, {-5, 4, 1}}; // inverse of A
    double R[3][3], T[3][3];
    matrix_multiplication(A, B, R);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            EXPECT_EQ(R[i][j], i == j ? 1.0 : 0.0);
    matrix_transpose(A, T);
    EXPECT_EQ(T[0][2], 5.0);
    EXPECT_EQ(T[2][0], 3.0);
    double v[3] = {1, 1, 1}, out[3];
    matrix_vector_multiplication(A, v, out);
    EXPECT_EQ(out[0], 6.0);
    EXPECT_EQ(out[1], 5.0);
    EXPECT_EQ(out[2], 11.0);
    EXPECT_EQ(determinant_matrix_3(A), 1.0);
    double M[2][2] = {{3, 2}, {1, 4}};
    EXPECT_EQ(determinant_matrix_2(M), 10.0);
}

TEST(NumericFormulas, IntegerPowerAndMaxima)
{
    EXPECT_EQ(powerint(2, 0), 1);
    EXPECT_EQ(powerint(5, -3), 1);
    EXPECT_EQ(powerint(3, 5), 243);
    EXPECT_EQ(powerint(-2, 3), -8);
    // 32-bit wrapping, as a product of 2s would.
    EXPECT_EQ(powerint(2, 31), std::numeric_limits<int>::min());
    EXPECT_EQ(powerint(2, 32), 0);

    EXPECT_EQ(max_val2(1, 2), 2.0);
    EXPECT_TRUE(std::isnan(max_val2(1, NaN)));
    EXPECT_EQ(max_val2(NaN, 1), 1.0);
    EXPECT_EQ(max_val3(1, 3, 3), 3.0);
    EXPECT_EQ(max_val3(2, 2, 1), 2.0);
    EXPECT_EQ(max_val3(NaN, 1, 2), 0.0);

    EXPECT_DOUBLE_EQ(get_lame_constant(1.0, 0.25, 1), 0.4);
    EXPECT_DOUBLE_EQ(get_lame_constant(1.0, 0.25, 0), 0.4);
    EXPECT_EQ(get_lame_constant(1.0, 0.25, 2), 0.0);
    EXPECT_DOUBLE_EQ(normal_distribution(0, 0, 1), 1 / 2.5066282731988805);
    EXPECT_NEAR(filament_string(1, 1, 90), 17.12, 1e-9);
}

TEST(NumericStrings, SplitSkipsEmptyPieces)
{
    std::vector<std::string> out{"kept"};
    str_split("a,,b,", out, ",");
    EXPECT_EQ(out, (std::vector<std::string>{"kept", "a", "b"}));

    out.clear();
    str_split("x y;z", out, " ;");
    EXPECT_EQ(out, (std::vector<std::string>{"x", "y", "z"}));
    out.clear();
    str_split("a,b", out, "");
    EXPECT_EQ(out, (std::vector<std::string>{"a,b"}));
    out.clear();
    str_split(",,,", out, ",");
    EXPECT_TRUE(out.empty());
}

TEST(NumericBoxes, TouchingCountsAndEllipseIsABoxTest)
{
    EXPECT_TRUE(boxOverlapBox(0, 0, 1, 1, 1, 0, 2, 1));   // shared edge
    EXPECT_TRUE(boxOverlapBox(0, 0, 1, 1, 1, 1, 2, 2));   // shared corner
    EXPECT_FALSE(boxOverlapBox(0, 0, 1, 1, 1.0001, 0, 2, 1));
    EXPECT_FALSE(boxOverlapBox(0, 0, 1, 1, 0, -2, 1, -0.5));
    // In the corner of the ellipse's bounding box, outside the ellipse itself.
    EXPECT_TRUE(boxOverlapEllipse(1.9, 0.9, 3, 3, 0, 0, 2, 1));
    EXPECT_FALSE(boxOverlapEllipse(2.1, 0, 3, 3, 0, 0, 2, 1));

    // Dead space of two unit boxes one apart: 3x1 hull less both areas.
    EXPECT_EQ(area_d(0, 0, 1, 1, 2, 0, 3, 1), 1.0);
    EXPECT_EQ(area_d(0, 0, 1, 1, 0, 0, 1, 1), -1.0);

    EXPECT_EQ(point_line_side_check(0, 0, 1, 0, 0, 1), 1);
    EXPECT_EQ(point_line_side_check(0, 0, 1, 0, 0, -1), -1);
    EXPECT_EQ(point_line_side_check(0, 0, 1, 0, 5, 0), 0);
    EXPECT_EQ(point_line_side_check(0, 0, 1, 0, NaN, 0), -2);
}

TEST(NumericSegments, CrossingClasses)
{
    // Crossing exactly at both midpoints is no class.
    EXPECT_EQ(line_segment_intersection(0, 0, 2, 2, 0, 2, 2, 0), -1);
    // Shared end points: p1 = p3, p2 = p4, p2 = p3, p1 = p4.
    EXPECT_EQ(line_segment_intersection(0, 0, 1, 0, 0, 0, 0, 1), 1);
    EXPECT_EQ(line_segment_intersection(0, 0, 1, 0, 0, 1, 1, 0), 2);
    EXPECT_EQ(line_segment_intersection(0, 0, 1, 0, 1, 0, 1, 1), 7);
    EXPECT_EQ(line_segment_intersection(0, 0, 1, 0, 0, 1, 0, 0), 8);
    // s runs from p2 (0) to p1 (1), t from p4 (0) to p3 (1).
    EXPECT_EQ(line_segment_intersection(0, 0, 4, 0, 3, 3, 3, -1), 3);  // s = 0.25, t = 0.25
    EXPECT_EQ(line_segment_intersection(0, 0, 4, 0, 1, 1, 1, -3), 4);  // s = 0.75, t = 0.75
    EXPECT_EQ(line_segment_intersection(0, 0, 4, 0, 1, 3, 1, -1), 5);  // s = 0.75, t = 0.25
    EXPECT_EQ(line_segment_intersection(0, 0, 4, 0, 3, 1, 3, -3), 6);  // s = 0.25, t = 0.75
    EXPECT_EQ(line_segment_intersection(0, 0, 4, 0, 2, 3, 2, -1), -1); // s = 0.5, t = 0.25
    // Parallel, and apart.
    EXPECT_EQ(line_segment_intersection(0, 0, 1, 0, 0, 1, 1, 1), -1);
    EXPECT_EQ(line_segment_intersection(0, 0, 1, 0, 2, -1, 2, 1), -1);
}

TEST(NumericClipping, PerspectiveVolume)
{
    double zmin = -0.1;
    bool accept = true;
    double x0 = 0, y0 = 0, z0 = -0.5, x1 = 0.1, y1 = -0.1, z1 = -0.6;
    clipping(x0, y0, z0, x1, y1, z1, zmin, accept);
    EXPECT_TRUE(accept);
    EXPECT_EQ(x0, 0.0);
    EXPECT_EQ(z0, -0.5);
    EXPECT_EQ(x1, 0.1);
    EXPECT_EQ(z1, -0.6);

    // Parallel to the face x = -z and outside it.
    accept = true;
    x0 = 2, y0 = 0, z0 = -0.5, x1 = 2, y1 = 0.1, z1 = -0.5;
    clipping(x0, y0, z0, x1, y1, z1, zmin, accept);
    EXPECT_FALSE(accept);
    EXPECT_EQ(x0, 2.0);
    EXPECT_EQ(y1, 0.1);

    // Along the axis from z = 0 to z = -2: cut to [zmin, -1].
    x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = -2;
    clipping(x0, y0, z0, x1, y1, z1, zmin, accept);
    EXPECT_TRUE(accept);
    EXPECT_DOUBLE_EQ(z0, -0.1);
    EXPECT_DOUBLE_EQ(z1, -1.0);

    // One test alone: entering moves tE, parallel outside rejects.
    double tE = 0, tL = 1;
    EXPECT_TRUE(CLIPt(2, 1, tE, tL));
    EXPECT_EQ(tE, 0.5);
    EXPECT_FALSE(CLIPt(0, 1, tE, tL));
    EXPECT_FALSE(CLIPt(-1, -0.25, tE, tL)); // t = 0.25 < tE
}

// How many rand() values one call of f consumes, from a fixed seed.
template <typename F>
int draws_consumed(F f)
{
    srand(17);
    std::vector<int> sequence(64);
    for (int& r : sequence)
        r = rand();
    srand(17);
    f();
    const int next = rand();
    for (int k = 0; k < 64; k++)
        if (sequence[k] == next)
            return k;
    return -1;
}

// The polar method caches its second deviate (as a float): a call that
// draws is followed by one that draws nothing and scales the cached value by
// its own mu and sigma.
TEST(NumericRandom, PolarMethodCachesItsSecondDeviate)
{
    double value = 0;
    int drawn = 0;
    for (int tries = 0; tries < 2 && drawn == 0; tries++)
        drawn = draws_consumed([&] { value = randn_notrig(0, 1); });
    ASSERT_GE(drawn, 2);
    EXPECT_EQ(drawn % 2, 0);

    EXPECT_EQ(draws_consumed([&] { value = randn_notrig(10, 2); }), 0);
    const double cached = (value - 10) / 2;
    EXPECT_EQ(static_cast<double>(static_cast<float>(cached)), cached);
    EXPECT_GE(draws_consumed([&] { randn_notrig(0, 1); }), 2);
    randn_notrig(0, 1); // leave the cache empty
}

TEST(NumericRandom, PolarMethodIsNormal)
{
    srand(11);
    const int n = 40000;
    double sum = 0, sum2 = 0;
    for (int i = 0; i < n; i++) {
        const double v = randn_notrig(1.0, 2.0);
        sum += v;
        sum2 += v * v;
    }
    const double mean = sum / n;
    const double var = sum2 / n - mean * mean;
    EXPECT_NEAR(mean, 1.0, 4 * 2.0 / std::sqrt(n));
    EXPECT_NEAR(var, 4.0, 4 * 4.0 * std::sqrt(2.0 / n));
}
