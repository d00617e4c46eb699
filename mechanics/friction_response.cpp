// Friction response of a migrating cell. The cell is welded to its
// neighbours along stretches on its two flanks (the boundary met walking back
// from the ends of its leading front). The tangential load on those welds,
// the friction, is recorded on every call; when it beats the adhesion of a
// flank, that flank slides one vertex: every weld of its run moves one vertex
// towards the rear, the front end lets go, the rear end is carried on or let
// go by the angle there, and the rest of the cell moves forward by the
// shortest welded edge of the run. A cell without welded stretches on its
// flanks moves forward by the target edge length instead.
//
//   rear edge -> front check -> flank walks (stretches, point contacts,
//   stops) -> case and arc checks -> friction -> run checks -> scan ->
//   release of point contacts -> shifted re-weld -> rear ends and movement
//   -> stretch ends and friction carry-over
//
// Walks are bounded by the ring; a broken ring ends the call with the cell's
// id. A run that cannot carry its welds (fewer than two vertices, or no
// bonded edge before its last vertex) does not slide.
#include "contact/welding.h"
#include "geometry/numeric.h"
#include "mechanics/response_blocks.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace response;

namespace {

// A flank walk ends at a vertex whose direction is more than this from the
// migration direction (degrees).
constexpr double kFlankLimit = 110.0;
// The rear weld of a run is carried on up to this rear angle (degrees).
constexpr double kCarryLimit = 96.0;
// Starting value of the shortest bonded run edge.
constexpr double kNoEdge = 10000.0;

struct Vec {
    double x = 0.0;
    double y = 0.0;
};

Vec unit_of(double x, double y)
{
    double u[2];
    unit(x, y, u);
    return {u[0], u[1]};
}

double normal_angle(edge* e)
{
    return vector2angle(e->getnormal(0), e->getnormal(1));
}

// Direction of the vertex: the sum of its edges' unit normals, in degrees.
double vertex_angle(const point3D* v)
{
    const Vec a = unit_of(v->out_edge->getnormal(0), v->out_edge->getnormal(1));
    const Vec b = unit_of(v->in_edge->getnormal(0), v->in_edge->getnormal(1));
    return vector2angle(a.x + b.x, a.y + b.y);
}

double wrap(double d)
{
    return d < 0.0 ? d + 360.0 : d;
}

// One flank's run: its vertices and what each held before the slide.
struct Run {
    std::vector<point3D*> V;      // run vertices, nearest the front first
    std::vector<node*> N;         // their former nodes
    std::vector<point3D*> Q;      // their first former partners, or null
    std::vector<edge*> E;         // partner edges of their bonded run edges, or null
    std::vector<interpair*> R;    // pairs of their bonded run edges, or null
    double L = kNoEdge;           // shortest bonded run edge
};

struct Flank {
    bool left = false;                  // walks along next from the front's last vertex
    std::vector<interpair*> stretches;  // pairs of its welded stretches, nearest the front first
    std::vector<interpair*> contacts;   // pairs of its single-point welds
    point3D* stop = nullptr;            // where its walk ended
    double maxA = 0.0;                  // largest adhesion of its stretches
    double maxF = 0.0;                  // largest friction met
    Run run;
    double rearAngle = 0.0;             // angle at the run's last vertex
    point3D* X = nullptr;               // vertex after the run's last one
    bool carried = false;               // the rear weld was carried on to X
};

void push_unique(std::vector<interpair*>& list, interpair* p)
{
    if (p && std::find(list.begin(), list.end(), p) == list.end())
        list.push_back(p);
}

class Slide {
public:
    Slide(dbReader& db, cell* c, int step) : db(db), c(c), step(step)
    {
        mdeg = c->migrate_angle;
        const double m = mdeg * kPi / 180.0;
        u = {std::cos(m), std::sin(m)};
        bound = int(c->sides.size()) + 2;
    }

    int run();

private:
    dbReader& db;
    cell* c;
    int step;
    double mdeg = 0.0;
    Vec u;
    int bound = 0;
    int result = dbReader::STEP_OK;
    bool frontBonded = false;
    std::vector<interpair*> frontContacts;
    point3D* rearStart = nullptr;
    point3D* rearEnd = nullptr;
    edge* rear = nullptr;

    int fail(const QString& text)
    {
        db.message = text;
        result = c->id;
        return result;
    }
    int broken() { return fail(QString("ERROR: the boundary of cell %1 is broken!").arg(c->id)); }

    // Whether v sits on c's ring with both links and edges.
    static bool linked(const point3D* v)
    {
        return v && v->next && v->prev && v->out_edge && v->in_edge && v->out_edge->p1 == v &&
               v->in_edge->p2 == v && v->out_edge->p2 == v->next && v->in_edge->p1 == v->prev;
    }

    bool own_first(const interpair* P) const { return P->cell1 == c; }
    point3D* own_start(const interpair* P) const { return own_first(P) ? P->MP[0]->S1 : P->MP[0]->T1; }
    point3D* own_end(const interpair* P) const { return own_first(P) ? P->MP[0]->S2 : P->MP[0]->T2; }
    point3D* partner_start(const interpair* P) const { return own_first(P) ? P->MP[0]->T1 : P->MP[0]->S1; }
    point3D* partner_end(const interpair* P) const { return own_first(P) ? P->MP[0]->T2 : P->MP[0]->S2; }

    // The pair of c with x, either order, removed or not.
    interpair* pair_with(cell* x) const { return x ? welding::find_any_pair(c, x) : nullptr; }

    // Whether q has an edge bonded within a pair of c.
    bool bonded_to_c(const point3D* q) const
    {
        for (const edge* e : {q->out_edge, q->in_edge})
            if (e && e->bonded && e->pair && (e->pair->cell1 == c || e->pair->cell2 == c))
                return true;
        return false;
    }

    int find_rear();
    void scan_front();
    int walk(Flank& f);
    bool arc_unbonded(point3D* from, point3D* to, bool useOut);
    void friction(Flank& f);
    bool check_run(Flank& f);
    void scan(Flank& f);
    void release_contacts(const std::vector<interpair*>& list);
    void reweld(Flank& f);
    void rear_end(Flank& f);
    void move_cell(point3D* from, point3D* to, Vec D, const Flank* a, const Flank* b);
    void follow(Flank& f);
    void move_all(Vec D);
    int one_flank(Flank& f, Flank& left, Flank& right);
};

int Slide::find_rear()
{
    if (c->sides.empty() || !c->sides[0])
        return fail(QString("ERROR: migrating cell %1 has no sides at time step %2").arg(c->id).arg(step));
    for (edge* s : c->sides)
        if (!s || !linked(s->p1) || !linked(s->p2))
            return broken();
    rear = response::rear_edge(c);
    rearStart = rear->p1;
    rearEnd = rear->p2;
    return dbReader::STEP_OK;
}

void Slide::scan_front()
{
    point3D* v = c->front_first;
    for (int k = 0; k < bound && v != c->front_last; ++k, v = v->next) {
        if (v->out_edge->bonded) {
            frontBonded = true;
            return;
        }
        if (v != c->front_first && !v->in_edge->bonded)
            for (point3D* q : v->mp)
                push_unique(frontContacts, pair_with(cell_of(q)));
    }
}

// The walk of one flank from its front end towards the rear: the stretches
// it passes, its single-point welds, and where it stops.
int Slide::walk(Flank& f)
{
    point3D* start = f.left ? c->front_last : c->front_first;
    point3D* rearOf = f.left ? rearStart : rearEnd;
    point3D* beside = f.left ? start->prev : start->next;
    if (start->in_edge->bonded && start->out_edge->bonded) {
        f.stop = start;
        return dbReader::STEP_OK;
    }
    if (beside == rearOf) {
        f.stop = rearOf;
        return dbReader::STEP_OK;
    }
    point3D* v = start;
    for (int k = 0; k <= bound; ++k) {
        edge* along = f.left ? v->out_edge : v->in_edge;  // the edge towards the rear
        point3D* w = v;
        if (along->bonded) {
            interpair* P = along->pair;
            if (!P)
                return broken();
            if (P->MP.empty()) {
                empty_pair(db, P);
                return result = c->id;
            }
            // The stretch is passed in one step.
            w = f.left ? own_end(P)->prev : own_start(P)->next;
            if (!w || !linked(w))
                return broken();
            const double d = f.left ? wrap(vertex_angle(w) - mdeg) : wrap(mdeg - vertex_angle(w));
            if (d > kFlankLimit) {
                f.stop = w;
                return dbReader::STEP_OK;
            }
            if (rear->bonded && rear->pair == P) {
                f.stop = rearOf;
                return dbReader::STEP_OK;
            }
            f.stretches.push_back(P);
        } else {
            edge* away = f.left ? v->in_edge : v->out_edge;
            if (v->mp.size() == 1 && !away->bonded)
                push_unique(f.contacts, pair_with(cell_of(v->mp[0])));
            // At the front's end only the edge towards the rear counts.
            const double angle = v == start ? normal_angle(along) : vertex_angle(v);
            const double d = f.left ? wrap(angle - mdeg) : wrap(mdeg - angle);
            if (d > kFlankLimit) {
                f.stop = v;
                return dbReader::STEP_OK;
            }
        }
        if (w == rearOf) {
            f.stop = w;
            return dbReader::STEP_OK;
        }
        v = f.left ? w->next : w->prev;
    }
    // A walk that does not come back to the rear within the ring stops here.
    f.stop = v;
    return dbReader::STEP_OK;
}

// Whether the edges (out edges when useOut, else in edges) of the vertices
// from `from` to `to` (exclusive) along next, or along prev for in edges,
// are all free.
bool Slide::arc_unbonded(point3D* from, point3D* to, bool useOut)
{
    point3D* v = from;
    for (int k = 0; k < bound && v != to; ++k) {
        if ((useOut ? v->out_edge : v->in_edge)->bonded)
            return false;
        v = useOut ? v->next : v->prev;
    }
    return true;
}

void Slide::friction(Flank& f)
{
    f.maxA = 0.0;
    f.maxF = 0.0;
    for (interpair* P : f.stretches) {
        f.maxA = std::max(f.maxA, P->adhesion);
        mergepair* m = P->MP[0];
        const bool first = own_first(P);
        const bool same = (first && m->friction_state == mergepair::FRICTION_CELL1) ||
                          (!first && m->friction_state == mergepair::FRICTION_CELL2);
        auto along = [](const point3D* v) {
            return unit_of(v->next->x - v->x, v->next->y - v->y);
        };
        auto load = [](const point3D* v, Vec g) {
            return std::fabs(v->internal_force[0] * g.x + v->internal_force[1] * g.y);
        };
        const Vec g1 = along(first ? m->S1 : m->T2);
        const Vec g2 = along(first ? m->S2 : m->T1);
        const double f1 = std::max(load(m->S1, g1), load(m->T2, g1));
        const double f2 = std::max(load(m->T1, g2), load(m->S2, g2));
        if (same) {
            m->friction1 += f1;
            m->friction2 += f2;
        } else {
            m->friction1 = f1;
            m->friction2 = f2;
            m->friction_state = first ? mergepair::FRICTION_CELL1 : mergepair::FRICTION_CELL2;
        }
        f.maxF = std::max({f.maxF, m->friction1, m->friction2});

        point3D* end = own_end(P);
        point3D* v = own_start(P)->next;
        for (int k = 0; k < bound && v && v != end; ++k, v = v->next) {
            if (v->mp.empty())
                continue;
            point3D* q = v->mp[0];
            const Vec g = along(v);
            const double h = std::max(load(v, g), load(q, g));
            if (same) {
                v->friction += h;
                q->friction += h;
            } else {
                v->friction = h;
                q->friction = h;
            }
            f.maxF = std::max({f.maxF, v->friction, q->friction});
        }
    }
}

// The run of a flank, checked before anything moves: from the nearest
// stretch's front end to the farthest stretch's rear end, at least two
// vertices, and a bonded run edge before the last vertex.
bool Slide::check_run(Flank& f)
{
    Run& run = f.run;
    run = Run{};
    point3D* first = f.left ? own_start(f.stretches.front()) : own_end(f.stretches.front());
    point3D* last = f.left ? own_end(f.stretches.back()) : own_start(f.stretches.back());
    point3D* v = first;
    for (int k = 0; k <= bound; ++k) {
        run.V.push_back(v);
        if (v == last)
            break;
        v = f.left ? v->next : v->prev;
    }
    if (run.V.back() != last || run.V.size() < 2)
        return false;
    point3D* beforeLast = run.V[run.V.size() - 2];
    edge* e = f.left ? beforeLast->out_edge : beforeLast->in_edge;
    return e->bonded && e->partner;
}

void Slide::scan(Flank& f)
{
    Run& run = f.run;
    for (point3D* v : run.V) {
        run.N.push_back(v->node);
        if (v->node)
            v->node->removevertex(v);
        run.Q.push_back(v->mp.empty() ? nullptr : v->mp[0]);
        for (point3D* q : v->mp)
            q->removemp(v);
        v->clearmp();
        edge* e = f.left ? v->out_edge : v->in_edge;
        if (e->bonded && e->partner) {
            run.E.push_back(e->partner);
            run.R.push_back(e->pair);
            run.L = std::min(run.L, e->getlength());
        } else {
            run.E.push_back(nullptr);
            run.R.push_back(nullptr);
        }
    }
    const point3D* last = run.V.back();
    f.rearAngle = f.left ? wrap(normal_angle(last->out_edge) - mdeg) : wrap(mdeg - normal_angle(last->in_edge));
}

// Releasing the single welded point of each listed pair.
void Slide::release_contacts(const std::vector<interpair*>& list)
{
    for (interpair* P : list) {
        if (!P || P->MP.empty())
            continue;
        mergepair* m = P->MP[0];
        unweld(m->S1, m->T1);
        db.node_remove_0(own_first(P) ? m->S1 : m->T1);
        P->remove_MP(m);
    }
}

// Each run vertex takes the weld of the one before it.
void Slide::reweld(Flank& f)
{
    Run& run = f.run;
    const std::size_t n = run.V.size();
    for (std::size_t j = n - 1; j >= 1; --j) {
        point3D* V = run.V[j];
        node* N = run.N[j - 1];
        if (N) {
            N->pushvertex(V);
            V->node = N;
        }
        point3D* Q = run.Q[j - 1];
        if (Q) {
            V->x = Q->x;
            V->y = Q->y;
            std::vector<point3D*> group{Q};
            group.insert(group.end(), Q->mp.begin(), Q->mp.end());
            for (point3D* q : group) {
                if (q == V)
                    continue;
                weld(V, q);
                if (bonded_to_c(q))
                    continue;
                // A single-point weld of c with q's cell now sits on V.
                cell* qc = cell_of(q);
                interpair* P = qc ? welding::find_any_pair(qc, c) : nullptr;
                if (!P)
                    continue;
                const bool qFirst = P->cell1 == qc;
                if (P->MP.empty()) {
                    P->MP.push_back(qFirst ? new mergepair(1, q, q, V, V) : new mergepair(1, V, V, q, q));
                } else if (P->MP[0]->S1 == q) {
                    P->MP[0]->T1 = P->MP[0]->T2 = V;
                } else if (P->MP[0]->T1 == q) {
                    P->MP[0]->S1 = P->MP[0]->S2 = V;
                }
            }
        } else {
            V->x = run.V[j - 1]->x;
            V->y = run.V[j - 1]->y;
        }
        edge* e = f.left ? V->out_edge : V->in_edge;
        if (j < n - 1 && run.E[j - 1]) {
            e->bonded = 1;
            e->partner = run.E[j - 1];
            run.E[j - 1]->partner = e;
            e->pair = run.R[j - 1];
        } else {
            e->bonded = 0;
            e->partner = nullptr;
            e->pair = j < n - 1 ? run.R[j - 1] : nullptr;
        }
    }
    point3D* V0 = run.V[0];
    node* N0 = new node(int(db.nodes.size()));
    db.nodes.push_back(N0);
    N0->active = 1;
    N0->pushvertex(V0);
    V0->node = N0;
    edge* e0 = f.left ? V0->out_edge : V0->in_edge;
    e0->bonded = 0;
    e0->partner = nullptr;
    e0->pair = nullptr;
}

// The weld at the rear end of the run is let go, or carried on to X.
void Slide::rear_end(Flank& f)
{
    Run& run = f.run;
    const std::size_t n = run.V.size();
    point3D* last = run.V[n - 1];
    point3D* Q = run.Q[n - 1];
    edge* E = run.E[n - 2];
    f.X = f.left ? last->next : last->prev;
    std::vector<point3D*> group;
    if (Q) {
        group.push_back(Q);
        group.insert(group.end(), Q->mp.begin(), Q->mp.end());
    }
    if (f.rearAngle > kCarryLimit) {
        f.carried = false;
        for (point3D* q : group) {
            if (bonded_to_c(q))
                continue;
            cell* qc = cell_of(q);
            interpair* P = qc ? welding::find_any_pair(qc, c) : nullptr;
            if (P && !P->MP.empty())
                P->remove_MP(P->MP[0]);
        }
        if (E) {
            E->bonded = 0;
            E->partner = nullptr;
        }
        return;
    }
    f.carried = true;
    point3D* X = f.X;
    if (Q) {
        X->x = Q->x;
        X->y = Q->y;
    }
    edge* toX = f.left ? last->out_edge : last->in_edge;
    toX->bonded = 1;
    toX->partner = E;
    E->partner = toX;
    toX->pair = run.R[n - 2];
    if (!Q)
        return;
    db.node_merge(X, Q);
    for (point3D* q : group) {
        if (q == X)
            continue;
        weld(X, q);
        if (bonded_to_c(q))
            continue;
        cell* qc = cell_of(q);
        interpair* P = qc ? welding::find_any_pair(qc, c) : nullptr;
        if (!P || P->MP.empty())
            continue;
        if (P->MP[0]->S1 == q)
            P->MP[0]->T1 = P->MP[0]->T2 = X;
        else if (P->MP[0]->T1 == q)
            P->MP[0]->S1 = P->MP[0]->S2 = X;
    }
}

// A vertex moves: without partners by D, with partners by D / 2, and its
// partners to its new place.
void shift(point3D* v, Vec D)
{
    const double s = v->mp.empty() ? 1.0 : 0.5;
    v->x += s * D.x;
    v->y += s * D.y;
    for (point3D* q : v->mp) {
        q->x = v->x;
        q->y = v->y;
    }
}

// Every vertex from `from` to `to` (both included) along next moves, except
// the runs' vertices after the first and a carried rear end.
void Slide::move_cell(point3D* from, point3D* to, Vec D, const Flank* a, const Flank* b)
{
    auto kept = [](const Flank* f, const point3D* v) {
        if (!f)
            return false;
        if (f->carried && v == f->X)
            return true;
        for (std::size_t j = 1; j < f->run.V.size(); ++j)
            if (f->run.V[j] == v)
                return true;
        return false;
    };
    point3D* v = from;
    for (int k = 0; k < bound; ++k) {
        if (!kept(a, v) && !kept(b, v))
            shift(v, D);
        if (v == to)
            break;
        v = v->next;
    }
}

// The stretches of the flank follow the slide, and the friction of each
// stretch's front weld is carried over from the partner vertices behind it.
void Slide::follow(Flank& f)
{
    for (std::size_t i = 0; i < f.stretches.size(); ++i) {
        interpair* P = f.stretches[i];
        if (P->MP.empty())
            continue;
        mergepair* m = P->MP[0];
        const bool first = own_first(P);
        const bool farthest = i + 1 == f.stretches.size();
        point3D*& ownS = first ? m->S1 : m->T1;
        point3D*& ownE = first ? m->S2 : m->T2;
        if (f.left) {
            ownS = ownS->next;
            if (farthest && !f.carried) {
                point3D*& partnerS = first ? m->T1 : m->S1;
                partnerS = partnerS->next;
            } else {
                ownE = ownE->next;
            }
        } else {
            ownE = ownE->prev;
            if (farthest && !f.carried) {
                point3D*& partnerE = first ? m->T2 : m->S2;
                partnerE = partnerE->prev;
            } else {
                ownS = ownS->prev;
            }
        }

        // The weld nearest the front and its friction.
        const bool frontIsS1T2 = f.left == first;
        double& fe = frontIsS1T2 ? m->friction1 : m->friction2;
        const double fother = frontIsS1T2 ? m->friction2 : m->friction1;
        point3D* pFront = f.left ? partner_end(P) : partner_start(P);
        point3D* pOther = f.left ? partner_start(P) : partner_end(P);
        int count = 1;
        for (point3D* v = partner_start(P); v != partner_end(P) && count <= bound; v = v->next)
            ++count;
        if (count >= 3) {
            point3D* w = f.left ? pFront->prev : pFront->next;
            auto larger = [](const point3D* v) {
                return v->mp.empty() ? v->friction : std::max(v->friction, v->mp[0]->friction);
            };
            fe = larger(w);
            for (int k = 0; k < bound && w != pOther; ++k) {
                if (!w->mp.empty()) {
                    const double h = std::max(w->friction, w->mp[0]->friction);
                    w->friction = h;
                    w->mp[0]->friction = h;
                }
                w = f.left ? w->prev : w->next;
            }
        } else if (count == 2) {
            fe = fother;
        }
    }
}

// The whole cell moves; a vertex still welded somewhere takes its partners
// along at half the step, as in a slide.
void Slide::move_all(Vec D)
{
    for (edge* s : c->sides)
        shift(s->p1, D);
}

// Only flank f has welded stretches: its rear arc must be free, and it
// slides when its friction beats its adhesion.
int Slide::one_flank(Flank& f, Flank& left, Flank& right)
{
    point3D* rearMost = f.left ? own_end(f.stretches.back()) : own_start(f.stretches.back());
    point3D* beforeFront = f.left ? c->front_first->prev : c->front_last->next;
    if (!arc_unbonded(rearMost, beforeFront, f.left))
        return dbReader::STEP_OK;
    friction(f);
    if (f.maxF <= f.maxA || frontBonded || !check_run(f))
        return dbReader::STEP_OK;
    scan(f);
    release_contacts(left.contacts);
    release_contacts(right.contacts);
    release_contacts(frontContacts);
    reweld(f);
    rear_end(f);
    const Vec D{f.run.L * u.x, f.run.L * u.y};
    // Everything but the slid run, from its rear end round to its first vertex.
    point3D* last = f.run.V.back();
    if (f.left)
        move_cell(f.carried ? f.X->next : last->next, f.run.V[0], D, &f, nullptr);
    else
        move_cell(f.run.V[0], f.carried ? f.X->prev : last->prev, D, &f, nullptr);
    follow(f);
    return dbReader::STEP_OK;
}

int Slide::run()
{
    if (find_rear() != dbReader::STEP_OK)
        return result;
    if (!c->front_first || !c->front_last)
        return fail(QString("ERROR: no migrating mark points at migrating cell %1 at time step %2")
                        .arg(c->id)
                        .arg(step));
    if (!linked(c->front_first) || !linked(c->front_last))
        return broken();
    scan_front();

    Flank right, left;
    left.left = true;
    if (walk(right) != dbReader::STEP_OK || walk(left) != dbReader::STEP_OK)
        return result;
    const std::size_t nR = right.stretches.size(), nL = left.stretches.size();

    if (nR == 0 && nL == 0) {
        // Nothing welded along the flanks: the rear arc must be free too.
        point3D* from = left.stop->prev;
        point3D* to = right.stop->next;
        if (from == right.stop || from == right.stop->next) {
            from = left.stop;
            to = right.stop;
        }
        if (!arc_unbonded(from, to, true))
            return dbReader::STEP_OK;
        if (!frontBonded)
            release_contacts(frontContacts);
        if (frontBonded)
            return dbReader::STEP_OK;
        release_contacts(right.contacts);
        release_contacts(left.contacts);
        move_all({kPi * u.x, kPi * u.y});
        return dbReader::STEP_OK;
    }

    if (nR == 0)
        return one_flank(left, left, right);
    if (nL == 0)
        return one_flank(right, left, right);

    // Both flanks: the rear arc between them must be free of welds.
    point3D* leftEnd = own_end(left.stretches.back());
    point3D* rightStart = own_start(right.stretches.back());
    if (leftEnd->out_edge->bonded || rightStart->in_edge->bonded)
        return dbReader::STEP_OK;
    {
        point3D* v = leftEnd->next;
        for (int k = 0; k < bound && v != rightStart; ++k, v = v->next)
            if (!v->mp.empty())
                return dbReader::STEP_OK;
    }
    friction(left);
    friction(right);
    if ((left.maxF <= left.maxA && right.maxF <= right.maxA) || frontBonded)
        return dbReader::STEP_OK;
    if (!check_run(left) || !check_run(right))
        return dbReader::STEP_OK;
    scan(left);
    scan(right);
    release_contacts(left.contacts);
    release_contacts(right.contacts);
    release_contacts(frontContacts);
    reweld(left);
    reweld(right);
    rear_end(left);
    rear_end(right);
    const double L = right.run.L;
    point3D* a = left.carried ? left.X : left.run.V.back();
    point3D* b = right.carried ? right.X : right.run.V.back();
    const double M[2] = {0.5 * (a->x + b->x), 0.5 * (a->y + b->y)};
    point3D* v = a->next;
    for (int k = 0; k < bound && v != b && v != a; ++k, v = v->next) {
        const Vec d = unit_of(M[0] - v->x, M[1] - v->y);
        v->x += 0.5 * L * d.x;
        v->y += 0.5 * L * d.y;
    }
    move_cell(right.run.V[0], left.run.V[0], {L * u.x, L * u.y}, &left, &right);
    follow(left);
    follow(right);
    return dbReader::STEP_OK;
}

}  // namespace

edge* response::rear_edge(cell* c)
{
    c->center_refresh();
    const double cx = c->center[0], cy = c->center[1];
    const double mdeg = c->migrate_angle;
    double r = mdeg + 180.0;
    if (r > 360.0)
        r -= 360.0;
    if (r != 90.0 && r != 270.0) {
        // The first side crossed by the line through the centre along the
        // migration direction whose outward normal points backwards.
        const double t = std::tan(mdeg * kPi / 180.0);
        const double b = cy - t * cx;
        const double rr = r * kPi / 180.0;
        const double back[2] = {std::cos(rr), std::sin(rr)};
        for (edge* s : c->sides) {
            const double f1 = s->p1->y - t * s->p1->x - b;
            const double f2 = s->p2->y - t * s->p2->x - b;
            const bool crosses = (f1 >= 0.0 && 0.0 > f2) || (f1 < 0.0 && 0.0 <= f2);
            if (crosses && s->getnormal(0) * back[0] + s->getnormal(1) * back[1] > 0.0)
                return s;
        }
    } else {
        // Straight up or down: the vertical line through the centre.
        const double sgn = r == 90.0 ? 1.0 : -1.0;
        for (edge* s : c->sides) {
            const double x1 = s->p1->x, x2 = s->p2->x;
            const bool crosses = (x1 <= cx && cx < x2) || (x2 <= cx && cx < x1);
            if (crosses && s->getnormal(1) * sgn > 0.0)
                return s;
        }
    }
    return c->sides[0];
}

int dbReader::cell_friction_response(cell* c, int step)
{
    if (!c)
        return STEP_OK;
    Slide slide(*this, c, step);
    return slide.run();
}
