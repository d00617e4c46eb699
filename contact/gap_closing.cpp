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

bool welding::close_gap(dbReader& db, interpair* pair, point3D* FA, point3D* LA, point3D* FB,
                        point3D* LB, Pos PA, Pos PL, const GapPolicy& policy)
{
    if (!pair || FA == LA || FB == LB)
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
    cell* A = cell_of(FA);
    cell* B = cell_of(LB);
    // Marks the cells whose boundary changes for a new inner mesh.
    const auto flag = [&](bool a, bool b) {
        if (!policy.flagChanged)
            return;
        if (a)
            A->remesh = 1;
        if (b)
            B->remesh = 1;
    };
    if (kA == 0) {
        flag(policy.flagBothWhenEmpty, true);
        // B's run in ring order from FB: w reversed.
        std::vector<point3D*> u(w.rbegin(), w.rend());
        fill_one_side(db, pair, FB, LB, u, FA, LA, PA, PL, policy.markUnused);
        return true;
    }
    if (kB == 0) {
        flag(true, policy.flagBothWhenEmpty);
        fill_one_side(db, pair, FA, LA, v, FB, LB, PA, PL, policy.markUnused);
        return true;
    }

    const int n = target_count(PA, PL);
    trim_junction(FA->out_edge, FA);
    trim_junction(LA->in_edge, LA);
    trim_junction(LB->in_edge, LB);
    trim_junction(FB->out_edge, FB);
    release_inner_stretches(pair, v);
    release_inner_stretches(pair, w);

    if (kA > n && kB > n) {
        flag(true, true);
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
        flag(kA > m, kB > m);
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
    flag(kA < K, kB < K);
    for (int j = 1; j <= m; ++j) {
        reweld_couple(db, v[j - 1], w[j - 1], place_along(PA, PL, j, K));
        bond(v[j - 1]->in_edge, w[j - 1]->out_edge, pair);
    }
    if (kA > kB)
        grow_poorer_run(db, pair, v, m, B, true, w[m - 1], FB, LA, PA, PL, policy.markUnused);
    else
        grow_poorer_run(db, pair, w, m, A, false, v[m - 1], LA, FB, PA, PL, policy.markUnused);
    return true;
}
