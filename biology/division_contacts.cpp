// Re-welding of a dividing cell's contacts and discovery of the contacts of
// its two halves. See division_contacts.h for the terms.
//
// A weld record of a contact between the parent and a neighbour N is read as
// a1..a2 on the parent (along next) and b1..b2 on N; a1 is welded to b2 and
// a2 to b1. With a1* = Q' when a1 is Q and a2* = P' when a2 is P, the record
// lies on the parent's run when the side leaving a1* and the side entering
// a2* stay with the parent, on D's run when both go to D. Every new contact
// has D first and N second, so D's ends fill S1, S2 and N's T1, T2.
#include "biology/division_contacts.h"

#include "contact/welding.h"
#include "geometry/cd3dw.h"

#include <algorithm>

using welding::cell_of;
using welding::new_pair;
using welding::ring_bound;

namespace division {

bool Cut::onDaughterRun(const edge* e) const
{
    return e && std::find(daughterRun.begin(), daughterRun.end(), e) != daughterRun.end();
}

namespace {

// Pi squared: the weight of every point of the contact triangulation.
constexpr double kPointWeight = 9.869604378534024;

// What happens to one record.
enum class Shape {
    KeptOnParent,     // case 1: on the parent's run (the twin may share an end)
    OnDaughter,       // case 2: on D's run
    AcrossQ,          // case 3: from the parent's run across Q into D's
    AcrossP,          // case 4: from D's run (or from Q itself) across P into the parent's
    LoneAtCut,        // a lone cut vertex (P or Q) welded to a stretch of N: its twin shares it
    PointQ,           // case 5: single vertex on N, a1 is Q
    PointP,           // case 6: single vertex on N, a2 is P
    PointOnDaughter,  // case 7: single vertex on N, the record on D's run
    Untouched,        // any other record
};

// One record as the parent sees it.
struct Record {
    mergepair* m = nullptr;
    bool parentFirst = true;  // the parent is the contact's cell1
    point3D* a1 = nullptr;
    point3D* a2 = nullptr;
    point3D* b1 = nullptr;
    point3D* b2 = nullptr;
};

Record readRecord(const interpair* K, mergepair* m, const cell* parent)
{
    Record r;
    r.m = m;
    r.parentFirst = K->cell1 == parent;
    r.a1 = r.parentFirst ? m->S1 : m->T1;
    r.a2 = r.parentFirst ? m->S2 : m->T2;
    r.b1 = r.parentFirst ? m->T1 : m->S1;
    r.b2 = r.parentFirst ? m->T2 : m->S2;
    return r;
}

// Writes the parent's and N's ends back in the contact's own field order.
void writeRecord(const Record& r)
{
    (r.parentFirst ? r.m->S1 : r.m->T1) = r.a1;
    (r.parentFirst ? r.m->S2 : r.m->T2) = r.a2;
    (r.parentFirst ? r.m->T1 : r.m->S1) = r.b1;
    (r.parentFirst ? r.m->T2 : r.m->S2) = r.b2;
}

cell* otherCell(const interpair* K, const cell* c)
{
    return K->cell1 == c ? K->cell2 : K->cell1;
}

bool onRing(const point3D* v, const cell* c)
{
    return v && v->alive && v->out_edge && v->out_edge->cell == c && v->in_edge && v->in_edge->cell == c;
}

// Whether `to` is met walking next from `from` (both included) within the
// ring's bound; `before`, when met first, stops the walk with false.
bool reaches(const point3D* from, const point3D* to, const point3D* before = nullptr)
{
    const int bound = ring_bound(cell_of(from));
    const point3D* v = from;
    for (int k = 0; v && k <= bound; ++k, v = v->next) {
        if (v == to)
            return true;
        if (v == before)
            return false;
    }
    return false;
}

// The first merge partner of v on N: X of a cut across Q (its out side on
// N), Y of a cut across P (its in side on N).
point3D* partnerOn(const point3D* v, const cell* N, bool outSide)
{
    for (point3D* m : v->mp) {
        const edge* e = outSide ? m->out_edge : m->in_edge;
        if (e && e->cell == N)
            return m;
    }
    return nullptr;
}

Shape classify(const Record& r, const Cut& cut)
{
    const bool startsOnD = cut.onDaughterRun(r.a1->out_edge);
    const bool endsOnD = cut.onDaughterRun(r.a2->in_edge);
    // A lone cut vertex has one side on each run, which would read as a
    // stretch running across the other cut vertex.
    if (r.b1 != r.b2 && r.a1 == r.a2 && (r.a1 == cut.P || r.a1 == cut.Q))
        return Shape::LoneAtCut;
    if (r.b1 == r.b2) {
        if (r.a1 == cut.Q)
            return Shape::PointQ;
        if (r.a2 == cut.P)
            return Shape::PointP;
        return startsOnD && endsOnD ? Shape::PointOnDaughter : Shape::Untouched;
    }
    if (!startsOnD && !endsOnD)
        return Shape::KeptOnParent;
    if (startsOnD && endsOnD)
        return Shape::OnDaughter;
    if (!startsOnD)
        // From the parent's run the walk meets Q before reaching D's run.
        return Shape::AcrossQ;
    // From D's run (Q included) the walk crosses P before it can reach Q.
    return Shape::AcrossP;
}

// Whether N's sides on both sides of its stretch are welded.
bool bondedBeyond(const Record& r)
{
    const edge* in = r.b1->in_edge;
    const edge* out = r.b2->out_edge;
    return in && out && in->bonded && out->bonded;
}

interpair* newDaughterContact(dbReader& db, cell* D, cell* N, point3D* S1, point3D* S2, point3D* T1,
                              point3D* T2)
{
    interpair* K = new_pair(db, D, N);
    K->MP.push_back(new mergepair(0, S1, S2, T1, T2));
    return K;
}

// The sides leaving from, from.next, ... up to `to` (exclusive) and their
// partners name K.
void repoint(point3D* from, const point3D* to, interpair* K)
{
    const int bound = ring_bound(cell_of(from));
    point3D* v = from;
    for (int k = 0; v && v != to && k <= bound; ++k, v = v->next) {
        edge* e = v->out_edge;
        if (!e)
            break;
        e->pair = K;
        if (e->partner)
            e->partner->pair = K;
    }
}

}  // namespace

const interpair* brokenRecord(const cell* parent, const Cut& cut)
{
    for (const interpair* K : parent->pairs) {
        if (!K || K->removed)
            continue;
        if (K->cell1 != parent && K->cell2 != parent)
            return K;
        const cell* N = otherCell(K, parent);
        if (!N || N == parent)
            return K;
        for (mergepair* m : K->MP) {
            const Record r = readRecord(K, m, parent);
            if (!onRing(r.a1, parent) || !onRing(r.a2, parent) || !onRing(r.b1, N) || !onRing(r.b2, N))
                return K;
            if (!reaches(r.a1, r.a2))
                return K;
            const Shape s = classify(r, cut);
            if (s == Shape::AcrossQ && !partnerOn(cut.Q, N, true))
                return K;
            if (s == Shape::AcrossP && !partnerOn(cut.P, N, false))
                return K;
        }
    }
    return nullptr;
}

const interpair* recordAroundBothCuts(const cell* parent, const Cut& cut)
{
    const int bound = ring_bound(parent);
    for (const interpair* K : parent->pairs) {
        if (!K || K->removed)
            continue;
        for (mergepair* m : K->MP) {
            const Record r = readRecord(K, m, parent);
            // The vertices strictly between a1 and a2; none for a lone vertex.
            bool metP = false, metQ = false;
            const point3D* v = r.a1 == r.a2 ? r.a2 : r.a1->next;
            for (int k = 0; v && v != r.a2 && k <= bound; ++k, v = v->next) {
                metP = metP || v == cut.P;
                metQ = metQ || v == cut.Q;
            }
            if (metP && metQ)
                return K;
        }
    }
    return nullptr;
}

void reweldContacts(dbReader& db, cell* parent, cell* D, const Cut& cut)
{
    // New contacts go to D's and N's lists, never the parent's, so the list
    // walked here keeps its length.
    for (std::size_t i = 0; i < parent->pairs.size(); ++i) {
        interpair* K = parent->pairs[i];
        if (K->removed)
            continue;
        cell* N = otherCell(K, parent);
        // Each record present now is handled once, whatever the earlier ones did.
        const std::vector<mergepair*> records = K->MP;
        for (mergepair* m : records) {
            Record r = readRecord(K, m, parent);
            point3D* a1t = r.a1 == cut.Q ? cut.Qt : r.a1;
            point3D* a2t = r.a2 == cut.P ? cut.Pt : r.a2;
            switch (classify(r, cut)) {
            case Shape::KeptOnParent:
                if (r.a1 == cut.P)
                    newDaughterContact(db, D, N, cut.Pt, cut.Pt, r.b2, r.b2);
                else if (r.a2 == cut.Q)
                    newDaughterContact(db, D, N, cut.Qt, cut.Qt, r.b1, r.b1);
                break;
            case Shape::OnDaughter: {
                interpair* moved = newDaughterContact(db, D, N, a1t, a2t, r.b1, r.b2);
                repoint(r.a1, r.a2, moved);
                const bool beyond = bondedBeyond(r);
                if (r.a1 == cut.Q) {
                    r.a2 = cut.Q;
                    r.b1 = r.b2;
                    writeRecord(r);
                } else if (r.a2 == cut.P) {
                    r.a1 = cut.P;
                    r.b2 = r.b1;
                    writeRecord(r);
                } else {
                    K->remove_MP(m);
                    if (beyond && K->MP.empty())
                        K->removed = 1;
                }
                break;
            }
            case Shape::AcrossQ: {
                point3D* X = partnerOn(cut.Q, N, true);
                interpair* moved = newDaughterContact(db, D, N, cut.Qt, a2t, r.b1, X);
                repoint(cut.Q, r.a2, moved);
                r.a2 = cut.Q;
                r.b1 = X;
                writeRecord(r);
                break;
            }
            case Shape::AcrossP: {
                point3D* Y = partnerOn(cut.P, N, false);
                interpair* moved = newDaughterContact(db, D, N, a1t, cut.Pt, Y, r.b2);
                repoint(r.a1, cut.P, moved);
                r.a1 = cut.P;
                r.b2 = Y;
                writeRecord(r);
                break;
            }
            case Shape::LoneAtCut: {
                point3D* twin = r.a1 == cut.P ? cut.Pt : cut.Qt;
                newDaughterContact(db, D, N, twin, twin, r.b1, r.b2);
                break;
            }
            case Shape::PointQ:
                newDaughterContact(db, D, N, cut.Qt, cut.Qt, r.b1, r.b1);
                break;
            case Shape::PointP:
                newDaughterContact(db, D, N, cut.Pt, cut.Pt, r.b1, r.b1);
                break;
            case Shape::PointOnDaughter: {
                const bool beyond = bondedBeyond(r);
                K->remove_MP(m);
                if (beyond && K->MP.empty())
                    K->removed = 1;
                newDaughterContact(db, D, N, r.a1, r.a2, r.b1, r.b1);
                break;
            }
            case Shape::Untouched:
                break;
            }
        }
    }
}

namespace {

// Whether c lists a contact (removed or not) with x.
bool listsContactWith(const cell* c, const cell* x)
{
    for (const interpair* K : c->pairs)
        if ((K->cell1 == c && K->cell2 == x) || (K->cell1 == x && K->cell2 == c))
            return true;
    return false;
}

void noteOnce(std::vector<cell*>& list, cell* c)
{
    if (std::find(list.begin(), list.end(), c) == list.end())
        list.push_back(c);
}

// The points a cell brings to the triangulation.
const std::vector<point3D*>& meshPoints(const cell* c)
{
    return c->inner_p.empty() ? c->inner_p_slip : c->inner_p;
}

}  // namespace

void discoverContacts(dbReader& db, cell* parent, cell* D)
{
    // 1. The cells the parent is in contact with (D among them), each once:
    // a second contact with the same cell would only bring the same points.
    std::vector<cell*> around;
    for (const interpair* K : parent->pairs)
        if (!K->removed)
            noteOnce(around, otherCell(K, parent));

    // 2. The points, and a box that holds every one of them.
    std::vector<point3D*> points;
    for (const cell* c : around)
        points.insert(points.end(), meshPoints(c).begin(), meshPoints(c).end());
    if (parent->inner_p.empty()) {
        points.insert(points.end(), parent->inner_p_slip.begin(), parent->inner_p_slip.end());
    } else {
        for (point3D* p : parent->inner_p)
            if (!p->deep_inner)
                points.push_back(p);
    }
    if (points.empty())
        return;
    double rect[4] = {1e12, 1e12, -1e12, -1e12};
    for (const point3D* p : points) {
        rect[0] = std::min(rect[0], p->x);
        rect[1] = std::min(rect[1], p->y);
        rect[2] = std::max(rect[2], p->x);
        rect[3] = std::max(rect[3], p->y);
    }
    rect[0] -= 1000.0;
    rect[1] -= 1000.0;
    rect[2] += 1000.0;
    rect[3] += 1000.0;

    // 3. The triangulation.
    CD3DW triangulation(rect);
    for (std::size_t i = 0; i < points.size(); ++i)
        triangulation.add_resample(points[i]->x, points[i]->y, kPointWeight, static_cast<int>(i), points[i]);

    // 4. Cells whose points share a triangle with either half.
    std::vector<cell*> nearDaughter;
    std::vector<cell*> nearParent;
    for (const CCell* t : triangulation.cells) {
        if (!t->alive || t->has_bounding_vertex())
            continue;
        cell* owners[3];
        for (int k = 0; k < 3; ++k)
            owners[k] = t->vertex[k]->point ? t->vertex[k]->point->cell : nullptr;
        const bool hasD = std::count(owners, owners + 3, D) > 0;
        const bool hasParent = std::count(owners, owners + 3, parent) > 0;
        for (cell* o : owners) {
            if (!o)
                continue;
            if (hasD && o != D)
                noteOnce(nearDaughter, o);
            if (hasParent && o != parent)
                noteOnce(nearParent, o);
        }
    }

    // 5. Contacts without welds for the cells not listed yet.
    for (cell* x : nearDaughter)
        if (!listsContactWith(D, x))
            new_pair(db, D, x);
    for (cell* x : nearParent)
        if (!listsContactWith(parent, x))
            new_pair(db, parent, x);
}

}  // namespace division
