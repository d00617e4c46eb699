// Tissues shared by the contact tests: two cells facing each other along a
// run that is welded only at its two ends, and cells built from centres as
// the tissue loader builds them (regular 20-gons of radius 10); and a record
// of the contact responses a test runs.
#ifndef VANTU_TESTS_CONTACT_CONTACT_FIXTURES_H
#define VANTU_TESTS_CONTACT_CONTACT_FIXTURES_H

#include "contact/response_trace.h"
#include "support/crossings.h"
#include "support/tissue_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// The engine of a layout; a test failure with the reason when the layout is
// refused.
inline std::unique_ptr<dbReader> buildChecked(const TissueLayout& layout)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    return e;
}

// Cell 0 (A) runs from P1 = (0, 0) through kA interior vertices (at y = yA,
// evenly spread) to P2 = (length, 0) along next, then closes above. Cell 1 (B)
// runs from Q2 = (length, 0) through kB interior vertices (at y = yB) to
// Q1 = (0, 0) along next, then closes below. P1-Q1 and P2-Q2 are welded single
// points of one pair (two mergepairs). Ring indices: A: P1 = 0, a_j = j,
// P2 = kA + 1; B: Q2 = 0, b_j = kB + 1 - j (b_1 next to Q1), Q1 = kB + 1.
inline TissueLayout facingRuns(int kA, int kB, double length, double yA = -0.5, double yB = 0.5)
{
    TissueLayout layout;
    FixtureCell a;
    a.ring.push_back({0.0, 0.0});
    for (int j = 1; j <= kA; ++j)
        a.ring.push_back({length * j / (kA + 1), yA});
    a.ring.push_back({length, 0.0});
    a.ring.push_back({length, 10.0});
    a.ring.push_back({0.0, 10.0});
    FixtureCell b;
    b.ring.push_back({length, 0.0});
    for (int j = kB; j >= 1; --j)
        b.ring.push_back({length * j / (kB + 1), yB});
    b.ring.push_back({0.0, 0.0});
    b.ring.push_back({0.0, -10.0});
    b.ring.push_back({length, -10.0});
    layout.cells = {a, b};
    layout.welds.push_back(FixtureWeld{0, 0, 0, 1, kB + 1, kB + 1});
    layout.welds.push_back(FixtureWeld{0, kA + 1, kA + 1, 1, 0, 0});
    return layout;
}

// A above B, their facing runs welded at (10, 0) only; X to the left,
// welded to A at (0, 0), where B's corner lies too.
inline TissueLayout besideTheRun()
{
    TissueLayout l = facingRuns(0, 0, 10.0);
    l.welds.erase(l.welds.begin());
    l.cells.push_back(FixtureCell{{{0, 0}, {-5, 5}, {-5, -5}}, 0});
    l.welds.push_back({0, 0, 0, 2, 0, 0});
    return l;
}

// The vertices strictly between `from` and `to` along next (or prev).
inline std::vector<point3D*> ringBetween(point3D* from, point3D* to, bool backward)
{
    std::vector<point3D*> out;
    point3D* v = backward ? from->prev : from->next;
    for (int k = 0; v != to && k < 100; ++k) {
        out.push_back(v);
        v = backward ? v->prev : v->next;
    }
    return out;
}

// facingRuns built into an engine, with its ends, runs (a along next from
// P1, b along prev from Q1), cells and pair at hand.
struct FacingPieces {
    void build(int kA, int kB, double length)
    {
        std::string error;
        engine = buildTissue(facingRuns(kA, kB, length), &error);
        ASSERT_TRUE(engine) << error;
        P1 = vertexAt(*engine, 0, 0);
        P2 = vertexAt(*engine, 0, kA + 1);
        Q2 = vertexAt(*engine, 1, 0);
        Q1 = vertexAt(*engine, 1, kB + 1);
        a = ringBetween(P1, P2, false);
        b = ringBetween(Q1, Q2, true);
        A = engine->cells[0];
        B = engine->cells[1];
        pair = engine->interpairs[0];
        length_ = length;
    }

    std::unique_ptr<dbReader> engine;
    point3D *P1 = nullptr, *P2 = nullptr, *Q1 = nullptr, *Q2 = nullptr;
    std::vector<point3D*> a, b;
    cell *A = nullptr, *B = nullptr;
    interpair* pair = nullptr;
    double length_ = 0.0;
};

// Cp (cell 0) and Cq (cell 1) welded by their ring vertices pAt and qAt to
// the opposite corners W0 = (5, 0) and W3 = (-5, 0) of the hexagon W
// (cell 2) round the origin; further welds follow.
inline TissueLayout pinchAcrossHexagon(const FixtureCell& cp, int pAt, const FixtureCell& cq, int qAt)
{
    TissueLayout l;
    l.cells = {cp, cq};
    FixtureCell w;
    for (int k = 0; k < 6; ++k)
        w.ring.push_back({5.0 * std::cos(k * 3.14159265358979 / 3.0), 5.0 * std::sin(k * 3.14159265358979 / 3.0)});
    l.cells.push_back(w);
    l.welds.push_back({0, pAt, pAt, 2, 0, 0});
    l.welds.push_back({1, qAt, qAt, 2, 3, 3});
    return l;
}

// After p (on Cp) was fused with q (on Cq) at W's centre: the loop W0..W2
// that starts at p's partner was cut, W3 is the junction of all three.
inline void expectHexagonPinchedAtW3(const dbReader& e, point3D* p, point3D* q, const std::vector<point3D*>& W)
{
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(bool(W[k]->alive), k >= 3) << "W" << k;
    EXPECT_EQ(e.cells[2]->sides.size(), 3u);
    EXPECT_TRUE(p->checkmp(q) && p->checkmp(W[3]) && q->checkmp(W[3]));
    EXPECT_NEAR(W[3]->x, 0.0, 1e-12);
    EXPECT_TRUE(e.cells[2]->remesh);
}

// A cell as the centre-based loader builds it.
inline FixtureCell twentyGon(double cx, double cy)
{
    FixtureCell c;
    for (int j = 0; j < 20; ++j) {
        if (j == 0)
            c.ring.push_back({cx + 10.0, cy + 0.0});
        else
            c.ring.push_back({cx + 10.0 * std::cos(j * 0.314159265), cy + 10.0 * std::sin(j * 0.314159265)});
    }
    return c;
}

// Two 20-gons 17 apart whose facing vertices 0 (of cell 0) and 10 (of cell 1)
// both sit at (8.5, 0), welded there; their boundaries cross above and below
// the weld.
inline TissueLayout weldedAtOnePoint()
{
    TissueLayout layout;
    FixtureCell a = twentyGon(0.0, 0.0);
    FixtureCell b = twentyGon(17.0, 0.0);
    a.ring[0] = {8.5, 0.0};
    b.ring[10] = {8.5, 0.0};
    layout.cells = {a, b};
    layout.welds.push_back(FixtureWeld{0, 0, 0, 1, 10, 10});
    return layout;
}

// Every field of every record a merge may touch, as text.
inline std::string snapshot(const dbReader& e)
{
    std::ostringstream out;
    for (const point3D* p : e.points) {
        out << p->id << ' ' << p->x << ' ' << p->y << ' ' << int(p->alive) << ' ' << p->next->id << ' '
            << p->prev->id << ' ' << p->out_edge->id << ' ' << p->in_edge->id << ' '
            << (p->node ? p->node->id : -1) << ':';
        for (const point3D* q : p->mp)
            out << q->id << ',';
        out << '\n';
    }
    for (const edge* d : e.edges)
        out << d->id << ' ' << d->p1->id << ' ' << d->p2->id << ' ' << int(d->bonded) << ' ' << int(d->in_use)
            << ' ' << (d->partner ? d->partner->id : -1) << ' ' << (d->pair ? d->pair->id : -1) << '\n';
    for (const node* n : e.nodes) {
        out << n->id << ' ' << int(n->active) << ':';
        for (const point3D* v : n->vertices)
            out << v->id << ',';
        out << '\n';
    }
    for (const cell* c : e.cells) {
        out << c->id << ' ' << int(c->remesh) << ':';
        for (const edge* s : c->sides)
            out << s->id << ',';
        out << '\n';
    }
    for (const interpair* p : e.interpairs) {
        out << p->id << ' ' << int(p->removed) << ':';
        for (const mergepair* m : p->MP)
            out << m->S1->id << ' ' << m->S2->id << ' ' << m->T1->id << ' ' << m->T2->id << ';';
        out << '\n';
    }
    return out.str();
}

// Records the responses entered while it lives.
struct ResponseLog {
    ResponseLog() { welding::record_responses(&calls); }
    ~ResponseLog() { welding::record_responses(nullptr); }
    ResponseLog(const ResponseLog&) = delete;
    ResponseLog& operator=(const ResponseLog&) = delete;
    std::vector<welding::ResponseCall> calls;
};

// Orientation of c against the line a -> b (twice the signed area).
inline double orient(std::pair<double, double> a, std::pair<double, double> b, std::pair<double, double> c)
{
    return (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
}

#endif
