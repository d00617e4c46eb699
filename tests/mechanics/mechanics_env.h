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
#include <memory>
#include <string>

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

#endif
