// Cell record: construction, typing, measures, hit tests and list upkeep.
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A cell with a ring of loose vertices and edges that the test owns.
struct Polygon {
    std::vector<std::unique_ptr<point3D>> v;
    std::vector<std::unique_ptr<edge>> e;
    std::unique_ptr<cell> c = std::make_unique<cell>(0);

    explicit Polygon(const std::vector<std::pair<double, double>>& xy)
    {
        for (size_t k = 0; k < xy.size(); ++k)
            v.push_back(std::make_unique<point3D>(static_cast<int>(k), xy[k].first, xy[k].second));
        for (size_t k = 0; k < v.size(); ++k) {
            point3D* a = v[k].get();
            point3D* b = v[(k + 1) % v.size()].get();
            e.push_back(std::make_unique<edge>(static_cast<int>(k), a, b, c.get()));
            a->next = b;
            b->prev = a;
            a->out_edge = e.back().get();
            b->in_edge = e.back().get();
            c->sides.push_back(e.back().get());
        }
    }
};

} // namespace

TEST(CellRecord, NewCellHoldsItsInitialValues)
{
    cell c(4);
    EXPECT_EQ(c.id, 4);
    EXPECT_EQ(c.circle, 1);
    EXPECT_EQ(c.cue_angle, -1.0);
    EXPECT_EQ(c.reserved, -1.0);
    EXPECT_EQ(c.species, std::vector<int>(20, 0));
    EXPECT_TRUE(c.sides.empty() && c.pairs.empty() && c.inner_t.empty() && c.inner_p.empty());
    EXPECT_TRUE(c.inner_p_slip.empty() && c.filling_cells.empty() && c.cell_type_name.isEmpty());
    EXPECT_EQ(c.AABB_xmin, nullptr);
    EXPECT_EQ(c.AABB_ymax, nullptr);
    EXPECT_EQ(c.front_first, nullptr);
    EXPECT_EQ(c.front_last, nullptr);
    EXPECT_EQ(c.burry + c.dead + c.dying + c.keep_growth_rate + c.migrating + c.migrate_relax + c.migrate_relaxed +
                  c.has_pull + c.has_cue + c.driven + c.relax_skip + c.remesh + c.migrated + c.selected,
              0);
    EXPECT_EQ(c.behavior, cell::NO_BEHAVIOR);
    for (int s : c.behavior_steps)
        EXPECT_EQ(s, 0);
    EXPECT_EQ(c.migrate_count, 0);
    EXPECT_EQ(c.path_length, 0.0);
    EXPECT_EQ(c.migrate_path_length, 0.0);
}

TEST(CellRecord, CellWithoutSides)
{
    cell c(0);
    point3D keep(9, 1, 1);
    c.AABB_xmin = &keep;
    c.area = 5.0;
    c.set_area();
    EXPECT_EQ(c.area, 0.0);
    c.refresh_AABB();
    EXPECT_EQ(c.AABB_xmin, &keep);
    c.setup_Burry();
    EXPECT_EQ(c.burry, 1);
    EXPECT_FALSE(c.test_point_inside(0, 0));
    EXPECT_TRUE(c.test_inside_rectangle(0, 0, 1, 1));
    EXPECT_TRUE(c.test_inside_ellipse(0, 0, 1, 1));
    c.center[0] = 3.0;
    c.center_refresh();  // nothing to average: the centre stays
    EXPECT_EQ(c.center[0], 3.0);
    c.update_migrate_persistence();
    EXPECT_EQ(c.path_length, 0.0);
    c.AABB_xmin = nullptr;
}

TEST(CellRecord, AreaOfTheUnitSquareEitherWayRound)
{
    Polygon ccw({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    ccw.c->set_area();
    EXPECT_EQ(ccw.c->area, 1.0);
    Polygon cw({{0, 0}, {0, 1}, {1, 1}, {1, 0}});
    cw.c->set_area();
    EXPECT_EQ(cw.c->area, 1.0);
    ccw.c->center_refresh();
    EXPECT_EQ(ccw.c->center[0], 0.5);
    EXPECT_EQ(ccw.c->center[1], 0.5);
}

TEST(CellRecord, ExtremeVerticesTakeTheFirstInRingOrder)
{
    Polygon sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    sq.c->refresh_AABB();
    EXPECT_EQ(sq.c->AABB_xmin, sq.v[0].get());  // vertices 0 and 3 share x = 0
    EXPECT_EQ(sq.c->AABB_ymin, sq.v[0].get());
    EXPECT_EQ(sq.c->AABB_xmax, sq.v[1].get());
    EXPECT_EQ(sq.c->AABB_ymax, sq.v[2].get());
}

TEST(CellRecord, RhombiAndRectangleShapeMeasures)
{
    Polygon wide({{-10, 0}, {0, -5}, {10, 0}, {0, 5}});
    wide.c->set_area();
    wide.c->refresh_AABB();
    EXPECT_EQ(wide.c->area, 100.0);
    EXPECT_EQ(wide.c->shape_based_diagonal(), 20.0);
    EXPECT_EQ(wide.c->shape_based_division_angle(), 90.0);

    // Longer y span: v = (0, 1), asin(1) * 180 / 3.14159265 - 90, not 0.
    Polygon tall({{-5, 0}, {0, -10}, {5, 0}, {0, 10}});
    tall.c->refresh_AABB();
    const double tall_angle = tall.c->shape_based_division_angle();
    EXPECT_NEAR(tall_angle, 1.03e-7, 1e-9);
    EXPECT_GT(tall_angle, 0.0);

    // Equal spans: the y span is used, so the same small angle.
    Polygon square({{-5, 0}, {0, -5}, {5, 0}, {0, 5}});
    square.c->refresh_AABB();
    EXPECT_EQ(square.c->shape_based_division_angle(), tall_angle);

    Polygon rect({{0, 0}, {20, 0}, {20, 10}, {0, 10}});
    rect.c->refresh_AABB();
    EXPECT_EQ(rect.c->AABB_xmin, rect.v[0].get());
    EXPECT_EQ(rect.c->AABB_ymin, rect.v[0].get());
    EXPECT_EQ(rect.c->AABB_xmax, rect.v[1].get());
    EXPECT_EQ(rect.c->AABB_ymax, rect.v[2].get());
    EXPECT_DOUBLE_EQ(rect.c->shape_based_diagonal(), std::sqrt(500.0));

    // Both spans of length zero.
    Polygon dot({{1, 1}, {1, 1}, {1, 1}});
    dot.c->refresh_AABB();
    EXPECT_EQ(dot.c->shape_based_division_angle(), 270.0);
}

TEST(CellRecord, PointInsideWithTheLineThroughVertices)
{
    Polygon sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_TRUE(sq.c->test_point_inside(0.5, 0.5));
    EXPECT_FALSE(sq.c->test_point_inside(1.0, 0.5));  // on a side
    EXPECT_FALSE(sq.c->test_point_inside(0.5, 0.0));  // on the bottom side
    EXPECT_FALSE(sq.c->test_point_inside(1.0, 1.0));  // on a vertex
    EXPECT_FALSE(sq.c->test_point_inside(2.0, 0.5));

    // The horizontal line y = 0 runs through two vertices of the rhombus.
    Polygon rh({{-10, 0}, {0, -5}, {10, 0}, {0, 5}});
    EXPECT_TRUE(rh.c->test_point_inside(0, 0));
    EXPECT_FALSE(rh.c->test_point_inside(20, 0));
    EXPECT_FALSE(rh.c->test_point_inside(-20, 0));
}

TEST(CellRecord, RegionSelectionTests)
{
    Polygon sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_TRUE(sq.c->test_inside_rectangle(0, 0, 1, 1));  // on the rectangle's sides
    EXPECT_FALSE(sq.c->test_inside_rectangle(0, 0, 0.9, 1));
    EXPECT_TRUE(sq.c->test_inside_ellipse(0.5, 0.5, 0.75, 0.75));
    EXPECT_FALSE(sq.c->test_inside_ellipse(0.5, 0.5, 0.7, 0.7));
    EXPECT_TRUE(sq.c->test_inside_ellipse(0.5, 0.5, 2.0, 0.71));
    EXPECT_FALSE(sq.c->test_inside_ellipse(0.5, 0.5, std::nan(""), 1.0));
}

TEST(CellRecord, RemovingSidesAndPairsKeepsOrder)
{
    Polygon sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    point3D a(9, 0, 0), b(10, 1, 1);
    edge stray(99, &a, &b, nullptr);
    sq.c->removeside(&stray);
    EXPECT_EQ(sq.c->sides.size(), 4u);
    sq.c->sides.push_back(sq.e[1].get());  // listed twice
    sq.c->removeside(sq.e[1].get());
    EXPECT_EQ(sq.c->sides, (std::vector<edge*>{sq.e[0].get(), sq.e[2].get(), sq.e[3].get(), sq.e[1].get()}));

    cell other(1);
    interpair p(0, sq.c.get(), &other), q(1, sq.c.get(), &other);
    sq.c->pairs = {&p, &q};
    sq.c->removepair(&p);
    EXPECT_EQ(sq.c->pairs, (std::vector<interpair*>{&q}));
    sq.c->pairs.clear();
}

TEST(CellRecord, BuriedAndCircleFlags)
{
    Polygon sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    sq.c->setup_Burry();
    EXPECT_EQ(sq.c->burry, 0);
    for (auto& e : sq.e)
        e->bonded = edge::BONDED;
    sq.c->setup_Burry();
    EXPECT_EQ(sq.c->burry, 1);

    cell other(1);
    interpair p(0, sq.c.get(), &other);
    sq.c->pairs.push_back(&p);
    sq.c->setup_Circle();
    EXPECT_EQ(sq.c->circle, 1);
    p.removed = 1;  // a removed pair with a stretch still counts
    p.MP.push_back(new mergepair(0, sq.v[0].get(), sq.v[0].get(), sq.v[1].get(), sq.v[1].get()));
    sq.c->setup_Circle();
    EXPECT_EQ(sq.c->circle, 0);
    sq.c->pairs.clear();
}

TEST(CellRecord, TypingCopiesTheTablesAndTheBareAdhesion)
{
    clear_parameter_tables();
    color_class_R[2] = 0.5;
    color_class_G[2] = 0.25;
    color_class_B[2] = 0.125;
    tension_edge_class[2] = 1.0;
    pressure_edge_class[2] = 0.3;
    mass_edge_class[2] = 0.01;
    elastic_MU[2] = 1.5;
    elastic_LAMBDA[2] = 2.5;
    adhesion_pair_array[2][3] = 7.0;
    index_stren_class[2] = 0.5;

    Polygon sq({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    sq.c->set_area();
    cell a(1), b(2);
    a.cell_type = 3;
    b.cell_type = 3;
    interpair live(0, &a, sq.c.get()), gone(1, sq.c.get(), &b);
    gone.removed = 1;
    gone.adhesion = gone.adhesion_copy = -4.0;
    sq.c->pairs = {&live, &gone};

    sq.c->set_cell_type(2);
    EXPECT_EQ(sq.c->cell_type, 2);
    EXPECT_DOUBLE_EQ(sq.c->radius, std::sqrt(100.0 * 0.5 / 3.14159265));
    EXPECT_EQ(sq.c->color[0], 0.5);
    EXPECT_EQ(sq.c->color[2], 0.125);
    EXPECT_EQ(sq.c->mu, 1.5);
    EXPECT_EQ(sq.c->lambda, 2.5);
    EXPECT_EQ(sq.c->pressure, 0.3);
    EXPECT_EQ(live.adhesion, 7.0);  // no strength factor
    EXPECT_EQ(live.adhesion_copy, 7.0);
    EXPECT_EQ(gone.adhesion, -4.0);

    // A type missing from the tables reads 0.0 and is added to them.
    sq.c->set_cell_type(5);
    EXPECT_EQ(sq.c->mu, 0.0);
    EXPECT_EQ(elastic_MU.count(5), 1u);
    sq.c->pairs.clear();
    clear_parameter_tables();
    adhesion_pair_array[2][3] = 0.0;
}

TEST(CellRecord, OwnedListsAreDeletedFromTheBack)
{
    auto* c = new cell(0);
    auto* p = new point3D(0, 1, 1);
    p->boundary = point3D::MESH_POINT;
    c->inner_p.push_back(p);
    c->inner_p_slip.push_back(new point3D(1, 2, 2));
    c->inner_t.push_back(new triangle(0, p, p, p));
    cell other(1);
    for (int k = 0; k < 3; ++k) {
        auto* r = new rear_fc(k);
        r->filling_cell = k == 1 ? &other : c;
        r->push_NCs(&other);
        c->filling_cells.push_back(r);
    }
    c->filling_cells.push_back(new rear_fc(3));
    c->filling_cells.back()->filling_cell = &other;

    // One record per call: the first about `other`, the later one stays.
    c->remove_filling_cell(&other);
    ASSERT_EQ(c->filling_cells.size(), 3u);
    EXPECT_EQ(c->filling_cells[2]->filling_cell, &other);
    c->remove_filling_cell(&other);
    EXPECT_EQ(c->filling_cells.size(), 2u);
    c->remove_filling_cell(&other);
    EXPECT_EQ(c->filling_cells.size(), 2u);

    c->clear_inner_t();
    EXPECT_TRUE(c->inner_t.empty());
    // The rest is freed by the destructor; LeakSanitizer checks it.
    delete c;
}

TEST(CellRecord, MigratePersistenceFollowsTheVertexMean)
{
    Polygon sq({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    for (auto& v : sq.v) {
        v->x += 3.0;
        v->y += 4.0;
    }
    sq.c->update_migrate_persistence();
    EXPECT_DOUBLE_EQ(sq.c->path_length, 5.0);
    EXPECT_EQ(sq.c->migrate_path_length, 0.0);
    sq.c->migrate_relax = 1;
    sq.c->update_migrate_persistence();
    EXPECT_DOUBLE_EQ(sq.c->path_length, 10.0);
    EXPECT_DOUBLE_EQ(sq.c->migrate_path_length, 5.0);
}

TEST(CellRecord, TypingBeyondTheAdhesionTableLeavesThePairsAlone)
{
    clear_parameter_tables();
    Polygon sq({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    sq.c->set_area();
    cell other(1), far(2);
    other.cell_type = 3;
    far.cell_type = MAX_CELL_TYPES + 5;
    interpair near_pair(0, sq.c.get(), &other), far_pair(1, &far, sq.c.get());
    near_pair.adhesion = near_pair.adhesion_copy = 2.0;
    far_pair.adhesion = far_pair.adhesion_copy = 3.0;
    sq.c->pairs = {&near_pair, &far_pair};

    // Neither this cell's type nor the partner's may index past the 20 x 20 table.
    sq.c->set_cell_type(MAX_CELL_TYPES);
    EXPECT_EQ(sq.c->cell_type, MAX_CELL_TYPES);
    EXPECT_EQ(near_pair.adhesion, 2.0);
    EXPECT_EQ(far_pair.adhesion, 3.0);
    sq.c->set_cell_type(4);
    EXPECT_EQ(near_pair.adhesion, adhesion_pair_array[4][3]);
    EXPECT_EQ(far_pair.adhesion, 3.0);
    EXPECT_EQ(far_pair.adhesion_copy, 3.0);
    sq.c->set_cell_type(-1);
    EXPECT_EQ(near_pair.adhesion, adhesion_pair_array[4][3]);
    sq.c->pairs.clear();
    clear_parameter_tables();
}
