// The collision stage. On a tissue freshly built from cell centres it runs
// once as the initial pass: one pair per edge of the neighbour complex, each
// welded along its touching boundaries, then single-point welds at triple
// junctions. Afterwards it runs every step: each live contact is brought up
// to date in two passes, a contact whose cells still cross is answered again,
// the changed cells are re-meshed, and every welded edge must still belong to
// a pair that has a welded stretch.
#include "contact/crossing_contacts.h"
#include "contact/welding.h"
#include "model/stage_progress.h"
#include "geometry/ccomplex.h"

#include <QCoreApplication>
#include <QObject>
#include <QProgressDialog>

namespace {

// Visits the pairs by index in one pass; pairs appended meanwhile are
// visited too, in further walks. Returns a failure index or -1.
int contact_pass(dbReader& db, QProgressDialog& progress, int step, int pass)
{
    std::size_t begin = 0;
    std::size_t end = db.interpairs.size();
    while (begin < end) {
        for (std::size_t k = begin; k < end; ++k) {
            interpair* pair = db.interpairs[k];
            if (pair->removed || pair->check_detection())
                continue;
            if (pair->cell1->dead || pair->cell2->dead)
                db.message = QString("ERROR: one cell of %1 and %2 is already dead!")
                                 .arg(pair->cell1->id)
                                 .arg(pair->cell2->id);
            const int r = db.collision_response_m2(pair, step, pass, pair->id);
            if (r >= 0)
                return r;
            if (pass == 1) {
                progress.setValue(static_cast<int>((k * 50) / end));
                QCoreApplication::processEvents();
            }
        }
        begin = end;
        end = db.interpairs.size();
    }
    return dbReader::STEP_OK;
}

} // namespace

int dbReader::detect_collision(int step)
{
    if (collision_state == COLLISION_INITIAL) {
        // 1. One pair per edge simplex of the neighbour complex; its ids are
        //    cell indices plus one.
        if (alpha_complex) {
            for (CSimplex* s : alpha_complex->simplices) {
                if (!s || s->size() != 2)
                    continue;
                auto* e = static_cast<C1Simplex*>(s);
                const int i = e->id[0] - 1;
                const int j = e->id[1] - 1;
                const int count = static_cast<int>(cells.size());
                if (i < 0 || j < 0 || i >= count || j >= count)
                    continue;
                welding::new_pair(*this, cells[i], cells[j]);
            }
        }
        // 2. Welding; pairs appended meanwhile are not visited.
        const std::size_t n = interpairs.size();
        for (std::size_t k = 0; k < n; ++k) {
            interpair* pair = interpairs[k];
            const int r = welding::weld_pair(*this, pair);
            if (r >= 0)
                return r;
            pair->cell1->refresh_AABB();
            pair->cell2->refresh_AABB();
        }
        // 3. Triple junctions; 4. contacts established.
        collision_refresh_initial();
        collision_state = COLLISION_ESTABLISHED;
        return STEP_OK;
    }
    if (collision_state != COLLISION_ESTABLISHED)
        return STEP_OK;

    QProgressDialog progress;
    showStageProgress(progress, QObject::tr("Simulation: collision-detection"), QObject::tr("Cell collision detection..."),
                      99);

    for (int pass = 1; pass <= 2; ++pass) {
        const int r = contact_pass(*this, progress, step, pass);
        if (r >= 0) {
            progress.close();
            return r;
        }
    }

    // A fusion late in the second pass moves a junction vertex, and with it
    // the side of every cell welded there; that side can land across a
    // neighbour the cell is paired with, after the second-pass response of
    // the pair that joins them. Nothing in this stage would visit that pair
    // again, and the edge stage pairs only cells that share no pair, so the
    // crossing would stand until the next step. So every pair the passes
    // visit whose cells still cross, for this or any other reason, gets the
    // second pass's response again; where no cells cross, nothing changes.
    for (std::size_t k = 0; k < interpairs.size(); ++k) {
        interpair* pair = interpairs[k];
        if (pair->removed || pair->check_detection())
            continue;
        const int r = welding::respond_while_crossing(*this, pair, step);
        if (r >= 0) {
            progress.close();
            return r;
        }
    }

    // Re-mesh the cells whose boundary changed, and every driven cell.
    const std::size_t count = cells.size();
    for (std::size_t k = 0; k < count; ++k) {
        cell* c = cells[k];
        if (c->dead || !(c->remesh || c->driven))
            continue;
        cell_interior_resample(c, step);
        c->remesh = 0;
        progress.setValue(50 + static_cast<int>((40 * k) / count));
        QCoreApplication::processEvents();
    }

    // Every welded edge must belong to a pair with a welded stretch.
    for (std::size_t k = 0; k < count; ++k) {
        cell* c = cells[k];
        if (c->dead)
            continue;
        for (edge* side : c->sides) {
            side->p1->overlap_mark = 0;
            if (!side->bonded)
                continue;
            interpair* p = side->pair;
            if (!p || p->MP.empty()) {
                message = p ? QString("ERROR: the pair %1 of cells %2 and %3 was empty!")
                                  .arg(p->id)
                                  .arg(p->cell1->id)
                                  .arg(p->cell2->id)
                            : QString("ERROR: a welded side of cell %1 has no pair!").arg(c->id);
                progress.close();
                return static_cast<int>(k);
            }
        }
    }

    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    progress.close();
    return STEP_OK;
}

void dbReader::collision_refresh_initial()
{
    for (node* n : nodes) {
        if (!n || n->vertices.size() != 3)
            continue;
        point3D* three[3] = {n->vertices[0], n->vertices[1], n->vertices[2]};
        bool allBonded = true;
        bool usable = true;
        for (point3D* p : three) {
            if (!p || !p->alive || !p->in_edge || !p->out_edge) {
                usable = false;
                break;
            }
            allBonded = allBonded && p->in_edge->bonded && p->out_edge->bonded;
        }
        if (!usable || allBonded)
            continue;
        // A vertex welded on both sides: its two neighours across those edges
        // are the two outer cells, which meet only at this junction.
        point3D* v = nullptr;
        for (point3D* p : three) {
            if (p->in_edge->bonded && p->out_edge->bonded) {
                v = p;
                break;
            }
        }
        if (!v || !v->in_edge->partner || !v->out_edge->partner)
            continue;
        point3D* q1 = v->in_edge->partner->p1;
        point3D* q2 = v->out_edge->partner->p2;
        if (!q1 || !q2 || !q1->out_edge || !q2->in_edge)
            continue;
        cell* X1 = q1->out_edge->cell;
        cell* X2 = q2->in_edge->cell;
        interpair* pair = nullptr;
        for (interpair* p : X1->pairs) {
            if ((p->cell1 == X1 && p->cell2 == X2) || (p->cell1 == X2 && p->cell2 == X1)) {
                pair = p;
                break;
            }
        }
        if (!pair || !pair->MP.empty())
            continue;
        point3D* s = (pair->cell1 == X1) ? q1 : q2;
        point3D* t = (s == q1) ? q2 : q1;
        pair->MP.push_back(new mergepair(0, s, s, t, t));
    }
}

namespace {

// The first couple (s, t) with t a partner of s, s walking from `sFrom`
// along next up to (excluding) `sStop`, t from `tFrom` along prev up to
// (excluding) `tStop`; false when none.
bool first_welded_couple(point3D* sFrom, point3D* sStop, point3D* tFrom, point3D* tStop,
                         point3D*& s, point3D*& t)
{
    const int boundS = welding::ring_bound(welding::cell_of(sFrom));
    const int boundT = welding::ring_bound(welding::cell_of(tFrom));
    int i = 0;
    for (point3D* a = sFrom; a != sStop && i <= boundS; a = a->next, ++i) {
        if (tFrom == tStop)
            break;
        int j = 0;
        for (point3D* b = tFrom; b != tStop && j <= boundT; b = b->prev, ++j) {
            if (a->checkmp(b)) {
                s = a;
                t = b;
                return true;
            }
        }
    }
    return false;
}

// Grows an end outward while the next couple beyond it is welded: `a` walks
// `aStep` (prev or next), `b` the other way. The walk gives up, keeping the
// old ends, when the candidate for `a` reaches `limit`.
void grow_end(point3D*& a, point3D*& b, bool aBackward, point3D* limit)
{
    const int bound = welding::ring_bound(welding::cell_of(a));
    point3D* na = a;
    point3D* nb = b;
    for (int k = 0; k <= bound; ++k) {
        point3D* ca = aBackward ? na->prev : na->next;
        point3D* cb = aBackward ? nb->next : nb->prev;
        if (!cb->checkmp(ca))
            break;
        if (ca == limit)
            return;
        na = ca;
        nb = cb;
    }
    a = na;
    b = nb;
}

} // namespace

void dbReader::collision_refresh(interpair* pair)
{
    for (mergepair* m : pair->MP) {
        point3D* S1 = m->S1;
        point3D* S2 = m->S2;
        point3D* T1 = m->T1;
        point3D* T2 = m->T2;
        // S1/T2 end: grow outward while welded, else shrink to the first
        // welded couple inside.
        if (S1->checkmp(T2)) {
            grow_end(S1, T2, true, S2->next);
        } else if (S1 != S2) {
            point3D *s, *t;
            if (first_welded_couple(S1, S2, T2, T1, s, t)) {
                S1 = s;
                T2 = t;
            }
        }
        // T1/S2 end, bounded by the new S1 and T2.
        if (T1->checkmp(S2)) {
            grow_end(T1, S2, true, T2->next);
        } else {
            point3D *t, *s;
            if (first_welded_couple(T1, T2, S2, S1, t, s)) {
                T1 = t;
                S2 = s;
            }
        }
        m->S1 = S1;
        m->S2 = S2;
        m->T1 = T1;
        m->T2 = T2;
    }
}
