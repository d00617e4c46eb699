// Adhesion breakage of stage 7: the load rule of a weld by the force states
// of its two vertices, the draws it takes, which welds tear and what is
// queued; the junction selection tables; the cues; and the broken states
// that end the step.
//
// Most cases run with zero solutions (U1 = U2 = 0, so every recovered force
// is zero) and preset loads: the rules then reduce to what the force states
// and the old loads decide, and the expected results can be written down.
#include "mechanics_env.h"

#include <set>

namespace {

constexpr int OUT = point3D::FORCE_OUTWARD, NONE = point3D::FORCE_NONE, IN = point3D::FORCE_INWARD;

// How many values of the rand sequence seeded with `seed` were used before
// `next` came out.
int drawsBefore(unsigned seed, int next)
{
    srand(seed);
    for (int i = 0; i < 100000; ++i)
        if (rand() == next)
            return i;
    return -1;
}

class Breakage : public MechanicsTest {
protected:
    // Numbers and assembles the tissue with every contact's adhesion 5 and
    // the given transmission; the solutions are zero.
    void prepare(dbReader& e, FemStep& fem, double transmission = 1.0)
    {
        for (cell* c : e.cells)
            index_trans_class[c->cell_type] = transmission;
        for (interpair* p : e.interpairs)
            p->adhesion = 5.0;
        fem.update_areas();
        fem.take_cell_count();
        ASSERT_EQ(fem.number_and_load(), dbReader::STEP_OK) << e.message.toStdString();
        ASSERT_EQ(fem.assemble(), dbReader::STEP_OK) << e.message.toStdString();
        fem.U1.assign(fem.D.size(), 0.0);
        fem.U2.assign(fem.D.size(), 0.0);
    }
    // A typed, meshed tissue with one cell migrating (or driven), numbered
    // and assembled as `prepare` leaves it.
    struct Rig {
        std::unique_ptr<dbReader> e;
        std::unique_ptr<FemStep> fem;
    };
    Rig rig(const TissueLayout& layout, int cellIndex, bool driven = false, double transmission = 1.0)
    {
        Rig r;
        r.e = typedTissue(layout);
        if (!r.e)
            return r;
        if (driven)
            r.e->cells[cellIndex]->driven = 1;
        else
            r.e->cells[cellIndex]->migrating = 1;
        r.fem = std::make_unique<FemStep>(*r.e);
        prepare(*r.e, *r.fem, transmission);
        return r;
    }
    // Runs stage 7 from seed 11 and returns the number of draws it took.
    int breakWithDraws(FemStep& fem, int expected = dbReader::STEP_OK)
    {
        srand(11);
        EXPECT_EQ(fem.recover_and_break(), expected) << fem.engine.message.toStdString();
        return drawsBefore(11, rand());
    }
    // Every vertex: the given state, and marked, so that no cue is drawn.
    static void quiet(dbReader& e, int state = OUT)
    {
        for (point3D* p : e.points) {
            p->force_state = state;
            p->migrate_mark = 1;
        }
    }
};

// A stretch of six welds between two rectangles (cell 0 vertices 1..6 on
// cell 1 vertices 3..0), adhesion 5.
TissueLayout longStretch()
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 2}, {10, 4}, {10, 6}, {10, 8}, {10, 10}, {0, 10}}, 1});
    layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 8}, {10, 6}, {10, 4}, {10, 2}}, 1});
    layout.welds.push_back({0, 1, 6, 1, 3, 0, 5.0});
    return layout;
}

TEST_F(Breakage, TheLoadRuleOfAnEndWeldByForceStates)
{
    const struct {
        int sv, sw;
        double Lv, Lw;
        double newLv, newLw;
        int draws;
        bool torn;
    } cases[] = {
        {OUT, OUT, 9, 9, 0, 0, 0, false},   // reset rows take no draw
        {OUT, NONE, 9, 1, 0, 0, 0, false},
        {NONE, OUT, 1, 9, 0, 0, 0, false},
        {IN, IN, 6, 1, 6, 1, 1, true},      // a load above the adhesion tears
        {IN, IN, 5, 5, 5, 5, 1, false},     // equal is not above
        {IN, OUT, 8, 2, 6, 6, 1, true},     // both take the difference
        {IN, OUT, 2, 8, 0, 0, 1, false},
        {OUT, IN, 2, 9, 7, 7, 1, true},
        {IN, NONE, 3, 4, 3, 0, 1, false},   // a NONE side without push lets go
        {NONE, IN, 4, 7, 0, 7, 1, true},
        {NONE, NONE, 7, 7, 0, 0, 1, false},
    };
    for (const auto& k : cases) {
        Rig r = rig(longStretch(), 0, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        quiet(*e);
        mergepair* mp = e->interpairs[0]->MP[0];
        mp->S1->force_state = k.sv;
        mp->T2->force_state = k.sw;
        mp->adhesion_load_S1 = k.Lv;
        mp->adhesion_load_T2 = k.Lw;
        mp->adhesion_load_S2 = mp->adhesion_load_T1 = 42.0;  // the other end resets
        EXPECT_EQ(breakWithDraws(fem), k.draws) << k.sv << "," << k.sw << " " << k.Lv << "," << k.Lw;
        EXPECT_EQ(mp->adhesion_load_S1, k.newLv) << k.sv << "," << k.sw;
        EXPECT_EQ(mp->adhesion_load_T2, k.newLw) << k.sv << "," << k.sw;
        EXPECT_EQ(mp->adhesion_load_S2, 0.0);
        EXPECT_EQ(fem.unweld_edges, k.torn ? std::vector<edge*>{mp->S1->out_edge} : std::vector<edge*>{});
    }
}

TEST_F(Breakage, NoDrawPassesAtTransmissionZero)
{
    auto e = typedTissue(longStretch());
    ASSERT_TRUE(e);
    e->cells[0]->migrating = 1;
    e->cells[0]->migrate_angle = 180.0;
    FemStep fem(*e);
    prepare(*e, fem, 0.0);
    const int states[] = {IN, NONE};
    int i = 0;
    for (point3D* p : e->points) {
        p->force_state = states[i++ % 2];
        p->adhesion_load = 9.0 + i;
    }
    mergepair* mp = e->interpairs[0]->MP[0];
    mp->adhesion_load_S1 = mp->adhesion_load_S2 = mp->adhesion_load_T1 = mp->adhesion_load_T2 = 50.0;
    // Forces that would send cues and pulls if a draw passed.
    for (std::size_t k = 0; k < fem.U2.size(); ++k)
        fem.U1[k] = fem.U2[k] = 0.3 * std::sin(double(k));
    ASSERT_GT(breakWithDraws(fem), 0);
    EXPECT_EQ(mp->adhesion_load_S1, 50.0);
    EXPECT_EQ(mp->adhesion_load_T1, 50.0);
    i = 0;
    for (point3D* p : e->points)
        EXPECT_EQ(p->adhesion_load, 9.0 + ++i);
    EXPECT_TRUE(fem.unweld_edges.empty());
    for (cell* c : e->cells) {
        EXPECT_FALSE(c->has_cue);
        EXPECT_FALSE(c->has_pull);
    }
}

TEST_F(Breakage, WithProbabilityOneADrawFailsOnlyOnTheLargestRandValue)
{
    // u = (r + 1) 2^-31 is 1 exactly for r = 2147483647, and 1 is not below 1.
    EXPECT_EQ((2147483647 + 1.0) * 4.656612873077393e-10, 1.0);
    EXPECT_LT((2147483646 + 1.0) * 4.656612873077393e-10, 1.0);
    for (unsigned seed : {1u, 2u, 99u}) {
        srand(seed);
        std::vector<int> values;
        for (int i = 0; i < 1000; ++i)
            values.push_back(rand());
        srand(seed);
        for (int v : values)
            EXPECT_EQ(mechanics_draw(1.0), v != RAND_MAX);
    }
}

TEST_F(Breakage, InteriorWeldsAccumulateButNeverTear)
{
    Rig r = rig(longStretch(), 0, false);
    ASSERT_TRUE(r.fem);
    auto& e = r.e;
    FemStep& fem = *r.fem;
    quiet(*e, IN);
    for (int i = 2; i <= 5; ++i) {
        vertexAt(*e, 0, i)->adhesion_load = 1000.0;
        vertexAt(*e, 0, i)->mp[0]->adhesion_load = 2000.0;
    }
    // Two ends plus four interior couples, one load draw each.
    EXPECT_EQ(breakWithDraws(fem), 6);
    for (int i = 2; i <= 5; ++i) {
        EXPECT_EQ(vertexAt(*e, 0, i)->adhesion_load, 1000.0);
        // IN, IN: the adhesion force points against the own normal (+x for cell 0).
        EXPECT_DOUBLE_EQ(vertexAt(*e, 0, i)->adhesion_force[0], -1000.0);
    }
    EXPECT_TRUE(fem.unweld_edges.empty());
}

TEST_F(Breakage, AOneEdgeStretchIsQueuedOnceAndASinglePointIsReleased)
{
    TissueLayout oneEdge;
    oneEdge.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 1});
    oneEdge.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}}, 1});
    oneEdge.welds.push_back({0, 1, 2, 1, 3, 0, 1.0});
    TissueLayout corner;
    corner.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 1});
    corner.cells.push_back({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}, 1});
    corner.welds.push_back({0, 2, 2, 1, 0, 0, 1.0});
    for (bool single : {false, true}) {
        Rig r = rig(single ? corner : oneEdge, 1, true);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        quiet(*e, IN);
        mergepair* mp = e->interpairs[0]->MP[0];
        mp->adhesion_load_S1 = mp->adhesion_load_S2 = mp->adhesion_load_T1 = mp->adhesion_load_T2 = 6.0;
        EXPECT_EQ(breakWithDraws(fem), single ? 1 : 2);
        if (single) {
            EXPECT_EQ(fem.release_points, std::vector<point3D*>{mp->S1});
            EXPECT_TRUE(fem.unweld_edges.empty());
        } else {
            EXPECT_EQ(fem.unweld_edges, std::vector<edge*>{mp->S1->out_edge});
        }
    }
}

TEST_F(Breakage, ACueFromAMigratingCellReachesItsNeighbourWhenItsForcePointsBack)
{
    // Cell 0 migrates; the node of its weld S1/T2 is pushed towards cell 1.
    // The force on S1 then points out of cell 0 (+x): against a migration
    // to the left (180 degrees) it is passed to cell 1 as a cue; along a
    // migration to the right it is not.
    for (double angle : {180.0, 0.0}) {
        auto e = typedTissue(longStretch());
        ASSERT_TRUE(e);
        cell* c0 = e->cells[0];
        c0->migrating = 1;
        c0->migrate_angle = angle;
        FemStep fem(*e);
        prepare(*e, fem);
        quiet(*e, OUT);
        mergepair* mp = e->interpairs[0]->MP[0];
        mp->S1->migrate_mark = mp->T2->migrate_mark = 0;
        const int k = fem.unknown_of(mp->S1);
        fem.U2[2 * k] = 0.5;
        EXPECT_EQ(breakWithDraws(fem), 1);  // the cue draw only
        const double* H = mp->S1->internal_force2;
        ASSERT_GT(H[0], 0.71 * std::hypot(H[0], H[1]));
        EXPECT_EQ(bool(e->cells[1]->has_cue), angle == 180.0);
        if (angle == 180.0) {
            EXPECT_DOUBLE_EQ(e->cells[1]->cue_force[0], -H[0]);
            EXPECT_DOUBLE_EQ(e->cells[1]->cue_force[1], -H[1]);
        }
        EXPECT_FALSE(c0->has_cue);
    }
}

TEST_F(Breakage, AnEndWeldedToTwoCellsIsLeftAlone)
{
    // Cell 0 is driven, so the pair pass visits its contacts with cells 1
    // and 2; their ends at (10, 10) lie in the three-cell node (welded
    // twice) and are neither loaded nor torn there, whatever the forces.
    Rig r = rig(threeWeldedCells(), 0, true);
    ASSERT_TRUE(r.fem);
    auto& e = r.e;
    FemStep& fem = *r.fem;
    quiet(*e, IN);
    for (std::size_t k = 0; k < fem.U1.size(); ++k)
        fem.U1[k] = fem.U2[k] = 0.2 * std::cos(double(3 * k));
    mergepair* mp = e->interpairs[0]->MP[0];  // cell 0 vertices 1..2 on cell 1 vertices 3..0
    ASSERT_EQ(mp->S2->mp.size(), 2u);
    mp->adhesion_load_S2 = mp->adhesion_load_T1 = 6.0;
    mp->adhesion_load_S1 = mp->adhesion_load_T2 = 1.0;
    breakWithDraws(fem);
    EXPECT_EQ(mp->adhesion_load_S2, 6.0);
    EXPECT_EQ(mp->adhesion_load_T1, 6.0);
    // The single end took its load draw: IN, IN adds the projections.
    EXPECT_GT(mp->adhesion_load_S1, 1.0);
    EXPECT_TRUE(fem.unweld_edges.empty() || fem.unweld_edges == std::vector<edge*>{mp->S1->out_edge});
}

// --- junctions ----------------------------------------------------------------

// The three-sided junction of threeWeldedCells at (10, 10): h on cell 0, va
// on cell 1, vb on cell 2; contacts I (0-1), O (0-2), B (1-2), adhesion 5.
struct ThreeSided {
    point3D *h, *va, *vb;
    interpair *I, *O, *B;
};

ThreeSided threeSided(dbReader& e)
{
    node* n = vertexAt(e, 0, 2)->node;
    return {n->vertices[0], n->vertices[1], n->vertices[2], e.interpairs[0], e.interpairs[1], e.interpairs[2]};
}

// Sets both loads of the pair's end at x (a junction end) to `load`.
void setJunctionLoads(interpair* p, const point3D* x, double load)
{
    mergepair* mp = p->MP[0];
    if (mp->S1 == x || mp->T2 == x)
        mp->adhesion_load_S1 = mp->adhesion_load_T2 = load;
    else
        mp->adhesion_load_S2 = mp->adhesion_load_T1 = load;
}

TEST_F(Breakage, TheThreeSidedJunctionSelectsWhatTore)
{
    struct Case {
        bool I, O, B;
        int vzState;        // force state of every vertex
        bool zDriven;
        const char* split;  // expected vertex to split ("h", "va", "vb" or "")
        const char* shortEdge;
    };
    const Case cases[] = {
        {false, false, false, IN, false, "", ""},
        {true, true, true, IN, false, "", ""},
        {true, true, false, IN, false, "h", ""},
        {true, true, false, OUT, false, "", ""},
        {true, false, true, IN, false, "va", ""},
        {false, true, true, IN, false, "vb", ""},
        // One torn: X of I is cell 0, which migrates.
        {true, false, false, IN, false, "h", ""},
        {true, false, false, OUT, false, "", "va"},
        {true, false, false, OUT, true, "", ""},
        // B between cells 1 and 2, neither migrating: nothing to split.
        {false, false, true, IN, false, "", ""},
        {false, false, true, OUT, false, "", "vb"},
        {false, true, false, OUT, false, "", "h"},
    };
    for (const Case& k : cases) {
        Rig r = rig(threeWeldedCells(), 0, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        const ThreeSided j = threeSided(*e);
        quiet(*e, k.vzState);
        for (point3D* x : {j.h, j.va, j.vb})
            x->migrate_mark = 0;
        if (k.zDriven)
            e->cells[2]->driven = 1;
        setJunctionLoads(j.I, j.h, k.I ? 6.0 : 1.0);
        setJunctionLoads(j.O, j.h, k.O ? 6.0 : 1.0);
        setJunctionLoads(j.B, j.va, k.B ? 6.0 : 1.0);
        // No cue draw (zero forces) and no NONE pull: three contact draws.
        EXPECT_EQ(breakWithDraws(fem) >= 3, true);
        std::map<std::string, point3D*> names = {{"h", j.h}, {"va", j.va}, {"vb", j.vb}};
        std::map<std::string, edge*> sides = {{"va", j.va->out_edge}, {"h", j.h->out_edge}, {"vb", j.vb->out_edge}};
        const std::string what = std::to_string(k.I) + std::to_string(k.O) + std::to_string(k.B) + " state " +
                                 std::to_string(k.vzState);
        EXPECT_EQ(fem.split_points,
                  *k.split ? std::vector<point3D*>{names[k.split]} : std::vector<point3D*>{})
            << what;
        EXPECT_EQ(fem.short_edges, *k.shortEdge ? std::vector<edge*>{sides[k.shortEdge]} : std::vector<edge*>{})
            << what;
        // Loads with zero forces stay; the adhesion force follows the states.
        EXPECT_EQ(j.I->MP[0]->adhesion_load_S2, k.I ? 6.0 : 1.0);
        if (k.vzState == IN) {
            // IN: -L n on each side; h's in side faces +x, its out side +y.
            EXPECT_DOUBLE_EQ(j.h->adhesion_force[0], -(k.I ? 6.0 : 1.0)) << what;
            EXPECT_DOUBLE_EQ(j.h->adhesion_force[1], -(k.O ? 6.0 : 1.0)) << what;
        }
    }
}

TEST_F(Breakage, JunctionsWithoutAMigratingCellOrInactiveAreSkipped)
{
    for (int variant = 0; variant < 2; ++variant) {
        auto e = typedTissue(threeWeldedCells());
        ASSERT_TRUE(e);
        const ThreeSided j = threeSided(*e);
        if (variant == 0) {
            e->cells[2]->driven = 1;  // driven does not count at junctions
        } else {
            // An inactive node: its vertices are numbered through nodes of
            // their own.
            e->cells[0]->migrating = 1;
            node* old = j.h->node;
            old->active = 0;
            for (point3D* x : old->vertices) {
                auto* n = new node(int(e->nodes.size()));
                n->pushvertex(x);
                x->node = n;
                e->nodes.push_back(n);
            }
        }
        FemStep fem(*e);
        prepare(*e, fem);
        quiet(*e, IN);
        setJunctionLoads(j.I, j.h, 6.0);
        setJunctionLoads(j.O, j.h, 6.0);
        breakWithDraws(fem);
        EXPECT_TRUE(fem.split_points.empty()) << variant;
        EXPECT_TRUE(fem.short_edges.empty()) << variant;
        EXPECT_TRUE(fem.unweld_edges.empty()) << variant;
    }
}

// A point junction at (0, 0): cell 0 wedged between cells 1 and 2, which
// touch each other only at that point. v on cell 0; va on cell 2 (across v's
// in side, contact I), vb on cell 1 (across its out side, contact O); B is
// the single-point contact of cells 1 and 2.
TissueLayout pointJunction(bool withB = true)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, -5}, {10, 5}}, 1});
    layout.cells.push_back({{{0, 0}, {-5, -10}, {10, -10}, {10, -5}}, 1});
    layout.cells.push_back({{{0, 0}, {10, 5}, {10, 10}, {-5, 10}}, 1});
    layout.welds.push_back({0, 0, 1, 1, 3, 0, 5.0});
    layout.welds.push_back({0, 2, 0, 2, 0, 1, 5.0});
    if (withB)
        layout.welds.push_back({1, 0, 0, 2, 0, 0, 5.0});
    return layout;
}

interpair* pairOf(dbReader& e, int a, int b)
{
    for (interpair* p : e.interpairs)
        if ((p->cell1->id == a && p->cell2->id == b) || (p->cell1->id == b && p->cell2->id == a))
            return p;
    return nullptr;
}

TEST_F(Breakage, ThePointJunctionUnweldsWhatTore)
{
    for (int torn = 0; torn < 8; ++torn) {
        const bool I = torn & 1, O = torn & 2, B = torn & 4;
        Rig r = rig(pointJunction(), 1, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        quiet(*e, IN);
        point3D* v = vertexAt(*e, 0, 0);
        point3D* va = vertexAt(*e, 2, 0);
        setJunctionLoads(pairOf(*e, 0, 2), v, I ? 6.0 : 1.0);
        setJunctionLoads(pairOf(*e, 0, 1), v, O ? 6.0 : 1.0);
        mergepair* b = pairOf(*e, 1, 2)->MP[0];
        b->adhesion_load_S1 = b->adhesion_load_S2 = b->adhesion_load_T1 = b->adhesion_load_T2 = B ? 6.0 : 1.0;
        breakWithDraws(fem);
        std::vector<edge*> edges;
        std::vector<point3D*> points;
        if (B || (I && O))
            points.push_back(v);
        else if (I)
            edges.push_back(va->out_edge);  // the neighbour's side, not v's
        else if (O)
            edges.push_back(v->out_edge);
        EXPECT_EQ(fem.unweld_points, points) << torn;
        // The pair pass leaves the single point B alone (its S1 is welded twice).
        EXPECT_EQ(fem.unweld_edges, edges) << torn;
    }
}

TEST_F(Breakage, JunctionsWithoutTheirContactsEndTheStep)
{
    {
        Rig r = rig(threeWeldedCells(), 0, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        const ThreeSided j = threeSided(*e);
        j.B->remove_MP(j.B->MP[0]);
        breakWithDraws(fem, 0);
        EXPECT_EQ(e->message, "ERROR: pairs between cells 0, 1 and 2 was empty!");
    }
    {
        Rig r = rig(pointJunction(false), 0, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        breakWithDraws(fem, 0);
        EXPECT_EQ(e->message, "ERROR: one pair between cells 0, 2 and 1 is empty!");
    }
    {
        Rig r = rig(pointJunction(), 2, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        interpair* O = pairOf(*e, 0, 1);
        O->remove_MP(O->MP[0]);
        breakWithDraws(fem, 0);
        EXPECT_EQ(e->message, "ERROR: one pair between cells 0, 2 and 1 is empty!");
    }
}

TEST_F(Breakage, ABrokenStretchEndsTheStepNamingThePair)
{
    const QString text = "ERROR: the welded stretch of pair 0 between cells 0 and 1 is broken!";
    for (int fault = 0; fault < 3; ++fault) {
        Rig r = rig(longStretch(), 0, false);
        ASSERT_TRUE(r.fem);
        auto& e = r.e;
        FemStep& fem = *r.fem;
        point3D* x = vertexAt(*e, 0, 2);
        point3D* y = vertexAt(*e, 0, 4);
        point3D* keep = nullptr;
        if (fault == 0) {  // no first partner
            keep = x->mp[0];
            x->clearmp();
        } else if (fault == 1) {  // a partner that is not the one walked to
            keep = y->mp[0];
            y->clearmp();
            y->pushmp(vertexAt(*e, 1, 1));
        } else {  // an end the walk never reaches
            e->interpairs[0]->MP[0]->S2 = vertexAt(*e, 1, 1);
        }
        breakWithDraws(fem, 0);
        EXPECT_EQ(e->message, text) << fault;
        if (fault == 0)
            x->pushmp(keep);
        if (fault == 1) {
            y->clearmp();
            y->pushmp(keep);
        }
    }
}

}  // namespace
