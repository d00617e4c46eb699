#include "model/cell.h"

#include "geometry/numeric.h"
#include "model/contact.h"
#include "model/edge.h"
#include "model/mesh.h"
#include "model/point3d.h"

#include <algorithm>
#include <cmath>

cell::cell(int id) : id(id), species(20, 0) {}

cell::~cell()
{
    // The cell owns its mesh and rear records; sides and pairs belong to the engine.
    clear_inner_t();
    clear_inner_p();
    clear_inner_p_slip();
    clear_filling_cells();
    sides.clear();
    pairs.clear();
}

void cell::set_cell_type_name(QString name)
{
    cell_type_name = name;
}

void cell::set_migrate_mechanism(int m)
{
    migrate_mechanism = m;
}

void cell::setup_Circle()
{
    circle = 1;
    for (interpair* p : pairs) {
        if (!p->MP.empty()) {
            circle = 0;
            return;
        }
    }
}

void cell::setup_Burry()
{
    burry = 1;
    for (edge* e : sides) {
        if (!e->bonded) {
            burry = 0;
            return;
        }
    }
}

double cell::signed_area() const
{
    double s = 0.0;
    for (const edge* e : sides)
        s += (e->p1->x * e->p2->y - e->p1->y * e->p2->x) * 0.5;
    return s;
}

void cell::set_area()
{
    area = std::fabs(signed_area());
}

void cell::center_refresh()
{
    // A cell without sides keeps its centre: there is nothing to average.
    if (sides.empty())
        return;
    double sx = 0.0, sy = 0.0;
    for (edge* e : sides) {
        sx += e->p1->x;
        sy += e->p1->y;
    }
    const double n = static_cast<double>(sides.size());
    center[0] = sx / n;
    center[1] = sy / n;
}

void cell::refresh_AABB()
{
    if (sides.empty())
        return;
    double min_x = 100000.0, min_y = 100000.0;
    double max_x = -100000.0, max_y = -100000.0;
    // Strict comparisons: of equal extremes the first vertex in ring order wins.
    for (edge* e : sides) {
        point3D* v = e->p1;
        if (v->x < min_x) {
            AABB_xmin = v;
            min_x = v->x;
        }
        if (v->x > max_x) {
            AABB_xmax = v;
            max_x = v->x;
        }
        if (v->y < min_y) {
            AABB_ymin = v;
            min_y = v->y;
        }
        if (v->y > max_y) {
            AABB_ymax = v;
            max_y = v->y;
        }
    }
}

double cell::shape_based_diagonal()
{
    const double dxx = AABB_xmin->x - AABB_xmax->x, dxy = AABB_xmin->y - AABB_xmax->y;
    const double dyx = AABB_ymin->x - AABB_ymax->x, dyy = AABB_ymin->y - AABB_ymax->y;
    const double sx = dxx * dxx + dxy * dxy;
    const double sy = dyx * dyx + dyy * dyy;
    return std::sqrt(std::max(sx, sy));
}

double cell::shape_based_division_angle()
{
    // The division line runs perpendicular to the longer of the two extreme spans.
    const double u[2] = {AABB_xmin->x - AABB_xmax->x, AABB_xmin->y - AABB_xmax->y};
    const double w[2] = {AABB_ymax->x - AABB_ymin->x, AABB_ymax->y - AABB_ymin->y};
    const double uu = u[0] * u[0] + u[1] * u[1];
    const double ww = w[0] * w[0] + w[1] * w[1];
    if (uu == 0.0 && ww == 0.0)
        return 270.0;
    double v[2];
    if (uu > ww) {
        const double len = std::sqrt(uu);
        v[0] = u[0] / len;
        v[1] = u[1] / len;
    } else {
        const double len = std::sqrt(ww);
        v[0] = w[0] / len;
        v[1] = w[1] / len;
    }
    // Rounding in the normalisation must not push asin out of its domain.
    const double vy = std::clamp(v[1], -1.0, 1.0);
    const double k = 180.0 / 3.14159265;
    double theta;
    if (v[0] >= 0.0 && vy >= 0.0)
        theta = std::asin(vy) * k;
    else if (v[0] < 0.0 && vy >= 0.0)
        theta = 180.0 - std::asin(vy) * k;
    else if (v[0] < 0.0)
        theta = 180.0 + std::asin(-vy) * k;
    else
        theta = 360.0 - std::asin(-vy) * k;
    double result = theta - 90.0;
    if (result < 0.0)
        result += 360.0;
    return result;
}

bool cell::test_point_inside(double x, double y)
{
    if (sides.empty())
        return false;
    // Crossings of the horizontal line through (x, y), counted on both sides of
    // the point. The half-open rule (0 < t <= 1) counts a ring vertex on the line
    // once, for its outgoing side; a crossing at the point itself counts nowhere.
    int left = 0, right = 0;
    for (edge* e : sides) {
        const point3D* p1 = e->p1;
        const point3D* p2 = e->p2;
        if (p1->y == p2->y)
            continue;
        const double t = (y - p2->y) / (p1->y - p2->y);
        if (t <= 0.0 || t > 1.0)
            continue;
        const double xc = p2->x * (1.0 - t) + p1->x * t;
        if (x > xc)
            ++left;
        if (xc > x)
            ++right;
    }
    return (left % 2 == 1) && (right % 2 == 1);
}

bool cell::test_inside_rectangle(double x1, double y1, double x2, double y2)
{
    for (edge* e : sides) {
        const point3D* v = e->p1;
        if (!(x1 <= v->x && v->x <= x2 && y1 <= v->y && v->y <= y2))
            return false;
    }
    return true;
}

bool cell::test_inside_ellipse(double cx, double cy, double a, double b)
{
    for (edge* e : sides) {
        if (!pointInEllipse(e->p1->x, e->p1->y, a, b, cx, cy))
            return false;
    }
    return true;
}

void cell::removeside(edge* e)
{
    auto it = std::find(sides.begin(), sides.end(), e);
    if (it != sides.end())
        sides.erase(it);
}

void cell::removepair(interpair* p)
{
    auto it = std::find(pairs.begin(), pairs.end(), p);
    if (it != pairs.end())
        pairs.erase(it);
}

namespace {

template <typename T>
void delete_from_back(std::vector<T*>& list)
{
    while (!list.empty()) {
        delete list.back();
        list.back() = nullptr;
        list.pop_back();
    }
}

} // namespace

void cell::clear_inner_t()
{
    delete_from_back(inner_t);
}

void cell::clear_inner_p()
{
    delete_from_back(inner_p);
}

void cell::clear_inner_p_slip()
{
    delete_from_back(inner_p_slip);
}

void cell::remove_filling_cell(cell* c)
{
    auto it = std::find_if(filling_cells.begin(), filling_cells.end(),
                           [c](const rear_fc* r) { return r->filling_cell == c; });
    if (it == filling_cells.end())
        return;
    rear_fc* record = *it;
    filling_cells.erase(it);
    delete record;
}

void cell::clear_filling_cells()
{
    delete_from_back(filling_cells);
}

void cell::update_migrate_persistence()
{
    // A cell without sides has no vertex mean to follow.
    if (sides.empty())
        return;
    double mx = 0.0, my = 0.0, px = 0.0, py = 0.0;
    for (edge* e : sides) {
        mx += e->p1->x;
        my += e->p1->y;
        px += e->p1->x_history[0];
        py += e->p1->y_history[0];
    }
    const double n = static_cast<double>(sides.size());
    mx /= n;
    my /= n;
    px /= n;
    py /= n;
    const double d = std::sqrt((px - mx) * (px - mx) + (py - my) * (py - my));
    path_length += d;
    if (migrate_relax)
        migrate_path_length += d;
}
