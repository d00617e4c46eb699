// Point in an axis-aligned ellipse, by the focal-distance rule on the longer axis.
#include "geometry/numeric.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PointInEllipse, WideTallAndRoundWithTheBoundaryIncluded)
{
    // Arguments: point, half-axes, centre.
    // Wide: a = 5 along x, b = 3 along y (foci at x = +-4).
    EXPECT_TRUE(pointInEllipse(5, 0, 5, 3, 0, 0));
    EXPECT_TRUE(pointInEllipse(0, 3, 5, 3, 0, 0));
    EXPECT_FALSE(pointInEllipse(0, 3.01, 5, 3, 0, 0));
    EXPECT_FALSE(pointInEllipse(5.01, 0, 5, 3, 0, 0));
    // Tall: the same ellipse turned, centred elsewhere.
    EXPECT_TRUE(pointInEllipse(10, 25, 3, 5, 10, 20));
    EXPECT_FALSE(pointInEllipse(13.01, 20, 3, 5, 10, 20));
    EXPECT_TRUE(pointInEllipse(13, 20, 3, 5, 10, 20));
    // Round.
    EXPECT_TRUE(pointInEllipse(3, 1, 2, 2, 1, 1));
    EXPECT_FALSE(pointInEllipse(2.5, 2.5, 2, 2, 1, 1));
}

TEST(PointInEllipse, NotANumberHalfAxisIsOutside)
{
    EXPECT_FALSE(pointInEllipse(0, 0, std::nan(""), 1, 0, 0));
    EXPECT_FALSE(pointInEllipse(0, 0, 1, std::nan(""), 0, 0));
}
