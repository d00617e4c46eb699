// Weighted Delaunay triangulation: worked examples, degenerate input and
// random point sets checked for validity after the inserts.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "geometry/cd3dw.h"
#include "triangulation_check.h"

namespace {

constexpr double kH = 9.869604378534024;

struct Pt {
    double x, y, z;
};

std::vector<Pt> randomPoints(unsigned seed, int n, double size, bool weighted)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> pos(0.0, size);
    std::uniform_real_distribution<double> w(1.0, 10.0);
    std::vector<Pt> pts;
    for (int i = 0; i < n; ++i)
        pts.push_back({pos(gen), pos(gen), weighted ? w(gen) : kH});
    return pts;
}

// The box of the points widened by 1000, as every caller passes it.
std::vector<double> boxOf(const std::vector<Pt>& pts)
{
    double r[4] = {1e12, 1e12, -1e12, -1e12};
    for (const Pt& p : pts) {
        r[0] = std::min(r[0], p.x);
        r[1] = std::min(r[1], p.y);
        r[2] = std::max(r[2], p.x);
        r[3] = std::max(r[3], p.y);
    }
    return {r[0] - 1000, r[1] - 1000, r[2] + 1000, r[3] + 1000};
}

std::vector<const CCell*> aliveInner(const CD3DW& d)
{
    std::vector<const CCell*> out;
    for (const CCell* c : d.cells)
        if (c->alive && !c->has_bounding_vertex())
            out.push_back(c);
    return out;
}

}  // namespace

TEST(CD3DW, PowerCentreAndRadius2OfEqualWeightsIsTheCircumcircle)
{
    // Circumradius 2 around (5, 5): radius2 subtracts no weight.
    std::vector<Pt> pts;
    for (int k = 0; k < 3; ++k) {
        const double a = 0.3 + k * 2.0 * 3.14159265358979 / 3.0;
        pts.push_back({5.0 + 2.0 * std::cos(a), 5.0 + 2.0 * std::sin(a), kH});
    }
    std::vector<double> rect = boxOf(pts);
    CD3DW d(rect.data());
    for (int i = 0; i < 3; ++i)
        d.add_resample(pts[i].x, pts[i].y, pts[i].z, i + 1, nullptr);
    auto inner = aliveInner(d);
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_NEAR(inner[0]->radius2, 4.0, 1e-9);
    EXPECT_NEAR(inner[0]->center_x, 5.0, 1e-9);
    EXPECT_NEAR(inner[0]->center_y, 5.0, 1e-9);
    EXPECT_EQ(checkTriangulation(d), "");
}

TEST(CD3DW, StoredCentresHaveEqualPowerToTheirEnds)
{
    CXYZW a, b, c;
    a.x = 0; a.y = 0; a.z = 3;
    b.x = 10; b.y = 0; b.z = 1;
    c.x = 4; c.y = 7; c.z = 2;
    auto power = [](double x, double y, const CXYZW& v) {
        return (x - v.x) * (x - v.x) + (y - v.y) * (y - v.y) - v.z * v.z;
    };
    CEdge e;
    e.org = &a;
    e.dest = &b;
    e.set_center();
    EXPECT_NEAR(e.center_y, 0.0, 1e-12);
    EXPECT_NEAR(power(e.center_x, e.center_y, a), power(e.center_x, e.center_y, b), 1e-9);
    EXPECT_NEAR(e.center_x, 5.4, 1e-12);  // t = 0.5 - 8 * 0.5 / 100

    CCell t;
    t.vertex[0] = &a;
    t.vertex[1] = &b;
    t.vertex[2] = &c;
    t.set_center();
    EXPECT_NEAR(power(t.center_x, t.center_y, a), power(t.center_x, t.center_y, b), 1e-9);
    EXPECT_NEAR(power(t.center_x, t.center_y, a), power(t.center_x, t.center_y, c), 1e-9);
    EXPECT_NEAR(t.radius2, t.center_x * t.center_x + t.center_y * t.center_y, 1e-9);
}

TEST(CD3DW, BoundingTriangleAndRoot)
{
    double rect[4] = {0, 0, 10, 20};
    CD3DW d(rect);
    EXPECT_DOUBLE_EQ(d.bound[0]->x, -5.0);
    EXPECT_DOUBLE_EQ(d.bound[0]->y, 0.0);
    EXPECT_DOUBLE_EQ(d.bound[1]->x, 5.0);
    EXPECT_DOUBLE_EQ(d.bound[1]->y, 40.0);
    EXPECT_DOUBLE_EQ(d.bound[2]->x, 15.0);
    EXPECT_EQ(d.bound[2]->id, -3);
    ASSERT_EQ(d.edges.size(), 6u);
    ASSERT_EQ(d.cells.size(), 1u);
    for (const CEdge* e : d.edges) {
        EXPECT_EQ(e->flags, CEdge::FLAG_EXCLUDED);
        EXPECT_EQ(e->face, d.cells[0]);
        EXPECT_EQ(e->radius, -10.0);
        EXPECT_EQ(e->rot->org, e->org);
    }
    EXPECT_EQ(d.edges[0]->org, d.bound[0]);
    EXPECT_EQ(d.edges[1]->org, d.bound[1]);
    EXPECT_EQ(d.edges[4]->org, d.bound[2]);
    EXPECT_EQ(checkTriangulation(d), "");
}

TEST(CD3DW, PointWithinToleranceOfAnEdgeSplitsTheEdge)
{
    double rect[4] = {-1000, -1000, 1010, 1010};
    CD3DW d(rect);
    d.add(0, 0, 1, 1, nullptr);
    d.add(10, 0, 1, 2, nullptr);
    d.add(5, 8, 1, 3, nullptr);
    d.add(5, -8, 1, 4, nullptr);
    ASSERT_EQ(checkTriangulation(d), "");

    // The shared edge (0,0)-(10,0): a point 5e-9 off it has an orientation
    // value of 5e-8 against that edge, inside the 1e-7 tolerance.
    CEdge* shared = nullptr;
    for (CEdge* e : d.edges)
        if (!(e->flags & CEdge::FLAG_EXCLUDED) && e->org->id == 1 && e->dest->id == 2)
            shared = e;
    ASSERT_NE(shared, nullptr);
    CCell* T = shared->face;
    CCell* U = shared->twin->face;
    const size_t cells_before = d.cells.size();
    d.add(4.0, 5e-9, 1, 5, nullptr);

    EXPECT_TRUE(shared->flags & CEdge::FLAG_EXCLUDED);
    EXPECT_TRUE(shared->twin->flags & CEdge::FLAG_EXCLUDED);
    EXPECT_EQ(T->alive, 0);
    EXPECT_EQ(U->alive, 0);
    EXPECT_NE(T->child[1], nullptr);
    EXPECT_EQ(T->child[2], nullptr);
    EXPECT_NE(U->child[1], nullptr);
    EXPECT_EQ(U->child[2], nullptr);
    EXPECT_GE(d.cells.size(), cells_before + 4);
    for (CCell* c : {T->child[0], T->child[1], U->child[0], U->child[1]}) {
        bool has_p = false;
        for (CXYZW* v : c->vertex)
            has_p |= v->id == 5;
        EXPECT_TRUE(has_p);
    }
    EXPECT_EQ(checkTriangulation(d), "");

    // A point further off the edge splits its triangle inside.
    const size_t before = d.cells.size();
    d.add(7.0, 1e-6, 1, 6, nullptr);
    EXPECT_GE(d.cells.size(), before + 3);
    EXPECT_EQ(checkTriangulation(d), "");
}

TEST(CD3DW, AddAndAddResampleGiveTheSameTriangles)
{
    const std::vector<Pt> pts = randomPoints(7, 300, 100.0, true);
    std::vector<double> rect = boxOf(pts);
    CD3DW plain(rect.data());
    CD3DW resampled(rect.data());
    for (size_t i = 0; i < pts.size(); ++i) {
        plain.add(pts[i].x, pts[i].y, pts[i].z, int(i) + 1, nullptr);
        resampled.add_resample(pts[i].x, pts[i].y, pts[i].z, int(i) + 1, nullptr);
    }
    ASSERT_EQ(plain.cells.size(), resampled.cells.size());
    ASSERT_EQ(plain.edges.size(), resampled.edges.size());
    for (size_t k = 0; k < plain.cells.size(); ++k) {
        const CCell* a = plain.cells[k];
        const CCell* b = resampled.cells[k];
        ASSERT_EQ(a->alive, b->alive);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(a->vertex[i]->id, b->vertex[i]->id);
        EXPECT_EQ(a->center_x, b->center_x);
        if (k > 0) {
            EXPECT_EQ(a->radius2, -10.0);
        }
        EXPECT_GE(b->radius2, 0.0);
    }
    for (size_t k = 0; k < plain.edges.size(); ++k)
        ASSERT_EQ(plain.edges[k]->flags, resampled.edges[k]->flags);
}

TEST(CD3DW, WeightsMoveCentresButNeverFlips)
{
    std::vector<Pt> light = randomPoints(11, 200, 50.0, false);
    std::vector<Pt> heavy = light;
    std::mt19937 gen(3);
    for (Pt& p : heavy)
        p.z = std::uniform_real_distribution<double>(0.5, 20.0)(gen);
    std::vector<double> rect = boxOf(light);
    CD3DW a(rect.data()), b(rect.data());
    for (size_t i = 0; i < light.size(); ++i) {
        a.add_resample(light[i].x, light[i].y, light[i].z, int(i) + 1, nullptr);
        b.add_resample(heavy[i].x, heavy[i].y, heavy[i].z, int(i) + 1, nullptr);
    }
    ASSERT_EQ(a.cells.size(), b.cells.size());
    for (size_t k = 0; k < a.cells.size(); ++k)
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(a.cells[k]->vertex[i]->id, b.cells[k]->vertex[i]->id);
    EXPECT_EQ(checkEmptyPowerCircles(a), "");
    EXPECT_EQ(checkEmptyCircumcircles(b), "");
}

TEST(CD3DW, RandomWeightedPointSetsStayValid)
{
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        for (int n : {10, 100, 1000, 10000}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << n << " points");
            const std::vector<Pt> pts = randomPoints(seed, n, std::sqrt(double(n)) * 10.0, true);
            std::vector<double> rect = boxOf(pts);
            CD3DW d(rect.data());
            for (size_t i = 0; i < pts.size(); ++i)
                d.add(pts[i].x, pts[i].y, pts[i].z, int(i) + 1, nullptr);
            ASSERT_EQ(d.vertices.size(), size_t(n));
            // The sides of the bounding triangle are never flipped.
            for (int k : {0, 2, 4}) {
                EXPECT_EQ(d.edges[k]->face->alive, 1);
            }
            EXPECT_EQ(checkTriangulation(d), "");
            if (n <= 1000) {
                EXPECT_EQ(checkEmptyCircumcircles(d), "");
            }
        }
    }
}

TEST(CD3DW, EqualWeightsLeaveEveryPowerCircleEmpty)
{
    for (unsigned seed : {5u, 6u}) {
        const std::vector<Pt> pts = randomPoints(seed, 800, 300.0, false);
        std::vector<double> rect = boxOf(pts);
        CD3DW d(rect.data());
        for (size_t i = 0; i < pts.size(); ++i)
            d.add_resample(pts[i].x, pts[i].y, pts[i].z, int(i) + 1, nullptr);
        EXPECT_EQ(checkTriangulation(d), "");
        EXPECT_EQ(checkEmptyPowerCircles(d), "");
    }
}

TEST(CD3DW, CoincidentAndNearCoincidentPointsAreSkipped)
{
    std::vector<Pt> pts = randomPoints(9, 400, 60.0, true);
    std::vector<double> rect = boxOf(pts);
    CD3DW d(rect.data());
    for (size_t i = 0; i < pts.size(); ++i)
        d.add(pts[i].x, pts[i].y, pts[i].z, int(i) + 1, nullptr);
    const size_t n = d.vertices.size();
    // Exact repeats and repeats moved by far less than the tolerance allows.
    for (size_t i = 0; i < pts.size(); i += 3) {
        d.add(pts[i].x, pts[i].y, 1.0, 10000 + int(i), nullptr);
        d.add(pts[i].x + 1e-10, pts[i].y - 1e-10, 1.0, 20000 + int(i), nullptr);
    }
    // Beside the outermost points the edges run to the bounding vertices,
    // thousands of units long: the orientation tolerance alone lets a point
    // 5e-9 away through.
    size_t west = 0, south = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (pts[i].x < pts[west].x)
            west = i;
        if (pts[i].y < pts[south].y)
            south = i;
    }
    for (size_t i : {west, south}) {
        d.add(pts[i].x - 5e-9, pts[i].y, 1.0, 30000, nullptr);
        d.add(pts[i].x, pts[i].y - 5e-9, 1.0, 30001, nullptr);
        d.add(pts[i].x - 4e-9, pts[i].y - 4e-9, 1.0, 30002, nullptr);
    }
    EXPECT_EQ(d.vertices.size(), n);
    EXPECT_EQ(checkTriangulation(d), "");
}

TEST(CD3DW, GridAndCocircularPointsStayValid)
{
    // Many collinear and co-circular points: the tolerance cases of the split
    // and the flip test all meet here.
    std::vector<Pt> pts;
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 30; ++j)
            pts.push_back({i * 3.0, j * 3.0, kH});
    for (int k = 0; k < 64; ++k) {
        const double a = k * 2.0 * 3.14159265 / 64.0;
        pts.push_back({45.0 + 20.5 * std::cos(a), 45.0 + 20.5 * std::sin(a), kH});
    }
    std::vector<double> rect = boxOf(pts);
    CD3DW d(rect.data());
    for (size_t i = 0; i < pts.size(); ++i)
        d.add_resample(pts[i].x, pts[i].y, pts[i].z, int(i) + 1, nullptr);
    EXPECT_EQ(checkTriangulation(d), "");
    EXPECT_EQ(checkEmptyCircumcircles(d), "");

    // Collinear points only: edge splits all along the line.
    std::vector<Pt> line;
    for (int i = 0; i < 50; ++i)
        line.push_back({i * 2.0, i * 1.0, 1.0});
    std::vector<double> r2 = boxOf(line);
    CD3DW l(r2.data());
    for (size_t i = 0; i < line.size(); ++i)
        l.add(line[(i * 17) % 50].x, line[(i * 17) % 50].y, 1.0, int(i) + 1, nullptr);
    EXPECT_EQ(l.vertices.size(), 50u);
    EXPECT_EQ(checkTriangulation(l), "");
}

TEST(CD3DW, UnusableRectanglesAndOutsidePointsInsertNothing)
{
    double inverted[4] = {99000, 99000, -99000, -99000};
    double empty[4] = {5, 5, 5, 10};
    double nan[4] = {0, std::nan(""), 10, 10};
    for (double* rect : {inverted, empty, nan}) {
        CD3DW d(rect);
        d.add(0, 0, 1, 1, nullptr);
        d.add_resample(5, 7, 1, 2, nullptr);
        EXPECT_TRUE(d.vertices.empty());
        EXPECT_EQ(d.cells.size(), 1u);
        EXPECT_TRUE(std::isfinite(d.cells[0]->center_x));
        EXPECT_TRUE(std::isfinite(d.edges[0]->center_x));
    }

    double rect[4] = {0, 0, 10, 10};
    CD3DW d(rect);
    d.add(5, 5, 1, 1, nullptr);
    d.add(-100, 5, 1, 2, nullptr);                // outside the bounding triangle
    d.add(5, 0, 1, 3, nullptr);                   // on its base
    d.add(std::nan(""), 5, 1, 4, nullptr);         // not a number
    d.add(5, std::numeric_limits<double>::infinity(), 1, 5, nullptr);
    d.add(3, 4, 1, 6, nullptr);
    ASSERT_EQ(d.vertices.size(), 2u);
    EXPECT_EQ(d.vertices[1]->id, 6);
    EXPECT_EQ(checkTriangulation(d), "");
}
