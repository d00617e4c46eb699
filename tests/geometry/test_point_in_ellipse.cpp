// Point in an axis-aligned ellipse, by the focal-distance rule on the longer axis.
#include "geometry/numeric.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PointInEllipse, WideTallAndRoundWithTheBoundaryIncluded)
{
    // Wide: a = 5 along x, b = 3 along y (foci at x = +-4).
    EXPECT_TRUE(pointInEllipse(0, 0, 5, 3, 5, 0));
    EXPECT_TRUE(pointInEllipse(0, 0, 5, 3, 0, 3));
    EXPECT_FALSE(pointInEllipse(0, 0, 5, 3, 0, 3.01));
    EXPECT_FALSE(pointInEllipse(0, 0, 5, 3, 5.01, 0));
    // Tall: the same ellipse turned, centred elsewhere.
    EXPECT_TRUE(pointInEllipse(10, 20, 3, 5, 10, 25));
    EXPECT_FALSE(pointInEllipse(10, 20, 3, 5, 13.01, 20));
    EXPECT_TRUE(pointInEllipse(10, 20, 3, 5, 13, 20));
    // Round.
    EXPECT_TRUE(pointInEllipse(1, 1, 2, 2, 3, 1));
    EXPECT_FALSE(pointInEllipse(1, 1, 2, 2, 2.5, 2.5));
}

TEST(PointInEllipse, NotANumberHalfAxisIsOutside)
{
    EXPECT_FALSE(pointInEllipse(0, 0, std::nan(""), 1, 0, 0));
    EXPECT_FALSE(pointInEllipse(0, 0, 1, std::nan(""), 0, 0));
}
