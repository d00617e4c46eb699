#include "contact/crossing_contacts.h"

#include "contact/welding.h"

#include <algorithm>

namespace {

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

} // namespace

int welding::pair_crossing_cells(dbReader& db)
{
    std::vector<Span> spans;
    for (cell* c : db.cells) {
        if (c->dead || c->sides.empty())
            continue;
        Box b{1e300, 1e300, -1e300, -1e300};
        for (const edge* e : c->sides) {
            if (!e->p1)
                continue;
            b.xmin = std::min(b.xmin, e->p1->x);
            b.ymin = std::min(b.ymin, e->p1->y);
            b.xmax = std::max(b.xmax, e->p1->x);
            b.ymax = std::max(b.ymax, e->p1->y);
        }
        spans.push_back({c, b});
    }
    // Sweep along x: only cells whose boxes overlap can cross.
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
        return a.box.xmin < b.box.xmin || (a.box.xmin == b.box.xmin && a.c->id < b.c->id);
    });
    std::vector<std::pair<cell*, cell*>> found;
    for (std::size_t i = 0; i < spans.size(); ++i)
        for (std::size_t j = i + 1; j < spans.size() && spans[j].box.xmin <= spans[i].box.xmax; ++j) {
            if (!overlaps(spans[i].box, spans[j].box) || find_any_pair(spans[i].c, spans[j].c) ||
                !rings_cross(db, spans[i], spans[j]))
                continue;
            cell* a = spans[i].c;
            cell* b = spans[j].c;
            found.emplace_back(a->id < b->id ? a : b, a->id < b->id ? b : a);
        }
    // Pairs are made in cell order, whatever the sweep order.
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
        return x.first->id < y.first->id || (x.first->id == y.first->id && x.second->id < y.second->id);
    });
    for (const auto& [a, b] : found)
        new_pair(db, a, b);
    return static_cast<int>(found.size());
}
