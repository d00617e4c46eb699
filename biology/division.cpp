// Cell division: a living cell (the parent) is split along a straight line
// through its centre into itself and a new daughter D.
//
// The cut is found and checked before anything changes: the line leaves the
// ring at two existing vertices P and Q, moved together off junctions of
// three or more cells, with at least two sides on each run and the segment
// from Q to P inside the cell; and every weld record of the parent must fit
// its ring and hold at most one of P and Q inside its stretch. Then, in
// order: the daughter and its state, the run from Q to P handed to D, the
// twins P' and Q' on P and Q, the parent's welds following their vertices,
// the two rings closed by a welded cut line of target-length sides, fresh
// meshes, the contacts each half now faces, the contact lists tidied, and the
// migration front kept or dropped.
#include "biology/biology.h"
#include "biology/division_contacts.h"
#include "contact/welding.h"
#include "geometry/numeric.h"
#include "model/dbreader.h"

#include <QString>

#include <cmath>
#include <vector>

using division::Cut;
using welding::new_edge;
using welding::new_pair;
using welding::new_vertex;
using welding::Pos;

namespace {

constexpr double kPi = 3.14159265;
// Target area of a new daughter.
constexpr double kDaughterTargetArea = 259.8;

// Whether c's sides form one closed ring whose links agree with them.
bool ringIsClosed(const cell* c)
{
    const std::size_t n = c->sides.size();
    const point3D* start = c->sides[0]->p1;
    const point3D* v = start;
    for (std::size_t k = 0; k < n; ++k) {
        const edge* e = v ? v->out_edge : nullptr;
        if (!e || e->cell != c || e->p1 != v || e->p2 != v->next || !v->next || v->next->in_edge != e)
            return false;
        v = v->next;
        if (v == start)
            return k + 1 == n;
    }
    return false;
}

// The cut vertices of the line through (cx, cy) at `angle` degrees, in the
// order of the sides. `vertical` uses the line x = cx.
std::vector<point3D*> cutVertices(const cell* c, double angle, double cx, double cy, bool vertical)
{
    std::vector<point3D*> found;
    const double t = std::tan(angle * kPi / 180.0);
    const double b = cy - t * cx;
    for (const edge* e : c->sides) {
        point3D* p1 = e->p1;
        point3D* p2 = e->p2;
        // The offset is measured along y (along x for the vertical line).
        const double d1 = vertical ? p1->x - cx : p1->y - t * p1->x - b;
        const double d2 = vertical ? p2->x - cx : p2->y - t * p2->x - b;
        if ((d1 > 0.0 && d2 < 0.0) || (d1 < 0.0 && d2 > 0.0))
            found.push_back(std::fabs(d2) >= std::fabs(d1) ? p1 : p2);
        else if (vertical && d1 == 0.0)
            found.push_back(p1);
    }
    return found;
}

// Sides walked from `from` along next up to `to` (exclusive); empty when `to`
// is not met within the ring.
std::vector<edge*> runOfSides(point3D* from, const point3D* to, std::size_t ringLength)
{
    std::vector<edge*> run;
    for (point3D* v = from; v != to; v = v->next) {
        if (run.size() >= ringLength)
            return {};
        run.push_back(v->out_edge);
    }
    return run;
}

// Twice the signed area of the polygon from `from` along next to `to`,
// closed by the straight line back; `to` lies on the ring.
double enclosedArea(const point3D* from, const point3D* to)
{
    double sum = 0.0;
    const point3D* v = from;
    do {
        const point3D* w = v == to ? from : v->next;
        sum += v->x * w->y - w->x * v->y;
        v = w;
    } while (v != from);
    return sum;
}

// Whether the segments ab and cd cross at a point inside both.
bool properlyCross(const point3D* a, const point3D* b, const point3D* c, const point3D* d)
{
    return point_line_side_check(a->x, a->y, b->x, b->y, c->x, c->y) *
                   point_line_side_check(a->x, a->y, b->x, b->y, d->x, d->y) ==
               -1 &&
           point_line_side_check(c->x, c->y, d->x, d->y, a->x, a->y) *
                   point_line_side_check(c->x, c->y, d->x, d->y, b->x, b->y) ==
               -1;
}

// Whether the straight cut from Q to P leaves the cell through a side that
// touches neither: in a concave cell it can pass through a notch, and then
// each half encloses a positive area while overlapping the other.
bool cutLeavesCell(const cell* c, const point3D* P, const point3D* Q)
{
    for (const edge* e : c->sides) {
        if (e->p1 == P || e->p1 == Q || e->p2 == P || e->p2 == Q)
            continue;
        if (properlyCross(Q, P, e->p1, e->p2))
            return true;
    }
    return false;
}

// Finds P and Q for the cut at `angle` (already checked to lie in [0, 360])
// through (cx, cy); false when the line does not give one usable cut.
bool findCut(cell* parent, double angle, double cx, double cy, Cut& cut)
{
    const bool vertical = angle == 90.0 || angle == 270.0;
    std::vector<point3D*> found = cutVertices(parent, angle, cx, cy, vertical);
    // A line crossing the ring more than twice gets one more try along the
    // cell's own shape.
    if (!vertical && found.size() >= 3)
        found = cutVertices(parent, parent->shape_based_division_angle(), cx, cy, false);
    if (found.size() != 2 || found[0] == found[1])
        return false;
    cut.P = found[0];
    cut.Q = found[1];

    // Off junctions of three or more cells, both moving together, within one turn.
    const std::size_t n = parent->sides.size();
    for (std::size_t k = 0; cut.P->mp.size() >= 2 || cut.Q->mp.size() >= 2; ++k) {
        if (k >= n)
            return false;
        cut.P = cut.P->next;
        cut.Q = cut.Q->next;
    }

    cut.daughterRun = runOfSides(cut.Q, cut.P, n);
    // Each half keeps at least two sides of the old ring, so that with the
    // cut line it is a polygon of three sides or more, and encloses an area
    // on the inner side of the cut, so that it is not a flat sliver.
    return cut.daughterRun.size() >= 2 && cut.daughterRun.size() + 2 <= n && enclosedArea(cut.Q, cut.P) > 0.0 &&
           enclosedArea(cut.P, cut.Q) > 0.0 && !cutLeavesCell(parent, cut.P, cut.Q);
}

// A twin of v: a new vertex at v's place, welded to v and to all v's partners.
point3D* makeTwin(dbReader& db, point3D* v)
{
    point3D* twin = new_vertex(db, Pos{v->x, v->y});
    for (point3D* m : v->mp) {
        m->pushmp(twin);
        twin->pushmp(m);
    }
    v->pushmp(twin);
    twin->pushmp(v);
    if (!v->node) {
        // A vertex outside every junction gets one of its own.
        v->node = new node(static_cast<int>(db.nodes.size()));
        db.nodes.push_back(v->node);
        v->node->pushvertex(v);
        v->in_node = 1;
    }
    v->node->pushvertex(twin);
    twin->node = v->node;
    twin->in_node = 1;
    return twin;
}

void link(point3D* a, point3D* b, edge* e)
{
    a->next = b;
    b->prev = a;
    a->out_edge = e;
    b->in_edge = e;
}

// The welded cut line from Q to P on the parent and from P' to Q' on D.
void weldCutLine(dbReader& db, cell* parent, cell* D, const Cut& cut, interpair* K)
{
    const double L = std::hypot(cut.P->x - cut.Q->x, cut.P->y - cut.Q->y);
    const int n = std::max(1, static_cast<int>(L / kPi));
    // Chains from the Q end: parent[k] and daughter[k] sit at fraction k / n.
    std::vector<point3D*> onParent{cut.Q};
    std::vector<point3D*> onDaughter{cut.Qt};
    for (int k = 1; k < n; ++k) {
        const double f = static_cast<double>(k) / n;
        const Pos at{cut.Q->x * (1.0 - f) + cut.P->x * f, cut.Q->y * (1.0 - f) + cut.P->y * f};
        point3D* a = new_vertex(db, at);
        point3D* at_d = new_vertex(db, at);
        a->pushmp(at_d);
        at_d->pushmp(a);
        node* j = new node(static_cast<int>(db.nodes.size()));
        db.nodes.push_back(j);
        j->pushvertex(a);
        j->pushvertex(at_d);
        a->node = j;
        at_d->node = j;
        a->in_node = 1;
        at_d->in_node = 1;
        onParent.push_back(a);
        onDaughter.push_back(at_d);
    }
    onParent.push_back(cut.P);
    onDaughter.push_back(cut.Pt);
    for (int k = 1; k <= n; ++k) {
        edge* e = new_edge(db, onParent[k - 1], onParent[k], parent);
        edge* f = new_edge(db, onDaughter[k], onDaughter[k - 1], D);
        link(onParent[k - 1], onParent[k], e);
        link(onDaughter[k], onDaughter[k - 1], f);
        e->partner = f;
        f->partner = e;
        e->bonded = edge::BONDED;
        f->bonded = edge::BONDED;
        e->pair = K;
        f->pair = K;
        parent->sides.push_back(e);
        D->sides.push_back(f);
    }
}

// c's sides in ring order from the side leaving `start`. Every stage that
// reads a ring from its list, and the tissue file, rely on that order.
void orderSides(cell* c, point3D* start)
{
    std::vector<edge*> ring;
    ring.reserve(c->sides.size());
    point3D* v = start;
    do {
        ring.push_back(v->out_edge);
        v = v->next;
    } while (v != start && ring.size() < c->sides.size());
    c->sides.swap(ring);
}

// Contacts that are dissolved, or unwelded on a buried cell, leave the lists
// of both their cells.
void dropDissolvedContacts(cell* c)
{
    std::vector<interpair*> collected;
    for (std::size_t i = c->pairs.size(); i-- > 0;) {
        interpair* K = c->pairs[i];
        if (K->removed)
            collected.push_back(K);
        if (c->burry && K->MP.empty()) {
            K->removed = 1;
            collected.push_back(K);
        }
    }
    for (interpair* K : collected) {
        K->cell1->removepair(K);
        K->cell2->removepair(K);
    }
}

}  // namespace

int dbReader::cell_division(cell* parent, int step, int parentType, int daughterType, double angle)
{
    if (!parent || parent->dead || parent->sides.size() < 3)
        return STEP_OK;
    if (!ringIsClosed(parent)) {
        message = QString("ERROR: the ring of cell %1 is broken, it cannot divide!").arg(parent->id);
        return parent->id;
    }

    // Angle and centre (the centre is refreshed only when the cell divides).
    // The shape angle reads the extreme vertices; a cell never refreshed has none.
    if (!parent->AABB_xmin || !parent->AABB_xmax || !parent->AABB_ymin || !parent->AABB_ymax)
        parent->refresh_AABB();
    if (!(angle >= 0.0 && angle <= 360.0))
        angle = parent->shape_based_division_angle();
    double cx = 0.0, cy = 0.0;
    for (const edge* e : parent->sides) {
        cx += e->p1->x;
        cy += e->p1->y;
    }
    cx /= static_cast<double>(parent->sides.size());
    cy /= static_cast<double>(parent->sides.size());

    Cut cut;
    if (!findCut(parent, angle, cx, cy, cut))
        return STEP_OK;
    if (const interpair* broken = division::brokenRecord(parent, cut)) {
        message = QString("ERROR: a weld record of contact %1 does not fit cell %2, it cannot divide!")
                      .arg(broken->id)
                      .arg(parent->id);
        return parent->id;
    }
    // A stretch holding both cut vertices is refused like a cut that fails.
    if (division::recordAroundBothCuts(parent, cut))
        return STEP_OK;

    // 1-4. The daughter and the state of both cells.
    cell* D = new cell(static_cast<int>(cells.size()));
    const double radius = std::sqrt(parent->area * 0.5 / kPi);
    parent->set_cell_type(parentType);
    D->set_cell_type(daughterType);
    parent->radius = radius;
    D->radius = radius;
    parent->birth_step = step;
    D->birth_step = step;
    parent->growth_rate = 0.0;
    D->growth_rate = 0.0;
    D->target_area = kDaughterTargetArea;
    D->dying = parent->dying;
    cells.push_back(D);

    // 5. The cytokines are shared out; an odd count loses one.
    const std::size_t species = biology ? static_cast<std::size_t>(biology->getNumSpecies()) : parent->species.size();
    for (std::size_t k = 0; k < species; ++k) {
        if (parent->species.size() < k + 1)
            parent->species.push_back(0);
        parent->species[k] /= 2;
        if (D->species.size() < k + 1)
            D->species.push_back(parent->species[k]);
        else
            D->species[k] = parent->species[k];
    }

    // 6-7.
    parent->setup_Circle();
    parent->center_refresh();

    // 10. D takes the run from Q to P, in ring order.
    for (edge* e : cut.daughterRun) {
        parent->removeside(e);
        e->cell = D;
        D->sides.push_back(e);
    }

    // 11. The twins.
    point3D* beforeP = cut.P->prev;
    point3D* afterQ = cut.Q->next;
    edge* enteringP = cut.P->in_edge;
    edge* leavingQ = cut.Q->out_edge;
    cut.Pt = makeTwin(*this, cut.P);
    cut.Qt = makeTwin(*this, cut.Q);
    cut.Pt->in_edge = enteringP;
    cut.Qt->out_edge = leavingQ;

    // 12. The parent's welds follow their vertices.
    division::reweldContacts(*this, parent, D, cut);

    // 13. The cut contact.
    interpair* K = new_pair(*this, parent, D);

    // 14. D's ring runs from Q' to P'.
    cut.Qt->next = afterQ;
    afterQ->prev = cut.Qt;
    leavingQ->p1 = cut.Qt;
    beforeP->next = cut.Pt;
    cut.Pt->prev = beforeP;
    enteringP->p2 = cut.Pt;

    // 15-16. The welded cut line.
    weldCutLine(*this, parent, D, cut, K);
    K->MP.push_back(new mergepair(1, cut.Q, cut.P, cut.Pt, cut.Qt));
    // The parent's sides run from P round to the cut, D's from Q' round to
    // its cut, whose sides are made from the Q end, against D's ring.
    orderSides(parent, cut.P);
    orderSides(D, cut.Qt);

    // 17-18. Fresh meshes, then the contacts each half now faces.
    D->refresh_AABB();
    parent->refresh_AABB();
    cell_interior_resample(parent, step);
    cell_interior_resample(D, step);
    division::discoverContacts(*this, parent, D);

    // 19-20.
    parent->setup_Burry();
    D->setup_Burry();
    dropDissolvedContacts(parent);
    dropDissolvedContacts(D);

    // 21. A parent whose front stayed on its own run goes on migrating.
    if (parent->migrating) {
        D->migrate_relax = 1;
        const bool frontKept = parent->front_first && parent->front_last && parent->front_first->out_edge &&
                               parent->front_last->out_edge && parent->front_first->out_edge->cell == parent &&
                               parent->front_last->out_edge->cell == parent;
        if (!frontKept) {
            parent->migrating = 0;
            D->migrating = 0;
            if (parent->migrated)
                parent->update_migrate_persistence();
            parent->front_first = nullptr;
            parent->front_last = nullptr;
            D->front_first = nullptr;
            D->front_last = nullptr;
        }
    }
    return STEP_OK;
}
