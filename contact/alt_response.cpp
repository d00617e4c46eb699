// The alternative contact response. A contact without a welded stretch is
// opened: for every couple of candidate runs (one per cell) two walks look
// for the crossing nearest each end, each recording the end of either
// crossing edge nearer to the crossing; the two crossings become one new
// stretch, which boundary merge 0 welds. A crossing couple that meets one
// vertex on one cell and two on the other first has the edge between the two
// split, so that the stretch is a single welded point.
#include "contact/alt_merge.h"
#include "contact/crossing_walk.h"

#include <QString>

#include <algorithm>
#include <cmath>

using namespace welding;

namespace {

int g_nesting = 0;
int g_peak = 0;

bool usable(const point3D* p)
{
    return p && p->alive && p->out_edge && p->in_edge && p->next && p->prev && p->out_edge->cell;
}

// Of the two ends of a run, the one nearer to v (the first on a tie).
point3D* nearer_end(const point3D* v, point3D* first, point3D* second)
{
    const double d1 = std::hypot(first->x - v->x, first->y - v->y);
    const double d2 = std::hypot(second->x - v->x, second->y - v->y);
    return d2 < d1 ? second : first;
}

// Whether p is welded to a vertex of cell c.
bool welded_to(const point3D* p, const cell* c)
{
    return std::any_of(p->mp.begin(), p->mp.end(), [c](const point3D* w) { return cell_of(w) == c; });
}

// Whether first and then second (possibly the same vertex) lie in this order
// on the walk along next from lo to hi.
bool in_order(const point3D* lo, const point3D* first, const point3D* second, const point3D* hi)
{
    const int f = ring_steps(lo, first, false);
    const int s = ring_steps(lo, second, false);
    const int h = ring_steps(lo, hi, false);
    return f >= 0 && s >= 0 && h >= 0 && f <= s && s <= h;
}

int fail(dbReader& db, int index, const QString& text)
{
    db.message = QString("ERROR: ") + text;
    return index;
}

int broken_ring(dbReader& db, const interpair* pair)
{
    return fail(db, pair->id,
                QString("the boundaries of cells %1 and %2 could not be walked in the contact response!")
                    .arg(pair->cell1->id)
                    .arg(pair->cell2->id));
}

enum class Opened { Done, Broken };

// One iteration (i, j) of the opening: the runs a..b on cell 1 and c..d on
// cell 2.
Opened open_runs(dbReader& db, interpair* pair, int i, int j, point3D* a, point3D* b, point3D* c,
                 point3D* d)
{
    // An earlier iteration's merge can have dropped a candidate.
    if (!usable(a) || !usable(b) || !usable(c) || !usable(d))
        return Opened::Done;
    point3D *E = nullptr, *F = nullptr, *G = nullptr, *H = nullptr;

    // First walk: cell 1 forward from a, cell 2 backward from d.next.
    if (!crossing_walk(a, b->next, false, d->next, c->next->prev, true, [&](point3D* s, point3D* t) {
            return crossing_ends(db.intersection_type(s, t), s, t, E, G);
        }))
        return Opened::Broken;
    // Second walk over the same edges from the other end; the cells' roles in
    // the test are exchanged.
    if (!crossing_walk(b->next, a->next->prev, true, c, d->next, false, [&](point3D* s, point3D* t) {
            return crossing_ends(db.intersection_type(t, s), t, s, H, F);
        }))
        return Opened::Broken;
    // Without both crossings there is no stretch to weld.
    if (!E || !H)
        return Opened::Done;

    const int id = (i + 1) * (j + 1);
    point3D *s1, *s2, *t1, *t2; // the stretch as boundary merge 0 takes it
    // A couple the merge would refuse to fuse is left before the split.
    if (E == F && G != H) {
        const bool splits = G->prev == H;
        // A vertex facing a run of several: its single point is welded with
        // the nearer end of the run; later extensions grow it. A split's new
        // vertex has no partners.
        if (splits ? welded_to(E, cell_of(G)) : !fusable(E, nearer_end(E, H->next, G->prev)))
            return Opened::Done;
        db.boundary_merge_refresh(E, E, G, H);
        point3D* X = splits ? H->next : nearer_end(E, H->next, G->prev);
        s1 = s2 = E;
        t1 = t2 = X;
    } else if (E != F && G == H) {
        const bool splits = E->next == F;
        if (splits ? welded_to(G, cell_of(E)) : !fusable(nearer_end(G, E->next, F->prev), G))
            return Opened::Done;
        db.boundary_merge_refresh(E, F, G, G);
        point3D* X = splits ? E->next : nearer_end(G, E->next, F->prev);
        s1 = s2 = X;
        t1 = t2 = G;
    } else {
        // The two crossings must bound a stretch running forward inside the
        // candidate runs (E before F on cell 1, H before G on cell 2);
        // otherwise the stretch would be the rest of a whole ring.
        if (!in_order(a, E, F, b->next) || !in_order(c, H, G, d->next))
            return Opened::Done;
        s1 = E;
        s2 = F;
        t1 = G;
        t2 = H;
    }
    if (!merge_0_welds(s1, s2, t1, t2) || !fusable(s1, t1) || !fusable(s2, t2))
        return Opened::Done;
    pair->MP.push_back(new mergepair(id, s1, s2, t2, t1));
    return merge_0(db, s1, s2, t1, t2, pair->id) ? Opened::Done : Opened::Broken;
}

// One end of stretch i moved out to (X, Y) by boundary merge 1, the
// stretch's ends written after it. False when the merge stopped on a ring it
// could not walk; `gone` when the contact no longer has stretch i.
bool move_end(dbReader& db, interpair* pair, std::size_t i, point3D* a, point3D* b, point3D* X, point3D* Y,
              bool atS1, bool& gone)
{
    MergeOutcome outcome = MergeOutcome::Refused;
    {
        AltNesting level;
        if (!level.refused())
            outcome = extend_stretch_end(db, a, b, X, Y, pair->id);
    }
    if (outcome == MergeOutcome::Stopped)
        return false;
    // The merges can drop stretches of this contact: without stretch i
    // there is nothing to write, nor to extend after it.
    gone = pair->MP.size() <= i;
    if (gone || outcome == MergeOutcome::Refused)
        return true;
    mergepair* m = pair->MP[i];
    (atS1 ? m->S1 : m->T1) = X;
    (atS1 ? m->T2 : m->S2) = Y;
    return true;
}

// The extension: every stretch present when the candidates were taken moves
// out at its S1/T2 end, then at its S2/T1 end, to the crossings beyond.
bool extend_contact(dbReader& db, interpair* pair, const std::vector<point3D*>& S,
                    const std::vector<point3D*>& T)
{
    // Stretches appended after the candidates were taken have none: they
    // wait for the next call.
    const std::size_t candidates = std::min(S.size(), T.size()) / 2;
    for (std::size_t i = 0; i < pair->MP.size() && i < candidates; ++i) {
        mergepair* m = pair->MP[i];
        // An earlier merge can have dropped a candidate or an end.
        if (!usable(m->S1) || !usable(m->S2) || !usable(m->T1) || !usable(m->T2) || !usable(S[2 * i])
            || !usable(S[2 * i + 1]) || !usable(T[2 * i]) || !usable(T[2 * i + 1]))
            continue;
        EndCrossings found;
        if (!extension_walks(db, m, S[2 * i], S[2 * i + 1], T[2 * i], T[2 * i + 1], found))
            return false;
        bool gone = false;
        if (found.U && found.V) {
            const auto XY = moved_end(m->S1, m->T2, found.U, found.V, m->S1->prev, m->T2->next);
            if (!move_end(db, pair, i, m->S1, m->T2, XY.first, XY.second, true, gone))
                return false;
            if (gone)
                return true;
        }
        if (found.A && found.B) {
            m = pair->MP[i];
            point3D* T1 = m->T1;
            point3D* S2 = m->S2;
            if (!usable(T1) || !usable(S2) || !usable(found.A) || !usable(found.B))
                continue;
            const auto XY = moved_end(T1, S2, found.B, found.A, T1->prev, S2->next);
            if (!move_end(db, pair, i, T1, S2, XY.first, XY.second, false, gone))
                return false;
            if (gone)
                return true;
        }
    }
    return true;
}

} // namespace

bool welding::extension_walks(dbReader& db, const mergepair* m, point3D* sBefore, point3D* sAfter, point3D* tBefore,
                              point3D* tAfter, EndCrossings& found)
{
    // Collinear edges do not move an end that is welded already.
    const auto record = [&db](point3D* P, point3D* Q, point3D*& pEnd, point3D*& qEnd) {
        const int code = db.intersection_type(P, Q);
        return code != 9 && crossing_ends(code, P, Q, pEnd, qEnd);
    };
    if (!m->S2->out_edge->bonded && !m->T1->in_edge->bonded && sAfter != m->S2) {
        if (!crossing_walk(sAfter, m->S2, true, tBefore, m->T1, false,
                           [&](point3D* s, point3D* t) { return record(t, s, found.B, found.A); }))
            return false;
    }
    if (!m->S1->in_edge->bonded && !m->T2->out_edge->bonded && sBefore != m->S1) {
        if (!crossing_walk(sBefore, m->S1, false, tAfter, m->T2, true,
                           [&](point3D* s, point3D* t) { return record(s, t, found.U, found.V); }))
            return false;
    }
    return true;
}

std::pair<point3D*, point3D*> welding::moved_end(point3D* e, point3D* f, point3D* foundE, point3D* foundF,
                                                 point3D* eOut, point3D* fOut)
{
    if ((e == foundE) == (f == foundF))
        return {foundE, foundF};
    return {eOut, fOut};
}

welding::AltNesting::AltNesting() : refused_(g_nesting >= kAltMaxNesting)
{
    if (refused_)
        return;
    ++g_nesting;
    if (g_nesting > g_peak)
        g_peak = g_nesting;
}

welding::AltNesting::~AltNesting()
{
    if (!refused_)
        --g_nesting;
}

int welding::AltNesting::peak() { return g_peak; }

void welding::AltNesting::reset_peak() { g_peak = g_nesting; }

int welding::respond_alt(dbReader& db, interpair* pair)
{
    if (!pair)
        return fail(db, 0, "the contact response was given no contact!");
    if (pair->removed || !pair->cell1 || !pair->cell2 || pair->cell1->dead || pair->cell2->dead
        || pair->cell1 == pair->cell2)
        return fail(db, pair->id, QString("contact %1 cannot be handled by the contact response!").arg(pair->id));
    AltNesting level;
    if (level.refused())
        return fail(db, pair->id,
                    QString("contact %1 was reached too deep in the contact response!").arg(pair->id));

    std::vector<point3D*> S, T;
    db.collision_candidate(pair, S, T);
    if (S.empty() || T.empty())
        return dbReader::STEP_OK;
    if (!pair->MP.empty())
        return extend_contact(db, pair, S, T) ? dbReader::STEP_OK : broken_ring(db, pair);
    if (S.size() < 2 || T.size() < 2)
        return dbReader::STEP_OK;
    // The candidates are taken once; later iterations see the rings as the
    // earlier merges left them.
    for (std::size_t i = 0; i < S.size() / 2; ++i)
        for (std::size_t j = 0; j < T.size() / 2; ++j)
            if (open_runs(db, pair, static_cast<int>(i), static_cast<int>(j), S[2 * i], S[2 * i + 1],
                          T[2 * j], T[2 * j + 1]) == Opened::Broken)
                return broken_ring(db, pair);
    return dbReader::STEP_OK;
}

void dbReader::collision_response_m(interpair* pair)
{
    welding::respond_alt(*this, pair);
}
