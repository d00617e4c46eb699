// The alternative contact response opening a contact of two overlapping
// cells, and boundary merge 0 at a single welded point with the third cells
// welded there.
#include "contact/alt_merge.h"
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// Two unwelded 20-gons, the second `gap` to the right of the first and
// turned by `turn`, with a pair made as the detection stage makes it.
std::unique_ptr<dbReader> overlapping(double gap, double turn = 0.0)
{
    TissueLayout layout;
    FixtureCell a = twentyGon(0.0, 0.0);
    FixtureCell b;
    for (int j = 0; j < 20; ++j) {
        const double t = turn + j * 0.314159265;
        b.ring.push_back({gap + 10.0 * std::cos(t), 10.0 * std::sin(t)});
    }
    layout.cells = {a, b};
    auto e = buildTissue(layout);
    if (e)
        welding::new_pair(*e, e->cells[0], e->cells[1]);
    return e;
}

TEST(AltResponse, OpensTwoOverlappingCellsIntoOneWeldedStretch)
{
    for (double gap : {16.0, 18.0, 19.5}) {
        auto e = overlapping(gap, 0.05);
        ASSERT_TRUE(e);
        interpair* p = e->interpairs[0];
        EXPECT_EQ(welding::respond_alt(*e, p), dbReader::STEP_OK) << e->message.toStdString();
        EXPECT_TRUE(topologyIsSound(*e)) << "gap " << gap;
        EXPECT_TRUE(boundaryCrossings(*e).empty()) << "gap " << gap;
        ASSERT_EQ(p->MP.size(), 1u) << "gap " << gap;
        EXPECT_EQ(p->MP[0]->id, 1);
    }
}

} // namespace
