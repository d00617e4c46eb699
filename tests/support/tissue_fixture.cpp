#include "tissue_fixture.h"

#include "model_env.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <sstream>

namespace {

bool fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

// Ring positions of a run from `from` to `to` along the ring, both included.
std::vector<int> run(int from, int to, int n)
{
    std::vector<int> r{from};
    for (int k = from; k != to; ) {
        k = (k + 1) % n;
        r.push_back(k);
    }
    return r;
}

int find_root(std::vector<int>& parent, int v)
{
    while (parent[v] != v) {
        parent[v] = parent[parent[v]];
        v = parent[v];
    }
    return v;
}

bool check_spec(const TissueLayout& layout, std::string* error)
{
    for (size_t c = 0; c < layout.cells.size(); ++c) {
        const auto& ring = layout.cells[c].ring;
        if (ring.size() < 3)
            return fail(error, "cell " + std::to_string(c) + " has fewer than three vertices");
        double s = 0.0;
        for (size_t k = 0; k < ring.size(); ++k) {
            const auto& a = ring[k];
            const auto& b = ring[(k + 1) % ring.size()];
            s += a.first * b.second - a.second * b.first;
        }
        if (s <= 0.0)
            return fail(error, "cell " + std::to_string(c) + " does not run counter-clockwise");
    }
    const int cells = static_cast<int>(layout.cells.size());
    for (size_t w = 0; w < layout.welds.size(); ++w) {
        const FixtureWeld& f = layout.welds[w];
        const std::string name = "weld " + std::to_string(w);
        if (f.cell1 < 0 || f.cell1 >= cells || f.cell2 < 0 || f.cell2 >= cells || f.cell1 == f.cell2)
            return fail(error, name + " does not join two different cells");
        if (f.s1 == FixtureWeld::kNoStretch && f.s2 == f.s1 && f.t1 == f.s1 && f.t2 == f.s1)
            continue;
        const int n1 = static_cast<int>(layout.cells[f.cell1].ring.size());
        const int n2 = static_cast<int>(layout.cells[f.cell2].ring.size());
        if (f.s1 < 0 || f.s1 >= n1 || f.s2 < 0 || f.s2 >= n1 || f.t1 < 0 || f.t1 >= n2 || f.t2 < 0 || f.t2 >= n2)
            return fail(error, name + " names a vertex outside its ring");
        const std::vector<int> a = run(f.s1, f.s2, n1);
        const std::vector<int> b = run(f.t1, f.t2, n2);
        if (a.size() != b.size())
            return fail(error, name + " joins runs of different lengths");
        for (size_t k = 0; k < a.size(); ++k) {
            const auto& p = layout.cells[f.cell1].ring[a[k]];
            const auto& q = layout.cells[f.cell2].ring[b[b.size() - 1 - k]];
            if (std::fabs(p.first - q.first) > 1e-9 || std::fabs(p.second - q.second) > 1e-9) {
                std::ostringstream s;
                s << name << ": vertex " << a[k] << " of cell " << f.cell1 << " is not on vertex "
                  << b[b.size() - 1 - k] << " of cell " << f.cell2;
                return fail(error, s.str());
            }
        }
    }
    return true;
}

} // namespace

std::unique_ptr<dbReader> buildTissue(const TissueLayout& layout, std::string* error)
{
    if (!check_spec(layout, error))
        return nullptr;

    model_env::useModelFiles();
    auto engine = std::make_unique<dbReader>();
    dbReader& r = *engine;
    std::vector<int> first;  // id of vertex 0 of each cell

    // Rings.
    for (size_t c = 0; c < layout.cells.size(); ++c) {
        const auto& ring = layout.cells[c].ring;
        const int n = static_cast<int>(ring.size());
        const int base = static_cast<int>(r.points.size());
        first.push_back(base);
        cell* cl = new cell(static_cast<int>(c));
        r.cells.push_back(cl);
        for (int k = 0; k < n; ++k)
            r.points.push_back(new point3D(base + k, ring[k].first, ring[k].second));
        for (int k = 0; k < n; ++k) {
            point3D* p1 = r.points[base + k];
            point3D* p2 = r.points[base + (k + 1) % n];
            edge* e = new edge(static_cast<int>(r.edges.size()), p1, p2, cl);
            e->normal[0] = e->getnormal(0);
            e->normal[1] = e->getnormal(1);
            r.edges.push_back(e);
            cl->sides.push_back(e);
            p1->next = p2;
            p2->prev = p1;
            p1->out_edge = e;
            p2->in_edge = e;
        }
        cl->cell_type = layout.cells[c].type;
        cl->radius = 10.0;
    }

    // Welds: merge partners, bonded edges, pairs and stretches.
    const int total = static_cast<int>(r.points.size());
    std::vector<int> parent(total);
    std::iota(parent.begin(), parent.end(), 0);
    std::map<std::pair<int, int>, interpair*> pair_of;
    for (size_t w = 0; w < layout.welds.size(); ++w) {
        FixtureWeld f = layout.welds[w];
        cell* c1 = r.cells[f.cell1];
        cell* c2 = r.cells[f.cell2];
        auto key = std::make_pair(std::min(f.cell1, f.cell2), std::max(f.cell1, f.cell2));
        interpair* pair = pair_of[key];
        if (!pair) {
            pair = new interpair(static_cast<int>(r.interpairs.size()), c1, c2);
            pair->adhesion = f.adhesion;
            pair->adhesion_copy = f.adhesion;
            r.interpairs.push_back(pair);
            c1->pairs.push_back(pair);
            c2->pairs.push_back(pair);
            pair_of[key] = pair;
        } else if (pair->cell1 != c1) {
            // The S ends of a stretch lie on the pair's cell1: look at it from there.
            f = FixtureWeld{f.cell2, f.t1, f.t2, f.cell1, f.s1, f.s2, f.adhesion};
            std::swap(c1, c2);
        }
        if (f.s1 == FixtureWeld::kNoStretch)
            continue;
        const int n1 = static_cast<int>(c1->sides.size());
        const int n2 = static_cast<int>(c2->sides.size());
        const std::vector<int> a = run(f.s1, f.s2, n1);
        const std::vector<int> b = run(f.t1, f.t2, n2);
        const int m = static_cast<int>(a.size()) - 1;  // edges along the stretch
        for (int k = 0; k <= m; ++k) {
            point3D* p = r.points[first[f.cell1] + a[k]];
            point3D* q = r.points[first[f.cell2] + b[m - k]];
            q->x = p->x;
            q->y = p->y;
            for (int h = 0; h < 4; ++h) {
                q->x_history[h] = p->x;
                q->y_history[h] = p->y;
            }
            parent[find_root(parent, q->id)] = find_root(parent, p->id);
        }
        for (int k = 0; k < m; ++k) {
            edge* e = r.points[first[f.cell1] + a[k]]->out_edge;
            edge* g = r.points[first[f.cell2] + b[m - k - 1]]->out_edge;
            if (e->bonded || g->bonded) {
                fail(error, "weld " + std::to_string(w) + " bonds an edge that is already bonded");
                return nullptr;
            }
            e->bonded = edge::BONDED;
            g->bonded = edge::BONDED;
            e->partner = g;
            g->partner = e;
            e->pair = pair;
            g->pair = pair;
        }
        pair->MP.push_back(new mergepair(0, r.points[first[f.cell1] + f.s1], r.points[first[f.cell1] + f.s2],
                                         r.points[first[f.cell2] + f.t1], r.points[first[f.cell2] + f.t2]));
        pair->merged = 1;
    }

    // Nodes: one per group of welded vertices, whose members are mutual partners.
    std::map<int, std::vector<point3D*>> groups;
    for (int v = 0; v < total; ++v)
        groups[find_root(parent, v)].push_back(r.points[v]);
    std::vector<std::vector<point3D*>> ordered;
    for (auto& g : groups)
        ordered.push_back(g.second);
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& x, const auto& y) { return x.front()->id < y.front()->id; });
    for (const auto& members : ordered) {
        node* nd = new node(static_cast<int>(r.nodes.size()));
        r.nodes.push_back(nd);
        for (point3D* p : members) {
            nd->pushvertex(p);
            p->node = nd;
            p->in_node = 1;
            for (point3D* q : members)
                p->pushmp(q);
        }
    }

    // Measures, as a loader leaves them.
    r.bounds[0] = r.bounds[1] = 100000.0;
    r.bounds[2] = r.bounds[3] = -100000.0;
    for (point3D* p : r.points) {
        r.bounds[0] = std::min(r.bounds[0], p->x);
        r.bounds[1] = std::min(r.bounds[1], p->y);
        r.bounds[2] = std::max(r.bounds[2], p->x);
        r.bounds[3] = std::max(r.bounds[3], p->y);
    }
    if (!r.points.empty()) {
        r.bounds[0] -= 1000.0;
        r.bounds[1] -= 1000.0;
        r.bounds[2] += 1000.0;
        r.bounds[3] += 1000.0;
    }
    for (cell* c : r.cells) {
        c->set_area();
        c->center_refresh();
        c->refresh_AABB();
        c->target_area = 259.8;
        for (double& a : c->area_history)
            a = c->area;
        c->setup_Burry();
        c->setup_Circle();
    }
    r.collision_state = dbReader::COLLISION_ESTABLISHED;
    r.ready = true;
    return engine;
}

point3D* vertexAt(const dbReader& engine, int c, int k)
{
    return sideAt(engine, c, k)->p1;
}

edge* sideAt(const dbReader& engine, int c, int k)
{
    const auto& sides = engine.cells.at(c)->sides;
    const int n = static_cast<int>(sides.size());
    return sides.at(((k % n) + n) % n);
}

TissueLayout twoWeldedCells()
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 5}, {10, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 5}}, 0});
    layout.welds.push_back({0, 1, 3, 1, 3, 0});
    return layout;
}

TissueLayout threeWeldedCells()
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
    layout.cells.push_back({{{10, 0}, {20, 0}, {20, 10}, {10, 10}}, 0});
    layout.cells.push_back({{{0, 10}, {10, 10}, {20, 10}, {20, 20}, {0, 20}}, 0});
    layout.welds.push_back({0, 1, 2, 1, 3, 0});
    layout.welds.push_back({0, 2, 3, 2, 0, 1});
    layout.welds.push_back({1, 2, 3, 2, 1, 2});
    return layout;
}

TissueLayout singleSquare()
{
    TissueLayout layout;
    layout.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
    return layout;
}
