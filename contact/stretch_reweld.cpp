// Stretch re-welding: cell A's boundary from P1 to P2 (along next) and cell
// B's from Q1 to Q2 (along prev) are laid on the chord P1-P2 with the same
// number of interior vertices and welded couple by couple. The interior count
// follows the target edge length: a side that must lose vertices keeps at
// most trunc(|P1 - P2| / pi) of them. First the welds of other contacts are
// cut back to the four ends, then the two runs are rebuilt by case.
#include "contact/welding.h"

#include <algorithm>

using namespace welding;

namespace {

// Interior vertices from `from` (exclusive) to `to` (exclusive); false when
// `to` is not met within the ring's bound.
bool collect_run(point3D* from, point3D* to, bool backward, std::vector<point3D*>& run)
{
    const int bound = ring_bound(cell_of(from));
    point3D* v = backward ? from->prev : from->next;
    while (v != to) {
        if (!v || static_cast<int>(run.size()) > bound)
            return false;
        run.push_back(v);
        v = backward ? v->prev : v->next;
    }
    return true;
}

// Deletes the stretch of K that holds w (its first when none does) unless K
// is protected or has none.
void remove_stretch_at(interpair* K, const point3D* w, interpair* const protect[3])
{
    if (!K || K == protect[0] || K == protect[1] || K == protect[2] || K->MP.empty())
        return;
    K->remove_MP(stretch_holding(K, w));
}

// The welds of other contacts on the interior of one side are dissolved
// stretch by stretch.
void clear_interior(const std::vector<point3D*>& run, cell* owner, interpair* const protect[3])
{
    for (point3D* w : run) {
        if (w->out_edge->bonded)
            remove_stretch_at(w->out_edge->pair, w, protect);
        if (!w->out_edge->bonded && !w->in_edge->bonded && !w->mp.empty()) {
            for (point3D* q : w->mp) {
                cell* other = cell_of(q);
                for (std::size_t i = 0; i < owner->pairs.size(); ++i) {
                    interpair* K = owner->pairs[i];
                    if ((K->cell1 == owner && K->cell2 == other) || (K->cell2 == owner && K->cell1 == other))
                        remove_stretch_at(K, w, protect);
                }
            }
        }
        if (w->in_edge->bonded)
            remove_stretch_at(w->in_edge->pair, w, protect);
    }
}


} // namespace

bool welding::boundary_merge(dbReader& db, point3D* P1, point3D* P2, point3D* Q1, point3D* Q2,
                             interpair* fallback)
{
    if (P1 == P2 || Q1 == Q2)
        return true;
    cell* A = P1->in_edge->cell;
    cell* B = Q1->out_edge->cell;
    interpair* AB = find_pair(A, B);
    if (!AB)
        AB = fallback;
    std::vector<point3D*> a, b;
    if (!AB || !collect_run(P1, P2, false, a) || !collect_run(Q1, Q2, true, b))
        return false;

    // Cut the welds of other contacts back to the ends.
    interpair* X = trim_junction(P1->out_edge, P1);
    interpair* Y = trim_junction(P2->in_edge, P2);
    interpair* const protectA[3] = {X, Y, AB};
    clear_interior(a, A, protectA);
    release_inner_stretches(AB, a);
    interpair* Z = trim_junction(Q1->in_edge, Q1);
    interpair* W = trim_junction(Q2->out_edge, Q2);
    interpair* const protectB[3] = {Z, W, AB};
    clear_interior(b, B, protectB);
    release_inner_stretches(AB, b);

    const int kA = static_cast<int>(a.size());
    const int kB = static_cast<int>(b.size());
    const Pos from = pos_of(P1);
    const Pos to = pos_of(P2);
    const int n = target_count(from, to);

    if (kA == 0 && kB == 0) {
        bond(P1->out_edge, Q1->in_edge, AB);
        return true;
    }

    if (kA == 0) {
        // A has the single edge P1 -> P2: it gains a midpoint vertex, and B
        // keeps only Q1's prev, moved to that midpoint.
        B->remesh = 1;
        const std::vector<point3D*> u(b.rbegin(), b.rend());
        fill_one_side(db, AB, Q2, Q1, u, P1, P2, from, to);
        return true;
    }
    if (kB == 0) {
        // The mirror image: B gains the midpoint vertex, A keeps P2's prev.
        A->remesh = 1;
        fill_one_side(db, AB, P1, P2, a, Q2, Q1, from, to);
        return true;
    }

    // Both sides have interior vertices: m couples survive.
    int m;
    if (kA <= n && kB <= n)
        m = std::max(kA, kB);
    else if (kA > n && kB > n)
        m = n;
    else
        m = std::min(kA, kB);
    if (m < kA)
        A->remesh = 1;
    if (m < kB)
        B->remesh = 1;

    const int common = std::min(std::min(kA, kB), m);
    for (int j = 1; j <= common; ++j) {
        const Pos at = place_along(from, to, j, m);
        reweld_couple(db, a[j - 1], b[j - 1], at);
        bond(a[j - 1]->in_edge, b[j - 1]->out_edge, AB);
    }

    bool gained = false;
    if (m > kB) {
        // B gains vertices, inserted one by one before the last B vertex.
        grow_poorer_run(db, AB, a, kB, B, true, b.back(), Q2, P2, from, to);
        B->remesh = 1;
        gained = true;
    } else if (m > kA) {
        grow_poorer_run(db, AB, b, kA, A, false, a.back(), P2, Q2, from, to);
        A->remesh = 1;
        gained = true;
    }

    if (m < kA)
        shorten_run(db, (m == 0) ? P1 : a[m - 1], kA - m, P2, false);
    if (m < kB)
        shorten_run(db, (m == 0) ? Q1 : b[m - 1], kB - m, Q2, true);
    if (!gained)
        bond(P2->in_edge, Q2->out_edge, AB);
    return true;
}

void dbReader::boundary_merge_2(point3D* P1, point3D* P2, point3D* Q1, point3D* Q2)
{
    welding::boundary_merge(*this, P1, P2, Q1, Q2);
}
