#include "model/point3d.h"

#include "model/cell.h"
#include "model/edge.h"

#include <algorithm>
#include <cmath>

point3D::point3D(int id, double x, double y) : id(id), x(x), y(y)
{
    for (int k = 0; k < 4; ++k) {
        x_history[k] = x;
        y_history[k] = y;
    }
}

point3D::~point3D()
{
    cell = nullptr;
    prev = nullptr;
    next = nullptr;
    // The lists are only released: partners, triangles and blocks belong to others.
    std::fill(mp.begin(), mp.end(), nullptr);
    std::fill(inner_at.begin(), inner_at.end(), nullptr);
    std::fill(node_sm.begin(), node_sm.end(), nullptr);
}

void point3D::setPressure_increment()
{
    edge* o = out_edge;
    edge* i = in_edge;
    struct cell* co = o->cell;
    struct cell* ci = i->cell;
    const double n = static_cast<double>(co->sides.size());

    const double lo = std::sqrt((o->p1->x - o->p2->x) * (o->p1->x - o->p2->x) +
                                (o->p1->y - o->p2->y) * (o->p1->y - o->p2->y));
    const double li = std::sqrt((i->p1->x - i->p2->x) * (i->p1->x - i->p2->x) +
                                (i->p1->y - i->p2->y) * (i->p1->y - i->p2->y));

    // Unit outward normals N = (p2.y - p1.y, p1.x - p2.x) / |N| of both edges.
    double uo[2] = {o->p2->y - o->p1->y, o->p1->x - o->p2->x};
    double ui[2] = {i->p2->y - i->p1->y, i->p1->x - i->p2->x};
    const double no = std::sqrt(uo[0] * uo[0] + uo[1] * uo[1]);
    const double ni = std::sqrt(ui[0] * ui[0] + ui[1] * ui[1]);
    for (int k = 0; k < 2; ++k) {
        uo[k] /= no;
        ui[k] /= ni;
    }

    // Tension pulls toward prev and next; half of each edge's pressure pushes outward.
    total_force[0] = ci->tension * (i->p1->x - i->p2->x) + co->tension * (o->p2->x - o->p1->x) +
                     (0.5 * co->pressure * lo) * uo[0] + (0.5 * ci->pressure * li) * ui[0];
    total_force[1] = ci->tension * (i->p1->y - i->p2->y) + co->tension * (o->p2->y - o->p1->y) +
                     (0.5 * co->pressure * lo) * uo[1] + (0.5 * ci->pressure * li) * ui[1];

    const double k = 4.0 * (31.4159265 / n);
    const double d = (lo + li) * 0.1 * 0.1;
    const double out_scale = (lo / 3.14159265) * co->mass * k / d;
    const double in_scale = k * (li / 3.14159265) * ci->mass / d;
    for (int c = 0; c < 2; ++c) {
        pressure_increment_out[c] = out_scale * uo[c];
        pressure_increment_in[c] = in_scale * ui[c];
    }
}

void point3D::pushmp(point3D* p)
{
    if (p->id == id)
        return;
    if (std::find(mp.begin(), mp.end(), p) != mp.end())
        return;
    mp.push_back(p);
}

bool point3D::checkmp(point3D* p)
{
    if (p->id == id)
        return false;
    return std::find(mp.begin(), mp.end(), p) != mp.end();
}

void point3D::removemp(point3D* p)
{
    auto it = std::find(mp.begin(), mp.end(), p);
    if (it != mp.end())
        mp.erase(it);
}

void point3D::clearmp()
{
    mp.clear();
}

void point3D::clear_inner_at()
{
    inner_at.clear();
}

namespace {

// Polar angle in degrees of (dx, dy) with length len, in [0, 360). The
// conversion divides by the literal 3.14159265, so the quarter turns come out
// a hair off 90 and 270; a non-number component gives 0.
double polar_degrees(double dx, double dy, double len)
{
    if (dx >= 0.0 && dy >= 0.0)
        return std::asin(dy / len) * 180.0 / 3.14159265;
    if (dx >= 0.0 && dy < 0.0)
        return std::asin(dy / len) * 180.0 / 3.14159265 + 360.0;
    if (dx < 0.0)
        return std::asin(dy / len) * 180.0 / -3.14159265 + 180.0;
    return 0.0;
}

} // namespace

double point3D::point_angle()
{
    const double ax = prev->x - x, ay = prev->y - y;
    const double bx = next->x - x, by = next->y - y;
    const double la = std::sqrt(ay * ay + ax * ax);
    const double lb = std::sqrt(by * by + bx * bx);
    double d = polar_degrees(ax, ay, la) - polar_degrees(bx, by, lb);
    if (d < 0.0)
        d += 360.0;
    // Two directions that agree up to rounding can leave a tiny negative
    // difference, which the wrap above turns into 360: the angle is 0 then.
    if (d >= 360.0)
        d = 0.0;
    return d;
}

void point3D::clear_node_sm()
{
    while (!node_sm.empty()) {
        node_sm.back() = nullptr;
        node_sm.pop_back();
    }
}
