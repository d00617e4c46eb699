#ifndef VANTU_TESTS_MECHANICS_MECHANICS_ENV_H
#define VANTU_TESTS_MECHANICS_MECHANICS_ENV_H

// Shared set-up of the mechanics tests: a seeded parameter database with
// fresh tables and model files, a loader for the samples, typed fixture
// tissues with inner meshes, and the invariants a step must keep.

#include "mechanics/fem_step.h"
#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "model/tissue_file.h"
#include "model/tissue_test_env.h"
#include "support/contact_run.h"
#include "support/crossings.h"
#include "support/finite_positions.h"
#include "support/model_env.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <QDir>
#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The tissue file tests' set-up (seeded database, fresh tables, model
// files, `reader`, a box answerer), with the samples and typed fixtures the
// mechanics needs.
class MechanicsTest : public TissueFileTest {
protected:
    // Loads a sample through the view's loader into `reader`.
    bool loadSample(const QString& file) { return load(samplePath(file)); }

    // A fixture tissue whose cells are typed from the tables (type `type`)
    // and meshed, ready for a mechanics step.
    std::unique_ptr<dbReader> typedTissue(const TissueLayout& layout, int type = 1)
    {
        std::string error;
        auto e = buildTissue(layout, &error);
        EXPECT_TRUE(e) << error;
        if (!e)
            return e;
        for (cell* c : e->cells) {
            c->set_cell_type(type);
            c->set_area();
            c->target_area = c->area;
        }
        e->cell_mesh_generation(0);
        return e;
    }
};

// A fixture tissue as the builder leaves it (untyped, no mesh); a test
// failure with the builder's reason when the layout is refused.
inline std::unique_ptr<dbReader> fixtureTissue(const TissueLayout& layout)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    return e;
}

// What the behaviour stage sets on a migrating cell, played by the tests: c
// migrates towards (dx, dy) with its free vertices (both edges unwelded) as
// the front, each pulled by `force`. Returns the number of front vertices.
inline int armFreeFront(cell* c, double dx, double dy, double force)
{
    c->migrating = 1;
    const double a = std::atan2(dy, dx) * 180.0 / 3.14159265;
    c->migrate_angle = a < 0 ? a + 360.0 : a;
    c->front_first = c->front_last = nullptr;
    int count = 0;
    for (edge* s : c->sides) {
        point3D* v = s->p1;
        if (s->bonded || v->in_edge->bonded)
            continue;
        v->migrate_mark = 1;
        v->migrate_force = force;
        if (!c->front_first)
            c->front_first = v;
        c->front_last = v;
        ++count;
    }
    return count;
}

// Every vertex position of the engine, x then y, in vertex order.
inline std::vector<double> allPositions(const dbReader& e)
{
    std::vector<double> out;
    for (const point3D* p : e.points) {
        out.push_back(p->x);
        out.push_back(p->y);
    }
    return out;
}

// One tick of the step loop as the view runs it, with `beforeMechanics` in
// place of the behaviour stage: re-mesh, then the mechanics, the contact
// update, the pick and edge corrections, and the R-tree. -1, or the result
// of the first stage that failed.
inline int loopStep(dbReader& e, int n, const std::function<void()>& beforeMechanics)
{
    e.cell_mesh_generation(n);
    if (beforeMechanics)
        beforeMechanics();
    int r = e.cell_dynamic_FEM(n);
    if (r < 0)
        r = runCorrectionStages(e, n);
    e.r_tree_construction(e.bounds);
    return r;
}

#endif
