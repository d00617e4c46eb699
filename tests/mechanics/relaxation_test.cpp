// Boundary relaxation of one cell: the explicit sweeps against an
// independent computation, welded partners carried along, driven cells moved
// only by their neighbours, and the extra sweeps of a migration relaxation
// that meets a sharp or reflex free vertex, exact 30 and 180 degrees not.
#include "mechanics_env.h"

#include <map>
#include <vector>

namespace {

using Ring = std::vector<std::pair<double, double>>;
using Rings = std::vector<Ring>;

// `sweeps` sweeps of `relaxed` in a layout whose junctions hold at most two
// vertices, every vertex by the simple sum of its junction (for a vertex
// welded to nobody the weighted sum is the same):
//   D(v) = 0.005 F / ((lo(v) + li(v)) m),  F = sum of S(u) over v and its partner
//   S(u) = k (next - u) + k (prev - u) + (p / 2) (unnormalised normals of both sides)
// leaving out the terms of the relaxed cell when it is driven. D(v) moves v
// and its partner.
Rings simpleSweeps(const TissueLayout& layout, int relaxed, bool driven, int sweeps, double k, double pressure,
                   double m)
{
    Rings r;
    for (const FixtureCell& c : layout.cells)
        r.push_back(c.ring);
    std::map<std::pair<int, int>, std::pair<int, int>> partner;
    for (const FixtureWeld& w : layout.welds) {
        const int n1 = int(r[w.cell1].size()), n2 = int(r[w.cell2].size());
        for (int i = 0; i <= (w.s2 - w.s1 + n1) % n1; ++i) {
            const std::pair<int, int> a{w.cell1, (w.s1 + i) % n1}, b{w.cell2, (w.t2 - i + n2) % n2};
            partner[a] = b;
            partner[b] = a;
        }
    }
    auto S = [&](std::pair<int, int> u, double out[2]) {
        const Ring& ring = r[u.first];
        const std::size_t n = ring.size(), i = std::size_t(u.second);
        const auto& v = ring[i];
        const auto& nx = ring[(i + 1) % n];
        const auto& pv = ring[(i + n - 1) % n];
        out[0] += k * (nx.first - v.first) + k * (pv.first - v.first) +
                  0.5 * pressure * ((nx.second - v.second) + (v.second - pv.second));
        out[1] += k * (nx.second - v.second) + k * (pv.second - v.second) +
                  0.5 * pressure * ((v.first - nx.first) + (pv.first - v.first));
    };
    for (int s = 0; s < sweeps; ++s) {
        const Ring& ring = r[relaxed];
        const std::size_t n = ring.size();
        Ring d(n);
        for (std::size_t i = 0; i < n; ++i) {
            double F[2] = {0.0, 0.0};
            if (!driven)
                S({relaxed, int(i)}, F);
            const auto p = partner.find({relaxed, int(i)});
            if (p != partner.end())
                S(p->second, F);
            const auto& v = ring[i];
            const auto& nx = ring[(i + 1) % n];
            const auto& pv = ring[(i + n - 1) % n];
            const double lo = std::hypot(nx.first - v.first, nx.second - v.second);
            const double li = std::hypot(v.first - pv.first, v.second - pv.second);
            d[i] = {0.005 * F[0] / ((lo + li) * m), 0.005 * F[1] / ((lo + li) * m)};
        }
        for (std::size_t i = 0; i < n; ++i) {
            std::vector<std::pair<int, int>> moved{{relaxed, int(i)}};
            const auto p = partner.find({relaxed, int(i)});
            if (p != partner.end())
                moved.push_back(p->second);
            for (const auto& q : moved) {
                r[q.first][q.second].first += d[i].first;
                r[q.first][q.second].second += d[i].second;
            }
        }
    }
    return r;
}

// The interior angle of ring vertex i as the vertex itself reads it.
double angleAt(const Ring& ring, std::size_t i)
{
    const std::size_t n = ring.size();
    point3D v(0, ring[i].first, ring[i].second);
    point3D prev(1, ring[(i + n - 1) % n].first, ring[(i + n - 1) % n].second);
    point3D next(2, ring[(i + 1) % n].first, ring[(i + 1) % n].second);
    v.prev = &prev;
    v.next = &next;
    return v.point_angle();
}

// Moves the ring neighbour before vertex i up or down an ulp at a time until
// the angle at i reads exactly `degrees` (`below`: until it reads just under).
bool nudgeAngle(Ring& ring, std::size_t i, double degrees, bool below)
{
    double& y = ring[(i + ring.size() - 1) % ring.size()].second;
    const double y0 = y, a0 = angleAt(ring, i);
    y += 1e-3;
    const double up = angleAt(ring, i) > a0 ? 1e9 : -1e9;  // the way y widens the angle
    y = y0;
    for (int k = 0; k < 100000; ++k) {
        const double a = angleAt(ring, i);
        if (below ? a < degrees : a == degrees)
            return true;
        y = std::nextafter(y, a < degrees ? up : -up);
    }
    return false;
}

TissueLayout oneCell(const Ring& ring)
{
    TissueLayout layout;
    layout.cells.push_back({ring, 1});
    return layout;
}

// A driven cell with a tip of about 30 degrees between free sides, welded
// along its right side to a free square: the driven cell's free vertices
// never move (its own terms are left out), so the tip is read in the second
// sweep where it was placed, while the welds move by the square's terms.
TissueLayout drivenTip(bool below)
{
    TissueLayout layout = twoWeldedCells();
    Ring& ring = layout.cells[0].ring;
    ring.push_back({-5.0 / std::tan(15.0 * 3.14159265 / 180.0), 5.0});
    const bool exact = nudgeAngle(ring, ring.size() - 1, 30.0, below);
    EXPECT_TRUE(exact);
    return layout;
}

class Relaxation : public MechanicsTest {
protected:
    static void expectRings(const dbReader& e, const Rings& want, const std::string& what)
    {
        for (std::size_t c = 0; c < want.size(); ++c)
            for (std::size_t i = 0; i < want[c].size(); ++i) {
                const point3D* v = vertexAt(e, int(c), int(i));
                EXPECT_NEAR(v->x, want[c][i].first, 1e-12) << what << " cell " << c << " vertex " << i;
                EXPECT_NEAR(v->y, want[c][i].second, 1e-12) << what << " cell " << c << " vertex " << i;
            }
    }
};

TEST_F(Relaxation, ThreeSweepsOrSixAfterASharpOrReflexFreeVertex)
{
    const double dent = 5.0 * std::tan(10.0 * M_PI / 180.0);  // a 200 degree vertex
    const Ring dented = {{0, 0}, {10, 0}, {10, 10}, {5, 10 - dent}, {0, 10}};
    // Inner vertices of a straight run: at pressure 0 their springs cancel
    // exactly, so the first sweep leaves vertices 1 to 3 in line and vertex 2
    // is read at exactly 180 degrees.
    const Ring straight = {{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {40, 40}, {0, 40}};
    const struct {
        const char* what;
        TissueLayout layout;
        bool migration;
        int sweeps;
        double pressure = 0.9;
        bool driven = false;
        int exactVertex = -1;  // read in the second sweep at exactly `exactAngle`
        double exactAngle = 0.0;
    } cases[] = {
        {"square, plain", singleSquare(), false, 3},
        {"dented, plain", oneCell(dented), false, 3},
        {"dented, migration", oneCell(dented), true, 6},
        {"sharp, migration", oneCell({{0, 0}, {30, 4}, {0, 8}}), true, 6},
        // Straight side midpoints (180 degrees) bulge out in the first sweep.
        {"flat sides, migration", oneCell({{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}),
         true, 3},
        {"exactly 180 after the first sweep, migration", oneCell(straight), true, 3, 0.0, false, 2, 180.0},
        {"driven, free tip at exactly 30, migration", drivenTip(false), true, 3, 0.9, true, 5, 30.0},
        {"driven, free tip just under 30, migration", drivenTip(true), true, 6, 0.9, true},
    };
    for (const auto& k : cases) {
        auto e = typedTissue(k.layout);
        ASSERT_TRUE(e) << k.what;
        cell* c = e->cells[0];
        c->tension = 0.7;
        c->pressure = k.pressure;
        c->mass = 0.05;
        c->migrate_relax = k.migration;
        c->driven = k.driven;
        if (k.exactVertex >= 0) {
            // The vertex and its ring neighbours stand where the second sweep
            // reads them.
            const Ring& placed = k.layout.cells[0].ring;
            const Rings first = simpleSweeps(k.layout, 0, k.driven, 1, 0.7, k.pressure, 0.05);
            for (int d = -1; d <= 1; ++d) {
                const std::size_t i = (k.exactVertex + d + placed.size()) % placed.size();
                ASSERT_EQ(first[0][i], placed[i]) << k.what << " vertex " << i;
            }
            ASSERT_EQ(vertexAt(*e, 0, k.exactVertex)->point_angle(), k.exactAngle) << k.what;
        }
        e->cell_simple_relaxation(c, 0);
        expectRings(*e, simpleSweeps(k.layout, 0, k.driven, k.sweeps, 0.7, k.pressure, 0.05), k.what);
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
        expectRings(*e, {singleSquare().cells[0].ring}, "driven alone");
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

TEST_F(Relaxation, ANeighboursShortJunctionSidePullsADrivenJunctionPastItsEnd)
{
    // Cells 0 and 1 share a side from (10, 10 - gap) up to the junction
    // (10, 10) with the driven cell 2 above them. The neighbours' terms are
    // scaled to the driven cell's own side length (10), so their shared side
    // pulls the junction as hard whether it is short or long: the three
    // sweeps (about 0.35 each here) carry the junction as far down along a
    // side of 0.8 as along one of 5, past the short side's end, which folds.
    const double gaps[] = {0.8, 5.0};
    double y[2];
    for (int g = 0; g < 2; ++g) {
        TissueLayout layout;
        layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10 - gaps[g]}, {10, 10}, {0, 10}}, 1});
        layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 10 - gaps[g]}}, 1});
        layout.cells.push_back({{{0, 10}, {10, 10}, {20, 10}, {20, 20}, {0, 20}}, 1});
        layout.welds = {{0, 1, 3, 1, 3, 0}, {0, 3, 4, 2, 0, 1}, {1, 2, 3, 2, 1, 2}};
        auto e = typedTissue(layout);
        ASSERT_TRUE(e);
        cell* c = e->cells[2];
        c->driven = 1;
        c->tension = 1.0;
        c->pressure = 0.6;
        c->mass = 0.01;
        point3D* junction = vertexAt(*e, 2, 1);
        ASSERT_EQ(junction->node->vertices.size(), 3u);
        e->cell_simple_relaxation(c, 0);
        y[g] = junction->y;
        EXPECT_EQ(vertexAt(*e, 0, 3)->y, y[g]);  // the neighbours' junction vertices came along
        EXPECT_EQ(vertexAt(*e, 1, 3)->y, y[g]);
    }
    EXPECT_EQ(y[0], y[1]);
    EXPECT_LT(y[0], 10 - gaps[0]);
    EXPECT_NEAR(y[1], 10 - 3 * 0.35, 0.1);
}
