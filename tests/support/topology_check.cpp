#include "topology_check.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace {

class Checker {
public:
    explicit Checker(const dbReader& engine) : r(engine) {}

    std::vector<TopologyFault> run()
    {
        ids();
        rings();
        partners();
        nodes();
        bonds();
        stretches();
        pairs();
        return faults;
    }

private:
    const dbReader& r;
    std::vector<TopologyFault> faults;
    std::map<const point3D*, const cell*> owner;  // live vertex -> live cell whose ring holds it
    std::set<const edge*> live_sides;

    template <typename... Parts>
    void report(TopologyInvariant kind, const Parts&... parts)
    {
        std::ostringstream s;
        (s << ... << parts);
        faults.push_back({kind, s.str()});
    }

    static bool live(const cell* c) { return c && !c->dead; }
    static bool colocated(const point3D* p, const point3D* q)
    {
        return std::fabs(p->x - q->x) <= 1e-9 && std::fabs(p->y - q->y) <= 1e-9;
    }
    static bool welded(const point3D* p, const point3D* q)
    {
        return std::count(p->mp.begin(), p->mp.end(), q) > 0 && std::count(q->mp.begin(), q->mp.end(), p) > 0;
    }
    const cell* owner_of(const point3D* p) const
    {
        auto it = owner.find(p);
        return it == owner.end() ? nullptr : it->second;
    }

    template <typename T>
    void list_ids(const std::vector<T*>& list, const char* kind)
    {
        for (size_t i = 0; i < list.size(); ++i) {
            if (!list[i])
                report(TopologyInvariant::Ids, kind, " slot ", i, " is null");
            else if (list[i]->id != static_cast<int>(i))
                report(TopologyInvariant::Ids, kind, " at index ", i, " has id ", list[i]->id);
        }
    }

    void ids()
    {
        list_ids(r.points, "vertex");
        list_ids(r.edges, "edge");
        list_ids(r.cells, "cell");
        list_ids(r.interpairs, "pair");
        list_ids(r.nodes, "node");
    }

    void rings()
    {
        for (const cell* c : r.cells) {
            if (!live(c))
                continue;
            const size_t n = c->sides.size();
            if (n < 3)
                report(TopologyInvariant::Ring, "cell ", c->id, " has ", n, " sides");
            bool whole = n > 0;
            for (size_t i = 0; i < n; ++i) {
                const edge* e = c->sides[i];
                if (!e || !e->p1 || !e->p2) {
                    report(TopologyInvariant::Ring, "cell ", c->id, " side ", i, " is missing or has no ends");
                    whole = false;
                    continue;
                }
                live_sides.insert(e);
                if (e->cell != c)
                    report(TopologyInvariant::Ring, "edge ", e->id, " is side ", i, " of cell ", c->id,
                           " but names cell ", e->cell ? e->cell->id : -1);
                if (!e->in_use)
                    report(TopologyInvariant::Ring, "edge ", e->id, " of cell ", c->id, " is not in use");
                if (!e->p1->alive)
                    report(TopologyInvariant::Ring, "vertex ", e->p1->id, " of cell ", c->id, " is dead");
                if (e->p1->next != e->p2)
                    report(TopologyInvariant::Ring, "vertex ", e->p1->id, ": next is not vertex ", e->p2->id,
                           " (edge ", e->id, ")");
                if (e->p2->prev != e->p1)
                    report(TopologyInvariant::Ring, "vertex ", e->p2->id, ": prev is not vertex ", e->p1->id,
                           " (edge ", e->id, ")");
                if (e->p1->out_edge != e)
                    report(TopologyInvariant::Ring, "vertex ", e->p1->id, ": out_edge is not edge ", e->id);
                if (e->p2->in_edge != e)
                    report(TopologyInvariant::Ring, "vertex ", e->p2->id, ": in_edge is not edge ", e->id);
                auto seen = owner.find(e->p1);
                if (seen != owner.end() && seen->second != c)
                    report(TopologyInvariant::Ring, "vertex ", e->p1->id, " lies on cells ", seen->second->id, " and ",
                           c->id);
                else if (seen != owner.end())
                    report(TopologyInvariant::Ring, "vertex ", e->p1->id, " appears twice on cell ", c->id);
                owner[e->p1] = c;
            }
            // A bounded walk along next must close after exactly n vertices.
            if (whole) {
                const point3D* start = c->sides[0]->p1;
                const point3D* v = start;
                size_t steps = 0;
                do {
                    v = v->next;
                    ++steps;
                } while (v && v != start && steps <= n);
                if (v != start || steps != n)
                    report(TopologyInvariant::Ring, "cell ", c->id, ": the walk along next from vertex ", start->id,
                           " does not close after ", n, " vertices");
            }
            orientation(c);
        }
        for (const point3D* p : r.points) {
            if (p && p->alive && !owner.count(p))
                report(TopologyInvariant::Ring, "live vertex ", p->id, " lies on no live cell's ring");
        }
    }

    void orientation(const cell* c)
    {
        for (const edge* e : c->sides)
            if (!e || !e->p1 || !e->p2)
                return;
        const double area = c->signed_area();
        if (!(area > 0.0))
            report(TopologyInvariant::Orientation, "cell ", c->id, " does not run counter-clockwise (signed area ",
                   area, ")");
    }

    void partners()
    {
        for (const auto& [p, c] : owner) {
            std::set<const point3D*> seen;
            for (const point3D* q : p->mp) {
                if (!q) {
                    report(TopologyInvariant::Partners, "vertex ", p->id, " lists a null partner");
                    continue;
                }
                if (!seen.insert(q).second) {
                    report(TopologyInvariant::Partners, "vertex ", p->id, " lists partner ", q->id, " twice");
                    continue;
                }
                if (q == p || q->id == p->id)
                    report(TopologyInvariant::Partners, "vertex ", p->id, " lists itself");
                if (std::count(q->mp.begin(), q->mp.end(), p) == 0)
                    report(TopologyInvariant::Partners, "vertex ", p->id, " lists ", q->id, " but not the reverse");
                if (!q->alive)
                    report(TopologyInvariant::Partners, "vertex ", p->id, " lists dead vertex ", q->id);
                if (!colocated(p, q))
                    report(TopologyInvariant::Partners, "partners ", p->id, " and ", q->id, " are apart");
                const cell* qc = owner_of(q);
                if (qc == c)
                    report(TopologyInvariant::Partners, "partners ", p->id, " and ", q->id, " are on the same cell ",
                           c->id);
            }
        }
    }

    void nodes()
    {
        std::map<const point3D*, int> listed;  // vertex -> number of active nodes listing it
        for (const node* nd : r.nodes) {
            if (!nd || !nd->active)
                continue;
            if (nd->vertices.empty())
                report(TopologyInvariant::Nodes, "active node ", nd->id, " has no vertex");
            for (const point3D* v : nd->vertices) {
                if (!v) {
                    report(TopologyInvariant::Nodes, "active node ", nd->id, " lists a null vertex");
                    continue;
                }
                ++listed[v];
                if (!v->alive)
                    report(TopologyInvariant::Nodes, "active node ", nd->id, " lists dead vertex ", v->id);
                if (v->node != nd)
                    report(TopologyInvariant::Nodes, "node ", nd->id, " lists vertex ", v->id,
                           " whose node is ", v->node ? v->node->id : -1);
                for (const point3D* w : nd->vertices) {
                    if (w && w != v && !welded(v, w))
                        report(TopologyInvariant::Nodes, "vertices ", v->id, " and ", w->id, " of node ", nd->id,
                               " are not welded");
                }
            }
        }
        for (const auto& [p, c] : owner) {
            if (!p->node) {
                report(TopologyInvariant::Nodes, "vertex ", p->id, " of cell ", c->id, " has no node");
                continue;
            }
            const node* nd = p->node;
            const bool known = nd->id >= 0 && nd->id < static_cast<int>(r.nodes.size()) && r.nodes[nd->id] == nd;
            if (!known)
                report(TopologyInvariant::Nodes, "vertex ", p->id, " names a node outside the engine's list");
            else if (!nd->active)
                report(TopologyInvariant::Nodes, "vertex ", p->id, " names dead node ", nd->id);
            const long own = std::count(nd->vertices.begin(), nd->vertices.end(), p);
            if (own != 1)
                report(TopologyInvariant::Nodes, "node ", nd->id, " lists vertex ", p->id, " ", own, " times");
            if (listed[p] > 1)
                report(TopologyInvariant::Nodes, "vertex ", p->id, " is listed by ", listed[p], " active nodes");
            for (const point3D* q : p->mp) {
                if (q && q->node != nd)
                    report(TopologyInvariant::Nodes, "welded vertices ", p->id, " and ", q->id,
                           " are in different nodes");
            }
        }
    }

    void bonds()
    {
        for (const edge* e : live_sides) {
            if (!e->bonded)
                continue;
            const edge* g = e->partner;
            const interpair* pair = e->pair;
            if (!g) {
                report(TopologyInvariant::Bonds, "bonded edge ", e->id, " has no partner");
                continue;
            }
            if (!pair) {
                report(TopologyInvariant::Bonds, "bonded edge ", e->id, " has no pair");
                continue;
            }
            if (g->partner != e)
                report(TopologyInvariant::Bonds, "edge ", e->id, " names partner ", g->id, " which does not name it back");
            if (!g->bonded)
                report(TopologyInvariant::Bonds, "partner ", g->id, " of bonded edge ", e->id, " is not bonded");
            if (g->pair != pair)
                report(TopologyInvariant::Bonds, "edges ", e->id, " and ", g->id, " name different pairs");
            if (!live_sides.count(g))
                report(TopologyInvariant::Bonds, "partner ", g->id, " of edge ", e->id, " is no side of a live cell");
            if (g->cell == e->cell)
                report(TopologyInvariant::Bonds, "edges ", e->id, " and ", g->id, " are welded within one cell");
            if (pair->removed)
                report(TopologyInvariant::Bonds, "bonded edge ", e->id, " names removed pair ", pair->id);
            const bool joins = (pair->cell1 == e->cell && pair->cell2 == g->cell) ||
                               (pair->cell2 == e->cell && pair->cell1 == g->cell);
            if (!joins)
                report(TopologyInvariant::Bonds, "pair ", pair->id, " of edges ", e->id, " and ", g->id,
                       " does not join their cells");
            if (pair->MP.empty())
                report(TopologyInvariant::Bonds, "pair ", pair->id, " of bonded edge ", e->id, " has no stretch");
            if (e->p1 && e->p2 && g->p1 && g->p2 && (!welded(e->p1, g->p2) || !welded(e->p2, g->p1)))
                report(TopologyInvariant::Bonds, "edges ", e->id, " and ", g->id,
                       " are not welded end to end in opposite directions");
        }
    }

    void stretches()
    {
        for (const interpair* pair : r.interpairs) {
            if (!pair || pair->removed)
                continue;
            for (size_t k = 0; k < pair->MP.size(); ++k) {
                const mergepair* m = pair->MP[k];
                if (!m || !m->S1 || !m->S2 || !m->T1 || !m->T2) {
                    report(TopologyInvariant::Stretches, "pair ", pair->id, " stretch ", k, " has a missing end");
                    continue;
                }
                const point3D* ends[4] = {m->S1, m->S2, m->T1, m->T2};
                const char* names[4] = {"S1", "S2", "T1", "T2"};
                for (int j = 0; j < 4; ++j) {
                    const cell* want = j < 2 ? pair->cell1 : pair->cell2;
                    if (!ends[j]->alive || owner_of(ends[j]) != want)
                        report(TopologyInvariant::Stretches, "pair ", pair->id, " stretch ", k, ": ", names[j],
                               " (vertex ", ends[j]->id, ") is not a live vertex of cell ", want ? want->id : -1);
                }
                if (!welded(m->S1, m->T2))
                    report(TopologyInvariant::Stretches, "pair ", pair->id, " stretch ", k, ": S1 (vertex ", m->S1->id,
                           ") is not welded to T2 (vertex ", m->T2->id, ")");
                if (!welded(m->S2, m->T1))
                    report(TopologyInvariant::Stretches, "pair ", pair->id, " stretch ", k, ": S2 (vertex ", m->S2->id,
                           ") is not welded to T1 (vertex ", m->T1->id, ")");
            }
        }
    }

    void pairs()
    {
        for (const interpair* pair : r.interpairs) {
            if (!pair || pair->removed)
                continue;
            if (!pair->cell1 || !pair->cell2 || pair->cell1 == pair->cell2) {
                report(TopologyInvariant::Pairs, "pair ", pair->id, " does not join two cells");
                continue;
            }
            for (const cell* c : {pair->cell1, pair->cell2}) {
                if (c->dead)
                    report(TopologyInvariant::Pairs, "live pair ", pair->id, " joins dead cell ", c->id);
                const long n = std::count(c->pairs.begin(), c->pairs.end(), pair);
                if (n != 1)
                    report(TopologyInvariant::Pairs, "cell ", c->id, " lists pair ", pair->id, " ", n, " times");
            }
        }
        for (const cell* c : r.cells) {
            if (!live(c))
                continue;
            for (const interpair* pair : c->pairs) {
                if (!pair)
                    report(TopologyInvariant::Pairs, "cell ", c->id, " lists a null pair");
                else if (pair->cell1 != c && pair->cell2 != c)
                    report(TopologyInvariant::Pairs, "cell ", c->id, " lists pair ", pair->id, " which does not name it");
            }
        }
    }
};

} // namespace

std::vector<TopologyFault> checkTopology(const dbReader& engine)
{
    return Checker(engine).run();
}

const char* invariantName(TopologyInvariant invariant)
{
    switch (invariant) {
    case TopologyInvariant::Ids: return "ids";
    case TopologyInvariant::Ring: return "ring";
    case TopologyInvariant::Orientation: return "orientation";
    case TopologyInvariant::Partners: return "partners";
    case TopologyInvariant::Nodes: return "nodes";
    case TopologyInvariant::Bonds: return "bonds";
    case TopologyInvariant::Stretches: return "stretches";
    case TopologyInvariant::Pairs: return "pairs";
    }
    return "?";
}

bool hasFault(const std::vector<TopologyFault>& faults, TopologyInvariant invariant)
{
    return std::any_of(faults.begin(), faults.end(),
                       [invariant](const TopologyFault& f) { return f.invariant == invariant; });
}

std::string describeFaults(const std::vector<TopologyFault>& faults)
{
    std::string text;
    for (const TopologyFault& f : faults) {
        text += invariantName(f.invariant);
        text += ": ";
        text += f.what;
        text += '\n';
    }
    return text;
}

::testing::AssertionResult topologyIsSound(const dbReader& engine)
{
    const std::vector<TopologyFault> faults = checkTopology(engine);
    if (faults.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << faults.size() << " topology fault(s):\n" << describeFaults(faults);
}
