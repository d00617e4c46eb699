// Tissues and checks shared by the division and migration tests.
#ifndef VANTU_TESTS_BIOLOGY_DIVISION_FIXTURES_H
#define VANTU_TESTS_BIOLOGY_DIVISION_FIXTURES_H

#include "model/parameter_tables.h"
#include "support/crossings.h"
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

// Every test starts from a seeded rand() and leaves no table entries behind.
class DivisionTest : public ::testing::Test {
protected:
    void SetUp() override { std::srand(1); }
    void TearDown() override { clear_parameter_tables(); }

    std::unique_ptr<dbReader> build(const TissueLayout& layout)
    {
        std::string error;
        std::unique_ptr<dbReader> e = buildTissue(layout, &error);
        EXPECT_TRUE(e) << error;
        return e;
    }
};

// Strengths of two cell types and their adhesion, for one test: the table
// entries are given back when it goes (the strengths go with the tables).
class AdhesionOfTypes {
public:
    AdhesionOfTypes(int a, double strengthA, int b, double strengthB, double adhesion)
        : a(a), b(b), saved(adhesion_pair_array[a][b])
    {
        index_stren_class[a] = strengthA;
        index_stren_class[b] = strengthB;
        adhesion_pair_array[a][b] = adhesion_pair_array[b][a] = adhesion;
    }
    ~AdhesionOfTypes() { adhesion_pair_array[a][b] = adhesion_pair_array[b][a] = saved; }
    AdhesionOfTypes(const AdhesionOfTypes&) = delete;
    AdhesionOfTypes& operator=(const AdhesionOfTypes&) = delete;

private:
    int a, b;
    double saved;
};

// A regular polygon of n vertices, vertex k at angle k * 360 / n degrees.
inline FixtureCell regularPolygon(int n, double radius, double cx = 0.0, double cy = 0.0)
{
    FixtureCell c;
    for (int k = 0; k < n; ++k) {
        const double a = k * 2.0 * 3.14159265358979 / n;
        c.ring.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
    }
    return c;
}

// The square [0,20] x [0,20] with a vertex every 5 units, counter-clockwise
// from (0,0): 0 (0,0), 2 (10,0), 4 (20,0), 6 (20,10), 8 (20,20), 10 (10,20),
// 12 (0,20), 14 (0,10). The vertical cut at 90 degrees has P = vertex 2 and
// Q = vertex 10; the daughter takes the left half.
inline FixtureCell cutSquare()
{
    FixtureCell c;
    const double xs[16] = {0, 5, 10, 15, 20, 20, 20, 20, 20, 15, 10, 5, 0, 0, 0, 0};
    const double ys[16] = {0, 0, 0, 0, 0, 5, 10, 15, 20, 20, 20, 20, 20, 15, 10, 5};
    for (int k = 0; k < 16; ++k)
        c.ring.push_back({xs[k], ys[k]});
    return c;
}

// Record counts of an engine.
struct Counts {
    std::size_t cells, points, edges, nodes, pairs;
};

inline Counts countsOf(const dbReader& e)
{
    return Counts{e.cells.size(), e.points.size(), e.edges.size(), e.nodes.size(), e.interpairs.size()};
}

inline void expectCounts(const dbReader& e, Counts want)
{
    EXPECT_EQ(e.cells.size(), want.cells);
    EXPECT_EQ(e.points.size(), want.points);
    EXPECT_EQ(e.edges.size(), want.edges);
    EXPECT_EQ(e.nodes.size(), want.nodes);
    EXPECT_EQ(e.interpairs.size(), want.pairs);
}

// Every list and link of the tissue in a comparable text: what a refused
// division must leave exactly as it was.
inline std::string snapshot(const dbReader& e)
{
    std::ostringstream out;
    auto id = [](const auto* r) { return r ? r->id : -1; };
    for (const point3D* p : e.points) {
        out << p->alive << ' ' << p->x << ' ' << p->y << ' ' << id(p->next) << ' ' << id(p->prev) << ' '
            << id(p->out_edge) << ' ' << id(p->in_edge) << ' ' << id(p->node) << ':';
        for (const point3D* q : p->mp)
            out << ' ' << q->id;
        out << '\n';
    }
    for (const edge* d : e.edges)
        out << id(d->p1) << ' ' << id(d->p2) << ' ' << id(d->cell) << ' ' << int(d->bonded) << ' '
            << id(d->partner) << ' ' << id(d->pair) << '\n';
    for (const cell* c : e.cells) {
        out << c->dead << ' ' << c->center[0] << ' ' << c->center[1] << " sides";
        for (const edge* d : c->sides)
            out << ' ' << d->id;
        out << " pairs";
        for (const interpair* r : c->pairs)
            out << ' ' << r->id;
        for (int s : c->species)
            out << ' ' << s;
        out << '\n';
    }
    for (const interpair* r : e.interpairs) {
        out << int(r->removed) << ' ' << id(r->cell1) << ' ' << id(r->cell2) << ':';
        for (const mergepair* m : r->MP)
            out << ' ' << id(m->S1) << ',' << id(m->S2) << ',' << id(m->T1) << ',' << id(m->T2);
        out << '\n';
    }
    for (const node* n : e.nodes) {
        out << int(n->active) << ':';
        for (const point3D* p : n->vertices)
            out << ' ' << p->id;
        out << '\n';
    }
    return out.str();
}

// A division either leaves the tissue sound and uncrossed, or is refused with
// every record as it was; in both cases the step goes on.
inline ::testing::AssertionResult dividesSoundlyOrNotAtAll(dbReader& e, cell* parent, double angle)
{
    const std::string before = snapshot(e);
    const std::size_t cells = e.cells.size();
    const int result = e.cell_division(parent, 0, parent->cell_type, parent->cell_type, angle);
    if (result != dbReader::STEP_OK)
        return ::testing::AssertionFailure() << "the division failed: " << e.message.toStdString();
    if (e.cells.size() == cells) {
        if (snapshot(e) != before)
            return ::testing::AssertionFailure() << "a refused division changed the tissue";
        return ::testing::AssertionSuccess() << "refused";
    }
    const auto faults = checkTopology(e);
    if (!faults.empty())
        return ::testing::AssertionFailure() << describeFaults(faults);
    std::string where;
    if (boundariesCross(e, &where))
        return ::testing::AssertionFailure() << where;
    return ::testing::AssertionSuccess() << "divided";
}

// Whether the stretch m holds the ends (by vertex id) s1, s2, t1, t2.
inline ::testing::AssertionResult holds(const mergepair* m, int s1, int s2, int t1, int t2)
{
    if (!m)
        return ::testing::AssertionFailure() << "no stretch";
    if (m->S1->id == s1 && m->S2->id == s2 && m->T1->id == t1 && m->T2->id == t2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "stretch (" << m->S1->id << ", " << m->S2->id << ", " << m->T1->id
                                         << ", " << m->T2->id << "), expected (" << s1 << ", " << s2 << ", " << t1
                                         << ", " << t2 << ")";
}

#endif
