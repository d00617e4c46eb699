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
            const int code = db.intersection_type(s->p1, t->p2);
            if (code >= 3 && code <= 6)
                return true;
        }
    }
    return false;
}

// An angle in radians brought into [0, 2 pi).
double turn(double angle)
{
    constexpr double kFullTurn = 2.0 * 3.14159265;
    angle = std::fmod(angle, kFullTurn);
    return angle < 0.0 ? angle + kFullTurn : angle;
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

// The interior of v's ring at v: the angle swept counter-clockwise from the
// side to v's next to the side to its prev, as its start and its width in
// radians. False when a side there has no length.
bool interior_at(const point3D* v, double& start, double& width)
{
    if (!v->next || !v->prev)
        return false;
    const double nx = v->next->x - v->x, ny = v->next->y - v->y;
    const double px = v->prev->x - v->x, py = v->prev->y - v->y;
    if (nx * nx + ny * ny <= 0.0 || px * px + py * py <= 0.0)
        return false;
    start = std::atan2(ny, nx);
    width = turn(std::atan2(py, px) - start);
    return true;
}

// Whether x and y share a live pair holding a welded stretch.
bool welded_contact(cell* x, cell* y)
{
    const interpair* p = welding::find_pair(x, y);
    return p && !p->MP.empty();
}

} // namespace

bool welding::cells_overlap_at_a_weld(const cell* a, const cell* b)
{
    if (!a || !b || a == b || a->dead || b->dead)
        return false;
    // Angles within this of each other are one direction: welded sides lie
    // on one another up to rounding.
    constexpr double kSameDirection = 1e-6;
    for (const edge* side : a->sides) {
        const point3D* v = side->p1;
        for (const point3D* w : v->mp) {
            if (!w || !w->alive || cell_of(w) != b)
                continue;
            double sv, wv, sw, ww;
            if (!interior_at(v, sv, wv) || !interior_at(w, sw, ww))
                continue;
            // Two arcs of the circle overlap when either starts inside the other.
            if (turn(sw - sv) < wv - kSameDirection || turn(sv - sw) < ww - kSameDirection)
                return true;
        }
    }
    return false;
}

bool welding::cells_cross(dbReader& db, cell* a, cell* b)
{
    if (!a || !b || a == b || a->dead || b->dead)
        return false;
    return rings_cross(db, Span{a, ring_box(a)}, Span{b, ring_box(b)});
}

int welding::respond_while_crossing(dbReader& db, interpair* pair, int step)
{
    for (int round = 0; round < kSecondPasses && !pair->removed && cells_cross(db, pair->cell1, pair->cell2);
         ++round) {
        const int r = db.collision_response_m2(pair, step, 2, pair->id);
        if (r >= 0)
            return r;
    }
    return dbReader::STEP_OK;
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
