// Boundary vertex and edge records: initial values, merge partners, angles,
// fold and outside tests.
#include "model/dbreader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A counter-clockwise ring of loose vertices and edges, linked as a builder would.
struct Ring {
    std::vector<std::unique_ptr<point3D>> v;
    std::vector<std::unique_ptr<edge>> e;

    explicit Ring(const std::vector<std::pair<double, double>>& xy)
    {
        for (size_t k = 0; k < xy.size(); ++k)
            v.push_back(std::make_unique<point3D>(static_cast<int>(k), xy[k].first, xy[k].second));
        const size_t n = v.size();
        for (size_t k = 0; k < n; ++k) {
            point3D* a = v[k].get();
            point3D* b = v[(k + 1) % n].get();
            e.push_back(std::make_unique<edge>(static_cast<int>(k), a, b, nullptr));
            a->next = b;
            b->prev = a;
            a->out_edge = e.back().get();
            b->in_edge = e.back().get();
        }
    }
};

} // namespace

TEST(VertexRecord, NewVertexHoldsItsInitialValues)
{
    point3D p(7, 2.5, -3.0);
    EXPECT_EQ(p.id, 7);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(p.x_history[k], 2.5);
        EXPECT_EQ(p.y_history[k], -3.0);
    }
    EXPECT_EQ(p.alive, point3D::VERTEX_ALIVE);
    EXPECT_EQ(p.boundary, point3D::BOUNDARY_VERTEX);
    EXPECT_EQ(p.force_state, point3D::FORCE_OUTWARD);
    EXPECT_EQ(p.node_sm_count, -10000);
    EXPECT_TRUE(p.mp.empty() && p.inner_at.empty() && p.node_sm.empty());
    EXPECT_EQ(p.next, nullptr);
    EXPECT_EQ(p.prev, nullptr);
    EXPECT_EQ(p.node, nullptr);
    EXPECT_EQ(p.cell, nullptr);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(p.force[k], 0.0);
        EXPECT_EQ(p.separation_force[k], 0.0);
        EXPECT_EQ(p.applied_force[k], 0.0);
        EXPECT_EQ(p.relax_displacement[k], 0.0);
    }
    EXPECT_EQ(p.migrate_force, 0.0);
    EXPECT_EQ(p.growth_force, 0.0);
}

TEST(EdgeRecord, NewEdgeIsFreeAndInUse)
{
    point3D a(0, 0, 0), b(1, 3, 4);
    edge e(5, &a, &b, nullptr);
    EXPECT_EQ(e.bonded, edge::FREE);
    EXPECT_EQ(e.in_use, 1);
    EXPECT_EQ(e.selected, 0);
    EXPECT_EQ(e.partner, nullptr);
    EXPECT_EQ(e.pair, nullptr);
    for (auto& row : e.coupling_sm)
        for (double d : row)
            EXPECT_EQ(d, 0.0);
    EXPECT_EQ(e.getlength(), 5.0);
}
