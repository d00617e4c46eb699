// The whole mechanics step on small tissues: its dialog, an empty engine,
// and every broken state that must end the step with its message instead
// of a crash, leaving no block behind.
#include "mechanics_env.h"
#include "support/progress_watch.h"

#include <QApplication>

#include <functional>

namespace {

class Step : public MechanicsTest {
protected:
    // No point keeps a block of a step that ended.
    static bool noBlocksLeft(const dbReader& e)
    {
        for (const point3D* p : e.points)
            if (!p->node_sm.empty())
                return false;
        for (const cell* c : e.cells)
            for (const point3D* q : c->inner_p)
                if (!q->node_sm.empty())
                    return false;
        return true;
    }
};

TEST_F(Step, TheDialogShowsEveryStageAndAnEmptyEngineStepsWithoutError)
{
    auto e = typedTissue(threeWeldedCells());
    ASSERT_TRUE(e);
    ProgressWatch watch("Physical and mechanical processing");
    EXPECT_EQ(e->cell_dynamic_FEM(1), dbReader::STEP_OK) << e->message.toStdString();
    QApplication::processEvents();
    watch.stop();
    EXPECT_EQ(watch.values, (QList<int>{5, 10, 15, 20, 40, 80, 85, 90, 95, 97, 99}));
    EXPECT_EQ(watch.maximum, 99);
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(noBlocksLeft(*e));
    EXPECT_FALSE(anyProgressVisible());

    dbReader empty;
    EXPECT_EQ(empty.cell_dynamic_FEM(1), dbReader::STEP_OK);
    EXPECT_TRUE(empty.message.isEmpty());
}

TEST_F(Step, BrokenStatesEndTheStepWithTheirMessage)
{
    // Each case breaks one thing in a fresh welded tissue (cells 0 and 1 share
    // cell 0's vertices 1..3), returns the expected result and message, and
    // puts back what the teardown needs.
    struct Case {
        const char* what;
        std::function<std::function<void()>(dbReader&)> breakIt;  // returns the repair
        int result;
        QString message;  // a prefix of the message
    };
    std::unique_ptr<point3D> stray;
    const Case cases[] = {
        {"empty node",
         [](dbReader& e) {
             e.nodes.push_back(new node(int(e.nodes.size())));
             return [] {};
         },
         7, "ERROR: node 7 was empty!"},  // after the seven nodes of the tissue
        {"node-less triangle corner",
         [](dbReader& e) {
             point3D* v = vertexAt(e, 0, 2);
             node* n = v->node;
             n->removevertex(v);
             v->node = nullptr;
             return [v, n] {
                 n->pushvertex(v);
                 v->node = n;
             };
         },
         0, "ERROR: node 2 from cell 0 is NULL!"},
        {"position not finite",
         [](dbReader& e) {
             vertexAt(e, 1, 1)->y = std::nan("");
             return [] {};
         },
         1, "ERROR: vertex 6 of cell 1 is not at a finite position!"},
        {"inner point not finite",
         [](dbReader& e) {
             e.cells[1]->inner_p.back()->x = HUGE_VAL;
             return [] {};
         },
         1, "ERROR: inner point "},
        {"missing ring link",
         [](dbReader& e) {
             point3D* v = vertexAt(e, 0, 4);
             point3D* next = v->next;
             v->next = nullptr;
             return [v, next] { v->next = next; };
         },
         0, "ERROR: vertex 4 in node "},
        {"bonded side without partner",
         [](dbReader& e) {
             edge* s = sideAt(e, 0, 1);
             edge* partner = s->partner;
             s->partner = nullptr;
             return [s, partner] { s->partner = partner; };
         },
         0, "ERROR: edge 1 of cell 0 is bonded without a partner or pair!"},
        {"triangle corner not numbered",
         [&stray](dbReader& e) {
             triangle* t = e.cells[0]->inner_t.front();
             stray = std::make_unique<point3D>(0, 5, 5);
             stray->boundary = 0;
             point3D* old = t->c;
             t->c = stray.get();
             return [t, old] { t->c = old; };
         },
         0, "ERROR: point 0 of cell 0 has no equation number in this step!"},
        {"solver meets a NaN load",
         [](dbReader& e) {
             vertexAt(e, 1, 2)->force[0] = std::nan("");
             return [] {};
         },
         1, "ERROR: the first solve failed at cell 1: non-finite value in row "},
    };
    for (const Case& k : cases) {
        auto e = typedTissue(twoWeldedCells());
        ASSERT_TRUE(e);
        const auto repair = k.breakIt(*e);
        EXPECT_EQ(e->cell_dynamic_FEM(1), k.result) << k.what;
        EXPECT_TRUE(e->message.startsWith(k.message)) << k.what << ": " << e->message.toStdString();
        EXPECT_TRUE(noBlocksLeft(*e)) << k.what;
        repair();
    }
}

}  // namespace
