// A boundary change tried before it is made. The corrections move a few
// vertices (a collapse point, a slide's midpoint, the partners welded there)
// and take a few off their rings; done blindly, a move can swing a side of a
// welded neighbour across a third cell, or turn a narrow cell inside out.
// The trial rebuilds, on paper, the rings of the cells the change touches
// and counts the crossings of the sides it moves or bridges with the sides
// around them (those of the touched cells and of every cell their pair
// lists name), after the change and before it: the change passes when that
// count does not grow, which is not the same as crossing nothing.
#include "contact/corrections.h"

#include <algorithm>

namespace corrections {

using welding::Pos;

// Touching within this much (the crossing test of whole tissues uses the
// same) is not a crossing: welded sides meet at shared points.
constexpr double kTouch = 1e-9;

double orient(Pos a, Pos b, Pos c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool properly_cross(Pos a, Pos b, Pos c, Pos d)
{
    const double o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
    return ((o1 > kTouch && o2 < -kTouch) || (o1 < -kTouch && o2 > kTouch))
           && ((o3 > kTouch && o4 < -kTouch) || (o3 < -kTouch && o4 > kTouch));
}

namespace {

struct Segment {
    const point3D* p;
    const point3D* q;
    Pos a;
    Pos b;
};

double signed_area(const std::vector<Pos>& ring)
{
    double twice = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Pos& u = ring[i];
        const Pos& v = ring[(i + 1) % ring.size()];
        twice += u.x * v.y - v.x * u.y;
    }
    return twice * 0.5;
}

// The ring of c along next; empty when it does not close within its bound.
std::vector<point3D*> ring_of(const cell* c)
{
    std::vector<point3D*> ring;
    if (c->sides.empty() || !c->sides.front() || !c->sides.front()->p1)
        return ring;
    point3D* start = c->sides.front()->p1;
    const int bound = welding::ring_bound(c);
    point3D* v = start;
    do {
        ring.push_back(v);
        v = v->next;
    } while (v && v != start && static_cast<int>(ring.size()) <= bound);
    if (v != start)
        ring.clear();
    return ring;
}

void add_cell(std::vector<const cell*>& list, const cell* c)
{
    if (c && !c->dead && std::find(list.begin(), list.end(), c) == list.end())
        list.push_back(c);
}

// Proper crossings of the segments of `probe` with those of `all`, apart
// from pairs that share a vertex.
int crossings(const std::vector<Segment>& probe, const std::vector<Segment>& all)
{
    int n = 0;
    for (const Segment& s : probe)
        for (const Segment& t : all)
            if (s.p != t.p && s.p != t.q && s.q != t.p && s.q != t.q && properly_cross(s.a, s.b, t.a, t.b))
                ++n;
    return n;
}

} // namespace

void BoundaryTrial::move(point3D* p, Pos at)
{
    if (p)
        moves.emplace_back(p, at);
}

void BoundaryTrial::move_all(const std::vector<point3D*>& list, Pos at)
{
    for (point3D* p : list)
        move(p, at);
}

void BoundaryTrial::drop(point3D* p)
{
    if (p)
        dropped.push_back(p);
}

bool BoundaryTrial::keeps_tissue_sound() const
{
    return judge(false);
}

bool BoundaryTrial::lessens_crossings() const
{
    return judge(true);
}

bool BoundaryTrial::judge(bool strict) const
{
    auto isDropped = [this](const point3D* p) {
        return std::find(dropped.begin(), dropped.end(), p) != dropped.end();
    };
    auto isMoved = [this](const point3D* p) {
        return std::any_of(moves.begin(), moves.end(), [p](const auto& m) { return m.first == p; });
    };
    auto after = [this](const point3D* p) {
        // The last move of a vertex is where it ends.
        for (auto m = moves.rbegin(); m != moves.rend(); ++m)
            if (m->first == p)
                return m->second;
        return welding::pos_of(p);
    };

    std::vector<const cell*> touched;
    for (const auto& m : moves)
        add_cell(touched, welding::cell_of(m.first));
    for (const point3D* p : dropped)
        add_cell(touched, welding::cell_of(p));
    std::vector<const cell*> near = touched;
    for (const cell* c : touched)
        for (const interpair* q : c->pairs)
            if (q) {
                add_cell(near, q->cell1);
                add_cell(near, q->cell2);
            }

    // Sides before and after: the touched cells' rings rebuilt, the others'
    // as they are. The probes are the sides the change removes (before) and
    // the sides it makes or moves (after).
    std::vector<Segment> before, afterAll, oldProbe, newProbe;
    for (const cell* c : near) {
        const bool isTouched = std::find(touched.begin(), touched.end(), c) != touched.end();
        const std::vector<point3D*> ring = ring_of(c);
        // A broken ring is the stage's own finding to report; nothing can
        // be counted on it, so a change that must be seen to help is refused.
        if (ring.empty())
            return !strict;
        std::vector<point3D*> kept;
        std::vector<Pos> keptAt;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const point3D* p = ring[i];
            const point3D* q = ring[(i + 1) % ring.size()];
            const Segment s{p, q, welding::pos_of(p), welding::pos_of(q)};
            before.push_back(s);
            if (isTouched && (isMoved(p) || isMoved(q) || isDropped(p) || isDropped(q)))
                oldProbe.push_back(s);
            if (isTouched && !isDropped(p)) {
                kept.push_back(ring[i]);
                keptAt.push_back(after(p));
            }
        }
        if (!isTouched) {
            afterAll.insert(afterAll.end(), before.end() - static_cast<std::ptrdiff_t>(ring.size()), before.end());
            continue;
        }
        if (kept.size() < 3)
            return false;
        std::vector<Pos> ringAt;
        for (const point3D* p : ring)
            ringAt.push_back(welding::pos_of(p));
        if (signed_area(keptAt) <= 0.0 && signed_area(ringAt) > 0.0)
            return false;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const std::size_t j = (i + 1) % kept.size();
            const Segment s{kept[i], kept[j], keptAt[i], keptAt[j]};
            afterAll.push_back(s);
            if (isMoved(kept[i]) || isMoved(kept[j]) || kept[i]->next != kept[j])
                newProbe.push_back(s);
        }
    }
    // Crossings the change leaves may stand in for others it removes,
    // unless it must leave fewer.
    const int afterCount = crossings(newProbe, afterAll);
    const int beforeCount = crossings(oldProbe, before);
    return strict ? afterCount < beforeCount : afterCount <= beforeCount;
}

} // namespace corrections
