// Removal of dead cells. A removed cell keeps its record (flagged dead), its
// boundary vertices leave every weld and junction, its contacts are flagged
// removed, and the surviving cells around the gap get contacts without a
// stretch so that the contact stage of later steps welds them across it.
//
// Who faces whom across the gap is read from a weighted Delaunay
// triangulation of the survivors' mesh points next to their boundaries: a
// triangle with corners on two or three cells joins those cells. Migrating
// survivors are paired with every other survivor directly, as they are about
// to move into the gap.
#include "contact/welding.h"
#include "mechanics/facing_cells.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <map>
#include <vector>

namespace {

// The other cell of q seen from d; null when q does not name d.
cell* other_cell(const interpair* q, const cell* d)
{
    if (q->cell1 == d)
        return q->cell2;
    if (q->cell2 == d)
        return q->cell1;
    return nullptr;
}

void push_unique(std::vector<cell*>& list, cell* c)
{
    for (cell* x : list)
        if (x == c)
            return;
    list.push_back(c);
}

// A contact between x and y unless one exists already in either order,
// removed or not; never one of a cell with itself.
void pair_unless_exists(dbReader& db, cell* x, cell* y)
{
    if (!x || !y || x == y || welding::find_any_pair(x, y))
        return;
    welding::new_pair(db, x, y);
}

// The boundary vertices of d leave every weld and junction, and its
// contacts are dissolved. With `neighbours` set, the live cell across each
// contact is collected (once).
void unlink_dead_cell(cell* d, std::vector<cell*>* neighbours)
{
    for (edge* s : d->sides) {
        if (!s || !s->p1)
            continue;
        point3D* v = s->p1;
        node* n = v->node;
        if (v->mp.empty() && (!n || n->vertices.size() <= 1)) {
            v->alive = 0;
            if (n)
                n->active = 0;
        } else {
            if (n) {
                n->removevertex(v);
                // A node left without a vertex is dead, not an empty live one.
                if (n->vertices.empty())
                    n->active = 0;
            }
            v->node = nullptr;
            v->alive = 0;
            v->in_node = 0;
            for (point3D* q : v->mp)
                if (q)
                    q->removemp(v);
        }
        // The neighbour's facing edge is freed; d's own side is left as it was.
        if (v->out_edge && v->out_edge->bonded && v->out_edge->partner) {
            edge* f = v->out_edge->partner;
            if (f->partner == v->out_edge) {
                f->bonded = 0;
                f->partner = nullptr;
                f->pair = nullptr;
            }
        }
    }
    for (interpair* q : d->pairs) {
        if (!q)
            continue;
        q->removed = 1;
        cell* o = other_cell(q, d);
        if (!o || o == d || o->dead)
            continue;
        o->removepair(q);
        if (neighbours)
            push_unique(*neighbours, o);
    }
}

// Every migrating survivor is paired with every other survivor.
void pair_directly(dbReader& db, const std::vector<cell*>& N)
{
    std::vector<cell*> M, S;
    for (cell* c : N)
        (c->migrating ? M : S).push_back(c);
    if (M.empty())
        return;
    for (cell* m : M)
        for (cell* s : S)
            pair_unless_exists(db, m, s);
    for (std::size_t i = 0; i < M.size(); ++i)
        for (std::size_t j = i + 1; j < M.size(); ++j)
            pair_unless_exists(db, M[i], M[j]);
}

// Survivors that face each other across the gap are paired, as the
// triangulation of their mesh points next to the boundary joins them.
void pair_by_triangulation(dbReader& db, const std::vector<cell*>& N)
{
    visit_facing_triangles(N, [&db](cell* a, cell* b, cell* c) {
        if (!a || !b || !c)
            return;
        if (a != b && a != c && b != c) {
            // Whether each pair existed is noted before any is made.
            const bool ab = welding::find_any_pair(a, b) != nullptr;
            const bool ac = welding::find_any_pair(a, c) != nullptr;
            const bool bc = welding::find_any_pair(b, c) != nullptr;
            if (!ab)
                welding::new_pair(db, a, b);
            if (!ac)
                welding::new_pair(db, a, c);
            if (!bc)
                welding::new_pair(db, b, c);
        } else if (a != b) {
            pair_unless_exists(db, a, b);
        } else if (a != c) {
            pair_unless_exists(db, a, c);
        }
    });
}

// Whether some member of `group` holds a live, welded contact with i.
bool touches(const std::vector<cell*>& group, const cell* i)
{
    for (cell* d : group)
        for (interpair* q : d->pairs)
            if (q && !q->removed && !q->MP.empty() && (q->cell1 == i || q->cell2 == i))
                return true;
    return false;
}

// The live, non-dying cells across the live contacts of i join `list`.
void collect_neighbours(const cell* i, std::vector<cell*>& list)
{
    for (interpair* q : i->pairs) {
        if (!q || q->removed)
            continue;
        cell* o = other_cell(q, i);
        if (o && o != i && !o->dying && !o->dead)
            push_unique(list, o);
    }
}

} // namespace

void dbReader::cell_death_response(cell* c)
{
    if (!c || c->dead)
        return;
    c->dead = 1;
    c->dying = 0;
    std::vector<cell*> neighbours;
    unlink_dead_cell(c, &neighbours);
    pair_directly(*this, neighbours);
    pair_by_triangulation(*this, neighbours);
}

void dbReader::cell_death_correction()
{
    // 1. Grouping: dying cells welded to each other leave as one gap.
    std::map<int, std::vector<cell*>> groups;
    std::map<int, std::vector<cell*>> neighbours;
    int met = 0;
    for (cell* i : cells) {
        if (!i || i->dead || !i->dying)
            continue;
        i->dead = 1;
        const int k = met++;
        std::vector<int> touched;
        for (auto& g : groups)
            if (touches(g.second, i))
                touched.push_back(g.first);
        if (touched.empty()) {
            groups[k].push_back(i);
            collect_neighbours(i, neighbours[k]);
            continue;
        }
        const int g0 = touched[0];
        for (std::size_t t = 1; t < touched.size(); ++t) {
            auto& members = groups[touched[t]];
            groups[g0].insert(groups[g0].end(), members.begin(), members.end());
            groups.erase(touched[t]);
        }
        groups[g0].push_back(i);
        for (std::size_t t = 1; t < touched.size(); ++t) {
            for (cell* n : neighbours[touched[t]])
                push_unique(neighbours[g0], n);
            neighbours.erase(touched[t]);
        }
        collect_neighbours(i, neighbours[g0]);
    }

    // 2. Unlinking.
    for (auto& g : groups) {
        for (cell* d : g.second) {
            d->dying = 0;
            unlink_dead_cell(d, nullptr);
        }
    }
    // 3. Direct pairing of migrating survivors, group by group.
    for (auto& n : neighbours)
        pair_directly(*this, n.second);
    // 4. Pairing across each gap.
    for (auto& n : neighbours)
        pair_by_triangulation(*this, n.second);
}

bool dbReader::cell_self_collision(cell* c, int step)
{
    const std::size_t n = c ? c->sides.size() : 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        edge* a = c->sides[i];
        for (std::size_t j = i + 1; j < n; ++j) {
            edge* b = c->sides[j];
            if (!a || !b || !a->p1 || !b->p2 || b->p1 == a->p2 || b->p2 == a->p1)
                continue;
            const int code = intersection_type(a->p1, b->p2);
            if (code >= 3 && code <= 6)
                return true;
        }
    }
    return false;
}
