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

class MechanicsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        srand(1);
        ASSERT_TRUE(open_parameter_database());
        seed_parameter_database();
        UserInitialParas();
        ASSERT_TRUE(model_env::writeModelFiles());
    }
    void TearDown() override
    {
        delete reader;
        reader = nullptr;
        close_parameter_database();
        clear_parameter_tables();
    }

    static QString samplePath(const QString& file)
    {
        return QDir(QString::fromLocal8Bit(qgetenv("VANTU_SAMPLES"))).filePath(file);
    }

    // Loads a sample through the view's loader into `reader`.
    bool loadSample(const QString& file)
    {
        const QString path = samplePath(file);
        const int lines = TissueFile::readLineCount(nullptr, path);
        return TissueFile::readDatabase(nullptr, reader, path, lines, 0);
    }

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

    dbReader* reader = nullptr;
};

#endif
