// The friction response of a migrating cell: a free cell moves by pi, a
// bonded front holds, the rear edge, the flank walk's limit, the friction
// memory of a stretch, the slide with its rear weld let go or carried on,
// and the runs that must not slide.
#include "mechanics_env.h"

#include "contact/welding.h"
#include "geometry/numeric.h"
#include "mechanics/response_blocks.h"

namespace {

constexpr double kPi = 3.14159265;

class Friction : public MechanicsTest {};

// Cell 0: (0,0) (10,0) (10,10) (5,10) (0,10), welded along its top side
// (vertices 2..4) to cell 1 above: (0,10) (5,10) (10,10) (10,20) (0,20).
TissueLayout northWeld(double adhesion)
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{0, 10}, {5, 10}, {10, 10}, {10, 20}, {0, 20}}, 0});
    layout.welds.push_back({0, 2, 4, 1, 0, 2, adhesion});
    return layout;
}

void arm(cell* c, double angle, point3D* first, point3D* last)
{
    c->migrating = 1;
    c->migrate_angle = angle;
    c->front_first = first;
    c->front_last = last;
}

// Cell 0 of northWeld migrating east with its right side as the front, a
// pull of 2 along the top side at the stretch's start.
std::unique_ptr<dbReader> pulledNorthWeld(double adhesion, double angle = 0.0)
{
    auto e = fixtureTissue(northWeld(adhesion));
    arm(e->cells[0], angle, vertexAt(*e, 0, 1), vertexAt(*e, 0, 2));
    vertexAt(*e, 0, 2)->internal_force[0] = -2.0;
    return e;
}

TEST_F(Friction, AFreeCellMovesByPiAndABondedFrontHolds)
{
    auto e = fixtureTissue(singleSquare());
    cell* c = e->cells[0];
    arm(c, 30.0, nullptr, vertexAt(*e, 0, 2));
    EXPECT_EQ(e->cell_friction_response(c, 7), 0);
    EXPECT_EQ(e->message, "ERROR: no migrating mark points at migrating cell 0 at time step 7");

    arm(c, 30.0, vertexAt(*e, 0, 1), vertexAt(*e, 0, 2));
    std::vector<std::pair<double, double>> before;
    for (edge* s : c->sides)
        before.push_back({s->p1->x, s->p1->y});
    EXPECT_EQ(e->cell_friction_response(c, 7), dbReader::STEP_OK);
    const double m = 30.0 * kPi / 180.0;
    for (std::size_t i = 0; i < c->sides.size(); ++i) {
        EXPECT_EQ(c->sides[i]->p1->x, before[i].first + kPi * std::cos(m));
        EXPECT_EQ(c->sides[i]->p1->y, before[i].second + kPi * std::sin(m));
    }

    // The front of cell 0 is its welded side: nothing moves, however hard it pulls.
    auto w = fixtureTissue(twoWeldedCells());
    w->interpairs[0]->adhesion = 0.0;
    for (point3D* p : w->points)
        p->internal_force[1] = 100.0;
    arm(w->cells[0], 0.0, vertexAt(*w, 0, 1), vertexAt(*w, 0, 3));
    EXPECT_EQ(w->cell_friction_response(w->cells[0], 1), dbReader::STEP_OK);
    EXPECT_EQ(vertexAt(*w, 0, 0)->x, 0.0);
    EXPECT_EQ(vertexAt(*w, 0, 2)->y, 5.0);
    EXPECT_TRUE(topologyIsSound(*w));
}

TEST_F(Friction, TheRearEdgeFacesAwayFromTheMigration)
{
    auto e = fixtureTissue(singleSquare());
    cell* c = e->cells[0];
    const struct {
        double angle;
        int side;  // expected rear side
    } cases[] = {{270.0, 2}, {0.0, 3}, {90.0, 0}, {180.0, 1}, {45.0, 3}};
    for (const auto& k : cases) {
        c->migrate_angle = k.angle;
        EXPECT_EQ(response::rear_edge(c), sideAt(*e, 0, k.side)) << k.angle;
    }
}

TEST_F(Friction, TheFrictionOfAStretchIsRecordedAddedAndReplaced)
{
    // Only a stretch within 110 degrees of the migration is evaluated.
    for (double angle : {0.0, 330.0}) {
        auto e = pulledNorthWeld(1e9, angle);
        EXPECT_EQ(e->cell_friction_response(e->cells[0], 1), dbReader::STEP_OK);
        mergepair* m = e->interpairs[0]->MP[0];
        EXPECT_EQ(m->friction_state, angle == 0.0 ? mergepair::FRICTION_CELL1 : mergepair::FRICTION_UNSET) << angle;
    }

    auto e = pulledNorthWeld(1e9);
    mergepair* m = e->interpairs[0]->MP[0];
    EXPECT_EQ(e->cell_friction_response(e->cells[0], 1), dbReader::STEP_OK);
    EXPECT_EQ(m->friction1, 2.0);
    EXPECT_EQ(m->friction2, 0.0);
    EXPECT_EQ(e->cell_friction_response(e->cells[0], 2), dbReader::STEP_OK);
    EXPECT_EQ(m->friction1, 4.0);
    // Seen from cell 1 the pull is across its tangent: the memory starts anew.
    arm(e->cells[1], 180.0, vertexAt(*e, 1, 4), vertexAt(*e, 1, 0));
    EXPECT_EQ(e->cell_friction_response(e->cells[1], 3), dbReader::STEP_OK);
    EXPECT_EQ(m->friction_state, mergepair::FRICTION_CELL2);
    EXPECT_EQ(m->friction1, 0.0);
    EXPECT_EQ(vertexAt(*e, 0, 0)->x, 0.0);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST_F(Friction, AFlankSlidesOnlyWhenItsFrictionBeatsItsAdhesion)
{
    for (double adhesion : {2.0, 1.999}) {
        SCOPED_TRACE(adhesion);
        auto e = pulledNorthWeld(adhesion);
        EXPECT_EQ(e->cell_friction_response(e->cells[0], 1), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        if (adhesion == 2.0) {
            EXPECT_EQ(vertexAt(*e, 0, 0)->x, 0.0);
            continue;
        }
        // The run slid one vertex back along cell 1; the rest moved by the
        // shortest welded edge (5); the rear weld at (0,10) was let go.
        EXPECT_EQ(vertexAt(*e, 0, 0)->x, 5.0);
        EXPECT_EQ(vertexAt(*e, 0, 2)->x, 15.0);
        EXPECT_EQ(vertexAt(*e, 0, 3)->x, 10.0);
        EXPECT_EQ(vertexAt(*e, 0, 4)->x, 5.0);
        EXPECT_TRUE(vertexAt(*e, 1, 0)->mp.empty());
        mergepair* m = e->interpairs[0]->MP[0];
        EXPECT_EQ(m->S1, vertexAt(*e, 0, 3));
        EXPECT_EQ(m->S2, vertexAt(*e, 0, 4));
        EXPECT_EQ(m->T1, vertexAt(*e, 1, 1));
        EXPECT_EQ(m->T2, vertexAt(*e, 1, 2));
    }
}

TEST_F(Friction, TheRearWeldIsCarriedOnUpToNinetySixDegrees)
{
    // The rear angle at (0,10) is the angle of the left side's normal less
    // the migration angle: pick the angle that makes it exactly 96.
    const double side = vector2angle(-10.0, 0.0);
    double m = side - 96.0;
    while (side - m > 96.0)
        m = std::nextafter(m, 1000.0);
    while (side - m < 96.0)
        m = std::nextafter(m, -1000.0);
    ASSERT_EQ(side - m, 96.0);
    for (double angle : {m, m - 1.0}) {
        SCOPED_TRACE(angle);
        auto e = pulledNorthWeld(1.0, angle);
        point3D* X = vertexAt(*e, 0, 0);
        EXPECT_EQ(e->cell_friction_response(e->cells[0], 1), dbReader::STEP_OK);
        EXPECT_TRUE(topologyIsSound(*e));
        mergepair* mp = e->interpairs[0]->MP[0];
        if (angle == m) {
            EXPECT_EQ(X->x, 0.0);
            EXPECT_EQ(X->y, 10.0);
            EXPECT_EQ(X->mp.size(), 1u);
            EXPECT_EQ(mp->S2, X);
            EXPECT_EQ(mp->T1, vertexAt(*e, 1, 0));
        } else {
            EXPECT_TRUE(X->mp.empty());
            EXPECT_EQ(mp->S2, vertexAt(*e, 0, 4));
        }
    }
}

TEST_F(Friction, ARunThatCannotCarryItsWeldsDoesNotSlide)
{
    auto e = pulledNorthWeld(1.0);
    // The run's last edge is free: there is no weld to hand on at the rear.
    welding::unbond(sideAt(*e, 0, 3));
    EXPECT_EQ(e->cell_friction_response(e->cells[0], 1), dbReader::STEP_OK);
    EXPECT_EQ(vertexAt(*e, 0, 0)->x, 0.0);
    EXPECT_EQ(vertexAt(*e, 0, 4)->x, 0.0);
    EXPECT_EQ(e->interpairs[0]->MP[0]->friction1, 2.0);

    // A welded side met on the walk whose contact has no stretch.
    auto f = pulledNorthWeld(1.0);
    f->interpairs[0]->remove_MP(f->interpairs[0]->MP[0]);
    EXPECT_EQ(f->cell_friction_response(f->cells[0], 1), 0);
    EXPECT_EQ(f->message, "ERROR: pair between cells 0 and 1 was empty!");
}

}  // namespace
