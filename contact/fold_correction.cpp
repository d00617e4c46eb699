// A cell folded across itself. The mechanics can squeeze a thin tongue of a
// cell between two neighbours until its two sides meet; one step further, a
// vertex of one side lies beyond the other, and where a neighbour is welded
// along that other side, the cell now overlaps it. The contact stage looks
// only between cells, and the corrections only at junctions and edge
// lengths, so nothing else would put it right within the step.
//
// Where two sides of the cell cross, which end passed the other side is not
// known, so each of the four ends of the two sides is a way back: the end is
// mirrored on the line of the other side (put at least kMargin beyond it),
// and its welded partners go with it. The end nearest that line is tried
// first, and the first move a BoundaryTrial finds to lessen the crossings
// is made. A nearer end is passed over whenever its move is refused, for
// whatever reason the trial refuses it: the move only trades one crossing
// for another (the nearest end of a sliver pressed through itself can merely
// make its next side cross instead, and moving it back and forth would open
// nothing), it adds crossings, or it turns a ring of the neighbourhood
// clockwise. A move changes no ring links, so a ring of the neighbourhood
// that does not close, or has fewer than three vertices, refuses every move
// alike. A fold no end can lessen is left as it is.
//
// A move carries one vertex and its partners straight across the line, by
// twice the vertex's distance from it (by that distance plus kMargin when
// it is nearer than kMargin); that is the move's length, not a cap on it.
// What bounds the change: each move leaves fewer crossings among the moved
// cells and the cells paired with them than it found, and one call makes at
// most kUnfoldRounds moves.
#include "contact/corrections.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corrections {

using welding::Pos;

namespace {

// Folds a cell can have mended in one call.
constexpr int kUnfoldRounds = 4;
// A vertex that only just passed a side is put this far back on the near
// side (world units), so the two are not left touching.
constexpr double kMargin = 1e-3;

struct Fold {
    point3D* vertex = nullptr;
    Pos to{0.0, 0.0};
    double depth = 0.0;
};

bool boxes_overlap(const edge* s, const edge* t)
{
    return std::max(s->p1->x, s->p2->x) >= std::min(t->p1->x, t->p2->x)
           && std::max(t->p1->x, t->p2->x) >= std::min(s->p1->x, s->p2->x)
           && std::max(s->p1->y, s->p2->y) >= std::min(t->p1->y, t->p2->y)
           && std::max(t->p1->y, t->p2->y) >= std::min(s->p1->y, s->p2->y);
}

// x put back across the line of `side`: mirrored on it, and at least
// kMargin clear.
Fold put_back(point3D* x, const edge* side)
{
    const Pos a = welding::pos_of(side->p1);
    const Pos b = welding::pos_of(side->p2);
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    Fold f;
    f.vertex = x;
    if (!(len > 0.0)) {
        f.depth = HUGE_VAL;
        return f;
    }
    // Signed distance of x from the line, positive on its left.
    const double d = orient(a, b, welding::pos_of(x)) / len;
    f.depth = std::fabs(d);
    const double shift = (f.depth + std::max(f.depth, kMargin)) * (d > 0.0 ? -1.0 : 1.0);
    f.to = Pos{x->x - shift * (b.y - a.y) / len, x->y + shift * (b.x - a.x) / len};
    return f;
}

// The first crossing of two sides of c that share no vertex, and the four
// ways to undo it, shallowest first.
bool first_fold(const cell* c, std::array<Fold, 4>& out)
{
    const std::vector<edge*>& sides = c->sides;
    for (std::size_t i = 0; i + 1 < sides.size(); ++i) {
        const edge* s = sides[i];
        if (!s || !s->p1 || !s->p2)
            continue;
        for (std::size_t j = i + 1; j < sides.size(); ++j) {
            const edge* t = sides[j];
            if (!t || !t->p1 || !t->p2 || s->p1 == t->p1 || s->p1 == t->p2 || s->p2 == t->p1 || s->p2 == t->p2
                || !boxes_overlap(s, t)
                || !properly_cross(welding::pos_of(s->p1), welding::pos_of(s->p2), welding::pos_of(t->p1),
                                   welding::pos_of(t->p2)))
                continue;
            out = {put_back(s->p1, t), put_back(s->p2, t), put_back(t->p1, s), put_back(t->p2, s)};
            std::stable_sort(out.begin(), out.end(), [](const Fold& u, const Fold& v) { return u.depth < v.depth; });
            return true;
        }
    }
    return false;
}

// The first of `options` whose move lessens the crossings, or null.
const Fold* lessening_move(const std::array<Fold, 4>& options)
{
    for (const Fold& f : options) {
        if (!std::isfinite(f.depth))
            break;
        BoundaryTrial trial;
        trial.move(f.vertex, f.to);
        trial.move_all(f.vertex->mp, f.to);
        if (trial.lessens_crossings())
            return &f;
    }
    return nullptr;
}

} // namespace

int unfold_cell(cell* c)
{
    int moved = 0;
    if (!c || c->dead)
        return moved;
    for (int round = 0; round < kUnfoldRounds; ++round) {
        std::array<Fold, 4> options;
        if (!first_fold(c, options))
            break;
        const Fold* f = lessening_move(options);
        if (!f)
            break;
        welding::move_to(f->vertex, f->to);
        for (point3D* w : f->vertex->mp) {
            welding::move_to(w, f->to);
            if (cell* n = welding::cell_of(w))
                n->remesh = 1;
        }
        c->remesh = 1;
        ++moved;
    }
    return moved;
}

} // namespace corrections
