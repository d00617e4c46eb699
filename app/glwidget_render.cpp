// Drawing the tissue with the fixed-function OpenGL 1.x interface.
//
// Every redraw walks all live cells and draws them in immediate mode, in
// projection units (the projection is 800 by 600 units whatever the window
// size). A world point (x, y) lands at
//   X = (x * scale - translateX) * unitsPerPixelX
//   Y = (y * scale - translateY) * unitsPerPixelY
// so one world unit is `scale` pixels and the pan offsets are pixels; sizes
// of points, arrows and lines are in projection units and do not zoom.
#include "app/glwidget.h"

#include "app/point2d.h"
#include "model/dbreader.h"

#include <cmath>
#include <cstdlib>

namespace {

struct Rgb {
    double r, g, b;
};

constexpr Rgb kSelectedCellOutline{1.0, 0.0, 0.0};
constexpr Rgb kSelectedEdgeOutline{1.0, 0.0, 1.0};
constexpr Rgb kTypeZeroOutline{0.8, 0.8, 0.8};
constexpr Rgb kSolidOutline{0.0, 0.0, 0.0};
constexpr Rgb kMeshOutline{0.1, 0.1, 0.1};
constexpr Rgb kMeshTriangle{0.8, 0.8, 0.8};
constexpr Rgb kArrow{0.1, 0.1, 0.1};
constexpr Rgb kRubberBand{0.2, 0.2, 0.2};
constexpr double kInnerPointColour[3] = {0.3, 0.9, 0.1};
constexpr int kInnerPointRadius = 4;

// How a side is outlined: a welded side takes the selection and type of the
// pair of cells it joins, a free side those of its own cell.
enum class SideMark { SelectedCell, SelectedEdge, TypeZero, Plain };

SideMark sideMark(const edge* e)
{
    const interpair* pair = e->bonded ? e->pair : nullptr;
    const bool cellSelected = pair ? (pair->cell1 && pair->cell1->selected) ||
                                         (pair->cell2 && pair->cell2->selected)
                                   : e->cell && e->cell->selected;
    if (cellSelected)
        return SideMark::SelectedCell;
    if (e->selected || (e->bonded && e->partner && e->partner->selected))
        return SideMark::SelectedEdge;
    const bool typeZero = pair ? pair->cell1 && pair->cell2 && pair->cell1->cell_type == 0 &&
                                     pair->cell2->cell_type == 0
                               : e->cell && e->cell->cell_type == 0;
    return typeZero ? SideMark::TypeZero : SideMark::Plain;
}

// The grey of a cell in the density view for a copy number c: white at 0,
// darker with the count, and never quite black.
double densityGrey(int c)
{
    double g = c < 100 ? (100 - c) / 100.0 : 0.0;
    if (g <= 0.01)
        g = 0.1;
    return g;
}

} // namespace

double GLWidget::projectX(double x) const
{
    return (x * scale - translateX) * unitsPerPixelX;
}

double GLWidget::projectY(double y) const
{
    return (y * scale - translateY) * unitsPerPixelY;
}

void GLWidget::Dataprojection()
{
    if (!reader || reader->cells.empty())
        return;

    if (viewType == VIEW_SOLID || viewType == VIEW_MOLECULE)
        drawtriangles();
    else if (viewType == VIEW_MESH)
        drawinnermesh();

    if (!selectRectangle && !selectEllipse)
        return;
    // The rubber band between the press and the pointer, in projection units.
    const int ax = static_cast<int>(pressPos.x() * unitsPerPixelX);
    const int ay = static_cast<int>((viewportHeight - pressPos.y()) * unitsPerPixelY);
    const int bx = static_cast<int>(lastPos.x() * unitsPerPixelX);
    const int by = static_cast<int>((viewportHeight - lastPos.y()) * unitsPerPixelY);
    if (selectRectangle) {
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, 0xAAAA);
        glColor3d(kRubberBand.r, kRubberBand.g, kRubberBand.b);
        glBegin(GL_LINES);
        glVertex2i(ax, ay);
        glVertex2i(bx, ay);
        glVertex2i(bx, ay);
        glVertex2i(bx, by);
        glVertex2i(bx, by);
        glVertex2i(ax, by);
        glVertex2i(ax, by);
        glVertex2i(ax, ay);
        glEnd();
        glDisable(GL_LINE_STIPPLE);
    } else {
        point2D centre;
        centre.x = (ax + bx) / 2.0;
        centre.y = (ay + by) / 2.0;
        double colour[3] = {kRubberBand.r, kRubberBand.g, kRubberBand.b};
        drawBresenhamEllipse(&centre, static_cast<int>(std::abs(ax - bx) / 2.0),
                             static_cast<int>(std::abs(ay - by) / 2.0), colour, 1);
    }
}

void GLWidget::drawtriangles()
{
    for (cell* c : reader->cells) {
        if (c->dead)
            continue;

        // Fill colours of the rim and of the centre.
        Rgb rim{c->color[0], c->color[1], c->color[2]};
        Rgb centre = c->migrate_responded == 1 ? Rgb{1.0, 1.0, 1.0} : rim;
        if (viewType == VIEW_MOLECULE) {
            // A cytokine the cell does not list counts as none.
            const int count = diffusionNumber >= 0 &&
                                      diffusionNumber < static_cast<int>(c->species.size())
                                  ? c->species[diffusionNumber]
                                  : 0;
            const double g = densityGrey(count);
            rim = centre = Rgb{g, g, g};
        }

        const double px = projectX(c->center[0]);
        const double py = projectY(c->center[1]);

        for (edge* e : c->sides) {
            const double x1 = projectX(e->p1->x), y1 = projectY(e->p1->y);
            const double x2 = projectX(e->p2->x), y2 = projectY(e->p2->y);

            glBegin(GL_TRIANGLES);
            glColor3d(rim.r, rim.g, rim.b);
            glVertex2d(x1, y1);
            glVertex2d(x2, y2);
            glColor3d(centre.r, centre.g, centre.b);
            glVertex2d(px, py);
            glEnd();

            Rgb outline = kSolidOutline;
            float width = 2.0f;
            switch (sideMark(e)) {
            case SideMark::SelectedCell: outline = kSelectedCellOutline; width = 4.0f; break;
            case SideMark::SelectedEdge: outline = kSelectedEdgeOutline; width = 4.0f; break;
            case SideMark::TypeZero: outline = kTypeZeroOutline; break;
            case SideMark::Plain: break;
            }
            glLineWidth(width);
            glColor3d(outline.r, outline.g, outline.b);
            glBegin(GL_LINES);
            glVertex2d(x1, y1);
            glVertex2d(x2, y2);
            glEnd();
        }

        if (c->migrate_responded == 1 && showDirection) {
            // An arrow head along the migration direction: tip 24 units out,
            // barbs at 8 units, notch at 10.
            const double theta = c->migrate_angle * 3.14159265 / 180;
            const double ux = std::cos(theta), uy = std::sin(theta);
            const double nx = -uy, ny = ux;
            const double tx = px + 24 * ux, ty = py + 24 * uy;
            const double lx = px + 8 * ux + 4 * nx, ly = py + 8 * uy + 4 * ny;
            const double rx = px + 8 * ux - 4 * nx, ry = py + 8 * uy - 4 * ny;
            const double mx = px + 10 * ux, my = py + 10 * uy;
            glColor3d(kArrow.r, kArrow.g, kArrow.b);
            glBegin(GL_TRIANGLES);
            glVertex2d(tx, ty);
            glVertex2d(lx, ly);
            glVertex2d(mx, my);
            glVertex2d(tx, ty);
            glVertex2d(rx, ry);
            glVertex2d(mx, my);
            glEnd();
        }
    }
}

void GLWidget::drawinnermesh()
{
    for (cell* c : reader->cells) {
        if (c->dead)
            continue;

        glLineWidth(1.0f);
        glColor3d(kMeshTriangle.r, kMeshTriangle.g, kMeshTriangle.b);
        for (triangle* t : c->inner_t) {
            const double ax = projectX(t->a->x), ay = projectY(t->a->y);
            const double bx = projectX(t->b->x), by = projectY(t->b->y);
            const double cx = projectX(t->c->x), cy = projectY(t->c->y);
            glBegin(GL_LINES);
            glVertex2d(ax, ay);
            glVertex2d(bx, by);
            glVertex2d(ax, ay);
            glVertex2d(cx, cy);
            glVertex2d(bx, by);
            glVertex2d(cx, cy);
            glEnd();
        }

        for (point3D* p : c->inner_p) {
            point2D centre;
            centre.x = projectX(p->x);
            centre.y = projectY(p->y);
            double colour[3] = {kInnerPointColour[0], kInnerPointColour[1], kInnerPointColour[2]};
            drawBresenhamCircle(&centre, kInnerPointRadius, colour);
        }

        for (edge* e : c->sides) {
            Rgb outline = kMeshOutline;
            float width = 1.0f;
            switch (sideMark(e)) {
            case SideMark::SelectedCell: outline = kSelectedCellOutline; width = 2.0f; break;
            case SideMark::SelectedEdge: outline = kSelectedEdgeOutline; width = 2.0f; break;
            default: break;
            }
            glLineWidth(width);
            glColor3d(outline.r, outline.g, outline.b);
            glBegin(GL_LINES);
            glVertex2d(projectX(e->p1->x), projectY(e->p1->y));
            glVertex2d(projectX(e->p2->x), projectY(e->p2->y));
            glEnd();
        }
    }
}

void GLWidget::drawBresenhamCircle(point2D* centre, int r, double* colour)
{
    const int cx = static_cast<int>(centre->x);
    const int cy = static_cast<int>(centre->y);
    glColor3d(colour[0], colour[1], colour[2]);
    glBegin(GL_POINTS);
    glVertex2i(cx, cy + r);
    glVertex2i(cx, cy - r);
    glVertex2i(cx + r, cy);
    glVertex2i(cx - r, cy);
    // Midpoint walk over one octant, mirrored eight ways.
    int x = 0;
    int y = r;
    int d = 1 - r;
    while (x < y) {
        ++x;
        if (d < 0) {
            d += 2 * x + 1;
        } else {
            --y;
            d += 2 * (x - y) + 1;
        }
        if (x < y) {
            glVertex2i(cx + x, cy + y);
            glVertex2i(cx - x, cy + y);
            glVertex2i(cx + x, cy - y);
            glVertex2i(cx - x, cy - y);
            glVertex2i(cx + y, cy + x);
            glVertex2i(cx - y, cy + x);
            glVertex2i(cx + y, cy - x);
            glVertex2i(cx - y, cy - x);
        } else if (x == y) {
            glVertex2i(cx + y, cy + y);
            glVertex2i(cx - y, cy + y);
            glVertex2i(cx + y, cy - y);
            glVertex2i(cx - y, cy - y);
        }
    }
    glEnd();
}

void GLWidget::drawBresenhamEllipse(point2D* centre, int a, int b, double* colour, int mode)
{
    const int cx = static_cast<int>(centre->x);
    const int cy = static_cast<int>(centre->y);
    const bool dotted = mode == 1;
    // Products of the half-axes are kept wide so that large drags stay exact.
    const long long a2 = static_cast<long long>(a) * a;
    const long long b2 = static_cast<long long>(b) * b;
    long long x = 0;
    long long y = b;
    long long dx = 0;          // 2 b² x
    long long dy = 2 * a2 * y; // 2 a² y
    int counter = 1;

    glColor3d(colour[0], colour[1], colour[2]);
    glBegin(GL_POINTS);
    auto plot = [&]() {
        if (!dotted || counter % 2 == 1) {
            glVertex2i(static_cast<int>(cx + x), static_cast<int>(cy + y));
            glVertex2i(static_cast<int>(cx - x), static_cast<int>(cy + y));
            glVertex2i(static_cast<int>(cx + x), static_cast<int>(cy - y));
            glVertex2i(static_cast<int>(cx - x), static_cast<int>(cy - y));
        }
        ++counter;
    };

    // Region 1: from the top of the ellipse while the slope is above -1.
    long long d = static_cast<long long>(b2 - a2 * b + a2 / 4.0);
    while (dx < dy) {
        ++x;
        dx += 2 * b2;
        if (d < 0) {
            d += b2 + dx;
        } else {
            --y;
            dy -= 2 * a2;
            d += b2 + dx - dy;
        }
        plot();
    }
    // Region 2: on down to the horizontal axis.
    d = static_cast<long long>(b2 * (x + 0.5) * (x + 0.5) + a2 * (y - 1) * (y - 1) - a2 * b2);
    while (y > 0) {
        --y;
        dy -= 2 * a2;
        if (d > 0) {
            d += a2 - dy;
        } else {
            ++x;
            dx += 2 * b2;
            d += a2 - dy + dx;
        }
        plot();
    }
    if (!dotted) {
        glVertex2i(cx, cy + b);
        glVertex2i(cx, cy - b);
    }
    glEnd();
}

void GLWidget::saveGLState()
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void GLWidget::restoreGLState()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}
