// Inner mesh of a cell: refinement threshold and order, ears, small and dead
// cells, and the area of the mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "geometry/cd3dw.h"
#include "model/dbreader.h"
#include "support/tissue_fixture.h"

namespace {

constexpr double kH = 9.869604378534024;

std::vector<std::pair<double, double>> regularPolygon(int n, double r, double cx = 0.0, double cy = 0.0)
{
    std::vector<std::pair<double, double>> ring;
    for (int k = 0; k < n; ++k) {
        const double a = 2.0 * 3.14159265358979 * k / n;
        ring.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return ring;
}

std::unique_ptr<dbReader> tissueOf(const std::vector<std::vector<std::pair<double, double>>>& rings)
{
    TissueLayout layout;
    for (const auto& r : rings)
        layout.cells.push_back({r, 0});
    std::string error;
    std::unique_ptr<dbReader> engine = buildTissue(layout, &error);
    EXPECT_TRUE(engine) << error;
    return engine;
}

double signedArea(const point3D* a, const point3D* b, const point3D* c)
{
    return 0.5 * ((b->x - a->x) * (c->y - a->y) - (b->y - a->y) * (c->x - a->x));
}

double polygonArea(const cell* c)
{
    double s = 0.0;
    for (const edge* e : c->sides)
        s += e->p1->x * e->p2->y - e->p2->x * e->p1->y;
    return 0.5 * s;
}

double meshArea(const cell* c)
{
    double s = 0.0;
    for (const triangle* t : c->inner_t)
        s += std::fabs(signedArea(t->a, t->b, t->c));
    return s;
}

bool consecutive(const point3D* a, const point3D* b, const point3D* c)
{
    const point3D* q[3] = {a, b, c};
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            if (x != y && q[x]->next == q[y] && q[y]->next == q[3 - x - y])
                return true;
    return false;
}

// Sound mesh: every triangle keeps one winding and has area, the links to
// the triangles are complete, and each ear carries one slip point.
void expectSoundMesh(const cell* c)
{
    size_t ears = 0;
    for (const triangle* t : c->inner_t) {
        EXPECT_LT(signedArea(t->a, t->b, t->c), -1e-9);
        for (point3D* p : {t->a, t->b, t->c}) {
            int found = 0;
            for (triangle* u : p->inner_at)
                found += u == t;
            EXPECT_EQ(found, 1);
        }
        const bool ear = t->a->boundary && t->b->boundary && t->c->boundary && consecutive(t->a, t->b, t->c);
        EXPECT_EQ(t->ear, ear ? 1 : 0);
        EXPECT_EQ(t->mu, c->mu);
        if (ear) {
            const point3D* s = c->inner_p_slip[ears];
            EXPECT_DOUBLE_EQ(s->x, (t->a->x + t->b->x + t->c->x) / 3.0);
            EXPECT_DOUBLE_EQ(s->y, (t->a->y + t->b->y + t->c->y) / 3.0);
            EXPECT_EQ(s->id, int(ears));
            EXPECT_EQ(s->boundary, 0);
            EXPECT_EQ(s->cell, c);
            ++ears;
        }
    }
    EXPECT_EQ(c->inner_p_slip.size(), ears);
    EXPECT_EQ(c->inner_p_count, int(c->inner_p.size()));
    for (size_t i = 0; i < c->inner_p.size(); ++i) {
        const point3D* p = c->inner_p[i];
        EXPECT_EQ(p->boundary, 0);
        EXPECT_EQ(p->cell, c);
        EXPECT_EQ(p->id, int(i));
        EXPECT_FALSE(p->inner_at.empty());
        bool touches = false;
        for (const triangle* t : p->inner_at)
            touches |= t->a->boundary || t->b->boundary || t->c->boundary;
        EXPECT_EQ(p->deep_inner, touches ? 0 : 1);
    }
}

// Test-side reading of the classes of the refinement, used to replay it.
bool pairPasses(point3D* P, point3D* Q, point3D* R)
{
    return (P->next == Q && !P->out_edge->judge_vert_out_side(R->x, R->y)) ||
           (P->prev == Q && !P->in_edge->judge_vert_out_side(R->x, R->y));
}

int qualifyingClass(CCell* t, cell* c)
{
    point3D* P[3];
    int boundary = 0;
    for (int i = 0; i < 3; ++i) {
        P[i] = t->vertex[i]->point;
        boundary += P[i]->boundary;
    }
    bool inside = boundary < 2;
    if (boundary == 3)
        inside = pairPasses(P[0], P[1], P[2]) || pairPasses(P[0], P[2], P[1]) || pairPasses(P[1], P[2], P[0]);
    if (boundary == 2) {
        std::vector<int> k;
        int r = 0;
        for (int i = 0; i < 3; ++i)
            P[i]->boundary ? k.push_back(i) : void(r = i);
        inside = pairPasses(P[k[0]], P[k[1]], P[r]);
    }
    if (!inside || !c->test_point_inside(t->center_x, t->center_y) || !(t->radius2 / kH > 1.9))
        return 0;
    return 4 - boundary;
}

}  // namespace

TEST(InnerMesh, TwentyGonIsRefinedUntilEveryInnerTriangleIsSmall)
{
    auto engine = tissueOf({regularPolygon(20, 10.0)});
    cell* c = engine->cells[0];
    c->mu = 3.0;
    c->lambda = 4.0;
    engine->cell_interior_resample(c, 0);

    EXPECT_FALSE(c->inner_p.empty());
    EXPECT_LT(c->inner_p.size(), 100u);
    for (const triangle* t : c->inner_t) {
        EXPECT_EQ(t->lambda, 4.0);
        if (c->test_point_inside(t->center_x, t->center_y)) {
            EXPECT_LE(t->radius2 / kH, 1.9);
        }
    }
    expectSoundMesh(c);
    EXPECT_NEAR(meshArea(c), polygonArea(c), 1e-9 * polygonArea(c));
    for (const edge* e : c->sides)
        EXPECT_FALSE(e->p1->inner_at.empty());
}

TEST(InnerMesh, ConvexCellsAreCoveredExactly)
{
    auto engine = tissueOf({regularPolygon(7, 12.0), regularPolygon(32, 18.0, 100, 0),
                            {{0, 100}, {40, 100}, {40, 106}, {0, 106}},
                            {{0, 200}, {3, 200}, {6, 200.5}, {30, 204}, {30, 215}, {10, 212}, {0, 205}}});
    for (cell* c : engine->cells) {
        engine->cell_interior_resample(c, 0);
        SCOPED_TRACE(testing::Message() << "cell " << c->id);
        expectSoundMesh(c);
        EXPECT_NEAR(meshArea(c), polygonArea(c), 1e-9 * polygonArea(c));
    }
}

TEST(InnerMesh, ThresholdIsStrictlyAboveOnePointNine)
{
    // An equilateral cell: one triangle of boundary vertices, its radius2 set
    // to exactly 1.9 h, then to the next double above.
    auto engine = tissueOf({regularPolygon(3, 4.0)});
    cell* c = engine->cells[0];
    // No double gives a quotient of 1.9 exactly: r is the largest whose
    // quotient is not above it, the next double's quotient is.
    double r = 1.9 * kH;
    while (r / kH > 1.9)
        r = std::nextafter(r, 0.0);
    while (std::nextafter(r, 1e300) / kH <= 1.9)
        r = std::nextafter(r, 1e300);
    ASSERT_LE(r / kH, 1.9);
    ASSERT_GT(std::nextafter(r, 1e300) / kH, 1.9);

    for (double radius2 : {r, std::nextafter(r, 1e300)}) {
        double rect[4] = {-1004, -1004, 1004, 1004};
        CD3DW d(rect);
        for (int i = 0; i < 3; ++i) {
            point3D* p = c->sides[i]->p1;
            d.add_resample(p->x, p->y, kH, i + 1, p);
        }
        for (CCell* t : d.cells)
            if (t->alive && !t->has_bounding_vertex())
                t->radius2 = radius2;
        d.add_interior(kH);
        std::vector<point3D*> made;
        for (size_t i = 3; i < d.vertices.size(); ++i)
            made.push_back(d.vertices[i]->point);
        EXPECT_EQ(made.empty(), radius2 == r);
        for (point3D* p : made)
            delete p;
    }
}

TEST(InnerMesh, ClassOneTrianglesAreRefinedFirst)
{
    // Replay the refinement of a long cell: before every inserted point, the
    // point is the power centre of the largest qualifying triangle of the
    // lowest class that has one.
    std::vector<std::pair<double, double>> ring;
    for (int i = 0; i < 14; ++i)
        ring.push_back({i * 3.0, 0.0});
    for (int i = 14; i > 0; --i)
        ring.push_back({i * 3.0, 10.0});
    ring.push_back({0.0, 10.0});
    auto engine = tissueOf({ring, regularPolygon(20, 10.0, 100, 0)});
    std::set<int> classes_used;
    for (cell* c : engine->cells) {
        engine->cell_interior_resample(c, 0);
        ASSERT_FALSE(c->inner_p.empty());

        double rect[4] = {-2000, -2000, 2000, 2000};
        CD3DW d(rect);
        for (size_t i = 0; i < c->sides.size(); ++i) {
            point3D* p = c->sides[i]->p1;
            d.add_resample(p->x, p->y, kH, int(i) + 1, p);
        }
        for (point3D* next : c->inner_p) {
            for (CCell* t : d.cells)
                if (t->has_bounding_vertex())
                    t->alive = 0;
            int lowest = 5;
            CCell* best = nullptr;
            for (CCell* t : d.cells) {
                if (!t->alive)
                    continue;
                const int cls = qualifyingClass(t, c);
                if (cls && (cls < lowest || (cls == lowest && t->radius2 > best->radius2))) {
                    lowest = cls;
                    best = t;
                }
            }
            ASSERT_NE(best, nullptr);
            ASSERT_EQ(next->x, best->center_x);
            ASSERT_EQ(next->y, best->center_y);
            classes_used.insert(lowest);
            d.add_resample(next->x, next->y, kH, 0, next);
        }
    }
    // The disc goes on to class 2 once its class-1 triangles are small.
    EXPECT_GT(classes_used.size(), 1u);
}

TEST(InnerMesh, SmallCellGetsNoInteriorPointAndOneSlipPointPerEar)
{
    auto engine = tissueOf({regularPolygon(6, 2.5), {{0, 10}, {2, 10}, {2.5, 11.5}, {1, 13}, {-0.5, 11.5}}});
    for (cell* c : engine->cells) {
        engine->cell_interior_resample(c, 0);
        EXPECT_TRUE(c->inner_p.empty());
        EXPECT_EQ(c->inner_t.size(), c->sides.size() - 2);
        EXPECT_FALSE(c->inner_p_slip.empty());
        expectSoundMesh(c);
    }
}

TEST(InnerMesh, RebuildClearsMarksAndDeadCellsKeepTheirMesh)
{
    auto engine = tissueOf({regularPolygon(20, 10.0), regularPolygon(20, 10.0, 50, 0)});
    engine->cell_mesh_generation(0);
    cell* live = engine->cells[0];
    cell* dead = engine->cells[1];
    const std::vector<triangle*> kept = dead->inner_t;
    const std::vector<point3D*> kept_points = dead->inner_p;
    ASSERT_FALSE(kept.empty());
    dead->dead = 1;
    dead->remesh = 1;
    live->remesh = 1;
    live->migrate_responded = 1;
    for (cell* c : engine->cells)
        for (edge* e : c->sides) {
            e->p1->migrate_mark = 1;
            e->p1->adhesion_force[0] = 2.0;
            e->p1->adhesion_force[1] = -1.0;
        }

    engine->cell_mesh_generation(1);
    EXPECT_EQ(dead->inner_t, kept);
    EXPECT_EQ(dead->inner_p, kept_points);
    EXPECT_EQ(dead->remesh, 1);
    EXPECT_EQ(live->remesh, 0);
    EXPECT_EQ(live->migrate_responded, 0);
    for (edge* e : live->sides) {
        EXPECT_EQ(e->p1->migrate_mark, 0);
        EXPECT_EQ(e->p1->adhesion_force[0], 0.0);
        EXPECT_EQ(e->p1->adhesion_force[1], 0.0);
    }
    EXPECT_EQ(dead->sides[0]->p1->migrate_mark, 1);
    expectSoundMesh(live);
}

TEST(InnerMesh, CellWithoutSidesOrWithCoincidentVerticesStaysSound)
{
    auto engine = tissueOf({regularPolygon(20, 10.0)});
    cell* c = engine->cells[0];
    engine->cell_interior_resample(c, 0);

    // The mechanics can bring two ring vertices onto one point: the second is
    // left out of the mesh instead of making degenerate triangles.
    point3D* a = c->sides[4]->p1;
    point3D* b = c->sides[5]->p1;
    b->x = a->x;
    b->y = a->y;
    engine->cell_interior_resample(c, 0);
    expectSoundMesh(c);
    EXPECT_NEAR(meshArea(c), polygonArea(c), 1e-9 * polygonArea(c));
    EXPECT_TRUE(b->inner_at.empty());

    cell* empty = new cell(int(engine->cells.size()));
    engine->cells.push_back(empty);
    engine->cell_interior_resample(empty, 0);
    EXPECT_TRUE(empty->inner_t.empty());
    EXPECT_TRUE(empty->inner_p.empty());
    EXPECT_TRUE(empty->inner_p_slip.empty());
}

namespace {

// Shapes the mechanics can leave behind: a cell squashed flat, a sliver, a
// speck, one far from the origin and a ring folded over itself. Meshing must
// come back with a mesh that covers no more than the cell.
TEST(InnerMesh, DegenerateShapesAreMeshedWithinTheCell)
{
    struct Shape {
        const char* name;
        double sx, sy, dx;  // scale of x and y, shift of x
        bool fold;          // mirror the upper half onto the lower
    };
    const Shape shapes[] = {{"flat", 1.0, 0.0, 0.0, false},  {"sliver", 1.0, 1e-3, 0.0, false},
                            {"speck", 1e-6, 1e-6, 0.0, false}, {"far", 1.0, 1.0, 1e7, false},
                            {"folded", 1.0, 1.0, 0.0, true}};
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        auto engine = tissueOf({regularPolygon(20, 10.0)});
        cell* c = engine->cells[0];
        for (edge* e : c->sides) {
            point3D* p = e->p1;
            p->x = p->x * s.sx + s.dx;
            p->y = s.fold ? -std::fabs(p->y) : p->y * s.sy;
        }
        engine->cell_interior_resample(c, 0);
        EXPECT_LE(c->inner_p.size(), 100u);
        double area = 0.0;
        for (const triangle* t : c->inner_t) {
            const double a = signedArea(t->a, t->b, t->c);
            EXPECT_LE(a, 0.0);
            area -= a;
        }
        EXPECT_LE(area, std::fabs(polygonArea(c)) * (1.0 + 1e-6) + 1e-9);
    }
}

} // namespace
