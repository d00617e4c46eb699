// Moving one end of a welded stretch outward by one couple: refusals that
// leave the engine as it was, whole merges whose loose pieces are welded in
// the main contact, a third cell pinched at the fused point, and seeded
// packings whose free stretch ends are all extended.
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/contact_run.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Every field of every record a merge may touch, as text.
std::string snapshot(const dbReader& e)
{
    std::ostringstream out;
    for (const point3D* p : e.points) {
        out << p->id << ' ' << p->x << ' ' << p->y << ' ' << int(p->alive) << ' ' << p->next->id << ' '
            << p->prev->id << ' ' << p->out_edge->id << ' ' << p->in_edge->id << ' '
            << (p->node ? p->node->id : -1) << ':';
        for (const point3D* q : p->mp)
            out << q->id << ',';
        out << '\n';
    }
    for (const edge* d : e.edges)
        out << d->id << ' ' << d->p1->id << ' ' << d->p2->id << ' ' << int(d->bonded) << ' ' << int(d->in_use)
            << ' ' << (d->partner ? d->partner->id : -1) << ' ' << (d->pair ? d->pair->id : -1) << '\n';
    for (const node* n : e.nodes) {
        out << n->id << ' ' << int(n->active) << ':';
        for (const point3D* v : n->vertices)
            out << v->id << ',';
        out << '\n';
    }
    for (const cell* c : e.cells) {
        out << c->id << ' ' << int(c->remesh) << ':';
        for (const edge* s : c->sides)
            out << s->id << ',';
        out << '\n';
    }
    for (const interpair* p : e.interpairs) {
        out << p->id << ' ' << int(p->removed) << ':';
        for (const mergepair* m : p->MP)
            out << m->S1->id << ' ' << m->S2->id << ' ' << m->T1->id << ' ' << m->T2->id << ';';
        out << '\n';
    }
    return out.str();
}

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

// Packings of two or three cells welded by the initial pass, grown into
// each other, then every free stretch end extended by its ring neighbours.
TEST(ExtendStretchEndFuzz, EveryFreeEndOfGrownPackings)
{
    int merged = 0;
    int calls = 0;
    for (unsigned seed = 1; seed <= 150; ++seed) {
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
                point3D* c = a->prev;
                point3D* d = b->next;
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
                ASSERT_TRUE(topologyIsSound(*e)) << "seed " << seed << " pair " << i << " end " << end;
            }
        }
    }
    EXPECT_GE(calls, 300);
    EXPECT_GT(merged, 150);
}

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
    // A single-point side already at both ends is re-welded (and traced);
    // only the decision is checked here: facingRuns' two cells also meet at
    // their other corner, which the end refresh takes for a crossing.
    auto e = buildTissue(facingRuns(2, 2, 9.0));
    ASSERT_TRUE(e);
    testing::internal::CaptureStdout();
    welding::third_cell_contacts(*e, vertexAt(*e, 0, 0), {vertexAt(*e, 1, 3)}, true, "P");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "P0 1\n");
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
}

} // namespace
