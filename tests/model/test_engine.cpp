// The engine object: construction, ownership and teardown.
#include "model/dbreader.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include "geometry/ccomplex.h"
#include "geometry/cd3dw.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Watches the teardown's progress dialog from inside its event processing:
// a zero-interval timer fires at every processEvents and records what the
// "Free-up Memory" dialog shows.
struct TeardownWatch {
    std::vector<int> values;  // distinct successive values
    int maximum = -2;
    QString label;
    bool modal = false;
    QTimer timer;

    TeardownWatch()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* d = qobject_cast<QProgressDialog*>(w);
                if (!d || d->windowTitle() != "Free-up Memory" || !d->isVisible())
                    continue;
                maximum = d->maximum();
                label = d->labelText();
                modal = d->windowModality() == Qt::WindowModal;
                if (values.empty() || values.back() != d->value())
                    values.push_back(d->value());
            }
        });
        timer.start();
    }
};

// A 20-gon of radius 12 around (cx, cy), counter-clockwise.
FixtureCell twentyGon(double cx, double cy)
{
    FixtureCell c;
    for (int k = 0; k < 20; ++k) {
        const double a = k * 2.0 * 3.14159265 / 20.0;
        c.ring.push_back({cx + 12.0 * std::cos(a), cy + 12.0 * std::sin(a)});
    }
    return c;
}

} // namespace

TEST(Engine, FreshEngineHoldsTheInitialValues)
{
    dbReader r;
    EXPECT_EQ(r.collision_state, dbReader::COLLISION_INITIAL);
    EXPECT_EQ(r.mech_mode, dbReader::MECH_MODEL);
    EXPECT_EQ(r.read_option, 3);
    EXPECT_EQ(r.bounds[0], 100000.0);
    EXPECT_EQ(r.bounds[1], 100000.0);
    EXPECT_EQ(r.bounds[2], -100000.0);
    EXPECT_EQ(r.bounds[3], -100000.0);
    EXPECT_TRUE(r.ready);
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_EQ(r.alpha_complex, nullptr);
    EXPECT_EQ(r.rtree, nullptr);
    EXPECT_TRUE(r.points.empty() && r.edges.empty() && r.cells.empty());
    EXPECT_TRUE(r.interpairs.empty() && r.nodes.empty());
    ASSERT_NE(r.view_volume, nullptr);
    EXPECT_EQ(r.getViewVolume(), r.view_volume);
    EXPECT_NE(r.biology, nullptr);
    for (double d : r.view_volume->zeroed_block)
        EXPECT_EQ(d, 0.0);
}

TEST(Engine, TwoWeldedCellsBuildAndTearDownCleanly)
{
    std::string error;
    auto engine = buildTissue(twoWeldedCells(), &error);
    ASSERT_TRUE(engine) << error;
    EXPECT_TRUE(topologyIsSound(*engine));
    engine.reset();  // LeakSanitizer reports anything the teardown misses
}

TEST(Engine, ReleaseEngineClearsTheHolderBeforeDeleting)
{
    dbReader* holder = buildTissue(twoWeldedCells()).release();
    ASSERT_NE(holder, nullptr);
    // A handler that runs while the teardown processes events must find no
    // engine behind the holder.
    int seen_engine = 0, ticks = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticks;
        if (holder)
            ++seen_engine;
    });
    probe.start();
    releaseEngine(holder);
    probe.stop();
    EXPECT_EQ(holder, nullptr);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(seen_engine, 0);
    releaseEngine(holder);  // a null holder is left alone
    EXPECT_EQ(holder, nullptr);
}

TEST(Engine, TeardownProgressCountsCellsTwice)
{
    // 40 vertices, 40 edges, 2 cells, 1 pair, 40 nodes: maximum 125.
    TissueLayout layout;
    layout.cells = {twentyGon(0, 0), twentyGon(100, 0)};
    dbReader* engine = buildTissue(layout).release();
    ASSERT_NE(engine, nullptr);
    auto* pair = new interpair(0, engine->cells[0], engine->cells[1]);
    engine->interpairs.push_back(pair);
    engine->cells[0]->pairs.push_back(pair);
    engine->cells[1]->pairs.push_back(pair);
    ASSERT_EQ(engine->nodes.size(), 40u);

    TeardownWatch watch;
    delete engine;
    EXPECT_EQ(watch.maximum, 125);
    EXPECT_EQ(watch.label, QString("Clean-up the allocated memory..."));
    EXPECT_TRUE(watch.modal);
    // Vertices 0..39, edges 40..79, cells 80 and 81, then the behaviour model
    // at 84, the pair at 84, the nodes 85..124.
    std::vector<int> expected;
    for (int v = 0; v <= 81; ++v)
        expected.push_back(v);
    for (int v = 84; v <= 124; ++v)
        expected.push_back(v);
    std::vector<int> seen;
    for (int v : watch.values)
        if (v >= 0 && v < 125)
            seen.push_back(v);
    EXPECT_EQ(seen, expected);
}

TEST(Engine, EmptyEngineTearsDownWithAZeroRange)
{
    TeardownWatch watch;
    delete new dbReader();
    EXPECT_EQ(watch.maximum, 0);
}

TEST(Engine, MeshedWeldedTissueWithAComplexIsFreedWhole)
{
    auto engine = buildTissue(threeWeldedCells());
    ASSERT_TRUE(engine);
    // What the stages would have added: inner meshes, slip points, rear
    // records, a second stretch, a neighbour complex.
    for (cell* c : engine->cells) {
        auto* inner = new point3D(0, c->center[0], c->center[1]);
        inner->boundary = point3D::MESH_POINT;
        inner->cell = c;
        c->inner_p.push_back(inner);
        for (size_t k = 0; k < c->sides.size(); ++k) {
            auto* t = new triangle(static_cast<int>(k), c->sides[k]->p1, c->sides[k]->p2, inner);
            c->inner_t.push_back(t);
            c->sides[k]->p1->inner_at.push_back(t);
            inner->inner_at.push_back(t);
        }
        c->inner_p_slip.push_back(new point3D(1, c->center[0], c->center[1]));
        auto* r = new rear_fc(0);
        r->filling_cell = c;
        r->self_record = 1;
        c->filling_cells.push_back(r);
    }
    interpair* pair = engine->interpairs[0];
    pair->MP.push_back(new mergepair(1, pair->MP[0]->S1, pair->MP[0]->S1, pair->MP[0]->T2, pair->MP[0]->T2));
    double rect[4] = {-1000, -1000, 1000, 1000};
    CD3DW d(rect);
    d.add(0, 0, 10, 1, nullptr);
    d.add(20, 0, 10, 2, nullptr);
    d.add(10, 17, 10, 3, nullptr);
    engine->alpha_complex = new CComplex(&d);
    engine->r_tree_construction(engine->bounds);
    ASSERT_NE(engine->rtree, nullptr);
    viewVolume* view = engine->getViewVolume();
    view->VPN = new double[2]{0.0, 1.0};
    view->VUP = new double[2]{0.0, 1.0};
    view->VRP = new double[2]{0.0, 0.0};
    view->PRP = new double[2]{0.0, 0.0};
    engine.reset();  // LeakSanitizer fails the test on anything left behind
}
