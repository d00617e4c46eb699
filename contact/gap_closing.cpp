// Gap closing: two runs of boundary, FA..LA on the pair's first cell and
// FB..LB on its second, lie between two points that are welded already
// (FA to LB, LA to FB). They become one welded stretch: the same number of
// vertices on both sides, each welded to its facing vertex at evenly spaced
// places, each edge bonded to its facing edge. How many vertices survive
// follows the gap's length in target edge lengths (n): a side with more
// than n loses its surplus, a side with fewer gains new vertices.
#include "contact/welding.h"

#include <algorithm>

using namespace welding;

namespace {


// One side of the gap has no vertex: it gains one at the middle, and the
// full side keeps only its vertex next to L, moved there and welded to it.
// F..L is the full side's run (along next) with interior u; F'..L' is the
// empty side's single edge.
void fill_one_side(dbReader& db, interpair* pair, point3D* F, point3D* L,
                   const std::vector<point3D*>& u, point3D* Fe, point3D* Le, Pos PA, Pos PL)
{
    cell* full = cell_of(F);
    cell* empty = cell_of(Fe);
    const std::size_t k = u.size();
    trim_junction(L->in_edge, L);
    trim_junction(F->out_edge, F);
    release_inner_stretches(pair, u);
    remove_side(Fe->out_edge);
    for (std::size_t i = 0; i < k; ++i) {
        point3D* r = (i == 0) ? F : u[i - 1];
        remove_side(r->out_edge);
        if (i + 1 < k)
            drop_vertex(db, u[i]);
    }
    point3D* uk = u.back();
    const Pos mid = midpoint(PA, PL);
    point3D* N = new_vertex(db, mid);
    N->next = Le;
    N->prev = Fe;
    Fe->next = N;
    Le->prev = N;
    edge* e1 = new_edge(db, Fe, N, empty);
    edge* e2 = new_edge(db, N, Le, empty);
    edge* e3 = new_edge(db, F, uk, full);
    Fe->out_edge = e1;
    N->in_edge = e1;
    N->out_edge = e2;
    Le->in_edge = e2;
    bond(e1, uk->out_edge, pair);
    bond(e2, e3, pair);
    move_to(uk, mid);
    weld_to_new_vertex(db, uk, N);
    uk->prev = F;
    F->next = uk;
    uk->in_edge = e3;
    F->out_edge = e3;
    empty->sides.push_back(e1);
    empty->sides.push_back(e2);
    full->sides.push_back(e3);
}

} // namespace

bool welding::close_gap(dbReader& db, interpair* pair, point3D* FA, point3D* LA, point3D* FB,
                        point3D* LB, Pos PA, Pos PL)
{
    if (FA == LA || FB == LB)
        return false;
    // The runs, walked from the FA end: v on the first cell along next from
    // FA, w on the second along prev from LB; v_j faces w_j.
    std::vector<point3D*> v, w;
    const int kA = count_between(FA, LA, false);
    const int kB = count_between(LB, FB, true);
    if (kA < 0 || kB < 0)
        return false;
    for (point3D* p = FA->next; p != LA; p = p->next)
        v.push_back(p);
    for (point3D* p = LB->prev; p != FB; p = p->prev)
        w.push_back(p);

    if (kA == 0 && kB == 0) {
        bond(FA->out_edge, LB->in_edge, pair);
        return true;
    }
    if (kA == 0) {
        // B's run in ring order from FB: w reversed.
        std::vector<point3D*> u(w.rbegin(), w.rend());
        fill_one_side(db, pair, FB, LB, u, FA, LA, PA, PL);
        return true;
    }
    if (kB == 0) {
        fill_one_side(db, pair, FA, LA, v, FB, LB, PA, PL);
        return true;
    }

    const int n = target_count(PA, PL);
    cell* A = cell_of(FA);
    cell* B = cell_of(LB);
    trim_junction(FA->out_edge, FA);
    trim_junction(LA->in_edge, LA);
    trim_junction(LB->in_edge, LB);
    trim_junction(FB->out_edge, FB);
    release_inner_stretches(pair, v);
    release_inner_stretches(pair, w);

    if (kA > n && kB > n) {
        for (int j = 1; j <= n; ++j)
            reweld_couple(db, v[j - 1], w[j - 1], place_along(PA, PL, j, n));
        for (int j = 1; j <= n; ++j)
            bond(v[j - 1]->in_edge, w[j - 1]->out_edge, pair);
        shorten_run(db, n == 0 ? FA : v[n - 1], kA - n, LA, false);
        shorten_run(db, n == 0 ? LB : w[n - 1], kB - n, FB, true);
        bond(LA->in_edge, FB->out_edge, pair);
        return true;
    }

    const int m = std::min(kA, kB);
    if ((kA > n) != (kB > n) || kA == kB) {
        // Excess on one side (its surplus nearest LA or FB goes), or equal
        // runs within n.
        for (int j = 1; j <= m; ++j) {
            reweld_couple(db, v[j - 1], w[j - 1], place_along(PA, PL, j, m));
            bond(v[j - 1]->in_edge, w[j - 1]->out_edge, pair);
        }
        if (kA > m)
            shorten_run(db, v[m - 1], kA - m, LA, false);
        if (kB > m)
            shorten_run(db, w[m - 1], kB - m, FB, true);
        bond(LA->in_edge, FB->out_edge, pair);
        return true;
    }

    // Unequal runs within n: the poorer side gains new vertices.
    const int K = std::max(kA, kB);
    for (int j = 1; j <= m; ++j) {
        reweld_couple(db, v[j - 1], w[j - 1], place_along(PA, PL, j, K));
        bond(v[j - 1]->in_edge, w[j - 1]->out_edge, pair);
    }
    if (kA > kB)
        grow_poorer_run(db, pair, v, m, B, true, w[m - 1], FB, LA, PA, PL);
    else
        grow_poorer_run(db, pair, w, m, A, false, v[m - 1], LA, FB, PA, PL);
    return true;
}
