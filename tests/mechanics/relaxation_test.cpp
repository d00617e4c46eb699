// Boundary relaxation of one cell: the explicit sweeps of a free cell
// against an independent computation, welded partners carried along, driven
// cells moved only by their neighbours, and the extra sweeps of a migration
// relaxation that meets a sharp or reflex free vertex.
#include "mechanics_env.h"

#include <vector>

namespace {

using Ring = std::vector<std::pair<double, double>>;

// `sweeps` sweeps of a free ring: D(v) = 0.005 S(v) / ((lo + li) m) with
// S(v) = k (next - v) + k (prev - v) + (p / 2) (unnormalised normals of both sides).
Ring freeSweeps(Ring r, int sweeps, double k, double pressure, double m)
{
    const std::size_t n = r.size();
    for (int s = 0; s < sweeps; ++s) {
        Ring d(n);
        for (std::size_t i = 0; i < n; ++i) {
            const auto& v = r[i];
            const auto& nx = r[(i + 1) % n];
            const auto& pv = r[(i + n - 1) % n];
            const double lo = std::hypot(nx.first - v.first, nx.second - v.second);
            const double li = std::hypot(v.first - pv.first, v.second - pv.second);
            const double Sx = k * (nx.first - v.first) + k * (pv.first - v.first) +
                              0.5 * pressure * ((nx.second - v.second) + (v.second - pv.second));
            const double Sy = k * (nx.second - v.second) + k * (pv.second - v.second) +
                              0.5 * pressure * ((v.first - nx.first) + (pv.first - v.first));
            d[i] = {0.005 * Sx / ((lo + li) * m), 0.005 * Sy / ((lo + li) * m)};
        }
        for (std::size_t i = 0; i < n; ++i) {
            r[i].first += d[i].first;
            r[i].second += d[i].second;
        }
    }
    return r;
}

class Relaxation : public MechanicsTest {
protected:
    static void expectRing(const dbReader& e, int c, const Ring& want, const std::string& what)
    {
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(vertexAt(e, c, int(i))->x, want[i].first, 1e-12) << what << " vertex " << i;
            EXPECT_NEAR(vertexAt(e, c, int(i))->y, want[i].second, 1e-12) << what << " vertex " << i;
        }
    }
};

TEST_F(Relaxation, AFreeCellTakesThreeSweepsOrSixAfterASharpOrReflexVertex)
{
    const double dent = 5.0 * std::tan(10.0 * M_PI / 180.0);  // a 200 degree vertex
    const struct {
        const char* what;
        Ring ring;
        bool migration;
        int sweeps;
    } cases[] = {
        {"square, plain", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, false, 3},
        {"dented, plain", {{0, 0}, {10, 0}, {10, 10}, {5, 10 - dent}, {0, 10}}, false, 3},
        {"dented, migration", {{0, 0}, {10, 0}, {10, 10}, {5, 10 - dent}, {0, 10}}, true, 6},
        {"sharp, migration", {{0, 0}, {30, 4}, {0, 8}}, true, 6},
        // Straight side midpoints (180 degrees) bulge out in the first sweep.
        {"flat sides, migration", {{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}, true, 3},
    };
    for (const auto& k : cases) {
        TissueLayout layout;
        layout.cells.push_back({k.ring, 1});
        auto e = typedTissue(layout);
        ASSERT_TRUE(e);
        cell* c = e->cells[0];
        c->tension = 0.7;
        c->pressure = 0.9;
        c->mass = 0.05;
        c->migrate_relax = k.migration;
        e->cell_simple_relaxation(c, 0);
        expectRing(*e, 0, freeSweeps(k.ring, k.sweeps, 0.7, 0.9, 0.05), k.what);
    }
}

TEST_F(Relaxation, WeldedPartnersMoveAlongAndDrivenCellsOnlyByTheirNeighbours)
{
    {
        auto e = typedTissue(twoWeldedCells());
        ASSERT_TRUE(e);
        const double free1x = vertexAt(*e, 1, 1)->x;
        e->cell_simple_relaxation(e->cells[0], 0);
        for (int i = 1; i <= 3; ++i) {
            point3D* v = vertexAt(*e, 0, i);
            EXPECT_EQ(v->x, v->mp[0]->x) << i;
            EXPECT_EQ(v->y, v->mp[0]->y) << i;
        }
        EXPECT_NE(vertexAt(*e, 0, 2)->x, 10.0);  // the weld moved
        EXPECT_EQ(vertexAt(*e, 1, 1)->x, free1x);  // the neighbour's free vertex did not
        EXPECT_TRUE(topologyIsSound(*e));
    }
    {
        // A driven cell: its own terms are left out, so its free vertices
        // stay and its welds move by the neighbour's terms alone.
        auto e = typedTissue(twoWeldedCells());
        ASSERT_TRUE(e);
        e->cells[0]->driven = 1;
        e->cell_simple_relaxation(e->cells[0], 0);
        EXPECT_EQ(vertexAt(*e, 0, 0)->x, 0.0);
        EXPECT_EQ(vertexAt(*e, 0, 4)->y, 10.0);
        EXPECT_NE(vertexAt(*e, 0, 2)->x, 10.0);
        EXPECT_TRUE(topologyIsSound(*e));
    }
    {
        TissueLayout layout = singleSquare();
        auto e = typedTissue(layout);
        ASSERT_TRUE(e);
        e->cells[0]->driven = 1;
        e->cell_simple_relaxation(e->cells[0], 0);
        expectRing(*e, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, "driven alone");
    }
}

TEST_F(Relaxation, ZeroLengthSidesGiveZeroTermsNotNaN)
{
    auto e = typedTissue(singleSquare());
    ASSERT_TRUE(e);
    point3D* v = vertexAt(*e, 0, 2);
    v->x = v->next->x;  // (10, 10) onto (0, 10)
    v->y = v->next->y;
    e->cell_simple_relaxation(e->cells[0], 0);
    std::string where;
    EXPECT_TRUE(positionsFinite(*e, &where)) << where;
}

}  // namespace
