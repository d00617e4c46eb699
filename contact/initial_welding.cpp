// Initial welding of two touching cells. The candidates tell where the two
// boundaries can meet. A pair without a welded stretch is welded afresh
// (pair_welding.cpp); a pair that a third-cell block gave a stretch already
// has each stretch extended at both ends: two end searches find the
// outermost crossings beyond the ends, then each end weld fuses the crossing
// into one point, links the cells welded there, and closes the gap between
// the old end and the new one.
//
// A fused point can bring a third cell's vertices next to the two cells; the
// third-cell block, defined here, then records or extends that contact.
#include "contact/welding.h"

#include <QString>

#include <iostream>

using namespace welding;

namespace {

// Whether the default ends (X on P's cell, Y on Q's cell) of a crossing are
// held by a third cell already.
bool held_by_third_cell(int code, const point3D* X, const point3D* Y)
{
    const bool xw = !X->mp.empty();
    const bool yw = !Y->mp.empty();
    if (xw && yw)
        return share_partner_cell(X, Y);
    if (code != 3)
        return false;
    if (xw) {
        for (const point3D* m : X->mp)
            if (m->next == Y)
                return true;
    } else if (yw) {
        for (const point3D* m : Y->mp)
            if (m->prev == X)
                return true;
    }
    return false;
}

// The ends a crossing code gives (pe on P's cell, qe on Q's); false for the
// codes that record nothing.
bool end_rule(int code, point3D* P, point3D* Q, point3D*& pe, point3D*& qe)
{
    switch (code) {
    case 1:
        pe = P;
        qe = Q;
        return true;
    case 3:
        pe = P->next;
        qe = Q->prev;
        if (held_by_third_cell(3, pe, qe)) {
            pe = P;
            qe = Q;
        }
        return true;
    case 4:
        pe = P;
        qe = Q;
        break;
    case 5:
        pe = P;
        qe = Q->prev;
        break;
    case 6:
        pe = P->next;
        qe = Q;
        break;
    default:
        return false;
    }
    if (held_by_third_cell(code, pe, qe)) {
        pe = P->next;
        qe = Q->prev;
    }
    return true;
}

struct EndFound {
    point3D* onA = nullptr; // end found on the pair's first cell
    point3D* onB = nullptr; // facing end on its second cell
};

// Walks `from` towards `stop` (exclusive) along prev or next, at most the
// ring's bound; false when `stop` is not met.
bool reaches(const point3D* from, const point3D* stop, bool backward)
{
    return count_between(backward ? from->next : from->prev, stop, backward) >= 0;
}

// End weld of one side. `endA` on the first cell and `endB` on the second
// are fused at their midpoint; the gap to the stretch's old end is closed.
// S1/T2 side (`atS1`): the gap runs endA..S1 on A and T2..endB on B.
bool end_weld(dbReader& db, interpair* pair, mergepair* m, point3D* endA, point3D* endB, bool atS1)
{
    point3D* oldA = atS1 ? m->S1 : m->S2;
    point3D* oldB = atS1 ? m->T2 : m->T1;
    // An end found at the stretch's own end has nothing to extend.
    if (endA == oldA || endB == oldB)
        return true;
    const Pos oldPos = pos_of(oldA);
    std::vector<point3D*> E, F;
    const Pos M = fuse_at_midpoint(endA, endB, E, F);
    if (atS1) {
        if (!link_group(db, endB, E, true) || !link_group(db, endA, F, false))
            return false;
        db.node_merge(endA, endB);
        if (!close_gap(db, pair, endA, oldA, oldB, endB, M, oldPos))
            return false;
        m->S1 = endA;
        m->T2 = endB;
        m->adhesion_load_S1 = endA->adhesion_load;
        m->adhesion_load_T2 = endB->adhesion_load;
    } else {
        if (!link_group(db, endB, E, false) || !link_group(db, endA, F, true))
            return false;
        db.node_merge(endB, endA);
        if (!close_gap(db, pair, oldA, endA, endB, oldB, oldPos, M))
            return false;
        m->S2 = endA;
        m->T1 = endB;
        m->adhesion_load_S2 = endA->adhesion_load;
        m->adhesion_load_T1 = endB->adhesion_load;
    }
    return true;
}

// Extends one existing stretch at both ends. s0, s1, t0, t1 are its
// candidates: the outward limits beyond S1, S2, T1 and T2.
bool extend_stretch(dbReader& db, interpair* pair, mergepair* m, point3D* s0, point3D* s1,
                    point3D* t0, point3D* t1)
{
    EndFound beyondS2, beyondS1;

    // Beyond S2 and T1: A's vertices outermost first against B's.
    if (!m->S2->out_edge->bonded && !m->T1->in_edge->bonded && s1 != m->S2) {
        if (!reaches(s1, m->S2, true) || !reaches(t0, m->T1, false))
            return false;
        for (point3D* Q = s1; Q != m->S2 && !beyondS2.onA; Q = Q->prev) {
            for (point3D* P = t0; P != m->T1; P = P->next) {
                point3D *pe, *qe;
                if (end_rule(db.intersection_type(P, Q), P, Q, pe, qe)) {
                    beyondS2.onB = pe;
                    beyondS2.onA = qe;
                    break;
                }
            }
        }
    }
    // Beyond S1 and T2.
    if (!m->S1->in_edge->bonded && !m->T2->out_edge->bonded && s0 != m->S1) {
        if (!reaches(s0, m->S1, false) || !reaches(t1, m->T2, true))
            return false;
        for (point3D* P = s0; P != m->S1 && !beyondS1.onA; P = P->next) {
            for (point3D* Q = t1; Q != m->T2; Q = Q->prev) {
                point3D *pe, *qe;
                if (end_rule(db.intersection_type(P, Q), P, Q, pe, qe)) {
                    beyondS1.onA = pe;
                    beyondS1.onB = qe;
                    break;
                }
            }
        }
    }

    if (beyondS1.onA && !end_weld(db, pair, m, beyondS1.onA, beyondS1.onB, true))
        return false;
    // The first weld may have rebuilt third contacts; the stretch must still
    // belong to the pair before its other end is touched.
    bool present = false;
    for (mergepair* x : pair->MP)
        present = present || x == m;
    if (!present)
        return true;
    if (beyondS2.onA && !end_weld(db, pair, m, beyondS2.onA, beyondS2.onB, false))
        return false;
    return true;
}

void write_block_trace(const BlockTrace& t, const interpair* p)
{
    std::cout << t.prefix << t.firstId << " " << t.secondId << t.separator << p->cell1->id << " "
              << p->cell2->id << std::endl;
}

} // namespace

bool welding::third_cell_block(dbReader& db, point3D* x, point3D* y, bool forward, const BlockTrace* trace)
{
    point3D* u = forward ? x->next : x->prev;
    point3D* w = forward ? y->prev : y->next;
    if (u->mp.empty() || w->mp.empty())
        return true;
    bool joined = u->checkmp(w) || w->checkmp(u);
    for (point3D* q : u->mp)
        joined = joined || w->checkmp(q);
    if (!joined)
        return true;
    edge* nearX = forward ? x->out_edge : x->in_edge;
    edge* nearY = forward ? y->in_edge : y->out_edge;
    if (nearX->bonded)
        return true;
    edge* farU = forward ? u->out_edge : u->in_edge;
    edge* farW = forward ? w->in_edge : w->out_edge;
    cell* X = farU->cell;
    cell* Y = farW->cell;
    if (X == Y)
        return true;
    point3D* head = forward ? x : y;
    point3D* tail = forward ? y : x;
    point3D* headNext = forward ? u : w;

    if (farU->bonded && farW->bonded && farU->partner == farW) {
        // The contact of X and Y goes on beyond u and w: it grows by one edge.
        interpair* p = farU->pair;
        if (!p || p->MP.empty())
            return true;
        mergepair* m = p->MP[0];
        if (m->S1 == headNext) {
            m->S1 = head;
            m->T2 = tail;
            m->adhesion_load_S1 = head->adhesion_load;
            m->adhesion_load_T2 = tail->adhesion_load;
        } else {
            m->T1 = head;
            m->S2 = tail;
            m->adhesion_load_T1 = head->adhesion_load;
            m->adhesion_load_S2 = tail->adhesion_load;
        }
        bond(nearX, nearY, p);
        return true;
    }

    interpair* p = find_pair(X, Y);
    if (p && !p->MP.empty()) {
        const bool headFirst = cell_of(head) == p->cell1;
        // The stretch grows back over the couple from its start: the one
        // that starts at head's neighbour when the contact has several, else
        // the first, and only when it lies ahead of head (from a stretch
        // behind it the re-weld would run round the far side of both rings).
        const auto startOf = [headFirst](const mergepair* m) { return headFirst ? m->S1 : m->T1; };
        std::size_t k = 0;
        while (k < p->MP.size() && startOf(p->MP[k]) != headNext)
            ++k;
        mergepair* m0 = p->MP[k < p->MP.size() ? k : 0];
        const StretchSides sides = stretch_sides(head, startOf(m0), headFirst ? m0->S2 : m0->T2);
        if (!sides.known() || sides.behind < sides.ahead)
            return true;
        if (trace && !trace->afterReweld)
            write_block_trace(*trace, p);
        point3D* start = startOf(m0);
        if (!boundary_merge(db, head, start, tail, headFirst ? m0->T2 : m0->S2))
            return false;
        if (trace && trace->afterReweld)
            write_block_trace(*trace, p);
        // The re-weld may have dropped stretches: the one starting where the
        // grown stretch started is looked up again, and a contact left
        // without it has nothing to move.
        k = 0;
        while (k < p->MP.size() && startOf(p->MP[k]) != start)
            ++k;
        if (k == p->MP.size())
            return true;
        m0 = p->MP[k];
        if (headFirst) {
            m0->S1 = head;
            m0->T2 = tail;
        } else {
            m0->T1 = head;
            m0->S2 = tail;
        }
    } else if (p) {
        point3D* s = (cell_of(u) == p->cell1) ? u : w;
        point3D* t = (s == u) ? w : u;
        p->MP.push_back(new mergepair(0, s, s, t, t));
    } else {
        interpair* fresh = new_pair(db, X, Y);
        fresh->MP.push_back(new mergepair(0, u, u, w, w));
    }
    return true;
}

int welding::weld_pair(dbReader& db, interpair* pair)
{
    std::vector<point3D*> S, T;
    db.collision_candidate(pair, S, T);
    if (S.empty() || T.empty())
        return dbReader::STEP_OK;
    const std::size_t n = pair->MP.size();
    bool ok = true;
    if (n == 0) {
        ok = weld_new_pair(db, pair, S, T);
    } else {
        // Stretches appended during this call are not visited; one deleted by
        // a third-cell merge is skipped.
        std::vector<mergepair*> stretches(pair->MP.begin(), pair->MP.begin() + static_cast<long>(n));
        for (std::size_t k = 0; k < n && ok; ++k) {
            bool present = false;
            for (mergepair* x : pair->MP)
                present = present || x == stretches[k];
            if (present)
                ok = extend_stretch(db, pair, stretches[k], S[2 * k], S[2 * k + 1], T[2 * k], T[2 * k + 1]);
        }
    }
    if (ok)
        return dbReader::STEP_OK;
    db.message = QString("ERROR: the boundaries of cells %1 and %2 could not be walked while welding them!")
                     .arg(pair->cell1->id)
                     .arg(pair->cell2->id);
    return pair->id;
}

void dbReader::collision_response(interpair* pair)
{
    welding::weld_pair(*this, pair);
}
