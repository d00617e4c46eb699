// Moving one end of a welded stretch outward by one couple: refusals that
// leave the engine as it was, whole merges whose loose pieces are welded in
// the main contact, a third cell pinched at the fused point, and seeded
// packings whose free stretch ends are all extended.
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/contact_run.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// facingRuns without the weld at P1: the new end c = P1 (0, 0) and d = Q1,
// moved to (0, -1), are free; the old end a = P2, b = Q2 is welded.
std::unique_ptr<dbReader> openEnd(int kA, int kB, double length)
{
    TissueLayout layout = facingRuns(kA, kB, length);
    layout.welds.erase(layout.welds.begin());
    layout.cells[1].ring[static_cast<std::size_t>(kB + 1)] = {0.0, -1.0};
    std::string error;
    auto engine = buildTissue(layout, &error);
    EXPECT_TRUE(engine) << error;
    return engine;
}

struct Ends {
    point3D *a, *b, *c, *d;
};

Ends endsOf(const dbReader& e, int kA, int kB)
{
    return {vertexAt(e, 0, kA + 1), vertexAt(e, 1, 0), vertexAt(e, 0, 0), vertexAt(e, 1, kB + 1)};
}

TEST(ExtendStretchEnd, RefusalsChangeAndPrintNothing)
{
    auto e = openEnd(2, 3, 10.0);
    ASSERT_TRUE(e);
    const Ends k = endsOf(*e, 2, 3);
    const std::string before = snapshot(*e);
    point3D* dead = k.c->next;
    struct Case {
        point3D *a, *b, *c, *d;
    };
    testing::internal::CaptureStdout();
    dead->alive = 0;
    EXPECT_EQ(welding::extend_stretch_end(*e, k.a, k.b, dead, k.d, 7), welding::MergeOutcome::Refused);
    dead->alive = 1;
    for (const Case& x : {Case{k.a, k.b, k.a, k.d}, Case{k.a, k.b, k.c, k.b}, Case{k.a, k.b, k.d, k.c},
                          Case{k.a, k.c, k.c, k.d}, Case{nullptr, k.b, k.c, k.d}})
        EXPECT_EQ(welding::extend_stretch_end(*e, x.a, x.b, x.c, x.d, 7), welding::MergeOutcome::Refused);
    // No live contact between the two cells.
    e->interpairs[0]->removed = 1;
    e->boundary_merge_1(k.a, k.b, k.c, k.d, 7);
    e->interpairs[0]->removed = 0;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(snapshot(*e), before);
}

struct Sizes {
    int kA, kB;
    double length;
};

class WholeExtension : public ::testing::TestWithParam<Sizes> {};

TEST_P(WholeExtension, LoosePiecesAreWeldedInTheMainContact)
{
    const Sizes s = GetParam();
    auto e = openEnd(s.kA, s.kB, s.length);
    ASSERT_TRUE(e);
    const Ends k = endsOf(*e, s.kA, s.kB);
    testing::internal::CaptureStdout();
    EXPECT_EQ(welding::extend_stretch_end(*e, k.a, k.b, k.c, k.d, 0), welding::MergeOutcome::Done);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(k.c->checkmp(k.d));
    EXPECT_EQ(k.c->node, k.d->node);
    EXPECT_DOUBLE_EQ(k.c->y, -0.5);
    const std::vector<point3D*> pa = ringBetween(k.c, k.a, false);
    const std::vector<point3D*> qb = ringBetween(k.d, k.b, true);
    ASSERT_EQ(pa.size(), qb.size());
    for (std::size_t j = 0; j < pa.size(); ++j)
        EXPECT_TRUE(pa[j]->checkmp(qb[j]));
    for (point3D* v = k.c; v != k.a; v = v->next)
        EXPECT_EQ(v->out_edge->pair, e->interpairs[0]);
    EXPECT_TRUE(topologyIsSound(*e));
}

INSTANTIATE_TEST_SUITE_P(Counts, WholeExtension,
                         ::testing::Values(Sizes{0, 0, 5.0}, Sizes{0, 3, 10.0}, Sizes{3, 0, 10.0},
                                           Sizes{2, 2, 10.0}, Sizes{3, 1, 10.0}, Sizes{5, 2, 10.0},
                                           Sizes{2, 3, 3.0}));

TEST(ExtendStretchEnd, ThirdCellPinchedAtTheFusedPointLosesItsArc)
{
    // W is welded to c at w1 and to d at w2; after the fusion both lie at m
    // and the shorter arc (w2 alone) is cut.
    TissueLayout layout = facingRuns(2, 2, 9.0);
    layout.welds.erase(layout.welds.begin());
    layout.cells[1].ring[3] = {0.0, -1.0};
    FixtureCell w;
    w.ring = {{0.0, -1.0}, {0.0, 0.0}, {-5.0, 2.0}, {-5.0, -3.0}};
    layout.cells.push_back(w);
    layout.welds.push_back(FixtureWeld{0, 0, 0, 2, 1, 1});
    layout.welds.push_back(FixtureWeld{1, 3, 3, 2, 0, 0});
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    const Ends k = endsOf(*e, 2, 2);
    point3D* w1 = vertexAt(*e, 2, 1);
    point3D* w2 = vertexAt(*e, 2, 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(welding::extend_stretch_end(*e, k.a, k.b, k.c, k.d, 0), welding::MergeOutcome::Done);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(w2->alive);
    EXPECT_TRUE(w1->alive);
    EXPECT_EQ(e->cells[2]->sides.size(), 3u);
    EXPECT_TRUE(w1->checkmp(k.c));
    EXPECT_TRUE(w1->checkmp(k.d));
    EXPECT_EQ(w1->node, k.c->node);
    EXPECT_TRUE(topologyIsSound(*e));
}

// The new end couple for the end (a, b): c before a on a's cell, d after b
// on b's.
using CoupleChoice = std::function<std::pair<point3D*, point3D*>(dbReader&, point3D*, point3D*, int end)>;

std::pair<point3D*, point3D*> ringNeighbours(dbReader&, point3D* a, point3D* b, int)
{
    return {a->prev, b->next};
}

// The couple the contact response picks: the first crossing found walking
// from a few vertices before a (along next) against a few after b (along
// prev), collinear edges passed over; when exactly one of the two found
// vertices is the old end, the ring neighbours.
std::pair<point3D*, point3D*> outermostCrossing(dbReader& db, point3D* a, point3D* b, int end)
{
    point3D* sa = a;
    point3D* sb = b;
    for (int k = 1 + std::rand() % 4; k > 0; --k) {
        sa = sa->prev;
        sb = sb->next;
    }
    point3D* u0 = nullptr;
    point3D* v0 = nullptr;
    const auto test = [&](point3D* s, point3D* t) {
        const int code = db.intersection_type(s, t);
        return code != 9 && welding::crossing_ends(code, s, t, u0, v0);
    };
    // The S1/T2 end walks a's side outside, the T1/S2 end b's side.
    bool found = false;
    for (point3D* x = end == 0 ? sa : sb; !found && x != (end == 0 ? a : b); x = end == 0 ? x->next : x->prev)
        for (point3D* y = end == 0 ? sb : sa; !found && y != (end == 0 ? b : a); y = end == 0 ? y->prev : y->next)
            found = end == 0 ? test(x, y) : test(y, x);
    if (!found || (u0 == a) != (v0 == b))
        return {a->prev, b->next};
    return {u0, v0};
}

// Packings of two or three cells welded by the initial pass, grown into
// each other, then every free stretch end extended by the chosen couple.
void extendEveryFreeEnd(const CoupleChoice& choose, unsigned seeds, int& calls, int& merged)
{
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        std::srand(seed);
        const int count = 2 + static_cast<int>(seed % 2);
        std::vector<Centre> centres{{0.0, 0.0}, {17.0 + (std::rand() % 20) * 0.1, (std::rand() % 20) * 0.1}};
        if (count == 3)
            centres.push_back({8.5 + (std::rand() % 10) * 0.1, 15.0 + (std::rand() % 10) * 0.1});
        std::string error;
        auto e = weldCentres(centres, &error);
        ASSERT_TRUE(e) << error;
        std::vector<Shift> shifts;
        for (int i = 0; i < count; ++i) {
            const double t = 0.05 + (std::rand() % 100) * 0.004;
            shifts.push_back({(8.5 - centres[i].first) * t * 0.1, (5.0 - centres[i].second) * t * 0.1});
        }
        shiftCells(*e, shifts);
        ASSERT_TRUE(topologyIsSound(*e)) << "seed " << seed;
        for (std::size_t i = 0; i < e->interpairs.size(); ++i) {
            interpair* P = e->interpairs[i];
            for (int end = 0; end < 2 && !P->MP.empty(); ++end) {
                mergepair* m = P->MP[0];
                point3D* a = end == 0 ? m->S1 : m->T1;
                point3D* b = end == 0 ? m->T2 : m->S2;
                const auto [c, d] = choose(*e, a, b, end);
                ++calls;
                testing::internal::CaptureStdout();
                const welding::MergeOutcome r = welding::extend_stretch_end(*e, a, b, c, d, P->id);
                testing::internal::GetCapturedStdout();
                if (r == welding::MergeOutcome::Done) {
                    ++merged;
                    EXPECT_TRUE(c->checkmp(d)) << "seed " << seed;
                    if (!P->MP.empty()) {
                        (end == 0 ? P->MP[0]->S1 : P->MP[0]->T1) = c;
                        (end == 0 ? P->MP[0]->T2 : P->MP[0]->S2) = d;
                    }
                }
                ASSERT_TRUE(topologyIsSound(*e)) << "seed " << seed << " pair " << i << " end " << end << ": "
                                                 << describeFaults(checkTopology(*e));
            }
        }
    }
}

// At least 300 calls over 150 seeds, and at least `minMerged` done.
void fuzzWith(const CoupleChoice& choose, int minMerged)
{
    int calls = 0;
    int merged = 0;
    extendEveryFreeEnd(choose, 150, calls, merged);
    EXPECT_GE(calls, 300);
    EXPECT_GT(merged, minMerged);
}

TEST(ExtendStretchEndFuzz, EveryFreeEndOfGrownPackingsByRingNeighbours) { fuzzWith(ringNeighbours, 150); }

TEST(ExtendStretchEndFuzz, EveryFreeEndOfGrownPackingsByOutermostCrossing) { fuzzWith(outermostCrossing, 100); }

// `total` cells: A (above) at index ia and B (below) at ib facing each other
// from c = (0, 0), d = (0, -1) to their welded old end at (9, 0); the other
// cells are far-away squares, for the tests to replace by third cells.
TissueLayout facingWithThirds(int ia, int ib, int total)
{
    TissueLayout layout;
    for (int i = 0; i < total; ++i) {
        FixtureCell sq;
        const double x = 100.0 + 20.0 * i;
        sq.ring = {{x, 100}, {x + 10, 100}, {x + 10, 110}, {x, 110}};
        layout.cells.push_back(sq);
    }
    layout.cells[static_cast<std::size_t>(ia)].ring = {{0, 0}, {3, -0.3}, {6, -0.3}, {9, 0}, {9, 10}, {0, 10}};
    layout.cells[static_cast<std::size_t>(ib)].ring = {{9, 0},  {6, 0.3}, {3, 0.3},   {0, -1},
                                                       {0, -4}, {0, -7},  {0, -10}, {9, -10}};
    layout.welds.push_back(FixtureWeld{ia, 3, 3, ib, 0, 0});
    return layout;
}

TEST(ExtendStretchEnd, PartnersOfBothFusedVerticesGetContactsAndOneTrace)
{
    // W is welded to c alone, Z to d alone, and W and Z have no contact.
    TissueLayout layout = facingWithThirds(0, 1, 4);
    layout.cells[2].ring = {{0, 0}, {-3, 3}, {-3, 0}};
    layout.cells[3].ring = {{0, -1}, {-3, -1}, {-3, -4}};
    layout.welds.push_back(FixtureWeld{0, 0, 0, 2, 0, 0});
    layout.welds.push_back(FixtureWeld{1, 3, 3, 3, 0, 0});
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    ASSERT_EQ(e->interpairs.size(), 3u);
    point3D* c = vertexAt(*e, 0, 0);
    point3D* d = vertexAt(*e, 1, 3);
    point3D* wv = vertexAt(*e, 2, 0);
    point3D* zv = vertexAt(*e, 3, 0);
    // W's and Z's other vertices (partners of nothing at the fused point)
    // keep their places.
    std::vector<std::pair<point3D*, welding::Pos>> others;
    for (int i : {2, 3})
        for (int j : {1, 2})
            others.push_back({vertexAt(*e, i, j), welding::pos_of(vertexAt(*e, i, j))});
    testing::internal::CaptureStdout();
    EXPECT_EQ(welding::extend_stretch_end(*e, vertexAt(*e, 0, 3), vertexAt(*e, 1, 0), c, d, 0),
              welding::MergeOutcome::Done);
    // The contact Z-W made in the first run is re-welded once in the second.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1T1: 0 1, boundary merge 2: 3 2\n");
    ASSERT_EQ(e->interpairs.size(), 6u);
    const interpair* zw = e->interpairs[3];
    EXPECT_EQ(zw->id, 3);
    EXPECT_EQ(zw->cell1, e->cells[3]);
    ASSERT_EQ(zw->MP.size(), 1u);
    EXPECT_EQ(zw->MP[0]->S1, zv);
    EXPECT_EQ(zw->MP[0]->T2, wv);
    EXPECT_EQ(e->interpairs[4]->cell1, e->cells[1]); // B-W, from d's side
    EXPECT_EQ(e->interpairs[5]->cell1, e->cells[0]); // A-Z, from c's side
    for (point3D* p : {c, d, wv, zv}) {
        EXPECT_EQ(p->mp.size(), 3u);
        EXPECT_EQ(p->node, c->node);
        EXPECT_DOUBLE_EQ(p->x, 0.0);
        EXPECT_DOUBLE_EQ(p->y, -0.5);
    }
    for (const auto& [p, at] : others) {
        EXPECT_EQ(p->x, at.x);
        EXPECT_EQ(p->y, at.y);
    }
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(ExtendStretchEnd, OnlyCsPartnerJoinsDWithoutTraceOrCut)
{
    // W is welded to c alone: the first runs only. W's vertex moves to m,
    // becomes d's partner and W gets a new single-point contact with B.
    TissueLayout layout = facingWithThirds(0, 1, 3);
    layout.cells[2].ring = {{0, 0}, {-3, 3}, {-3, 0}};
    layout.welds.push_back(FixtureWeld{0, 0, 0, 2, 0, 0});
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    point3D* c = vertexAt(*e, 0, 0);
    point3D* d = vertexAt(*e, 1, 3);
    point3D* wv = vertexAt(*e, 2, 0);
    point3D* wNext = wv->next;
    const double nextX = wNext->x;
    testing::internal::CaptureStdout();
    EXPECT_EQ(welding::extend_stretch_end(*e, vertexAt(*e, 0, 3), vertexAt(*e, 1, 0), c, d, 0),
              welding::MergeOutcome::Done);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_DOUBLE_EQ(wv->y, -0.5);
    EXPECT_DOUBLE_EQ(wNext->x, nextX);
    EXPECT_EQ(wv->mp, (std::vector<point3D*>{c, d}));
    ASSERT_EQ(e->interpairs.size(), 3u);
    const interpair* bw = e->interpairs[2];
    EXPECT_EQ(bw->cell1, e->cells[1]);
    ASSERT_EQ(bw->MP.size(), 1u);
    EXPECT_EQ(bw->MP[0]->S1, d);
    EXPECT_EQ(bw->MP[0]->T1, wv);
    EXPECT_EQ(e->cells[2]->sides.size(), 3u);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(ExtendStretchEnd, ThirdCellContactReweldIsTracedWithThePairId)
{
    // Contact 7 between cells 3 (A) and 5 (B); W = cell 9 is welded to c
    // and, along B's left side just after d, to B: that contact is re-welded
    // to start at d and w.
    TissueLayout layout = facingWithThirds(3, 5, 10);
    layout.cells[9].ring = {{0, 0}, {-5, 0}, {-5, -8}, {0, -7}, {0, -4}};
    layout.welds.push_back(FixtureWeld{3, 0, 0, 9, 0, 0});
    layout.welds.push_back(FixtureWeld{5, 4, 5, 9, 3, 4});
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    ASSERT_EQ(e->cells[5]->sides.size(), 8u);
    point3D* c = vertexAt(*e, 3, 0);
    point3D* d = vertexAt(*e, 5, 3);
    point3D* wv = vertexAt(*e, 9, 0);
    interpair* bw = e->interpairs[2];
    ASSERT_EQ(bw->cell1, e->cells[5]);
    testing::internal::CaptureStdout();
    e->boundary_merge_1(vertexAt(*e, 3, 3), vertexAt(*e, 5, 0), c, d, 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1Pair id: 7:3 5, boundary merge 2: 5 9\n");
    ASSERT_EQ(bw->MP.size(), 1u);
    EXPECT_EQ(bw->MP[0]->S1, d);
    EXPECT_EQ(bw->MP[0]->T2, wv);
    EXPECT_EQ(d->out_edge->partner, wv->in_edge);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(ThirdCellContacts, ReweldOnlyWhenNeitherEndOrBothOnASinglePoint)
{
    // twoWeldedCells: cell 0's vertices 1..3 welded to cell 1's 3..0, so the
    // stretch's first end couple is (v0_1, v1_0) and cell 0's side has two
    // ends. f on cell 0 takes the first end (x = f, y = w).
    struct Case {
        int f, w;         // ring indices on cells 0 and 1
        const char* line; // what is printed
        int S1, T2;       // the stretch's ends afterwards (ring indices)
    };
    for (const Case& k : {Case{1, 1, "", 1, 0}, Case{1, 0, "", 1, 0}, Case{0, 1, "P0 1\n", 0, 1}}) {
        auto e = buildTissue(twoWeldedCells());
        ASSERT_TRUE(e);
        point3D* f = vertexAt(*e, 0, k.f);
        point3D* w = vertexAt(*e, 1, k.w);
        testing::internal::CaptureStdout();
        welding::third_cell_contacts(*e, f, {w}, true, "P");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), k.line) << k.f << " " << k.w;
        const mergepair* m = e->interpairs[0]->MP[0];
        EXPECT_EQ(m->S1, vertexAt(*e, 0, k.S1));
        EXPECT_EQ(m->T2, vertexAt(*e, 1, k.T2));
        EXPECT_TRUE(f->checkmp(w));
        EXPECT_TRUE(w->checkmp(f));
    }
    // A single-point side already at both ends is re-welded (and traced).
    // facingRuns' two cells also meet at their other corner, whose collinear
    // sides the end refresh must not take for the crossings beyond the weld:
    // the single points stay as they are, the far sides unwelded.
    auto e = buildTissue(facingRuns(2, 2, 9.0));
    ASSERT_TRUE(e);
    const std::string before = snapshot(*e);
    testing::internal::CaptureStdout();
    welding::third_cell_contacts(*e, vertexAt(*e, 0, 0), {vertexAt(*e, 1, 3)}, true, "P");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "P0 1\n");
    EXPECT_EQ(snapshot(*e), before);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(ContactFor, MadeStartedOrHandedBack)
{
    auto e = buildTissue(facingRuns(2, 2, 9.0));
    ASSERT_TRUE(e);
    point3D* x = vertexAt(*e, 1, 1);
    point3D* y = vertexAt(*e, 0, 1);
    interpair* ab = e->interpairs[0];
    // A contact with a stretch is handed back.
    EXPECT_EQ(welding::contact_for(*e, x, y, true), ab);
    // An empty contact starts with the couple, its S end on its first cell.
    while (!ab->MP.empty())
        ab->remove_MP(ab->MP[0]);
    EXPECT_EQ(welding::contact_for(*e, x, y, true), nullptr);
    ASSERT_EQ(ab->MP.size(), 1u);
    EXPECT_EQ(ab->MP[0]->S1, y);
    EXPECT_EQ(ab->MP[0]->T2, x);
    // Only a removed contact: passed over, a new one is made with x's cell
    // first, listed by both cells.
    ab->removed = 1;
    EXPECT_EQ(welding::contact_for(*e, x, y, true), nullptr);
    ASSERT_EQ(e->interpairs.size(), 2u);
    interpair* made = e->interpairs[1];
    EXPECT_EQ(made->id, 1);
    EXPECT_EQ(made->cell1, e->cells[1]);
    ASSERT_EQ(made->MP.size(), 1u);
    EXPECT_EQ(made->MP[0]->S1, x);
    EXPECT_EQ(made->MP[0]->T1, y);
    EXPECT_EQ(e->cells[0]->pairs.back(), made);
    EXPECT_EQ(e->cells[1]->pairs.back(), made);
    // A fused vertex and a partner on its own cell: neither linked nor
    // given a contact.
    point3D* own = vertexAt(*e, 1, 2);
    EXPECT_EQ(welding::link_fused_partner(*e, x, own), nullptr);
    EXPECT_FALSE(x->checkmp(own));
    EXPECT_FALSE(own->checkmp(x));
    EXPECT_EQ(e->interpairs.size(), 2u);
}

} // namespace

namespace {

// The fusion's edge cases on facingRuns(2, 2, 9): c = P1 and d = Q1 (cell
// B's vertex 3) already welded at (0, 0), the old end a = P2, b = Q2; with
// `third`, a triangle W left of them whose vertex 0 is welded to both.
struct FusedAtOnePoint {
    bool third;
    const char* out; // standard output of the merge
};

TEST(ExtendStretchEnd, FusionOfAnAlreadyWeldedCoupleAndOfASharedPartner)
{
    for (const FusedAtOnePoint& k :
         {FusedAtOnePoint{false, ""},
          FusedAtOnePoint{true, "1Pair id: 4:0 1, boundary merge 2: 1 2\n1Pair id: 4:0 1, boundary merge 2: 0 2\n"}}) {
        TissueLayout layout = facingRuns(2, 2, 9.0);
        if (k.third) {
            FixtureCell w;
            w.ring = {{0.0, 0.0}, {-5.0, 5.0}, {-5.0, -5.0}};
            layout.cells.push_back(w);
            layout.welds.push_back(FixtureWeld{0, 0, 0, 2, 0, 0});
            layout.welds.push_back(FixtureWeld{1, 3, 3, 2, 0, 0});
        }
        auto e = buildChecked(layout);
        ASSERT_TRUE(e);
        point3D* c = vertexAt(*e, 0, 0);
        point3D* d = vertexAt(*e, 1, 3);
        const std::size_t pairs = e->interpairs.size();
        testing::internal::CaptureStdout();
        EXPECT_EQ(welding::extend_stretch_end(*e, vertexAt(*e, 0, 3), vertexAt(*e, 1, 0), c, d, 4),
                  welding::MergeOutcome::Done)
            << k.third;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), k.out);
        EXPECT_EQ(e->interpairs.size(), pairs);
        if (!k.third) {
            EXPECT_EQ(c->mp, std::vector<point3D*>{d});
            EXPECT_EQ(d->mp, std::vector<point3D*>{c});
        } else {
            // The shared partner stays one vertex at m, listed once by c and
            // by d, never by itself.
            point3D* w = vertexAt(*e, 2, 0);
            EXPECT_TRUE(w->alive);
            EXPECT_FALSE(w->checkmp(w));
            EXPECT_EQ(std::count(c->mp.begin(), c->mp.end(), w), 1);
            EXPECT_EQ(std::count(d->mp.begin(), d->mp.end(), w), 1);
            EXPECT_EQ(w->node, c->node);
            EXPECT_DOUBLE_EQ(w->x, 0.0);
            EXPECT_DOUBLE_EQ(w->y, 0.0);
            EXPECT_EQ(e->cells[2]->sides.size(), 3u);
        }
        EXPECT_EQ(c->node, d->node);
        EXPECT_TRUE(topologyIsSound(*e)) << describeFaults(checkTopology(*e));
    }
}

} // namespace

namespace {

// Two squares side by side along x = 10, their shared side split every 2:
// cell 0 rises along it (vertex k at (10, 2k - 2) for k = 1..6), cell 1
// descends (vertex k at (10, 20 - 2k) for k = 3..7, (10, 0) is vertex 0).
// Stretch 0 welds (10, 4)..(10, 6), stretch 1 the single point (10, 8);
// cell 2 is a far-away square.
TissueLayout splitSide()
{
    TissueLayout layout;
    FixtureCell left, right, far;
    left.ring = {{0, 0}, {10, 0}, {10, 2}, {10, 4}, {10, 6}, {10, 8}, {10, 10}, {0, 10}};
    right.ring = {{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 8}, {10, 6}, {10, 4}, {10, 2}};
    far.ring = {{100, 100}, {110, 100}, {110, 110}, {100, 110}};
    layout.cells = {left, right, far};
    layout.welds.push_back(FixtureWeld{0, 3, 4, 1, 5, 6});
    layout.welds.push_back(FixtureWeld{0, 5, 5, 1, 4, 4});
    return layout;
}

TEST(PartnerBlock, BondedPartnerOnlyLinksAndAStretchIsReweldedOnce)
{
    struct Case {
        int u;            // cell 0's vertex handled as u
        int vCell, v;     // the inner partner
        const char* line; // what is printed
    };
    for (const Case& k : {Case{3, 2, 0, ""}, Case{2, 1, 7, "1S1: 0 1, boundary merge 2: 0 1\n"}}) {
        auto e = buildChecked(splitSide());
        ASSERT_TRUE(e);
        point3D* u = vertexAt(*e, 0, k.u);
        point3D* v = vertexAt(*e, k.vCell, k.v);
        u->adhesion_load = 3.0;
        v->adhesion_load = 5.0;
        // The walked list: an outside vertex whose only partner is u.
        point3D* owner = vertexAt(*e, 2, 1);
        owner->mp = {u};
        const std::vector<point3D*> inner{v};
        const mergepair before1 = *e->interpairs[0]->MP[1];
        const mergepair before0 = *e->interpairs[0]->MP[0];
        testing::internal::CaptureStdout();
        welding::partner_block(*e, welding::PartnerRun{owner, &inner, true, nullptr, true, "1S1: ", true, true},
                               e->cells[0], e->cells[1]);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), k.line) << k.u;
        owner->mp.clear();
        EXPECT_TRUE(u->checkmp(v));
        ASSERT_EQ(e->interpairs.size(), 1u);
        const interpair* P = e->interpairs[0];
        ASSERT_EQ(P->MP.size(), 2u);
        const mergepair* m1 = P->MP[1];
        EXPECT_EQ(m1->S1, before1.S1);
        EXPECT_EQ(m1->S2, before1.S2);
        EXPECT_EQ(m1->T1, before1.T1);
        EXPECT_EQ(m1->T2, before1.T2);
        const mergepair* m0 = P->MP[0];
        if (*k.line == '\0') {
            // A bonded out edge: the link only, the contact untouched.
            EXPECT_EQ(m0->S1, before0.S1);
            EXPECT_EQ(m0->T2, before0.T2);
            continue;
        }
        EXPECT_EQ(m0->S1, u);
        EXPECT_EQ(m0->T2, v);
        EXPECT_EQ(m0->S2, before0.S2);
        EXPECT_EQ(m0->T1, before0.T1);
        EXPECT_EQ(m0->adhesion_load_S1, 3.0);
        EXPECT_EQ(m0->adhesion_load_T2, 5.0);
        // The block links u and v both ways: a re-weld before the mirror
        // run may drop either, and a one-way link would outlive it.
        EXPECT_TRUE(v->checkmp(u));
        EXPECT_EQ(u->out_edge->partner, v->in_edge);
        EXPECT_EQ(v->in_edge->partner, u->out_edge);
    }
}

} // namespace

namespace {

// c = P1 is welded to B's Q1 and d = B's vertex after Q2 to A's vertex
// before P2 (both moved to (6, 0)), with either weld first in the contact's
// list; or c alone is welded to Q1. Fusing c and d would bring two vertices
// of a main cell onto the fused point (d and Q1 on B, c and A's vertex on
// A), a pinch no step of the merge cuts, and the partner steps would re-weld
// the main contact itself and pull its stretch apart: the merge refuses
// before anything moves.
TEST(ExtendStretchEnd, FusedVertexWeldedToTheOtherMainCellIsRefused)
{
    for (int variant : {0, 1, 2}) {
        TissueLayout layout = facingRuns(2, 2, 9.0);
        if (variant < 2) {
            layout.cells[0].ring[2] = {6.0, 0.0};
            layout.cells[1].ring[1] = {6.0, 0.0};
            const FixtureWeld middle{0, 2, 2, 1, 1, 1};
            if (variant == 1)
                layout.welds.insert(layout.welds.begin(), middle);
            else
                layout.welds.push_back(middle);
        }
        auto e = buildChecked(layout);
        ASSERT_TRUE(e);
        const std::string before = snapshot(*e);
        testing::internal::CaptureStdout();
        const welding::MergeOutcome r = welding::extend_stretch_end(*e, vertexAt(*e, 0, 3), vertexAt(*e, 1, 0),
                                                                    vertexAt(*e, 0, 0), vertexAt(*e, 1, 1), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << variant;
        EXPECT_EQ(r, welding::MergeOutcome::Refused) << variant;
        EXPECT_EQ(snapshot(*e), before) << variant;
        EXPECT_TRUE(topologyIsSound(*e)) << variant;
    }
}

} // namespace

namespace {

// A2..A4 welded to B2..B4; A's edge A0-A1 crosses B's B5-B6. The couple
// (A1, B7) re-welds the first end, but the end refresh moves it onto the
// crossing (A0, B6) first: the stretch takes the refreshed vertices, from
// either side (f on A taking the first end, or f on B taking the second).
TEST(ThirdCellContacts, RefreshedFirstAndThirdVariablesBecomeTheStretchEnds)
{
    for (bool fOnA : {true, false}) {
        TissueLayout layout;
        FixtureCell a, b;
        a.ring = {{0, 0}, {2, -0.5}, {4, 0}, {6, 0}, {8, 0}, {10, -0.5}, {12, 0}, {12, 10}, {0, 10}};
        b.ring = {{12, -0.2}, {10, 0.5}, {8, 0}, {6, 0}, {4, 0}, {2, 0.5}, {0, -0.2}, {0, -10}, {12, -10}};
        layout.cells = {a, b};
        layout.welds.push_back(FixtureWeld{0, 2, 4, 1, 2, 4});
        auto e = buildChecked(layout);
        ASSERT_TRUE(e);
        point3D* a1 = vertexAt(*e, 0, 1);
        point3D* b7 = vertexAt(*e, 1, 7);
        testing::internal::CaptureStdout();
        welding::third_cell_contacts(*e, fOnA ? a1 : b7, {fOnA ? b7 : a1}, fOnA, "P");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "P0 1\n");
        const mergepair* m = e->interpairs[0]->MP[0];
        EXPECT_EQ(m->S1, vertexAt(*e, 0, 0)) << fOnA;
        EXPECT_EQ(m->T2, vertexAt(*e, 1, 6)) << fOnA;
        EXPECT_EQ(m->S2, vertexAt(*e, 0, 4));
        EXPECT_EQ(m->T1, vertexAt(*e, 1, 2));
        EXPECT_TRUE(m->S1->checkmp(m->T2));
        // In a merge f and w stand at one point; here their link is the
        // only thing out of place.
        a1->mp.erase(std::remove(a1->mp.begin(), a1->mp.end(), b7), a1->mp.end());
        b7->mp.erase(std::remove(b7->mp.begin(), b7->mp.end(), a1), b7->mp.end());
        EXPECT_TRUE(topologyIsSound(*e)) << describeFaults(checkTopology(*e));
    }
}

} // namespace
