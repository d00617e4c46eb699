#include "contact/crossing_contacts.h"

#include "contact/welding.h"

#include <algorithm>
#include <cmath>

namespace {

// Second-pass responses a pair gets while its cells still cross.
constexpr int kSecondPasses = 3;

struct Span {
    cell* c;
    welding::Box box;
};

bool overlaps(const welding::Box& a, const welding::Box& b)
{
    return a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax && b.ymin <= a.ymax;
}

welding::Box edge_box(const edge* e)
{
    return {std::min(e->p1->x, e->p2->x), std::min(e->p1->y, e->p2->y), std::max(e->p1->x, e->p2->x),
            std::max(e->p1->y, e->p2->y)};
}

// Whether a side of a crosses a side of b inside both: the classification the
// contact response itself welds on (codes 3 to 6).
bool rings_cross(dbReader& db, const Span& a, const Span& b)
{
    for (edge* s : a.c->sides) {
        if (!s->p1 || !s->p2 || s->p1->out_edge != s || !overlaps(edge_box(s), b.box))
            continue;
        for (edge* t : b.c->sides) {
            if (!t->p1 || !t->p2 || t->p2->in_edge != t || !overlaps(edge_box(s), edge_box(t)))
                continue;
            const int code = welding::crossing_type(s->p1, t->p2);
            if (code >= 3 && code <= 6)
                return true;
        }
    }
    return false;
}

welding::Box ring_box(const cell* c)
{
    welding::Box b{1e300, 1e300, -1e300, -1e300};
    for (const edge* e : c->sides) {
        if (!e->p1)
            continue;
        b.xmin = std::min(b.xmin, e->p1->x);
        b.ymin = std::min(b.ymin, e->p1->y);
        b.xmax = std::max(b.xmax, e->p1->x);
        b.ymax = std::max(b.ymax, e->p1->y);
    }
    return b;
}

// The interior of a ring at its vertex v: the angle swept counter-clockwise
// from the side to v's next to the side to its prev, kept as those two
// directions of unit length. False when a side there has no length.
struct Interior {
    double nx, ny; // towards next
    double px, py; // towards prev
};

bool interior_at(const point3D* v, Interior& in)
{
    if (!v->next || !v->prev)
        return false;
    const double nx = v->next->x - v->x, ny = v->next->y - v->y;
    const double px = v->prev->x - v->x, py = v->prev->y - v->y;
    const double ln = std::sqrt(nx * nx + ny * ny), lp = std::sqrt(px * px + py * py);
    if (!(ln > 0.0) || !(lp > 0.0))
        return false;
    in = Interior{nx / ln, ny / ln, px / lp, py / lp};
    return true;
}

// Sines of angles within this of zero are no turn: welded sides lie on one
// another up to rounding.
constexpr double kSameDirection = 1e-6;

// Whether the unit direction (dx, dy) points into the interior by more than
// the tolerance.
bool points_into(const Interior& in, double dx, double dy)
{
    const double np = in.nx * in.py - in.ny * in.px;
    if (np > 0.0 || (np == 0.0 && in.nx * in.px + in.ny * in.py > 0.0)) // less than half a turn
        return in.nx * dy - in.ny * dx > kSameDirection && dx * in.py - dy * in.px > kSameDirection;
    // Half a turn or more: inside unless on the closed side from prev round
    // to next.
    return !(in.px * dy - in.py * dx >= -kSameDirection && dx * in.ny - dy * in.nx >= -kSameDirection);
}

// Two interiors at one point overlap when either starts inside the other,
// or both start along one direction.
bool interiors_overlap(const Interior& a, const Interior& b)
{
    const bool sameStart = std::fabs(a.nx * b.ny - a.ny * b.nx) <= kSameDirection && a.nx * b.nx + a.ny * b.ny > 0.0;
    return sameStart || points_into(a, b.nx, b.ny) || points_into(b, a.nx, a.ny);
}

// Whether x and y share a live pair holding a welded stretch.
bool welded_contact(cell* x, cell* y)
{
    const interpair* p = welding::find_pair(x, y);
    return p && !p->MP.empty();
}

// Vertices this close to a side of the other cell lie on it: welded
// vertices and sides meet up to rounding.
constexpr double kOnSide = 1e-9;

double distance_to_side(const point3D* p, const edge* t)
{
    const double dx = t->p2->x - t->p1->x, dy = t->p2->y - t->p1->y;
    const double length2 = dx * dx + dy * dy;
    const double along = length2 > 0.0 ? ((p->x - t->p1->x) * dx + (p->y - t->p1->y) * dy) / length2 : 0.0;
    const double u = std::clamp(along, 0.0, 1.0);
    return std::hypot(t->p1->x + u * dx - p->x, t->p1->y + u * dy - p->y);
}

// Whether p lies inside c's ring (even-odd rule) and off its sides.
bool strictly_inside(const point3D* p, const cell* c)
{
    bool in = false;
    for (const edge* t : c->sides) {
        const point3D* a = t->p1;
        const point3D* b = t->p2;
        if (!a || !b || distance_to_side(p, t) <= kOnSide)
            return false;
        if ((a->y > p->y) != (b->y > p->y) && p->x < a->x + (p->y - a->y) * (b->x - a->x) / (b->y - a->y))
            in = !in;
    }
    return in;
}

bool a_vertex_inside(const cell* a, const cell* b)
{
    for (const edge* s : a->sides)
        if (s->p1 && strictly_inside(s->p1, b))
            return true;
    return false;
}

} // namespace

std::vector<std::pair<cell*, cell*>> welding::cells_overlapping_at_welds(const dbReader& db)
{
    // Welded vertices share a junction node, so the nodes give every weld
    // point once, with the interior of each ring there computed once. This
    // pass over every weld of the tissue is bound by memory: the cells are
    // looked up only where two interiors overlap, which is rare.
    std::vector<std::pair<cell*, cell*>> found;
    std::vector<std::pair<const point3D*, Interior>> at;
    for (const node* n : db.nodes) {
        if (!n || !n->active || n->vertices.size() < 2)
            continue;
        at.clear();
        for (const point3D* v : n->vertices) {
            Interior in{};
            if (v && v->alive && interior_at(v, in))
                at.emplace_back(v, in);
        }
        for (std::size_t i = 0; i < at.size(); ++i)
            for (std::size_t j = i + 1; j < at.size(); ++j) {
                if (!interiors_overlap(at[i].second, at[j].second))
                    continue;
                cell* a = cell_of(at[i].first);
                cell* b = cell_of(at[j].first);
                const std::vector<point3D*>& partners = at[i].first->mp;
                if (!a || !b || a == b || a->dead || b->dead
                    || std::find(partners.begin(), partners.end(), at[j].first) == partners.end())
                    continue;
                const auto couple = a->id < b->id ? std::make_pair(a, b) : std::make_pair(b, a);
                if (std::find(found.begin(), found.end(), couple) == found.end())
                    found.push_back(couple);
            }
    }
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
        return x.first->id < y.first->id || (x.first->id == y.first->id && x.second->id < y.second->id);
    });
    return found;
}

bool welding::cells_cross(dbReader& db, cell* a, cell* b)
{
    if (!a || !b || a == b || a->dead || b->dead)
        return false;
    return rings_cross(db, Span{a, ring_box(a)}, Span{b, ring_box(b)});
}

bool welding::cells_lying_across(dbReader& db, cell* a, cell* b)
{
    if (!a || !b || a == b || a->dead || b->dead || cells_cross(db, a, b))
        return false;
    return a_vertex_inside(a, b) || a_vertex_inside(b, a);
}

namespace {

// The second-pass response on the live pair while `apart` says its cells
// are not, a bounded number of times.
template <typename Apart>
int respond_until(dbReader& db, interpair* pair, int step, Apart apart)
{
    for (int round = 0; round < kSecondPasses && !pair->removed && !apart(pair->cell1, pair->cell2); ++round) {
        const int r = db.collision_response_m2(pair, step, 2, pair->id);
        if (r >= 0)
            return r;
    }
    return dbReader::STEP_OK;
}

} // namespace

int welding::respond_while_crossing(dbReader& db, interpair* pair, int step)
{
    return respond_until(db, pair, step, [&db](cell* a, cell* b) { return !cells_cross(db, a, b); });
}

int welding::respond_while_overlapping(dbReader& db, interpair* pair, int step)
{
    return respond_until(db, pair, step,
                         [&db](cell* a, cell* b) { return !cells_cross(db, a, b) && !cells_lying_across(db, a, b); });
}

std::vector<interpair*> welding::pair_crossing_cells(dbReader& db)
{
    // Boxes are computed here rather than refreshed on the cells: the stages
    // after this one widen a cell's box and never rebuild it.
    std::vector<Span> spans;
    for (cell* c : db.cells) {
        if (c->dead || c->sides.empty())
            continue;
        const Box b = ring_box(c);
        // A cell without points or with a position not a number has no box to bin.
        if (!(b.xmin <= b.xmax && b.ymin <= b.ymax) || !std::isfinite(b.xmax - b.xmin + b.ymax - b.ymin))
            continue;
        spans.push_back({c, b});
    }
    // Only cells whose boxes overlap can cross. The boxes go into a uniform
    // grid about one typical cell wide (a sweep along x alone would compare
    // every cell with a whole column of the tissue); two boxes are compared
    // in the one bin that holds the lower-left corner of their overlap.
    std::vector<std::pair<cell*, cell*>> found;
    if (spans.size() > 1) {
        Box all = spans.front().box;
        double extent = 0.0;
        for (const Span& sp : spans) {
            all.xmin = std::min(all.xmin, sp.box.xmin);
            all.ymin = std::min(all.ymin, sp.box.ymin);
            all.xmax = std::max(all.xmax, sp.box.xmax);
            all.ymax = std::max(all.ymax, sp.box.ymax);
            extent += std::max(sp.box.xmax - sp.box.xmin, sp.box.ymax - sp.box.ymin);
        }
        double size = extent / static_cast<double>(spans.size());
        const double width = all.xmax - all.xmin;
        const double height = all.ymax - all.ymin;
        // At most about four bins a cell, whatever the spread of the tissue.
        const double cap = 4.0 * static_cast<double>(spans.size()) + 16.0;
        if (!(size > 0.0) || !std::isfinite(size) || (width / size + 1.0) * (height / size + 1.0) > cap)
            size = std::max({std::sqrt(width * height / cap), width / cap, height / cap, 1e-9});
        const long nx = static_cast<long>(width / size) + 1;
        const long ny = static_cast<long>(height / size) + 1;
        auto binX = [&](double x) { return std::clamp(static_cast<long>((x - all.xmin) / size), 0L, nx - 1); };
        auto binY = [&](double y) { return std::clamp(static_cast<long>((y - all.ymin) / size), 0L, ny - 1); };
        std::vector<std::vector<std::size_t>> bins(static_cast<std::size_t>(nx * ny));
        for (std::size_t i = 0; i < spans.size(); ++i)
            for (long by = binY(spans[i].box.ymin); by <= binY(spans[i].box.ymax); ++by)
                for (long bx = binX(spans[i].box.xmin); bx <= binX(spans[i].box.xmax); ++bx)
                    bins[static_cast<std::size_t>(by * nx + bx)].push_back(i);
        for (long by = 0; by < ny; ++by)
            for (long bx = 0; bx < nx; ++bx) {
                const std::vector<std::size_t>& bin = bins[static_cast<std::size_t>(by * nx + bx)];
                for (std::size_t u = 0; u < bin.size(); ++u)
                    for (std::size_t v = u + 1; v < bin.size(); ++v) {
                        const Span& a = spans[bin[u]];
                        const Span& b = spans[bin[v]];
                        if (!overlaps(a.box, b.box) || binX(std::max(a.box.xmin, b.box.xmin)) != bx
                            || binY(std::max(a.box.ymin, b.box.ymin)) != by || welded_contact(a.c, b.c)
                            || !rings_cross(db, a, b))
                            continue;
                        found.emplace_back(a.c->id < b.c->id ? a.c : b.c, a.c->id < b.c->id ? b.c : a.c);
                    }
            }
    }
    // Pairs are made in cell order, whatever the sweep order.
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
        return x.first->id < y.first->id || (x.first->id == y.first->id && x.second->id < y.second->id);
    });
    std::vector<interpair*> paired;
    for (const auto& [a, b] : found) {
        interpair* p = find_pair(a, b);
        if (!p) {
            p = find_any_pair(a, b);
            if (p && !p->MP.empty())
                continue; // a dissolved contact still holding stretches is not revived blind
            if (p)
                p->removed = 0;
            else
                p = new_pair(db, a, b);
        }
        paired.push_back(p);
    }
    return paired;
}
