// Stiffness assembly: the sparse system of a step against an independent
// dense assembly of the same element matrices, the row layout, the points no
// element reaches, and the force recovery against the assembled rows.
#include "mechanics_env.h"

#include <map>
#include <vector>

namespace {

using Dense = std::vector<std::vector<double>>;

// The equation numbering, worked out apart from the step: active node heads
// in node order, then the inner points of live cells that are not driven.
std::map<const point3D*, int> numbering(const dbReader& e)
{
    std::map<const point3D*, int> k;
    int n = 0;
    for (const node* nd : e.nodes)
        if (nd->active)
            k[nd->vertices[0]] = n++;
    for (const cell* c : e.cells)
        if (!c->dead && !c->driven)
            for (const point3D* q : c->inner_p)
                k[q] = n++;
    return k;
}

int unknownOf(const std::map<const point3D*, int>& k, const point3D* p)
{
    return k.at(p->boundary ? p->node->vertices[0] : p);
}

void scatter(Dense& A, const std::vector<int>& at, const double (*K)[6], bool coupling = true)
{
    for (std::size_t i = 0; i < at.size(); ++i)
        for (std::size_t j = 0; j < at.size(); ++j) {
            if (i != j && (!coupling || at[i] == at[j]))
                continue;
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    A[2 * at[i] + r][2 * at[j] + c] += K[2 * i + r][2 * j + c];
        }
}

bool blockNonZero(const Dense& A, int p, int q)
{
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            if (A[2 * p + r][2 * q + c] != 0.0)
                return true;
    return false;
}

// The dense system from the element matrices the step left on the records:
// triangles and virtual edges of free cells, softened edges of driven cells;
// a virtual edge couples its heads only where other elements already do.
Dense denseReference(const dbReader& e, const std::map<const point3D*, int>& k)
{
    const std::size_t n = 2 * k.size();
    Dense A(n, std::vector<double>(n, 0.0));
    std::vector<std::pair<edge*, std::vector<int>>> virtuals;
    for (const cell* c : e.cells) {
        if (c->dead)
            continue;
        if (c->driven) {
            for (edge* s : c->sides)
                scatter(A, {unknownOf(k, s->p1), unknownOf(k, s->p2)}, s->soften_sm);
            continue;
        }
        for (triangle* t : c->inner_t)
            scatter(A, {unknownOf(k, t->a), unknownOf(k, t->b), unknownOf(k, t->c)}, t->sm);
        for (edge* s : c->sides)
            if (!s->bonded)
                virtuals.push_back({s, {unknownOf(k, s->p1), unknownOf(k, s->p2)}});
    }
    std::vector<bool> coupled;
    for (auto& v : virtuals)
        coupled.push_back(blockNonZero(A, v.second[0], v.second[1]));
    for (std::size_t i = 0; i < virtuals.size(); ++i) {
        const auto& at = virtuals[i].second;
        const double (*K)[6] = virtuals[i].first->virtual_sm;
        scatter(A, at, K, false);
        if (coupled[i])
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c) {
                    A[2 * at[0] + r][2 * at[1] + c] += K[r][2 + c];
                    A[2 * at[1] + c][2 * at[0] + r] += K[r][2 + c];
                }
    }
    return A;
}

// The step's sparse system written out densely.
Dense denseOf(const FemStep& fem)
{
    const std::size_t n = fem.D.size();
    Dense S(n, std::vector<double>(n, 0.0));
    for (std::size_t r = 0; r < n; ++r) {
        S[r][r] = fem.D[r];
        for (int j = r == 0 ? 0 : fem.R[r - 1]; j < fem.R[r]; ++j)
            S[r][fem.columns[j]] += fem.values[j];
    }
    return S;
}

class Assembly : public MechanicsTest {
protected:
    int upToAssembly(FemStep& fem)
    {
        fem.update_areas();
        fem.take_cell_count();
        const int r = fem.number_and_load();
        return r == dbReader::STEP_OK ? fem.assemble() : r;
    }
};

TEST_F(Assembly, WeldedCellsWithADrivenCellMatchADenseAssembly)
{
    for (int driven : {-1, 0, 1, 2}) {
        auto e = typedTissue(threeWeldedCells());
        ASSERT_TRUE(e);
        if (driven >= 0)
            e->cells[driven]->driven = 1;
        FemStep fem(*e);
        ASSERT_EQ(upToAssembly(fem), dbReader::STEP_OK) << e->message.toStdString();

        const auto k = numbering(*e);
        ASSERT_EQ(fem.equations.size(), k.size());
        for (std::size_t i = 0; i < fem.equations.size(); ++i)
            EXPECT_EQ(k.at(fem.equations[i]), int(i));

        const Dense A = denseReference(*e, k), S = denseOf(fem);
        for (std::size_t r = 0; r < A.size(); ++r)
            for (std::size_t c = 0; c < A.size(); ++c) {
                EXPECT_NEAR(S[r][c], A[r][c], 1e-12 * (1.0 + std::fabs(A[r][c]))) << driven << ": " << r << "," << c;
                EXPECT_NEAR(S[r][c], S[c][r], 1e-12) << driven << ": " << r << "," << c;
            }
        // Rows of 2m + 1 entries, m the point's blocks.
        for (std::size_t i = 0; i < fem.equations.size(); ++i) {
            const int m = int(fem.equations[i]->node_sm.size());
            const int start = i == 0 ? 0 : fem.R[2 * i - 1];
            EXPECT_EQ(fem.R[2 * i] - start, 2 * m + 1);
            EXPECT_EQ(fem.R[2 * i + 1] - fem.R[2 * i], 2 * m + 1);
        }
        // Bonded sides of free cells get no virtual edge; a driven cell's
        // sides a softened one whatever their bonding.
        for (cell* c : e->cells)
            for (edge* s : c->sides) {
                double virt = 0, soft = 0;
                for (int r = 0; r < 6; ++r)
                    for (int q = 0; q < 6; ++q) {
                        virt += std::fabs(s->virtual_sm[r][q]);
                        soft += std::fabs(s->soften_sm[r][q]);
                    }
                EXPECT_EQ(virt > 0, !c->driven && !s->bonded) << driven << ": edge " << s->id;
                EXPECT_EQ(soft > 0, bool(c->driven)) << driven << ": edge " << s->id;
            }
    }
}

TEST_F(Assembly, AFanOfFiveTrianglesGivesSixPointsAndRowsOfItsNeighbours)
{
    TissueLayout layout;
    FixtureCell pentagon;
    for (int i = 0; i < 5; ++i)
        pentagon.ring.push_back({10 * std::cos(i * 2 * M_PI / 5), 10 * std::sin(i * 2 * M_PI / 5)});
    layout.cells.push_back(pentagon);
    auto e = typedTissue(layout);
    ASSERT_TRUE(e);
    // Replace the generated mesh by a fan around one inner point.
    cell* c = e->cells[0];
    c->clear_inner_t();
    c->clear_inner_p();
    c->clear_inner_p_slip();
    auto* centre = new point3D(0, 0.5, -0.25);
    centre->boundary = 0;
    centre->cell = c;
    c->inner_p.push_back(centre);
    for (edge* s : c->sides)
        s->p1->clear_inner_at();
    for (int i = 0; i < 5; ++i) {
        auto* t = new triangle(i, vertexAt(*e, 0, i), vertexAt(*e, 0, i + 1), centre);
        t->mu = c->mu;
        t->lambda = c->lambda;
        c->inner_t.push_back(t);
        for (point3D* p : {t->a, t->b, t->c})
            p->inner_at.push_back(t);
    }
    FemStep fem(*e);
    ASSERT_EQ(upToAssembly(fem), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_EQ(fem.equations.size(), 6u);
    EXPECT_EQ(fem.equations[5], centre);
    EXPECT_EQ(fem.blocks.size(), 10u);  // five ring sides and five spokes
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(fem.R[2 * i] - (i == 0 ? 0 : fem.R[2 * i - 1]), 7);  // two ring neighbours and the centre
    EXPECT_EQ(fem.R[11] - fem.R[10], 11);
    EXPECT_EQ(fem.R[11], 5 * 14 + 22);
}

TEST_F(Assembly, PointsNoElementReachesAreHeldInPlace)
{
    // Cell 1 is dead but not yet removed: its free vertices' nodes are
    // numbered, reached by no element, and must not move.
    auto e = typedTissue(twoWeldedCells());
    ASSERT_TRUE(e);
    for (cell* c : e->cells) {
        c->target_area = c->area + 30.0;
        c->tension = 0.3;
    }
    e->cells[1]->dead = 1;
    std::vector<std::pair<double, double>> before;
    const std::vector<int> freeVertices = {1, 2};  // (20,0) and (20,10)
    for (int i : freeVertices)
        before.push_back({vertexAt(*e, 1, i)->x, vertexAt(*e, 1, i)->y});

    FemStep fem(*e);
    ASSERT_EQ(upToAssembly(fem), dbReader::STEP_OK);
    int held = 0;
    for (std::size_t k = 0; k < fem.equations.size(); ++k)
        if (fem.held[k]) {
            ++held;
            EXPECT_EQ(fem.D[2 * k], 1.0);
            EXPECT_EQ(fem.D[2 * k + 1], 1.0);
        }
    EXPECT_EQ(held, 2);
    ASSERT_EQ(fem.solve(), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_EQ(fem.relax_displacement(), dbReader::STEP_OK) << e->message.toStdString();
    for (std::size_t i = 0; i < freeVertices.size(); ++i) {
        EXPECT_EQ(vertexAt(*e, 1, freeVertices[i])->x, before[i].first);
        EXPECT_EQ(vertexAt(*e, 1, freeVertices[i])->y, before[i].second);
    }
    // The live cell did move.
    EXPECT_NE(vertexAt(*e, 0, 0)->x, 0.0);
}

// A stretch of five welds between two rectangles; cell 0 migrates, so the
// pair pass visits the contact.
TissueLayout longStretch()
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 2}, {10, 4}, {10, 6}, {10, 8}, {10, 10}, {0, 10}}, 1});
    layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 8}, {10, 6}, {10, 4}, {10, 2}}, 1});
    layout.welds.push_back({0, 1, 6, 1, 3, 0, 1000.0});
    return layout;
}

TEST_F(Assembly, RecoveredForcesOfEveryWeldAddUpToTheNodesRow)
{
    for (int driven : {-1, 1}) {
        auto e = typedTissue(longStretch());
        ASSERT_TRUE(e);
        e->cells[0]->migrating = 1;
        e->cells[0]->target_area = 130.0;
        if (driven >= 0)
            e->cells[driven]->driven = 1;
        vertexAt(*e, 0, 7)->applied_force[0] = -0.5;
        FemStep fem(*e);
        ASSERT_EQ(upToAssembly(fem), dbReader::STEP_OK);
        ASSERT_EQ(fem.solve(), dbReader::STEP_OK);
        ASSERT_EQ(fem.relax_displacement(), dbReader::STEP_OK);
        ASSERT_EQ(fem.recover_and_break(), dbReader::STEP_OK) << e->message.toStdString();

        int couples = 0;
        double largest = 0.0;
        for (int i = 1; i <= 6; ++i) {
            point3D* v = vertexAt(*e, 0, i);
            ASSERT_EQ(v->mp.size(), 1u);
            point3D* w = v->mp[0];
            const int k = fem.unknown_of(v);
            for (int d = 0; d < 2; ++d) {
                const double row1 = fem.row_times(2 * k + d, fem.U1);
                const double row2 = fem.row_times(2 * k + d, fem.U2);
                EXPECT_NEAR(v->internal_force[d] + w->internal_force[d], row1, 1e-9 * (1 + std::fabs(row1)))
                    << driven << ": weld " << i;
                EXPECT_NEAR(v->internal_force2[d] + w->internal_force2[d], row2, 1e-9 * (1 + std::fabs(row2)))
                    << driven << ": weld " << i;
                largest = std::max(largest, std::fabs(row1));
            }
            ++couples;
        }
        EXPECT_EQ(couples, 6);
        EXPECT_GT(largest, 1e-6);  // the forces are not all zero
    }
}

}  // namespace
