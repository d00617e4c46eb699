// The edge correction stage's contact phase: a pair made across a small gap
// whose contact response hands the contact on to a third cell. The pair that
// response appends is left for the stage, which must weld it in the same
// call, or the two cells stay overlapping.
#include "contact/corrections.h"
#include "contact_fixtures.h"
#include "support/crossings.h"
#include "support/progress_watch.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

// Z (cell 0) lies on top, welded to A (cell 1) on the left and to B (cell 2)
// on the right; between the two welds Z's bottom has two free edges, a small
// gap that A and B face without a contact of their own. X (cell 3) lies under
// B, welded to it along B's bottom. A hangs down from Z, runs right under B
// through X and sends a finger up across the B-X weld deep into B: A crosses
// B only on edges welded to X, and most of A's ring lies inside B. A has no
// contact with X either. B's sides next to the gap are three free edges long,
// so the gap walk from Z stops on B before it reaches X.
TissueLayout fingerAcrossAWeld()
{
    TissueLayout layout;
    layout.cells.push_back(FixtureCell{{{0, 10}, {4, 10}, {8, 10}, {10, 10.5}, {12, 11}, {20, 11}, {20, 14}, {0, 14}}, 0});
    FixtureCell A;
    A.ring = {{4, -3}, {18.4, -3}};
    for (double y : {0.8, 2.4, 4.0, 5.6, 7.2, 8.8})
        A.ring.push_back({18.4, y});
    A.ring.push_back({16.9, 8.8});  // no x shared with B or X: no parallel-edge hits
    for (double y : {8.8, 7.2, 5.6, 4.0, 2.4, 0.8})
        A.ring.push_back({14.6, y});
    for (auto p : {std::pair{14.6, -1.0}, {8.0, -1.0}, {8.0, 10.0}, {4.0, 10.0}})
        A.ring.push_back(p);
    layout.cells.push_back(A);
    const double t = 11.0 / 3;
    layout.cells.push_back(FixtureCell{
        {{12, 0}, {14, 0}, {16.5, 0}, {18, 0}, {20, 0}, {20, t}, {20, 2 * t}, {20, 11}, {12, 11}, {12, 2 * t}, {12, t}}, 0});
    layout.cells.push_back(FixtureCell{{{12, -10}, {20, -10}, {20, 0}, {18, 0}, {16.5, 0}, {14, 0}, {12, 0}, {12, -5}}, 0});
    const int n = static_cast<int>(A.ring.size());
    layout.welds = {{0, 1, 2, 1, n - 2, n - 1}, {0, 4, 5, 2, 7, 8}, {2, 0, 4, 3, 2, 6}};
    return layout;
}

// Whether some side of a is welded to a side of b.
bool welded(const cell* a, const cell* b)
{
    for (const edge* s : a->sides)
        if (s->in_use && s->bonded && s->partner && s->partner->cell == b)
            return true;
    return false;
}

} // namespace

TEST(EdgeStage, APairAppendedByANewPairsResponseIsWeldedInTheSameCall)
{
    auto e = buildChecked(fingerAcrossAWeld());
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    cell* A = e->cells[1];
    cell* B = e->cells[2];
    cell* X = e->cells[3];
    ASSERT_TRUE(boundariesCross(*e));  // A overlaps B and X
    ASSERT_FALSE(welding::find_any_pair(A, B));
    ASSERT_FALSE(welding::find_any_pair(A, X));
    const std::size_t K0 = e->interpairs.size();

    testing::internal::CaptureStdout();
    const int r = e->cell_edge_response(1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(r, -1) << e->message.toStdString();
    EXPECT_FALSE(anyProgressVisible());

    // The gap pair: the first pair of the stage. Its response met A inside
    // B's weld with X, made the contact of A and X, and removed B, the
    // overlap being too large to weld (A has most of its ring inside B).
    ASSERT_GT(e->interpairs.size(), K0 + 1);
    interpair* gapPair = e->interpairs[K0];
    EXPECT_EQ(gapPair->cell1, A);
    EXPECT_EQ(gapPair->cell2, B);
    EXPECT_TRUE(B->dead);
    EXPECT_TRUE(gapPair->removed);
    // The contact of A and X came after it, out of that response, which
    // does not run it itself: the stage's next pass did, and welded it.
    interpair* handedOn = welding::find_any_pair(A, X);
    ASSERT_TRUE(handedOn);
    EXPECT_GT(handedOn->id, gapPair->id);
    EXPECT_FALSE(handedOn->removed);
    EXPECT_FALSE(handedOn->MP.empty());
    EXPECT_TRUE(welded(A, X));
    EXPECT_TRUE(welded(X, A));
    EXPECT_FALSE(A->dead);
    EXPECT_FALSE(X->dead);
    EXPECT_TRUE(topologyIsSound(*e));
    std::string where;
    EXPECT_FALSE(boundariesCross(*e, &where)) << where;
}

TEST(EdgeStage, ABrokenSideFailsTheStageWithItsCellAndClosesTheDialog)
{
    // A weld whose pair is gone: the length phase meets it and fails.
    auto e = buildChecked(twoWeldedCells());
    ASSERT_TRUE(e);
    sideAt(*e, 1, 3)->pair = nullptr;
    ProgressWatch watch;
    EXPECT_EQ(e->cell_edge_response(1), 1);
    watch.stop();
    EXPECT_EQ(e->message, "ERROR: the boundary of cell 1 is broken!");
    EXPECT_TRUE(watch.seen.contains("Simulation: edge-response|Cell edge correction..."));
    EXPECT_FALSE(anyProgressVisible());
}
