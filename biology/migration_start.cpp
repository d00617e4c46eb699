// The start of a migration and the neighbour search it builds on.
//
// A direction (degrees, counter-clockwise from +x) leaves a cell through its
// exit side: the first side crossed by the ray from the centre whose outward
// normal faces the direction. Across a free exit side the cell protrudes into
// free space: its leading front is the run of vertices around that side that
// face the direction. Across a welded side it pushes into the neighbour: the
// front is the welded stretch holding the side, and the free vertices beyond
// it that still face the direction help with a fixed force. A cell pushing
// into a cell whose adhesion it degrades keeps rear records of the cells it
// passes, so that the mechanics can let them fill in behind it.
#include "model/dbreader.h"

#include "contact/welding.h"
#include "geometry/numeric.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

using welding::ring_bound;

namespace {

constexpr double kPi = 3.14159265;
// Least facing value of a front vertex or an extension edge.
constexpr double kLeastFacing = 0.17;
// Force cap of a front into free space, and force of extension vertices.
constexpr double kFreeForce = 31.4159265;
// Least distance between the centres stored in two rear records.
constexpr double kRecordSpacing = 10.0;
// Start of every extreme-vertex search.
constexpr double kSearchStart = -1000000.0;
// Pi squared: the largest squared radius of a small ear triangle.
constexpr double kSmallTriangle = 9.869604378534024;

struct Direction {
    double x;
    double y;
};

// The unit vector of an angle; the quarter turns up and down are exact.
Direction directionOf(double angle)
{
    if (angle == 90.0)
        return {0.0, 1.0};
    if (angle == 270.0)
        return {0.0, -1.0};
    return {std::cos(angle * kPi / 180.0), std::sin(angle * kPi / 180.0)};
}

// The unit outward normal of e; a side of no length has none.
Direction unitNormal(edge* e)
{
    const double nx = e->getnormal(0), ny = e->getnormal(1);
    const double len = std::hypot(nx, ny);
    return len > 0.0 ? Direction{nx / len, ny / len} : Direction{0.0, 0.0};
}

// How far the vertex normal of v (the normalised sum of its two sides' unit
// outward normals) faces u.
double facing(const point3D* v, Direction u)
{
    if (!v->out_edge || !v->in_edge)
        return 0.0;
    const Direction a = unitNormal(v->out_edge), b = unitNormal(v->in_edge);
    const double sx = a.x + b.x, sy = a.y + b.y;
    const double len = std::hypot(sx, sy);
    return len > 0.0 ? (sx * u.x + sy * u.y) / len : 0.0;
}

// The side the ray from c's centre at `angle` leaves through; c's first side
// when none qualifies, null when c has no sides.
edge* exitSide(const cell* c, double angle)
{
    if (c->sides.empty())
        return nullptr;
    const double cx = c->center[0], cy = c->center[1];
    const Direction u = directionOf(angle);
    if (angle == 90.0 || angle == 270.0) {
        for (edge* e : c->sides) {
            const double x1 = e->p1->x, x2 = e->p2->x;
            const bool spans = (x1 <= cx && cx < x2) || (x2 <= cx && cx < x1);
            const double ny = e->getnormal(1);
            if (spans && (angle == 90.0 ? ny > 0.0 : ny < 0.0))
                return e;
        }
        return c->sides.front();
    }
    const double t = std::tan(angle * kPi / 180.0);
    const double b = cy - cx * t;
    for (edge* e : c->sides) {
        const double d1 = e->p1->y - e->p1->x * t - b;
        const double d2 = e->p2->y - e->p2->x * t - b;
        const bool crosses = (d1 >= 0.0 && 0.0 > d2) || (d1 < 0.0 && 0.0 <= d2);
        if (crosses && e->getnormal(0) * u.x + e->getnormal(1) * u.y > 0.0)
            return e;
    }
    return c->sides.front();
}

cell* otherCell(const interpair* K, const cell* c)
{
    return K->cell1 == c ? K->cell2 : K->cell1;
}

// The stretch of K whose run on c holds the side e; K's first stretch when
// none does (a pair keeps several stretches apart only when sound).
mergepair* stretchHoldingSide(const interpair* K, const cell* c, const edge* e)
{
    const bool first = K->cell1 == c;
    const int bound = ring_bound(c);
    for (mergepair* m : K->MP) {
        const point3D* from = first ? m->S1 : m->T1;
        const point3D* to = first ? m->S2 : m->T2;
        const point3D* v = from;
        for (int k = 0; v && v != to && k <= bound; ++k, v = v->next)
            if (v == e->p1)
                return m;
    }
    return K->MP.front();
}

bool isDegradable(const cell* o, const std::vector<int>* degradable)
{
    return degradable && std::find(degradable->begin(), degradable->end(), o->cell_type) != degradable->end();
}

// A rear record about `filling`, with c's centre and the neighbours of
// `filling` other than `exclude`.
rear_fc* newRecord(int id, double angle, const cell* c, cell* filling, const cell* exclude)
{
    auto* r = new rear_fc(id);
    r->angle = angle;
    r->x = c->center[0];
    r->y = c->center[1];
    r->filling_cell = filling;
    for (const interpair* K : filling->pairs) {
        cell* n = otherCell(K, filling);
        if (!K->removed && n != exclude)
            r->push_NCs(n);
    }
    return r;
}

// Rear records of c pushing into the degradable cell o: record 0 about c
// itself, then one per cell pushed into, none closer than 10.0 to another.
void keepRearRecords(cell* c, cell* o, double angle)
{
    if (c->filling_cells.empty()) {
        rear_fc* self = newRecord(0, angle, c, c, o);
        self->self_record = 1;
        c->filling_cells.push_back(self);
    }
    const std::size_t k = c->filling_cells.size();
    for (std::size_t i = 1; i < k; ++i) {
        const rear_fc* r = c->filling_cells[i];
        if (r->filling_cell == o || std::hypot(r->x - c->center[0], r->y - c->center[1]) < kRecordSpacing)
            return;
    }
    c->filling_cells.push_back(newRecord(static_cast<int>(k), angle, c, o, c));
}

// The free vertices beyond a welded front that still face u get the
// extension force, walking away from `start` (backwards along prev when
// `backward`) while the side towards the front is free.
void extendFront(point3D* start, Direction u, bool backward, int bound)
{
    point3D* v = start;
    for (int k = 0; v && k <= bound; ++k, v = backward ? v->prev : v->next) {
        edge* towardFront = backward ? v->out_edge : v->in_edge;
        if (!towardFront || towardFront->bonded || !v->out_edge || !v->in_edge)
            return;
        const Direction a = unitNormal(v->out_edge), b = unitNormal(v->in_edge);
        if (a.x * u.x + a.y * u.y < kLeastFacing && b.x * u.x + b.y * u.y < kLeastFacing)
            return;
        v->migrate_force = kFreeForce;
    }
}

// o's welded vertex of the stretch facing u furthest; null when the walk
// from one end of o's run does not reach the other.
point3D* foremostOnNeighbour(const interpair* K, const mergepair* m, const cell* o, Direction u)
{
    const bool first = K->cell1 == o;
    point3D* v = first ? m->S1 : m->T1;
    const point3D* last = first ? m->S2 : m->T2;
    const int bound = ring_bound(o);
    point3D* best = nullptr;
    double most = kSearchStart;
    for (int k = 0; v && k <= bound; ++k, v = v->next) {
        const double d = v->x * u.x + v->y * u.y;
        if (d > most) {
            most = d;
            best = v;
        }
        if (v == last)
            return best;
    }
    return nullptr;
}

// Whether a small ear triangle at v has another corner whose vertex normal
// faces u: the neighbour is worn through there.
bool wornThrough(const point3D* v, Direction u)
{
    for (const triangle* t : v->inner_at) {
        const point3D* corners[3] = {t->a, t->b, t->c};
        const bool ear = std::all_of(corners, corners + 3, [](const point3D* p) { return p->boundary; });
        if (!ear || !(t->radius2 < kSmallTriangle))
            continue;
        for (const point3D* p : corners)
            if (p != v && facing(p, u) > 0.0)
                return true;
    }
    return false;
}

}  // namespace

cell* dbReader::cell_migrate_angle(cell* c, double angle)
{
    const edge* e = c ? exitSide(c, angle) : nullptr;
    if (!e || !e->bonded || !e->pair)
        return nullptr;
    return otherCell(e->pair, c);
}

namespace {

// The migration start shared by both routines; `wearNeighbour` adds the
// check that marks a degradable neighbour worn through as dying.
void startMigration(cell* c, double angle, std::vector<int>* degradable, double force, bool wearNeighbour)
{
    if (!c || c->sides.empty())
        return;
    c->center_refresh();
    c->migrate_responded = 1;
    c->remesh = 1;
    edge* exit = exitSide(c, angle);
    const Direction u = directionOf(angle);
    const int bound = ring_bound(c);
    double frontForce = force;

    interpair* K = exit->bonded ? exit->pair : nullptr;
    if (!K || K->MP.empty()) {
        // Into free space: the run around the exit side facing the direction.
        point3D* v = exit->p1;
        for (int k = 0; k < bound && v->in_edge && !(v->in_edge->bonded || facing(v, u) < kLeastFacing); ++k)
            v = v->prev;
        c->front_first = v;
        v = exit->p2;
        for (int k = 0; k < bound && v->out_edge && !(v->out_edge->bonded || facing(v, u) < kLeastFacing); ++k)
            v = v->next;
        c->front_last = v;
        frontForce = std::min(force, kFreeForce);
    } else {
        // Against the neighbour: the welded stretch holding the exit side.
        cell* o = otherCell(K, c);
        mergepair* m = stretchHoldingSide(K, c, exit);
        const bool first = K->cell1 == c;
        c->front_first = first ? m->S1 : m->T1;
        c->front_last = first ? m->S2 : m->T2;
        extendFront(c->front_first->prev, u, true, bound);
        extendFront(c->front_last->next, u, false, bound);
        if (isDegradable(o, degradable)) {
            keepRearRecords(c, o, angle);
            if (wearNeighbour) {
                const point3D* tip = foremostOnNeighbour(K, m, o, u);
                if (tip && wornThrough(tip, u)) {
                    o->dying = 1;
                    frontForce = std::min(frontForce, kFreeForce);
                }
            }
        }
    }

    // The front, both ends included.
    point3D* v = c->front_first;
    for (int k = 0; v && k <= bound; ++k, v = v->next) {
        v->migrate_mark = 1;
        v->migrate_force = frontForce;
        if (v == c->front_last)
            break;
    }
}

}  // namespace

void dbReader::cell_migrate_response_1(cell* c, double angle, std::vector<int>* degradable, double force)
{
    startMigration(c, angle, degradable, force, false);
}

void dbReader::cell_migrate_response_0(cell* c, double angle, std::vector<int>* degradable, double force)
{
    startMigration(c, angle, degradable, force, true);
}

double dbReader::cell_distance(cell* a, cell* b)
{
    const double alpha = vector2angle(b->center[0] - a->center[0], b->center[1] - a->center[1]);
    const double beta = vector2angle(a->center[0] - b->center[0], a->center[1] - b->center[1]);
    // The vertex of c furthest along the direction `deg`; the first wins ties.
    auto foremost = [](const cell* c, double deg) -> const point3D* {
        const double ux = std::cos(deg * kPi / 180.0), uy = std::sin(deg * kPi / 180.0);
        const point3D* best = nullptr;
        double most = kSearchStart;
        for (const edge* e : c->sides) {
            const double d = e->p1->x * ux + e->p1->y * uy;
            if (d > most) {
                most = d;
                best = e->p1;
            }
        }
        return best;
    };
    const point3D* pa = foremost(a, alpha);
    const point3D* pb = foremost(b, beta);
    if (!pa || !pb) {
        message = QString("ERROR: distance between cells %1 and %2 is NULL!").arg(a->id).arg(b->id);
        // Every caller counts a larger gap as farther away.
        return std::numeric_limits<double>::infinity();
    }
    return std::hypot(pa->x - pb->x, pa->y - pb->y);
}
