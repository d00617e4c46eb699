// The cells the designer's build makes from its circles, and their welding
// by the initial contact pass.
#include "app/designed_tissue.h"
#include "app/newdiagram.h"
#include "geometry/ccomplex.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"
#include "support/model_env.h"
#include "support/crossings.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

class DesignedTissue : public ::testing::Test {
protected:
    void SetUp() override
    {
        srand(1);
        model_env::seedDefaultDatabase();
        ASSERT_TRUE(model_env::prepareEngine());
        UserInitialParas();
        engine = std::make_unique<dbReader>();
    }
    void TearDown() override
    {
        engine.reset();
        clear_parameter_tables();
    }

    // What the main window does after the cells exist.
    void weld()
    {
        engine->delaunay_triangulation(engine->bounds);
        ASSERT_EQ(engine->detect_collision(0), -1) << engine->message.toStdString();
        engine->cell_mesh_generation(0);
        delete engine->alpha_complex;
        engine->alpha_complex = nullptr;
        finish_designed_cells(*engine);
        engine->r_tree_construction(engine->bounds);
    }

    std::unique_ptr<dbReader> engine;
};


} // namespace

TEST_F(DesignedTissue, TheWorkedExampleGivesTheStatedCellsRingsAndBounds)
{
    // Scene positions most recently placed first, as Build hands them over.
    build_designed_cells(*engine, {300, 140, 100}, {300, 100, 100});

    ASSERT_EQ(engine->cells.size(), 3u);
    ASSERT_EQ(engine->points.size(), 60u);
    ASSERT_EQ(engine->edges.size(), 60u);
    ASSERT_EQ(engine->nodes.size(), 60u);
    const double centres[3][2] = {{-95, 95}, {-175, 195}, {-195, 195}};
    for (int k = 0; k < 3; ++k) {
        const cell* c = engine->cells[k];
        EXPECT_EQ(c->id, k);
        EXPECT_DOUBLE_EQ(c->center[0], centres[k][0]);
        EXPECT_DOUBLE_EQ(c->center[1], centres[k][1]);
        ASSERT_EQ(c->sides.size(), 20u);
        for (int j = 0; j < 20; ++j) {
            const edge* e = c->sides[j];
            EXPECT_EQ(e->id, 20 * k + j);
            EXPECT_EQ(e->p1->id, 20 * k + j);
            EXPECT_EQ(e->p2->id, 20 * k + (j + 1) % 20);
            EXPECT_EQ(e->cell, c);
            EXPECT_EQ(e->p1->next, e->p2);
            EXPECT_EQ(e->p2->prev, e->p1);
            EXPECT_DOUBLE_EQ(e->normal[0], e->p2->y - e->p1->y);
            // Each vertex alone in a node of the same id.
            EXPECT_EQ(e->p1->node, engine->nodes[20 * k + j]);
            EXPECT_EQ(e->p1->node->vertices.size(), 1u);
            EXPECT_TRUE(e->p1->in_node);
        }
        const point3D* v0 = engine->points[20 * k];
        EXPECT_EQ(v0->x, centres[k][0] + 10);
        EXPECT_EQ(v0->y, centres[k][1]);
        EXPECT_NEAR(engine->points[20 * k + 5]->x, centres[k][0], 1e-6);
        EXPECT_NEAR(engine->points[20 * k + 5]->y, centres[k][1] + 10, 1e-6);
        EXPECT_EQ(c->AABB_xmin, engine->points[20 * k + 10]);
        EXPECT_EQ(c->AABB_ymin, engine->points[20 * k + 15]);
        EXPECT_EQ(c->AABB_xmax, v0);
        EXPECT_EQ(c->AABB_ymax, engine->points[20 * k + 5]);

        // Typed as 1 with every field it needs, the disc radius kept.
        EXPECT_EQ(c->cell_type, 1);
        EXPECT_EQ(c->cell_type_name, index_name_class[1]);
        EXPECT_DOUBLE_EQ(c->radius, 10.0);
        EXPECT_NEAR(c->area, 1000 * std::sin(0.314159265), 1e-6);
        EXPECT_DOUBLE_EQ(c->target_area, 259.8);
        EXPECT_EQ(c->area_history[9], c->area);
        EXPECT_EQ(c->color[0], color_class_R[1]);
        EXPECT_EQ(c->color[2], color_class_B[1]);
        EXPECT_EQ(c->mu, elastic_MU[1]);
        EXPECT_EQ(c->lambda, elastic_LAMBDA[1]);
        EXPECT_EQ(c->tension, tension_edge_class[1]);
        EXPECT_EQ(c->birth_step, 0);
        EXPECT_EQ(c->growth_rate, 0.0);
        EXPECT_EQ(c->growth_sign, 0);
    }
    EXPECT_DOUBLE_EQ(engine->bounds[0], -1195);
    EXPECT_DOUBLE_EQ(engine->bounds[1], -905);
    EXPECT_DOUBLE_EQ(engine->bounds[2], 905);
    EXPECT_DOUBLE_EQ(engine->bounds[3], 1195);

    weld();
    EXPECT_EQ(describeFaults(checkTopology(*engine)), "");
    // One pair per edge of the neighbour complex of three centres.
    EXPECT_EQ(engine->interpairs.size(), 3u);
    EXPECT_NE(engine->rtree, nullptr);
}

TEST_F(DesignedTissue, ACircleAtTheCanvasCentreIsACellAtTheOrigin)
{
    build_designed_cells(*engine, {490}, {490});
    ASSERT_EQ(engine->cells.size(), 1u);
    EXPECT_EQ(engine->cells[0]->center[0], 0.0);
    EXPECT_EQ(engine->cells[0]->center[1], 0.0);
    EXPECT_EQ(engine->points[0]->x, 10.0);
    EXPECT_DOUBLE_EQ(engine->bounds[0], -1000);
    EXPECT_DOUBLE_EQ(engine->bounds[3], 1000);
}

TEST_F(DesignedTissue, TouchingCirclesAreWeldedWithoutCrossings)
{
    // A 4 by 3 block of circles 36 scene units apart (18 world units): the
    // rings overlap and the contact pass welds them.
    std::vector<double> xs, ys;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            xs.push_back(400 + 36 * col);
            ys.push_back(400 + 36 * row);
        }
    build_designed_cells(*engine, xs, ys);
    weld();
    EXPECT_EQ(describeFaults(checkTopology(*engine)), "");
    EXPECT_TRUE(boundaryCrossings(*engine).empty());
    int bonded = 0;
    for (const edge* e : engine->edges)
        bonded += e->bonded;
    EXPECT_GT(bonded, 0);
    for (const cell* c : engine->cells)
        EXPECT_FALSE(c->inner_t.empty());
}
