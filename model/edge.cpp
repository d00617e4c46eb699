#include "model/edge.h"

#include "model/point3d.h"

#include <cmath>

edge::edge(int id, point3D* p1, point3D* p2, struct cell* c) : id(id), p1(p1), p2(p2), cell(c) {}

edge::~edge()
{
    p1 = nullptr;
    p2 = nullptr;
    cell = nullptr;
    partner = nullptr;
}

double edge::getlength()
{
    return std::sqrt((p1->y - p2->y) * (p1->y - p2->y) + (p1->x - p2->x) * (p1->x - p2->x));
}

double edge::getnormal(int k)
{
    if (k == 0)
        return p2->y - p1->y;
    if (k == 1)
        return p1->x - p2->x;
    return 0.0;
}

bool edge::edge_twist()
{
    // The boundary turns back both before and after the edge, or folds sharply at p2.
    const double dot1 = (p1->x - p1->prev->x) * (p2->x - p1->x) + (p1->y - p1->prev->y) * (p2->y - p1->y);
    const double dot2 = (p2->x - p1->x) * (p2->next->x - p2->x) + (p2->y - p1->y) * (p2->next->y - p2->y);
    const double angle = p2->point_angle();
    if (angle >= 300.0)
        return true;
    return dot1 < 0.0 && dot2 < 0.0;
}

bool edge::judge_vert_out_side(double x, double y)
{
    // Outward normal dotted with p1 -> (x, y): the signed distance times the length.
    const double v = (p2->y - p1->y) * (x - p1->x) + (p1->x - p2->x) * (y - p1->y);
    return v > 0.0 && std::fabs(v) >= 1e-11;
}
