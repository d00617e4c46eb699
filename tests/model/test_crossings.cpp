// The whole-tissue crossing test itself: welded neighbours lie on each other
// without crossing; overlapping cells and a dead cell are told apart.
#include "model/dbreader.h"
#include "support/crossings.h"
#include "support/tissue_fixture.h"

#include <gtest/gtest.h>

namespace {

FixtureCell square(double x, double y, double side)
{
    FixtureCell c;
    c.ring = {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}};
    return c;
}

}  // namespace

TEST(BoundaryCrossings, WeldedNeighboursDoNotCrossOverlappingCellsDo)
{
    std::string error;
    std::unique_ptr<dbReader> welded = buildTissue(twoWeldedCells(), &error);
    ASSERT_TRUE(welded) << error;
    EXPECT_TRUE(boundaryCrossings(*welded).empty());

    TissueLayout overlap;
    overlap.cells = {square(0, 0, 10), square(5, 5, 10)};
    std::unique_ptr<dbReader> engine = buildTissue(overlap, &error);
    ASSERT_TRUE(engine) << error;
    // The corner square's right and top sides each cut one side of the other.
    EXPECT_EQ(boundaryCrossings(*engine).size(), 2u);
    std::string where;
    EXPECT_TRUE(boundariesCross(*engine, &where));
    EXPECT_NE(where.find("of cell 0 crosses"), std::string::npos) << where;

    // A dead cell's boundary is no longer part of the tissue.
    engine->cells[1]->dead = 1;
    EXPECT_TRUE(boundaryCrossings(*engine).empty());
}
